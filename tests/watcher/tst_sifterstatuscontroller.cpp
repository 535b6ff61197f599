#include "SifterTestSupport.h"

#include "MyDocument.h"
#include "SifterDirectoryMonitor.h"

#include <QDir>
#include <QSignalSpy>
#include <QTimer>

class TestSifterStatusController : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void changesWhileRunning()
    {
        SifterFixture f;
        for (const char *name : { "cachegrind.out.existing", "cachegrind.out.gone", "cachegrind.out.moved" })
            QVERIFY(f.write(name));
        QVERIFY(f.write("cachegrind.out.redone", "short"));
        f.makeController();
        QSignalSpy added(&f.registry, &DocumentController::documentAdded);
        f.controller->start();
        f.controller->start();

        // All within one batch.
        QVERIFY(QFile::remove(f.path("cachegrind.out.gone")));
        QVERIFY(QFile::rename(f.path("cachegrind.out.moved"), f.path("cachegrind.out.renamed")));
        QVERIFY(QFile::remove(f.path("cachegrind.out.redone")));
        QVERIFY(f.write("cachegrind.out.redone"));
        const QStringList opened { "cachegrind.out.new", "cachegrind.out.renamed", "cachegrind.out.with spaces",
            QStringLiteral("cachegrind.out.\u00e9t\u00e9-\u6f22\u5b57") };
        const QStringList ignored { "other.txt", ".cachegrind.out.hidden", "cachegrind.out.a\nb" };
        for (const QString &name : opened + ignored)
            QVERIFY(f.write(name));
        QVERIFY(f.write("cachegrind.out.open"));
        QVERIFY(f.registry.openDocumentWithContentsOfURL(QUrl::fromLocalFile(f.path("cachegrind.out.open")), true));
        QVERIFY(QDir(f.directory.path()).mkdir("cachegrind.out.dir"));
        QVERIFY(f.write("cachegrind.out.gz", QByteArray("\x1f\x8b\x08\x00garbage-not-deflate", 24)));
        QTRY_COMPARE_WITH_TIMEOUT(added.size(), 1 + opened.size(), timeout);

        // A closed document's entry is ready again.
        f.registry.closeDocument(f.entry("cachegrind.out.new")->document());
        QTRY_COMPARE_WITH_TIMEOUT(f.status("cachegrind.out.new"), SifterStatusReadyToOpen, timeout);
        // Deleted and made again in separate batches: a new file, opened unless
        // its document is still open.
        for (const char *name : { "cachegrind.out.existing", "cachegrind.out.renamed" })
            QVERIFY(QFile::remove(f.path(name)));
        QTRY_VERIFY_WITH_TIMEOUT(!f.entry("cachegrind.out.existing") && !f.entry("cachegrind.out.renamed"), timeout);
        for (const char *name : { "cachegrind.out.existing", "cachegrind.out.renamed" })
            QVERIFY(f.write(name));
        QTRY_COMPARE_WITH_TIMEOUT(f.status("cachegrind.out.existing"), SifterStatusOpen, timeout);
        QVERIFY(f.letListingsPass());
        QCOMPARE(added.size(), 2 + opened.size());

        for (const QString &name : opened.mid(1) + QStringList { "cachegrind.out.open" })
            QVERIFY2(f.status(name) == SifterStatusOpen, qPrintable(name));
        QCOMPARE(f.status("cachegrind.out.new"), SifterStatusReadyToOpen);
        for (const QString &name : ignored)
            QVERIFY2(f.status(name) == SifterStatusNotMatching, qPrintable(name));
        QVERIFY(!f.entry("cachegrind.out.gone") && !f.entry("cachegrind.out.moved"));
        // Deleted and made again within one batch: the same entry, not read again.
        QCOMPARE(f.status("cachegrind.out.redone"), SifterStatusReadyToOpen);
        QCOMPARE(f.entry("cachegrind.out.redone")->fileSize(), 5);
        QCOMPARE(f.status("cachegrind.out.dir"), SifterStatusOpenFailed);
        QCOMPARE(f.status("cachegrind.out.gz"), SifterStatusOpenFailed);
        QCOMPARE(f.alerts->messages.size(), 2);
    }

    void nothingOpensOnPatternChangeOrWhileStopped()
    {
        SifterFixture f;
        QVERIFY(f.write("cachegrind.out.existing"));
        QVERIFY(f.write("prof.1"));
        f.makeController();
        QCOMPARE(f.status("cachegrind.out.existing"), SifterStatusReadyToOpen);
        QCOMPARE(f.status("prof.1"), SifterStatusNotMatching);

        f.controller->start();
        defaults().setObjectForKey(QStringLiteral("prof\\..*"), VTCSifterRegex);
        defaults().setObjectForKey(true, VTCSifterRegexUseCustom);
        QCOMPARE(f.status("prof.1"), SifterStatusReadyToOpen);
        QCOMPARE(f.status("cachegrind.out.existing"), SifterStatusNotMatching);
        // A new name settling when the pattern turns invalid is left alone.
        QVERIFY(f.write("prof.2"));
        QTRY_VERIFY_WITH_TIMEOUT(f.entry("prof.2"), timeout);
        defaults().setObjectForKey(QStringLiteral("("), VTCSifterRegex);
        QCOMPARE(f.status("prof.2"), SifterStatusNotMatching);
        QCOMPARE(f.status("prof.1"), SifterStatusNotMatching);
        QVERIFY(f.letListingsPass());

        // Stopped while a new file settles, and a new file while stopped.
        defaults().setObjectForKey(false, VTCSifterRegexUseCustom);
        QVERIFY(f.write("cachegrind.out.settling"));
        QTRY_VERIFY_WITH_TIMEOUT(f.entry("cachegrind.out.settling"), timeout);
        f.controller->stop();
        QVERIFY(f.write("cachegrind.out.stopped"));
        QTRY_COMPARE_WITH_TIMEOUT(f.status("cachegrind.out.stopped"), SifterStatusReadyToOpen, timeout);
        f.controller->start();
        QVERIFY(f.letListingsPass());
        QVERIFY(f.registry.documents().isEmpty());
    }

    void growingFileOpensOnceSettled()
    {
        SifterFixture f;
        f.makeController();
        QSignalSpy added(&f.registry, &DocumentController::documentAdded);
        f.controller->start();
        const QString name = QStringLiteral("cachegrind.out.growing");
        const qsizetype piece = smallProfile.size() / 12 + 1;
        qsizetype written = 0;
        // The profiler goes on writing for about three seconds.
        QTimer writer;
        connect(&writer, &QTimer::timeout, this, [&] {
            if (!added.isEmpty() || written >= smallProfile.size())
                return writer.stop();
            QVERIFY(writeFile(f.path(name), smallProfile.mid(written, piece), QIODevice::Append));
            written += piece;
        });
        writer.start(250);
        QTRY_VERIFY_WITH_TIMEOUT(!writer.isActive(), timeout);
        QVERIFY(added.isEmpty());
        QCOMPARE(f.status(name), SifterStatusReadyToOpen);
        QTRY_COMPARE_WITH_TIMEOUT(f.status(name), SifterStatusOpen, timeout);
        // The whole profile was read, not a truncated one.
        QCOMPARE(f.entry(name)->document()->rootFunction()->childCount(), 1);
    }

    void directoryChangedWhileRunning()
    {
        SifterFixture f;
        QTemporaryDir other;
        QVERIFY(writeFile(other.filePath("cachegrind.out.old"), smallProfile));
        QVERIFY(f.write("cachegrind.out.first"));
        f.makeController();
        f.controller->start();
        defaults().setObjectForKey(other.path(), VTCSifterMonitorDirectory);
        QCOMPARE(f.controller->entryCount(), 1);
        QCOMPARE(f.status("cachegrind.out.old"), SifterStatusReadyToOpen);

        // The old directory is no longer watched; the new one is.
        QVERIFY(f.write("cachegrind.out.ignored"));
        QVERIFY(writeFile(other.filePath("cachegrind.out.new"), smallProfile));
        QTRY_COMPARE_WITH_TIMEOUT(f.status("cachegrind.out.new"), SifterStatusOpen, timeout);
        QVERIFY(!f.entry("cachegrind.out.ignored"));

        // Deleted, it lists as empty; made again, it is watched again.
        QVERIFY(QDir(other.path()).removeRecursively());
        QTRY_COMPARE_WITH_TIMEOUT(f.controller->entryCount(), 0, timeout);
        QVERIFY(QDir().mkdir(other.path()));
        QVERIFY(writeFile(other.filePath("cachegrind.out.again"), smallProfile));
        QTRY_COMPARE_WITH_TIMEOUT(f.status("cachegrind.out.again"), SifterStatusOpen, timeout);
        QCOMPARE(f.registry.documents().size(), 2);

        defaults().setObjectForKey(QString(), VTCSifterMonitorDirectory);
        QCOMPARE(f.controller->entryCount(), 0);
    }

    void changesDuringAnAlertWaitForIt()
    {
        SifterFixture f;
        QTemporaryDir other;
        QVERIFY(writeFile(other.filePath("cachegrind.out.there"), smallProfile));
        f.makeController();
        f.controller->start();
        bool delivered = false;
        f.alerts->during = [&] {
            // A new file, a pattern change and a new directory while the alert is up.
            QSignalSpy batches(f.controller->monitor(), &SifterDirectoryMonitor::batchReady);
            QVERIFY(f.write("cachegrind.out.during"));
            defaults().setObjectForKey(true, VTCSifterRegexUseCustom);
            delivered = QTest::qWaitFor([&] { return !batches.isEmpty(); }, timeout);
            QVERIFY(!f.entry("cachegrind.out.during"));
            QCOMPARE(f.status("cachegrind.out.bad"), SifterStatusOpenFailed);
            defaults().setObjectForKey(other.path(), VTCSifterMonitorDirectory);
            QVERIFY(f.entry("cachegrind.out.bad"));
        };
        QVERIFY(QDir(f.directory.path()).mkdir("cachegrind.out.bad"));
        QTRY_COMPARE_WITH_TIMEOUT(f.alerts->messages.size(), 1, timeout);
        QVERIFY(delivered);
        // Then the new directory's list, with nothing opened from it.
        QCOMPARE(f.controller->entryCount(), 1);
        QCOMPARE(f.status("cachegrind.out.there"), SifterStatusReadyToOpen);
        QVERIFY(f.registry.documents().isEmpty());
    }

    // The monitor follows the directory at its path: one renamed away and
    // replaced, or missing until made with its parent.
    void watchedDirectoryReplacedOrMadeLate_data()
    {
        QTest::addColumn<bool>("existed");
        QTest::newRow("replaced") << true;
        QTest::newRow("made late") << false;
    }

    void watchedDirectoryReplacedOrMadeLate()
    {
        QFETCH(bool, existed);
        QTemporaryDir root;
        const QString path = root.filePath("a/watched");
        QVERIFY(!existed || QDir().mkpath(path));
        SifterDirectoryMonitor monitor(path);
        QSignalSpy batches(&monitor, &SifterDirectoryMonitor::batchReady);
        QVERIFY(!existed || QDir().rename(path, root.filePath("a/old")));
        QVERIFY(QDir().mkpath(path));
        QTRY_COMPARE_WITH_TIMEOUT(batches.size(), 1, timeout);
        QVERIFY(writeFile(path + "/file", "x"));
        QTRY_COMPARE_WITH_TIMEOUT(batches.size(), 2, timeout);
    }
};

QTEST_MAIN(TestSifterStatusController)
#include "tst_sifterstatuscontroller.moc"
