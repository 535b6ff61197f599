// Usage: velotrace_window_bench PROFILE
//        velotrace_window_bench --wide N
// Opens PROFILE in a document window (offscreen works) and prints, in
// milliseconds and megabytes: the time until the window is usable (root
// selected and expanded, both tables filled), the time to refill both tables
// for the call whose subtree is nearest 100,000 calls, the time to sort a
// table of 100,000 calls by several columns, and the memory in use. With
// --wide it builds a profile whose root has N children and times showing,
// scrolling and collapsing them in the outline.

#include "CallTreeModel.h"
#include "CallTreeView.h"
#include "CallsController.h"
#include "DocumentController.h"
#include "MyDocument.h"
#include "ProfiledFunctionCall.h"
#include "SettingsKeys.h"
#include "SummaryController.h"

#include <QApplication>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
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

    DocumentController registry;
    Stopwatch timer;
    timer.start();
    // The file is read on another thread; the window appears once it has been.
    QString error;
    MyDocument *document = nullptr;
    bool finished = false;
    QObject::connect(
        &registry, &DocumentController::openFinished, [&](const QUrl &, MyDocument *opened, const QString &message) {
            document = opened;
            error = message;
            finished = true;
        });
    registry.openDocumentWithContentsOfURL(QUrl::fromLocalFile(path), false);
    while (!finished)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (!document) {
        out << error << '\n';
        return 1;
    }
    QCoreApplication::processEvents();
    out << "window usable: " << timer.elapsed() << " (outline rows " << document->outlineModel()->rowCount()
        << ", calls rows " << document->callsTab()->rowCount() << ", summary rows "
        << document->summaryTab()->rowCount() << ")\n";
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
    select(*target);
    select(*root);

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
