// Usage: velotrace_window_bench PROFILE [VELOTRACE]
//        velotrace_window_bench --wide N
//        velotrace_window_bench --flame PROFILE
// Opens PROFILE in a document window (offscreen works) and prints, in
// milliseconds and megabytes: the time until the window is usable (root
// selected and expanded, the tables filled), the time to refill every table
// (the callers tab in front) for the call whose subtree is nearest 100,000
// calls, the time of find's first answer for a few patterns, the time to
// paint 100 scroll steps of an outline of some 20,000 rows, the time to sort
// a table of 100,000 calls by several columns, and the memory in use. Given
// the VELOTRACE program, it first times its command-line summary of the
// same file as the baseline the window's figures are compared with. With
// --wide it builds a profile whose root has N children and times showing,
// scrolling and collapsing them in the outline, and drawing their flame
// graph. With --flame it times the flame graph tab: drawing the root's graph
// from nothing, and a click on a bar until the graph of that call is drawn
// (the tables refilled too), against `wc -l` on the same file in the same
// run.

#include "CallTreeModel.h"
#include "CallTreeView.h"
#include "CallsController.h"
#include "CallsTab.h"
#include "DocumentController.h"
#include "DocumentWindow.h"
#include "FindBar.h"
#include "FlameGraphPathBar.h"
#include "FlameGraphTab.h"
#include "FlameGraphView.h"
#include "FunctionModel.h"
#include "MyDocument.h"
#include "ProfiledFunctionCall.h"
#include "SettingsKeys.h"
#include "SummaryController.h"

#include <KFUserDefaultsController.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProcess>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>
#include <QToolButton>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace {

// Wall-clock and CPU time of this thread since start(); the CPU time is the
// steadier figure on a busy machine.
class Stopwatch
{
public:
    void start()
    {
        m_wall.start();
        m_cpu = cpuNanoseconds();
    }
    QString elapsed() const
    {
        return QStringLiteral("%1 ms (cpu %2 ms)").arg(m_wall.elapsed()).arg((cpuNanoseconds() - m_cpu) / 1000000);
    }
    qint64 milliseconds() const { return m_wall.elapsed(); }

private:
    static qint64 cpuNanoseconds()
    {
        timespec now = {};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
    }
    QElapsedTimer m_wall;
    qint64 m_cpu = 0;
};

// A part of the document's window, found by its name.
template <typename Part> Part &partOf(const MyDocument &document, const char *name)
{
    return *document.window()->findChild<Part *>(QLatin1String(name));
}

CallTreeView &outlineOf(const MyDocument &document)
{
    return partOf<CallTreeView>(document, "myOutlineView");
}

CallTreeModel &outlineModelOf(const MyDocument &document)
{
    return *qobject_cast<CallTreeModel *>(outlineOf(document).model());
}

int tableRowCount(const MyDocument &document, const char *name)
{
    return partOf<QTableView>(document, name).model()->rowCount();
}

double residentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0.0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : 0.0;
}

double peakMegabytes()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// Every call in pre-order, and the number of calls in each one's subtree.
struct TreeFacts
{
    std::vector<const ProfiledFunctionCall *> calls;
    std::unordered_map<const ProfiledFunctionCall *, qsizetype> subtreeSize;
};

TreeFacts collect(const ProfiledFunctionCall &root)
{
    TreeFacts facts;
    std::vector<const ProfiledFunctionCall *> pending { &root };
    while (!pending.empty()) {
        const ProfiledFunctionCall *call = pending.back();
        pending.pop_back();
        facts.calls.push_back(call);
        for (qsizetype i = call->childCount() - 1; i >= 0; --i)
            pending.push_back(call->getChild(i));
    }
    // Reverse pre-order visits every child before its parent.
    for (auto it = facts.calls.rbegin(); it != facts.calls.rend(); ++it) {
        qsizetype size = 1;
        for (qsizetype i = 0; i < (*it)->childCount(); ++i)
            size += facts.subtreeSize[(*it)->getChild(i)];
        facts.subtreeSize[*it] = size;
    }
    return facts;
}

// The wall-clock milliseconds of the command-line summary of `path`, or -1.
qint64 commandLineSummary(const QString &program, const QString &path)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program, { QStringLiteral("--summary"), QStringLiteral("--tsv"), path });
    if (!process.waitForFinished(-1) || process.exitCode() != 0)
        return -1;
    return timer.elapsed();
}

QString ratio(qint64 milliseconds, qint64 baseline)
{
    if (baseline <= 0)
        return QString();
    return QStringLiteral(", %1x the command-line summary").arg(double(milliseconds) / double(baseline), 0, 'f', 2);
}

int wideOutline(int children, QTextStream &out)
{
    QByteArray text = "events: Time\n\n";
    for (int i = 0; i < children; ++i)
        text += "fl=/a.php\nfn=leaf\n1 " + QByteArray::number(i % 1000) + "\n\n";
    text += "fl=/a.php\nfn=main\n1 1\n";
    for (int i = 0; i < children; ++i)
        text += "cfn=leaf\ncalls=1 0 0\n1 1\n";
    text += '\n';

    auto profile = std::make_unique<Profile>();
    profile->readFromData(text);
    MyDocument document(QStringLiteral("/wide.cachegrind"), std::move(profile));
    text = QByteArray();
    Stopwatch timer;
    timer.start();
    document.showWindows();
    QCoreApplication::processEvents();
    out << "window with " << children << " children of the root shown: " << timer.elapsed() << "\n";
    CallTreeView &outline = outlineOf(document);
    timer.start();
    for (int step = 0; step < 100; ++step) {
        outline.verticalScrollBar()->setValue(outline.verticalScrollBar()->maximum() * step / 100);
        outline.viewport()->repaint();
    }
    out << "100 scroll steps through them, each painted: " << timer.elapsed() << "\n";
    timer.start();
    outlineModelOf(document).collapseRow(0);
    QCoreApplication::processEvents();
    out << "collapse: " << timer.elapsed() << "\n";
    timer.start();
    outlineModelOf(document).expandRow(0);
    QCoreApplication::processEvents();
    out << "expand: " << timer.elapsed() << "\n";
    out << "memory: " << QString::number(residentMegabytes(), 'f', 1) << " MB resident\n";
    auto &flameGraph = partOf<FlameGraphTab>(document, "flameGraphTab");
    partOf<QTabWidget>(document, "tabView").setCurrentWidget(&flameGraph);
    QCoreApplication::processEvents();
    FlameGraphView &graph = *flameGraph.view();
    graph.setCall(nullptr);
    graph.setCall(document.rootFunction());
    timer.start();
    graph.viewport()->repaint();
    out << "flame graph of the root drawn: " << timer.elapsed() << "\n";
    return 0;
}

// Milliseconds of wall-clock time `work` takes, the median of `runs`.
template <typename Work> double medianMilliseconds(int runs, Work work)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Opens the file without an alert and waits for its read on another thread
// to end: the document, or null with the reason in `error`.
MyDocument *openAndWait(DocumentController &registry, const QString &path, QString &error)
{
    MyDocument *document = nullptr;
    bool finished = false;
    const QMetaObject::Connection connection = QObject::connect(&registry, &DocumentController::openFinished,
        [&](const FileIdentity &, MyDocument *opened, const QString &message) {
            document = opened;
            error = message;
            finished = true;
        });
    registry.openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), false);
    while (!finished)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QObject::disconnect(connection);
    return document;
}

int flameGraph(const QString &path, QTextStream &out)
{
    const double baseline = medianMilliseconds(5, [&] {
        QProcess wc;
        wc.setStandardOutputFile(QProcess::nullDevice());
        wc.start(QStringLiteral("wc"), { QStringLiteral("-l"), path });
        wc.waitForFinished();
    });
    const auto report = [&](const QString &what, double milliseconds) {
        out << what << ": " << QString::number(milliseconds, 'f', 1) << " ms, "
            << QString::number(milliseconds / baseline, 'f', 2) << "x wc -l (" << QString::number(baseline, 'f', 1)
            << " ms)\n";
        out.flush();
    };
    report(QStringLiteral("baseline"), baseline);

    DocumentController registry;
    QString error;
    MyDocument *document = openAndWait(registry, path, error);
    if (!document || !document->rootFunction()) {
        out << error << '\n';
        return 1;
    }
    document->window()->resize(1600, 1000);
    auto &flameGraph = partOf<FlameGraphTab>(*document, "flameGraphTab");
    partOf<QTabWidget>(*document, "tabView").setCurrentWidget(&flameGraph);
    QCoreApplication::processEvents();
    FlameGraphView &graph = *flameGraph.view();
    const ProfiledFunctionCall *root = document->rootFunction();
    out << "graph " << graph.viewport()->width() << " x " << graph.viewport()->height() << " pixels\n";

    report(QStringLiteral("root drawn from nothing"), medianMilliseconds(7, [&] {
        graph.setCall(nullptr);
        graph.setCall(root);
        graph.viewport()->repaint();
    }));
    int bars = 0;
    for (int row = 0; row < graph.bars().rowCount(); ++row)
        bars += int(graph.bars().row(row).size());
    out << "  " << graph.bars().rowCount() << " rows, " << bars << " bars laid out\n";

    // Down the widest bar of the second row, level by level, then back to
    // the root through the path.
    std::vector<double> zooms;
    std::vector<const ProfiledFunctionCall *> zoomed;
    for (int level = 0; level < 8; ++level) {
        const std::span<const FlameGraphLayout::Bar> row = graph.bars().row(1);
        const auto widest = std::max_element(row.begin(), row.end(),
            [](const FlameGraphLayout::Bar &a, const FlameGraphLayout::Bar &b) { return a.width < b.width; });
        if (widest == row.end() || widest->isBlock())
            break;
        const QPointF at = QRectF(graph.barRect(*widest)).center();
        QElapsedTimer timer;
        timer.start();
        for (const QEvent::Type type : { QEvent::MouseButtonPress, QEvent::MouseButtonRelease }) {
            QMouseEvent click(type, at, graph.viewport()->mapToGlobal(at), Qt::LeftButton,
                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, {});
            QCoreApplication::sendEvent(graph.viewport(), &click);
        }
        graph.viewport()->repaint();
        zooms.push_back(double(timer.nsecsElapsed()) / 1e6);
        zoomed.push_back(graph.call());
    }
    std::sort(zooms.begin(), zooms.end());
    if (!zooms.empty()) {
        report(QStringLiteral("click to zoom, median of %1 levels").arg(zooms.size()), zooms[zooms.size() / 2]);
        report(QStringLiteral("click to zoom, slowest"), zooms.back());
        // The same calls again, the graph alone, without the outline and tables.
        std::vector<double> drawn;
        for (const ProfiledFunctionCall *call : zoomed) {
            drawn.push_back(medianMilliseconds(3, [&] {
                graph.setCall(nullptr);
                graph.setCall(call);
                graph.viewport()->repaint();
            }));
        }
        report(QStringLiteral("  of which the graph, slowest"), *std::max_element(drawn.begin(), drawn.end()));
    }
    QElapsedTimer timer;
    timer.start();
    flameGraph.pathBar()->findChild<QToolButton *>()->click();
    graph.viewport()->repaint();
    report(QStringLiteral("back to the root through the path"), double(timer.nsecsElapsed()) / 1e6);
    registry.closeAllDocuments();
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // A temporary settings location: the registered defaults, and the user's
    // recently opened files are left alone.
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    QCoreApplication::setOrganizationName(QStringLiteral("Kestrune"));
    QCoreApplication::setApplicationName(QStringLiteral("Velotrace"));
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROFILE\n", argv[0]);
        return 2;
    }
    registerSettingsDefaults();
    QTextStream out(stdout);
    if (QByteArrayView(argv[1]) == "--wide")
        return wideOutline(argc > 2 ? std::atoi(argv[2]) : 1000000, out);
    if (QByteArrayView(argv[1]) == "--flame" && argc > 2)
        return flameGraph(QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath(), out);
    const QString path = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const double fileMegabytes = double(QFileInfo(path).size()) / (1024.0 * 1024.0);
    out << "file: " << path << " (" << QString::number(fileMegabytes, 'f', 1) << " MB)\n";
    const qint64 baseline = argc > 2 ? commandLineSummary(QString::fromLocal8Bit(argv[2]), path) : -1;
    if (baseline >= 0)
        out << "command-line summary (baseline): " << baseline << " ms\n";
    out.flush();

    DocumentController registry;
    Stopwatch timer;
    timer.start();
    // The file is read on another thread; the window appears once it has been.
    QString error;
    MyDocument *document = openAndWait(registry, path, error);
    if (!document) {
        out << error << '\n';
        return 1;
    }
    QCoreApplication::processEvents();
    const qint64 readMilliseconds = timer.milliseconds();
    out << "window usable: " << timer.elapsed() << ratio(timer.milliseconds(), baseline) << " (outline rows "
        << outlineModelOf(*document).rowCount() << ", calls rows " << tableRowCount(*document, "callsTableView")
        << ", summary rows " << tableRowCount(*document, "summaryTableView") << ")\n";
    out << "memory with the window open: " << QString::number(residentMegabytes(), 'f', 1) << " MB resident, "
        << QString::number(peakMegabytes(), 'f', 1) << " MB peak ("
        << QString::number(peakMegabytes() / fileMegabytes, 'f', 2) << "x the file)\n";
    out.flush();

    const ProfiledFunctionCall *root = document->rootFunction();
    if (!root)
        return 0;
    const TreeFacts facts = collect(*root);

    // The call whose subtree is nearest 100,000 calls.
    const qsizetype wanted = 100000;
    const ProfiledFunctionCall *target = root;
    for (const auto &[call, size] : facts.subtreeSize) {
        if (std::llabs(size - wanted) < std::llabs(facts.subtreeSize.at(target) - wanted))
            target = call;
    }
    const auto select = [&](const ProfiledFunctionCall &call) {
        const int row = outlineModelOf(*document).expandParents(call);
        outlineOf(*document).selectionModel()->clearSelection();
        timer.start();
        outlineOf(*document).selectionModel()->setCurrentIndex(
            outlineModelOf(*document).index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        const QString selectTime = timer.elapsed();
        out << "select a call with " << facts.subtreeSize.at(&call) - 1 << " calls below it: " << selectTime
            << " (calls rows " << tableRowCount(*document, "callsTableView") << ", summary rows "
            << tableRowCount(*document, "summaryTableView") << ")\n";
        out.flush();
    };
    // Find's first answer from the top: the first search also indexes the tree.
    const auto find = [&](const QString &pattern, bool regularExpression) {
        outlineModelOf(*document).collapseRow(0);
        DocumentWindow &window = *document->window();
        window.selectCall(*root);
        window.find();
        FindBar &bar = partOf<FindBar>(*document, "findBar");
        bar.setRegularExpression(regularExpression);
        bar.field()->setText(pattern);
        timer.start();
        window.findNext();
        const QString findTime = timer.elapsed();
        out << "find " << (regularExpression ? "/" + pattern + "/" : "\"" + pattern + "\"")
            << ", first answer: " << findTime << " (" << partOf<FindBar>(*document, "findBar").status() << ")\n";
        out.flush();
    };
    find(facts.calls.back()->function().name(), false);
    find(QStringLiteral("->handle$|::str"), true);
    find(QStringLiteral("no such function"), false);
    out << "memory with the tree indexed: " << QString::number(residentMegabytes(), 'f', 1) << " MB resident\n";

    // Every table refills: the callers tab in front.
    partOf<QTabWidget>(*document, "tabView").setCurrentIndex(2);
    select(*target);
    select(*root);

    // An outline of some 20,000 rows, each step painted.
    CallTreeModel &outline = outlineModelOf(*document);
    outline.collapseRow(0);
    for (int row = 0; row < outline.rowCount() && outline.rowCount() < 20000; ++row)
        outline.expandRow(row);
    QCoreApplication::processEvents();
    CallTreeView &view = outlineOf(*document);
    timer.start();
    for (int step = 0; step < 100; ++step) {
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() * step / 100);
        view.viewport()->repaint();
    }
    out << "100 scroll steps through " << outline.rowCount() << " outline rows, each painted: " << timer.elapsed()
        << "\n";

    // A table of 100,000 calls, sorted by several columns in turn.
    const qsizetype rows = std::min<qsizetype>(wanted, qsizetype(facts.calls.size()));
    auto &callsTab = partOf<CallsTab>(*document, "callsTab");
    callsTab.listCalls(std::vector<const ProfiledFunctionCall *>(facts.calls.begin(), facts.calls.begin() + rows));
    QAbstractItemModel &calls = *partOf<QTableView>(*document, "callsTableView").model();
    QCoreApplication::processEvents();
    const std::pair<int, Qt::SortOrder> orders[] = {
        { CallsController::InclusiveTimeColumn, Qt::DescendingOrder },
        { CallsController::FunctionColumn, Qt::AscendingOrder },
        { CallsController::FileColumn, Qt::DescendingOrder },
        { CallsController::SelfTimeColumn, Qt::AscendingOrder },
    };
    for (const auto &[column, order] : orders) {
        timer.start();
        calls.sort(column, order);
        out << "sort " << rows << " calls by column " << column << ": " << timer.elapsed() << "\n";
    }

    // Merging repeated calls and back, a deep call selected; the first
    // switch also merges the calls into paths.
    KFUserDefaultsController &defaults = KFUserDefaultsController::sharedUserDefaultsController();
    document->window()->selectCall(*facts.calls.back());
    for (const bool merged : { true, false, true }) {
        timer.start();
        defaults.setObjectForKey(merged, VTCMergeRepeatedCalls);
        QCoreApplication::processEvents();
        out << (merged ? "merge repeated calls: " : "show each call: ") << timer.elapsed() << ", "
            << QString::number(double(timer.milliseconds()) / double(std::max<qint64>(readMilliseconds, 1)), 'f', 3)
            << "x opening\n";
    }
    defaults.removeObjectForKey(VTCMergeRepeatedCalls);

    timer.start();
    registry.closeAllDocuments();
    out << "close: " << timer.elapsed() << "\n";
    return 0;
}
