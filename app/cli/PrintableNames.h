#pragma once

#include <QByteArray>
#include <QString>

#include <string_view>
#include <unordered_map>
#include <vector>

class NameTable;

// Names as the output shows them: always UTF-8 (the UTF-8 of their decoded
// text where their bytes are not), with control characters (C0, DEL and C1)
// written as escapes such as \x1b, so that a name can neither steer a
// terminal nor break a line or a column. Each name is checked once.
class PrintableNames
{
public:
    explicit PrintableNames(const NameTable &names);

    std::string_view operator()(quint32 id);

    // Any bytes as the output shows them: `bytes` themselves when they need
    // no change, or else a view of `changed`, which holds the result.
    static std::string_view printable(std::string_view bytes, QByteArray &changed);
    static QByteArray printable(const QString &text);

private:
    enum Check : quint8 { Unchecked, Valid, Replaced };

    const NameTable &m_names;
    std::vector<Check> m_checks;
    std::unordered_map<quint32, QByteArray> m_replaced;
};
