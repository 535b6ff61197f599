#include "FunctionSummaryMap.h"

#include "FunctionModel.h"
#include "ProfiledFunctionCall.h"

void FunctionSummaryMap::addFunctionToSummary(const ProfiledFunctionCall &call)
{
    // Pre-order with an explicit stack: children are pushed last first so
    // that they come off in the order the profile lists them.
    std::vector<const ProfiledFunctionCall *> pending { &call };
    while (!pending.empty()) {
        const ProfiledFunctionCall *node = pending.back();
        pending.pop_back();
        const quint32 id = node->functionId();
        if (id >= m_byFunction.size())
            m_byFunction.resize(size_t(id) + 1, nullptr);
        ProfiledFunctionSummary *&slot = m_byFunction[id];
        ProfiledFunctionSummary *summary = slot;
        // Ids are unique within a profile; functions that share one anyway
        // are told apart by identity.
        if (summary && &summary->function() != &node->function()) {
            ProfiledFunctionSummary *&other = m_sharingAnId[&node->function()];
            summary = other;
            if (!summary)
                summary = other = add(node->function());
        } else if (!summary) {
            summary = slot = add(node->function());
        }
        summary->addCall(*node);
        for (qsizetype i = node->childCount() - 1; i >= 0; --i)
            pending.push_back(node->getChild(i));
    }
}

ProfiledFunctionSummary *FunctionSummaryMap::add(const FunctionModel &function)
{
    m_summaries.push_back(std::make_unique<ProfiledFunctionSummary>(function));
    return m_summaries.back().get();
}

std::vector<std::unique_ptr<ProfiledFunctionSummary>> FunctionSummaryMap::takeAnalysedSummaries()
{
    for (auto &summary : m_summaries)
        summary->analyse();
    m_byFunction.clear();
    m_sharingAnId.clear();
    std::vector<std::unique_ptr<ProfiledFunctionSummary>> summaries;
    summaries.swap(m_summaries);
    return summaries;
}

std::vector<std::unique_ptr<ProfiledFunctionSummary>> FunctionSummaryMap::summariesBelow(
    const ProfiledFunctionCall &call)
{
    FunctionSummaryMap map;
    for (qsizetype i = 0; i < call.childCount(); ++i)
        map.addFunctionToSummary(*call.getChild(i));
    return map.takeAnalysedSummaries();
}
