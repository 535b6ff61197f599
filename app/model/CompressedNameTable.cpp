#include "CompressedNameTable.h"

std::string_view CompressedNameTable::expand(std::string_view text)
{
    if (text.size() < 3 || text.front() != '(')
        return text;
    // At most 18 digits, so that the id cannot overflow.
    size_t close = 1;
    quint64 id = 0;
    while (close < text.size() && close <= 18 && text[close] >= '0' && text[close] <= '9')
        id = id * 10 + quint64(text[close++] - '0');
    if (close == 1 || close >= text.size() || text[close] != ')')
        return text;
    if (close + 1 == text.size()) {
        const auto found = m_names.find(id);
        return found == m_names.end() ? text : std::string_view(found->second);
    }
    if (text[close + 1] != ' ')
        return text;
    std::string &name = m_names[id];
    name.assign(text.substr(close + 2));
    return name;
}
