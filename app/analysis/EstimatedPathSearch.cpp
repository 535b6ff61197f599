#include "EstimatedPathSearch.h"

#include "CallSearch.h"
#include "MergedCallTree.h"
#include "Profile.h"

#include <algorithm>

EstimatedPathSearch::EstimatedPathSearch(const Profile &profile)
    : m_profile(profile)
{ }

bool EstimatedPathSearch::setPattern(const QString &pattern, bool isRegularExpression)
{
    m_matches.clear();
    m_matchingFunctions.clear();
    m_errorString.clear();
    if (pattern.isEmpty())
        return true;
    if (!CallSearch::matchFunctions(m_profile, pattern, isRegularExpression, m_matchingFunctions, m_errorString))
        return false;
    const MergedCallTree &paths = m_profile.estimatedCallTree();
    for (quint32 path = 0; path < paths.size() && !m_matchingFunctions.empty(); ++path) {
        if (m_matchingFunctions[paths.function(path)])
            m_matches.push_back(path);
    }
    return true;
}

qsizetype EstimatedPathSearch::matchNumberOf(quint32 path) const
{
    const auto found = std::lower_bound(m_matches.begin(), m_matches.end(), path);
    return found != m_matches.end() && *found == path ? found - m_matches.begin() : -1;
}

qsizetype EstimatedPathSearch::nextMatch(quint32 path) const
{
    if (m_matches.empty())
        return -1;
    if (path == MergedCallTree::none)
        return 0;
    const auto after = std::upper_bound(m_matches.begin(), m_matches.end(), path);
    return after == m_matches.end() ? 0 : after - m_matches.begin();
}

qsizetype EstimatedPathSearch::previousMatch(quint32 path) const
{
    if (m_matches.empty())
        return -1;
    const qsizetype last = qsizetype(m_matches.size()) - 1;
    if (path == MergedCallTree::none)
        return last;
    const auto before = std::lower_bound(m_matches.begin(), m_matches.end(), path);
    return before == m_matches.begin() ? last : (before - m_matches.begin()) - 1;
}
