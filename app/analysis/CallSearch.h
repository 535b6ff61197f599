#pragma once

#include <QString>

#include <optional>
#include <vector>

class CallIndex;
class MergedCallTree;
class Profile;
class ProfiledFunctionCall;

// Finds the calls whose function's name matches a pattern: a text contained
// in the name, ignoring case, or a regular expression found in it. Each
// distinct function is matched once, then the calls of the matching
// functions are collected and put in pre-order, so that a pattern costs one
// test per function and one look-up per call. Matches are numbered from 0 in
// pre-order.
class CallSearch
{
public:
    explicit CallSearch(const CallIndex &index);

    // False, with errorString() set and no matches, for an invalid regular
    // expression. An empty pattern matches nothing.
    bool setPattern(const QString &pattern, bool isRegularExpression);
    QString errorString() const { return m_errorString; }
    // By function id of `profile`, whether the function's name matches
    // the pattern, into `matching`, which stays empty when none does; false,
    // with `errorString` set, for an invalid regular expression.
    static bool matchFunctions(const Profile &profile, const QString &pattern, bool isRegularExpression,
        std::vector<bool> &matching, QString &errorString);
    // Keeps one match per matching call path of `paths`, merged from the
    // index's tree: the path's first call, as the outline of paths shows it.
    void keepFirstCallsOf(const MergedCallTree &paths);

    qsizetype matchCount() const { return qsizetype(m_matches.size()); }
    // By function id, whether the function matches; empty when none does.
    const std::vector<bool> &matchingFunctions() const { return m_matchingFunctions; }
    const ProfiledFunctionCall &match(qsizetype number) const;
    // The number of `call` among the matches, or -1.
    qsizetype matchNumberOf(const ProfiledFunctionCall *call) const;
    // The first match after (before) `call` in pre-order, going round from
    // the end to the start (the start to the end); -1 when nothing matches.
    // From no call, the first (last) match.
    qsizetype nextMatch(const ProfiledFunctionCall *call) const;
    qsizetype previousMatch(const ProfiledFunctionCall *call) const;

private:
    // The number of `call`, if it is a call of the index's tree.
    std::optional<quint32> numberOf(const ProfiledFunctionCall *call) const;
    void sortInPreOrder();
    // The first match that does not come before call `number`.
    std::vector<quint32>::const_iterator firstFrom(quint32 number) const;

    const CallIndex &m_index;
    // The matches' call numbers, in pre-order.
    std::vector<quint32> m_matches;
    // Indexed by function id; empty when nothing matches.
    std::vector<bool> m_matchingFunctions;
    QString m_errorString;
};
