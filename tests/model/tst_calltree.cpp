#include "DataColumns.h"
#include "Cost.h"
#include "CostFormat.h"
#include "FunctionModel.h"
#include "FunctionSummaryMap.h"
#include "Profile.h"
#include "ProfiledFunctionCall.h"
#include "ProfileEvent.h"
#include "ProfiledFunctionSummary.h"

#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;

using Span = FunctionModel::ColourSpan;

namespace {

constexpr quint64 maxUnsigned = std::numeric_limits<quint64>::max();
constexpr qint64 maxSigned = std::numeric_limits<qint64>::max();
constexpr qint64 minSigned = std::numeric_limits<qint64>::min();

// Every summary below `start` in listed order: "name calls x" then for each
// event "self total/average inclusive total/average".
QString summariesOf(const ProfiledFunctionCall &start)
{
    const auto figure = [](Cost cost) {
        return cost.isSigned() ? QString::number(cost.toSigned()) : QString::number(cost.toUnsigned());
    };
    QStringList texts;
    for (const auto &summary : FunctionSummaryMap::summariesBelow(start)) {
        QString text = QStringLiteral("%1 %2x").arg(summary->function().name()).arg(summary->callCount());
        for (int event = 0; event < start.function().profile().events().size(); ++event)
            text += QStringLiteral(" %1/%2 %3/%4")
                        .arg(figure(summary->totalSelfCost(event)), figure(summary->averageSelfCost(event)),
                            figure(summary->totalInclusiveCost(event)), figure(summary->averageInclusiveCost(event)));
        texts << text;
    }
    return texts.join("; ");
}

} // namespace

// Functions, calls and their summaries, and how costs add up and read.
class TestCallTree : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void kinds_data()
    {
        addColumns<QString, char, QString, QList<Span>>("name", "type", "icon", "spans");
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
        QTest::newRow("empty") << "" << 'a' << application << QList<Span> {};
        // Spans count characters, not bytes.
        QTest::newRow("internal, not ASCII")
            << QString::fromUtf8("php::\xc3\xa9t\xc3\xa9") << 'p' << php << QList<Span> { { 0, 8, grey } };
    }

    void kinds()
    {
        QFETCH(QString, name);
        QFETCH(char, type);
        QFETCH(QList<Span>, spans);
        Profile profile;
        profile.readFromData("fn=" + name.toUtf8() + "\n1 1\n");
        const FunctionModel &function = profile.rootFunction()->function();
        QCOMPARE(function.type(), type);
        QTEST(function.formattedName().iconName, "icon");
        QCOMPARE(function.formattedName().text, name);
        QCOMPARE(function.formattedName().spans, spans);
    }

    void recursionLinks()
    {
        // main calls a, then a calls b, which calls a again; a first call of a
        // comes before that.
        Profile profile;
        profile.readFromData("fn=a\n1 1\n\nfn=a\n1 4\n\nfn=b\n1 3\ncfn=a\n\nfn=a\n1 2\ncfn=b\n\n"
                             "fn=main\n1 0\ncfn=a\ncfn=a\n\n");
        const ProfiledFunctionCall *root = profile.rootFunction();
        const ProfiledFunctionCall *sibling = root->getChild(0);
        const ProfiledFunctionCall *outer = root->getChild(1);
        const ProfiledFunctionCall *middle = outer->getChild(0);
        const ProfiledFunctionCall *inner = middle->getChild(0);
        QCOMPARE(inner->ancestor(), outer);
        QCOMPARE(outer->ancestor(), nullptr);
        QCOMPARE(middle->ancestor(), nullptr);
        QCOMPARE(sibling->ancestor(), nullptr);
        QCOMPARE(summariesOf(*root), QStringLiteral("a 3x 7/2 10/3; b 1x 3/3 7/7"));
        // Below b, the inner a's link leads outside the walk: it counts in full.
        QCOMPARE(summariesOf(*middle), QStringLiteral("a 1x 4/4 4/4"));
    }

    void summaries_data()
    {
        addColumns<QByteArray, QString>("data", "summaries");
        QTest::newRow("repeated calls, first met first listed, root left out") << QByteArray(
            "fn=f\n1 3\n\nfn=zero\n1 0\n\nfn=f\n1 3\n\nfn=f\n1 4\n\n"
            "fn=main\n1 0\ncfn=f\ncfn=zero\ncfn=f\ncfn=f\n\n") << "f 3x 10/3 10/3; zero 1x 0/0 0/0";
        QTest::newRow("direct recursion")
            << QByteArray("fn=a\n1 5\n\nfn=a\n1 7\ncfn=a\n\nfn=a\n1 8\ncfn=a\n\nfn=main\n1 0\ncfn=a\n\n")
            << "a 3x 20/6 20/6";
        QTest::newRow("mutual recursion")
            << QByteArray("fn=a\n1 4\n\nfn=b\n1 3\ncfn=a\n\nfn=a\n1 2\ncfn=b\n\nfn=main\n1 0\ncfn=a\n\n")
            << "a 2x 6/3 9/4; b 1x 3/3 7/7";
        QTest::newRow("starting below a call of the same function")
            << QByteArray("fn=a\n1 4\n\nfn=b\n1 2\ncfn=a\n\nfn=a\n1 1\ncfn=b\n\n") << "b 1x 2/2 6/6; a 1x 4/4 4/4";
        QTest::newRow("totals beyond 32 bits")
            << QByteArray("fn=f\n1 4000000000\n\nfn=f\n1 4000000001\n\nfn=main\n1 0\ncfn=f\ncfn=f\n\n")
            << "f 2x 8000000001/4000000000 8000000001/4000000000";
        QTest::newRow("totals saturate")
            << QByteArray("fn=f\n1 18446744073709551615\n\nfn=f\n1 5\n\nfn=main\n1 0\ncfn=f\ncfn=f\n\n")
            << "f 2x 18446744073709551615/9223372036854775807 18446744073709551615/9223372036854775807";
        // Worked out by hand: fib's inner call adds its self figures only; memory
        // runs negative and averages round towards zero.
        QTest::newRow("time and memory, recursion")
            << QByteArray("events: Time_(10ns) Memory_(bytes)\n\nfn=(1) php::str_repeat\n12 30 4096\n\n"
                          "fn=(2) fib\n7 10 -32\ncfn=(1)\n\nfn=(2)\n3 20 1000\ncfn=(2)\n\nfn=(1)\n12 5 -201\n\n"
                          "fn=(3) {main}\n1 2 100\ncfn=(2)\ncfn=(1)\n\n")
            << "fib 2x 30/15 60/30 968/484 5064/2532; php::str_repeat 2x 35/17 35/17 3895/1947 3895/1947";
        QTest::newRow("memory totals saturate and stay negative")
            << QByteArray("events: Memory\n\nfn=f\n1 -9223372036854775807\n\nfn=f\n1 -9\n\nfn=g\n1 -3\n\n"
                          "fn=main\n1 0\ncfn=f\ncfn=f\ncfn=g\n\n")
            << "f 2x -9223372036854775808/-4611686018427387904 -9223372036854775808/-4611686018427387904; "
               "g 1x -3/-3 -3/-3";
        // Functions are keyed on their exact bytes, and shown decoded from UTF-8.
        QTest::newRow("function identities")
            << QByteArray(
                   "fn=f\xff\n1 1\n\nfn=f\xfe\n1 2\n\nfn=PHP::f\n1 3\n\nfn=php::f\n1 4\n\nfn=caf\xc3\xa9\n1 5\n\n"
                   "fn=main\n1 0\ncfn=\ncfn=\ncfn=\ncfn=\ncfn=\n\n")
            << QString::fromUtf8("f\uFFFD 1x 1/1 1/1; f\uFFFD 1x 2/2 2/2; PHP::f 1x 3/3 3/3; php::f 1x 4/4 4/4; "
                                 "café 1x 5/5 5/5");
    }

    void summaries()
    {
        QFETCH(QByteArray, data);
        Profile profile;
        profile.readFromData(data);
        QTEST(summariesOf(*profile.rootFunction()), "summaries");
    }

    void deepChain()
    {
        // A million nested calls over seven functions, innermost record first.
        constexpr int depth = 1000000, functionCount = 7;
        QByteArray data = "events: Time\n\nfl=/deep.php\nfn=f0\n1 1\n\n";
        data.reserve(depth * 40);
        for (int i = 1; i < depth; ++i)
            data += "fn=f" + QByteArray::number(i % functionCount) + "\n2 1\ncfn=f"
                + QByteArray::number((i - 1) % functionCount) + "\ncalls=1 0 0\n3 1\n\n";
        Profile profile;
        profile.readFromData(data);
        const ProfiledFunctionCall *root = profile.rootFunction();
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
    }

    void costs_data()
    {
        addColumns<QString, qint64, QString>("event", "bits", "text");
        QTest::newRow("time in its unit") << "Time_(10ns)" << qint64(123456) << "1.2ms";
        QTest::newRow("time too small") << "Time" << qint64(50) << "-";
        QTest::newRow("largest time") << "Time" << qint64(-1) << "18446744073709552.0ms";
        QTest::newRow("bytes") << "Memory_(bytes)" << qint64(512) << "512 bytes";
        QTest::newRow("mebibytes") << "Memory" << qint64(1572864) << "1.50 MiB";
        QTest::newRow("negative memory") << "Memory_(bytes)" << qint64(-3072) << "-3.00 KiB";
        QTest::newRow("lowest memory") << "Memory" << minSigned << "-8.00 EiB";
        QTest::newRow("other event") << "Queries" << qint64(-42) << "-42";
        QTest::newRow("no time event, peak memory") << "Peakmemory" << qint64(2048) << "2048";
    }

    void costs()
    {
        QFETCH(QString, event);
        QFETCH(qint64, bits);
        const ProfileEvent profileEvent(event);
        QTEST(CostFormat::costString(profileEvent, profileEvent.cost(quint64(bits)), 1, true), "text");
    }

    void names_data()
    {
        addColumns<QString, QString, bool>("event", "asked", "named");
        QTest::newRow("whole name") << u"Memory_(bytes)"_s << "Memory_(bytes)" << true;
        QTest::newRow("without unit") << u"Memory_(bytes)"_s << "memory" << true;
        QTest::newRow("any case") << u"Time_(10ns)"_s << "TIME" << true;
        QTest::newRow("plain name") << u"Memory"_s << "memory" << true;
        QTest::newRow("prefix only") << u"Memory_(bytes)"_s << "Mem" << false;
        QTest::newRow("unit only") << u"Memory_(bytes)"_s << "(bytes)" << false;
        QTest::newRow("other event") << u"Peakmemory"_s << "memory" << false;
    }

    void names()
    {
        QFETCH(QString, event);
        QFETCH(QString, asked);
        QTEST(ProfileEvent(event).isNamed(asked), "named");
    }

    void arithmetic_data()
    {
        addColumns<bool, qint64, qint64, qint64, qint64>("isSigned", "left", "right", "sum", "halfOfSum");
        QTest::newRow("unsigned") << false << qint64(7) << qint64(8) << qint64(15) << qint64(7);
        QTest::newRow("unsigned saturates")
            << false << qint64(maxUnsigned) << qint64(3) << qint64(maxUnsigned) << qint64(maxUnsigned / 2);
        QTest::newRow("signed below zero") << true << qint64(5) << qint64(-12) << qint64(-7) << qint64(-3);
        QTest::newRow("signed saturates up") << true << maxSigned << qint64(1) << maxSigned << maxSigned / 2;
        QTest::newRow("signed saturates down") << true << minSigned << qint64(-1) << minSigned << minSigned / 2;
        QTest::newRow("opposite signs never saturate") << true << minSigned << maxSigned << qint64(-1) << qint64(0);
    }

    void arithmetic()
    {
        QFETCH(bool, isSigned);
        QFETCH(qint64, left);
        QFETCH(qint64, right);
        QFETCH(qint64, sum);
        QFETCH(qint64, halfOfSum);
        const quint64 bits = Cost::addBits(quint64(left), quint64(right), isSigned);
        QCOMPARE(bits, quint64(sum));
        QCOMPARE(Cost::fromBits(bits, isSigned).dividedBy(2).bits(), quint64(halfOfSum));
        QCOMPARE(Cost::fromBits(bits, isSigned).dividedBy(0).bits(), quint64(0));
    }
};

QTEST_GUILESS_MAIN(TestCallTree)
#include "tst_calltree.moc"
