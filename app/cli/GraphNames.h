#pragma once

#include "PrintableNames.h"

#include <QtGlobal>

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class FunctionGraph;
class Profile;

// The names of a function graph's functions as the output shows them: the
// function's name, and where several functions share it, what tells them
// apart: their file in parentheses, their object in brackets.
class GraphNames
{
public:
    explicit GraphNames(const Profile &profile);

    std::string_view operator()(quint32 node);

private:
    enum Part : quint8 { Name = 0, File = 1, Object = 2 };

    const FunctionGraph &m_graph;
    PrintableNames m_functions;
    PrintableNames m_sources;
    PrintableNames m_objects;
    // Per function name: which parts tell its functions apart.
    std::vector<quint8> m_parts;
    // The names that tell their function apart, made when first asked for.
    std::unordered_map<quint32, std::string> m_texts;
};
