#include <QCoreApplication>
#include <QLocale>

namespace {

// Every test's settings live where the application keeps its own (below the
// test's own configuration home), under the names its main gives. Figures
// are written as the C locale writes them, whatever the machine's language;
// tests of grouping name their locale.
void setApplicationNames()
{
    QLocale::setDefault(QLocale::c());
    QCoreApplication::setOrganizationName(QStringLiteral("Kestrune"));
    QCoreApplication::setApplicationName(QStringLiteral("Velotrace"));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(setApplicationNames)
