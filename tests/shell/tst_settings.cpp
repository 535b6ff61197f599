#include "SettingsKeys.h"

#include <KFUserDefaultsController.h>

#include <QDir>
#include <QTest>

namespace {

KFUserDefaultsController &defaults()
{
    return KFUserDefaultsController::sharedUserDefaultsController();
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Start from an empty store, as on a first run.
        QDir(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Kestrune")).removeRecursively();
        registerSettingsDefaults();
        QCOMPARE(VTCSifterMaxAction, QStringLiteral("sifterMoxAction")); // the stored key keeps this spelling
    }

    // Keys spelled out: a renamed constant would lose the users' stored settings.
    void firstRunValues_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("measurement") << "measurement" << QVariant(qint64(1));
        QTest::newRow("dash") << "displayDash" << QVariant(true);
        QTest::newRow("internal in calls") << "callStackShowsInternalPhpFunctions" << QVariant(true);
        QTest::newRow("internal in summary") << "summaryShowsInternalPhpFunctions" << QVariant(true);
        QTest::newRow("watcher at launch") << "sifterStartOnLaunch" << QVariant(false);
        QTest::newRow("directory") << "sifterMonitorDirectory" << QVariant(QStringLiteral("/tmp"));
        QTest::newRow("pattern") << "sifterRegex" << QVariant(QStringLiteral("cachegrind\\..*"));
        QTest::newRow("custom pattern") << "sifterRegexUseCustom" << QVariant(false);
        QTest::newRow("filter") << "sifterFilter" << QVariant(qint64(0));
        QTest::newRow("limit on") << "sifterMaxLimitOpen" << QVariant(true);
        QTest::newRow("limit") << "sifterMaxFiles" << QVariant(qint64(5));
        QTest::newRow("limit action") << "sifterMoxAction" << QVariant(QString());
        QTest::newRow("update check") << "updatesCheckAutomatically" << QVariant(false);
    }

    void firstRunValues()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, expected);
        if (expected.metaType().id() == QMetaType::LongLong)
            QCOMPARE(defaults().integerForKey(key), expected.toLongLong());
        else if (expected.metaType().id() == QMetaType::Bool)
            QCOMPARE(defaults().boolForKey(key), expected.toBool());
        else
            QCOMPARE(defaults().stringForKey(key), expected.toString());
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
