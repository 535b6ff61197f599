#pragma once

#include <QString>

#include <vector>

class Profile;

// Finds the paths of a profile's estimated call tree (see
// Profile::estimatedCallTree) whose function's name matches a pattern, as
// CallSearch finds calls: each distinct function matched once, the matches
// numbered from 0 in pre-order, which is the order of the path numbers.
class EstimatedPathSearch
{
public:
    explicit EstimatedPathSearch(const Profile &profile);

    // False, with errorString() set and no matches, for an invalid regular
    // expression. An empty pattern matches nothing.
    bool setPattern(const QString &pattern, bool isRegularExpression);
    QString errorString() const { return m_errorString; }

    qsizetype matchCount() const { return qsizetype(m_matches.size()); }
    // By function id, whether the function matches; empty when none does.
    const std::vector<bool> &matchingFunctions() const { return m_matchingFunctions; }
    quint32 match(qsizetype number) const { return m_matches[size_t(number)]; }
    // The number of `path` among the matches, or -1.
    qsizetype matchNumberOf(quint32 path) const;
    // The first match after (before) `path`, going round at the end (the
    // start); -1 when nothing matches. From no path
    // (MergedCallTree::none), the first (last) match.
    qsizetype nextMatch(quint32 path) const;
    qsizetype previousMatch(quint32 path) const;

private:
    const Profile &m_profile;
    std::vector<quint32> m_matches;
    std::vector<bool> m_matchingFunctions;
    QString m_errorString;
};
