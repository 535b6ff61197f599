#include "DataColumns.h"
#include "SifterTestSupport.h"

#include "SifterDirectoryMonitor.h"
#include "SifterTableModel.h"

#include <sys/stat.h>

#include <QAbstractItemModelTester>
#include <QColor>
#include <QDir>
#include <QProcess>
#include <QSignalSpy>

namespace {

QByteArray gzip(const QByteArray &plain)
{
    QProcess gzip;
    gzip.start(QStringLiteral("gzip"), { QStringLiteral("-c") });
    gzip.write(plain);
    gzip.closeWriteChannel();
    return gzip.waitForFinished() ? gzip.readAllStandardOutput() : QByteArray();
}

} // namespace

class TestSifterWatcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Size and creation date as first seen, the date with the local offset;
    // none for a name gone before it was read.
    void attributesReadOnce()
    {
        SifterFixture f;
        QVERIFY(f.write("x", QByteArray(1536, 'x')));
        const SifterFileEntry entry("x", f.documents, {});
        QVERIFY(writeFile(f.path("x"), "more", QIODevice::Append));
        QCOMPARE(entry.fileSize(), 1536);
        const QFileInfo info(f.path("x"));
        const QDateTime created = info.birthTime().isValid() ? info.birthTime() : info.metadataChangeTime();
        QCOMPARE(entry.creationDate().left(20), created.toLocalTime().toString("yyyy-MM-dd HH:mm:ss "));
        qputenv("TZ", "Asia/Kolkata");
        QCOMPARE(SifterFileEntry("x", f.documents, {}).creationDate().right(6), QStringLiteral(" +0530"));
        qputenv("TZ", "America/St_Johns");
        const QString date = SifterFileEntry("x", f.documents, {}).creationDate();
        qunsetenv("TZ");
        QVERIFY2(date.endsWith(" -0330") || date.endsWith(" -0230"), qPrintable(date));
        const SifterFileEntry gone("gone", f.documents, {});
        QVERIFY(gone.fileSize() == 0 && gone.creationDate().isNull());
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

        QVERIFY(QFile::remove(f.path("cachegrind.out.gone")));
        QVERIFY(QFile::rename(f.path("cachegrind.out.moved"), f.path("cachegrind.out.renamed")));
        QVERIFY(QFile::remove(f.path("cachegrind.out.redone")));
        QVERIFY(f.write("cachegrind.out.redone"));
        const QStringList opened { "cachegrind.out.new", "cachegrind.out.renamed", "cachegrind.out.with spaces",
            QStringLiteral("cachegrind.out.\u00e9t\u00e9-\u6f22\u5b57") };
        const QStringList ignored { "other.txt", ".cachegrind.out.hidden", "cachegrind.out.a\nb", "Cachegrind.out.1",
            "cachegrindXout" };
        for (const QString &name : opened + ignored)
            QVERIFY(f.write(name));
        // Named like profiles but not regular files: never opened nor read.
        const QStringList special { "cachegrind.out.pipe", "cachegrind.out.dir", "cachegrind.out.device" };
        QCOMPARE(::mkfifo(QFile::encodeName(f.path(special[0])).constData(), 0600), 0);
        QVERIFY(QDir().mkdir(f.path(special[1])) && QFile::link("/dev/null", f.path(special[2])));
        QVERIFY(f.write("cachegrind.out.open"));
        f.documents.openDocumentWithContentsOfURL(QUrl::fromLocalFile(f.path("cachegrind.out.open")));
        QTRY_COMPARE_WITH_TIMEOUT(f.documents.opened.size(), 1 + opened.size(), timeout);

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
        for (const QString &name : special)
            QVERIFY2(f.status(name) == SifterStatusNotAProfile, qPrintable(name));
        f.watcher->showDocuments({ f.entry(special[0]) });
        QVERIFY(f.documents.errors.isEmpty());
        const SifterTableModel &model = f.watcher->tableModel();
        const QModelIndex pipe
            = model.match(model.index(0, 0), Qt::DisplayRole, special[0]).value(0).siblingAtColumn(model.StatusColumn);
        QCOMPARE(pipe.data().toString(), QStringLiteral("Not a profile"));
        QCOMPARE(pipe.data(Qt::ForegroundRole).value<QColor>(), QColor::fromRgbF(0.5, 0.5, 0.5));
    }

    void nothingOpensOnPatternChangeOrWhileStopped()
    {
        SifterFixture f;
        QVERIFY(f.write("cachegrind.out.existing"));
        QVERIFY(f.write("prof.1"));
        f.makeWatcher();
        f.watcher->start();
        defaults().setObjectForKey(QStringLiteral("prof\\..*"), VTCSifterRegex);
        defaults().setObjectForKey(true, VTCSifterRegexUseCustom);
        QCOMPARE(f.status("prof.1"), SifterStatusReadyToOpen);
        QCOMPARE(f.status("cachegrind.out.existing"), SifterStatusNotMatching);
        // A new name still written when the pattern turns invalid is left
        // alone (listed at once, so that no batch can open it first).
        QVERIFY(f.write("prof.2", "events: Time\n"));
        f.watcher->directoryChangedEvent();
        QCOMPARE(f.status("prof.2"), SifterStatusWriting);
        defaults().setObjectForKey(QStringLiteral("("), VTCSifterRegex);
        QCOMPARE(f.status("prof.2"), SifterStatusNotMatching);
        QCOMPARE(f.status("prof.1"), SifterStatusNotMatching);
        QVERIFY(f.letListingsPass());

        // Stopped while a new file is written, and a new file while stopped.
        defaults().setObjectForKey(false, VTCSifterRegexUseCustom);
        QVERIFY(f.write("cachegrind.out.writing", "events: Time\n"));
        f.watcher->directoryChangedEvent();
        QCOMPARE(f.status("cachegrind.out.writing"), SifterStatusWriting);
        f.watcher->stop();
        QCOMPARE(f.status("cachegrind.out.writing"), SifterStatusReadyToOpen);
        QVERIFY(f.write("cachegrind.out.stopped"));
        QTRY_COMPARE_WITH_TIMEOUT(f.status("cachegrind.out.stopped"), SifterStatusReadyToOpen, timeout);
        f.watcher->start();
        QVERIFY(f.letListingsPass());
        QVERIFY(f.documents.opened.isEmpty());
    }

    // A new profile opens once written to its end, or once unchanged for the
    // quiet period; a pause of its writer does not open it half-written.
    void opensOnceComplete_data()
    {
        addColumns<QByteArray, bool>("contents", "showsItsEnd");
        const QByteArray plain = smallProfile.repeated(2000);
        QTest::newRow("summary line") << plain << true;
        QTest::newRow("summary line, CRLF") << QByteArray(plain).replace('\n', "\r\n") << true;
        QTest::newRow("gzip stream") << gzip(plain) << true;
        QTest::newRow("two gzip members") << gzip(plain) + gzip(smallProfile) << true;
        QTest::newRow("no summary line") << plain.chopped(11) << false;
        QTest::newRow("summary line not last") << plain + "1 5\n" << false;
        QTest::newRow("gzip stream cut short") << gzip(plain).chopped(4) << false;
    }

    void opensOnceComplete()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, showsItsEnd);
        SifterFixture f;
        f.makeWatcher();
        f.watcher->start();
        const QString name = QStringLiteral("cachegrind.out.1");
        const auto look = [&](std::chrono::seconds later) {
            f.now += later;
            f.watcher->directoryChangedEvent();
            return f.status(name);
        };
        const qsizetype half = contents.size() / 2 + 7;
        QVERIFY(f.write(name, contents.first(half)));
        QCOMPARE(look(0s), SifterStatusWriting);
        QCOMPARE(look(3s), SifterStatusWriting);
        QVERIFY(writeFile(f.path(name), contents.sliced(half), QIODevice::Append));
        if (!showsItsEnd) {
            QCOMPARE(look(0s), SifterStatusWriting);
            QCOMPARE(look(9s), SifterStatusWriting);
        }
        QCOMPARE(look(showsItsEnd ? 0s : 1s), SifterStatusOpen);
        QCOMPARE(f.documents.contents.value(f.path(name)), contents);
        QCOMPARE(f.documents.opened, QStringList({ name }));
    }

    // Opened by hand while written, or written again under its name after
    // it was opened: read again in place once complete; after its document
    // closed, opened again.
    void rewrittenFileIsNew()
    {
        SifterFixture f;
        const QString name = QStringLiteral("cachegrind.out.7");
        f.makeWatcher();
        f.watcher->start();
        const QByteArray first = "events: Time\n\nfl=/b.php\nfn=main\n1 7\n\n";
        QVERIFY(f.write(name, first));
        QTRY_COMPARE_WITH_TIMEOUT(f.status(name), SifterStatusWriting, timeout);
        f.watcher->showDocuments({ f.entry(name) });
        QCOMPARE(f.documents.opened, QStringList({ name }));
        QVERIFY(writeFile(f.path(name), "summary: 7\n", QIODevice::Append));
        QTRY_COMPARE_WITH_TIMEOUT(f.documents.reloaded, QStringList({ name }), timeout);
        QCOMPARE(f.documents.contents.value(f.path(name)), first + "summary: 7\n");

        QVERIFY(f.write(name, first));
        QTRY_COMPARE_WITH_TIMEOUT(f.status(name), SifterStatusWriting, timeout);
        QCOMPARE(f.entry(name)->fileSize(), first.size());
        QVERIFY(f.write(name, smallProfile));
        QTRY_COMPARE_WITH_TIMEOUT(f.documents.reloaded.size(), 2, timeout);
        QCOMPARE(f.documents.contents.value(f.path(name)), smallProfile);
        QCOMPARE(f.status(name), SifterStatusOpen);

        f.documents.close(f.path(name));
        QVERIFY(f.write(name, smallProfile + smallProfile));
        QTRY_COMPARE_WITH_TIMEOUT(f.documents.opened, QStringList({ name, name }), timeout);
        QVERIFY(f.letListingsPass());
        QCOMPARE(f.documents.reloaded.size(), 2);
    }

    // The open-file limit counts only the documents the watcher opened.
    void openFileLimit_data()
    {
        addColumns<int, QStringList, bool>("action", "open", "limitReached");
        QTest::newRow("then stop opening files") << 0 << QStringList({ "1", "2", "by.hand" }) << true;
        QTest::newRow("then close the oldest file") << 1 << QStringList({ "2", "3", "by.hand" }) << false;
    }

    void openFileLimit()
    {
        QFETCH(int, action);
        SifterFixture f;
        defaults().setObjectForKey(true, VTCSifterMaxLimitOpen);
        defaults().setObjectForKey(2, VTCSifterMaxFiles);
        defaults().setObjectForKey(action, VTCSifterMaxAction);
        QVERIFY(f.write("cachegrind.out.by.hand"));
        f.makeWatcher();
        f.watcher->showDocuments({ f.entry("cachegrind.out.by.hand") });
        f.watcher->start();
        for (const char *name : { "cachegrind.out.1", "cachegrind.out.2", "cachegrind.out.3" }) {
            QVERIFY(f.write(name));
            f.watcher->directoryChangedEvent();
        }
        QStringList open;
        for (auto it = f.documents.contents.cbegin(); it != f.documents.contents.cend(); ++it)
            open.append(QFileInfo(it.key()).fileName().mid(15));
        open.sort();
        QTEST(open, "open");
        QTEST(f.watcher->limitReached(), "limitReached");
        QCOMPARE(f.status("cachegrind.out.3"), action == 0 ? SifterStatusReadyToOpen : SifterStatusOpen);
    }

    void directoryChangedWhileRunning()
    {
        SifterFixture f;
        QTemporaryDir other;
        QVERIFY(f.write("cachegrind.out.first"));
        f.makeWatcher();
        f.watcher->start();
        defaults().setObjectForKey(other.path(), VTCSifterMonitorDirectory);
        QCOMPARE(f.watcher->entryCount(), 0);

        QVERIFY(f.write("cachegrind.out.ignored"));
        QVERIFY(writeFile(other.filePath("cachegrind.out.new"), smallProfile));
        QTRY_COMPARE_WITH_TIMEOUT(f.status("cachegrind.out.new"), SifterStatusOpen, timeout);
        QVERIFY(!f.entry("cachegrind.out.ignored"));
        // Renamed away and made again at once: the new one is watched.
        QVERIFY(QDir().rename(other.path(), f.path("old")) && QDir().mkdir(other.path()));
        QTRY_COMPARE_WITH_TIMEOUT(f.watcher->entryCount(), 0, timeout);
        QVERIFY(writeFile(other.filePath("cachegrind.out.replaced"), smallProfile));
        QTRY_COMPARE_WITH_TIMEOUT(f.status("cachegrind.out.replaced"), SifterStatusOpen, timeout);

        // Replaced by a file, it cannot be listed: told once and listed as
        // empty; a directory again, it is watched again.
        const QString error = "Cannot watch " + other.path() + ": Not a directory";
        QTest::ignoreMessage(QtWarningMsg, qPrintable(error));
        QTest::failOnWarning(QRegularExpression("."));
        QVERIFY(QDir(other.path()).removeRecursively() && writeFile(other.path(), "x"));
        QTRY_COMPARE_WITH_TIMEOUT(f.watcher->directoryError(), error, timeout);
        QCOMPARE(f.watcher->entryCount(), 0);
        QTest::qWait(10 * int(f.latency.count()));
        QVERIFY(QFile::remove(other.path()) && QDir().mkdir(other.path()));
        QVERIFY(writeFile(other.filePath("cachegrind.out.again"), smallProfile));
        QTest::ignoreMessage(QtInfoMsg, qPrintable("Watching " + other.path() + " again"));
        QTRY_COMPARE_WITH_TIMEOUT(f.status("cachegrind.out.again"), SifterStatusOpen, timeout);
        QVERIFY(f.watcher->directoryError().isEmpty());
        QCOMPARE(f.documents.opened,
            QStringList({ "cachegrind.out.new", "cachegrind.out.replaced", "cachegrind.out.again" }));

        defaults().setObjectForKey(QString(), VTCSifterMonitorDirectory);
        QCOMPARE(f.watcher->entryCount(), 0);
    }

    void changesWaitForTheOpen_data()
    {
        QTest::addColumn<bool>("whileReading");
        QTest::newRow("while it is read") << true;
        QTest::newRow("during the alert") << false;
    }

    void changesWaitForTheOpen()
    {
        QFETCH(bool, whileReading);
        const QString name = QStringLiteral("cachegrind.out.1");
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
            QCOMPARE(f.status(name), whileReading ? SifterStatusReadyToOpen : SifterStatusOpenFailed);
            QVERIFY(f.watcher->isOpening());
            defaults().setObjectForKey(other.path(), VTCSifterMonitorDirectory);
            QVERIFY(f.entry(name));
        };
        if (!whileReading)
            f.documents.unreadable = QStringList({ name });
        QVERIFY(f.write(name));
        QTRY_VERIFY_WITH_TIMEOUT(delivered && !f.watcher->isOpening(), timeout);
        QCOMPARE(f.watcher->entryCount(), 1);
        QCOMPARE(f.status("cachegrind.out.there"), SifterStatusReadyToOpen);
        QCOMPARE(f.documents.opened.size() + f.documents.errors.size(), 1);
        QCOMPARE(f.documents.opened.size(), whileReading ? 1 : 0);
    }

    // The file list: cells, colours and the filter; sorted by each column's
    // value, ties by name in the same direction.
    void fileListModel()
    {
        SifterFixture f;
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
        QCOMPARE(column(SifterTableModel::SizeColumn),
            QStringList({ "40 bytes", "40 bytes", "300 bytes", "1000 bytes", "1.5 KiB" }));
        f.watcher->showDocuments({ f.entry("cachegrind.out.bad") });
        QCOMPARE(column(SifterTableModel::StatusColumn),
            QStringList({ "", "Ready to open", "Ready to open", "Error opening file", "" }));
        const QString gray = QColor::fromRgbF(0.5, 0.5, 0.5).name();
        QCOMPARE(column(SifterTableModel::StatusColumn, Qt::ForegroundRole),
            QStringList({ gray, "#000000", "#000000", "#ff0000", gray }));
        // A failure stays while other documents open, and the file is tried
        // again on request until it opens.
        f.watcher->showDocuments({ f.entry("cachegrind.out.bad"), f.entry("cachegrind.out.20") });
        QCOMPARE(f.status("cachegrind.out.bad"), SifterStatusOpenFailed);
        QCOMPARE(f.documents.errors, QStringList(2, "cannot open cachegrind.out.bad"));
        f.documents.unreadable.clear();
        f.watcher->showDocuments({ f.entry("cachegrind.out.bad") });
        QCOMPARE(f.status("cachegrind.out.bad"), SifterStatusOpen);

        model.sort(SifterTableModel::SizeColumn, Qt::DescendingOrder);
        QCOMPARE(column(SifterTableModel::NameColumn),
            QStringList({ "notes.txt", "cachegrind.out.bad", "cachegrind.out.20", "cachegrind.out.100", "b.txt" }));
        model.sort(SifterTableModel::CreationDateColumn, Qt::AscendingOrder);
        QCOMPARE(column(SifterTableModel::NameColumn),
            QStringList({ "cachegrind.out.20", "notes.txt", "b.txt", "cachegrind.out.100", "cachegrind.out.bad" }));
        defaults().setObjectForKey(2, VTCSifterFilter);
        f.watcher->buildVisible();
        QCOMPARE(model.rowCount(), 5);
    }
};

QTEST_GUILESS_MAIN(TestSifterWatcher)
#include "tst_sifterwatcher.moc"
