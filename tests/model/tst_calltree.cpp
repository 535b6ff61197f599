#include "FunctionModel.h"
#include "FunctionSummaryMap.h"
#include "Profile.h"
#include "ProfiledFunctionCall.h"
#include "ProfiledFunctionSummary.h"
#include "SourceFileModel.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <vector>

using Span = FunctionModel::ColourSpan;

namespace {

std::unique_ptr<ProfiledFunctionCall> call(const FunctionModel &function, quint64 self)
{
    auto node = std::make_unique<ProfiledFunctionCall>(function);
    node->setSelfTime(self);
    return node;
}

// Makes `child` the first child of `parent` and returns it.
ProfiledFunctionCall *prepend(ProfiledFunctionCall &parent, std::unique_ptr<ProfiledFunctionCall> child)
{
    ProfiledFunctionCall *added = child.get();
    parent.insertCall(std::move(child));
    return added;
}

// The summary figures of one function below `start`, as text.
QString summaryOf(const ProfiledFunctionCall &start, const QString &name)
{
    for (const auto &summary : FunctionSummaryMap::summariesBelow(start)) {
        if (summary->function().name() == name)
            return QStringLiteral("%1 calls, self %2 avg %3, incl %4 avg %5")
                .arg(summary->callCount())
                .arg(summary->totalSelfTime())
                .arg(summary->averageSelfTime())
                .arg(summary->totalInclusiveTime())
                .arg(summary->averageInclusiveTime());
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
    void insertCallPrepends();
    void analyse();
    void recursionLinks();
    void recursionLinksMatchWalkingUp();
    void summaryFigures();
    void summaryRecursion();
    void summaryMatchesSearchingTheCalls();
    void functionsSharingAnId();
    void totalsBeyond32Bits();
    void deepChain();
};

void TestCallTree::kinds_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<char>("type");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<QList<Span>>("spans");
    const quint32 grey = FunctionModel::darkGrey;
    const quint32 blue = FunctionModel::blue;
    const QString php = "phpFunctionIcon.tif";
    const QString application = "applicationFunctionIcon.tif";
    const QString method = "objectMethodIcon.tif";
    QTest::newRow("internal") << "php::strlen" << 'p' << php << QList<Span>{{0, 11, grey}};
    QTest::newRow("require") << "require::/var/www/lib.php" << 'p' << php
                             << QList<Span>{{0, 9, blue}, {9, 16, grey}};
    QTest::newRow("include") << "include::/var/www/tpl.php" << 'p' << php
                             << QList<Span>{{0, 9, blue}, {9, 16, grey}};
    QTest::newRow("bare include") << "include::" << 'p' << php << QList<Span>{{0, 9, blue}};
    QTest::newRow("require_once") << "require_once::/var/www/lib.php" << 'a' << application << QList<Span>{};
    QTest::newRow("include_once") << "include_once::/x.php" << 'a' << application << QList<Span>{};
    QTest::newRow("method") << "Cart->add" << 'o' << method << QList<Span>{};
    QTest::newRow("static") << "Cart::create" << 'a' << application << QList<Span>{};
    QTest::newRow("internal method") << "php::Foo->bar" << 'p' << php << QList<Span>{{0, 13, grey}};
    QTest::newRow("case matters") << "PHP::strlen" << 'a' << application << QList<Span>{};
    QTest::newRow("root") << "root" << 'a' << application << QList<Span>{};
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
    QCOMPARE(function.description(), name);
    const FunctionModel::FormattedName &formatted = function.formattedName();
    QCOMPARE(formatted.iconName, icon);
    QCOMPARE(formatted.text, name);
    QCOMPARE(formatted.spans, spans);
    QCOMPARE(formatted.baselineOffset, 2.0);
    QCOMPARE(formatted.length(), name.size() + 1);
}

void TestCallTree::interning()
{
    Profile one;
    Profile two;
    FunctionModel &strlen = one.objectInFunctionsForKey("php::strlen");
    QCOMPARE(&one.objectInFunctionsForKey("php::strlen"), &strlen);
    QVERIFY(&one.objectInFunctionsForKey("PHP::strlen") != &strlen);
    QVERIFY(&two.objectInFunctionsForKey("php::strlen") != &strlen);
    QCOMPARE(one.objectInFunctionsForKey("PHP::strlen").id(), 1u);
    QVERIFY(&one.objectInSourcesForKey("/a.php") != &one.objectInSourcesForKey("/a.php "));
    QCOMPARE(&one.objectInSourcesForKey("/a.php"), &one.objectInSourcesForKey("/a.php"));
    // Keys are the exact bytes: two invalid sequences that both show as
    // U+FFFD remain two functions.
    FunctionModel &first = one.objectInFunctionsForKey("f\xff");
    FunctionModel &second = one.objectInFunctionsForKey("f\xfe");
    QVERIFY(&first != &second);
    QCOMPARE(first.name(), QStringLiteral("f\uFFFD"));
    QCOMPARE(one.objectInFunctionsForKey("caf\xc3\xa9").name(), QStringLiteral("caf\u00e9"));
    QCOMPARE(one.functionCount(), 5);
    QCOMPARE(one.sourceCount(), 2);
}

void TestCallTree::insertCallPrepends()
{
    Profile profile;
    ProfiledFunctionCall parent(profile.objectInFunctionsForKey("p"));
    auto x = call(profile.objectInFunctionsForKey("x"), 1);
    auto y = call(profile.objectInFunctionsForKey("y"), 1);
    const ProfiledFunctionCall *xp = x.get();
    const ProfiledFunctionCall *yp = y.get();
    parent.insertCall(std::move(x));
    parent.insertCall(std::move(y));
    QCOMPARE(parent.childCount(), 2);
    QCOMPARE(parent.getChild(0), yp);
    QCOMPARE(parent.getChild(1), xp);
    QCOMPARE(parent.children(), (std::vector<const ProfiledFunctionCall *>{yp, xp}));
    QCOMPARE(xp->parent(), &parent);
    QCOMPARE(yp->parent(), &parent);
}

void TestCallTree::analyse()
{
    Profile profile;
    auto root = call(profile.objectInFunctionsForKey("n"), 2);
    ProfiledFunctionCall *second = prepend(*root, call(profile.objectInFunctionsForKey("b"), 5));
    ProfiledFunctionCall *first = prepend(*root, call(profile.objectInFunctionsForKey("a"), 3));
    prepend(*first, call(profile.objectInFunctionsForKey("leaf"), 7));
    for (int run = 0; run < 2; ++run) {
        root->analyse();
        QCOMPARE(root->inclusiveTime(), quint64(17));
        QCOMPARE(first->inclusiveTime(), quint64(10));
        QCOMPARE(first->getChild(0)->inclusiveTime(), quint64(7));
        QCOMPARE(root->indexInParent(), 0u);
        QCOMPARE(first->indexInParent(), 1u);
        QCOMPARE(second->indexInParent(), 2u);
        QCOMPARE(first->getChild(0)->indexInParent(), 1u);
    }
}

void TestCallTree::recursionLinks()
{
    Profile profile;
    const FunctionModel &a = profile.objectInFunctionsForKey("a");
    auto main = call(profile.objectInFunctionsForKey("main"), 1);
    ProfiledFunctionCall *outer = prepend(*main, call(a, 1));
    ProfiledFunctionCall *b = prepend(*outer, call(profile.objectInFunctionsForKey("b"), 1));
    ProfiledFunctionCall *inner = prepend(*b, call(a, 1));
    ProfiledFunctionCall *sibling = prepend(*main, call(a, 1));
    main->analyse();
    QCOMPARE(inner->ancestor(), outer);
    QCOMPARE(outer->ancestor(), nullptr);
    QCOMPARE(b->ancestor(), nullptr);
    QCOMPARE(main->ancestor(), nullptr);
    QCOMPARE(sibling->ancestor(), nullptr);

    // Analysing a subtree still finds links to calls above it.
    inner->setAncestor(nullptr);
    b->analyse();
    QCOMPARE(inner->ancestor(), outer);
}

void TestCallTree::recursionLinksMatchWalkingUp()
{
    // Random trees over few functions, so that recursion is everywhere.
    QRandomGenerator random(42);
    for (int round = 0; round < 20; ++round) {
        Profile profile;
        std::vector<const FunctionModel *> functions;
        for (int i = 0; i < 5; ++i)
            functions.push_back(&profile.objectInFunctionsForKey(std::to_string(i)));
        auto root = call(*functions[0], 1);
        std::vector<ProfiledFunctionCall *> nodes{root.get()};
        for (int i = 0; i < 2000; ++i) {
            ProfiledFunctionCall *parent = nodes[random.bounded(int(nodes.size()))];
            nodes.push_back(prepend(*parent, call(*functions[random.bounded(5)], random.bounded(100))));
        }
        root->analyse();
        for (const ProfiledFunctionCall *node : nodes)
            QCOMPARE(node->ancestor(), node->closestAncestorWithFunction(node->function()));
    }
}

void TestCallTree::summaryFigures()
{
    Profile profile;
    const FunctionModel &f = profile.objectInFunctionsForKey("f");
    ProfiledFunctionSummary empty(f);
    empty.analyse();
    QCOMPARE(empty.callCount(), 0u);
    QCOMPARE(empty.averageSelfTime(), quint64(0));
    QCOMPARE(empty.averageInclusiveTime(), quint64(0));

    auto root = call(profile.objectInFunctionsForKey("main"), 0);
    prepend(*root, call(profile.objectInFunctionsForKey("zero"), 0));
    for (quint64 self : {3, 3, 4})
        prepend(*root, call(f, self));
    root->analyse();
    QCOMPARE(summaryOf(*root, "f"), QStringLiteral("3 calls, self 10 avg 3, incl 10 avg 3"));
    QCOMPARE(summaryOf(*root, "zero"), QStringLiteral("1 calls, self 0 avg 0, incl 0 avg 0"));
    QCOMPARE(summaryOf(*root, "main"), QStringLiteral("none"));

    // First met, first listed.
    const auto summaries = FunctionSummaryMap::summariesBelow(*root);
    QCOMPARE(summaries.size(), size_t(2));
    QCOMPARE(summaries[0]->function().name(), QStringLiteral("f"));
    QCOMPARE(summaries[0]->calls().front(), root->getChild(0));
}

void TestCallTree::summaryRecursion()
{
    Profile profile;
    const FunctionModel &a = profile.objectInFunctionsForKey("a");
    const FunctionModel &b = profile.objectInFunctionsForKey("b");

    // Direct: a(8) -> a(7) -> a(5), inclusive 20, 12, 5.
    auto direct = call(profile.objectInFunctionsForKey("main"), 0);
    prepend(*prepend(*prepend(*direct, call(a, 8)), call(a, 7)), call(a, 5));
    direct->analyse();
    QCOMPARE(summaryOf(*direct, "a"), QStringLiteral("3 calls, self 20 avg 6, incl 20 avg 6"));

    // Mutual: a(1) -> b(2) -> a(4); b counts in full.
    auto mutual = call(profile.objectInFunctionsForKey("main"), 0);
    prepend(*prepend(*prepend(*mutual, call(a, 1)), call(b, 2)), call(a, 4));
    mutual->analyse();
    QCOMPARE(summaryOf(*mutual, "a"), QStringLiteral("2 calls, self 5 avg 2, incl 7 avg 3"));
    QCOMPARE(summaryOf(*mutual, "b"), QStringLiteral("1 calls, self 2 avg 2, incl 6 avg 6"));

    // Separate calls both count.
    auto separate = call(profile.objectInFunctionsForKey("main"), 0);
    prepend(*separate, call(a, 2));
    prepend(*separate, call(a, 3));
    separate->analyse();
    QCOMPARE(summaryOf(*separate, "a"), QStringLiteral("2 calls, self 5 avg 2, incl 5 avg 2"));

    // Starting below an a: that a is not added, so the inner one counts.
    auto outer = call(a, 1);
    prepend(*prepend(*outer, call(b, 2)), call(a, 4));
    outer->analyse();
    QCOMPARE(summaryOf(*outer, "a"), QStringLiteral("1 calls, self 4 avg 4, incl 4 avg 4"));
}

void TestCallTree::summaryMatchesSearchingTheCalls()
{
    QRandomGenerator random(7);
    Profile profile;
    std::vector<const FunctionModel *> functions;
    for (int i = 0; i < 4; ++i)
        functions.push_back(&profile.objectInFunctionsForKey(std::to_string(i)));
    auto root = call(*functions[0], 1);
    std::vector<ProfiledFunctionCall *> nodes{root.get()};
    for (int i = 0; i < 3000; ++i) {
        ProfiledFunctionCall *parent = nodes[random.bounded(int(nodes.size()))];
        nodes.push_back(prepend(*parent, call(*functions[random.bounded(4)], random.bounded(1000))));
    }
    root->analyse();
    // Start the walk from a few places, so that some ancestors are outside it.
    for (ProfiledFunctionCall *start : {nodes[0], nodes[1], nodes[5], nodes[17]}) {
        for (const auto &summary : FunctionSummaryMap::summariesBelow(*start)) {
            quint64 inclusive = 0;
            const auto &calls = summary->calls();
            for (size_t i = 0; i < calls.size(); ++i) {
                const auto before = calls.begin() + qsizetype(i);
                if (!calls[i]->ancestor() || std::find(calls.begin(), before, calls[i]->ancestor()) == before)
                    inclusive += calls[i]->inclusiveTime();
            }
            QCOMPARE(summary->totalInclusiveTime(), inclusive);
        }
    }
}

void TestCallTree::functionsSharingAnId()
{
    // Functions made outside a profile may all carry id 0.
    const FunctionModel main(QStringLiteral("main"), 0);
    const FunctionModel a(QStringLiteral("a"), 0);
    const FunctionModel b(QStringLiteral("b"), 0);
    auto root = call(main, 1);
    ProfiledFunctionCall *outer = prepend(*root, call(a, 2));
    ProfiledFunctionCall *middle = prepend(*outer, call(b, 3));
    ProfiledFunctionCall *inner = prepend(*middle, call(a, 4));
    root->analyse();
    QCOMPARE(inner->ancestor(), outer);
    QCOMPARE(middle->ancestor(), nullptr);
    QCOMPARE(outer->ancestor(), nullptr);
    QCOMPARE(summaryOf(*root, "a"), QStringLiteral("2 calls, self 6 avg 3, incl 9 avg 4"));
    QCOMPARE(summaryOf(*root, "b"), QStringLiteral("1 calls, self 3 avg 3, incl 7 avg 7"));
}

void TestCallTree::totalsBeyond32Bits()
{
    Profile profile;
    const FunctionModel &f = profile.objectInFunctionsForKey("f");
    auto root = call(profile.objectInFunctionsForKey("main"), 4000000000u);
    prepend(*root, call(f, 4000000000u));
    prepend(*root, call(f, 4000000001u));
    root->analyse();
    QCOMPARE(root->inclusiveTime(), quint64(12000000001));
    QCOMPARE(summaryOf(*root, "f"), QStringLiteral("2 calls, self 8000000001 avg 4000000000, incl 8000000001 avg 4000000000"));
}

void TestCallTree::deepChain()
{
    // A million nested calls over seven functions, written as a profile
    // writes them: the innermost record first, each caller claiming the
    // record before it.
    constexpr int depth = 1000000;
    constexpr int functionCount = 7;
    QByteArray data = "events: Time\n\nfl=/deep.php\nfn=f0\n1 1\n\n";
    data.reserve(depth * 40);
    for (int i = 1; i < depth; ++i) {
        const QByteArray name = "f" + QByteArray::number(i % functionCount);
        const QByteArray callee = "f" + QByteArray::number((i - 1) % functionCount);
        data += "fn=" + name + "\n2 1\ncfn=" + callee + "\ncalls=1 0 0\n3 1\n\n";
    }
    auto profile = std::make_unique<Profile>();
    profile->readFromData(data);
    data.clear();
    data.squeeze();

    const ProfiledFunctionCall *root = profile->rootFunction();
    QVERIFY(root);
    QCOMPARE(root->inclusiveTime(), quint64(depth));
    const ProfiledFunctionCall *node = root;
    for (int level = 0; level < functionCount; ++level)
        node = node->getChild(0);
    QCOMPARE(node->ancestor(), root);
    QCOMPARE(node->indexInParent(), 1u);

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
