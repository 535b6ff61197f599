#include "FunctionModel.h"

#include "Profile.h"

namespace {

bool startsWith(std::string_view name, std::string_view prefix)
{
    return name.substr(0, prefix.size()) == prefix;
}

// "require::" and "include::" are both this long.
constexpr qsizetype inclusionPrefixLength = 9;

} // namespace

FunctionModel::FunctionModel(const Profile &profile, quint32 id, std::string_view name)
    : m_profile(&profile)
    , m_id(id)
    , m_type(typeOf(name))
{ }

bool FunctionModel::isInclusion(std::string_view name)
{
    return startsWith(name, "require::") || startsWith(name, "include::");
}

char FunctionModel::typeOf(std::string_view name)
{
    if (startsWith(name, "php::") || isInclusion(name))
        return functionTypePhpInternal;
    if (name.find("->") != std::string_view::npos)
        return functionTypeObjectMethod;
    return functionTypeApplication;
}

const QString &FunctionModel::name() const
{
    return m_profile->functionNames().text(m_id);
}

std::string_view FunctionModel::nameBytes() const
{
    return m_profile->functionNames().bytes(m_id);
}

FunctionModel::FormattedName FunctionModel::formattedName() const
{
    FormattedName form;
    form.text = name();
    switch (m_type) {
    case functionTypePhpInternal:
        form.iconName = QStringLiteral("phpFunctionIcon.tif");
        if (isInclusion(nameBytes())) {
            // The inclusion keyword in blue, the included path in grey.
            form.spans.append({ 0, inclusionPrefixLength, blue });
            if (form.text.size() > inclusionPrefixLength)
                form.spans.append({ inclusionPrefixLength, form.text.size() - inclusionPrefixLength, darkGrey });
        } else {
            form.spans.append({ 0, form.text.size(), darkGrey });
        }
        break;
    case functionTypeObjectMethod:
        form.iconName = QStringLiteral("objectMethodIcon.tif");
        break;
    default:
        form.iconName = QStringLiteral("applicationFunctionIcon.tif");
        break;
    }
    return form;
}
