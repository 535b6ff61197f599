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

// The value of key through the getter of the type of like.
QVariant read(const QString &key, const QVariant &like)
{
    if (like.metaType().id() == QMetaType::LongLong)
        return defaults().integerForKey(key);
    if (like.metaType().id() == QMetaType::Bool)
        return defaults().boolForKey(key);
    return defaults().stringForKey(key);
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

    // Each first-run value, overridden by a stored value and back once that is removed.
    void firstRunValues()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, expected);
        QCOMPARE(read(key, expected), expected);
        const QVariant stored = expected.metaType().id() == QMetaType::LongLong ? QVariant(expected.toLongLong() + 2)
            : expected.metaType().id() == QMetaType::Bool                       ? QVariant(!expected.toBool())
                                                                                : QVariant(expected.toString() + "x");
        defaults().setObjectForKey(stored, key);
        QCOMPARE(read(key, expected), stored);
        defaults().removeObjectForKey(key);
        QCOMPARE(read(key, expected), expected);
    }

    // Registered defaults must not be written out, or a later default change never reaches the user.
    void defaultsStayOffDisk()
    {
        defaults().setObjectForKey(true, VTCUpdatesCheckAutomatically);
        defaults().synchronize();
        QCOMPARE(QSettings(defaults().storeFileName(), QSettings::IniFormat).allKeys(),
            QStringList { VTCUpdatesCheckAutomatically });
        defaults().removeObjectForKey(VTCUpdatesCheckAutomatically);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
