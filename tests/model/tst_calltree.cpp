#include "FunctionModel.h"
#include "FunctionSummaryMap.h"
#include "Profile.h"
#include "ProfiledFunctionCall.h"
#include "ProfiledFunctionSummary.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <vector>

using Span = FunctionModel::ColourSpan;

namespace {

// Adds a call of `function` as the first child of `parent` and returns it.
ProfiledFunctionCall *prepend(ProfiledFunctionCall &parent, const FunctionModel &function, quint64 self)
{
    auto child = std::make_unique<ProfiledFunctionCall>(function);
    child->setSelfTime(self);
    ProfiledFunctionCall *added = child.get();
    parent.insertCall(std::move(child));
    return added;
}

std::unique_ptr<ProfiledFunctionCall> rootCall(const FunctionModel &function, quint64 self = 0)
{
    auto root = std::make_unique<ProfiledFunctionCall>(function);
    root->setSelfTime(self);
    return root;
}

// The summary figures of one function below `start`, as text.
QString summaryOf(const ProfiledFunctionCall &start, const QString &name)
{
    for (const auto &summary : FunctionSummaryMap::summariesBelow(start)) {
        if (summary->function().name() == name)
            return QStringLiteral("%1 calls, self %2 avg %3, incl %4 avg %5")
                .arg(summary->callCount()).arg(summary->totalSelfTime()).arg(summary->averageSelfTime())
                .arg(summary->totalInclusiveTime()).arg(summary->averageInclusiveTime());
    }
    return QStringLiteral("none");
}

} // namespace

class TestCallTree : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void kinds_data();
    void kinds();
    void interning();
    void analyse();
    void recursionLinks();
    void summaries();
    void summaryRecursion();
    void randomTrees();
    void deepChain();
};

void TestCallTree::kinds_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<char>("type");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<QList<Span>>("spans");
    const quint32 grey = FunctionModel::darkGrey, blue = FunctionModel::blue;
    const QString php = "phpFunctionIcon.tif", application = "applicationFunctionIcon.tif";
    QTest::newRow("internal") << "php::strlen" << 'p' << php << QList<Span>{{0, 11, grey}};
    QTest::newRow("require") << "require::/var/www/lib.php" << 'p' << php << QList<Span>{{0, 9, blue}, {9, 16, grey}};
    QTest::newRow("bare include") << "include::" << 'p' << php << QList<Span>{{0, 9, blue}};
    QTest::newRow("require_once") << "require_once::/var/www/lib.php" << 'a' << application << QList<Span>{};
    QTest::newRow("method") << "Cart->add" << 'o' << "objectMethodIcon.tif" << QList<Span>{};
    QTest::newRow("static") << "Cart::create" << 'a' << application << QList<Span>{};
    QTest::newRow("internal method") << "php::Foo->bar" << 'p' << php << QList<Span>{{0, 13, grey}};
    QTest::newRow("case matters") << "PHP::strlen" << 'a' << application << QList<Span>{};
    QTest::newRow("empty") << "" << 'a' << application << QList<Span>{};
}

void TestCallTree::kinds()
{
    QFETCH(QString, name);
    QFETCH(char, type);
    QFETCH(QString, icon);
    QFETCH(QList<Span>, spans);
    const FunctionModel function(name, 0);
    QCOMPARE(function.type(), type);
    QCOMPARE(function.formattedName().iconName, icon);
    QCOMPARE(function.formattedName().text, name);
    QCOMPARE(function.formattedName().spans, spans);
}

void TestCallTree::interning()
{
    Profile one, two;
    FunctionModel &strlen = one.objectInFunctionsForKey("php::strlen");
    QCOMPARE(&one.objectInFunctionsForKey("php::strlen"), &strlen);
    QVERIFY(&one.objectInFunctionsForKey("PHP::strlen") != &strlen);
    QVERIFY(&two.objectInFunctionsForKey("php::strlen") != &strlen);
    QCOMPARE(&one.objectInSourcesForKey("/a.php"), &one.objectInSourcesForKey("/a.php"));
    QVERIFY(&one.objectInSourcesForKey("/a.php") != &one.objectInSourcesForKey("/a.php "));
    // Keyed on the exact bytes: two invalid sequences both shown as U+FFFD stay two functions.
    FunctionModel &first = one.objectInFunctionsForKey("f\xff");
    QVERIFY(&first != &one.objectInFunctionsForKey("f\xfe"));
    QCOMPARE(first.name(), QStringLiteral("f\uFFFD"));
    QCOMPARE(one.objectInFunctionsForKey("caf\xc3\xa9").name(), QStringLiteral("caf\u00e9"));
    QCOMPARE(one.functionCount(), 5);
}

void TestCallTree::analyse()
{
    Profile profile;
    auto root = rootCall(profile.objectInFunctionsForKey("n"), 2);
    ProfiledFunctionCall *second = prepend(*root, profile.objectInFunctionsForKey("b"), 5);
    ProfiledFunctionCall *first = prepend(*root, profile.objectInFunctionsForKey("a"), 3);
    ProfiledFunctionCall *leaf = prepend(*first, profile.objectInFunctionsForKey("leaf"), 7);
    for (int run = 0; run < 2; ++run) { // analysing again must not add up twice
        root->analyse();
        QCOMPARE(root->inclusiveTime(), quint64(17));
        QCOMPARE(first->inclusiveTime(), quint64(10));
        QCOMPARE(leaf->inclusiveTime(), quint64(7));
        QCOMPARE(root->indexInParent(), 0u);
        QCOMPARE(first->indexInParent(), 1u);
        QCOMPARE(second->indexInParent(), 2u);
        QCOMPARE(leaf->indexInParent(), 1u);
    }
}

void TestCallTree::recursionLinks()
{
    Profile profile;
    const FunctionModel &a = profile.objectInFunctionsForKey("a");
    auto main = rootCall(profile.objectInFunctionsForKey("main"));
    ProfiledFunctionCall *outer = prepend(*main, a, 1);
    ProfiledFunctionCall *b = prepend(*outer, profile.objectInFunctionsForKey("b"), 1);
    ProfiledFunctionCall *inner = prepend(*b, a, 1);
    ProfiledFunctionCall *sibling = prepend(*main, a, 1);
    main->analyse();
    QCOMPARE(inner->ancestor(), outer);
    QCOMPARE(outer->ancestor(), nullptr);
    QCOMPARE(b->ancestor(), nullptr);
    QCOMPARE(sibling->ancestor(), nullptr);
    // Analysing a subtree still finds links to calls above it.
    inner->setAncestor(nullptr);
    b->analyse();
    QCOMPARE(inner->ancestor(), outer);
}

void TestCallTree::summaries()
{
    Profile profile;
    const FunctionModel &f = profile.objectInFunctionsForKey("f");
    ProfiledFunctionSummary empty(f); // no division by zero
    empty.analyse();
    QCOMPARE(empty.averageInclusiveTime(), quint64(0));

    auto root = rootCall(profile.objectInFunctionsForKey("main"));
    prepend(*root, profile.objectInFunctionsForKey("zero"), 0);
    for (quint64 self : {3, 3, 4})
        prepend(*root, f, self);
    root->analyse();
    QCOMPARE(summaryOf(*root, "f"), QStringLiteral("3 calls, self 10 avg 3, incl 10 avg 3"));
    QCOMPARE(summaryOf(*root, "zero"), QStringLiteral("1 calls, self 0 avg 0, incl 0 avg 0"));
    QCOMPARE(summaryOf(*root, "main"), QStringLiteral("none"));
    const auto summaries = FunctionSummaryMap::summariesBelow(*root); // first met, first listed
    QCOMPARE(summaries.front()->function().name(), QStringLiteral("f"));
    QCOMPARE(summaries.front()->calls().front(), root->getChild(0));

    // Sums beyond 32 bits.
    auto large = rootCall(profile.objectInFunctionsForKey("main"), 4000000000u);
    prepend(*large, f, 4000000000u);
    prepend(*large, f, 4000000001u);
    large->analyse();
    QCOMPARE(large->inclusiveTime(), quint64(12000000001));
    QCOMPARE(summaryOf(*large, "f"), QStringLiteral("2 calls, self 8000000001 avg 4000000000, incl 8000000001 avg 4000000000"));
}

void TestCallTree::summaryRecursion()
{
    Profile profile;
    const FunctionModel &a = profile.objectInFunctionsForKey("a");
    const FunctionModel &b = profile.objectInFunctionsForKey("b");
    const FunctionModel &main = profile.objectInFunctionsForKey("main");

    auto direct = rootCall(main); // a(8) -> a(7) -> a(5): inclusive 20, 12, 5
    prepend(*prepend(*prepend(*direct, a, 8), a, 7), a, 5);
    direct->analyse();
    QCOMPARE(summaryOf(*direct, "a"), QStringLiteral("3 calls, self 20 avg 6, incl 20 avg 6"));

    // Mutual, a(2) -> b(3) -> a(4), over functions made outside a profile that
    // share id 0: they are told apart by identity; b counts in full.
    const FunctionModel a0(QStringLiteral("a"), 0), b0(QStringLiteral("b"), 0), main0(QStringLiteral("main"), 0);
    auto mutual = rootCall(main0);
    ProfiledFunctionCall *outer = prepend(*mutual, a0, 2);
    ProfiledFunctionCall *middle = prepend(*outer, b0, 3);
    ProfiledFunctionCall *inner = prepend(*middle, a0, 4);
    mutual->analyse();
    QCOMPARE(inner->ancestor(), outer);
    QCOMPARE(middle->ancestor(), nullptr);
    QCOMPARE(summaryOf(*mutual, "a"), QStringLiteral("2 calls, self 6 avg 3, incl 9 avg 4"));
    QCOMPARE(summaryOf(*mutual, "b"), QStringLiteral("1 calls, self 3 avg 3, incl 7 avg 7"));

    // Starting below an a: that a is not added, so the inner one counts.
    auto start = rootCall(a, 1);
    prepend(*prepend(*start, b, 2), a, 4);
    start->analyse();
    QCOMPARE(summaryOf(*start, "a"), QStringLiteral("1 calls, self 4 avg 4, incl 4 avg 4"));
}

void TestCallTree::randomTrees()
{
    // Few functions, so that recursion is everywhere: the links match walking
    // up, and summaries from a few starts match searching the calls met.
    QRandomGenerator random(42);
    for (int round = 0; round < 10; ++round) {
        Profile profile;
        const auto function = [&]() -> const FunctionModel & {
            return profile.objectInFunctionsForKey(std::to_string(random.bounded(4)));
        };
        auto root = rootCall(function(), 1);
        std::vector<ProfiledFunctionCall *> nodes{root.get()};
        for (int i = 0; i < 2000; ++i)
            nodes.push_back(prepend(*nodes[random.bounded(int(nodes.size()))], function(), random.bounded(1000)));
        root->analyse();
        for (const ProfiledFunctionCall *node : nodes)
            QCOMPARE(node->ancestor(), node->closestAncestorWithFunction(node->function()));
        for (ProfiledFunctionCall *start : {nodes[0], nodes[1], nodes[5], nodes[17]}) {
            for (const auto &summary : FunctionSummaryMap::summariesBelow(*start)) {
                quint64 inclusive = 0;
                const auto &calls = summary->calls();
                for (auto it = calls.begin(); it != calls.end(); ++it) {
                    if (!(*it)->ancestor() || std::find(calls.begin(), it, (*it)->ancestor()) == it)
                        inclusive += (*it)->inclusiveTime();
                }
                QCOMPARE(summary->totalInclusiveTime(), inclusive);
            }
        }
    }
}

void TestCallTree::deepChain()
{
    // A million nested calls over seven functions, innermost record first.
    constexpr int depth = 1000000, functionCount = 7;
    QByteArray data = "events: Time\n\nfl=/deep.php\nfn=f0\n1 1\n\n";
    data.reserve(depth * 40);
    for (int i = 1; i < depth; ++i)
        data += "fn=f" + QByteArray::number(i % functionCount) + "\n2 1\ncfn=f"
                + QByteArray::number((i - 1) % functionCount) + "\ncalls=1 0 0\n3 1\n\n";
    auto profile = std::make_unique<Profile>();
    profile->readFromData(data);
    data = QByteArray();

    const ProfiledFunctionCall *root = profile->rootFunction();
    QCOMPARE(root->inclusiveTime(), quint64(depth));
    const ProfiledFunctionCall *node = root;
    for (int level = 0; level < functionCount; ++level)
        node = node->getChild(0);
    QCOMPARE(node->ancestor(), root);
    const auto summaries = FunctionSummaryMap::summariesBelow(*root);
    QCOMPARE(summaries.size(), size_t(functionCount));
    quint32 calls = 0;
    for (const auto &summary : summaries) {
        calls += summary->callCount();
        // Only the outermost call of each function counts inclusively.
        QCOMPARE(summary->totalInclusiveTime(), summary->calls().front()->inclusiveTime());
    }
    QCOMPARE(calls, quint32(depth - 1));
    profile.reset(); // releases the chain without recursing
}

QTEST_GUILESS_MAIN(TestCallTree)
#include "tst_calltree.moc"
