#include "CachegrindParser.h"
#include "FunctionModel.h"
#include "Profile.h"
#include "ProfiledFunctionCall.h"
#include "SourceFileModel.h"
#include "TreeDump.h"

#include <QTest>

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

} // namespace

class TestCachegrindParser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void workedExample_data();
    void workedExample();
    void sharesIdentities();
    void emptyDataHasNoRoot();
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

QTEST_GUILESS_MAIN(TestCachegrindParser)
#include "tst_cachegrindparser.moc"
