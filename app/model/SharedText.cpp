#include "SharedText.h"

QString stringFromFileSize(qint32 bytes)
{
    if (bytes <= 1022)
        return QString::asprintf("%i", bytes);
    // Single precision at every step, as the size column has always shown.
    const float kilobytes = float(bytes) * (1.0f / 1024.0f);
    if (kilobytes < 1023.0f)
        return QString::asprintf("%1.1f KB", double(kilobytes));
    const float megabytes = kilobytes / 1024.0f;
    if (megabytes < 1023.0f)
        return QString::asprintf("%1.1f MB", double(megabytes));
    return QString::asprintf("%1.1f GB", double(megabytes / 1024.0f));
}
