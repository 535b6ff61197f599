#pragma once

#include <QString>

// Shown wherever a detail has no value or a time is too small to show.
inline const QString dashString = QStringLiteral("-");

// A byte count as a short text: 1022, 1.0 KB, 293.0 KB, 1.0 MB, ...
QString stringFromFileSize(qint32 bytes);
