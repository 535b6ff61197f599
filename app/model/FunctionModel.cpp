#include "FunctionModel.h"

#include "Profile.h"

namespace {

bool startsWith(std::string_view name, std::string_view prefix)
{
    return name.substr(0, prefix.size()) == prefix;
}

} // namespace

FunctionModel::FunctionModel(const Profile &profile, quint32 id, std::string_view name)
    : m_profile(&profile)
    , m_id(id)
    , m_kind(kindOf(name))
{ }

FunctionModel::Kind FunctionModel::kindOf(std::string_view name)
{
    if (startsWith(name, "require::") || startsWith(name, "include::"))
        return Kind::Inclusion;
    if (startsWith(name, "php::"))
        return Kind::Internal;
    if (name.find("->") != std::string_view::npos)
        return Kind::Method;
    return Kind::Function;
}

const QString &FunctionModel::name() const
{
    return m_profile->functionNames().text(m_id);
}

std::string_view FunctionModel::nameBytes() const
{
    return m_profile->functionNames().bytes(m_id);
}
