#pragma once

#include <QCoreApplication>

// The names the settings are stored under, by the windows and the command
// line alike; the command line creates no application object.
inline void setApplicationNames()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Kestrune"));
    QCoreApplication::setApplicationName(QStringLiteral("Velotrace"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELOTRACE_VERSION));
}
