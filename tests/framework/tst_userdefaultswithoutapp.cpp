#include <KFUserDefaultsController.h>

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QTest>

// The command line uses the settings without an application object.
class TestUserDefaultsWithoutApp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void storeLivesUnderTheConfigurationHome()
    {
        QVERIFY(!QCoreApplication::instance());
        const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
        QVERIFY(!configHome.isEmpty());
        QDir(configHome + QStringLiteral("/Kestrune")).removeRecursively();
        auto &defaults = KFUserDefaultsController::sharedUserDefaultsController();
        QCOMPARE(defaults.storeFileName(), configHome + QStringLiteral("/Kestrune/Velotrace.conf"));
        defaults.setObjectForKey(QStringLiteral("cachegrind\\..*"), QStringLiteral("pattern"));
        defaults.synchronize();
        QSettings onDisk(defaults.storeFileName(), QSettings::IniFormat);
        QCOMPARE(onDisk.value(QStringLiteral("pattern")).toString(), QStringLiteral("cachegrind\\..*"));
    }
};

QTEST_APPLESS_MAIN(TestUserDefaultsWithoutApp)
#include "tst_userdefaultswithoutapp.moc"
