#include "CallTreeTestSupport.h"
#include "DataColumns.h"
#include "TestDefaults.h"

#include "CallIndex.h"
#include "CallSearch.h"
#include "CallTree.h"
#include "CallersController.h"
#include "CallsController.h"
#include "CostFormat.h"
#include "CostUnit.h"
#include "FlameGraphLayout.h"
#include "Formatter.h"
#include "HotPath.h"
#include "Profile.h"
#include "SettingsKeys.h"
#include "SummaryController.h"
#include "ViewRoles.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <memory>
#include <numeric>

using namespace Qt::StringLiterals;

namespace {

// main calls beta 9, Alpha 100, gamma 10 and php::count 50, in this order,
// with memory -3000, 10, 5000000 and -1 bytes.
QByteArray sortingProfile()
{
    return profileHeader(true) + record("/a.php", "beta", 1, 9, {}, -3000) + record("/a.php", "Alpha", 1, 100, {}, 10)
        + record("/a.php", "gamma", 1, 10, {}, 5000000) + record("php:internal", "php::count", 1, 50, {}, -1)
        + record("/a.php", "main", 1, 1, { "beta", "Alpha", "gamma", "php::count" }, 0);
}

// The memory event of the profiles here: the second, when there is one.
int memoryEventOf(const Profile &profile)
{
    return profile.events().size() > 1 ? 1 : -1;
}

// A profile and both tables over it, the tables under the model tester.
struct Tables
{
    explicit Tables(const QByteArray &text)
    {
        profile.readFromData(text);
        calls.setCostUnit(profile.costUnit());
        summary.setCostUnit(profile.costUnit());
        calls.setMemoryEvent(memoryEventOf(profile));
        summary.setMemoryEvent(memoryEventOf(profile));
    }
    Profile profile;
    CallsController calls;
    SummaryController summary;
    QAbstractItemModelTester callsTester { &calls, QAbstractItemModelTester::FailureReportingMode::QtTest };
    QAbstractItemModelTester summaryTester { &summary, QAbstractItemModelTester::FailureReportingMode::QtTest };
};

// main -> [A -> F (10) -> A (1) -> F (5), B -> F (7)], each call freeing as
// many bytes as it takes microseconds.
QByteArray recursiveCallers()
{
    return profileHeader(true) + record("/f.php", "F", 1, 5, {}, -5) + record("/f.php", "A", 2, 1, { "F" }, -1)
        + record("/f.php", "F", 3, 10, { "A" }, -10) + record("/f.php", "A", 4, 2, { "F" }, -2)
        + record("/f.php", "F", 5, 7, {}, -7) + record("/f.php", "B", 6, 0, { "F" }, 0)
        + record("/f.php", "main", 7, 0, { "A", "B" }, 0);
}

// A chain `depth` calls deep: f calls f ... calls leaf, one microsecond each.
QByteArray chainProfile(int depth)
{
    QByteArray text = profileHeader() + record("/leaf.php", "leaf", 2, 1);
    text.reserve(depth * 48);
    for (int i = 1; i < depth; ++i)
        text += "fl=/f.php\nfn=f\n1 1\ncfn=" + QByteArray(i == 1 ? "leaf" : "f") + "\ncalls=1 0 0\n1 1\n\n";
    return text;
}

// One record of a profile that records time and memory: a call with its
// self costs that calls the `callees` records just before it.
QByteArray node(const QByteArray &name, int time, int memory, int callees = 0)
{
    QByteArray text = "fl=/" + name + ".php\nfn=" + name + "\n3 " + QByteArray::number(time) + ' '
        + QByteArray::number(memory) + '\n';
    for (int i = 0; i < callees; ++i)
        text += "cfn=x\n";
    return text + '\n';
}

// main calls a (which calls c), t1 (which calls u), t2, b, t3 and t4: 1000
// inclusive time units in all. Memory: a's own is negative, c's is larger
// than a's inclusive, t3's is negative.
const QByteArray shapes = "events: Time Memory\n\n" + node("c", 200, 300) + node("a", 200, -100, 1) + node("u", 5, 0)
    + node("t1", 0, 0, 1) + node("t2", 5, 0) + node("b", 280, 250) + node("t3", 5, -10) + node("t4", 0, 0)
    + node("main", 305, 60, 6);

// Each row as "name@x+width", blocks as "[calls]@x+width".
QStringList rowsOf(const FlameGraphLayout &layout, const CallTree &tree)
{
    QStringList rows;
    for (int depth = 0; depth < layout.rowCount(); ++depth) {
        QStringList bars;
        for (const FlameGraphLayout::Bar &bar : layout.row(depth)) {
            const QString label
                = bar.isBlock() ? QStringLiteral("[%1]").arg(bar.blockSize) : tree.call(bar.call).function().name();
            bars << QStringLiteral("%1@%2+%3").arg(label).arg(bar.x).arg(bar.width);
        }
        rows << bars.join(QLatin1Char(' '));
    }
    return rows;
}

} // namespace

// The analysis needs no display: these tests run on a core application.
class TestAnalysis : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { registerSettingsDefaults(); }

    void init()
    {
        for (const QString &key :
            { VTCDisplayDash, VTCCallStackShowsInternalPhpFunctions, VTCSummaryShowsInternalPhpFunctions })
            defaults().removeObjectForKey(key);
        defaults().setObjectForKey(2, VTCMeasurement); // microseconds: the example's times are small
    }

    void rowsOfACall_data()
    {
        // summary: largest total inclusive time first
        addColumns<QByteArray, QString, QStringList, QStringList>("profile", "call", "calls", "summary");
        QTest::newRow("the root") << workedExample << "" << QStringList({ "1|render|5µs|7µs|/var/www/index.php|10" })
                                  << QStringList({ "render|5µs|7µs|5µs|7µs|1", "php::strlen|2µs|2µs|2µs|2µs|1" });
        QTest::newRow("a child") << workedExample << "render" << QStringList({ "1|php::strlen|2µs|2µs|php:internal|3" })
                                 << QStringList({ "php::strlen|2µs|2µs|2µs|2µs|1" });
        QTest::newRow("a leaf") << workedExample << "render/php::strlen" << QStringList() << QStringList();
        QTest::newRow("the root, with memory")
            << memoryExample << "" << QStringList({ "1|render|5µs|7µs|/var/www/index.php|10|-40 bytes|60 bytes" })
            << QStringList({ "render|5µs|7µs|5µs|7µs|1|-40 bytes|60 bytes|-40 bytes|60 bytes",
                   "php::strlen|2µs|2µs|2µs|2µs|1|100 bytes|100 bytes|100 bytes|100 bytes" });
    }

    void rowsOfACall()
    {
        QFETCH(QByteArray, profile);
        Tables tables(profile);
        const ProfiledFunctionCall *selected = callAtPath(tables.profile.rootFunction(), fetched<QString>("call"));
        tables.calls.populateFromFunction(*selected);
        tables.summary.populateFromFunction(*selected);
        QTEST(tableRows(tables.calls), "calls");
        QTEST(tableRows(tables.summary), "summary");
        // Column identifiers outside the table's, and rows that are not there, give nothing.
        QVERIFY(!tables.calls.objectValueForTableColumn(CallsController::ColumnCount, 0).isValid());
        QVERIFY(!tables.summary.objectValueForTableColumn(-1, 0).isValid());
        QVERIFY(!tables.summary.objectValueForTableColumn(0, tables.summary.rowCount()).isValid());
        tables.calls.reset();
        tables.summary.reset();
        QCOMPARE(tables.calls.rowCount() + tables.summary.rowCount(), 0);
    }

    // Numbers sort as numbers, names as text ignoring case; the filter
    // hides internal functions.
    void sortingAndFiltering_data()
    {
        // summary: else the calls table; column: -1: as filled
        addColumns<bool, bool, int, bool, QStringList>("summary", "showInternal", "column", "descending", "names");
        const int self = CallsController::SelfTimeColumn;
        const int total = SummaryController::TotalSelfTimeColumn;
        const int name = SummaryController::FunctionColumn;
        const int selfMemory = CallsController::SelfMemoryColumn;
        QTest::newRow("summary as filled")
            << true << true << -1 << false << QStringList({ "Alpha", "php::count", "gamma", "beta" });
        QTest::newRow("summary by time") << true << true << total << false
                                         << QStringList({ "beta", "gamma", "php::count", "Alpha" });
        QTest::newRow("summary by name") << true << true << name << false
                                         << QStringList({ "Alpha", "beta", "gamma", "php::count" });
        QTest::newRow("calls in file order")
            << false << true << -1 << false << QStringList({ "beta", "Alpha", "gamma", "php::count" });
        QTest::newRow("calls by time, descending")
            << false << true << self << true << QStringList({ "Alpha", "php::count", "gamma", "beta" });
        QTest::newRow("calls without internal, by time")
            << false << false << self << false << QStringList({ "beta", "gamma", "Alpha" });
        QTest::newRow("calls by memory, below 0 first")
            << false << true << selfMemory << false << QStringList({ "beta", "php::count", "Alpha", "gamma" });
    }

    void sortingAndFiltering()
    {
        QFETCH(bool, summary);
        QFETCH(bool, showInternal);
        QFETCH(int, column);
        defaults().setObjectForKey(showInternal, VTCSummaryShowsInternalPhpFunctions);
        defaults().setObjectForKey(showInternal, VTCCallStackShowsInternalPhpFunctions);
        Tables tables(sortingProfile());
        tables.calls.populateFromFunction(*tables.profile.rootFunction());
        tables.summary.populateFromFunction(*tables.profile.rootFunction());
        TableController &table = summary ? static_cast<TableController &>(tables.summary) : tables.calls;
        if (column >= 0)
            table.sort(column, fetched<bool>("descending") ? Qt::DescendingOrder : Qt::AscendingOrder);
        QTEST(tableRows(table, summary ? int(SummaryController::FunctionColumn) : int(CallsController::FunctionColumn)),
            "names");
    }

    // A sort while filtered sorts every row: turning the filter off shows
    // them all in the order the header says.
    void settingsRefilterAndRedisplayWithoutRereading()
    {
        Tables tables(sortingProfile());
        tables.summary.populateFromFunction(*tables.profile.rootFunction());
        QSignalSpy changed(&tables.summary, &QAbstractItemModel::dataChanged);
        defaults().setObjectForKey(false, VTCDisplayDash);
        QCOMPARE(changed.size(), 1);
        defaults().setObjectForKey(false, VTCSummaryShowsInternalPhpFunctions);
        QVERIFY(tables.summary.isFiltering());
        tables.summary.sort(SummaryController::FunctionColumn, Qt::AscendingOrder);
        QCOMPARE(tableRows(tables.summary, 0), QStringList({ "Alpha", "beta", "gamma" }));
        defaults().setObjectForKey(true, VTCSummaryShowsInternalPhpFunctions);
        QVERIFY(!tables.summary.isFiltering());
        QCOMPARE(tableRows(tables.summary, 0), QStringList({ "Alpha", "beta", "gamma", "php::count" }));
        tables.calls.populateFromArray({ tables.profile.rootFunction()->getChild(3) });
        tables.calls.filterPhpInternalFunctions(false);
        QCOMPARE(tables.calls.rowCount(), 0);
        tables.summary.reset();
        tables.summary.filterPhpInternalFunctions(false);
        QCOMPARE(tables.summary.rowCount(), 0);
    }

    void selectionsFollowTheirRowsThroughASort_data()
    {
        // table: 0 calls, 1 summary, 2 callers (of F); row: where the selected row goes
        addColumns<int, QString, int, Qt::SortOrder, int>("table", "selected", "column", "order", "row");
        QTest::newRow("calls") << 0 << "gamma" << int(CallsController::SelfTimeColumn) << Qt::AscendingOrder << 1;
        QTest::newRow("summary") << 1 << "gamma" << int(SummaryController::FunctionColumn) << Qt::DescendingOrder << 1;
        QTest::newRow("callers") << 2 << "A" << int(CallersController::FunctionColumn) << Qt::DescendingOrder << 1;
    }

    void selectionsFollowTheirRowsThroughASort()
    {
        QFETCH(int, table);
        Tables tables(sortingProfile());
        ReadProfile callers(recursiveCallers());
        const CallIndex index(callers.callTree());
        CallersController callersTable;
        tables.calls.populateFromFunction(*tables.profile.rootFunction());
        tables.summary.populateFromFunction(*tables.profile.rootFunction());
        callersTable.populateFromFunction(callAtPath(callers.rootFunction(), "B/F")->function(), index);
        const QList<TableController *> models = { &tables.calls, &tables.summary, &callersTable };
        const int functionColumn = table == 0 ? int(CallsController::FunctionColumn) : 0;
        QTEST(rowAfterSort(*models[table], functionColumn, fetched<QString>("selected"), fetched<int>("column"),
                  fetched<Qt::SortOrder>("order")),
            "row");
    }

    // Beside each call: inclusive time, share of the top call's inclusive
    // time (also as a fraction for the bar), self time.
    void outlineShowsCostsBesideEachCall_data()
    {
        addColumns<QByteArray, int, QStringList, QList<double>>("profile", "measurement", "rows", "shares");
        QTest::newRow("microseconds") << workedExample << 2
                                      << QStringList({ "main|20µs|100.0%|13µs", "render|7µs|35.0%|5µs",
                                             "php::strlen|2µs|10.0%|2µs" })
                                      << QList<double>({ 1.0, 0.35, 0.1 });
        QTest::newRow("milliseconds, dashed")
            << workedExample << 1 << QStringList({ "main|-|100.0%|-", "render|-|35.0%|-", "php::strlen|-|10.0%|-" })
            << QList<double>({ 1.0, 0.35, 0.1 });
        QTest::newRow("no time at the top")
            << QByteArray(profileHeader() + record("/a.php", "leaf", 1, 0) + record("/a.php", "main", 1, 0, { "leaf" }))
            << 2 << QStringList({ "main|-|-|-", "leaf|-|-|-" }) << QList<double>({ 0.0, 0.0 });
        QTest::newRow("memory") << memoryExample << 2
                                << QStringList({ "main|20µs|100.0%|13µs|1.04 KiB", "render|7µs|35.0%|5µs|60 bytes",
                                       "php::strlen|2µs|10.0%|2µs|100 bytes" })
                                << QList<double>({ 1.0, 0.35, 0.1 });
    }

    void outlineShowsCostsBesideEachCall()
    {
        QFETCH(QList<double>, shares);
        ReadProfile read(fetched<QByteArray>("profile"));
        CallTreeModel outline;
        QAbstractItemModelTester tester(&outline, QAbstractItemModelTester::FailureReportingMode::QtTest);
        outline.setCostUnit(read.costUnit());
        outline.setMemoryEvent(memoryEventOf(read));
        outline.setRootFunction(read.rootFunction());
        for (int row = 0; row < outline.rowCount(); ++row)
            outline.expandRow(row);
        defaults().setObjectForKey(fetched<int>("measurement"), VTCMeasurement);
        QSignalSpy changed(&outline, &QAbstractItemModel::dataChanged);
        outline.reloadData();
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex(), outline.index(0, CallTreeModel::InclusiveTimeColumn));
        QCOMPARE(changed.first().at(1).toModelIndex(),
            outline.index(outline.rowCount() - 1, CallTreeModel::ColumnCount - 1));
        QTEST(tableRows(outline), "rows");
        for (int row = 0; row < outline.rowCount(); ++row)
            QCOMPARE(outline.index(row, CallTreeModel::ShareColumn).data(ShareRole).toDouble(), shares.at(row));
    }

    void expandingParentsMatchesExpandingByHand_data()
    {
        // expandedFirst: paths as callAtPath takes them; "" is main
        addColumns<QStringList, QString>("expandedFirst", "target");
        QTest::newRow("all collapsed") << QStringList() << "a1/y/deep2";
        QTest::newRow("top expanded") << QStringList({ "" }) << "a1/y/deep2";
        QTest::newRow("a later sibling expanded") << QStringList({ "", "a2" }) << "a1/y/deep1";
        QTest::newRow("already shown") << QStringList({ "", "a1" }) << "a1/z";
    }

    void expandingParentsMatchesExpandingByHand()
    {
        ReadProfile profile(branchingProfile());
        const ProfiledFunctionCall *call = callAtPath(profile.rootFunction(), fetched<QString>("target"));
        QVERIFY(call);
        CallTreeModel byParents;
        QAbstractItemModelTester tester(&byParents, QAbstractItemModelTester::FailureReportingMode::QtTest);
        CallTreeModel byHand;
        for (CallTreeModel *model : { &byParents, &byHand }) {
            model->setRootFunction(profile.rootFunction());
            for (const QString &path : fetched<QStringList>("expandedFirst"))
                model->expandRow(model->rowOfCall(callAtPath(profile.rootFunction(), path)));
        }
        const int row = byParents.expandParents(*call);
        QList<const ProfiledFunctionCall *> chain;
        for (const ProfiledFunctionCall *node = call->parent(); node; node = node->parent())
            chain.prepend(node);
        for (const ProfiledFunctionCall *node : chain)
            byHand.expandRow(byHand.rowOfCall(node));
        QCOMPARE(outlineRows(byParents), outlineRows(byHand));
        QCOMPARE(byParents.callAtRow(row), call);
        QCOMPARE(byParents.rowOfCall(call), row);
        QVERIFY(!byParents.callAtRow(-1) && !byParents.callAtRow(byParents.rowCount()));
        byParents.setRootFunction(nullptr);
        QCOMPARE(byParents.rowCount(), 0);
    }

    void findGoesRoundInPreOrder_data()
    {
        // from: "-" for no call; found: "-" for none; kOfN: the match's number from 1, of the count
        addColumns<QString, bool, QString, bool, QString, QString>(
            "pattern", "regex", "from", "forward", "found", "kOfN");
        QTest::newRow("into a branch") << "deep" << false << "" << true << u"a1/y/deep1"_s << "1 of 2";
        QTest::newRow("ignoring case") << "DEEP" << false << "a1/y/deep1" << true << u"a1/y/deep2"_s << "2 of 2";
        QTest::newRow("round from the end") << "deep" << false << "a1/y/deep2" << true << u"a1/y/deep1"_s << "1 of 2";
        QTest::newRow("back round from the start") << "a" << false << "" << false << u"a2"_s << "3 of 3";
        QTest::newRow("back past a subtree") << "deep" << false << "b" << false << u"a1/y/deep2"_s << "2 of 2";
        QTest::newRow("from no call") << "deep" << false << "-" << true << u"a1/y/deep1"_s << "1 of 2";
        QTest::newRow("back from no call") << "deep" << false << "-" << false << u"a1/y/deep2"_s << "2 of 2";
        QTest::newRow("a regular expression") << "^a\\d$" << true << "b" << true << u"a2"_s << "2 of 2";
        QTest::newRow("dot as text") << "." << false << "" << true << u"-"_s << "0 of 0";
        QTest::newRow("empty pattern") << "" << false << "" << true << u"-"_s << "0 of 0";
    }

    void findGoesRoundInPreOrder()
    {
        QFETCH(QString, from);
        ReadProfile profile(branchingProfile());
        const CallIndex index(profile.callTree());
        std::vector<quint32> calls(index.tree().size());
        std::iota(calls.begin(), calls.end(), 0u);
        std::sort(calls.begin(), calls.end(), [&](quint32 left, quint32 right) { return index.precedes(left, right); });
        QStringList preOrder;
        for (const quint32 call : calls)
            preOrder << index.tree().call(call).function().name();
        QCOMPARE(preOrder.join(' '), QStringLiteral("main a1 x y deep1 deep2 z b a2 w"));
        CallSearch search(index);
        QVERIFY(search.setPattern(fetched<QString>("pattern"), fetched<bool>("regex")));
        const ProfiledFunctionCall *start
            = from == QLatin1String("-") ? nullptr : callAtPath(profile.rootFunction(), from);
        const qsizetype number = fetched<bool>("forward") ? search.nextMatch(start) : search.previousMatch(start);
        QTEST(number < 0 ? QStringLiteral("-") : pathOfCall(&search.match(number)), "found");
        const qsizetype shown = number < 0 ? -1 : search.matchNumberOf(&search.match(number));
        QTEST(QStringLiteral("%1 of %2").arg(shown + 1).arg(search.matchCount()), "kOfN");
    }

    // main -> a -> [c, d], b -> e, with the self times and memory of c, d
    // and e given (a, b and main have none).
    void hotPathFollowsTheCostliestChild_data()
    {
        addColumns<QList<int>, QList<int>, int, QString, QString, int>(
            "times", "memory", "event", "from", "end", "stop");
        const int leaf = int(HotPath::Stop::Leaf);
        const int noCost = int(HotPath::Stop::NoCost);
        QTest::newRow("ties take the first") << QList { 30, 30, 4 } << QList { 0, 0, 0 } << 0 << u""_s << "a/c" << leaf;
        QTest::newRow("the larger child") << QList { 29, 31, 4 } << QList { 0, 0, 0 } << 0 << u""_s << "a/d" << leaf;
        QTest::newRow("a tiny share is followed")
            << QList { 30, 30, 1 } << QList { 0, 0, 0 } << 0 << u"b"_s << "b/e" << leaf;
        QTest::newRow("memory, not time") << QList { 30, 29, 1 } << QList { 5, 50, 0 } << 1 << u""_s << "a/d" << leaf;
        QTest::newRow("children without time")
            << QList { 30, 29, 0 } << QList { 0, 0, 0 } << 0 << u"b"_s << "b" << noCost;
        QTest::newRow("memory given back is no cost")
            << QList { 30, 29, 1 } << QList { -5, -50, 0 } << 1 << u"a"_s << "a" << noCost;
    }

    void hotPathFollowsTheCostliestChild()
    {
        const auto times = fetched<QList<int>>("times");
        const auto memory = fetched<QList<int>>("memory");
        const auto leafRecord = [&](const char *name, int at) {
            return record("/f.php", name, at + 1, quint64(times[at]), {}, memory[at]);
        };
        const QByteArray text = profileHeader(true) + leafRecord("c", 0) + leafRecord("d", 1)
            + record("/f.php", "a", 3, 0, { "c", "d" }, 0) + leafRecord("e", 2)
            + record("/f.php", "b", 5, 0, { "e" }, 0) + record("/f.php", "main", 6, 0, { "a", "b" }, 0);
        ReadProfile profile(text);
        const HotPath::End end
            = HotPath::end(*callAtPath(profile.rootFunction(), fetched<QString>("from")), fetched<int>("event"));
        QTEST(pathOfCall(end.call), "end");
        QTEST(int(end.reason), "stop");
    }

    // A root with thousands of calls, none of which holds 1% of its time.
    void hotPathBelowAWideRoot()
    {
        QByteArray text = profileHeader();
        QList<QByteArray> callees;
        for (int i = 0; i < 3000; ++i) {
            callees << "f" + QByteArray::number(i);
            text += record("/f.php", callees.back(), i + 1, quint64(10 + i % 7));
        }
        ReadProfile profile(text + record("/f.php", "main", 1, 1, callees));
        const HotPath::End end = HotPath::end(*profile.rootFunction(), 0);
        QCOMPARE(end.call->function().name(), QStringLiteral("f6"));
        QCOMPARE(end.reason, HotPath::Stop::Leaf);
    }

    void callersCountRecursionOnce_data()
    {
        // rows: largest total inclusive time first
        addColumns<QString, QStringList>("callee", "rows");
        QTest::newRow("a function called around itself")
            << "F" << QStringList({ "A|2|15µs|16µs|-15 bytes|-16 bytes", "B|1|7µs|7µs|-7 bytes|-7 bytes" });
        QTest::newRow("a function calling itself")
            << "A" << QStringList({ "main|1|2µs|18µs|-2 bytes|-18 bytes", "F|1|1µs|6µs|-1 bytes|-6 bytes" });
        QTest::newRow("the root") << "main" << QStringList();
    }

    void callersCountRecursionOnce()
    {
        QFETCH(QString, callee);
        ReadProfile profile(recursiveCallers());
        const CallIndex index(profile.callTree());
        CallersController callers;
        QAbstractItemModelTester tester(&callers, QAbstractItemModelTester::FailureReportingMode::QtTest);
        callers.setCostUnit(profile.costUnit());
        callers.setMemoryEvent(1);
        const FunctionModel *named = nullptr;
        for (quint32 id = 0; id < quint32(profile.functionCount()) && !named; ++id)
            named = profile.function(id).name() == callee ? &profile.function(id) : nullptr;
        QVERIFY(named);
        const FunctionModel &function = *named;
        callers.populateFromFunction(function, index);
        QCOMPARE(callers.calledFunction(), &function);
        QTEST(tableRows(callers), "rows");
        for (int row = 0; row < callers.rowCount(); ++row) {
            for (const ProfiledFunctionCall *call : callers.callsAt(row)) {
                QCOMPARE(&call->function(), &function);
                QCOMPARE(call->parent()->function().name(), tableRows(callers, 0).at(row));
            }
        }
        callers.reset();
        QCOMPARE(callers.rowCount(), 0);
        QVERIFY(!callers.calledFunction());
    }

    // Nothing here may recurse per level or count the chain more than once.
    void aChainAHundredThousandDeep()
    {
        const int depth = 100000;
        ReadProfile profile(chainProfile(depth));
        const ProfiledFunctionCall *root = profile.rootFunction();
        const CallIndex index(profile.callTree());
        const ProfiledFunctionCall &leaf = *HotPath::end(*root, 0).call;
        QCOMPARE(leaf.function().name(), QStringLiteral("leaf"));
        QCOMPARE(index.subtreeBegin(leaf.callNumber()), 0u);
        QVERIFY(index.contains(root->callNumber(), leaf.callNumber()));
        CallSearch search(index);
        QVERIFY(search.setPattern(QStringLiteral("LEAF"), false));
        QCOMPARE(&search.match(search.nextMatch(root)), &leaf);

        CallersController callers;
        callers.setCostUnit(profile.costUnit());
        callers.populateFromFunction(root->function(), index);
        QCOMPARE(tableRows(callers), QStringList({ "f|99998|99998µs|99999µs" }));

        CallTreeModel outline;
        outline.setRootFunction(root);
        const int row = outline.expandParents(leaf);
        QCOMPARE(row, depth - 1);
        QCOMPARE(outline.callAtRow(row), &leaf);
        QCOMPARE(outline.index(row, CallTreeModel::ShareColumn).data().toString(), QStringLiteral("0.0%"));
        outline.collapseRow(0);
        QCOMPARE(outline.rowCount(), 1);
    }

    void timeCostString_data()
    {
        addColumns<double, qint64, bool, QString>("microseconds", "measurement", "displayDash", "expected");
        const qint64 s = 0, ms = 1, us = 2, ns = 3, automatic = 4;
        QTest::newRow("zero, microseconds, dash") << 0.0 << us << true << "-";
        QTest::newRow("zero without dash") << 0.0 << ms << false << "0.0ms";
        // A dash only where the figure shows as nothing.
        QTest::newRow("a thousandth of a second") << 1000.0 << s << true << "0.001s";
        QTest::newRow("rounds to nothing in seconds") << 499.0 << s << true << "-";
        QTest::newRow("an exact tenth of a millisecond") << 100.0 << ms << true << "0.1ms";
        QTest::newRow("rounds up to a tenth") << 50.1 << ms << true << "0.1ms";
        QTest::newRow("rounds to nothing in milliseconds") << 49.9 << ms << true << "-";
        QTest::newRow("example, microseconds") << 1234567.0 << us << true << QStringLiteral("1234567µs");
        const CostUnit tenNanoseconds = CostUnit::fromEventName("Time_(10ns)");
        QTest::newRow("10 ns units in nanoseconds") << tenNanoseconds.toMicroseconds(3) << ns << true << "30ns";
        QTest::newRow("10 ns units, a millisecond") << tenNanoseconds.toMicroseconds(100000) << ms << true << "1.0ms";
        QTest::newRow("beyond 32 bits") << 1099511627776.0 << s << true << "1099511.628s";
        QTest::newRow("negative") << -1500.0 << ms << true << "-1.5ms";
        // Automatic: the largest unit that keeps the figure at or above 1.
        QTest::newRow("automatic, a second") << 1000000.0 << automatic << true << "1.000s";
        QTest::newRow("automatic, just below a second") << 999999.0 << automatic << true << "1000.0ms";
        QTest::newRow("automatic, a millisecond") << 1000.0 << automatic << true << "1.0ms";
        QTest::newRow("automatic, just below") << 999.9 << automatic << true << QStringLiteral("999.9µs");
        QTest::newRow("automatic, a microsecond") << 1.0 << automatic << true << QStringLiteral("1.0µs");
        QTest::newRow("automatic, below") << 0.01 << automatic << true << "10ns";
        QTest::newRow("automatic, negative") << -2500.0 << automatic << true << "-2.5ms";
        QTest::newRow("automatic, zero") << 0.0 << automatic << true << "-";
        QTest::newRow("unknown unit 5") << 5.0 << qint64(5) << true << "unknown measurement format";
        QTest::newRow("unknown unit -1") << 0.0 << qint64(-1) << false << "unknown measurement format";
    }

    void timeCostString()
    {
        QFETCH(double, microseconds);
        QFETCH(qint64, measurement);
        QFETCH(bool, displayDash);
        QTEST(CostFormat::timeCostString(microseconds, timeUnitFromSetting(measurement), displayDash), "expected");

        defaults().setObjectForKey(measurement, VTCMeasurement);
        defaults().setObjectForKey(displayDash, VTCDisplayDash);
        QTEST(Formatter::standardFormatter().getTimeCostString(microseconds), "expected");
    }

    // Figures grouped as the locale groups them; the unit stays whole.
    void grouping_data()
    {
        addColumns<QString, double, qint64, QString>("locale", "microseconds", "measurement", "expected");
        QTest::newRow("English milliseconds") << "en_US" << 39565600.0 << qint64(1) << "39,565.6ms";
        QTest::newRow("German milliseconds") << "de_DE" << 39565600.0 << qint64(1) << "39.565,6ms";
        QTest::newRow("huge seconds keep the unit") << "en_US" << 1.0e18 << qint64(0) << "1,000,000,000,000.000s";
        QTest::newRow("C does not group") << "C" << 39565600.0 << qint64(1) << "39565.6ms";
    }

    void grouping()
    {
        const QLocale locale(fetched<QString>("locale"));
        QTEST(CostFormat::timeCostString(
                  fetched<double>("microseconds"), timeUnitFromSetting(fetched<qint64>("measurement")), true, locale),
            "expected");
    }

    void withPercentage_data()
    {
        addColumns<double, double, qint64, bool, QString>(
            "time", "reference", "measurement", "displayDash", "expected");
        QTest::newRow("quarter, milliseconds") << 500.0 << 2000.0 << qint64(1) << true << "0.5ms (25.00%)";
        QTest::newRow("dashed time has no share") << 400.0 << 2000.0 << qint64(0) << true << "-";
        QTest::newRow("zero of zero") << 0.0 << 0.0 << qint64(1) << false << "0.0ms (nan%)";
        QTest::newRow("some of zero") << 5.0 << 0.0 << qint64(1) << false << "0.0ms (inf%)";
        QTest::newRow("unknown unit takes a share")
            << 1.0 << 4.0 << qint64(7) << true << "unknown measurement format (25.00%)";
    }

    void withPercentage()
    {
        QFETCH(double, time);
        QFETCH(double, reference);
        QFETCH(qint64, measurement);
        QFETCH(bool, displayDash);
        QTEST(CostFormat::timeCostStringWithPercentage(time, reference, timeUnitFromSetting(measurement), displayDash),
            "expected");

        defaults().setObjectForKey(measurement, VTCMeasurement);
        defaults().setObjectForKey(displayDash, VTCDisplayDash);
        QTEST(Formatter::standardFormatter().getTimeCostStringWithPercentage(time, reference), "expected");
    }

    void layout_data()
    {
        addColumns<QByteArray, int, double, QStringList>("profile", "event", "width", "rows");
        QTest::newRow("wide enough for all")
            << shapes << 0 << 1000.0
            << QStringList { "main@0+1000", "a@0+400 t1@400+5 t2@405+5 b@410+280 t3@690+5", "c@0+200 u@400+5" };
        // t1 and t2 are half a pixel each, t3 half and t4 none: blocks,
        // and nothing below t1 is laid out.
        QTest::newRow("narrow calls in blocks")
            << shapes << 0 << 100.0 << QStringList { "main@0+100", "a@0+40 [2]@40+1 b@41+28 [2]@69+0.5", "c@0+20" };
        QTest::newRow("narrower than a pixel") << shapes << 0 << 0.5 << QStringList { "main@0+0.5" };
        // Negative figures are no width; c, larger than a, fills it.
        QTest::newRow("memory") << shapes << 1 << 100.0 << QStringList { "main@0+100", "a@0+40 b@40+50", "c@0+40" };
        QByteArray wide = "events: Time\n\n";
        for (int i = 0; i < 20000; ++i)
            wide += "fn=leaf\n1 1\n\n";
        wide += "fn=main\n1 0\n" + QByteArray("cfn=leaf\n").repeated(20000) + '\n';
        QTest::newRow("twenty thousand narrow callees")
            << wide << 0 << 100.0 << QStringList { "main@0+100", "[20000]@0+100" };
    }

    void layout()
    {
        const ReadProfile read(fetched<QByteArray>("profile"));
        FlameGraphLayout layout;
        layout.reset(read.callTree(), read.callTree().rootNumber(), fetched<int>("event"), fetched<double>("width"));
        layout.layOutRows(1000);
        QVERIFY(layout.isComplete());
        QTEST(rowsOf(layout, read.callTree()), "rows");
    }
};

QTEST_GUILESS_MAIN(TestAnalysis)
#include "tst_analysis.moc"
