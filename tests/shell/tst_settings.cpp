#include "SettingsKeys.h"

#include <KFUserDefaultsController.h>

#include <QDir>
#include <QSettings>
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
    }

    void firstRunValues_data();
    void firstRunValues();
    void defaultPatternIsTheEscapedFullStop();
    void storedValueWinsOverDefault_data();
    void storedValueWinsOverDefault();
    void defaultsStayOffDisk();
};

void TestSettings::firstRunValues_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("measurement in milliseconds") << VTCMeasurement << QVariant(qint64(1));
    QTest::newRow("dash shown") << VTCDisplayDash << QVariant(true);
    QTest::newRow("internal functions in calls") << VTCCallStackShowsInternalPhpFunctions << QVariant(true);
    QTest::newRow("internal functions in summary") << VTCSummaryShowsInternalPhpFunctions << QVariant(true);
    QTest::newRow("watcher not started") << VTCSifterStartOnLaunch << QVariant(false);
    QTest::newRow("watched directory") << VTCSifterMonitorDirectory << QVariant(QStringLiteral("/tmp"));
    QTest::newRow("pattern") << VTCSifterRegex << QVariant(QStringLiteral("cachegrind\\..*"));
    QTest::newRow("custom pattern off") << VTCSifterRegexUseCustom << QVariant(false);
    QTest::newRow("filter") << VTCSifterFilter << QVariant(qint64(0));
    QTest::newRow("open-file limit on") << VTCSifterMaxLimitOpen << QVariant(true);
    QTest::newRow("open-file limit") << VTCSifterMaxFiles << QVariant(qint64(5));
    QTest::newRow("limit action unset") << VTCSifterMaxAction << QVariant(QString());
    QTest::newRow("no automatic update check") << VTCUpdatesCheckAutomatically << QVariant(false);
}

void TestSettings::firstRunValues()
{
    QFETCH(QString, key);
    QFETCH(QVariant, expected);
    switch (expected.metaType().id()) {
    case QMetaType::LongLong:
        QCOMPARE(defaults().integerForKey(key), expected.toLongLong());
        break;
    case QMetaType::Bool:
        QCOMPARE(defaults().boolForKey(key), expected.toBool());
        break;
    default:
        QCOMPARE(defaults().stringForKey(key), expected.toString());
    }
}

void TestSettings::defaultPatternIsTheEscapedFullStop()
{
    const QString pattern = defaults().stringForKey(VTCSifterRegex);
    QCOMPARE(pattern.size(), 14);
    QCOMPARE(pattern.count(QLatin1Char('\\')), 1);
    QCOMPARE(VTCSifterMaxAction, QStringLiteral("sifterMoxAction"));
}

void TestSettings::storedValueWinsOverDefault_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("stored");

    QTest::newRow("measurement") << VTCMeasurement << QVariant(2);
    QTest::newRow("dash") << VTCDisplayDash << QVariant(false);
    QTest::newRow("directory") << VTCSifterMonitorDirectory << QVariant(QStringLiteral("/var/tmp/profiles"));
    QTest::newRow("pattern") << VTCSifterRegex << QVariant(QStringLiteral("^xdebug\\.out$"));
    QTest::newRow("limit") << VTCSifterMaxFiles << QVariant(0);
}

void TestSettings::storedValueWinsOverDefault()
{
    QFETCH(QString, key);
    QFETCH(QVariant, stored);
    const QVariant registered = defaults().objectForKey(key);
    defaults().setObjectForKey(stored, key);
    QCOMPARE(defaults().objectForKey(key), stored);
    defaults().removeObjectForKey(key);
    QCOMPARE(defaults().objectForKey(key), registered);
}

void TestSettings::defaultsStayOffDisk()
{
    defaults().setObjectForKey(true, VTCUpdatesCheckAutomatically);
    defaults().synchronize();
    QSettings onDisk(defaults().storeFileName(), QSettings::IniFormat);
    QCOMPARE(onDisk.allKeys(), QStringList{VTCUpdatesCheckAutomatically});
    defaults().removeObjectForKey(VTCUpdatesCheckAutomatically);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
