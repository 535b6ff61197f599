#include "GraphNames.h"

#include "FunctionGraph.h"
#include "Profile.h"

GraphNames::GraphNames(const Profile &profile)
    : m_graph(profile.functionGraph())
    , m_functions(profile.functionNames())
    , m_sources(profile.sourceNames())
    , m_objects(m_graph.objectNames())
    , m_parts(size_t(profile.functionCount()), Name)
{
    // The first function of each name, to compare the others with.
    std::vector<quint32> first(m_parts.size(), FunctionGraph::none);
    for (quint32 node = 0; node < m_graph.size(); ++node) {
        const quint32 function = m_graph.function(node);
        if (first[function] == FunctionGraph::none) {
            first[function] = node;
            continue;
        }
        if (m_graph.source(node) != m_graph.source(first[function]))
            m_parts[function] |= File;
        if (m_graph.object(node) != m_graph.object(first[function]))
            m_parts[function] |= Object;
    }
}

std::string_view GraphNames::operator()(quint32 node)
{
    const quint32 function = m_graph.function(node);
    const quint8 parts = m_parts[function];
    if (parts == Name)
        return m_functions(function);
    const auto [found, added] = m_texts.try_emplace(node);
    std::string &text = found->second;
    if (!added)
        return text;
    text.assign(m_functions(function));
    const quint32 source = m_graph.source(node);
    if (parts & File)
        text.append(" (").append(source == FunctionGraph::none ? std::string_view() : m_sources(source)).append(")");
    const quint32 object = m_graph.object(node);
    if (parts & Object)
        text.append(" [").append(object == FunctionGraph::none ? std::string_view() : m_objects(object)).append("]");
    return text;
}
