#include "SifterTestSupport.h"

#include "MyDocument.h"
#include "SifterDirectoryMonitor.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

constexpr int timeout = 15000;

QStringList visibleNames(const SifterStatusController &controller)
{
    QStringList names;
    for (const SifterFileEntry *entry : controller.fileAndAttributeArray())
        names.append(entry->fileName());
    names.sort();
    return names;
}

// Runs `during` from inside the alert, as a modal alert's own event loop
// would let other work run, then answers it.
class NestedLoopAlertPresenter final : public AlertPresenter
{
public:
    explicit NestedLoopAlertPresenter(std::function<void()> during) : m_during(std::move(during)) {}
    void showWarning(QWidget *, const QString &, const QString &) override
    {
        ++shown;
        m_during();
    }
    int shown = 0;

private:
    std::function<void()> m_during;
};

} // namespace

class TestSifterStatusController : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listsAtCreationAndOpensNothing()
    {
        SifterFixture fixture;
        QVERIFY(fixture.write("cachegrind.out.1"));
        QVERIFY(fixture.write("notes.txt"));
        fixture.makeController();
        QCOMPARE(fixture.controller->entryCount(), 2);
        QVERIFY(!fixture.controller->sifterIsRunning());
        QCOMPARE(fixture.status("cachegrind.out.1"), SifterStatusReadyToOpen);
        QCOMPARE(fixture.status("notes.txt"), SifterStatusNotMatching);

        // Files present before the watcher looked are never opened.
        fixture.controller->start();
        QVERIFY(fixture.letListingsPass());
        QVERIFY(fixture.registry.documents().isEmpty());
        QCOMPARE(fixture.status("cachegrind.out.1"), SifterStatusReadyToOpen);
    }

    void newMatchingFileWhileRunningOpensOnce()
    {
        SifterFixture fixture;
        fixture.makeController();
        QSignalSpy added(&fixture.registry, &DocumentController::documentAdded);
        fixture.controller->start();
        fixture.controller->start();
        QVERIFY(fixture.write("cachegrind.out.42"));
        QVERIFY(fixture.write("other.txt"));
        QTRY_COMPARE_WITH_TIMEOUT(added.size(), 1, timeout);
        QCOMPARE(fixture.status("cachegrind.out.42"), SifterStatusOpen);
        QCOMPARE(fixture.entry("cachegrind.out.42")->document(),
                 fixture.registry.documentForURL(QUrl::fromLocalFile(fixture.path("cachegrind.out.42"))));
        QVERIFY(fixture.letListingsPass());
        QCOMPARE(added.size(), 1);
        QVERIFY(fixture.alerts.isEmpty());
    }

    void newFileWhileStoppedIsNotOpenedByStart()
    {
        SifterFixture fixture;
        fixture.makeController();
        QVERIFY(fixture.write("cachegrind.out.1"));
        QTRY_COMPARE_WITH_TIMEOUT(fixture.status("cachegrind.out.1"), SifterStatusReadyToOpen, timeout);
        fixture.controller->start();
        QVERIFY(fixture.letListingsPass());
        QVERIFY(fixture.registry.documents().isEmpty());
    }

    void stopWhileSettlingOpensNothing()
    {
        SifterFixture fixture;
        fixture.makeController();
        fixture.controller->start();
        QVERIFY(fixture.write("cachegrind.out.1"));
        QTRY_VERIFY_WITH_TIMEOUT(fixture.entry("cachegrind.out.1"), timeout);
        fixture.controller->stop();
        fixture.controller->start();
        QVERIFY(fixture.letListingsPass());
        QVERIFY(fixture.registry.documents().isEmpty());
    }

    void alreadyOpenFileIsListedOpen()
    {
        SifterFixture fixture;
        fixture.makeController();
        QSignalSpy added(&fixture.registry, &DocumentController::documentAdded);
        fixture.controller->start();
        QVERIFY(fixture.write("cachegrind.out.1"));
        QVERIFY(fixture.registry.openDocumentWithContentsOfURL(QUrl::fromLocalFile(fixture.path("cachegrind.out.1")),
                                                               true));
        QTRY_COMPARE_WITH_TIMEOUT(fixture.status("cachegrind.out.1"), SifterStatusOpen, timeout);
        QVERIFY(fixture.letListingsPass());
        QCOMPARE(added.size(), 1);
    }

    void growingFileOpensOnceSettled()
    {
        SifterFixture fixture;
        fixture.makeController();
        QSignalSpy added(&fixture.registry, &DocumentController::documentAdded);
        fixture.controller->start();
        const QString name = QStringLiteral("cachegrind.out.growing");
        const qsizetype piece = smallProfile.size() / 12 + 1;
        QVERIFY(fixture.write(name, smallProfile.left(piece)));

        // The profiler goes on writing for about three seconds.
        qsizetype written = piece;
        int openedWhileGrowing = 0;
        QTimer writer;
        writer.setInterval(250);
        connect(&writer, &QTimer::timeout, this, [&] {
            openedWhileGrowing += int(added.size());
            if (written >= smallProfile.size()) {
                writer.stop();
                return;
            }
            QVERIFY(writeFile(fixture.path(name), smallProfile.mid(written, piece), QIODevice::Append));
            written += piece;
        });
        writer.start();
        QTRY_VERIFY_WITH_TIMEOUT(!writer.isActive(), timeout);
        QCOMPARE(openedWhileGrowing, 0);
        QCOMPARE(fixture.status(name), SifterStatusReadyToOpen);
        QTRY_COMPARE_WITH_TIMEOUT(added.size(), 1, timeout);
        // The whole profile was read, not a truncated one.
        QCOMPARE(fixture.entry(name)->document()->rootFunction()->children().size(), 1u);
        QCOMPARE(fixture.status(name), SifterStatusOpen);
    }

    void deleteAndRename()
    {
        SifterFixture fixture;
        QVERIFY(fixture.write("cachegrind.out.1"));
        QVERIFY(fixture.write("cachegrind.out.2"));
        fixture.makeController();
        fixture.controller->start();
        QSignalSpy added(&fixture.registry, &DocumentController::documentAdded);

        QVERIFY(QFile::remove(fixture.path("cachegrind.out.1")));
        QTRY_VERIFY_WITH_TIMEOUT(!fixture.entry("cachegrind.out.1"), timeout);
        QCOMPARE(fixture.controller->entryCount(), 1);

        // A new name is a new file: opened, since the watcher runs.
        QVERIFY(QFile::rename(fixture.path("cachegrind.out.2"), fixture.path("cachegrind.out.3")));
        QTRY_COMPARE_WITH_TIMEOUT(added.size(), 1, timeout);
        QVERIFY(!fixture.entry("cachegrind.out.2"));
        QCOMPARE(fixture.status("cachegrind.out.3"), SifterStatusOpen);
        QCOMPARE(visibleNames(*fixture.controller), QStringList{"cachegrind.out.3"});
    }

    void deleteAndRecreateWithinOneBatch()
    {
        SifterFixture fixture;
        QVERIFY(fixture.write("cachegrind.out.1", "short"));
        fixture.makeController();
        fixture.controller->start();
        QVERIFY(QFile::remove(fixture.path("cachegrind.out.1")));
        QVERIFY(fixture.write("cachegrind.out.1"));
        QVERIFY(fixture.letListingsPass());
        // The same entry: not read again, not opened.
        QCOMPARE(fixture.entry("cachegrind.out.1")->fileSize(), 5);
        QVERIFY(fixture.registry.documents().isEmpty());
    }

    void deleteAndRecreateInSeparateBatches()
    {
        SifterFixture fixture;
        QVERIFY(fixture.write("cachegrind.out.1", "short"));
        fixture.makeController();
        fixture.controller->start();
        QSignalSpy added(&fixture.registry, &DocumentController::documentAdded);

        QVERIFY(QFile::remove(fixture.path("cachegrind.out.1")));
        QTRY_VERIFY_WITH_TIMEOUT(!fixture.entry("cachegrind.out.1"), timeout);
        QVERIFY(fixture.write("cachegrind.out.1"));
        QTRY_COMPARE_WITH_TIMEOUT(added.size(), 1, timeout);
        QCOMPARE(fixture.entry("cachegrind.out.1")->fileSize(), smallProfile.size());

        // Again, with its document still open: listed as open, not reopened.
        QVERIFY(QFile::remove(fixture.path("cachegrind.out.1")));
        QTRY_VERIFY_WITH_TIMEOUT(!fixture.entry("cachegrind.out.1"), timeout);
        QVERIFY(fixture.write("cachegrind.out.1"));
        QTRY_VERIFY_WITH_TIMEOUT(fixture.entry("cachegrind.out.1"), timeout);
        QCOMPARE(fixture.status("cachegrind.out.1"), SifterStatusOpen);
        QVERIFY(fixture.letListingsPass());
        QCOMPARE(added.size(), 1);
    }

    void patternChangeOpensNothing()
    {
        SifterFixture fixture;
        QVERIFY(fixture.write("prof.1"));
        QVERIFY(fixture.write("cachegrind.out.1"));
        fixture.makeController();
        fixture.controller->start();
        defaults().setObjectForKey(QStringLiteral("prof\\..*"), VTCSifterRegex);
        QCOMPARE(fixture.status("prof.1"), SifterStatusNotMatching);
        defaults().setObjectForKey(true, VTCSifterRegexUseCustom);
        QCOMPARE(fixture.status("prof.1"), SifterStatusReadyToOpen);
        QCOMPARE(fixture.status("cachegrind.out.1"), SifterStatusNotMatching);
        QVERIFY(fixture.letListingsPass());
        QVERIFY(fixture.registry.documents().isEmpty());

        // A new name settling when the pattern stops matching it is left alone.
        QVERIFY(fixture.write("prof.2"));
        QTRY_VERIFY_WITH_TIMEOUT(fixture.entry("prof.2"), timeout);
        defaults().setObjectForKey(QStringLiteral("("), VTCSifterRegex);
        QCOMPARE(fixture.status("prof.2"), SifterStatusNotMatching);
        QVERIFY(fixture.letListingsPass());
        QVERIFY(fixture.registry.documents().isEmpty());
    }

    void filterSetting_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QStringList>("visible");
        const QStringList all{".hidden", "cachegrind.out.1", "notes.txt"};
        QTest::newRow("all") << 0 << all;
        QTest::newRow("matching only") << 1 << QStringList{"cachegrind.out.1"};
        QTest::newRow("other value shows all") << 2 << all;
    }

    void filterSetting()
    {
        QFETCH(int, filter);
        QFETCH(QStringList, visible);
        SifterFixture fixture;
        for (const char *name : {"cachegrind.out.1", "notes.txt", ".hidden"})
            QVERIFY(fixture.write(name));
        defaults().setObjectForKey(filter, VTCSifterFilter);
        fixture.makeController();
        fixture.controller->buildVisible();
        QCOMPARE(visibleNames(*fixture.controller), visible);
        defaults().removeObjectForKey(VTCSifterFilter);
    }

    void closingDocumentMakesEntryReadyAgain()
    {
        SifterFixture fixture;
        fixture.makeController();
        QSignalSpy added(&fixture.registry, &DocumentController::documentAdded);
        fixture.controller->start();
        QVERIFY(fixture.write("cachegrind.out.1"));
        QTRY_COMPARE_WITH_TIMEOUT(added.size(), 1, timeout);
        fixture.registry.closeDocument(fixture.entry("cachegrind.out.1")->document());
        QTRY_COMPARE_WITH_TIMEOUT(fixture.status("cachegrind.out.1"), SifterStatusReadyToOpen, timeout);
        QVERIFY(!fixture.entry("cachegrind.out.1")->document());
        QVERIFY(fixture.letListingsPass());
        QCOMPARE(added.size(), 1);
    }

    void failedOpenIsShownAndListingGoesOn()
    {
        SifterFixture fixture;
        fixture.makeController();
        fixture.controller->start();
        QVERIFY(QDir(fixture.directory.path()).mkdir("cachegrind.out.dir"));
        QVERIFY(fixture.write("cachegrind.out.gz", QByteArray("\x1f\x8b\x08\x00garbage-not-deflate", 24)));
        QTRY_COMPARE_WITH_TIMEOUT(fixture.status("cachegrind.out.dir"), SifterStatusOpenFailed, timeout);
        QTRY_COMPARE_WITH_TIMEOUT(fixture.status("cachegrind.out.gz"), SifterStatusOpenFailed, timeout);
        QCOMPARE(fixture.alerts.size(), 2);

        QVERIFY(fixture.write("cachegrind.out.good"));
        QTRY_COMPARE_WITH_TIMEOUT(fixture.status("cachegrind.out.good"), SifterStatusOpen, timeout);
        QCOMPARE(fixture.alerts.size(), 2);
        QCOMPARE(fixture.status("cachegrind.out.dir"), SifterStatusOpenFailed);
    }

    void changesDuringAnAlertWaitForIt()
    {
        SifterFixture fixture;
        QTemporaryDir other;
        QVERIFY(writeFile(other.filePath("cachegrind.out.there"), smallProfile));
        fixture.makeController();
        fixture.controller->start();
        bool deliveredDuringAlert = false;
        auto presenter = std::make_unique<NestedLoopAlertPresenter>([&] {
            // A new file, a pattern change and a new directory while the
            // alert is up; the batch for the new file falls due meanwhile.
            QSignalSpy batches(fixture.controller->monitor(), &SifterDirectoryMonitor::batchReady);
            QVERIFY(fixture.write("cachegrind.out.during"));
            defaults().setObjectForKey(QStringLiteral("cachegrind\\.out\\..*"), VTCSifterRegex);
            defaults().setObjectForKey(true, VTCSifterRegexUseCustom);
            deliveredDuringAlert = QTest::qWaitFor([&] { return !batches.isEmpty(); }, timeout);
            // The list is left alone until the alert is answered.
            QVERIFY(!fixture.entry("cachegrind.out.during"));
            QCOMPARE(fixture.status("cachegrind.out.bad"), SifterStatusOpenFailed);
            defaults().setObjectForKey(other.path(), VTCSifterMonitorDirectory);
            QVERIFY(fixture.entry("cachegrind.out.bad"));
        });
        NestedLoopAlertPresenter *alert = presenter.get();
        fixture.registry.setAlertPresenter(std::move(presenter));

        QVERIFY(QDir(fixture.directory.path()).mkdir("cachegrind.out.bad"));
        QTRY_COMPARE_WITH_TIMEOUT(alert->shown, 1, timeout);
        QVERIFY(deliveredDuringAlert);
        // Then the new directory's list, with nothing opened from it.
        QVERIFY(!fixture.entry("cachegrind.out.bad"));
        QVERIFY(!fixture.entry("cachegrind.out.during"));
        QCOMPARE(fixture.status("cachegrind.out.there"), SifterStatusReadyToOpen);
        QCOMPARE(visibleNames(*fixture.controller), QStringList{"cachegrind.out.there"});
        QVERIFY(fixture.registry.documents().isEmpty());
        defaults().removeObjectForKey(VTCSifterRegex);
        defaults().removeObjectForKey(VTCSifterRegexUseCustom);
    }

    void directoryChangedWhileRunning()
    {
        SifterFixture fixture;
        QTemporaryDir other;
        QVERIFY(writeFile(other.filePath("cachegrind.out.old"), smallProfile));
        QVERIFY(fixture.write("cachegrind.out.first"));
        fixture.makeController();
        fixture.controller->start();

        defaults().setObjectForKey(other.path(), VTCSifterMonitorDirectory);
        QCOMPARE(fixture.controller->monitor()->directory(), other.path());
        QVERIFY(!fixture.entry("cachegrind.out.first"));
        QCOMPARE(visibleNames(*fixture.controller), QStringList{"cachegrind.out.old"});
        QCOMPARE(fixture.status("cachegrind.out.old"), SifterStatusReadyToOpen);

        // The old directory is no longer watched; the new one is.
        QVERIFY(fixture.write("cachegrind.out.ignored"));
        QVERIFY(writeFile(other.filePath("cachegrind.out.new"), smallProfile));
        QTRY_COMPARE_WITH_TIMEOUT(fixture.status("cachegrind.out.new"), SifterStatusOpen, timeout);
        QCOMPARE(fixture.registry.documents().size(), 1);
        QVERIFY(!fixture.entry("cachegrind.out.ignored"));
        QCOMPARE(fixture.status("cachegrind.out.old"), SifterStatusReadyToOpen);
    }

    void unusualNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("opened");
        QTest::newRow("spaces") << QStringLiteral("cachegrind.out.with spaces") << true;
        QTest::newRow("non-ASCII") << QStringLiteral("cachegrind.out.\u00e9t\u00e9-\u6f22\u5b57") << true;
        QTest::newRow("hidden") << QStringLiteral(".cachegrind.out.1") << false;
        QTest::newRow("newline") << QStringLiteral("cachegrind.out.a\nb") << false;
    }

    void unusualNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, opened);
        SifterFixture fixture;
        fixture.makeController();
        fixture.controller->start();
        QVERIFY(fixture.write(name));
        QTRY_VERIFY_WITH_TIMEOUT(fixture.entry(name), timeout);
        if (opened)
            QTRY_COMPARE_WITH_TIMEOUT(fixture.status(name), SifterStatusOpen, timeout);
        else
            QVERIFY(fixture.letListingsPass());
        QCOMPARE(fixture.registry.documents().size(), opened ? 1 : 0);
        QVERIFY(fixture.alerts.isEmpty());
    }

    void subdirectories()
    {
        SifterFixture fixture;
        QVERIFY(QDir(fixture.directory.path()).mkdir("sub"));
        fixture.makeController();
        QCOMPARE(fixture.status("sub"), SifterStatusNotMatching);
        QSignalSpy batches(fixture.controller->monitor(), &SifterDirectoryMonitor::batchReady);

        // A change inside a subdirectory causes a listing that changes nothing.
        QVERIFY(writeFile(fixture.path("sub/cachegrind.out.1"), smallProfile));
        QTRY_COMPARE_WITH_TIMEOUT(batches.size(), 1, timeout);
        QCOMPARE(fixture.controller->entryCount(), 1);

        // A subdirectory made later is watched too.
        QVERIFY(QDir(fixture.directory.path()).mkdir("later"));
        QTRY_VERIFY_WITH_TIMEOUT(fixture.entry("later"), timeout);
        const qsizetype before = batches.size();
        QVERIFY(writeFile(fixture.path("later/x"), "x"));
        QTRY_VERIFY_WITH_TIMEOUT(batches.size() > before, timeout);
        QCOMPARE(fixture.controller->entryCount(), 2);
    }

    void burstOpensEveryFile()
    {
        SifterFixture fixture;
        defaults().setObjectForKey(1, VTCSifterMaxFiles);
        fixture.makeController();
        fixture.controller->start();
        QSignalSpy batches(fixture.controller->monitor(), &SifterDirectoryMonitor::batchReady);
        for (int i = 0; i < 3; ++i)
            QVERIFY(fixture.write(QStringLiteral("cachegrind.out.%1").arg(i)));
        QTRY_COMPARE_WITH_TIMEOUT(fixture.registry.documents().size(), 3, timeout);
        // One batch lists them, the next finds them settled.
        QCOMPARE(batches.size(), 2);
        defaults().removeObjectForKey(VTCSifterMaxFiles);
    }

    void missingDirectoryListsEmptyUntilMade()
    {
        SifterFixture fixture;
        const QString missing = fixture.path("not/yet");
        defaults().setObjectForKey(missing, VTCSifterMonitorDirectory);
        fixture.makeController();
        QCOMPARE(fixture.controller->entryCount(), 0);
        fixture.controller->start();
        QVERIFY(QDir().mkpath(missing));
        QVERIFY(writeFile(missing + "/cachegrind.out.1", smallProfile));
        QTRY_COMPARE_WITH_TIMEOUT(fixture.status("cachegrind.out.1"), SifterStatusOpen, timeout);

        defaults().setObjectForKey(QString(), VTCSifterMonitorDirectory);
        QCOMPARE(fixture.controller->entryCount(), 0);
    }
};

QTEST_MAIN(TestSifterStatusController)
#include "tst_sifterstatuscontroller.moc"
