#include "FunctionModel.h"

namespace {

const QString phpPrefix = QStringLiteral("php::");
const QString requirePrefix = QStringLiteral("require::");
const QString includePrefix = QStringLiteral("include::");
// "require::" and "include::" are both this long.
constexpr qsizetype inclusionPrefixLength = 9;

} // namespace

FunctionModel::FunctionModel(QString name, quint32 id)
    : m_name(std::move(name))
    , m_id(id)
{
    formatName();
}

void FunctionModel::formatName()
{
    const bool isPhp = m_name.startsWith(phpPrefix);
    const bool isInclusion = m_name.startsWith(requirePrefix) || m_name.startsWith(includePrefix);
    if (isPhp || isInclusion)
        m_type = functionTypePhpInternal;
    else if (m_name.contains(QLatin1String("->")))
        m_type = functionTypeObjectMethod;
    else
        m_type = functionTypeApplication;

    m_formattedName.text = m_name;
    m_formattedName.baselineOffset = 2.0;
    switch (m_type) {
    case functionTypePhpInternal:
        m_formattedName.iconName = QStringLiteral("phpFunctionIcon.tif");
        if (isInclusion) {
            // The inclusion keyword in blue, the included path in grey.
            m_formattedName.spans.append({ 0, inclusionPrefixLength, blue });
            if (m_name.size() > inclusionPrefixLength)
                m_formattedName.spans.append(
                    { inclusionPrefixLength, m_name.size() - inclusionPrefixLength, darkGrey });
        } else {
            m_formattedName.spans.append({ 0, m_name.size(), darkGrey });
        }
        break;
    case functionTypeObjectMethod:
        m_formattedName.iconName = QStringLiteral("objectMethodIcon.tif");
        break;
    default:
        m_formattedName.iconName = QStringLiteral("applicationFunctionIcon.tif");
        break;
    }
}
