#include "AppController.h"
#include "DocumentController.h"
#include "RecordingAlertPresenter.h"
#include "SettingsKeys.h"
#include "TestDefaults.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTest>

namespace {

QString storeDirectory()
{
    return qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Kestrune");
}

// A stored value the parser reads, then binary junk it would make keys of.
const QByteArray unreadableStore = QByteArray("[General]\nmeasurement=2\n\x89PNG\r\n\x1a\n\0\0\0\rIHDR=\xff\n", 43);

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

    // Spelled out: a renamed constant would lose the users' stored settings.
    void storedKeysKeepTheirSpelling()
    {
        QCOMPARE(
            QStringList({ VTCMeasurement, VTCDisplayDash, VTCCallStackShowsInternalPhpFunctions,
                VTCSummaryShowsInternalPhpFunctions, VTCSifterFilter, VTCSifterStartOnLaunch, VTCSifterMonitorDirectory,
                VTCSifterRegexUseCustom, VTCSifterRegex, VTCSifterMaxLimitOpen, VTCSifterMaxFiles, VTCSifterMaxAction,
                VTCUpdatesCheckAutomatically, VTCOutlineHiddenColumns, VTCCallsHiddenColumns, VTCSummaryHiddenColumns,
                VTCCallersHiddenColumns, VTCPathMappings, VTCEditorCommand }),
            QStringList({ "measurement", "displayDash", "callStackShowsInternalPhpFunctions",
                "summaryShowsInternalPhpFunctions", "sifterFilter", "sifterStartOnLaunch", "sifterMonitorDirectory",
                "sifterRegexUseCustom", "sifterRegex", "sifterMaxLimitOpen", "sifterMaxFiles", "sifterMoxAction",
                "updatesCheckAutomatically", "outlineHiddenColumns", "callsHiddenColumns", "summaryHiddenColumns",
                "callersHiddenColumns", "pathMappings", "editorCommand" }));
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
