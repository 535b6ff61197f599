#include "SharedText.h"

#include <QLocale>

QString dataSizeString(qint64 bytes)
{
    // The C locale, as for every figure: the same text whatever the user's language.
    return QLocale::c().formattedDataSize(bytes, 1);
}
