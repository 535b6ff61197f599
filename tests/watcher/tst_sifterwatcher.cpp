#include "SifterTestSupport.h"

#include "SifterDirectoryMonitor.h"
#include "SifterTableModel.h"

#include <QAbstractItemModelTester>
#include <QColor>
#include <QDir>
#include <QSignalSpy>
#include <QTimer>

// The watcher without a window: its entries, its listings and what it opens.
class TestSifterWatcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void matching_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("useCustom");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("matched");
        QTest::newRow("default pattern") << "cachegrind.out.1" << false << "x" << true;
        QTest::newRow("whole name must match") << "my.cachegrind.out" << false << "x" << false;
        QTest::newRow("case counts") << "Cachegrind.out.1" << false << "x" << false;
        QTest::newRow("full stop is literal") << "cachegrindXout" << false << "x" << false;
        QTest::newRow("custom pattern replaces default") << "cachegrind.out.1" << true << "p\\..*" << false;
        QTest::newRow("alternation") << "b" << true << "a|b" << true;
        QTest::newRow("alternation anchored as a whole") << "xb" << true << "a|b" << false;
        QTest::newRow("unbalanced group cannot escape anchors") << "xa" << true << "x)|(?:y" << false;
        QTest::newRow("invalid pattern") << "(" << true << "(" << false;
        QTest::newRow("empty pattern") << "name" << true << "" << false;
    }

    void matching()
    {
        QFETCH(QString, name);
        QFETCH(bool, useCustom);
        QFETCH(QString, pattern);
        QFETCH(bool, matched);
        SifterFixture f;
        defaults().setObjectForKey(useCustom, VTCSifterRegexUseCustom);
        defaults().setObjectForKey(pattern, VTCSifterRegex);
        QCOMPARE(
            SifterFileEntry(name, f.documents).status(), matched ? SifterStatusReadyToOpen : SifterStatusNotMatching);
    }

    void attributesReadOnce()
    {
        SifterFixture f;
        const QString name = QStringLiteral("cachegrind.out.1");
        QVERIFY(f.write(name, QByteArray(1536, 'x')));
        const SifterFileEntry entry(name, f.documents);
        QVERIFY(writeFile(f.path(name), "more", QIODevice::Append));
        QCOMPARE(entry.fileSize(), 1536);
        const QFileInfo info(f.path(name));
        const QDateTime created = info.birthTime().isValid() ? info.birthTime() : info.metadataChangeTime();
        QCOMPARE(entry.creationDateTime(), created);
        QCOMPARE(entry.creationDate().left(20), created.toLocalTime().toString("yyyy-MM-dd HH:mm:ss "));

        // The local offset, with its sign and minutes.
        qputenv("TZ", "Asia/Kolkata");
        QCOMPARE(SifterFileEntry(name, f.documents).creationDate().right(6), QStringLiteral(" +0530"));
        qputenv("TZ", "America/St_Johns");
        const QString date = SifterFileEntry(name, f.documents).creationDate();
        qunsetenv("TZ");
        QVERIFY2(date.endsWith(" -0330") || date.endsWith(" -0230"), qPrintable(date));
    }

    // A file gone before it was read; its failed open is remembered and
    // retried on request until it works.
    void vanishedFileAndFailedOpen()
    {
        SifterFixture f;
        const QString name = QStringLiteral("cachegrind.out.gone");
        SifterFileEntry entry(name, f.documents);
        connect(&f.documents, &SifterDocuments::openFinished, this,
            [&entry](const QUrl &, bool opened, const QString &error) { entry.openFinished(opened, error); });
        QCOMPARE(entry.fileSize(), 0);
        QVERIFY(entry.creationDate().isNull());
        entry.openDocument();
        QCOMPARE(entry.status(), SifterStatusOpenFailed);
        QCOMPARE(f.documents.errors, QStringList({ "cannot open " + name }));
        entry.checkFileMatched();
        entry.checkDocument();
        QCOMPARE(entry.status(), SifterStatusOpenFailed);
        entry.showDocument();
        QCOMPARE(f.documents.errors.size(), 2);
        QVERIFY(f.write(name));
        entry.openDocument();
        QCOMPARE(entry.status(), SifterStatusOpen);
        entry.showDocument();
        QCOMPARE(f.documents.broughtForward, QStringList({ name }));
    }

    void changesWhileRunning()
    {
        SifterFixture f;
        for (const char *name : { "cachegrind.out.existing", "cachegrind.out.gone", "cachegrind.out.moved" })
            QVERIFY(f.write(name));
        QVERIFY(f.write("cachegrind.out.redone", "short"));
        f.makeWatcher();
        QSignalSpy running(f.watcher.get(), &SifterWatcher::runningChanged);
        f.watcher->start();
        f.watcher->start();
        QCOMPARE(running.size(), 1);

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
        f.documents.openDocumentWithContentsOfURL(QUrl::fromLocalFile(f.path("cachegrind.out.open")));
        QVERIFY(QDir(f.directory.path()).mkdir("cachegrind.out.dir"));
        QTRY_COMPARE_WITH_TIMEOUT(f.documents.opened.size(), 1 + opened.size(), timeout);

        // A closed document's entry is ready again.
        f.documents.close(f.path("cachegrind.out.new"));
        QCOMPARE(f.status("cachegrind.out.new"), SifterStatusReadyToOpen);
        // Deleted and made again in separate batches: a new file, opened unless
        // its document is still open.
        for (const char *name : { "cachegrind.out.existing", "cachegrind.out.renamed" })
            QVERIFY(QFile::remove(f.path(name)));
        QTRY_VERIFY_WITH_TIMEOUT(!f.entry("cachegrind.out.existing") && !f.entry("cachegrind.out.renamed"), timeout);
        for (const char *name : { "cachegrind.out.existing", "cachegrind.out.renamed" })
            QVERIFY(f.write(name));
        QTRY_COMPARE_WITH_TIMEOUT(f.status("cachegrind.out.existing"), SifterStatusOpen, timeout);
        QVERIFY(f.letListingsPass());
        QCOMPARE(f.documents.opened.size(), 2 + opened.size());

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
        QCOMPARE(f.documents.errors, QStringList({ "cannot open cachegrind.out.dir" }));
    }

    void nothingOpensOnPatternChangeOrWhileStopped()
    {
        SifterFixture f;
        QVERIFY(f.write("cachegrind.out.existing"));
        QVERIFY(f.write("prof.1"));
        f.makeWatcher();
        QCOMPARE(f.status("cachegrind.out.existing"), SifterStatusReadyToOpen);
        QCOMPARE(f.status("prof.1"), SifterStatusNotMatching);

        f.watcher->start();
        defaults().setObjectForKey(QStringLiteral("prof\\..*"), VTCSifterRegex);
        defaults().setObjectForKey(true, VTCSifterRegexUseCustom);
        QCOMPARE(f.status("prof.1"), SifterStatusReadyToOpen);
        QCOMPARE(f.status("cachegrind.out.existing"), SifterStatusNotMatching);
        // A new name settling when the pattern turns invalid is left alone
        // (listed at once, so that no batch can open it first).
        QVERIFY(f.write("prof.2"));
        f.watcher->directoryChangedEvent();
        QCOMPARE(f.status("prof.2"), SifterStatusReadyToOpen);
        defaults().setObjectForKey(QStringLiteral("("), VTCSifterRegex);
        QCOMPARE(f.status("prof.2"), SifterStatusNotMatching);
        QCOMPARE(f.status("prof.1"), SifterStatusNotMatching);
        QVERIFY(f.letListingsPass());

        // Stopped while a new file settles, and a new file while stopped.
        defaults().setObjectForKey(false, VTCSifterRegexUseCustom);
        QVERIFY(f.write("cachegrind.out.settling"));
        f.watcher->directoryChangedEvent();
        QCOMPARE(f.status("cachegrind.out.settling"), SifterStatusReadyToOpen);
        f.watcher->stop();
        QVERIFY(f.write("cachegrind.out.stopped"));
        QTRY_COMPARE_WITH_TIMEOUT(f.status("cachegrind.out.stopped"), SifterStatusReadyToOpen, timeout);
        f.watcher->start();
        QVERIFY(f.letListingsPass());
        QVERIFY(f.documents.opened.isEmpty());
    }

    void growingFileOpensOnceSettled()
    {
        // Pieces come four times as often as batches.
        SifterFixture f(200ms);
        f.makeWatcher();
        f.watcher->start();
        const QString name = QStringLiteral("cachegrind.out.growing");
        const qsizetype piece = smallProfile.size() / 12 + 1;
        qsizetype written = 0;
        QTimer writer;
        connect(&writer, &QTimer::timeout, this, [&] {
            if (!f.documents.opened.isEmpty() || written >= smallProfile.size())
                return writer.stop();
            QVERIFY(writeFile(f.path(name), smallProfile.mid(written, piece), QIODevice::Append));
            written += piece;
        });
        writer.start(50);
        QTRY_VERIFY_WITH_TIMEOUT(!writer.isActive(), timeout);
        QVERIFY(f.documents.opened.isEmpty());
        QCOMPARE(f.status(name), SifterStatusReadyToOpen);
        QTRY_COMPARE_WITH_TIMEOUT(f.status(name), SifterStatusOpen, timeout);
        // The whole profile was read, not a truncated one.
        QCOMPARE(f.documents.contents.value(f.path(name)), smallProfile);
    }

    void directoryChangedWhileRunning()
    {
        SifterFixture f;
        QTemporaryDir other;
        QVERIFY(writeFile(other.filePath("cachegrind.out.old"), smallProfile));
        QVERIFY(f.write("cachegrind.out.first"));
        f.makeWatcher();
        f.watcher->start();
        defaults().setObjectForKey(other.path(), VTCSifterMonitorDirectory);
        QCOMPARE(f.watcher->entryCount(), 1);
        QCOMPARE(f.status("cachegrind.out.old"), SifterStatusReadyToOpen);

        // The old directory is no longer watched; the new one is.
        QVERIFY(f.write("cachegrind.out.ignored"));
        QVERIFY(writeFile(other.filePath("cachegrind.out.new"), smallProfile));
        QTRY_COMPARE_WITH_TIMEOUT(f.status("cachegrind.out.new"), SifterStatusOpen, timeout);
        QVERIFY(!f.entry("cachegrind.out.ignored"));

        // Deleted, it lists as empty; made again, it is watched again.
        QVERIFY(QDir(other.path()).removeRecursively());
        QTRY_COMPARE_WITH_TIMEOUT(f.watcher->entryCount(), 0, timeout);
        QVERIFY(QDir().mkdir(other.path()));
        QVERIFY(writeFile(other.filePath("cachegrind.out.again"), smallProfile));
        QTRY_COMPARE_WITH_TIMEOUT(f.status("cachegrind.out.again"), SifterStatusOpen, timeout);
        QCOMPARE(f.documents.opened, QStringList({ "cachegrind.out.new", "cachegrind.out.again" }));

        defaults().setObjectForKey(QString(), VTCSifterMonitorDirectory);
        QCOMPARE(f.watcher->entryCount(), 0);
    }

    // Changes wait while a document the watcher opens is read, and while its failure is shown.
    void changesWaitForTheOpen_data()
    {
        QTest::addColumn<bool>("whileReading");
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("statusMeanwhile");
        QTest::addColumn<QStringList>("opened");
        QTest::newRow("while it is read") << true << "cachegrind.out.slow" << qint64(SifterStatusReadyToOpen)
                                          << QStringList({ "cachegrind.out.slow" });
        QTest::newRow("during the alert")
            << false << "cachegrind.out.bad" << qint64(SifterStatusOpenFailed) << QStringList();
    }

    void changesWaitForTheOpen()
    {
        QFETCH(bool, whileReading);
        QFETCH(QString, name);
        QFETCH(qint64, statusMeanwhile);
        SifterFixture f;
        QTemporaryDir other;
        QVERIFY(writeFile(other.filePath("cachegrind.out.there"), smallProfile));
        f.makeWatcher();
        f.watcher->start();
        bool delivered = false;
        (whileReading ? f.documents.whileReading : f.documents.during) = [&] {
            // A new file, a pattern change and a new directory meanwhile.
            QSignalSpy batches(f.watcher->monitor(), &SifterDirectoryMonitor::batchReady);
            QVERIFY(f.write("cachegrind.out.during"));
            defaults().setObjectForKey(true, VTCSifterRegexUseCustom);
            delivered = QTest::qWaitFor([&] { return !batches.isEmpty(); }, timeout);
            QVERIFY(!f.entry("cachegrind.out.during"));
            QCOMPARE(f.status(name), SifterEntryStatus(statusMeanwhile));
            QVERIFY(f.watcher->isOpening());
            defaults().setObjectForKey(other.path(), VTCSifterMonitorDirectory);
            QVERIFY(f.entry(name));
        };
        if (whileReading)
            QVERIFY(f.write(name));
        else
            QVERIFY(QDir(f.directory.path()).mkdir(name));
        QTRY_VERIFY_WITH_TIMEOUT(delivered && !f.watcher->isOpening(), timeout);
        // Then the new directory's list, with nothing opened from it.
        QCOMPARE(f.watcher->entryCount(), 1);
        QCOMPARE(f.status("cachegrind.out.there"), SifterStatusReadyToOpen);
        QTEST(f.documents.opened, "opened");
        QCOMPARE(f.documents.errors.size(), whileReading ? 0 : 1);
    }

    // The file list: cells, colours and the filter; sorted by each column's
    // value, ties by name in the same direction.
    void fileListModel()
    {
        SifterFixture f;
        // Made in this order, each once the clock has moved past the one before.
        for (const auto &[name, size] :
            { std::pair { "cachegrind.out.20", 300 }, std::pair { "notes.txt", 1536 }, std::pair { "b.txt", 40 },
                std::pair { "cachegrind.out.100", 40 }, std::pair { "cachegrind.out.bad", 1000 } }) {
            QVERIFY(f.write(QLatin1String(name), QByteArray(size, 'x')));
            const QFileInfo info(f.path(QLatin1String(name)));
            const QDateTime made = info.birthTime().isValid() ? info.birthTime() : info.metadataChangeTime();
            QTRY_VERIFY(QDateTime::currentDateTime() > made.addMSecs(20));
        }
        f.documents.unreadable = QStringList({ "cachegrind.out.bad" });
        f.makeWatcher();
        SifterTableModel &model = f.watcher->tableModel();
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const auto column = [&](int column, int role = Qt::DisplayRole) {
            QStringList cells;
            for (int row = 0; row < model.rowCount(); ++row) {
                const QVariant value = model.index(row, column).data(role);
                cells.append(role == Qt::ForegroundRole ? value.value<QColor>().name() : value.toString());
            }
            return cells;
        };
        f.watcher->buildVisible();
        QCOMPARE(column(SifterTableModel::NameColumn),
            QStringList({ "b.txt", "cachegrind.out.100", "cachegrind.out.20", "cachegrind.out.bad", "notes.txt" }));
        QCOMPARE(column(SifterTableModel::SizeColumn), QStringList({ "40", "40", "300", "1000", "1.5 KB" }));
        QCOMPARE(column(SifterTableModel::CreationDateColumn).first(), f.entry("b.txt")->creationDate());
        f.watcher->showDocuments({ f.entry("cachegrind.out.bad") });
        QCOMPARE(column(SifterTableModel::StatusColumn),
            QStringList({ "", "Ready to open", "Ready to open", "Error opening file", "" }));
        const QString gray = QColor::fromRgbF(0.5, 0.5, 0.5).name();
        QCOMPARE(column(SifterTableModel::StatusColumn, Qt::ForegroundRole),
            QStringList({ gray, "#000000", "#000000", "#ff0000", gray }));

        model.sort(SifterTableModel::SizeColumn, Qt::DescendingOrder);
        QCOMPARE(column(SifterTableModel::NameColumn),
            QStringList({ "notes.txt", "cachegrind.out.bad", "cachegrind.out.20", "cachegrind.out.100", "b.txt" }));
        model.sort(SifterTableModel::CreationDateColumn, Qt::AscendingOrder);
        QCOMPARE(column(SifterTableModel::NameColumn),
            QStringList({ "cachegrind.out.20", "notes.txt", "b.txt", "cachegrind.out.100", "cachegrind.out.bad" }));
        model.sort(SifterTableModel::StatusColumn, Qt::AscendingOrder);
        QCOMPARE(column(SifterTableModel::NameColumn),
            QStringList({ "cachegrind.out.100", "cachegrind.out.20", "b.txt", "notes.txt", "cachegrind.out.bad" }));

        // Only matching names, in the same order; any other filter shows all.
        defaults().setObjectForKey(1, VTCSifterFilter);
        f.watcher->buildVisible();
        QCOMPARE(column(SifterTableModel::NameColumn),
            QStringList({ "cachegrind.out.100", "cachegrind.out.20", "cachegrind.out.bad" }));
        defaults().setObjectForKey(2, VTCSifterFilter);
        f.watcher->buildVisible();
        QCOMPARE(model.rowCount(), 5);
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
        SifterDirectoryMonitor monitor(path, 20ms);
        QSignalSpy batches(&monitor, &SifterDirectoryMonitor::batchReady);
        QVERIFY(!existed || QDir().rename(path, root.filePath("a/old")));
        QVERIFY(QDir().mkpath(path));
        QTRY_COMPARE_WITH_TIMEOUT(batches.size(), 1, timeout);
        QVERIFY(writeFile(path + "/file", "x"));
        QTRY_COMPARE_WITH_TIMEOUT(batches.size(), 2, timeout);
    }
};

QTEST_GUILESS_MAIN(TestSifterWatcher)
#include "tst_sifterwatcher.moc"
