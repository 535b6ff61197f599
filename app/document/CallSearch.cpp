#include "CallSearch.h"

#include "CallIndex.h"
#include "FunctionModel.h"

#include <QRegularExpression>

#include <algorithm>

CallSearch::CallSearch(const CallIndex &index)
    : m_index(index)
{ }

bool CallSearch::setPattern(const QString &pattern, bool isRegularExpression)
{
    m_matches.clear();
    m_matchingFunctions.clear();
    m_errorString.clear();
    if (pattern.isEmpty())
        return true;
    const QRegularExpression expression(isRegularExpression ? pattern : QString(),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    if (isRegularExpression && !expression.isValid()) {
        m_errorString = expression.errorString();
        return false;
    }

    std::vector<bool> &matchingIds = m_matchingFunctions;
    matchingIds.assign(m_index.functionIdCount(), false);
    bool anyMatch = false;
    for (quint32 id = 0; id < m_index.functionIdCount(); ++id) {
        const FunctionModel *function = m_index.function(id);
        if (!function)
            continue;
        const QString &name = function->name();
        const bool matches
            = isRegularExpression ? expression.match(name).hasMatch() : name.contains(pattern, Qt::CaseInsensitive);
        matchingIds[id] = matches;
        anyMatch = anyMatch || matches;
    }
    if (!anyMatch) {
        m_matchingFunctions.clear();
        return true;
    }
    for (quint32 position = 0; position < m_index.size(); ++position) {
        if (matchingIds[m_index.functionIdAt(position)])
            m_matches.push_back(position);
    }
    return true;
}

const ProfiledFunctionCall &CallSearch::match(qsizetype number) const
{
    return m_index.call(m_matches[size_t(number)]);
}

qsizetype CallSearch::matchNumberOf(const ProfiledFunctionCall *call) const
{
    const std::optional<quint32> position = call ? m_index.positionOf(*call) : std::nullopt;
    if (!position)
        return -1;
    const auto found = std::lower_bound(m_matches.begin(), m_matches.end(), *position);
    return found != m_matches.end() && *found == *position ? found - m_matches.begin() : -1;
}

qsizetype CallSearch::nextMatch(const ProfiledFunctionCall *call) const
{
    if (m_matches.empty())
        return -1;
    const std::optional<quint32> position = call ? m_index.positionOf(*call) : std::nullopt;
    if (!position)
        return 0;
    const auto after = std::upper_bound(m_matches.begin(), m_matches.end(), *position);
    return after == m_matches.end() ? 0 : after - m_matches.begin();
}

qsizetype CallSearch::previousMatch(const ProfiledFunctionCall *call) const
{
    if (m_matches.empty())
        return -1;
    const qsizetype last = qsizetype(m_matches.size()) - 1;
    const std::optional<quint32> position = call ? m_index.positionOf(*call) : std::nullopt;
    if (!position)
        return last;
    const auto before = std::lower_bound(m_matches.begin(), m_matches.end(), *position);
    return before == m_matches.begin() ? last : (before - m_matches.begin()) - 1;
}
