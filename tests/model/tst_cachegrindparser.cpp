#include "CachegrindParser.h"
#include "FakeProgress.h"
#include "FunctionModel.h"
#include "Profile.h"
#include "ProfiledFunctionCall.h"
#include "SourceFileModel.h"
#include "SharedText.h"
#include "TreeDump.h"

#include <QFile>
#include <QTest>

#include <vector>

namespace {

// The worked example: strlen's record, render's, then main's.
const QByteArray workedExampleData = "version: 1\n"
                                 "creator: profiler\n"
                                 "cmd: /var/www/index.php\n"
                                 "part: 1\n"
                                 "\n"
                                 "events: Time\n"
                                 "\n"
                                 "fl=php:internal\n"
                                 "fn=php::strlen\n"
                                 "3 2\n"
                                 "\n"
                                 "fl=/var/www/index.php\n"
                                 "fn=render\n"
                                 "10 5\n"
                                 "cfn=php::strlen\n"
                                 "calls=1 0 0\n"
                                 "12 2\n"
                                 "\n"
                                 "fl=/var/www/index.php\n"
                                 "fn=main\n"
                                 "\n"
                                 "summary: 20\n"
                                 "1 13\n"
                                 "cfn=render\n"
                                 "calls=1 0 0\n"
                                 "2 7\n"
                                 "\n";

QStringList treeOf(const QByteArray &data)
{
    Profile profile;
    profile.readFromData(data);
    return dumpTree(profile.rootFunction());
}

// Names and inclusive times only, for trees where the rest does not matter.
QStringList shapeOf(const QByteArray &data)
{
    Profile profile;
    profile.readFromData(data);
    QStringList shape;
    for (const QString &line : dumpTree(profile.rootFunction()))
        shape << line.section(QLatin1Char(' '), 0, -4);
    return shape;
}

const QByteArray body = "events: Time\n\n";

} // namespace

class TestCachegrindParser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void workedExample_data();
    void workedExample();
    void sharesIdentities();
    void emptyDataHasNoRoot();
    void lineHandling_data();
    void lineHandling();
    void costLines_data();
    void costLines();
    void lineEnds_data();
    void lineEnds();
    void longLines();
    void compressedNames_data();
    void compressedNames();
    void costUnitFromHeader_data();
    void costUnitFromHeader();
    void progress_data();
    void progress();
    void progressFollowsFunctionLines();
    void realProfiles();
};

void TestCachegrindParser::workedExample_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("tree");
    QTest::newRow("whole") << workedExampleData
                           << QStringList{"main 13/20 #0 @1 /var/www/index.php",
                                          "  render 5/7 #1 @10 /var/www/index.php",
                                          "    php::strlen 2/2 #1 @3 php:internal"};
    QByteArray withoutLastLine = workedExampleData;
    withoutLastLine.chop(1);
    QTest::newRow("without the last empty line")
        << withoutLastLine
        << QStringList{"root 0/20 #0 @0 -", "  render 5/7 #1 @10 /var/www/index.php",
                       "    php::strlen 2/2 #1 @3 php:internal", "  main 13/13 #2 @1 /var/www/index.php"};
}

void TestCachegrindParser::workedExample()
{
    QFETCH(QByteArray, data);
    QFETCH(QStringList, tree);
    QCOMPARE(treeOf(data), tree);
}

void TestCachegrindParser::sharesIdentities()
{
    Profile profile;
    profile.readFromData(workedExampleData);
    QCOMPARE(profile.state(), Profile::Read);
    const ProfiledFunctionCall *main = profile.rootFunction();
    QVERIFY(main);
    QCOMPARE(main->source(), main->getChild(0)->source());
    QCOMPARE(&profile.objectInFunctionsForKey("render"), &main->getChild(0)->function());
    QCOMPARE(profile.functionCount(), 3);
    QCOMPARE(profile.sourceCount(), 2);
}

void TestCachegrindParser::emptyDataHasNoRoot()
{
    Profile profile;
    profile.readFromData(QByteArrayView());
    QVERIFY(!profile.rootFunction());
    QCOMPARE(profile.state(), Profile::Read);
    CachegrindParser parser(QByteArrayView(), profile);
    QVERIFY(parser.parse());
    QVERIFY(!parser.takeRootFunction());
}

void TestCachegrindParser::lineHandling_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("shape");

    QTest::newRow("single record") << body + "fn=a\n1 7\n" << QStringList{"a 7/7"};
    QTest::newRow("no function line") << QByteArray("events: Time\n\nfl=/x.php\n1 2\n") << QStringList{};
    QTest::newRow("two top-level records")
        << body + "fn=a\n1 1\n\nfn=b\n1 2\n\n" << QStringList{"root 0/3", "  a 1/1", "  b 2/2"};
    QTest::newRow("hash lines in every state")
        << QByteArray("#c\nversion: 1\n#c\ncmd: x\n#c=1\nfn=a\n#c\n1 4\n#c\ncfn=x\n#\n\n")
        << QStringList{"a 4/4"};
    QTest::newRow("cmd line with an equals sign stays header")
        << QByteArray("cmd: a=b\nfn=a\n1 4\n") << QStringList{"a 4/4"};
    QTest::newRow("header lines without an equals sign are skipped")
        << QByteArray("positions: line\nsummary: 12\n3 4\nfn=a\n1 4\n") << QStringList{"a 4/4"};
    QTest::newRow("claim after the callees")
        << body + "fn=c1\n1 1\n\nfn=c2\n1 2\n\nfn=p\n1 3\ncfn=c1\ncfn=c2\n\n"
        << QStringList{"p 3/6", "  c1 1/1", "  c2 2/2"};
    QTest::newRow("claim takes only the newest calls")
        << body + "fn=x\n1 1\n\nfn=c\n1 2\n\nfn=p\n1 3\ncfn=c\n\n"
        << QStringList{"root 0/6", "  x 1/1", "  p 3/5", "    c 2/2"};
    QTest::newRow("split claim keeps file order")
        << body + "fn=c1\n1 1\n\nfn=c2\n1 2\n\nfn=p\n1 3\ncfl=/a\ncfn=c1\ncfl=/b\ncfn=c2\n\n"
        << QStringList{"p 3/6", "  c1 1/1", "  c2 2/2"};
    QTest::newRow("claim of more callees than there are")
        << body + "fn=c\n1 2\n\nfn=p\n1 3\ncfn=c\ncfn=y\ncfn=z\n\nfn=q\n1 1\ncfn=p\n\n"
        << QStringList{"q 1/6", "  p 3/5", "    c 2/2"};
    QTest::newRow("claim with an empty stack")
        << body + "fl=/x\ncfn=c\n\nfn=a\n1 1\n" << QStringList{"a 1/1"};
    QTest::newRow("announced count carries over to the next call")
        << body + "fn=c\n1 2\n\nfn=p\n1 3\ncfn=c\nfl=/x\nfn=q\n1 9\n\n"
        << QStringList{"root 0/5", "  c 2/2", "  q 0/3", "    p 3/3"};
    QTest::newRow("callee cost lines are not the caller's")
        << body + "fn=c\n1 2\n\nfn=p\n1 3\ncfn=c\ncalls=1 0 0\n5 2\n\n" << QStringList{"p 3/5", "  c 2/2"};
    QTest::newRow("announced callees never claimed stay unclaimed")
        << body + "fn=c\n1 2\n\nfn=p\n1 3\ncfn=c\ncalls=1 0 0\n5 2\n"
        << QStringList{"root 0/5", "  c 2/2", "  p 3/3"};
    QTest::newRow("records after the main one")
        << body + "fn=c\n1 2\n\nfn=main\n1 3\ncfn=c\n\nfn=shutdown\n1 4\n\n"
        << QStringList{"root 0/9", "  main 3/5", "    c 2/2", "  shutdown 4/4"};
    QTest::newRow("appended runs")
        << body + "fn=main\n1 3\n\nversion: 1\ncreator: x\nevents: Time\n\nfn=main\n1 4\n\n"
        << QStringList{"root 0/7", "  main 3/3", "  main 4/4"};
    QTest::newRow("short digit line makes a claim")
        << body + "fn=c\n1 2\n\nfn=p\n1 3\ncfn=c\n12\nfn=q\n1 1\n\n"
        << QStringList{"root 0/6", "  p 3/5", "    c 2/2", "  q 1/1"};
    QTest::newRow("require_once has no special meaning")
        << body + "fn=require_once::/x.php\n1 1\n" << QStringList{"require_once::/x.php 1/1"};
    QTest::newRow("last line without terminator")
        << body + "fn=c\n1 2\n\nfn=p\n1 3\ncfn=c\n\nfn=last" << QStringList{"root 0/5", "  p 3/5", "    c 2/2", "  last 0/0"};
    QTest::newRow("data ending inside a cost line")
        << body + "fn=a\n1 4" << QStringList{"a 4/4"};
}

void TestCachegrindParser::lineHandling()
{
    QFETCH(QByteArray, data);
    QFETCH(QStringList, shape);
    QCOMPARE(shapeOf(data), shape);
}

void TestCachegrindParser::costLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<quint32>("sourceLine");
    QTest::addColumn<quint64>("selfTime");

    QTest::newRow("two numbers") << QByteArray("3 2") << 3u << quint64(2);
    QTest::newRow("four numbers") << QByteArray("3 2 9 4") << 3u << quint64(2);
    QTest::newRow("tabs and blanks") << QByteArray("3 \t 2") << 3u << quint64(2);
    QTest::newRow("one number records no cost") << QByteArray("345") << 345u << quint64(0);
    QTest::newRow("beyond 32 bits") << QByteArray("7 123456789012") << 7u << quint64(123456789012);
    QTest::newRow("largest cost") << QByteArray("7 18446744073709551615") << 7u << quint64(18446744073709551615ull);
    QTest::newRow("cost saturates") << QByteArray("7 99999999999999999999999") << 7u
                                    << quint64(18446744073709551615ull);
    QTest::newRow("line saturates") << QByteArray("99999999999 5") << 4294967295u << quint64(5);
}

void TestCachegrindParser::costLines()
{
    QFETCH(QByteArray, line);
    QFETCH(quint32, sourceLine);
    QFETCH(quint64, selfTime);
    Profile profile;
    profile.readFromData(body + "fn=a\n1 1\n" + line + "\n");
    QVERIFY(profile.rootFunction());
    QCOMPARE(profile.rootFunction()->sourceLine(), sourceLine);
    QCOMPARE(profile.rootFunction()->selfTime(), selfTime);
}

void TestCachegrindParser::lineEnds_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("shape");
    const QByteArray lines = body + "fn=c\n1 2\n\nfn=p\n1 3\ncfn=c\ncalls=1 0 0\n5 2\n\n";
    QTest::newRow("LF") << lines << QStringList{"p 3/5", "  c 2/2"};
    QByteArray carriageReturns = lines;
    carriageReturns.replace('\n', '\r');
    QTest::newRow("CR") << carriageReturns << QStringList{"p 3/5", "  c 2/2"};
    // Each CR LF also ends an empty line: the caller claims right after its
    // "cfn=" line and then takes the call's cost line as its own.
    QByteArray crlf = lines;
    crlf.replace("\n", "\r\n");
    QTest::newRow("CR LF") << crlf << QStringList{"p 2/4", "  c 2/2"};
}

void TestCachegrindParser::lineEnds()
{
    QFETCH(QByteArray, data);
    QFETCH(QStringList, shape);
    QCOMPARE(shapeOf(data), shape);
}

void TestCachegrindParser::longLines()
{
    const QByteArray name = "Class->" + QByteArray(100000, 'm');
    const QByteArray path = "/" + QByteArray(600, 'p') + ".php";
    Profile profile;
    profile.readFromData(body + "fl=" + path + "\nfn=" + name + "\n1 " + QByteArray(600, '1') + "\n");
    const ProfiledFunctionCall *root = profile.rootFunction();
    QVERIFY(root);
    QCOMPARE(root->function().name().toUtf8(), name);
    QCOMPARE(root->source()->path().toUtf8(), path);
    QCOMPARE(root->selfTime(), quint64(18446744073709551615ull));
}

void TestCachegrindParser::compressedNames_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("tree");
    QTest::newRow("definitions and references")
        << body + "fl=(1) /a.php\nfn=(1) php::strlen\n1 2\n\nfl=(2) /b.php\nfn=(2) main\n1 3\n"
                  "cfl=(1)\ncfn=(1)\ncalls=1 0 0\n1 2\n\nfl=(1)\nfn=(1)\n2 5\n\n"
        << QStringList{"root 0/10 #0 @0 -", "  main 3/5 #1 @1 /b.php", "    php::strlen 2/2 #1 @1 /a.php",
                       "  php::strlen 5/5 #2 @2 /a.php"};
    QTest::newRow("defined on the callee line first")
        << body + "fl=(1) /a.php\nfn=(1) main\n1 3\ncfl=(2) /b.php\ncfn=(2) helper\ncalls=1 0 0\n1 2\n\n"
                  "fl=(2)\nfn=(2)\n4 2\n\n"
        << QStringList{"root 0/5 #0 @0 -", "  main 3/3 #1 @1 /a.php", "  helper 2/2 #2 @4 /b.php"};
    QTest::newRow("undefined references stay literal")
        << body + "fl=(7)\nfn=(9)\n1 1\n" << QStringList{"(9) 1/1 #0 @1 (7)"};
    QTest::newRow("separate tables for files and functions")
        << body + "fl=(1) /a.php\nfn=(2) f\n1 1\n\nfl=(2)\nfn=(1)\n1 1\n\n"
        << QStringList{"root 0/2 #0 @0 -", "  f 1/1 #1 @1 /a.php", "  (1) 1/1 #2 @1 (2)"};
    QTest::newRow("not a compressed name")
        << body + "fn=(1)x\n1 1\n\nfn=(a) b\n1 1\n\nfn=() c\n1 1\n\n"
        << QStringList{"root 0/3 #0 @0 -", "  (1)x 1/1 #1 @1 none", "  (a) b 1/1 #2 @1 none",
                       "  () c 1/1 #3 @1 none"};
}

void TestCachegrindParser::compressedNames()
{
    QFETCH(QByteArray, data);
    QFETCH(QStringList, tree);
    QCOMPARE(treeOf(data), tree);
}

void TestCachegrindParser::costUnitFromHeader_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<quint64>("nanoseconds");
    QTest::newRow("none") << QByteArray() << quint64(1000);
    QTest::newRow("Time") << QByteArray("events: Time\n") << quint64(1000);
    QTest::newRow("Time Memory") << QByteArray("events: Time Memory\n") << quint64(1000);
    QTest::newRow("10ns") << QByteArray("events: Time_(10ns) Memory_(bytes)\n") << quint64(10);
    QTest::newRow("events in the body are not read")
        << QByteArray("fl=/x\nevents: Time_(10ns)\n") << quint64(1000);
}

void TestCachegrindParser::costUnitFromHeader()
{
    QFETCH(QByteArray, header);
    QFETCH(quint64, nanoseconds);
    Profile profile;
    profile.readFromData("version: 1\n" + header + "fn=a\n1 1000000000\n");
    QCOMPARE(profile.costUnit().nanoseconds(), nanoseconds);
    if (nanoseconds == 10)
        QCOMPARE(profile.costUnit().toMicroseconds(profile.rootFunction()->selfTime()), 10000000.0);
}

namespace {

// A profile of exactly `size` bytes: a worked example padded with comments.
QByteArray profileOfSize(qsizetype size)
{
    QByteArray data = workedExampleData;
    const qsizetype padding = size - data.size();
    if (padding > 0) {
        QByteArray comment = "#" + QByteArray(padding - 2, 'x') + "\n";
        data.prepend(comment);
    }
    Q_ASSERT(data.size() == size);
    return data;
}

} // namespace

void TestCachegrindParser::progress_data()
{
    QTest::addColumn<qsizetype>("size");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("300000 bytes") << qsizetype(300000) << QStringList{};
    const qsizetype size = 300001;
    const QByteArray data = profileOfSize(size);
    QStringList expected{"create", "show", "status File size: 293.0 KB", "max 300001", "remaining 300001"};
    for (qsizetype at = data.indexOf("\nfn="); at >= 0; at = data.indexOf("\nfn=", at + 1))
        expected << QStringLiteral("remaining %1").arg(size - at - 1);
    expected << "remaining 0" << "close";
    QTest::newRow("300001 bytes") << size << expected;
}

void TestCachegrindParser::progress()
{
    QFETCH(qsizetype, size);
    QFETCH(QStringList, expected);
    QStringList log;
    Profile profile;
    profile.readFromData(profileOfSize(size), [&log] { return std::make_unique<FakeProgress>(log); });
    QCOMPARE(log, expected);
    QVERIFY(profile.rootFunction());
}

void TestCachegrindParser::progressFollowsFunctionLines()
{
    // A megabyte of records: the bar rises at each one, to the bytes before it.
    QByteArray data = body;
    while (data.size() < 1000000)
        data += "fl=/x.php\nfn=f\n1 1\n\n";
    QStringList log;
    Profile profile;
    CachegrindParser reader(data, profile, [&log] { return std::make_unique<FakeProgress>(log); });
    reader.parse();
    const QString size = QString::number(data.size());
    QCOMPARE(log.first(5), (QStringList{"create", "show", "status File size: " + stringFromFileSize(qint32(data.size())),
                                       "max " + size, "remaining " + size}));
    const QStringList functionLines = log.mid(5, log.size() - 7);
    QCOMPARE(functionLines.size(), data.count("fn="));
    QCOMPARE(functionLines.first(), QStringLiteral("remaining %1").arg(data.size() - data.indexOf("fn=")));
    QCOMPARE(log.last(2), (QStringList{"remaining 0", "close"}));
}

namespace {

qsizetype callCount(const ProfiledFunctionCall *root)
{
    return root ? dumpTree(root).size() : 0;
}

} // namespace

void TestCachegrindParser::realProfiles()
{
    auto read = [](Profile &profile, const char *name) {
        QFile file(QStringLiteral(VELOTRACE_TEST_DATA "/") + QLatin1String(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        profile.readFromData(file.readAll());
        QVERIFY(profile.rootFunction());
    };

    // Two shutdown functions recorded after the main record.
    Profile shutdown;
    read(shutdown, "xdebug-2.2.1-shutdown.cachegrind");
    const ProfiledFunctionCall *root = shutdown.rootFunction();
    QCOMPARE(root->function().name(), QStringLiteral("root"));
    QCOMPARE(root->childCount(), 3);
    QCOMPARE(root->getChild(0)->function().name(), QStringLiteral("{main}"));
    QCOMPARE(root->getChild(0)->childCount(), 9);
    QCOMPARE(root->getChild(0)->inclusiveTime(), quint64(401171));
    QCOMPARE(root->getChild(2)->function().name(), QStringLiteral("c"));
    QCOMPARE(root->inclusiveTime(), quint64(401172));
    QCOMPARE(callCount(root), 22 + 1);

    Profile compressed;
    read(compressed, "xdebug-2.6-compressed.cachegrind");
    QCOMPARE(dumpTree(compressed.rootFunction()),
             (QStringList{"{main} 10/15000300 #0 @1 /var/www/html/index.php",
                          "  fun1 54/15000290 #1 @5 /var/www/html/index.php",
                          "    fun2 34/5000097 #1 @12 /var/www/html/index.php",
                          "      php::sleep 5000063/5000063 #1 @13 php:internal",
                          "    fun2 33/5000056 #2 @12 /var/www/html/index.php",
                          "      php::sleep 5000023/5000023 #1 @13 php:internal",
                          "    fun2 33/5000083 #3 @12 /var/www/html/index.php",
                          "      php::sleep 5000050/5000050 #1 @13 php:internal"}));
    QCOMPARE(compressed.functionCount(), 4);
    QCOMPARE(compressed.sourceCount(), 2);

    // Five cost columns; records of destructors after the main one.
    Profile early;
    read(early, "phprojekt-xdebug-0.9.6.cachegrind");
    root = early.rootFunction();
    QCOMPARE(root->function().name(), QStringLiteral("root"));
    QCOMPARE(root->getChild(0)->function().name(), QStringLiteral("{main}"));
    QCOMPARE(root->getChild(0)->inclusiveTime(), quint64(234407));
    QCOMPARE(root->inclusiveTime(), quint64(234563));
    QCOMPARE(callCount(root), 2745 + 1);
    QCOMPARE(root->getChild(0)->getChild(0)->function().formattedName().spans.size(), 1);
}

QTEST_GUILESS_MAIN(TestCachegrindParser)
#include "tst_cachegrindparser.moc"
