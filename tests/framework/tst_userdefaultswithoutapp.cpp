#include <KFUserDefaultsController.h>

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QTest>

// The command line uses the settings without creating an application object.
class TestUserDefaultsWithoutApp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void storesAndReadsWithoutApplication()
    {
        QVERIFY(!QCoreApplication::instance());
        QDir(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Kestrune")).removeRecursively();
        auto &defaults = KFUserDefaultsController::sharedUserDefaultsController();
        QCOMPARE(defaults.storeFileName(),
                 qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Kestrune/Velotrace.conf"));
        defaults.registerDefaults({{QStringLiteral("answer"), 1}});
        QCOMPARE(defaults.integerForKey(QStringLiteral("answer")), 1);
        defaults.setObjectForKey(QStringLiteral("cachegrind\\..*"), QStringLiteral("pattern"));
        defaults.synchronize();

        QSettings onDisk(defaults.storeFileName(), QSettings::IniFormat);
        QCOMPARE(onDisk.value(QStringLiteral("pattern")).toString(), QStringLiteral("cachegrind\\..*"));
        QVERIFY(!onDisk.contains(QStringLiteral("answer")));
    }
};

QTEST_APPLESS_MAIN(TestUserDefaultsWithoutApp)
#include "tst_userdefaultswithoutapp.moc"
