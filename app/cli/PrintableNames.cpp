#include "PrintableNames.h"

#include "NameTable.h"

#include <QByteArrayView>

PrintableNames::PrintableNames(const NameTable &names)
    : m_names(names)
    , m_checks(names.size(), Unchecked)
{ }

std::string_view PrintableNames::operator()(quint32 id)
{
    const std::string_view bytes = m_names.bytes(id);
    Check &check = m_checks[id];
    if (check == Unchecked) {
        check = QByteArrayView(bytes.data(), qsizetype(bytes.size())).isValidUtf8() ? Valid : Replaced;
        if (check == Replaced)
            m_replaced.emplace(id, m_names.text(id).toUtf8());
    }
    if (check == Valid)
        return bytes;
    const QByteArray &replaced = m_replaced.at(id);
    return std::string_view(replaced.constData(), size_t(replaced.size()));
}
