// Usage: velotrace_window_bench PROFILE [VELOTRACE]
//        velotrace_window_bench --wide N
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
// scrolling and collapsing them in the outline.

#include "CallTreeModel.h"
#include "CallTreeView.h"
#include "CallsController.h"
#include "DocumentController.h"
#include "FindBar.h"
#include "FunctionModel.h"
#include "MyDocument.h"
#include "ProfiledFunctionCall.h"
#include "SettingsKeys.h"
#include "SummaryController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>

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

    MyDocument document(QStringLiteral("/wide.cachegrind"));
    document.readFromData(text);
    text = QByteArray();
    Stopwatch timer;
    timer.start();
    document.showWindows();
    QCoreApplication::processEvents();
    out << "window with " << children << " children of the root shown: " << timer.elapsed() << "\n";
    CallTreeView &outline = *document.outlineView();
    timer.start();
    for (int step = 0; step < 100; ++step) {
        outline.verticalScrollBar()->setValue(outline.verticalScrollBar()->maximum() * step / 100);
        outline.viewport()->repaint();
    }
    out << "100 scroll steps through them, each painted: " << timer.elapsed() << "\n";
    timer.start();
    document.outlineModel()->collapseRow(0);
    QCoreApplication::processEvents();
    out << "collapse: " << timer.elapsed() << "\n";
    timer.start();
    document.outlineModel()->expandRow(0);
    QCoreApplication::processEvents();
    out << "expand: " << timer.elapsed() << "\n";
    out << "memory: " << QString::number(residentMegabytes(), 'f', 1) << " MB resident\n";
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
    QString error;
    MyDocument *document = registry.openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), &error);
    if (!document) {
        out << error << '\n';
        return 1;
    }
    QCoreApplication::processEvents();
    out << "window usable: " << timer.elapsed() << ratio(timer.milliseconds(), baseline) << " (outline rows "
        << document->outlineModel()->rowCount() << ", calls rows " << document->callsTab()->rowCount()
        << ", summary rows " << document->summaryTab()->rowCount() << ")\n";
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
        const int row = document->outlineModel()->expandParents(call);
        document->outlineView()->selectionModel()->clearSelection();
        timer.start();
        document->outlineView()->selectionModel()->setCurrentIndex(
            document->outlineModel()->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        const QString selectTime = timer.elapsed();
        out << "select a call with " << facts.subtreeSize.at(&call) - 1 << " calls below it: " << selectTime
            << " (calls rows " << document->callsTab()->rowCount() << ", summary rows "
            << document->summaryTab()->rowCount() << ")\n";
        out.flush();
    };
    // Find's first answer from the top: the first search also indexes the tree.
    const auto find = [&](const QString &pattern, bool regularExpression) {
        document->outlineModel()->collapseRow(0);
        document->selectCall(*root);
        document->find();
        document->findBar()->setRegularExpression(regularExpression);
        document->findBar()->field()->setText(pattern);
        timer.start();
        document->findNext();
        const QString findTime = timer.elapsed();
        out << "find " << (regularExpression ? "/" + pattern + "/" : "\"" + pattern + "\"")
            << ", first answer: " << findTime << " (" << document->findBar()->status() << ")\n";
        out.flush();
    };
    find(facts.calls.back()->function().name(), false);
    find(QStringLiteral("->handle$|::str"), true);
    find(QStringLiteral("no such function"), false);
    out << "memory with the tree indexed: " << QString::number(residentMegabytes(), 'f', 1) << " MB resident\n";

    // Every table refills: the callers tab in front.
    document->tabView()->setCurrentIndex(2);
    select(*target);
    select(*root);

    // An outline of some 20,000 rows, each step painted.
    CallTreeModel &outline = *document->outlineModel();
    outline.collapseRow(0);
    for (int row = 0; row < outline.rowCount() && outline.rowCount() < 20000; ++row)
        outline.expandRow(row);
    QCoreApplication::processEvents();
    CallTreeView &view = *document->outlineView();
    timer.start();
    for (int step = 0; step < 100; ++step) {
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() * step / 100);
        view.viewport()->repaint();
    }
    out << "100 scroll steps through " << outline.rowCount() << " outline rows, each painted: " << timer.elapsed()
        << "\n";

    // A table of 100,000 calls, sorted by several columns in turn.
    const qsizetype rows = std::min<qsizetype>(wanted, qsizetype(facts.calls.size()));
    CallsController &calls = *document->callsTab();
    calls.populateFromArray(std::vector<const ProfiledFunctionCall *>(facts.calls.begin(), facts.calls.begin() + rows));
    calls.reloadData();
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

    timer.start();
    registry.closeAllDocuments();
    out << "close: " << timer.elapsed() << "\n";
    return 0;
}
