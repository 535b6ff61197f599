#include "CompressedNameTable.h"

CompressedNameTable::Form CompressedNameTable::parse(std::string_view text, quint64 &number, std::string_view &name)
{
    if (text.size() < 3 || text.front() != '(')
        return Form::Literal;
    // At most 18 digits, so that the number cannot overflow.
    size_t close = 1;
    number = 0;
    while (close < text.size() && close <= 18 && text[close] >= '0' && text[close] <= '9')
        number = number * 10 + quint64(text[close++] - '0');
    if (close == 1 || close >= text.size() || text[close] != ')')
        return Form::Literal;
    if (close + 1 == text.size())
        return Form::Reference;
    if (text[close + 1] != ' ')
        return Form::Literal;
    name = text.substr(close + 2);
    return Form::Definition;
}

quint32 CompressedNameTable::findSparse(quint64 number) const
{
    const auto found = m_sparse.find(number);
    return found == m_sparse.end() ? none : found->second;
}

void CompressedNameTable::set(quint64 number, quint32 id)
{
    if (number >= m_dense.size() && number < 2 * m_dense.size() + 4096)
        m_dense.resize(size_t(number) + 1 + m_dense.size() / 2, none);
    if (number < m_dense.size())
        m_dense[number] = id;
    else
        m_sparse[number] = id;
}
