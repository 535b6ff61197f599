#include "CallSearch.h"

#include "CallIndex.h"
#include "CallTree.h"
#include "FunctionModel.h"
#include "Profile.h"
#include "ProfiledFunctionCall.h"

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
    const ProfiledFunctionCall *root = m_index.root();
    if (pattern.isEmpty() || !root)
        return true;
    const QRegularExpression expression(isRegularExpression ? pattern : QString(),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    if (isRegularExpression && !expression.isValid()) {
        m_errorString = expression.errorString();
        return false;
    }

    const Profile &profile = root->function().profile();
    std::vector<bool> &matchingIds = m_matchingFunctions;
    matchingIds.assign(size_t(profile.functionCount()), false);
    bool anyMatch = false;
    for (quint32 id = 0; id < matchingIds.size(); ++id) {
        const QString &name = profile.function(id).name();
        const bool matches
            = isRegularExpression ? expression.match(name).hasMatch() : name.contains(pattern, Qt::CaseInsensitive);
        matchingIds[id] = matches;
        anyMatch = anyMatch || matches;
    }
    if (!anyMatch) {
        m_matchingFunctions.clear();
        return true;
    }
    const CallTree &tree = m_index.tree();
    for (quint32 call = 0; call < tree.size(); ++call) {
        if (matchingIds[tree.function(call)])
            m_matches.emplace_back(m_index.positionOf(call), call);
    }
    std::sort(m_matches.begin(), m_matches.end());
    return true;
}

const ProfiledFunctionCall &CallSearch::match(qsizetype number) const
{
    return m_index.tree().call(m_matches[size_t(number)].second);
}

std::optional<quint32> CallSearch::positionOf(const ProfiledFunctionCall *call) const
{
    if (!call || &call->tree() != &m_index.tree())
        return std::nullopt;
    return m_index.positionOf(*call);
}

std::vector<std::pair<quint32, quint32>>::const_iterator CallSearch::firstFrom(quint32 position) const
{
    return std::lower_bound(m_matches.begin(), m_matches.end(), std::pair<quint32, quint32>(position, 0));
}

qsizetype CallSearch::matchNumberOf(const ProfiledFunctionCall *call) const
{
    const std::optional<quint32> position = positionOf(call);
    if (!position)
        return -1;
    const auto found = firstFrom(*position);
    return found != m_matches.end() && found->first == *position ? found - m_matches.begin() : -1;
}

qsizetype CallSearch::nextMatch(const ProfiledFunctionCall *call) const
{
    if (m_matches.empty())
        return -1;
    const std::optional<quint32> position = positionOf(call);
    if (!position)
        return 0;
    const auto after = firstFrom(*position + 1);
    return after == m_matches.end() ? 0 : after - m_matches.begin();
}

qsizetype CallSearch::previousMatch(const ProfiledFunctionCall *call) const
{
    if (m_matches.empty())
        return -1;
    const qsizetype last = qsizetype(m_matches.size()) - 1;
    const std::optional<quint32> position = positionOf(call);
    if (!position)
        return last;
    const auto before = firstFrom(*position);
    return before == m_matches.begin() ? last : (before - m_matches.begin()) - 1;
}
