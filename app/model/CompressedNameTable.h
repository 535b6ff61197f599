#pragma once

#include <QtGlobal>

#include <string>
#include <string_view>
#include <unordered_map>

// The ids of compressed names: current profilers write "(N) name" where a
// name is first used and "(N)" alone after that. Functions and files each
// have a table of their own.
class CompressedNameTable
{
public:
    // The name that `text` stands for: "(N) name" defines N and means name;
    // "(N)" means the name defined for N. Anything else, including a
    // reference to an id never defined, is the text itself. The result stays
    // valid until the next call.
    std::string_view expand(std::string_view text);

private:
    // Names are copied: the reader may give back the memory of lines it has
    // already read.
    std::unordered_map<quint64, std::string> m_names;
};
