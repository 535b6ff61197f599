#include "PrintableNames.h"

#include "NameTable.h"

#include <QByteArrayView>

namespace {

// Whether UTF-8 `bytes` hold a control character: a byte below 0x20, 0x7f,
// or U+0080 to U+009F (0xc2 followed by 0x80 to 0x9f).
bool hasControl(std::string_view bytes)
{
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x20 || byte == 0x7f
            || (byte == 0xc2 && i + 1 < bytes.size() && (static_cast<unsigned char>(bytes[i + 1]) & 0xe0) == 0x80))
            return true;
    }
    return false;
}

QByteArray escaped(QStringView text)
{
    static constexpr char digits[] = "0123456789abcdef";
    QByteArray result;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (unit >= 0x20 && (unit < 0x7f || unit > 0x9f))
            continue;
        result += text.sliced(start, i - start).toUtf8();
        const char escape[] = { '\\', 'x', digits[unit >> 4], digits[unit & 0xf] };
        result.append(escape, 4);
        start = i + 1;
    }
    return result + text.sliced(start).toUtf8();
}

} // namespace

PrintableNames::PrintableNames(const NameTable &names)
    : m_names(names)
    , m_checks(names.size(), Unchecked)
{ }

std::string_view PrintableNames::operator()(quint32 id)
{
    const std::string_view bytes = m_names.bytes(id);
    Check &check = m_checks[id];
    if (check == Unchecked) {
        QByteArray changed;
        check = printable(bytes, changed).data() == bytes.data() ? Valid : Replaced;
        if (check == Replaced)
            m_replaced.emplace(id, changed);
    }
    if (check == Valid)
        return bytes;
    const QByteArray &replaced = m_replaced.at(id);
    return std::string_view(replaced.constData(), size_t(replaced.size()));
}

std::string_view PrintableNames::printable(std::string_view bytes, QByteArray &changed)
{
    if (QByteArrayView(bytes.data(), qsizetype(bytes.size())).isValidUtf8() && !hasControl(bytes))
        return bytes;
    changed = escaped(QString::fromUtf8(bytes.data(), qsizetype(bytes.size())));
    return std::string_view(changed.constData(), size_t(changed.size()));
}

QByteArray PrintableNames::printable(const QString &text)
{
    return escaped(text);
}
