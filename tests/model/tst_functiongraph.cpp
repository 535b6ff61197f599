#include "DataColumns.h"
#include "TestProfiles.h"

#include "CallPathEstimator.h"
#include "FunctionGraph.h"
#include "MergedCallTree.h"
#include "Profile.h"
#include "ProfileFileData.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString figure(quint64 bits, bool isSigned)
{
    return isSigned ? QString::number(qint64(bits)) : QString::number(bits);
}

// Per function, by name: "name [object] calls self/inclusive... @line
// <caller:line..." for each event; the profiler's summary first.
QStringList functionsOf(const Profile &profile)
{
    const FunctionGraph &graph = profile.functionGraph();
    QStringList lines;
    for (quint32 node = 0; node < graph.size(); ++node) {
        QString line = profile.function(graph.function(node)).name();
        if (graph.object(node) != FunctionGraph::none)
            line += " [" + graph.objectNames().text(graph.object(node)) + ']';
        line += QStringLiteral(" %1x").arg(graph.calls(node));
        for (int event = 0; event < graph.eventCount(); ++event)
            line += ' ' + figure(graph.selfBits(event, node), graph.isSigned(event)) + '/'
                + figure(graph.inclusiveBits(event, node), graph.isSigned(event));
        if (graph.line(node) != 0)
            line += QStringLiteral(" @%1").arg(graph.line(node));
        QStringList callers;
        for (quint32 i = 0; i < graph.callerEdgeCount(node); ++i) {
            const quint32 edge = graph.callerEdge(node, i);
            callers << QStringLiteral(" <%1:%2")
                           .arg(profile.function(graph.function(graph.caller(edge))).name())
                           .arg(graph.edgeLine(edge));
        }
        callers.sort();
        lines << line + callers.join(QString());
    }
    lines.sort();
    QString summary = "summary";
    for (const Cost &cost : profile.summaryCosts())
        summary += ' ' + figure(cost.bits(), cost.isSigned());
    return QStringList { summary } + lines;
}

// The estimated paths in pre-order, indented by depth: "name ×calls
// self/inclusive" for each event.
QStringList pathsOf(const Profile &profile)
{
    const MergedCallTree &paths = profile.estimatedCallTree();
    QStringList lines;
    for (quint32 path = 0; path < paths.size(); ++path) {
        QString line = QString(int(paths.depth(path)) * 2, ' ') + profile.function(paths.function(path)).name()
            + QStringLiteral(" ×%1").arg(paths.calls(path));
        for (int event = 0; event < paths.eventCount(); ++event)
            line += ' ' + figure(paths.selfBits(event, path), paths.isSigned(event)) + '/'
                + figure(paths.inclusiveBits(event, path), paths.isSigned(event));
        lines << line;
    }
    return lines;
}

// Every path's self cost and its children's inclusive costs add up to its
// inclusive cost, in each event.
void checkAddsUp(const MergedCallTree &paths)
{
    for (quint32 path = 0; path < paths.size(); ++path) {
        for (int event = 0; event < paths.eventCount(); ++event) {
            quint64 sum = paths.selfBits(event, path);
            for (quint32 i = 0; i < paths.childCount(path); ++i)
                sum = Cost::addBits(sum, paths.inclusiveBits(event, paths.child(path, i)), paths.isSigned(event));
            QCOMPARE(sum, paths.inclusiveBits(event, path));
        }
    }
}

QByteArray gzipped(const QByteArray &data)
{
    QProcess gzip;
    gzip.start(QStringLiteral("gzip"), { QStringLiteral("-c") });
    gzip.write(data);
    gzip.closeWriteChannel();
    return gzip.waitForFinished() ? gzip.readAllStandardOutput() : QByteArray();
}

// Reads `bytes` from a file in pieces of `pieceSize` bytes.
bool readFromFile(Profile &profile, const QByteArray &bytes, qsizetype pieceSize)
{
    QTemporaryDir dir;
    ProfileFileData file;
    if (!file.open(writeFile(dir.filePath(QStringLiteral("profile")), bytes)))
        return false;
    profile.setReadOptions({ {}, pieceSize });
    return profile.readFromFile(file);
}

// main calls a and b once, which call c twice and once: callers first,
// and a call counted twice.
const QByteArray sharedCallee
    = "events: Time\n\nfl=/a.php\nfn=main\n1 1\ncfn=a\ncalls=1 2\n2 25\ncfn=b\ncalls=1 3\n3 15\n\n"
      "fl=/a.php\nfn=a\n4 5\ncfn=c\ncalls=2 8\n5 20\n\n"
      "fl=/a.php\nfn=b\n6 5\ncfn=c\ncalls=1 8\n7 10\n\n"
      "fl=/a.php\nfn=c\n8 30\n\n";

// The records of a profile after its header, last first.
QByteArray reversedRecords(const QByteArray &text)
{
    const qsizetype body = text.indexOf("\n\n") + 2;
    QList<QByteArray> records = text.mid(body).split('\n');
    QList<QByteArray> reversed;
    QByteArray record;
    for (const QByteArray &line : records) {
        if (!line.isEmpty()) {
            record += line + '\n';
        } else if (!record.isEmpty()) {
            reversed.prepend(record);
            record.clear();
        }
    }
    return text.first(body) + reversed.join('\n');
}

} // namespace

class TestFunctionGraph : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void graphs_data()
    {
        addColumns<QByteArray, QStringList, QStringList>("data", "functions", "paths");
        const QStringList shared = { "summary", "a 1x 5/25 @4 <main:2", "b 1x 5/15 @6 <main:3",
            "c 3x 30/30 @8 <a:5 <b:7", "main 1x 1/41 @1" };
        const QStringList sharedPaths
            = { "main ×1 1/41", "  a ×1 5/25", "    c ×2 20/20", "  b ×1 5/15", "    c ×1 10/10" };
        QTest::newRow("two callers sharing a callee, callers first") << sharedCallee << shared << sharedPaths;
        QTest::newRow("the same, records in another order") << reversedRecords(sharedCallee) << shared << sharedPaths;
        // fib's calls of itself cost what its own cost and calls hold already.
        QTest::newRow("recursion counted once")
            << QByteArray("events: Time\n\nfl=/f.php\nfn=main\n1 1\ncfn=fib\ncalls=1 2\n2 100\n\n"
                          "fl=/f.php\nfn=fib\n2 100\ncfn=fib\ncalls=9 2\n3 90\n\n")
            << QStringList { "summary", "fib 10x 100/100 @2 <fib:3 <main:2", "main 1x 1/101 @1" }
            << QStringList { "main ×1 1/101", "  fib ×1 100/100" };
        // a and b call each other: each counts its own cost, the cycle's calls
        // left out. Below main, a's 60 are shared 20:50 between its own cost
        // and b, whose call back to a is cut.
        QTest::newRow("a cycle of two") << QByteArray(
            "events: Time\n\nfl=/f.php\nfn=main\n1 1\ncfn=a\ncalls=1 2\n2 60\n\n"
            "fl=/f.php\nfn=a\n2 20\ncfn=b\ncalls=2 3\n3 50\n\n"
            "fl=/f.php\nfn=b\n3 40\ncfn=a\ncalls=1 2\n4 20\n\n")
                                        << QStringList { "summary", "a 2x 20/20 @2 <b:4 <main:2", "b 2x 40/40 @3 <a:3",
                                               "main 1x 1/61 @1" }
                                        << QStringList { "main ×1 1/61", "  a ×1 18/60", "    b ×2 42/42" };
        // Instructions and lines, absolute (hex too) and relative; a jump and
        // the position line after it are read past.
        QTest::newRow("instr line positions, subposition compression")
            << QByteArray("# callgrind format\nversion: 1\ncreator: callgrind-3.19.0\npositions: instr line\n"
                          "events: Ir Dr\nsummary: 11 4\n\nob=(1) /bin/prog\nfl=(1) prog.c\nfn=(1) main\n"
                          "0x1000 10 3 1\n+4 * 2\n+2 +1 1 1\ncfl=(2) lib.c\ncfn=(2) helper\ncalls=2 0x2000 20\n"
                          "+3 -1 4 2\njump=1 +8 *\n* *\n+8 12 1\n\nfl=(2)\nfn=(2)\n0x2000 20 3 1\n+1 * 1 1\n")
            << QStringList { "summary 11 4", "helper [/bin/prog] 2x 4/4 2/2 @20 <main:10",
                   "main [/bin/prog] 1x 7/11 2/4 @10" }
            << QStringList { "main ×1 7/11 2/4", "  helper ×2 4/4 2/2" };
        // The inlined code's cost is main's; its call goes to a function of
        // the inlined file.
        QTest::newRow("inlined files") << QByteArray(
            "events: Time\n\nfl=/a.c\nfn=main\n1 1\nfi=/b.h\n5 2\ncfn=helper\ncalls=1 7\n6 3\n"
            "fe=/a.c\n2 1\n\nfl=/b.h\nfn=helper\n7 3\n\n")
                                       << QStringList { "summary", "helper 1x 3/3 @7 <main:6", "main 1x 4/7 @1" }
                                       << QStringList { "main ×1 4/7", "  helper ×1 3/3" };
        // A figure left out counts 0; the callee's file, left out, is that of
        // the one function of its name.
        QTest::newRow("several events, {main} calling a method three times")
            << QByteArray("events: Time_(10ns) Memory_(bytes)\n\nfl=/i.php\nfn={main}\n1 10 100\n"
                          "cfn=App\\Slow->work\ncalls=3 5\n2 300 -60\n3 5\n\n"
                          "fl=/Slow.php\nfn=App\\Slow->work\n5 300 -60\n\nsummary: 315 100\n")
            << QStringList { "summary 315 100", "App\\Slow->work 3x 300/300 -60/-60 @5 <{main}:2",
                   "{main} 1x 15/315 100/40 @1" }
            << QStringList { "{main} ×1 15/315 100/40", "  App\\Slow->work ×3 300/300 -60/-60" };
        // One name in two objects is two functions; every kind of name is
        // compressed, some defined on jump lines. Two functions nobody calls
        // go under a root.
        QTest::newRow("objects and compressed names")
            << QByteArray("creator: callgrind\nevents: Ir\n\nob=(1) /bin/a\nfl=(1) a.c\nfn=(1) main\n1 1\n"
                          "cob=(2) /lib/b.so\ncfi=(2) b.c\ncfn=(2) init\ncalls=1 1\n1 2\ncfn=(2)\ncalls=1 1\n2 3\n"
                          "\nfn=(2)\n1 3\n\nob=(2)\nfl=(2)\nfn=(2)\n1 2\njfi=(3) c.c\njfn=(3) later\n\n"
                          "fl=(3)\nfn=(3)\n1 4\n\ntotals: 10\n")
            << QStringList { "summary 10", "init [/bin/a] 1x 3/3 @1 <main:2", "init [/lib/b.so] 1x 2/2 @1 <main:1",
                   "later [/lib/b.so] 1x 4/4 @1", "main [/bin/a] 1x 1/6 @1" }
            << QStringList { "root ×1 0/10", "  main ×1 1/6", "    init ×1 2/2", "    init ×1 3/3", "  later ×1 4/4" };
        QTest::newRow("parts add up, lines not known skipped")
            << QByteArray("# callgrind format\ncreator: callgrind-3.19.0\npart: 1\ndesc: I1 cache:\nevents: Ir\n"
                          "summary: 5\nfl=a.c\nfn=main\n1 5\nweird=1\n??? junk\ntotals: 5\n"
                          "part: 2\nthread: 2\nevents: Ir\nsummary: 7\nfl=a.c\nfn=main\n1 7\ntotals: 7\n")
            << QStringList { "summary 12", "main 1x 12/12 @1" } << QStringList { "main ×1 12/12" };
    }

    void graphs()
    {
        QFETCH(QByteArray, data);
        for (const qsizetype pieceSize : { 0, 7, 4096 }) {
            Profile profile;
            QVERIFY(pieceSize == 0 ? profile.readFromData(data) : readFromFile(profile, data, pieceSize));
            QVERIFY(profile.isAggregated());
            QVERIFY(!profile.rootFunction());
            QTEST(functionsOf(profile), "functions");
            QTEST(pathsOf(profile), "paths");
            checkAddsUp(profile.estimatedCallTree());
        }
    }

    void detection_data()
    {
        addColumns<QByteArray, bool>("data", "aggregated");
        QTest::newRow("per call") << memoryExample << false;
        QTest::newRow("per call, callees named without calls lines")
            << QByteArray("fn=c\n1 2\n\nfn=p\n1 3\ncfn=c\ncfn=y\n\n") << false;
        QTest::newRow("per call, the last claim missing")
            << QByteArray("fn=c\n1 2\n\nfn=p\n1 3\ncfn=c\ncalls=1 0 0\n5 2\n") << false;
        QTest::newRow("a creator that writes graphs") << QByteArray("creator: callgrind-3.19.0\nfn=a\n1 1\n") << true;
        QTest::newRow("positions other than lines") << QByteArray("positions: instr\nfn=a\n0x10 1\n") << true;
        QTest::newRow("a call counted three times")
            << QByteArray("fn=c\n1 1\n\nfn=m\n1 1\ncfn=c\ncalls=3 1\n1 3\n\n") << true;
        QTest::newRow("a caller first") << QByteArray("fn=m\n1 1\ncfn=c\ncalls=1 1\n1 1\n\nfn=c\n1 1\n\n") << true;
        QTest::newRow("a callee of two callers")
            << QByteArray("fn=c\n1 1\n\nfn=a\n1 1\ncfn=c\ncalls=1 1\n1 1\n\nfn=b\n1 1\ncfn=c\ncalls=1 1\n1 1\n\n")
            << true;
        QTest::newRow("a compressed callee of two callers") << QByteArray(
            "fn=(1) c\n1 1\n\nfn=(2) a\n1 1\ncfn=(1)\ncalls=1 1\n1 1\n\nfn=(3) b\n1 1\ncfn=(1)\n"
            "calls=1 1\n1 1\n\n") << true;
    }

    void detection()
    {
        QFETCH(QByteArray, data);
        ReadProfile profile(data);
        QTEST(profile.isAggregated(), "aggregated");
        QCOMPARE(profile.rootFunction() == nullptr, fetched<bool>("aggregated"));
    }

    void lateSign_data()
    {
        addColumns<qsizetype, bool>("recordsBefore", "gzip");
        QTest::newRow("in the middle") << qsizetype(30000) << false;
        QTest::newRow("in the middle, gzip") << qsizetype(30000) << true;
        QTest::newRow("at the end") << qsizetype(60000) << false;
    }

    void lateSign()
    {
        // Records of calls, and one counted five times among them: the text
        // is read again as a graph, from a buffer or a file in pieces.
        QFETCH(qsizetype, recordsBefore);
        QByteArray data = "events: Time\n\n";
        for (qsizetype record = 0; record < 60000; ++record) {
            if (record == recordsBefore)
                data += "fn=main\n1 1\ncfn=f\ncalls=5 1\n1 5\n\n";
            data += "fl=/x.php\nfn=f\n1 1\n\n";
        }
        if (recordsBefore == 60000)
            data += "fn=main\n1 1\ncfn=f\ncalls=5 1\n1 5\n\n";
        for (const qsizetype pieceSize : { 0, 4096 }) {
            Profile profile;
            QVERIFY(pieceSize == 0 ? profile.readFromData(data)
                                   : readFromFile(profile, fetched<bool>("gzip") ? gzipped(data) : data, pieceSize));
            QVERIFY(profile.isAggregated());
            const QStringList expected = { "summary", "f 5x 60000/60000 @1 <main:1", "main 1x 1/6 @1" };
            QCOMPARE(functionsOf(profile), expected);
        }
    }

    void limits_data()
    {
        addColumns<double, quint32>("negligibleShare", "paths");
        QTest::newRow("a budget of paths") << 0.0 << quint32(500);
        QTest::newRow("a negligible share") << 0.01 << quint32(1000000);
    }

    void limits()
    {
        // Diamonds: d(i) calls l(i) and r(i), which both call d(i + 1):
        // twice as many paths at each step, 2^16 at the bottom. Each call
        // costs 1; the figures are those of the program that ran.
        QFETCH(double, negligibleShare);
        constexpr int steps = 16;
        std::vector<quint64> below(steps + 1, 1); // inclusive cost of one call of d(i)
        for (int i = steps - 1; i >= 0; --i)
            below[size_t(i)] = 1 + 2 * (1 + below[size_t(i) + 1]);
        QByteArray data = "events: Time\n\nfn=main\n1 1\ncfn=d0\ncalls=1 1\n1 " + QByteArray::number(below[0]) + "\n\n";
        for (int i = 0; i <= steps; ++i) {
            const quint64 calls = quint64(1) << i;
            const QByteArray n = QByteArray::number(i), next = QByteArray::number(i + 1);
            data += "fn=d" + n + "\n1 " + QByteArray::number(calls) + "\n";
            if (i == steps)
                continue;
            for (const QByteArray side : { "l", "r" })
                data += "cfn=" + side + n + "\ncalls=" + QByteArray::number(calls) + " 1\n1 "
                    + QByteArray::number(calls * (1 + below[size_t(i) + 1])) + "\n";
            for (const QByteArray side : { "l", "r" })
                data += "\nfn=" + side + n + "\n1 " + QByteArray::number(calls) + "\ncfn=d" + next + "\ncalls="
                    + QByteArray::number(calls) + " 1\n1 " + QByteArray::number(calls * below[size_t(i) + 1]) + "\n";
            data += '\n';
        }
        ReadProfile profile(data);
        const FunctionGraph &graph = profile.functionGraph();
        const CallPathEstimator::Limits limits { negligibleShare, fetched<quint32>("paths") };
        const MergedCallTree paths = CallPathEstimator::estimate(graph, 0, 0, 0, limits);
        QCOMPARE(paths.inclusiveBits(0, paths.root()), 1 + below[0]);
        checkAddsUp(paths);
        QVERIFY(paths.size() <= 2 * limits.paths + 1);
        quint32 cut = 0;
        for (quint32 path = 1; path < paths.size(); ++path) {
            if (paths.node(path) == FunctionGraph::none)
                ++cut;
            else
                QVERIFY(double(paths.inclusiveBits(0, path)) >= negligibleShare * double(1 + below[0]));
        }
        QVERIFY(cut > 0);
    }

    void realProfiles_data()
    {
        // Figures of callgrind_annotate --inclusive=yes, which counts a
        // recursive function's calls of itself again: fib'2's 15,504 there.
        addColumns<QString, QString, quint64, quint64, quint64>("file", "function", "calls", "self", "inclusive");
        for (const char *file : { "callgrind-shared-main.out", "callgrind-shared-instr.out.gz" }) {
            const auto row = [&](const char *function, quint64 calls, quint64 self, quint64 inclusive) {
                QTest::addRow("%s %s", file, function) << file << function << calls << self << inclusive;
            };
            row("main", 1, 117, 18604);
            row("left", 10, 200, 9440);
            row("right", 10, 100, 6220);
            row("leaf", 30, 15360, 15360);
            row("fib", 1, 21, 2827);
            row("fib'2", 176, 2806, 2806);
        }
        QTest::newRow("ls setlocale") << "callgrind-ls.out.gz"
                                      << "setlocale" << quint64(1) << quint64(870) << quint64(164403);
        QTest::newRow("ls qsort_r") << "callgrind-ls.out.gz"
                                    << "qsort_r" << quint64(1) << quint64(66) << quint64(12425);
    }

    void realProfiles()
    {
        ProfileFileData file;
        QVERIFY(file.open(QStringLiteral(VELOTRACE_TEST_DATA "/") + fetched<QString>("file")));
        Profile profile;
        QVERIFY(profile.readFromFile(file));
        QVERIFY(profile.isAggregated());
        const FunctionGraph &graph = profile.functionGraph();
        const MergedCallTree &paths = profile.estimatedCallTree();
        // The root is the whole run, as the profiler's own total says.
        QCOMPARE(paths.inclusiveBits(0, paths.root()), profile.summaryCosts().value(0).bits());
        checkAddsUp(paths);
        quint32 found = 0;
        for (quint32 node = 0; node < graph.size(); ++node) {
            if (profile.function(graph.function(node)).name() != fetched<QString>("function"))
                continue;
            ++found;
            QTEST(graph.calls(node), "calls");
            QTEST(graph.selfBits(0, node), "self");
            QTEST(graph.inclusiveBits(0, node), "inclusive");
        }
        QCOMPARE(found, quint32(1));
    }

    void damagedInputs()
    {
        // Cut anywhere, or pieces that steer the reader through its
        // branches: read without fault, the paths adding up.
        QFile file(QStringLiteral(VELOTRACE_TEST_DATA "/callgrind-shared-main.out"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray data = file.readAll();
        for (qsizetype length = 0; length <= data.size(); length += 7) {
            ReadProfile profile(data.first(length));
            checkAddsUp(profile.estimatedCallTree());
        }
        const QList<QByteArray> tokens
            = { "fn=", "fl=", "fi=", "fe=", "ob=", "cob=", "cfi=", "cfl=", "cfn=", "calls=", "calls=2 ",
                  "jump=", "jcnd=", "jfi=", "jfn=", "positions: instr line", "positions: line", "events: Ir Dr",
                  "part: 2", "totals: 3", "summary: 9", "(1)", "(2) ", "a", "0x", "0x1f", "+", "-", "*", " ", "1", "12",
                  "\n", "\n", "\n", "\n\n", "#", "=", ":", "\xff" };
        QRandomGenerator random(22);
        for (int round = 0; round < 2000; ++round) {
            QByteArray text = "creator: callgrind\nevents: Ir\n";
            for (int i = random.bounded(1, 150); i > 0; --i)
                text += tokens[random.bounded(int(tokens.size()))];
            ReadProfile profile(text);
            QVERIFY(profile.isAggregated());
            checkAddsUp(profile.estimatedCallTree());
        }
    }
};

QTEST_GUILESS_MAIN(TestFunctionGraph)
#include "tst_functiongraph.moc"
