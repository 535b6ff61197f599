#pragma once

#include <QtGlobal>

#include <string_view>
#include <unordered_map>
#include <vector>

// The numbers of compressed names: current profilers write "(N) name" where
// a name is first used and "(N)" alone after that. Functions and files each
// have a table of their own, which maps a number straight to the interned
// name's id.
class CompressedNameTable
{
public:
    // The id of the name `text` stands for, as `intern` gives ids for names:
    // "(N) name" defines N as name; "(N)" is the name defined for N.
    // Anything else, including a reference to a number never defined, is the
    // text itself.
    template <typename Intern> quint32 resolve(std::string_view text, Intern &&intern)
    {
        if (text.empty() || text.front() != '(')
            return intern(text);
        quint64 number = 0;
        std::string_view name;
        switch (parse(text, number, name)) {
        case Form::Reference:
            if (const quint32 id = find(number); id != none)
                return id;
            break;
        case Form::Definition: {
            const quint32 id = intern(name);
            set(number, id);
            return id;
        }
        case Form::Literal:
            break;
        }
        return intern(text);
    }

    // The same for a line that only names a callee: only definitions count.
    template <typename Intern> void define(std::string_view text, Intern &&intern)
    {
        if (text.empty() || text.front() != '(')
            return;
        quint64 number = 0;
        std::string_view name;
        if (parse(text, number, name) == Form::Definition)
            set(number, intern(name));
    }

    // The id of a compressed name that only names a callee, defining it
    // when it is a definition; none for a literal name or a number never
    // defined.
    template <typename Intern> quint32 resolveCompressed(std::string_view text, Intern &&intern)
    {
        if (text.empty() || text.front() != '(')
            return none;
        quint64 number = 0;
        std::string_view name;
        switch (parse(text, number, name)) {
        case Form::Reference:
            return find(number);
        case Form::Definition: {
            const quint32 id = intern(name);
            set(number, id);
            return id;
        }
        case Form::Literal:
            break;
        }
        return none;
    }

    static constexpr quint32 none = 0xffffffff;

private:
    enum class Form { Literal, Reference, Definition };
    static Form parse(std::string_view text, quint64 &number, std::string_view &name);
    quint32 find(quint64 number) const
    {
        // A number may have gone to the map before the array grew past it.
        if (number < m_dense.size() && m_dense[number] != none)
            return m_dense[number];
        return findSparse(number);
    }
    quint32 findSparse(quint64 number) const;
    void set(quint64 number, quint32 id);

    // Numbers count up from 1, so most fit a plain array; far-off ones, as a
    // damaged file may hold, go to the map.
    std::vector<quint32> m_dense;
    std::unordered_map<quint64, quint32> m_sparse;
};
