#pragma once

#include <QString>

// Shown wherever a detail has no value or a time is too small to show.
inline const QString dashString = QStringLiteral("-");

// A size in bytes in IEC units, e.g. "512 bytes", "1.5 MiB", "3.2 GiB".
QString dataSizeString(qint64 bytes);
