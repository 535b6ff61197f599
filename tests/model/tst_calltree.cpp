#include "FunctionModel.h"
#include "FunctionSummaryMap.h"
#include "Profile.h"
#include "ProfiledFunctionCall.h"
#include "ProfiledFunctionSummary.h"

#include <QTest>

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

// Every summary below `start` in listed order: "name calls x self total/average
// inclusive total/average".
QString summariesOf(const ProfiledFunctionCall &start)
{
    QStringList texts;
    for (const auto &summary : FunctionSummaryMap::summariesBelow(start))
        texts << QStringLiteral("%1 %2x %3/%4 %5/%6")
                     .arg(summary->function().name())
                     .arg(summary->callCount())
                     .arg(summary->totalSelfTime())
                     .arg(summary->averageSelfTime())
                     .arg(summary->totalInclusiveTime())
                     .arg(summary->averageInclusiveTime());
    return texts.join("; ");
}

} // namespace

class TestCallTree : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void kinds_data();
    void kinds();
    void recursionLinks();
    void summaries_data();
    void summaries();
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
    QTest::newRow("internal") << "php::strlen" << 'p' << php << QList<Span> { { 0, 11, grey } };
    QTest::newRow("require") << "require::/var/www/lib.php" << 'p' << php
                             << QList<Span> { { 0, 9, blue }, { 9, 16, grey } };
    QTest::newRow("bare include") << "include::" << 'p' << php << QList<Span> { { 0, 9, blue } };
    QTest::newRow("require_once") << "require_once::/var/www/lib.php" << 'a' << application << QList<Span> {};
    QTest::newRow("method") << "Cart->add" << 'o' << "objectMethodIcon.tif" << QList<Span> {};
    QTest::newRow("static") << "Cart::create" << 'a' << application << QList<Span> {};
    QTest::newRow("internal method") << "php::Foo->bar" << 'p' << php << QList<Span> { { 0, 13, grey } };
    QTest::newRow("case matters") << "PHP::strlen" << 'a' << application << QList<Span> {};
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

void TestCallTree::recursionLinks()
{
    // Functions made outside a profile all have id 0: they are told apart by identity.
    const FunctionModel main(QStringLiteral("main"), 0), a(QStringLiteral("a"), 0), b(QStringLiteral("b"), 0);
    auto root = std::make_unique<ProfiledFunctionCall>(main);
    ProfiledFunctionCall *outer = prepend(*root, a, 2);
    ProfiledFunctionCall *middle = prepend(*outer, b, 3);
    ProfiledFunctionCall *inner = prepend(*middle, a, 4);
    ProfiledFunctionCall *sibling = prepend(*root, a, 1);
    root->analyse();
    QCOMPARE(inner->ancestor(), outer);
    QCOMPARE(outer->ancestor(), nullptr);
    QCOMPARE(middle->ancestor(), nullptr);
    QCOMPARE(sibling->ancestor(), nullptr);
    QCOMPARE(summariesOf(*root), QStringLiteral("a 3x 7/2 10/3; b 1x 3/3 7/7"));
    // Analysing a subtree still finds links to calls above it.
    inner->setAncestor(nullptr);
    middle->analyse();
    QCOMPARE(inner->ancestor(), outer);
    ProfiledFunctionSummary empty(a); // no division by zero
    empty.analyse();
    QCOMPARE(empty.averageInclusiveTime(), quint64(0));
}

void TestCallTree::summaries_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("summaries");
    QTest::newRow("repeated calls, first met first listed, root left out") << QByteArray(
        "fn=f\n1 3\n\nfn=zero\n1 0\n\nfn=f\n1 3\n\nfn=f\n1 4\n\n"
        "fn=main\n1 0\ncfn=f\ncfn=zero\ncfn=f\ncfn=f\n\n") << "f 3x 10/3 10/3; zero 1x 0/0 0/0";
    QTest::newRow("direct recursion") << QByteArray(
        "fn=a\n1 5\n\nfn=a\n1 7\ncfn=a\n\nfn=a\n1 8\ncfn=a\n\nfn=main\n1 0\ncfn=a\n\n")
                                      << "a 3x 20/6 20/6";
    QTest::newRow("mutual recursion") << QByteArray(
        "fn=a\n1 4\n\nfn=b\n1 3\ncfn=a\n\nfn=a\n1 2\ncfn=b\n\nfn=main\n1 0\ncfn=a\n\n")
                                      << "a 2x 6/3 9/4; b 1x 3/3 7/7";
    QTest::newRow("starting below a call of the same function")
        << QByteArray("fn=a\n1 4\n\nfn=b\n1 2\ncfn=a\n\nfn=a\n1 1\ncfn=b\n\n") << "b 1x 2/2 6/6; a 1x 4/4 4/4";
    QTest::newRow("totals beyond 32 bits")
        << QByteArray("fn=f\n1 4000000000\n\nfn=f\n1 4000000001\n\nfn=main\n1 0\ncfn=f\ncfn=f\n\n")
        << "f 2x 8000000001/4000000000 8000000001/4000000000";
    // Functions are keyed on their exact bytes, and shown decoded from UTF-8.
    QTest::newRow("function identities")
        << QByteArray("fn=f\xff\n1 1\n\nfn=f\xfe\n1 2\n\nfn=PHP::f\n1 3\n\nfn=php::f\n1 4\n\nfn=caf\xc3\xa9\n1 5\n\n"
                      "fn=main\n1 0\ncfn=\ncfn=\ncfn=\ncfn=\ncfn=\n\n")
        << QString::fromUtf8("f\uFFFD 1x 1/1 1/1; f\uFFFD 1x 2/2 2/2; PHP::f 1x 3/3 3/3; php::f 1x 4/4 4/4; "
                             "café 1x 5/5 5/5");
}

void TestCallTree::summaries()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, summaries);
    Profile profile;
    profile.readFromData(data);
    profile.rootFunction()->analyse(); // analysing again must not count twice
    QCOMPARE(summariesOf(*profile.rootFunction()), summaries);
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
