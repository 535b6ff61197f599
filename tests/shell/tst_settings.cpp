#include "TestDefaults.h"
#include "DataColumns.h"
#include "RecordingAlertPresenter.h"
#include "AppController.h"
#include "DocumentController.h"
#include "SettingsKeys.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTest>

namespace {

QString storeDirectory()
{
    return qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Kestrune");
}

// A stored value the parser reads, then a section it cannot parse and a line it skips.
const QByteArray unreadableStore = "[General]\nmeasurement=2\n[unclosed\nthe user's own line\n";

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private:
    QStringList m_alerts;

private Q_SLOTS:
    // The store is read once per process: the unreadable file is there before anything asks.
    void initTestCase()
    {
        QDir(storeDirectory()).removeRecursively();
        QVERIFY(QDir().mkpath(storeDirectory()));
        QFile file(storeDirectory() + QStringLiteral("/Velotrace.conf"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(unreadableStore) == unreadableStore.size());
        file.close();
        QVERIFY(QFile::copy(file.fileName(), file.fileName() + QStringLiteral(".bad"))); // an earlier one stays
        QCOMPARE(VTCSifterMaxAction, QStringLiteral("sifterMoxAction")); // the stored key keeps this spelling
    }

    void anUnreadableFileIsKeptAndTheDefaultsUsed()
    {
        const QString fileName = defaults().storeFileName();
        QCOMPARE(defaults().integerForKey(VTCMeasurement), 2); // only read: nothing is moved
        QVERIFY(QFile::exists(fileName));

        AppController controller;
        controller.documentController().setAlertPresenter(std::make_unique<RecordingAlertPresenter>(m_alerts));
        controller.awakeFromNib();
        QTRY_COMPARE(m_alerts.size(), 1);
        QCOMPARE(m_alerts.first(),
            "Velotrace could not read its settings.|The settings file \u201c" + fileName
                + "\u201d could not be understood. It was kept as \u201c" + fileName
                + ".bad.2\u201d, and the default settings are used.");
        QFile kept(fileName + QStringLiteral(".bad.2"));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), unreadableStore);
        QCOMPARE(defaults().integerForKey(VTCMeasurement), 1);

        // Stored now, the file is one the parser reads back.
        defaults().setObjectForKey(0, VTCMeasurement);
        defaults().synchronize();
        QCOMPARE(QSettings(fileName, QSettings::IniFormat).value(VTCMeasurement).toInt(), 0);
        defaults().removeObjectForKey(VTCMeasurement);
        QTest::qWait(50);
        QCOMPARE(m_alerts.size(), 1);
    }

    // Keys spelled out: a renamed constant would lose the users' stored settings.
    void firstRunValues_data()
    {
        addColumns<QString, QVariant>("key", "expected");
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

    // A directory in the file's place cannot be written over, even by the superuser.
    void aFailedSaveIsToldOnce()
    {
        m_alerts.clear();
        AppController controller;
        controller.documentController().setAlertPresenter(std::make_unique<RecordingAlertPresenter>(m_alerts));
        const QString fileName = defaults().storeFileName();
        QVERIFY(QFile::remove(fileName));
        QVERIFY(QDir().mkpath(fileName + QStringLiteral("/blocked")));
        defaults().setObjectForKey(2, VTCMeasurement);
        QTRY_COMPARE(m_alerts.size(), 1);
        QCOMPARE(m_alerts.first(),
            "Velotrace cannot save its settings.|The file \u201c" + fileName
                + "\u201d could not be written. Changes to the preferences and the recent files will be lost when "
                  "Velotrace quits.");
        defaults().setObjectForKey(0, VTCMeasurement);
        defaults().synchronize();
        QTest::qWait(50);
        QCOMPARE(m_alerts.size(), 1);
        QCOMPARE(defaults().integerForKey(VTCMeasurement), 0); // kept for the rest of the run
        defaults().removeObjectForKey(VTCMeasurement);
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
