#pragma once

#include "CompressedNameTable.h"
#include "NameTable.h"

#include <QtGlobal>

#include <string>
#include <string_view>

class FunctionModel;
class Profile;

// Turns the names on a profile's lines into its functions and source files,
// in the order of the lines: literal names are interned, compressed ones
// ("(N) name", "(N)") looked up by number.
class NameResolver
{
public:
    // Names taking more than `memoryLimit` bytes fail as memory running short.
    NameResolver(Profile &profile, qint64 memoryLimit);

    // The function of a "fn=" line's text, and the source file of a "fl="
    // line's; `hash` is the text's NameTable::hashOf, or 0.
    const FunctionModel *function(std::string_view text, quint64 hash);
    quint32 source(std::string_view text, quint64 hash);
    // The text of a line that only names a callee or a file, which may
    // define a number: only a compressed name can.
    void defineFunction(std::string_view text)
    {
        if (!text.empty() && text.front() == '(')
            define(true, text);
    }
    // The function a callee's compressed name stands for, defining it when
    // it is a definition; CompressedNameTable::none for a literal name.
    quint32 compressedFunction(std::string_view text);
    void defineSource(std::string_view text)
    {
        if (!text.empty() && text.front() == '(')
            define(false, text);
    }

    // Asks for what looking up a name of `hash` will read, first its slot,
    // then what the slot leads to.
    void prefetchSlot(bool function, quint64 hash) const
    {
        (function ? m_functionNames : m_sourceNames).prefetchSlot(hash);
    }
    void prefetchName(bool function, quint64 hash) const
    {
        (function ? m_functionNames : m_sourceNames).prefetchName(hash);
    }

private:
    // The profile's interning as the compressed names want it: the hash, if
    // known, is that of `text`.
    auto internFunction(std::string_view text, quint64 hash)
    {
        return [this, text, hash](std::string_view name) { return intern(true, name, isText(name, text) ? hash : 0); };
    }
    auto internSource(std::string_view text, quint64 hash)
    {
        return [this, text, hash](std::string_view path) { return intern(false, path, isText(path, text) ? hash : 0); };
    }
    static bool isText(std::string_view name, std::string_view text)
    {
        return name.data() == text.data() && name.size() == text.size();
    }
    quint32 intern(bool function, std::string_view name, quint64 hash);
    void define(bool function, std::string_view text);
    void checkMemory() const;

    Profile &m_profile;
    const NameTable &m_functionNames;
    const NameTable &m_sourceNames;
    const qint64 m_memoryLimit;
    CompressedNameTable m_functionNumbers;
    CompressedNameTable m_sourceNumbers;
    // The last file named literally, which the next record often names again.
    std::string m_lastSourceName;
    quint32 m_lastSource = 0;
};
