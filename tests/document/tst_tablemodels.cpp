#include "DataColumns.h"
#include "DocumentTestSupport.h"

#include "CallsController.h"
#include "Profile.h"
#include "SettingsKeys.h"
#include "SummaryController.h"
#include "ViewRoles.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

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

} // namespace

// The analysis tables and the outline as models, without views.
class TestTableModels : public QObject
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
        QTest::newRow("the root") << workedExample << ""
                                  << QStringList({ "1|render|5\u00b5s|7\u00b5s|/var/www/index.php|10" })
                                  << QStringList({ "render|5\u00b5s|7\u00b5s|5\u00b5s|7\u00b5s|1",
                                         "php::strlen|2\u00b5s|2\u00b5s|2\u00b5s|2\u00b5s|1" });
        QTest::newRow("a child") << workedExample << "render"
                                 << QStringList({ "1|php::strlen|2\u00b5s|2\u00b5s|php:internal|3" })
                                 << QStringList({ "php::strlen|2\u00b5s|2\u00b5s|2\u00b5s|2\u00b5s|1" });
        QTest::newRow("a leaf") << workedExample << "render/php::strlen" << QStringList() << QStringList();
        QTest::newRow("the root, with memory")
            << memoryExample << ""
            << QStringList({ "1|render|5\u00b5s|7\u00b5s|/var/www/index.php|10|-40 bytes|60 bytes" })
            << QStringList({ "render|5\u00b5s|7\u00b5s|5\u00b5s|7\u00b5s|1|-40 bytes|60 bytes|-40 bytes|60 bytes",
                   "php::strlen|2\u00b5s|2\u00b5s|2\u00b5s|2\u00b5s|1|100 bytes|100 bytes|100 bytes|100 bytes" });
    }

    void rowsOfACall()
    {
        QFETCH(QByteArray, profile);
        QFETCH(QString, call);
        Tables tables(profile);
        const ProfiledFunctionCall *selected = callAtPath(tables.profile.rootFunction(), call);
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
        QTest::newRow("summary by name, descending")
            << true << true << name << true << QStringList({ "php::count", "gamma", "beta", "Alpha" });
        QTest::newRow("summary without internal")
            << true << false << -1 << false << QStringList({ "Alpha", "gamma", "beta" });
        QTest::newRow("calls in file order")
            << false << true << -1 << false << QStringList({ "beta", "Alpha", "gamma", "php::count" });
        QTest::newRow("calls by time, descending")
            << false << true << self << true << QStringList({ "Alpha", "php::count", "gamma", "beta" });
        QTest::newRow("calls without internal, by time")
            << false << false << self << false << QStringList({ "beta", "gamma", "Alpha" });
        QTest::newRow("calls by memory, below 0 first")
            << false << true << selfMemory << false << QStringList({ "beta", "php::count", "Alpha", "gamma" });
        QTest::newRow("calls by memory, descending")
            << false << true << selfMemory << true << QStringList({ "gamma", "Alpha", "php::count", "beta" });
        QTest::newRow("summary by average inclusive memory")
            << true << true << int(SummaryController::AverageInclusiveMemoryColumn) << false
            << QStringList({ "beta", "php::count", "Alpha", "gamma" });
    }

    void sortingAndFiltering()
    {
        QFETCH(bool, summary);
        QFETCH(bool, showInternal);
        QFETCH(int, column);
        QFETCH(bool, descending);
        defaults().setObjectForKey(showInternal, VTCSummaryShowsInternalPhpFunctions);
        defaults().setObjectForKey(showInternal, VTCCallStackShowsInternalPhpFunctions);
        Tables tables(sortingProfile());
        tables.calls.populateFromFunction(*tables.profile.rootFunction());
        tables.summary.populateFromFunction(*tables.profile.rootFunction());
        TableController &table = summary ? static_cast<TableController &>(tables.summary) : tables.calls;
        if (column >= 0)
            table.sort(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
        QTEST(tableRows(table, summary ? int(SummaryController::FunctionColumn) : int(CallsController::FunctionColumn)),
            "names");
    }

    // A sort while filtered re-orders only what is shown; turning the
    // filter off shows every row in the order before it.
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
        QCOMPARE(tableRows(tables.summary, 0), QStringList({ "Alpha", "php::count", "gamma", "beta" }));
        // Every row hidden, and an empty table filtered.
        tables.calls.populateFromArray({ tables.profile.rootFunction()->getChild(3) });
        tables.calls.filterPhpInternalFunctions(false);
        QCOMPARE(tables.calls.rowCount(), 0);
        tables.summary.reset();
        tables.summary.filterPhpInternalFunctions(false);
        QCOMPARE(tables.summary.rowCount(), 0);
    }

    // Beside each call: inclusive time, share of the top call's inclusive
    // time (also as a fraction for the bar), self time.
    void outlineShowsCostsBesideEachCall_data()
    {
        addColumns<QByteArray, int, QStringList, QList<double>>("profile", "measurement", "rows", "shares");
        QTest::newRow("microseconds") << workedExample << 2
                                      << QStringList({ "main|20\u00b5s|100.0%|13\u00b5s",
                                             "render|7\u00b5s|35.0%|5\u00b5s", "php::strlen|2\u00b5s|10.0%|2\u00b5s" })
                                      << QList<double>({ 1.0, 0.35, 0.1 });
        QTest::newRow("milliseconds, dashed")
            << workedExample << 1 << QStringList({ "main|-|100.0%|-", "render|-|35.0%|-", "php::strlen|-|10.0%|-" })
            << QList<double>({ 1.0, 0.35, 0.1 });
        QTest::newRow("no time at the top")
            << QByteArray(profileHeader() + record("/a.php", "leaf", 1, 0) + record("/a.php", "main", 1, 0, { "leaf" }))
            << 2 << QStringList({ "main|-|-|-", "leaf|-|-|-" }) << QList<double>({ 0.0, 0.0 });
        QTest::newRow("memory") << memoryExample << 2
                                << QStringList({ "main|20\u00b5s|100.0%|13\u00b5s|1.04 KiB",
                                       "render|7\u00b5s|35.0%|5\u00b5s|60 bytes",
                                       "php::strlen|2\u00b5s|10.0%|2\u00b5s|100 bytes" })
                                << QList<double>({ 1.0, 0.35, 0.1 });
    }

    void outlineShowsCostsBesideEachCall()
    {
        QFETCH(QByteArray, profile);
        QFETCH(int, measurement);
        QFETCH(QList<double>, shares);
        Profile read;
        read.readFromData(profile);
        CallTreeModel outline;
        QAbstractItemModelTester tester(&outline, QAbstractItemModelTester::FailureReportingMode::QtTest);
        outline.setCostUnit(read.costUnit());
        outline.setMemoryEvent(memoryEventOf(read));
        outline.setRootFunction(read.rootFunction());
        for (int row = 0; row < outline.rowCount(); ++row)
            outline.expandRow(row);
        defaults().setObjectForKey(measurement, VTCMeasurement);
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
        QTest::newRow("the top itself") << QStringList() << "";
    }

    void expandingParentsMatchesExpandingByHand()
    {
        QFETCH(QStringList, expandedFirst);
        QFETCH(QString, target);
        Profile profile;
        profile.readFromData(branchingProfile());
        const ProfiledFunctionCall *call = callAtPath(profile.rootFunction(), target);
        QVERIFY(call);
        CallTreeModel byParents;
        QAbstractItemModelTester tester(&byParents, QAbstractItemModelTester::FailureReportingMode::QtTest);
        CallTreeModel byHand;
        for (CallTreeModel *model : { &byParents, &byHand }) {
            model->setRootFunction(profile.rootFunction());
            for (const QString &path : expandedFirst)
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
};

QTEST_GUILESS_MAIN(TestTableModels)
#include "tst_tablemodels.moc"
