#include "DataColumns.h"
#include "DocumentTestSupport.h"

#include "CallIndex.h"
#include "CallSearch.h"
#include "CallersController.h"
#include "HotPath.h"
#include "Profile.h"
#include "SettingsKeys.h"

#include <QAbstractItemModelTester>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const ProfiledFunctionCall *callAt(const Profile &profile, const QString &path)
{
    return callAtPath(profile.rootFunction(), path);
}

// A chain `depth` calls deep: f calls f ... calls leaf, one microsecond each.
QByteArray chainProfile(int depth)
{
    QByteArray text = profileHeader() + record("/leaf.php", "leaf", 2, 1);
    text.reserve(depth * 48);
    for (int i = 1; i < depth; ++i)
        text += "fl=/f.php\nfn=f\n1 1\ncfn=f\ncalls=1 0 0\n1 1\n\n";
    return text;
}

} // namespace

// Find, the hot path, the callers table and deep trees, without views.
class TestNavigation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { registerSettingsDefaults(); }

    void init()
    {
        defaults().setObjectForKey(2, VTCMeasurement); // microseconds: the examples' times are small
        defaults().removeObjectForKey(VTCDisplayDash);
    }

    void findGoesRoundInPreOrder_data()
    {
        // from: "-" for no call; found: "-" for none; kOfN: the match's number from 1, of the count
        addColumns<QString, bool, QString, bool, QString, QString>(
            "pattern", "regex", "from", "forward", "found", "kOfN");
        QTest::newRow("into a branch") << "deep" << false << "" << true << u"a1/y/deep1"_s << "1 of 2";
        QTest::newRow("ignoring case") << "DEEP" << false << "a1/y/deep1" << true << u"a1/y/deep2"_s << "2 of 2";
        QTest::newRow("round from the end") << "deep" << false << "a1/y/deep2" << true << u"a1/y/deep1"_s << "1 of 2";
        QTest::newRow("from a later call") << "deep" << false << "b" << true << u"a1/y/deep1"_s << "1 of 2";
        QTest::newRow("back round from the start") << "a" << false << "" << false << u"a2"_s << "3 of 3";
        QTest::newRow("back past a subtree") << "deep" << false << "b" << false << u"a1/y/deep2"_s << "2 of 2";
        QTest::newRow("from no call") << "deep" << false << "-" << true << u"a1/y/deep1"_s << "1 of 2";
        QTest::newRow("back from no call") << "deep" << false << "-" << false << u"a1/y/deep2"_s << "2 of 2";
        QTest::newRow("a regular expression") << "^a\\d$" << true << "b" << true << u"a2"_s << "2 of 2";
        QTest::newRow("a regular expression, back") << "^a\\d$" << true << "b" << false << u"a1"_s << "1 of 2";
        QTest::newRow("dot as text") << "." << false << "" << true << u"-"_s << "0 of 0";
        QTest::newRow("no match") << "zzz" << false << "" << true << u"-"_s << "0 of 0";
        QTest::newRow("empty pattern") << "" << false << "" << true << u"-"_s << "0 of 0";
    }

    void findGoesRoundInPreOrder()
    {
        QFETCH(QString, pattern);
        QFETCH(bool, regex);
        QFETCH(QString, from);
        QFETCH(bool, forward);
        Profile profile;
        profile.readFromData(branchingProfile());
        const CallIndex index(profile.rootFunction());
        CallSearch search(index);
        QVERIFY(search.setPattern(pattern, regex));
        const ProfiledFunctionCall *start = from == QLatin1String("-") ? nullptr : callAt(profile, from);
        const qsizetype number = forward ? search.nextMatch(start) : search.previousMatch(start);
        QTEST(number < 0 ? QStringLiteral("-") : pathOfCall(&search.match(number)), "found");
        const qsizetype shown = number < 0 ? -1 : search.matchNumberOf(&search.match(number));
        QTEST(QStringLiteral("%1 of %2").arg(shown + 1).arg(search.matchCount()), "kOfN");
    }

    void anInvalidExpressionMatchesNothing()
    {
        Profile profile;
        profile.readFromData(branchingProfile());
        const CallIndex index(profile.rootFunction());
        CallSearch search(index);
        QVERIFY(!search.setPattern(QStringLiteral("a1("), true));
        QVERIFY(!search.errorString().isEmpty());
        QCOMPARE(search.matchCount(), 0);
        QCOMPARE(search.nextMatch(profile.rootFunction()), -1);
        QVERIFY(search.setPattern(QStringLiteral("a1("), false)); // as text it is valid
        QVERIFY(search.errorString().isEmpty());
    }

    // main -> a (0) -> [c, d], b -> e, times chosen so that the root's
    // inclusive time is 100.
    void hotPathFollowsTheLargestChild_data()
    {
        addColumns<int, int, int, QString, QString>("cTime", "dTime", "eTime", "from", "end");
        QTest::newRow("the first of equal children") << 30 << 30 << 4 << u""_s << "a/c";
        QTest::newRow("the larger child") << 29 << 31 << 4 << u""_s << "a/d";
        QTest::newRow("below the threshold") << 30 << 30 << 4 << u"b"_s << "b";
        QTest::newRow("at the threshold") << 30 << 30 << 5 << u"b"_s << "b/e";
        QTest::newRow("a leaf") << 30 << 30 << 4 << u"a/c"_s << "a/c";
    }

    void hotPathFollowsTheLargestChild()
    {
        QFETCH(int, cTime);
        QFETCH(int, dTime);
        QFETCH(int, eTime);
        QFETCH(QString, from);
        const int aTime = 60 - cTime - dTime;
        const QByteArray text = profileHeader() + record("/f.php", "c", 1, quint64(cTime))
            + record("/f.php", "d", 2, quint64(dTime)) + record("/f.php", "a", 3, quint64(aTime), { "c", "d" })
            + record("/f.php", "e", 4, quint64(eTime)) + record("/f.php", "b", 5, quint64(40 - eTime), { "e" })
            + record("/f.php", "main", 6, 0, { "a", "b" });
        Profile profile;
        profile.readFromData(text);
        QCOMPARE(profile.rootFunction()->inclusiveTime(), 100u);
        QTEST(pathOfCall(&HotPath::end(*callAt(profile, from), 100)), "end");
    }

    // main -> [A -> F (10) -> A (1) -> F (5), B -> F (7)], each call
    // freeing as many bytes as it takes microseconds.
    void callersCountRecursionOnce_data()
    {
        // rows: largest total inclusive time first
        addColumns<QString, QStringList>("callee", "rows");
        QTest::newRow("a function called around itself") << "F"
                                                         << QStringList({ "A|2|15\u00b5s|16\u00b5s|-15 bytes|-16 bytes",
                                                                "B|1|7\u00b5s|7\u00b5s|-7 bytes|-7 bytes" });
        QTest::newRow("a function calling itself") << "A"
                                                   << QStringList({ "main|1|2\u00b5s|18\u00b5s|-2 bytes|-18 bytes",
                                                          "F|1|1\u00b5s|6\u00b5s|-1 bytes|-6 bytes" });
        QTest::newRow("the root") << "main" << QStringList();
    }

    void callersCountRecursionOnce()
    {
        QFETCH(QString, callee);
        const QByteArray text = profileHeader(true) + record("/f.php", "F", 1, 5, {}, -5)
            + record("/f.php", "A", 2, 1, { "F" }, -1) + record("/f.php", "F", 3, 10, { "A" }, -10)
            + record("/f.php", "A", 4, 2, { "F" }, -2) + record("/f.php", "F", 5, 7, {}, -7)
            + record("/f.php", "B", 6, 0, { "F" }, 0) + record("/f.php", "main", 7, 0, { "A", "B" }, 0);
        Profile profile;
        profile.readFromData(text);
        const CallIndex index(profile.rootFunction());
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
        // A row lists the calls its caller makes, in pre-order.
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
        Profile profile;
        profile.readFromData(chainProfile(depth));
        const ProfiledFunctionCall *root = profile.rootFunction();
        const CallIndex index(root);
        QCOMPARE(index.size(), quint32(depth));
        QCOMPARE(index.subtreeEnd(0), quint32(depth));
        QCOMPARE(index.subtreeEnd(quint32(depth - 1)), quint32(depth));

        // Against the root's time the path ends where a call holds under 5%.
        QCOMPARE(index.positionOf(HotPath::end(*root, root->inclusiveTime())), quint32(depth * 95 / 100));
        const ProfiledFunctionCall &leaf = HotPath::end(*root, 1);
        QCOMPARE(leaf.function().name(), QStringLiteral("leaf"));
        CallSearch search(index);
        QVERIFY(search.setPattern(QStringLiteral("LEAF"), false));
        QCOMPARE(&search.match(search.nextMatch(root)), &leaf);

        CallersController callers;
        callers.setCostUnit(profile.costUnit());
        callers.populateFromFunction(root->function(), index);
        QCOMPARE(tableRows(callers), QStringList({ "f|99998|99998\u00b5s|99999\u00b5s" }));

        CallTreeModel outline;
        outline.setRootFunction(root);
        const int row = outline.expandParents(leaf);
        QCOMPARE(row, depth - 1);
        QCOMPARE(outline.callAtRow(row), &leaf);
        QCOMPARE(outline.index(row, CallTreeModel::ShareColumn).data().toString(), QStringLiteral("0.0%"));
    }
};

QTEST_GUILESS_MAIN(TestNavigation)
#include "tst_navigation.moc"
