#include "CallIndex.h"

#include "ProfiledFunctionCall.h"

#include <algorithm>

CallIndex::CallIndex(const ProfiledFunctionCall *root)
{
    if (!root)
        return;
    // Depth first with an explicit stack of open calls: a call gets its
    // position on entry and its subtree's end once its last child is done.
    struct Open
    {
        const ProfiledFunctionCall *call;
        quint32 position;
        qsizetype nextChild;
    };
    std::vector<Open> open;
    const auto enter = [&](const ProfiledFunctionCall *call) {
        const quint32 position = quint32(m_calls.size());
        const quint32 id = call->functionId();
        m_calls.push_back(call);
        m_functionIds.push_back(id);
        m_subtreeEnds.push_back(0);
        if (id >= m_functions.size())
            m_functions.resize(size_t(id) + 1, nullptr);
        m_functions[id] = &call->function();
        open.push_back({ call, position, 0 });
    };
    enter(root);
    while (!open.empty()) {
        Open &top = open.back();
        if (top.nextChild < top.call->childCount()) {
            enter(top.call->getChild(top.nextChild++)); // invalidates `top`
            continue;
        }
        m_subtreeEnds[top.position] = quint32(m_calls.size());
        open.pop_back();
    }
}

std::optional<quint32> CallIndex::positionOf(const ProfiledFunctionCall &call) const
{
    const auto found = std::find(m_calls.begin(), m_calls.end(), &call);
    if (found == m_calls.end())
        return std::nullopt;
    return quint32(found - m_calls.begin());
}
