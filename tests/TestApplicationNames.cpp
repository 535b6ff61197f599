#include <QCoreApplication>

namespace {

// Every test's settings live where the application keeps its own (below the
// test's own configuration home), under the names its main gives.
void setApplicationNames()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Kestrune"));
    QCoreApplication::setApplicationName(QStringLiteral("Velotrace"));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(setApplicationNames)
