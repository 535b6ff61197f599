#include "CallTreeTestSupport.h"
#include "DataColumns.h"
#include "TestDefaults.h"

#include "CallIndex.h"
#include "CallSearch.h"
#include "CallTreeMerger.h"
#include "CallersController.h"
#include "CallsController.h"
#include "FlameGraphLayout.h"
#include "GraphSummary.h"
#include "MergedCallTree.h"
#include "MergedCallTreeModel.h"
#include "Profile.h"
#include "ProfiledFunctionSummary.h"
#include "SettingsKeys.h"
#include "SummaryController.h"

#include <QAbstractItemModelTester>
#include <QTest>

namespace {

// main -> [a -> [b (2)], a -> [b (3), c (10)], d (4)], each a 1 microsecond
// of its own: the paths main (21), a x2 (17), b x2 (5), c (10), d (4).
QByteArray repeatedProfile()
{
    return profileHeader() + record("/f.php", "b", 1, 2) + record("/f.php", "a", 2, 1, { "b" })
        + record("/f.php", "b", 3, 3) + record("/f.php", "c", 4, 10) + record("/f.php", "a", 5, 1, { "b", "c" })
        + record("/f.php", "d", 6, 4) + record("/f.php", "main", 7, 0, { "a", "a", "d" });
}

// Every row expanded, from the top down.
void expandAll(OutlineModel &model)
{
    for (int row = 0; row < model.rowCount(); ++row)
        model.expandRow(row);
}

// Each row of a flame graph as "name×calls@x+width", a block of hidden
// calls as "+calls@x+width".
QStringList barsOf(FlameGraphLayout &layout, const Profile &profile)
{
    layout.layOutRows(100);
    QStringList rows;
    for (int depth = 0; depth < layout.rowCount(); ++depth) {
        QStringList bars;
        for (const FlameGraphLayout::Bar &bar : layout.row(depth)) {
            if (bar.hidden) {
                bars << QStringLiteral("+%1@%2+%3").arg(bar.hiddenCalls).arg(bar.x).arg(bar.width);
                continue;
            }
            bars << QStringLiteral("%1×%2@%3+%4")
                        .arg(profile.callTree().call(layout.recordedCall(bar.call)).function().name())
                        .arg(layout.callCount(bar.call))
                        .arg(bar.x)
                        .arg(bar.width);
        }
        rows << bars.join(u' ');
    }
    return rows;
}

// main calls a, which calls b from two lines, and b calls a back: a
// recursion cycle, written per function.
const QByteArray cycleProfile
    = "events: Time\n\nfl=/r.php\nfn=main\n1 5\ncfn=a\ncalls=1 2\n1 95\n\nfn=a\n2 10\n"
      "cfn=b\ncalls=2 5\n3 60\ncfn=b\ncalls=1 5\n4 25\n\nfn=b\n5 50\ncfn=a\ncalls=1 2\n6 30\n";

// The node of the function graph named `name`.
quint32 nodeNamed(const Profile &profile, const QString &name)
{
    const FunctionGraph &graph = profile.functionGraph();
    for (quint32 node = 0; node < graph.size(); ++node) {
        if (profile.function(graph.function(node)).name() == name)
            return node;
    }
    return FunctionGraph::none;
}

// main -> [a -> [r (1) -> [r (2) -> [x (4)]]], a -> [x (8)],
// a -> [r (16) -> [r (32)]], x (64)], each a 100 of its own: the path a x3
// holds r four times, of which two are outermost (7 and 48), and x twice.
QByteArray recursiveBelowRepeats()
{
    return profileHeader() + record("/f.php", "x", 1, 4) + record("/f.php", "r", 2, 2, { "x" })
        + record("/f.php", "r", 2, 1, { "r" }) + record("/f.php", "a", 3, 100, { "r" }) + record("/f.php", "x", 1, 8)
        + record("/f.php", "a", 3, 100, { "x" }) + record("/f.php", "r", 2, 32) + record("/f.php", "r", 2, 16, { "r" })
        + record("/f.php", "a", 3, 100, { "r" }) + record("/f.php", "x", 1, 64)
        + record("/f.php", "main", 4, 0, { "a", "a", "a", "x" });
}

// The path reached from the root by the function names in `names` ("a/r").
quint32 pathNamed(const Profile &profile, const MergedCallTree &paths, const QString &names)
{
    quint32 path = paths.root();
    for (const QString &name : names.split(u'/', Qt::SkipEmptyParts)) {
        quint32 next = MergedCallTree::none;
        for (quint32 i = 0; i < paths.childCount(path) && next == MergedCallTree::none; ++i)
            next = profile.function(paths.function(paths.child(path, i))).name() == name ? paths.child(path, i) : next;
        path = next;
    }
    return path;
}

} // namespace

class TestMergedOutline : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        registerSettingsDefaults();
        defaults().setObjectForKey(2, VTCMeasurement);
    }

    void oneRowPerCallPath_data()
    {
        addColumns<QByteArray, ChildOrder, QStringList>("profile", "order", "rows");
        QTest::newRow("call order") << repeatedProfile() << ChildOrder::CallOrder
                                    << QStringList({ "main|21µs|100.0%|-||×1", "a|17µs|81.0%|2µs||×2",
                                           "b|5µs|23.8%|5µs||×2", "c|10µs|47.6%|10µs||×1", "d|4µs|19.0%|4µs||×1" });
        QTest::newRow("heaviest first") << repeatedProfile() << ChildOrder::HeaviestFirst
                                        << QStringList({ "main|21µs|100.0%|-||×1", "a|17µs|81.0%|2µs||×2",
                                               "c|10µs|47.6%|10µs||×1", "b|5µs|23.8%|5µs||×2", "d|4µs|19.0%|4µs||×1" });
        // main -> f -> f -> f: one path per level.
        QTest::newRow("recursion") << QByteArray(profileHeader() + record("/f.php", "f", 1, 1)
            + record("/f.php", "f", 1, 2, { "f" }) + record("/f.php", "f", 1, 4, { "f" })
            + record("/f.php", "main", 1, 0, { "f" }))
                                   << ChildOrder::CallOrder
                                   << QStringList({ "main|7µs|100.0%|-||×1", "f|7µs|100.0%|4µs||×1",
                                          "f|3µs|42.9%|2µs||×1", "f|1µs|14.3%|1µs||×1" });
    }

    void oneRowPerCallPath()
    {
        ReadProfile profile(fetched<QByteArray>("profile"));
        const MergedCallTree paths = CallTreeMerger::merge(profile.callTree());
        MergedCallTreeModel outline;
        QAbstractItemModelTester tester(&outline, QAbstractItemModelTester::FailureReportingMode::QtTest);
        outline.setChildOrder(fetched<ChildOrder>("order"));
        outline.setPaths(&profile, &paths);
        expandAll(outline);
        QTEST(tableRows(outline), "rows");
        // A row's call is the first call along its path.
        for (int row = 0; row < outline.rowCount(); ++row)
            QCOMPARE(profile.callTree().numberOf(*outline.callAtRow(row)), paths.firstCall(outline.pathOfRow(row)));
        outline.setPaths(nullptr, nullptr);
        QCOMPARE(outline.rowCount(), 0);
    }

    void anyCallBringsOutItsPathsRow_data()
    {
        // expandedFirst: rows expanded by hand first, by the path of their call
        addColumns<ChildOrder, QStringList, QString>("order", "expandedFirst", "call");
        QTest::newRow("all collapsed") << ChildOrder::CallOrder << QStringList() << "a2/y/deep2";
        QTest::newRow("heaviest first, top expanded")
            << ChildOrder::HeaviestFirst << QStringList({ "" }) << "a1/y/deep1";
        QTest::newRow("a sibling expanded") << ChildOrder::CallOrder << QStringList({ "", "a" }) << "a2/y";
        QTest::newRow("already shown") << ChildOrder::HeaviestFirst << QStringList({ "", "b" }) << "b";
    }

    void anyCallBringsOutItsPathsRow()
    {
        // main -> [a -> [y -> [deep1], z], b, a -> [y -> [deep2]]]: the two
        // a and the two y merge.
        ReadProfile profile(profileHeader() + record("/f.php", "deep1", 1, 1) + record("/f.php", "y", 2, 1, { "deep1" })
            + record("/f.php", "z", 3, 1) + record("/f.php", "a", 4, 1, { "y", "z" }) + record("/f.php", "b", 5, 30)
            + record("/f.php", "deep2", 1, 5) + record("/f.php", "y", 2, 1, { "deep2" })
            + record("/f.php", "a", 4, 1, { "y" }) + record("/f.php", "main", 9, 1, { "a", "b", "a" }));
        const MergedCallTree paths = CallTreeMerger::merge(profile.callTree());
        const ProfiledFunctionCall *root = profile.rootFunction();
        // "a2" is the second call of a.
        const QString wanted = fetched<QString>("call");
        const ProfiledFunctionCall *call = wanted.startsWith(u"a2")
            ? callAtPath(root->getChild(2), wanted.mid(3))
            : callAtPath(root, QString(wanted).replace(u"a1"_qs, u"a"_qs));
        QVERIFY(call);
        MergedCallTreeModel byCall;
        QAbstractItemModelTester tester(&byCall, QAbstractItemModelTester::FailureReportingMode::QtTest);
        MergedCallTreeModel byHand;
        for (MergedCallTreeModel *model : { &byCall, &byHand }) {
            model->setChildOrder(fetched<ChildOrder>("order"));
            model->setPaths(&profile, &paths);
            for (const QString &path : fetched<QStringList>("expandedFirst"))
                model->expandRow(model->expandParents(*callAtPath(root, path)));
        }
        const int row = byCall.expandParents(*call);
        const quint32 path = CallTreeMerger::pathOfCall(paths, profile.callTree(), profile.callTree().numberOf(*call));
        QCOMPARE(byCall.pathOfRow(row), path);
        QList<quint32> chain;
        for (quint32 above = paths.parent(path); above != MergedCallTree::none; above = paths.parent(above))
            chain.prepend(above);
        for (const quint32 above : chain)
            byHand.expandRow(byHand.expandToPath(above));
        QCOMPARE(outlineRows(byCall), outlineRows(byHand));
        QCOMPARE(byCall.expandPath(byCall.pathAtRow(row)), row);
    }

    void smallCallsHidden_data()
    {
        // goTo: a call brought out after the top row was expanded (its
        // path, the first a meant by "a"); else every row expanded.
        addColumns<bool, ChildOrder, double, QString, QStringList>("merged", "order", "share", "goTo", "rows");
        // Share 0.2 of 21: below 4.2 is hidden; each parent's figures add up.
        QTest::newRow("calls") << false << ChildOrder::CallOrder << 0.2 << ""
                               << QStringList({ "main|21µs|100.0%|-", "a|14µs|66.7%|1µs", "c|10µs|47.6%|10µs",
                                      "1 more call (14.3%)|3µs|14.3%|3µs", "2 more calls (33.3%)|7µs|33.3%|5µs" });
        QTest::newRow("paths") << true << ChildOrder::CallOrder << 0.2 << ""
                               << QStringList({ "main|21µs|100.0%|-||×1", "a|17µs|81.0%|2µs||×2", "b|5µs|23.8%|5µs||×2",
                                      "c|10µs|47.6%|10µs||×1", "1 more call (19.0%)|4µs|19.0%|4µs||×1" });
        QTest::newRow("paths, heaviest first, half hidden")
            << true << ChildOrder::HeaviestFirst << 0.5 << ""
            << QStringList({ "main|21µs|100.0%|-||×1", "a|17µs|81.0%|2µs||×2",
                   "3 more calls (71.4%)|15µs|71.4%|15µs||×3", "1 more call (19.0%)|4µs|19.0%|4µs||×1" });
        // Going to a hidden call lists its parent's children again, with it.
        QTest::newRow("going to a hidden call")
            << false << ChildOrder::CallOrder << 0.2 << "a/b"
            << QStringList({ "main|21µs|100.0%|-", "a|3µs|14.3%|1µs", "b|2µs|9.5%|2µs", "a|14µs|66.7%|1µs",
                   "1 more call (19.0%)|4µs|19.0%|4µs" });
        QTest::newRow("going to a hidden path")
            << true << ChildOrder::CallOrder << 0.2 << "d"
            << QStringList({ "main|21µs|100.0%|-||×1", "a|17µs|81.0%|2µs||×2", "d|4µs|19.0%|4µs||×1" });
    }

    void smallCallsHidden()
    {
        ReadProfile profile(repeatedProfile());
        const MergedCallTree paths = CallTreeMerger::merge(profile.callTree());
        CallTreeModel calls;
        MergedCallTreeModel merged;
        const bool isMerged = fetched<bool>("merged");
        OutlineModel &outline = isMerged ? static_cast<OutlineModel &>(merged) : calls;
        QAbstractItemModelTester tester(&outline, QAbstractItemModelTester::FailureReportingMode::QtTest);
        calls.setCostUnit(profile.costUnit());
        calls.setChildOrder(fetched<ChildOrder>("order"), profile.timeEvent());
        calls.setHiddenShare(fetched<double>("share"), profile.timeEvent());
        calls.setRootFunction(isMerged ? nullptr : profile.rootFunction());
        merged.setChildOrder(fetched<ChildOrder>("order"));
        merged.setHiddenShare(fetched<double>("share"));
        merged.setPaths(isMerged ? &profile : nullptr, &paths);
        const QString goTo = fetched<QString>("goTo");
        if (goTo.isEmpty()) {
            expandAll(outline);
        } else {
            outline.expandRow(0);
            const ProfiledFunctionCall *call = callAtPath(profile.rootFunction(), goTo);
            const int row = outline.expandParents(*call);
            QCOMPARE(outline.callAtRow(row), call);
        }
        QTEST(tableRows(outline), "rows");
        // The rows of hidden calls are no calls, and nothing expands them.
        for (int row = 0; row < outline.rowCount(); ++row) {
            if (!outline.index(row, 0).data().toString().contains(QStringLiteral(" more call")))
                continue;
            QVERIFY(!outline.callAtRow(row) && !outline.isExpandable(row) && outline.pathAtRow(row).isEmpty());
        }
    }

    void flameGraphBars_data()
    {
        addColumns<bool, ChildOrder, double, QStringList>("merged", "order", "hiddenShare", "rows");
        QTest::newRow("calls in call order")
            << false << ChildOrder::CallOrder << 0.0
            << QStringList({ "main×1@0+21", "a×1@0+3 a×1@3+14 d×1@17+4", "b×1@0+2 b×1@3+3 c×1@6+10" });
        QTest::newRow("calls, heaviest first")
            << false << ChildOrder::HeaviestFirst << 0.0
            << QStringList({ "main×1@0+21", "a×1@0+14 d×1@14+4 a×1@18+3", "c×1@0+10 b×1@10+3 b×1@18+2" });
        QTest::newRow("paths in call order") << true << ChildOrder::CallOrder << 0.0
                                             << QStringList({ "main×1@0+21", "a×2@0+17 d×1@17+4", "b×2@0+5 c×1@5+10" });
        QTest::newRow("paths, heaviest first")
            << true << ChildOrder::HeaviestFirst << 0.0
            << QStringList({ "main×1@0+21", "a×2@0+17 d×1@17+4", "c×1@0+10 b×2@10+5" });
        // Below 4.2 hidden: one block after the rest under each caller,
        // with nothing below it.
        QTest::newRow("calls, small ones hidden")
            << false << ChildOrder::CallOrder << 0.2
            << QStringList({ "main×1@0+21", "a×1@0+14 +2@14+7", "c×1@0+10 +1@10+3" });
        QTest::newRow("paths, small ones hidden") << true << ChildOrder::HeaviestFirst << 0.5
                                                  << QStringList({ "main×1@0+21", "a×2@0+17 +1@17+4", "+3@0+15" });
    }

    void flameGraphBars()
    {
        ReadProfile profile(repeatedProfile());
        const MergedCallTree paths = CallTreeMerger::merge(profile.callTree());
        FlameGraphLayout layout;
        const ChildOrder order = fetched<ChildOrder>("order");
        const double share = fetched<double>("hiddenShare");
        if (fetched<bool>("merged"))
            layout.reset(paths, paths.root(), profile.timeEvent(), 21.0, order, share);
        else
            layout.reset(profile.callTree(), profile.callTree().rootNumber(), profile.timeEvent(), 21.0, order, share);
        QTEST(barsOf(layout, profile), "rows");
    }

    void calleesOfAPath_data()
    {
        addColumns<int, bool, QStringList>("depth", "merged", "rows");
        QTest::newRow("main merged") << 0 << true << QStringList({ "1|a|2µs|17µs|/f.php|2", "2|d|4µs|4µs|/f.php|6" });
        QTest::newRow("a merged") << 1 << true << QStringList({ "1|b|5µs|5µs|/f.php|1", "2|c|10µs|10µs|/f.php|4" });
        // The rows of the path's first call, after merged rows were shown.
        QTest::newRow("a's first call") << 1 << false << QStringList({ "1|b|2µs|2µs|/f.php|1" });
    }

    void calleesOfAPath()
    {
        ReadProfile profile(repeatedProfile());
        const MergedCallTree paths = CallTreeMerger::merge(profile.callTree());
        CallsController callees;
        QAbstractItemModelTester tester(&callees, QAbstractItemModelTester::FailureReportingMode::QtTest);
        callees.setCostUnit(profile.costUnit());
        const quint32 path = fetched<int>("depth") == 0 ? paths.root() : paths.child(paths.root(), 0);
        callees.populateFromPath(profile, paths, path);
        if (!fetched<bool>("merged"))
            callees.populateFromFunction(profile.callTree().call(paths.firstCall(path)));
        QTEST(tableRows(callees), "rows");
    }

    void summaryOfAPathCoversAllItsCalls_data()
    {
        // Rows "function xcalls total self/total inclusive", by name.
        addColumns<QString, bool, QStringList>("path", "firstCallOnly", "rows");
        QTest::newRow("a x3, recursion counted once per outermost r")
            << "a" << false << QStringList({ "r x4 51/55", "x x2 12/12" });
        QTest::newRow("a's first call alone") << "a" << true << QStringList({ "r x2 3/7", "x x1 4/4" });
        QTest::newRow("the root, as its one call")
            << "" << false << QStringList({ "a x3 300/363", "r x4 51/55", "x x3 76/76" });
        // The calls of the path are not summarised: the r below each counts.
        QTest::newRow("a recursive path") << "a/r" << false << QStringList({ "r x2 34/38", "x x1 4/4" });
    }

    void summaryOfAPathCoversAllItsCalls()
    {
        ReadProfile profile(recursiveBelowRepeats());
        const MergedCallTree paths = CallTreeMerger::merge(profile.callTree());
        const quint32 path = pathNamed(profile, paths, fetched<QString>("path"));
        QVERIFY(path != MergedCallTree::none);
        SummaryController summary;
        QAbstractItemModelTester tester(&summary, QAbstractItemModelTester::FailureReportingMode::QtTest);
        if (fetched<bool>("firstCallOnly"))
            summary.populateFromFunction(profile.callTree().call(paths.firstCall(path)));
        else
            summary.populateFromPath(profile, paths, path);
        QStringList rows;
        for (int row = 0; row < summary.rowCount(); ++row) {
            const ProfiledFunctionSummary &function = summary.summaryAt(row);
            rows << QStringLiteral("%1 x%2 %3/%4")
                        .arg(function.function().name())
                        .arg(function.callCount())
                        .arg(function.totalSelfTime())
                        .arg(function.totalInclusiveTime());
        }
        rows.sort();
        QTEST(rows, "rows");
    }

    void findCountsPaths_data()
    {
        addColumns<QString, bool, int>("pattern", "regex", "paths");
        QTest::newRow("b twice on one path") << "b" << false << 1;
        QTest::newRow("b and c") << "[bc]" << true << 2;
        QTest::newRow("every path") << "." << true << 5;
        QTest::newRow("none") << "x" << false << 0;
    }

    void findCountsPaths()
    {
        ReadProfile profile(repeatedProfile());
        const MergedCallTree paths = CallTreeMerger::merge(profile.callTree());
        const CallIndex index(profile.callTree());
        CallSearch search(index);
        QVERIFY(search.setPattern(fetched<QString>("pattern"), fetched<bool>("regex")));
        search.keepFirstCallsOf(paths);
        QTEST(int(search.matchCount()), "paths");
        // Each match is its path's first call, and going on from the last
        // comes round to the first.
        for (qsizetype number = 0; number < search.matchCount(); ++number) {
            const quint32 call = profile.callTree().numberOf(search.match(number));
            QCOMPARE(paths.firstCall(CallTreeMerger::pathOfCall(paths, profile.callTree(), call)), call);
            QCOMPARE(search.nextMatch(&search.match(number)), (number + 1) % search.matchCount());
        }
    }

    void hotPathTakesTheHeaviestPath()
    {
        ReadProfile profile(repeatedProfile());
        const MergedCallTree paths = CallTreeMerger::merge(profile.callTree());
        MergedCallTreeModel outline;
        outline.setPaths(&profile, &paths);
        // The heaviest call of main is the second a (14), but the path a
        // holds 17, and below it c (10) outweighs b (5).
        const quint32 end = outline.hotPathEnd(paths.root(), profile.timeEvent());
        QCOMPARE(profile.function(paths.function(end)).name(), u"c"_qs);
        QCOMPARE(paths.depth(end), 2u);
    }

    // Paths estimated from a function graph have no calls: the outline
    // finds them by their names in the profile read again, the callers come
    // from the graph's edges, the summary below a path from the paths below.
    void estimatedPaths_data()
    {
        addColumns<QByteArray, QStringList, QString, QStringList, QStringList>(
            "profile", "rows", "callee", "callers", "summaryBelowRoot");
        QTest::newRow("two callers share a callee")
            << aggregatedExample << QStringList { "{main} -", "  App\\Slow->work -", "    helper", "  helper" }
            << "helper" << QStringList { "App\\Slow->work|3||60µs", "{main}|1||40µs" }
            << QStringList { "App\\Slow->work|3|240µs|300µs", "helper|4|100µs|100µs" };
        // The path is cut where a would repeat; b's calls from two lines
        // are one caller's.
        QTest::newRow("a recursion cycle")
            << cycleProfile << QStringList { "main -", "  a -", "    b" } << "b" << QStringList { "a|3||85µs" }
            << QStringList { "a|1|10µs|95µs", "b|3|85µs|85µs" };
    }

    void estimatedPaths()
    {
        const QByteArray text = fetched<QByteArray>("profile");
        ReadProfile profile(text);
        ReadProfile readAgain(text);
        MergedCallTreeModel outline;
        MergedCallTreeModel outlineAgain;
        QAbstractItemModelTester tester(&outline, QAbstractItemModelTester::FailureReportingMode::QtTest);
        outline.setPaths(&profile, &profile.estimatedCallTree());
        outlineAgain.setPaths(&readAgain, &readAgain.estimatedCallTree());
        expandAll(outline);
        QTEST(outlineRows(outline), "rows");
        for (int row = 0; row < outline.rowCount(); ++row) {
            QVERIFY(!outline.callAtRow(row));
            const int found = outlineAgain.expandPath(outline.pathAtRow(row));
            QCOMPARE(outlineAgain.pathOfRow(found), outline.pathOfRow(row));
        }

        CallersController callers;
        callers.setCostUnit(profile.costUnit());
        callers.populateFromGraph(profile, nodeNamed(profile, fetched<QString>("callee")));
        QTEST(tableRows(callers), "callers");

        SummaryController summary;
        summary.setCostUnit(profile.costUnit());
        summary.populateFromGraphRows(GraphSummary::belowEstimatedPath(profile, profile.estimatedCallTree().root()));
        summary.sort(SummaryController::TotalInclusiveTimeColumn, Qt::DescendingOrder);
        QStringList rows;
        for (int row = 0; row < summary.rowCount(); ++row) {
            rows << QStringList { summary.index(row, SummaryController::FunctionColumn).data().toString(),
                summary.index(row, SummaryController::CallCountColumn).data().toString(),
                summary.index(row, SummaryController::TotalSelfTimeColumn).data().toString(),
                summary.index(row, SummaryController::TotalInclusiveTimeColumn).data().toString() }
                        .join(u'|');
        }
        QTEST(rows, "summaryBelowRoot");
    }
};

QTEST_GUILESS_MAIN(TestMergedOutline)
#include "tst_mergedoutline.moc"
