#include "DataColumns.h"
#include "SifterTestSupport.h"

#include "SifterDirectoryMonitor.h"
#include "SifterTableModel.h"

#include <sys/stat.h>

#include <QAbstractItemModelTester>
#include <QColor>
#include <QDir>
#include <QItemSelectionModel>
#include <QProcess>
#include <QSignalSpy>

namespace {

const SifterPattern defaultPattern(QStringLiteral("cachegrind\\..*"));

SifterFileEntry entryOf(const SifterFixture &f, const QByteArray &name)
{
    return SifterFileEntry(
        QFile::encodeName(f.directory.path()), name, defaultPattern, const_cast<FakeDocuments &>(f.documents), {});
}

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
        const SifterFileEntry entry = entryOf(f, "x");
        QVERIFY(writeFile(f.path("x"), "more", QIODevice::Append));
        QCOMPARE(entry.fileSize(), 1536);
        const QFileInfo info(f.path("x"));
        const QDateTime created = info.birthTime().isValid() ? info.birthTime() : info.metadataChangeTime();
        QCOMPARE(entry.creationDate().left(20), created.toLocalTime().toString("yyyy-MM-dd HH:mm:ss "));
        qputenv("TZ", "Asia/Kolkata");
        QCOMPARE(entryOf(f, "x").creationDate().right(6), QStringLiteral(" +0530"));
        qunsetenv("TZ");
        const SifterFileEntry gone = entryOf(f, "gone");
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
        f.documents.openDocument(FileIdentity::fromPath(f.path("cachegrind.out.open")), true);
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

    // An invalid pattern stops nothing silently: the last valid one goes on
    // matching (listed at once, so that no batch can open it first) and the
    // watcher says why.
    void invalidPatternKeepsTheLastValidOne()
    {
        const QString pattern = QStringLiteral("[");
        SifterFixture f;
        QVERIFY(f.write("prof.1"));
        defaults().setObjectForKey(true, VTCSifterRegexUseCustom);
        defaults().setObjectForKey(pattern, VTCSifterRegex);
        f.makeWatcher();
        QVERIFY(f.watcher->patternError().contains(pattern));
        QCOMPARE(f.status("prof.1"), SifterStatusNotMatching);
        defaults().setObjectForKey(QStringLiteral("prof\\..*"), VTCSifterRegex);
        QVERIFY(f.watcher->patternError().isEmpty());
        f.watcher->start();
        QVERIFY(f.write("prof.2", "events: Time\n"));
        f.watcher->directoryChangedEvent();
        defaults().setObjectForKey(pattern, VTCSifterRegex);
        QCOMPARE(f.watcher->patternError(),
            "The pattern \u201c[\u201d is not valid (" + SifterPattern(pattern).errorString()
                + "): names are matched with \u201cprof\\..*\u201d.");
        QCOMPARE(f.status("prof.1"), SifterStatusReadyToOpen);
        QCOMPARE(f.status("prof.2"), SifterStatusWriting);
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
        QCOMPARE(f.entry(name)->fileSize(), half);
        QCOMPARE(look(3s), SifterStatusWriting);
        QVERIFY(writeFile(f.path(name), contents.sliced(half), QIODevice::Append));
        if (!showsItsEnd) {
            QCOMPARE(look(0s), SifterStatusWriting);
            QCOMPARE(look(9s), SifterStatusWriting);
        }
        QCOMPARE(look(showsItsEnd ? 0s : 1s), SifterStatusOpen);
        QCOMPARE(f.documents.contents.value(f.path(name)), contents);
        QCOMPARE(f.documents.opened, QStringList({ name }));
        // The row shows the file as it was opened, not as first seen.
        QCOMPARE(f.entry(name)->fileSize(), contents.size());
    }

    // A gzip profile written again while awaited is inflated from its new
    // start: the old stream's place in it means nothing.
    void gzipRewrittenWhileAwaited_data()
    {
        QTest::addColumn<bool>("inPlace");
        QTest::newRow("written again in place") << true;
        QTest::newRow("replaced by another file") << false;
    }

    void gzipRewrittenWhileAwaited()
    {
        QFETCH(bool, inPlace);
        SifterFixture f;
        f.makeWatcher();
        f.watcher->start();
        const QString name = QStringLiteral("cachegrind.out.9");
        const auto look = [&] {
            f.watcher->directoryChangedEvent();
            return f.status(name);
        };
        const auto profile = [](int seed) {
            QByteArray calls = "events: Time\n\n";
            for (int i = 0; i < 3000; ++i)
                calls += "fl=/a.php\nfn=f" + QByteArray::number(i * seed) + "\n1 " + QByteArray::number(i) + "\n\n";
            return gzip(calls + "summary: 1\n");
        };
        const QByteArray old = profile(1);
        const QByteArray replacement = profile(7);
        QVERIFY(f.write(name, old.first(old.size() / 2)));
        QCOMPARE(look(), SifterStatusWriting);
        const QByteArray cut = replacement.first(old.size() * 3 / 4);
        if (inPlace) {
            QVERIFY(f.write(name, cut));
        } else {
            QVERIFY(f.write("next", cut));
            QCOMPARE(
                ::rename(QFile::encodeName(f.path("next")).constData(), QFile::encodeName(f.path(name)).constData()),
                0);
        }
        QCOMPARE(look(), SifterStatusWriting);
        QVERIFY(writeFile(f.path(name), replacement.sliced(cut.size()), QIODevice::Append));
        QCOMPARE(look(), SifterStatusOpen);
        QCOMPARE(f.documents.contents.value(f.path(name)), replacement);
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

    // The open-file limit counts only the documents the watcher opened, and
    // holds for files that arrive together while others are still read.
    void openFileLimit_data()
    {
        addColumns<int, bool, QStringList, bool>("action", "together", "open", "limitReached");
        QTest::newRow("stop, one after another") << 0 << false << QStringList({ "1", "2", "by.hand" }) << true;
        QTest::newRow("close the oldest, one after another")
            << 1 << false << QStringList({ "3", "4", "by.hand" }) << false;
        QTest::newRow("stop, together") << 0 << true << QStringList({ "1", "2", "by.hand" }) << true;
        QTest::newRow("close the oldest, together") << 1 << true << QStringList({ "7", "8", "by.hand" }) << false;
    }

    void openFileLimit()
    {
        QFETCH(int, action);
        QFETCH(bool, together);
        SifterFixture f;
        defaults().setObjectForKey(true, VTCSifterMaxLimitOpen);
        defaults().setObjectForKey(2, VTCSifterMaxFiles);
        defaults().setObjectForKey(action, VTCSifterMaxAction);
        QVERIFY(f.write("cachegrind.out.by.hand"));
        f.makeWatcher();
        f.watcher->showDocuments({ f.entry("cachegrind.out.by.hand") });
        f.watcher->start();
        // Reads take a while: the limit counts those still being read.
        f.documents.whileReading = [] {};
        QTemporaryDir elsewhere;
        const int count = together ? 8 : 4;
        for (int i = 1; i <= count; ++i) {
            const QString name = QStringLiteral("cachegrind.out.%1").arg(i);
            QVERIFY(writeFile(elsewhere.filePath(name), smallProfile));
            if (!together) {
                QVERIFY(QFile::rename(elsewhere.filePath(name), f.path(name)));
                f.watcher->directoryChangedEvent();
                QTRY_COMPARE(f.documents.reading, 0);
            }
        }
        for (int i = 1; together && i <= count; ++i) {
            const QString name = QStringLiteral("cachegrind.out.%1").arg(i);
            QVERIFY(QFile::rename(elsewhere.filePath(name), f.path(name)));
        }
        QVERIFY(f.letListingsPass());
        QTRY_COMPARE(f.documents.reading, 0);
        QStringList open;
        for (auto it = f.documents.contents.cbegin(); it != f.documents.contents.cend(); ++it)
            open.append(QFileInfo(it.key()).fileName().mid(15));
        open.sort();
        QTEST(open, "open");
        QTEST(f.watcher->limitReached(), "limitReached");
        QCOMPARE(f.status(QStringLiteral("cachegrind.out.%1").arg(count)),
            action == 0 ? SifterStatusReadyToOpen : SifterStatusOpen);
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

        // Renamed away, it cannot be listed: told once and listed as empty.
        // Back again, the files it held are not new, but one written meanwhile is.
        QVERIFY(writeFile(other.filePath("cachegrind.out.kept"), smallProfile));
        QTRY_COMPARE_WITH_TIMEOUT(f.status("cachegrind.out.kept"), SifterStatusOpen, timeout);
        f.documents.contents.clear();
        const QString error = "Cannot watch " + other.path() + ": No such file or directory";
        QTest::ignoreMessage(QtWarningMsg, qPrintable(error));
        QTest::failOnWarning(QRegularExpression("."));
        QVERIFY(QDir().rename(other.path(), f.path("away")));
        QTRY_COMPARE_WITH_TIMEOUT(f.watcher->directoryError(), error, timeout);
        QCOMPARE(f.watcher->entryCount(), 0);
        QTest::qWait(10 * int(f.latency.count()));
        QVERIFY(writeFile(f.path("away/cachegrind.out.replaced"), smallProfile + smallProfile));
        QTest::ignoreMessage(QtInfoMsg, qPrintable("Watching " + other.path() + " again"));
        QVERIFY(QDir().rename(f.path("away"), other.path()));
        // Both are listed by the same look.
        QTRY_COMPARE_WITH_TIMEOUT(f.status("cachegrind.out.replaced"), SifterStatusOpen, timeout);
        QCOMPARE(f.status("cachegrind.out.kept"), SifterStatusReadyToOpen);
        QCOMPARE(f.documents.opened,
            QStringList(
                { "cachegrind.out.new", "cachegrind.out.replaced", "cachegrind.out.kept", "cachegrind.out.replaced" }));

        defaults().setObjectForKey(QString(), VTCSifterMonitorDirectory);
        QCOMPARE(f.watcher->entryCount(), 0);
    }

    // The file list: cells, colours and the filter; sorted by each column's
    // value, equal values keeping their order, again as statuses change;
    // selected rows move with their entries.
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
        model.sort(SifterTableModel::StatusColumn, Qt::AscendingOrder);
        QCOMPARE(column(SifterTableModel::NameColumn),
            QStringList({ "cachegrind.out.20", "cachegrind.out.100", "b.txt", "notes.txt", "cachegrind.out.bad" }));
        QItemSelectionModel selection(&model);
        selection.setCurrentIndex(model.index(4, SifterTableModel::SizeColumn),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        const auto selected = [&] {
            const QModelIndexList rows = selection.selectedRows();
            return rows.size() == 1 && rows[0].row() == selection.currentIndex().row() ? rows[0].data().toString()
                                                                                       : QString();
        };
        f.watcher->showDocuments({ f.entry("cachegrind.out.bad") });
        QCOMPARE(f.status("cachegrind.out.bad"), SifterStatusOpen);
        QCOMPARE(column(SifterTableModel::NameColumn),
            QStringList({ "cachegrind.out.20", "cachegrind.out.bad", "cachegrind.out.100", "b.txt", "notes.txt" }));
        QCOMPARE(selected(), QStringLiteral("cachegrind.out.bad"));

        model.sort(SifterTableModel::SizeColumn, Qt::DescendingOrder);
        QCOMPARE(column(SifterTableModel::NameColumn),
            QStringList({ "notes.txt", "cachegrind.out.bad", "cachegrind.out.20", "cachegrind.out.100", "b.txt" }));
        model.sort(SifterTableModel::CreationDateColumn, Qt::AscendingOrder);
        QCOMPARE(column(SifterTableModel::NameColumn),
            QStringList({ "cachegrind.out.20", "notes.txt", "b.txt", "cachegrind.out.100", "cachegrind.out.bad" }));
        QCOMPARE(selected(), QStringLiteral("cachegrind.out.bad"));
        QCOMPARE(selection.currentIndex().column(), int(SifterTableModel::SizeColumn));
        defaults().setObjectForKey(2, VTCSifterFilter);
        f.watcher->buildVisible();
        QCOMPARE(model.rowCount(), 5);
    }
};

QTEST_GUILESS_MAIN(TestSifterWatcher)
#include "tst_sifterwatcher.moc"
