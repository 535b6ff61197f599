#include <KFUserDefaultsController.h>

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QTest>

// A program without an application object (the command line) still stores
// its settings under the names it set.
class TestUserDefaultsWithoutApp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void storeLivesUnderTheNamesSetBeforehand()
    {
        QVERIFY(!QCoreApplication::instance());
        QCoreApplication::setOrganizationName(QStringLiteral("Example Maker"));
        QCoreApplication::setApplicationName(QStringLiteral("Example"));
        const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
        QVERIFY(!configHome.isEmpty());
        QDir(configHome + QStringLiteral("/Example Maker")).removeRecursively();
        auto &defaults = KFUserDefaultsController::sharedUserDefaultsController();
        QCOMPARE(defaults.storeFileName(), configHome + QStringLiteral("/Example Maker/Example.conf"));
        defaults.setObjectForKey(QStringLiteral("cachegrind\\..*"), QStringLiteral("pattern"));
        defaults.synchronize();
        QSettings onDisk(defaults.storeFileName(), QSettings::IniFormat);
        QCOMPARE(onDisk.value(QStringLiteral("pattern")).toString(), QStringLiteral("cachegrind\\..*"));
    }
};

QTEST_APPLESS_MAIN(TestUserDefaultsWithoutApp)
#include "tst_userdefaultswithoutapp.moc"
