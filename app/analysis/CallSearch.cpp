#include "CallSearch.h"

#include "CallIndex.h"
#include "CallTree.h"
#include "FunctionModel.h"
#include "MergedCallTree.h"
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
    if (!matchFunctions(root->function().profile(), pattern, isRegularExpression, m_matchingFunctions, m_errorString))
        return false;
    if (m_matchingFunctions.empty())
        return true;
    const std::vector<bool> &matchingIds = m_matchingFunctions;
    const CallTree &tree = m_index.tree();
    for (quint32 call = 0; call < tree.size(); ++call) {
        if (matchingIds[tree.function(call)])
            m_matches.push_back(call);
    }
    sortInPreOrder();
    return true;
}

bool CallSearch::matchFunctions(const Profile &profile, const QString &pattern, bool isRegularExpression,
    std::vector<bool> &matching, QString &errorString)
{
    matching.clear();
    const QRegularExpression expression(isRegularExpression ? pattern : QString(),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    if (isRegularExpression && !expression.isValid()) {
        errorString = expression.errorString();
        return false;
    }
    matching.assign(size_t(profile.functionCount()), false);
    bool anyMatch = false;
    for (quint32 id = 0; id < matching.size(); ++id) {
        const QString &name = profile.function(id).name();
        const bool matches
            = isRegularExpression ? expression.match(name).hasMatch() : name.contains(pattern, Qt::CaseInsensitive);
        matching[id] = matches;
        anyMatch = anyMatch || matches;
    }
    if (!anyMatch)
        matching.clear();
    return true;
}

void CallSearch::keepFirstCallsOf(const MergedCallTree &paths)
{
    m_matches.clear();
    if (m_matchingFunctions.empty())
        return;
    for (quint32 path = 0; path < paths.size(); ++path) {
        const quint32 call = paths.firstCall(path);
        if (call != MergedCallTree::none && m_matchingFunctions[paths.function(path)])
            m_matches.push_back(call);
    }
    sortInPreOrder();
}

void CallSearch::sortInPreOrder()
{
    std::sort(m_matches.begin(), m_matches.end(),
        [this](quint32 left, quint32 right) { return m_index.precedes(left, right); });
}

const ProfiledFunctionCall &CallSearch::match(qsizetype number) const
{
    return m_index.tree().call(m_matches[size_t(number)]);
}

std::optional<quint32> CallSearch::numberOf(const ProfiledFunctionCall *call) const
{
    if (!call || &call->tree() != &m_index.tree())
        return std::nullopt;
    return call->callNumber();
}

std::vector<quint32>::const_iterator CallSearch::firstFrom(quint32 number) const
{
    return std::lower_bound(m_matches.begin(), m_matches.end(), number,
        [this](quint32 match, quint32 call) { return m_index.precedes(match, call); });
}

qsizetype CallSearch::matchNumberOf(const ProfiledFunctionCall *call) const
{
    const std::optional<quint32> number = numberOf(call);
    if (!number)
        return -1;
    const auto found = firstFrom(*number);
    return found != m_matches.end() && *found == *number ? found - m_matches.begin() : -1;
}

qsizetype CallSearch::nextMatch(const ProfiledFunctionCall *call) const
{
    if (m_matches.empty())
        return -1;
    const std::optional<quint32> number = numberOf(call);
    if (!number)
        return 0;
    auto after = firstFrom(*number);
    if (after != m_matches.end() && *after == *number)
        ++after;
    return after == m_matches.end() ? 0 : after - m_matches.begin();
}

qsizetype CallSearch::previousMatch(const ProfiledFunctionCall *call) const
{
    if (m_matches.empty())
        return -1;
    const qsizetype last = qsizetype(m_matches.size()) - 1;
    const std::optional<quint32> number = numberOf(call);
    if (!number)
        return last;
    const auto before = firstFrom(*number);
    return before == m_matches.begin() ? last : (before - m_matches.begin()) - 1;
}
