#pragma once

#include <QByteArray>

#include <string_view>
#include <unordered_map>
#include <vector>

class NameTable;

// Names as the output shows them: their bytes when they are UTF-8, and
// otherwise the UTF-8 of their decoded text, so that the output is always
// UTF-8. Each name is checked once.
class PrintableNames
{
public:
    explicit PrintableNames(const NameTable &names);

    std::string_view operator()(quint32 id);

private:
    enum Check : quint8 { Unchecked, Valid, Replaced };

    const NameTable &m_names;
    std::vector<Check> m_checks;
    std::unordered_map<quint32, QByteArray> m_replaced;
};
