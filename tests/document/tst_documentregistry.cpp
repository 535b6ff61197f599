#include "CallTreeTestSupport.h"
#include "DataColumns.h"
#include "NoRoomForThreads.h"

#include "DetailField.h"
#include "DocumentController.h"
#include "DocumentLoader.h"
#include "DocumentOpening.h"
#include "DocumentWindow.h"
#include "MemoryBudget.h"
#include "MergedCallTree.h"
#include "MyDocument.h"
#include "ProgressWindow.h"
#include "RecordingAlertPresenter.h"
#include "SettingsKeys.h"
#include "SummaryController.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QWindow>

#include <limits>
#include <optional>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// main calls f twice (self times 3 and 4) and then g.
const QByteArray twoFs = profileHeader() + record("/a.php", "f", 1, 3) + record("/a.php", "f", 2, 4)
    + record("/a.php", "g", 3, 5) + record("/a.php", "main", 1, 1, { "f", "f", "g" });
const QByteArray onlyG = profileHeader() + record("/a.php", "g", 3, 5) + record("/a.php", "main", 1, 1, { "g" });

// The threads this process has now.
int threadCount()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("Threads:"))
            return line.mid(8).trimmed().toInt();
    }
    return -1;
}

// The selected call as "function self-time", or "none".
QString selection(const MyDocument &document)
{
    const ProfiledFunctionCall *call = document.window()->selectedCall();
    if (call)
        return call->function().name() + ' ' + QString::number(call->selfTime());
    // A profile written per function: the estimated path's.
    const MergedCallTree &paths = document.profile().estimatedCallTree();
    const quint32 path = document.window()->selectedEstimatedPath();
    if (path == MergedCallTree::none)
        return QStringLiteral("none");
    return document.profile().function(paths.function(path)).name() + ' '
        + QString::number(paths.selfBits(document.profile().timeEvent(), path));
}

// What a tooltip shows for `text`: it guesses the format.
QString shownText(const QString &text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}

QList<ProgressWindow *> progressWindows()
{
    QList<ProgressWindow *> shown;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (auto *progress = qobject_cast<ProgressWindow *>(window); progress && progress->isVisible())
            shown << progress;
    }
    return shown;
}

} // namespace

class TestDocumentRegistry : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_large;
    std::unique_ptr<DocumentController> m_registry;
    QStringList m_alerts;

    QString write(const QString &name, const QByteArray &contents) { return writeFile(m_dir.filePath(name), contents); }

    QString alert(const QString &path, const QString &reason) const
    {
        return "The file \u201c" + path + "\u201d could not be opened.|" + reason;
    }

private Q_SLOTS:
    void initTestCase()
    {
        registerSettingsDefaults();
        QByteArray large = profileHeader();
        for (int i = 0; large.size() < (6 << 20); ++i)
            large += record("/a.php", "leaf" + QByteArray::number(i % 97), 1, 1)
                + record("/a.php", "caller", 2, 3, { "leaf" + QByteArray::number(i % 97) });
        m_large = write(QStringLiteral("large.cachegrind"), large);
    }

    void init()
    {
        m_alerts.clear();
        m_registry = std::make_unique<DocumentController>();
        m_registry->setAlertPresenter(std::make_unique<RecordingAlertPresenter>(m_alerts));
    }

    void cleanup()
    {
        m_registry.reset();
        QVERIFY(progressWindows().isEmpty());
    }

    // The window is there as the read starts; the reading thread's reports
    // reach it queued, in order, the last one full.
    void progressReachesTheWindowInOrder()
    {
        DocumentLoader loader(m_large, std::numeric_limits<qint64>::max());
        QList<double> fractions;
        bool fromReadingThread = true;
        connect(&loader, &DocumentLoader::readingProgressed, this, [&](double value) { fractions << value; });
        connect(
            &loader, &DocumentLoader::readingProgressed, this,
            [&] { fromReadingThread = fromReadingThread && QThread::currentThread() != thread(); },
            Qt::DirectConnection);
        QSignalSpy finished(&loader, &DocumentLoader::finished);
        loader.start();
        QVERIFY(loader.progressWindow() && loader.progressWindow()->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
        QVERIFY(fromReadingThread && !fractions.isEmpty() && fractions.last() == 1.0);
        QVERIFY(std::is_sorted(fractions.begin(), fractions.end()));
        QVERIFY(!loader.progressWindow());
        QVERIFY(loader.takeProfile()->rootFunction());
    }

    void cancelledAndFailedReadsLeaveNothing_data()
    {
        addColumns<QString, QString, QString>("file", "cancel", "reason");
        QTest::newRow("Cancel button") << u"large.cachegrind"_s << u"button"_s << "";
        QTest::newRow("window closed") << u"large.cachegrind"_s << u"close"_s << "";
        QTest::newRow("missing file") << u"missing.cachegrind"_s << u""_s << "No such file or directory.";
        QTest::newRow("memory short") << u"large.cachegrind"_s << u""_s << "Not enough memory to read the file.";
        QTest::newRow("corrupt gzip") << u"corrupt.cachegrind.gz"_s << u""_s << "The file is not a valid gzip file.";
        QTest::newRow("not a profile") << u"notes.txt"_s << u""_s
                                       << "The file is not a profile: it has no line that begins with \"events:\" "
                                          "or \"fn=\".";
    }

    void cancelledAndFailedReadsLeaveNothing()
    {
        QFETCH(QString, file);
        QFETCH(QString, cancel);
        QFETCH(QString, reason);
        MyDocument *other = openAndWait(*m_registry, write(QStringLiteral("other.cachegrind"), workedExample));
        write(QStringLiteral("corrupt.cachegrind.gz"), QByteArray("\x1f\x8b\x08\x00") + "not deflate data at all");
        write(QStringLiteral("notes.txt"), "Dear reader,\n");
        if (reason.startsWith(QLatin1String("Not enough")))
            m_registry->setMemoryLimit(64 << 10);
        QSignalSpy finished(m_registry.get(), &DocumentController::openFinished);
        m_registry->openDocuments({ QUrl::fromLocalFile(m_dir.filePath(file)) });
        if (!cancel.isEmpty()) {
            QTRY_COMPARE(progressWindows().size(), 1);
            if (cancel == QLatin1String("button"))
                progressWindows().first()->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
            else
                progressWindows().first()->close();
            QVERIFY(progressWindows().isEmpty()); // at once
        }
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
        QCOMPARE(finished.first().at(1).value<MyDocument *>(), nullptr);
        QVERIFY(finished.first().at(2).toString().contains(reason.chopped(!reason.isEmpty())));
        QCOMPARE(m_alerts, reason.isEmpty() ? QStringList() : QStringList(alert(m_dir.filePath(file), reason)));
        QCOMPARE(m_registry->documents(), QList<MyDocument *>({ other }));
        QCOMPARE(m_registry->readsInProgress(), 0);
        selectOutlineRow(*other, 0);
        QCOMPARE(partOf<DetailField>(*other, "functionNameTextField")->wholeText(), QStringLiteral("main"));
    }

    void severalReadsAtOnce()
    {
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(5);
        const QString small = write(QStringLiteral("small.cachegrind"), workedExample);
        m_registry->openDocuments({ QUrl::fromLocalFile(m_large), QUrl::fromLocalFile(small) });
        m_registry->openDocumentWithContentsOfURL(QUrl::fromLocalFile(m_large)); // already being read
        QCOMPARE(m_registry->readsInProgress(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(m_registry->documents().size(), 2, 60000);
        QVERIFY(ticks > 0 && m_alerts.isEmpty());
    }

    // A burst of files is read a few at a time: the reads waiting for
    // their turn hold no thread, and end at once when cancelled.
    void aBurstIsReadAFewAtATime_data()
    {
        QTest::addColumn<bool>("cancelled");
        QTest::newRow("read") << false;
        QTest::newRow("cancelled") << true;
    }

    void aBurstIsReadAFewAtATime()
    {
        QFETCH(bool, cancelled);
        const int turns = std::max(2, QThread::idealThreadCount());
        QList<QUrl> burst;
        for (int i = 0; i < 3 * turns; ++i)
            burst << QUrl::fromLocalFile(write(QStringLiteral("burst-%1.cachegrind").arg(i), workedExample));
        // Windows of earlier tests read their sources on the pool's threads.
        QThreadPool::globalInstance()->waitForDone();
        const int threads = threadCount();
        m_registry->openDocuments(burst);
        // Each read runs on a thread of its own and reads ahead on another.
        QVERIFY(threadCount() - threads <= 2 * turns);
        if (cancelled)
            m_registry.reset();
        else
            QTRY_COMPARE_WITH_TIMEOUT(m_registry->documents().size(), burst.size(), 60000);
        QVERIFY(m_alerts.isEmpty());
    }

    // A read waits, holding nothing, while other reads hold the memory it
    // expects to need, and says so; a file that changes meanwhile is
    // reported once read.
    void aReadWaitsForMemory_data()
    {
        QTest::addColumn<bool>("changed");
        QTest::newRow("unchanged") << false;
        QTest::newRow("rewritten while waiting") << true;
    }

    void aReadWaitsForMemory()
    {
        QFETCH(bool, changed);
        MemoryBudget budget(64 << 20);
        auto other = std::make_optional<MemoryBudget::Share>(budget);
        QVERIFY(other->reserve(64 << 20, nullptr, {}));
        m_registry->setMemoryBudget(budget);
        const QString path = m_dir.filePath(QTest::currentDataTag());
        QVERIFY(QFile::copy(m_large, path));
        QSignalSpy changes(m_registry.get(), &DocumentController::documentChangedWhileRead);
        m_registry->openDocuments({ QUrl::fromLocalFile(path) });
        QTRY_COMPARE(progressWindows().size(), 1);
        QTRY_COMPARE(progressWindows().first()->findChild<QLabel *>("statusTextField")->text(),
            u"Waiting for memory until other files are read\u2026"_s);
        if (changed)
            QVERIFY(writeFile(path, twoFs) == path);
        other.reset();
        QTRY_COMPARE_WITH_TIMEOUT(m_registry->documents().size(), 1, 60000);
        QCOMPARE(changes.size(), changed ? 1 : 0);
        // Before the budget goes.
        m_registry.reset();
    }

    // A document closed while it is read again cancels the read at once, and
    // the registry's end cancels the rest.
    void readsCancelledByTheirEnd()
    {
        MyDocument *document = openAndWait(*m_registry, m_large);
        QSignalSpy read(m_registry.get(), &DocumentController::documentRead);
        m_registry->reloadDocument(document);
        QVERIFY(QFile::copy(m_large, m_dir.filePath("copy.cachegrind")));
        m_registry->openDocuments({ QUrl::fromLocalFile(m_dir.filePath("copy.cachegrind")) });
        QCOMPARE(progressWindows().size(), 2);
        document->window()->close();
        QCOMPARE(progressWindows().size(), 1);
        m_registry.reset();
        QVERIFY(progressWindows().isEmpty() && read.isEmpty() && m_alerts.isEmpty());
    }

    // When the system gives no thread, the open fails, naming the file.
    void threadRefused()
    {
#ifdef VELOTRACE_SANITIZED
        QSKIP("sanitizers map more than the test leaves room for");
#endif
        const QString path = write(QStringLiteral("threadless.cachegrind"), workedExample);
        {
            const NoRoomForThreads noRoom;
            m_registry->openDocuments({ QUrl::fromLocalFile(path) });
        }
        QVERIFY(waitForReads(*m_registry));
        QCOMPARE(m_alerts,
            QStringList(
                alert(path, "The system gives no thread to read the file (Resource temporarily unavailable).")));
    }

    // Anything but a regular file is refused at once, never waited for (a
    // hang fails by the test's time limit): a named pipe would wait for a writer.
    void onlyRegularFilesAreRead()
    {
        const QString path = m_dir.filePath(QStringLiteral("cachegrind.out.fifo"));
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        QSignalSpy finished(m_registry.get(), &DocumentController::openFinished);
        m_registry->openDocuments({ QUrl::fromLocalFile(path) });
        QCOMPARE(finished.size(), 1);
        QCOMPARE(m_alerts, QStringList(alert(path, QStringLiteral("Not a regular file."))));
    }

    void titlesAddTheFolderOnANameClash()
    {
        for (const QString &file : { u"one/c.out"_s, u"two/d.out"_s, u"three/c.out"_s })
            QVERIFY(openAndWait(*m_registry, write(file, twoFs)));
        const auto shownTitles = [this] {
            QStringList shown;
            for (const MyDocument *document : m_registry->documents())
                shown << document->window()->windowTitle();
            return shown;
        };
        QCOMPARE(shownTitles(),
            QStringList({ "c.out — " + m_dir.filePath("one"), "d.out", "c.out — " + m_dir.filePath("three") }));
        m_registry->documents().last()->window()->close();
        QCOMPARE(shownTitles(), QStringList({ "c.out", "d.out" }));
    }

    // Read again, the document keeps the call at the same path of functions,
    // says when it has no calls, and stays as it was when the file is gone.
    void reloadKeepsTheSelectedCall_data()
    {
        // after: empty: the file is removed; selectedChild: of the root; -1 for the root
        addColumns<QByteArray, QByteArray, int, QString>("before", "after", "selectedChild", "selected");
        QTest::newRow("second of two alike") << twoFs << QByteArray(twoFs).replace("\n2 4\n", "\n2 9\n") << 1 << "f 9";
        QTest::newRow("the second is gone: the root") << twoFs << onlyG << 1 << "main 1";
        QTest::newRow("moved among others") << twoFs << onlyG << 2 << "g 5";
        QTest::newRow("now without calls") << twoFs << profileHeader() << 0 << "none";
        // Counted calls: a graph of functions, whose estimated path is kept.
        QTest::newRow("now aggregated") << twoFs
                                        << profileHeader() + "fn=main\n1 1\ncfn=f\ncalls=3 0\n1 9\n\nfn=f\n1 3\n\n"
                                        << 0 << "f 9";
        QTest::newRow("aggregated, read again")
            << aggregatedExample
            << QByteArray(aggregatedExample).replace("\n2 300\n", "\n2 200\n").replace("\n5 240\n", "\n5 140\n") << 0
            << "App\\Slow->work 140";
        QTest::newRow("was without calls") << profileHeader() << onlyG << -1 << "main 1";
        QTest::newRow("file gone") << twoFs << QByteArray() << 1 << "f 4";
    }

    void reloadKeepsTheSelectedCall()
    {
        QFETCH(QByteArray, after);
        QFETCH(int, selectedChild);
        const QString path = write(QStringLiteral("reload.cachegrind"), fetched<QByteArray>("before"));
        MyDocument *document = openAndWait(*m_registry, path);
        if (selectedChild >= 0 && document->profile().isAggregated()) {
            const MergedCallTree &paths = document->profile().estimatedCallTree();
            document->window()->selectEstimatedPath(paths.child(paths.root(), quint32(selectedChild)));
        } else if (selectedChild >= 0) {
            selectOutlineRow(
                *document, outlineModelOf(*document).rowOfCall(document->rootFunction()->getChild(selectedChild)));
        }
        QVERIFY(after.isEmpty() ? QFile::remove(path) : write(QStringLiteral("reload.cachegrind"), after) == path);
        m_registry->reloadDocument(document);
        QVERIFY(waitForReads(*m_registry));
        QTEST(selection(*document), "selected");
        const QLabel *empty = document->window()->findChild<QLabel *>(QStringLiteral("emptyOutlineMessage"));
        QCOMPARE(empty && !empty->isHidden(), !document->rootFunction() && !document->profile().isAggregated());
        QVERIFY(!empty || empty->text() == QLatin1String("No calls were found in this file."));
        // What an estimated tree is, said above the details.
        QCOMPARE(document->window()
                     ->findChild<QLabel *>(QStringLiteral("estimatedPathsNotice"))
                     ->isVisibleTo(document->window()),
            document->profile().isAggregated());
        QCOMPARE(m_alerts,
            after.isEmpty() ? QStringList("The file \u201c" + path
                + "\u201d could not be read again.|No such file or "
                  "directory.")
                            : QStringList());
    }

    void hostileTextIsShownAsWritten_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("huge image") << "<img src=x width=30000 height=30000>";
        QTest::newRow("markup, mnemonic and title placeholder") << "<h1><font color=red>a & b [*]</font></h1>";
    }

    void hostileTextIsShownAsWritten()
    {
        QFETCH(QString, text);
        const QString fileName = QString(text).replace(QLatin1Char('/'), QLatin1Char('_'));
        const QByteArray name = text.toUtf8();
        MyDocument *document = openAndWait(*m_registry,
            write(fileName, profileHeader() + record("/a.php", name, 1, 1) + record("/a.php", "main", 1, 1, { name })));
        QTRY_VERIFY(document->window()->windowHandle());
        QCOMPARE(document->window()->windowHandle()->title(), fileName);
        QCOMPARE(shownText(outlineModelOf(*document).index(1, 0).data(Qt::ToolTipRole).toString()), text);
        const QModelIndex summaryRow
            = tableOf(*document, "summaryTableView").index(0, SummaryController::FunctionColumn);
        QCOMPARE(shownText(summaryRow.data(Qt::ToolTipRole).toString()), text);
    }
};

QTEST_MAIN(TestDocumentRegistry)
#include "tst_documentregistry.moc"
