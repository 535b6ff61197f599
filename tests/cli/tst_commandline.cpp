#include "CommandLineRun.h"
#include "DataColumns.h"
#include "NoRoomForThreads.h"
#include "TestProfiles.h"

#include "CommandLine.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Four callees of equal cost whose names sort differently by bytes and by case.
const QByteArray ties = "events: Time\n\nfn=b\n1 4\n\nfn=a\n1 4\n\nfn=B\n1 4\n\nfn=php::count\n1 4\n\n"
                        "fn=main\n1 1\ncfn=b\ncfn=a\ncfn=B\ncfn=php::count\n\n";
// Time in 10 ns and memory: fib calls itself, then str_repeat, which main
// calls again; memory orders the functions the other way round.
const QByteArray memory
    = "events: Time_(10ns) Memory_(bytes)\n\nfn=(1) php::str_repeat\n12 30000 4096\n\n"
      "fn=(2) fib\n7 10000 -32\ncfn=(1)\n\nfn=(2)\n3 20000 1000\ncfn=(2)\n\n"
      "fn=(1)\n12 5000 9000\n\nfn=(3) {main}\n1 2000 100\ncfn=(2)\ncfn=(1)\n\nsummary: 67000 5000\n";
// main calls fib (which recurses twice), a (which calls "x;y"), "a b", fib
// again (which calls php::strlen), then "x:y" and "x;y"; self time, then
// memory, in the comments.
const QByteArray stacks = "events: Time Memory\n\n"
                          "fn=fib\n1 4 -20\n\n" // main;fib;fib;fib
                          "fn=fib\n1 3 0\ncfn=fib\n\n" // main;fib;fib
                          "fn=fib\n1 2 10\ncfn=fib\n\n" // main;fib
                          "fn=x;y\n1 8 0\n\n" // main;a;x:y
                          "fn=a\n1 1 5\ncfn=x;y\n\n" // main;a
                          "fn=a b\n1 6 -6\n\n" // main;a b
                          "fn=php::strlen\n1 0 7\n\n" // main;fib;php::strlen
                          "fn=fib\n1 5 -10\ncfn=php::strlen\n\n" // main;fib again
                          "fn=x:y\n1 2 1\n\n" // main;x:y
                          "fn=x;y\n1 3 2\n\n" // main;x:y again, by another name
                          "fn=main\n1 1 100\ncfn=fib\ncfn=a\ncfn=a b\ncfn=fib\ncfn=x:y\ncfn=x;y\n\n";
// A profile with no calls.
const QByteArray noCalls = "events: Time\n";
// Names and a path with control characters: ESC, TAB, DEL, the C1 CSI, NUL.
const QByteArray controls = "events: Time\n\nfl=/a\tb.php\nfn=f\x7f\xc2\x9b" + QByteArray(1, '\0')
    + "x\n2 2\n\nfn=main\x1b[2J\n1 1\ncfn=f\n\n";
const QByteArray diffHeader
    = "calls_before\tcalls_after\tself_before\tself_after\tinclusive_before\tinclusive_after\tfunction\n";
const QByteArray summaryHeader = "calls\tself_total\tinclusive_total\tself_avg\tinclusive_avg\tfunction\n";
const QByteArray treeHeader = "depth\tindex\tself\tinclusive\tline\tfile\tfunction\n";
const QByteArray mergedHeader = "depth\tcalls\tself\tinclusive\tfunction\n";
const QByteArray annotateHeader = "file\tline\tself\tinclusive\tcalls\n";

QStringList words(const char *text)
{
    return QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

class CommandLineTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString write(const QString &name, const QByteArray &contents) { return writeFile(m_dir.filePath(name), contents); }

private Q_SLOTS:
    void outputs_data()
    {
        addColumns<QStringList, QByteArray, bool, QByteArray>("arguments", "profile", "showInternal", "expected");
        QTest::newRow("summary tsv") << words("--summary --tsv") << workedExample << true
                                     << summaryHeader + "1\t5\t7\t5\t7\trender\n1\t2\t2\t2\t2\tphp::strlen\n";
        QTest::newRow("tree tsv") << words("--tree --tsv") << workedExample << true
                                  << treeHeader
                + QByteArray("0\t0\t13\t20\t1\t/var/www/index.php\tmain\n"
                             "1\t1\t5\t7\t10\t/var/www/index.php\trender\n"
                             "2\t1\t2\t2\t3\tphp:internal\tphp::strlen\n");
        QTest::newRow("ties in byte order") << words("--summary --tsv") << ties << true
                                            << summaryHeader
                + QByteArray("1\t4\t4\t4\t4\tB\n1\t4\t4\t4\t4\ta\n1\t4\t4\t4\t4\tb\n1\t4\t4\t4\t4\tphp::count\n");
        QTest::newRow("internal hidden") << words("--summary --tsv") << ties << false
                                         << summaryHeader + "1\t4\t4\t4\t4\tB\n1\t4\t4\t4\t4\ta\n1\t4\t4\t4\t4\tb\n";
        QTest::newRow("names that are not UTF-8")
            << words("--summary --tsv") << QByteArray("fn=f\xff\n1 1\n\nfn=main\n1 1\ncfn=f\n\n") << true
            << summaryHeader + "1\t1\t1\t1\t1\tf\xef\xbf\xbd\n";
        QTest::newRow("summary without calls") << words("--summary --tsv") << noCalls << true << summaryHeader;
        QTest::newRow("aligned summary") << words("--summary --unit us --top 1") << workedExample << true
                                         << QByteArray("main  inclusive 20µs  summary: time 20µs\n"
                                                       "calls  self total  inclusive total  self avg  inclusive avg  "
                                                       "function\n    1         5µs              7µs     "
                                                       "  5µs            7µs  render\n");
        QTest::newRow("indented tree") << words("--tree --depth 1 --unit us") << workedExample << true
                                       << QByteArray("main  20µs (self 13µs)  /var/www/index.php:1\n"
                                                     "  render  7µs (self 5µs)  /var/www/index.php:10\n");
        QTest::newRow("memory beside time")
            << words("--summary --unit us") << memory << true
            << QByteArray(
                   "{main}  inclusive 670µs, 13.83 KiB  summary: time 670µs, peak memory 4.88 KiB\n"
                   "calls  self total  inclusive total  self avg  inclusive avg  self memory  inclusive memory  "
                   "function\n"
                   "    2       300µs            600µs     150µs          300µs    968 bytes          4.95 KiB  fib\n"
                   "    2       350µs            350µs     175µs          175µs    12.79 KiB         12.79 KiB  "
                   "php::str_repeat\n");
        QTest::newRow("memory chosen, raw")
            << words("--summary --tsv --event memory") << memory << true
            << summaryHeader + "2\t13096\t13096\t6548\t6548\tphp::str_repeat\n2\t968\t5064\t484\t2532\tfib\n";
        // "main;a b" sorts between "main;a" and the lines below it.
        QTest::newRow("folded") << words("--folded") << stacks << true
                                << QByteArray("main 1\nmain;a 1\nmain;a b 6\nmain;a;x:y 8\nmain;fib 7\nmain;fib;fib 3\n"
                                              "main;fib;fib;fib 4\nmain;x:y 5\n");
        QTest::newRow("folded memory, sums not above 0 left out")
            << words("--folded --event memory") << stacks << true
            << QByteArray("main 100\nmain;a 5\nmain;fib;php::strlen 7\nmain;x:y 3\n");
        QTest::newRow("folded, two calls at the top") << words("--folded") << QByteArray("fn=b\n1 2\n\nfn=a\n1 1\n")
                                                      << true << QByteArray("root;a 1\nroot;b 2\n");
        // The two calls of fib merge; php::strlen comes after the fib its
        // caller called first.
        QTest::newRow("merged tree") << words("--tree --merged --tsv") << stacks << true
                                     << mergedHeader
                + QByteArray("0\t1\t1\t35\tmain\n1\t2\t7\t14\tfib\n2\t1\t3\t7\tfib\n3\t1\t4\t4\tfib\n"
                             "2\t1\t0\t0\tphp::strlen\n1\t1\t1\t9\ta\n2\t1\t8\t8\tx;y\n1\t1\t6\t6\ta b\n"
                             "1\t1\t2\t2\tx:y\n1\t1\t3\t3\tx;y\n");
        QTest::newRow("merged tree of memory, cut")
            << words("--tree --merged --tsv --event memory --depth 1") << stacks << true
            << mergedHeader
                + QByteArray("0\t1\t100\t89\tmain\n1\t2\t0\t-13\tfib\n1\t1\t5\t5\ta\n1\t1\t-6\t-6\ta b\n"
                             "1\t1\t1\t1\tx:y\n1\t1\t2\t2\tx;y\n");
        QTest::newRow("merged tree, indented") << words("--tree --merged --depth 1 --unit us") << stacks << true
                                               << QByteArray("main  35µs (self 1µs)  ×1\n  fib  14µs (self 7µs)  ×2\n"
                                                             "  a  9µs (self 1µs)  ×1\n  a b  6µs (self 6µs)  ×1\n"
                                                             "  x:y  2µs (self 2µs)  ×1\n  x;y  3µs (self 3µs)  ×1\n");
        QTest::newRow("annotate tsv") << words("--annotate --tsv") << workedExample << true
                                      << annotateHeader
                + QByteArray("/var/www/index.php\t1\t13\t0\t0\n/var/www/index.php\t2\t0\t7\t1\n"
                             "/var/www/index.php\t10\t5\t0\t0\n/var/www/index.php\t12\t0\t2\t1\n"
                             "php:internal\t3\t2\t0\t0\n");
        QTest::newRow("annotate tsv, memory") << words("--annotate --tsv --event memory") << memoryExample << true
                                              << annotateHeader
                + QByteArray("/var/www/index.php\t1\t1000\t0\t0\n/var/www/index.php\t2\t0\t60\t1\n"
                             "/var/www/index.php\t10\t-40\t0\t0\n/var/www/index.php\t12\t0\t100\t1\n"
                             "php:internal\t3\t100\t0\t0\n");
        QTest::newRow("folded without calls") << words("--folded") << noCalls << true << QByteArray();
        // Control characters, which could steer a terminal or break a line or
        // a column, are written as escapes.
        QTest::newRow("control characters escaped, tsv") << words("--tree --tsv") << controls << true
                                                         << treeHeader
                + QByteArray("0\t0\t1\t3\t1\t/a\\x09b.php\tmain\\x1b[2J\n"
                             "1\t1\t2\t2\t2\t/a\\x09b.php\tf\\x7f\\x9b\\x00x\n");
        QTest::newRow("control characters escaped, aligned")
            << words("--summary --unit us") << controls << true
            << QByteArray("main\\x1b[2J  inclusive 3µs\n"
                          "calls  self total  inclusive total  self avg  inclusive avg  function\n"
                          "    1         2µs              2µs       2µs            2µs  f\\x7f\\x9b\\x00x\n");
        QTest::newRow("control characters escaped, folded") << words(
            "--folded") << controls << true << QByteArray("main\\x1b[2J 1\nmain\\x1b[2J;f\\x7f\\x9b\\x00x 2\n");
        QTest::newRow("memory chosen, aligned")
            << words("--summary --event Memory --top 1") << memory << true
            << QByteArray("{main}  inclusive 13.83 KiB  summary: time 0.7ms, peak memory 4.88 KiB\n"
                          "calls  self total  inclusive total  self avg  inclusive avg  function\n"
                          "    2   12.79 KiB        12.79 KiB  6.39 KiB       6.39 KiB  php::str_repeat\n");
        // Written per function: the summary is exact, the paths estimated.
        QTest::newRow("aggregated summary")
            << words("--summary --unit us") << aggregatedExample << true
            << QByteArray("Aggregated profile: call paths estimated from call counts\n"
                          "{main}  inclusive 350µs\n"
                          "calls  self total  inclusive total  self avg  inclusive avg  "
                          "function\n"
                          "    1        10µs            350µs      10µs          350µs  "
                          "{main}\n"
                          "    3       240µs            300µs      80µs          100µs  "
                          "App\\Slow->work\n"
                          "    4       100µs            100µs      25µs           25µs  "
                          "helper\n");
        // Two functions nobody calls: the root stands above both.
        QTest::newRow("aggregated summary, two top functions")
            << words("--summary --unit us")
            << QByteArray("events: Time\n\nfn=a\n1 5\ncfn=c\ncalls=1 0\n1 2\n\nfn=b\n1 3\n\nfn=c\n1 2\n") << true
            << QByteArray("Aggregated profile: call paths estimated from call counts\n"
                          "root  inclusive 10µs\n"
                          "calls  self total  inclusive total  self avg  inclusive avg  function\n"
                          "    1         5µs              7µs       5µs            7µs  a\n"
                          "    1         3µs              3µs       3µs            3µs  b\n"
                          "    1         2µs              2µs       2µs            2µs  c\n");
        QTest::newRow("aggregated tree") << words("--tree --tsv") << aggregatedExample << true
                                         << treeHeader
                + QByteArray("0\t0\t10\t350\t1\t/i.php\t{main}\n1\t1\t240\t300\t5\t/Slow.php\tApp\\Slow->work\n"
                             "2\t1\t60\t60\t8\t/i.php\thelper\n1\t2\t40\t40\t8\t/i.php\thelper\n");
        QTest::newRow("aggregated merged tree")
            << words("--tree --merged --unit us") << aggregatedExample << true
            << QByteArray("Aggregated profile: call paths estimated from call counts\n"
                          "{main}  350µs (self 10µs)  ×1\n"
                          "  App\\Slow->work  300µs (self 240µs)  ×3\n"
                          "    helper  60µs (self 60µs)  ×3\n"
                          "  helper  40µs (self 40µs)  ×1\n");
        QTest::newRow("aggregated folded") << words("--folded") << aggregatedExample << true
                                           << QByteArray("{main} 10\n{main};App\\Slow->work 240\n"
                                                         "{main};App\\Slow->work;helper 60\n{main};helper 40\n");
        QTest::newRow("aggregated diff")
            << (words("--diff --tsv") << write(QStringLiteral("aggregated.cg"), aggregatedExample))
            << QByteArray(aggregatedExample).replace("\n2 300\n", "\n2 200\n").replace("\n5 240\n", "\n5 140\n") << true
            << diffHeader
                + QByteArray("3\t3\t240000\t140000\t300000\t200000\tApp\\Slow->work\n"
                             "1\t1\t10000\t10000\t350000\t250000\t{main}\n"
                             "4\t4\t100000\t100000\t100000\t100000\thelper\n");
        // The second profile compared is the one named last.
        const QString before = write(QStringLiteral("before.cg"), profileBefore);
        QTest::newRow("time in nanoseconds") << (words("--diff --tsv") << before) << profileAfter << true
                                             << diffHeader
                + QByteArray("1\t1\t30000\t10000\t30000\t10000\tfast\n"
                             "1\t1\t10000\t25000\t10000\t25000\tslow\n"
                             "0\t1\t0\t5000\t0\t5000\tZap\n"
                             "1\t0\t5000\t0\t5000\t0\tgone\n"
                             "2\t3\t10000\t12000\t10000\t12000\tfib\n"
                             "1\t0\t2000\t0\t2000\t0\tinclude::/var/www/a.php\n"
                             "0\t1\t0\t2000\t0\t2000\tinclude::/var/www/b.php\n"
                             "1\t1\t1000\t1000\t1000\t1000\tphp::count\n");
        QTest::newRow("memory, internal hidden, top")
            << (words("--diff --tsv --event MEMORY --top 5") << before) << profileAfter << false
            << diffHeader
                + QByteArray("1\t1\t200\t600\t200\t600\tfast\n"
                             "1\t0\t50\t0\t50\t0\tgone\n"
                             "0\t1\t0\t-40\t0\t-40\tZap\n"
                             "2\t3\t16\t24\t16\t24\tfib\n"
                             "1\t1\t100\t100\t100\t100\tslow\n");
        QTest::newRow("saturated nanoseconds")
            << (words("--diff --tsv") << write(
                    "seconds.cg", "events: Time_(s)\n\nfn=f\n1 20000000000\n\nfn=main\n1 0\ncfn=f\n\n"))
            << QByteArray("events: Time_(ns)\n\nfn=f\n1 5\n\nfn=main\n1 0\ncfn=f\n\n") << true
            << diffHeader + "1\t1\t18446744073709551615\t5\t18446744073709551615\t5\tf\n";
        QTest::newRow("profiles without calls")
            << (words("--diff --tsv") << write("empty.cg", noCalls)) << noCalls << true << diffHeader;
        QTest::newRow("control characters escaped, diff")
            << (words("--diff --tsv") << write("controls.cg", controls)) << controls << true
            << diffHeader + "1\t1\t2000\t2000\t2000\t2000\tf\\x7f\\x9b\\x00x\n";
        QTest::newRow("aligned")
            << (words("--diff --unit us --top 4") << before) << profileAfter << true
            << QByteArray("inclusive of the roots: 59µs before, 56µs after, change -3µs (-5.1%)\n"
                          "calls before  calls after  self before  self after      self change  inclusive before  "
                          "inclusive after  inclusive change  function\n"
                          "           1            1         30µs        10µs   -20µs (-66.7%)  "
                          "            30µs             10µs    -20µs (-66.7%)  fast\n"
                          "           1            1         10µs        25µs  +15µs (+150.0%)  "
                          "            10µs             25µs   +15µs (+150.0%)  slow\n"
                          "           0            1            -         5µs              new                 -  "
                          "            5µs               new  Zap\n"
                          "           1            0          5µs           -             gone               "
                          "5µs  "
                          "              -              gone  gone\n");
    }

    void outputs()
    {
        const Result result
            = run(fetched<QStringList>("arguments") << write(QStringLiteral("p.cg"), fetched<QByteArray>("profile")),
                fetched<bool>("showInternal"));
        QCOMPARE(result.status, 0);
        QTEST(result.out, "expected");
        QVERIFY(result.err.isEmpty());
    }

    void deepTreeIndentation()
    {
        // Indentation stops at 64 levels; deeper calls show their depth.
        QByteArray chain = "fn=f\n1 1\n\n";
        for (int depth = 1; depth < 100; ++depth)
            chain += "fn=f\n1 1\ncfn=f\n\n";
        const Result result = run(QStringList { "--tree", "--unit", "us", write("deep.cg", chain) });
        const QList<QByteArray> lines = result.out.split('\n');
        QCOMPARE(lines.size(), 100 + 1);
        QCOMPARE(lines[64], QByteArray(128, ' ') + "f  36µs (self 1µs)  :1");
        QCOMPARE(lines[99], QByteArray(128, ' ') + "[99] f  1µs (self 1µs)  :1");
        const Result merged = run(QStringList { "--tree", "--merged", "--unit", "us", write("deep.cg", chain) });
        QCOMPARE(merged.out.split('\n')[99], QByteArray(128, ' ') + "[99] f  1µs (self 1µs)  ×1");
    }

    // A path deeper than the limit: the root, the frames left out, the last
    // ones, so that the output grows with the depth, not its square.
    void foldedCutsDeepPaths()
    {
        QByteArray chain = "events: Time\n\n", whole = "f0", cut = "f0;[5 frames]";
        for (int i = 4100; i-- > 0;)
            chain += "fn=f" + QByteArray::number(i) + "\n1 1\n" + (i < 4099 ? "cfn=x\n\n" : "\n");
        for (int i = 1; i < 4100; ++i) {
            if (i < 4096)
                whole += ";f" + QByteArray::number(i);
            if (i > 5)
                cut += ";f" + QByteArray::number(i);
        }
        const QList<QByteArray> lines = run(QStringList { "--folded", write("deep.cg", chain) }).out.split('\n');
        QCOMPARE(lines.size(), 4100 + 1);
        QVERIFY(lines.contains(whole + " 1") && lines.contains(cut + " 1"));
    }

    // When the system gives no thread, the read fails, naming the file.
    void threadRefused()
    {
#ifdef VELOTRACE_SANITIZED
        QSKIP("sanitizers map more than the test leaves room for");
#endif
        const QString file = write("threadless.cg", workedExample);
        const Result result = [&] {
            const NoRoomForThreads noRoom;
            return run({ "--tree", file });
        }();
        QCOMPARE(result.status, 1);
        QCOMPARE(result.err,
            "velotrace: " + file.toUtf8()
                + ": The system gives no thread to read the file (Resource temporarily "
                  "unavailable)\n");
    }

    // Files that cannot be read: one line naming the file, exit 1. Bad
    // arguments: the usage, exit 2.
    // The worked example's file found through the mappings (the command
    // line's before the user's), its costs beside its text; a file that is
    // not there listed.
    void annotateAligned()
    {
        const QString source = write("src/index.php",
            "<?php\nmain();\n\x1b[2J\n4\n5\n6\n7\n8\n"
            "function render() {\n  $x = 1;\n\n  strlen('x');\n}\n");
        const QString profile = write("a.cg", workedExample + "fl=/var/www/gone.php\nfn=late\n4 1\n\n");
        const QString folder = QFileInfo(source).path();
        const Result result = run(
            { "--annotate", "--unit", "us", "--map", "/var/www=" + folder, profile }, true, { "/var/www=/elsewhere" });
        QCOMPARE(result.status, 0);
        QCOMPARE(result.out,
            (folder
                + "/index.php (recorded as /var/www/index.php)\n"
                  "self  inclusive  calls  line\n"
                  "13µs                       1  <?php\n"
                  "            7µs      1     2  main();\n"
                  "                           3  \\x1b[2J\n"
                  "                           4  4\n"
                  "                         ...\n"
                  "                           8  8\n"
                  "                           9  function render() {\n"
                  " 5µs                      10    $x = 1;\n"
                  "                          11\n"
                  "            2µs      1    12    strlen('x');\n"
                  "                          13  }\n"
                  "\n"
                  "Not read:\n  "
                + folder + "/gone.php (recorded as /var/www/gone.php): No such file or directory\n")
                .toUtf8());
    }

    void failures_data()
    {
        addColumns<QStringList, int, QByteArray>("arguments", "status", "error");
        QTest::newRow("missing") << (words("--summary") << m_dir.filePath("missing.cg")) << 1
                                 << QByteArray("No such file or directory");
        QTest::newRow("corrupt gzip") << (words("--summary")
            << write("broken.cg.gz", QByteArray("\x1f\x8b\x08\x00garbage", 12)))
                                      << 1 << QByteArray("The file is not a valid gzip file.");
        QTest::newRow("unknown event") << (words("--tree --event Cycles") << write("m.cg", memory)) << 1
                                       << QByteArray("records no event \"Cycles\"; its events: Time_(10ns), "
                                                     "Memory_(bytes)");
        QTest::newRow("no mode") << words("--tsv x") << 2
                                 << QByteArray("need --summary, --tree, --folded, --diff or --annotate");
        QTest::newRow("no file") << words("--summary") << 2 << QByteArray("no profile file given");
        QTest::newRow("bad unit") << words("--summary --unit h x") << 2 << QByteArray("--unit needs one of");
        QTest::newRow("bad count") << words("--tree --depth -3 x") << 2 << QByteArray("--depth needs a number");
        QTest::newRow("unknown option") << words("--summary --fast") << 2 << QByteArray("Unknown option 'fast'");
        QTest::newRow("unknown option without a mode")
            << words("--bogus x") << 2 << QByteArray("Unknown option 'bogus'");
        QTest::newRow("new instance with a mode")
            << words("--new-instance --tree x") << 2 << QByteArray("--new-instance opens windows");
        QTest::newRow("not a profile") << (words("--summary") << write("notes.txt", "Dear reader,\n")) << 1
                                       << QByteArray("The file is not a profile");
        QTest::newRow("control characters in a file name")
            << (words("--summary") << m_dir.filePath("m\x1b[31m.cg")) << 1 << QByteArray("m\\x1b[31m.cg: No such file");
        QTest::newRow("missing value") << words("--summary x --event") << 2
                                       << QByteArray("Missing value after '--event'");
        QTest::newRow("merged without the tree")
            << words("--summary --merged x") << 2 << QByteArray("--merged needs --tree");
        QTest::newRow("two modes") << words("--tree --folded x") << 2 << QByteArray("only one of");
        QTest::newRow("folded with a layout")
            << words("--folded --depth 2 x") << 2 << QByteArray("--depth does not go with --folded");
        QTest::newRow("map alone") << words("--tree --map /a=/b x") << 2 << QByteArray("--map needs --annotate");
        QTest::newRow("map to nowhere") << words("--annotate --map /a x") << 2 << QByteArray("--map needs FROM=TO");
        QTest::newRow("diff of one file") << words("--diff x") << 2 << QByteArray("--diff needs two profile files");
        QTest::newRow("diff, after missing")
            << (words("--diff") << write("b.cg", profileBefore) << m_dir.filePath("missing.cg")) << 1
            << QByteArray("No such file or directory");
        QTest::newRow("diff, event only before records")
            << (words("--diff --event memory") << write("b.cg", profileBefore) << write("w.cg", workedExample)) << 1
            << QByteArray("records no event \"memory\"; its events: Time");
        QTest::newRow("diff, first event only before records")
            << (words("--diff") << write("b.cg", profileBefore)
                                << write("mem.cg", "events: Memory_(bytes)\n\nfn=f\n1 5\n\nfn=main\n1 1\ncfn=f\n\n"))
            << 1 << QByteArray("records no event \"Time\"; its events: Memory_(bytes)");
    }

    void failures()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        const Result result = run(arguments);
        QCOMPARE(result.status, status);
        QVERIFY(result.out.isEmpty());
        QVERIFY2(result.err.startsWith("velotrace: "), result.err.constData());
        QVERIFY2(result.err.contains(fetched<QByteArray>("error")), result.err.constData());
        if (status == 1) {
            QCOMPARE(result.err.count('\n'), 1);
            QVERIFY2(result.err.contains(m_dir.path().toUtf8()) || result.err.contains(arguments.last().toUtf8()),
                result.err.constData());
        } else {
            QVERIFY(result.err.contains("Usage: velotrace"));
        }
    }

    void writeError()
    {
        std::FILE *full = std::fopen("/dev/full", "w");
        if (!full)
            QSKIP("no /dev/full here");
        std::FILE *err = std::tmpfile();
        const QString profile = write("w.cg", workedExample);
        QCOMPARE(CommandLine({}).run({ "--tree", profile }, full, err), 1);
        std::fclose(full);
        QCOMPARE(readAll(err), QByteArray("velotrace: cannot write the output: No space left on device\n"));
    }

    void helpAndVersion()
    {
        const Result help = run(words("--help"));
        QCOMPARE(help.status, 0);
        QVERIFY(help.out.startsWith("Usage: velotrace"));
        QVERIFY(help.out.contains("--event <NAME>"));
        QCOMPARE(run(words("--version")).out, QByteArray("velotrace " VELOTRACE_VERSION "\n"));
    }

    void handles_data()
    {
        addColumns<QStringList, bool>("arguments", "handled");
        QTest::newRow("files") << words("a.cg b.cg") << false;
        QTest::newRow("a mode") << words("--tree a.cg") << true;
        QTest::newRow("an option with its value") << words("--unit=ms a.cg") << true;
        QTest::newRow("help") << words("-h") << true;
        QTest::newRow("an unknown option") << words("--treeish a.cg") << true;
        QTest::newRow("Qt's options, their values and ours")
            << words("-platform offscreen --style=fusion -reverse -qwindowgeometry -0+0 --new-instance a.cg") << false;
        QTest::newRow("after --") << words("-- --tree") << false;
    }

    void handles()
    {
        std::vector<QByteArray> bytes = { "velotrace" };
        for (const QString &argument : fetched<QStringList>("arguments"))
            bytes.push_back(argument.toUtf8());
        std::vector<char *> argv;
        for (QByteArray &argument : bytes)
            argv.push_back(argument.data());
        QTEST(CommandLine::handles(int(argv.size()), argv.data()), "handled");
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
