#include "DataColumns.h"
#include "TestProfiles.h"

#include "Cost.h"
#include "CostFormat.h"
#include "FunctionModel.h"
#include "FunctionSummaryMap.h"
#include "MemoryBudget.h"
#include "Profile.h"
#include "ProfileEvent.h"
#include "ProfileFileData.h"
#include "ProfiledFunctionCall.h"
#include "ProfiledFunctionSummary.h"
#include "ProgressController.h"
#include "SharedText.h"
#include "SourceFileModel.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <functional>
#include <future>
#include <limits>
#include <memory_resource>
#include <new>
#include <sys/stat.h>
#include <vector>
#include <zlib.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray body = "events: Time\n\n";
// As current profilers write it: main calls fib, which calls itself and then
// str_repeat, and calls str_repeat again. Time in 10 ns, memory in bytes.
const QByteArray currentDialect
    = "version: 1\ncreator: profiler 3.3.2\ncmd: /var/www/index.php\npart: 1\npositions: line\n\n"
      "events: Time_(10ns) Memory_(bytes)\n\n"
      "fl=(1) php:internal\nfn=(1) php::str_repeat\n12 30 4096\n\n"
      "fl=(2) /var/www/index.php\nfn=(2) fib\n7 10 -32\ncfl=(1)\ncfn=(1)\ncalls=1 0 0\n8 30 4096\n\n"
      "fl=(2)\nfn=(2)\n3 20 1000\ncfl=(2)\ncfn=(2)\ncalls=1 0 0\n4 40 4064\n\n"
      "fl=(1)\nfn=(1)\n12 5 -200\n\n"
      "fl=(2)\nfn=(3) {main}\n1 2 100\ncfl=(2)\ncfn=(2)\ncalls=1 0 0\n2 60 5064\ncfl=(1)\ncfn=(1)\ncalls=1 0 0\n"
      "5 5 -200\n\nsummary: 67 5000\n";

QString figure(Cost cost)
{
    return cost.isSigned() ? QString::number(cost.toSigned()) : QString::number(cost.toUnsigned());
}

// The call tree of `profile`, one line per call in pre-order, indented by
// depth: "name self/inclusive" for each event, and unless `brief`
// "#index @line source".
QStringList treeOf(const Profile &profile, bool brief = false)
{
    QStringList lines;
    std::vector<std::pair<const ProfiledFunctionCall *, int>> pending;
    if (profile.rootFunction())
        pending.emplace_back(profile.rootFunction(), 0);
    while (!pending.empty()) {
        const auto [call, depth] = pending.back();
        pending.pop_back();
        QString line = QString(depth * 2, ' ') + call->function().name();
        for (int event = 0; event < profile.events().size(); ++event)
            line += ' ' + figure(call->selfCost(event)) + '/' + figure(call->inclusiveCost(event));
        if (!brief)
            line += QStringLiteral(" #%1 @%2 %3")
                        .arg(call->indexInParent())
                        .arg(call->sourceLine())
                        .arg(call->source() ? call->source()->path() : QStringLiteral("none"));
        lines << line;
        for (qsizetype i = call->childCount() - 1; i >= 0; --i)
            pending.emplace_back(call->getChild(i), depth + 1);
    }
    return lines;
}

QStringList treeOf(const QByteArray &data, bool brief = false)
{
    ReadProfile profile(data);
    return treeOf(profile, brief);
}

QByteArray sample(const char *name)
{
    QFile file(QStringLiteral(VELOTRACE_TEST_DATA "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Reads `bytes` from a file with `options` (pieces of `pieceSize` bytes run
// lines across pieces everywhere).
bool readFromFile(Profile &profile, const QByteArray &bytes, const Profile::ReadOptions &options)
{
    QTemporaryDir dir;
    ProfileFileData file;
    if (!file.open(writeFile(dir.filePath(QStringLiteral("profile")), bytes)))
        return false;
    profile.setReadOptions(options);
    return profile.readFromFile(file);
}

quint64 saturatingSum(quint64 left, quint64 right)
{
    quint64 sum;
    return qAddOverflow(left, right, &sum) ? std::numeric_limits<quint64>::max() : sum;
}

// Reads `bytes` from a buffer of exactly their size, so that the address
// sanitizer sees any read past the end, then checks the analysed tree and the
// summaries from the root and from each call below it (where recursion links
// may lead outside the walk) against their definitions.
void readAndCheck(QByteArrayView bytes)
{
    const auto exact = std::make_unique<char[]>(size_t(bytes.size()) + (bytes.isEmpty() ? 1 : 0));
    std::copy(bytes.begin(), bytes.end(), exact.get());
    Profile profile;
    if (!profile.readFromData(QByteArrayView(exact.get(), bytes.size()))) {
        // Only text without a profile line is refused.
        QVERIFY(!QRegularExpression("(^|[\\r\\n])(events:|fn=)").match(QString::fromLatin1(bytes)).hasMatch());
        return;
    }
    const ProfiledFunctionCall *root = profile.rootFunction();
    if (!root)
        return;
    std::vector<const ProfiledFunctionCall *> pending { root };
    while (!pending.empty()) {
        const ProfiledFunctionCall *call = pending.back();
        pending.pop_back();
        quint64 inclusive = call->selfTime();
        for (qsizetype i = 0; i < call->childCount(); ++i) {
            const ProfiledFunctionCall *child = call->getChild(i);
            QCOMPARE(child->parent(), call);
            QCOMPARE(child->indexInParent(), quint32(i + 1));
            inclusive = saturatingSum(inclusive, child->inclusiveTime());
            pending.push_back(child);
        }
        QCOMPARE(call->inclusiveTime(), inclusive);
    }
    for (qsizetype start = -1; start < root->childCount(); ++start) {
        for (const auto &summary : FunctionSummaryMap::summariesBelow(start < 0 ? *root : *root->getChild(start))) {
            quint64 inclusive = 0; // calls inside another call of the same function count only for themselves
            const auto &calls = summary->calls();
            for (auto it = calls.begin(); it != calls.end(); ++it) {
                if (!(*it)->ancestor() || std::find(calls.begin(), it, (*it)->ancestor()) == it)
                    inclusive = saturatingSum(inclusive, (*it)->inclusiveTime());
            }
            QCOMPARE(summary->totalInclusiveTime(), inclusive);
        }
    }
}

// Pieces that steer the reader through all of its states and branches.
const QList<QByteArray> tokens = { "version: 1", "creator: x", "cmd: a=b", "part: 1", "events: Time_(10ns)",
    "events: Time_(", "events: Memory Time", "positions: line",
    "fl=", "fn=", "cfn=", "cfl=", "fi=", "fe=", "calls=1 0 0", "summary: 5", "#", "(1)", "(2) ",
    "(99999999999999999999)", "(", ")", " ", "=", "1", "12", "123 456", "99999999999999999999999", "-9", "\t", "+", "-",
    "\n", "\n", "\n", "\r", "\r\n", "\xff", "\xc3", "php::", "require::", "->", QByteArray(1, '\0') };

// Writes down the progress it is told, in order, calling `reported` after
// each.
class FakeProgress final : public ProgressController
{
public:
    explicit FakeProgress(std::function<void()> reported = {})
        : m_reported(std::move(reported))
    { }
    void setProgress(double fraction) override
    {
        fractions << fraction;
        if (m_reported)
            m_reported();
    }
    QList<double> fractions;

private:
    std::function<void()> m_reported;
};

// A profile of calls of distinct functions, one record each, of about `size`
// bytes.
QByteArray manyCalls(qsizetype size)
{
    QByteArray text = "events: Time\n\n";
    for (int i = 0; text.size() < size; ++i)
        text += "fn=f" + QByteArray::number(i) + "\n1 1\n\n";
    return text;
}

// Made here rather than by the gzip tool: ThreadSanitizer fails on the
// clone by which QProcess starts a program.
QByteArray gzipped(const QByteArray &data)
{
    z_stream stream = {};
    deflateInit2(&stream, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY); // 16+: gzip wrapping
    QByteArray out(qsizetype(deflateBound(&stream, uLong(data.size()))), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

const QByteArray profileText = "events: Time\n\nfl=/a.php\nfn=c\n1 2\n\nfn=main\n1 3\ncfn=c\n\n";

// Everything `file` gives, read `pieceSize` bytes at a time; a null array
// when reading fails.
QByteArray readAll(ProfileFileData &file, qsizetype pieceSize)
{
    QByteArray all;
    QByteArray piece(pieceSize, Qt::Uninitialized);
    for (;;) {
        const qsizetype length = file.read(piece.data(), pieceSize);
        if (length < 0)
            return QByteArray();
        if (length == 0)
            return all.isNull() ? QByteArray("") : all;
        all += piece.first(length);
    }
}

// Memory that fails its allocation number `failAt` (counted from 0; none
// when negative) and counts what it gave and did not get back.
class CountedMemory final : public std::pmr::memory_resource
{
public:
    explicit CountedMemory(int failAt = -1)
        : m_failAt(failAt)
    { }
    int allocations = 0;
    qint64 outstanding = 0;

private:
    void *do_allocate(size_t bytes, size_t alignment) override
    {
        if (allocations++ == m_failAt)
            throw std::bad_alloc();
        outstanding += qint64(bytes);
        return std::pmr::new_delete_resource()->allocate(bytes, alignment);
    }
    void do_deallocate(void *block, size_t bytes, size_t alignment) override
    {
        outstanding -= qint64(bytes);
        std::pmr::new_delete_resource()->deallocate(block, bytes, alignment);
    }
    bool do_is_equal(const std::pmr::memory_resource &other) const noexcept override { return &other == this; }
    const int m_failAt;
};

// Many short records of a few functions: far more calls per byte than a
// profile usually holds.
QByteArray denseCalls(int count)
{
    QByteArray data = "events: Time\n\n";
    for (int i = 0; i < count; ++i)
        data += "fn=f" + QByteArray::number(i % 50) + "\n1 " + QByteArray::number(i % 7) + "\n";
    return data;
}

Profile::ReadOptions chunked(unsigned pageShift, std::pmr::memory_resource *memory = &HugePageResource::instance())
{
    Profile::ReadOptions options;
    options.memory = memory;
    options.chunkPageShift = pageShift;
    return options;
}

constexpr quint64 maxUnsigned = std::numeric_limits<quint64>::max();
constexpr qint64 maxSigned = std::numeric_limits<qint64>::max();
constexpr qint64 minSigned = std::numeric_limits<qint64>::min();

// Every summary below `start` in listed order: "name calls x" then for each
// event "self total/average inclusive total/average".
QString summariesOf(const ProfiledFunctionCall &start)
{
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

class TestModel : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    void trees_data()
    {
        addColumns<QByteArray, QStringList>("data", "tree");
        QTest::newRow("worked example") << workedExample
                                        << QStringList { "main 13/20 #0 @1 /var/www/index.php",
                                               "  render 5/7 #1 @10 /var/www/index.php",
                                               "    php::strlen 2/2 #1 @3 php:internal" };
        QTest::newRow("worked example without its last line: callees claimed at the end")
            << workedExample.chopped(1)
            << QStringList { "main 13/20 #0 @1 /var/www/index.php", "  render 5/7 #1 @10 /var/www/index.php",
                   "    php::strlen 2/2 #1 @3 php:internal" };
        QTest::newRow("current dialect: memory, recursion, negative figures")
            << currentDialect
            << QStringList { "{main} 2/67 100/4964 #0 @1 /var/www/index.php",
                   "  fib 20/60 1000/5064 #1 @3 /var/www/index.php", "    fib 10/40 -32/4064 #1 @7 /var/www/index.php",
                   "      php::str_repeat 30/30 4096/4096 #1 @12 php:internal",
                   "  php::str_repeat 5/5 -200/-200 #2 @12 php:internal" };
        QTest::newRow("three events, figures missing or signed")
            << QByteArray("events: Time_(ns) Memory_(bytes) Queries\n\nfn=c\n1 3 -7 +2\n\nfn=d\n2 4\n\n"
                          "fn=p\n3 5 8 -9 99\ncfn=c\ncfn=d\n\n")
            << QStringList { "p 5/12 8/1 -9/-7", "  c 3/3 -7/-7 2/2", "  d 4/4 0/0 0/0" };
        // More events than the scanner keeps figures for: the line is read whole.
        QByteArray names = "events:", figures = "fn=f\n1", tree = "f";
        for (int event = 1; event <= 40; ++event) {
            names += " E" + QByteArray::number(event);
            figures += " -" + QByteArray::number(event);
            tree += " -" + QByteArray::number(event) + "/-" + QByteArray::number(event);
        }
        QTest::newRow("forty events") << names + "\n\n" + figures + "\n" << QStringList { tree };
        QTest::newRow("four cost columns, tabs and blanks") << body + "fn=a\n3 \t 2 9 4\n"
                                                            << QStringList { "a 2/2 #0 @3 none" };
        QTest::newRow("one number sets the line only") << body + "fn=a\n1 1\n345\n"
                                                       << QStringList { "a 0/0 #0 @345 none" };
        QTest::newRow("negative time counts nothing") << body + "fn=a\n1 -5\n" << QStringList { "a 0/0" };
        QTest::newRow("largest cost") << body + "fn=a\n7 18446744073709551615\n"
                                      << QStringList { "a 18446744073709551615/18446744073709551615 #0 @7 none" };
        QTest::newRow("line number saturates") << body + "fn=a\n99999999999 5\n"
                                               << QStringList { "a 5/5 #0 @4294967295 none" };
        QTest::newRow("inclusive costs saturate")
            << QByteArray("events: Time Memory\n\nfn=c\n1 18446744073709551615 9223372036854775807\n\n"
                          "fn=n\n1 0 -99999999999999999999\n\nfn=p\n1 4 5\ncfn=c\ncfn=n\n\n")
            << QStringList { "p 4/18446744073709551615 5/4",
                   "  c 18446744073709551615/18446744073709551615 9223372036854775807/9223372036854775807",
                   "  n 0/0 -9223372036854775808/-9223372036854775808" };
        const QByteArray name = "Class->" + QByteArray(100000, 'm'), path = "/" + QByteArray(600, 'p') + ".php";
        QTest::newRow("lines over 511 characters, cost saturating")
            << body + "fl=" + path + "\nfn=" + name + "\n1 " + QByteArray(600, '1') + "\n"
            << QStringList { name + " 18446744073709551615/18446744073709551615 #0 @1 " + path };
        QTest::newRow("compressed names, one defined on a callee line")
            << body
                + "fl=(1) /a.php\nfn=(1) php::strlen\n1 2\n\n"
                  "fl=(2) /b.php\nfn=(2) main\n1 3\ncfl=(1)\ncfn=(1)\ncalls=1 0 0\n1 2\n"
                  "cfl=(3) /c.php\ncfn=(3) helper\ncalls=1 0 0\n1 2\n\nfl=(1)\nfn=(1)\n2 5\n\nfl=(3)\nfn=(3)\n4 2\n\n"
            << QStringList { "root 0/12 #0 @0 -", "  main 3/5 #1 @1 /b.php", "    php::strlen 2/2 #1 @1 /a.php",
                   "  php::strlen 5/5 #2 @2 /a.php", "  helper 2/2 #3 @4 /c.php" };
        QTest::newRow("undefined references and non-references stay literal, files and functions apart")
            << body
                + "fl=(1) /a.php\nfn=(2) f\n1 1\n\nfl=(2)\nfn=(1)\n1 1\n\n"
                  "fl=(7)\nfn=(9)\n1 1\n\nfn=(1)x\n1 1\n\nfn=(a) b\n1 1\n\nfn=(99999) far\n1 1\n\nfn=(99999)\n1 1\n\n"
            << QStringList { "root 0/7 #0 @0 -", "  f 1/1 #1 @1 /a.php", "  (1) 1/1 #2 @1 (2)", "  (9) 1/1 #3 @1 (7)",
                   "  (1)x 1/1 #4 @1 (7)", "  (a) b 1/1 #5 @1 (7)", "  far 1/1 #6 @1 (7)", "  far 1/1 #7 @1 (7)" };
        QTest::newRow("no function line") << body + "fl=/x.php\n1 2\n" << QStringList {};
        QTest::newRow("hash lines in every state")
            << QByteArray("#c\nversion: 1\n#c\ncmd: x\n#c=1\nfn=a\n#c\n1 4\n#c\ncfn=x\n#\n\n")
            << QStringList { "a 4/4" };
        QTest::newRow("header lines skipped")
            << QByteArray("positions: line\nsummary: 12\ncmd: a=b\n3 4\nfn=a\n1 4\n") << QStringList { "a 4/4" };
        QTest::newRow("split claim keeps file order")
            << body + "fn=c1\n1 1\n\nfn=c2\n1 2\n\nfn=p\n1 3\ncfl=/a\ncfn=c1\ncfl=/b\ncfn=c2\n\n"
            << QStringList { "p 3/6", "  c1 1/1", "  c2 2/2" };
        QTest::newRow("claim takes only the newest calls")
            << body + "fn=x\n1 1\n\nfn=c\n1 2\n\nfn=p\n1 3\ncfn=c\n\n"
            << QStringList { "root 0/6", "  x 1/1", "  p 3/5", "    c 2/2" };
        QTest::newRow("claim of more callees than there are")
            << body + "fn=c\n1 2\n\nfn=p\n1 3\ncfn=c\ncfn=y\ncfn=z\n\nfn=q\n1 1\ncfn=p\n\n"
            << QStringList { "q 1/6", "  p 3/5", "    c 2/2" };
        QTest::newRow("claim with an empty stack") << body + "fl=/x\ncfn=c\n\nfn=a\n1 1\n" << QStringList { "a 1/1" };
        QTest::newRow("announced count carries over to the next call")
            << body + "fn=c\n1 2\n\nfn=p\n1 3\ncfn=c\nfl=/x\nfn=q\n1 9\n\n"
            << QStringList { "root 0/5", "  c 2/2", "  q 0/3", "    p 3/3" };
        QTest::newRow("short digit line claims") << body + "fn=c\n1 2\n\nfn=p\n1 3\ncfn=c\n12\nfn=q\n1 1\n\n"
                                                 << QStringList { "root 0/6", "  p 3/5", "    c 2/2", "  q 1/1" };
        QTest::newRow("records after the main one")
            << body + "fn=c\n1 2\n\nfn=main\n1 3\ncfn=c\n\nfn=shutdown\n1 4\n\n"
            << QStringList { "root 0/9", "  main 3/5", "    c 2/2", "  shutdown 4/4" };
        QTest::newRow("appended runs") << body
                + "fn=main\n1 3\n\nversion: 1\ncreator: x\nevents: Time\n\nfn=main\n1 4\n\n"
                                       << QStringList { "root 0/7", "  main 3/3", "  main 4/4" };
        QTest::newRow("last line without terminator")
            << body + "fn=c\n1 2\n\nfn=p\n1 3\ncfn=c\n\nfn=last"
            << QStringList { "root 0/5", "  p 3/5", "    c 2/2", "  last 0/0" };
        QTest::newRow("totals beyond 32 bits")
            << body + "fn=f\n1 4000000000\n\nfn=f\n1 4000000001\n\nfn=m\n1 4000000000\ncfn=f\ncfn=f\n\n"
            << QStringList { "m 4000000000/12000000001", "  f 4000000000/4000000000", "  f 4000000001/4000000001" };
        // Callee cost lines are not the caller's, whatever ends the lines; a
        // lone CR ends a line too.
        const QByteArray lines = body + "fn=c\n1 2\n\nfn=p\n1 3\ncfn=c\ncalls=1 0 0\n5 2\n\n";
        QTest::newRow("CR") << QByteArray(lines).replace('\n', '\r') << QStringList { "p 3/5", "  c 2/2" };
        QTest::newRow("CR LF") << QByteArray(lines).replace("\n", "\r\n") << QStringList { "p 3/5", "  c 2/2" };
        QTest::newRow("CR CR LF is two line ends")
            << QByteArray(lines).replace("\ncfn=c\n", "\r\r\ncfn=c\n") << QStringList { "p 3/5", "  c 2/2" };
    }

    void trees()
    {
        QFETCH(QByteArray, data);
        QFETCH(QStringList, tree);
        // Rows whose lines lack "#index" compare names and figures only.
        const bool brief = !tree.value(0).contains('#');
        QCOMPARE(treeOf(data, brief), tree);
        for (const qsizetype pieceSize : { 1, 2, 7, 4096 }) {
            Profile profile;
            QVERIFY(readFromFile(profile, data, { {}, pieceSize }));
            QCOMPARE(treeOf(profile, brief), tree);
        }
    }

    void events_data()
    {
        // events: name, kind, microseconds of 7
        addColumns<QByteArray, QStringList, int>("header", "events", "timeEvent");
        QTest::newRow("no events line") << QByteArray() << QStringList { "Time t 7" } << 0;
        QTest::newRow("10ns and memory") << QByteArray("events: Time_(10ns) Memory_(bytes)\n")
                                         << QStringList { "Time_(10ns) t 0.07", "Memory_(bytes) m" } << 0;
        QTest::newRow("older names, tabs")
            << QByteArray("events:\tTime \t Memory\n") << QStringList { "Time t 7", "Memory m" } << 0;
        QTest::newRow("ms") << QByteArray("events: Time_(ms)\n") << QStringList { "Time_(ms) t 7000" } << 0;
        QTest::newRow("time not first") << QByteArray("events: Memory Time_(10ns) Ir\n")
                                        << QStringList { "Memory m", "Time_(10ns) t 0.07", "Ir o" } << 1;
        QTest::newRow("no time at all") << QByteArray("events: Ir\n") << QStringList { "Ir o" } << 0;
        QTest::newRow("zero") << QByteArray("events: Time_(0ns)\n") << QStringList { "Time_(0ns) t 7" } << 0;
        QTest::newRow("unknown unit") << QByteArray("events: Time_(10fortnights)\n")
                                      << QStringList { "Time_(10fortnights) t 7" } << 0;
        QTest::newRow("overflowing") << QByteArray("events: Time_(99999999999999999999s)\n")
                                     << QStringList { "Time_(99999999999999999999s) t 7" } << 0;
        QTest::newRow("empty events line") << QByteArray("events:\n") << QStringList { "Time t 7" } << 0;
        QTest::newRow("events in the body")
            << QByteArray("fl=/x\nevents: Time_(10ns)\n") << QStringList { "Time t 7" } << 0;
    }

    void events()
    {
        QFETCH(QStringList, events);
        QFETCH(int, timeEvent);
        ReadProfile profile("version: 1\n" + fetched<QByteArray>("header") + "fn=a\n1 7 7 7\n");
        QStringList read;
        for (const ProfileEvent &event : profile.events()) {
            const char kind = "tmo"[int(event.kind())];
            read << event.name() + ' ' + kind;
            if (event.kind() == ProfileEvent::Kind::Time)
                read.last() += ' ' + QString::number(event.unit().toMicroseconds(7));
        }
        QCOMPARE(read, events);
        QCOMPARE(profile.timeEvent(), timeEvent);
        QCOMPARE(profile.rootFunction()->selfTime(), quint64(7));
    }

    // Reads that fail keep nothing. Limits stand in for memory and call
    // numbers running out; a text that is no profile has no line that
    // begins with "events:" or "fn=" in its first MiB.
    void failures_data()
    {
        addColumns<QByteArray, quint64, qint64, QString>("data", "calls", "memory", "error");
        const QString tooMany
            = QStringLiteral("The profile records more calls or names, or a longer line, than can be read (%1)");
        const QString memoryShort = QStringLiteral("Not enough memory to read the file");
        const QString none = "The file is not a profile: it has no line that begins with \"events:\" or \"fn=\"";
        const QString notAtItsStart
            = "The file is not a profile: its first MiB has no line that begins with \"events:\" or \"fn=\"";
        const quint64 calls = CallTree::maxCalls;
        const qint64 memory = qint64(1) << 30;
        QTest::newRow("one call too many") << workedExample << quint64(2) << memory << tooMany.arg(2);
        QTest::newRow("memory short for the tree") << workedExample << calls << qint64(64) << memoryShort;
        QTest::newRow("memory short for a line") << workedExample + "#" + QByteArray(2 << 20, 'x') + "\n"
                                                 << calls << qint64(1 << 20) << memoryShort;
        QTest::newRow("empty") << QByteArray() << calls << memory << none;
        QTest::newRow("settings") << QByteArray("[General]\nfn =1\nevents=2\n") << calls << memory << none;
        const QByteArray comment = "#" + QByteArray((1 << 20) - 6, 'x') + "\n";
        QTest::newRow("function line at the end of the first MiB") << comment + "fn=a\n1 1\n" << calls << memory << "";
        QTest::newRow("a MiB of comment first") << "#x" + comment + "fn=a\n1 1\n" << calls << memory << notAtItsStart;
        QTest::newRow("a compressed line of zeros")
            << gzipped(QByteArray(2 << 20, '\0')) << calls << memory << notAtItsStart;
    }

    void failures()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, error);
        // Pieces of a few bytes for the small texts; large ones would take
        // minutes so, under the sanitizers.
        // (a gzip file of a few KiB may hold MiBs).
        const bool small = data.size() < (64 << 10) && !data.startsWith("\x1f\x8b");
        for (const qsizetype pieceSize : { small ? 7 : 4096, 1 << 16 }) {
            Profile profile;
            QCOMPARE(
                readFromFile(profile, data, { { fetched<quint64>("calls"), fetched<qint64>("memory") }, pieceSize }),
                error.isEmpty());
            QCOMPARE(profile.errorString(), error);
            QCOMPARE(profile.functionCount() == 0, !error.isEmpty());
        }
    }

    void chunks_data()
    {
        // The tree grows by chunks of whole pages of 2^pageShift calls, the
        // first sized from the file's size, the next from what was read.
        addColumns<QByteArray, bool, int, qint64>("data", "gzip", "pageShift", "memory");
        QTest::newRow("a chunk per call") << currentDialect << false << 0 << maxSigned;
        QTest::newRow("the synthetic root past a chunk's end") << workedExample.chopped(1) << false << 1 << maxSigned;
        const QByteArray dense = denseCalls(50000);
        QTest::newRow("far denser in calls than expected") << dense << false << 12 << maxSigned;
        QTest::newRow("gzip whose size says little") << dense << true << 12 << maxSigned;
        // The room made from the file's size is address space: it counts
        // against the memory limit only as calls fill it.
        QByteArray sparse = "events: Time\n\n";
        for (int i = 0; i < 40; ++i)
            sparse += "#" + QByteArray(40000, 'x') + "\nfn=f\n1 " + QByteArray::number(i) + "\n";
        QTest::newRow("far sparser than expected, a small memory limit") << sparse << false << 12 << qint64(512 << 10);
    }

    void chunks()
    {
        QFETCH(QByteArray, data);
        // In one chunk, as a reference.
        Profile expected;
        QVERIFY(readFromFile(expected, data, chunked(20)));
        CountedMemory memory;
        {
            Profile profile;
            Profile::ReadOptions options = chunked(unsigned(fetched<int>("pageShift")), &memory);
            options.limits.memoryBytes = fetched<qint64>("memory");
            QVERIFY(readFromFile(profile, fetched<bool>("gzip") ? gzipped(data) : data, options));
            QCOMPARE(treeOf(profile), treeOf(expected));
        }
        QCOMPARE(memory.outstanding, 0);
    }

    void allocationFailure()
    {
        // Each allocation of the read failing in turn, a chunk of one of the
        // tree's fields in the middle of the others' among them: the read
        // fails as memory running short, gives all back and reads again.
        const QByteArray data = currentDialect + denseCalls(40).mid(body.size());
        const auto options = [](CountedMemory &memory) { return chunked(1, &memory); };
        CountedMemory counting;
        Profile profile;
        profile.setReadOptions(options(counting));
        QVERIFY(profile.readFromData(data));
        const QStringList tree = treeOf(profile);
        const int allocations = counting.allocations;
        for (int failAt = 0; failAt < allocations; ++failAt) {
            CountedMemory failing(failAt);
            profile.setReadOptions(options(failing));
            QVERIFY(!profile.readFromData(data));
            QCOMPARE(profile.errorString(), QStringLiteral("Not enough memory to read the file"));
            QCOMPARE(profile.functionCount(), 0);
            QCOMPARE(failing.outstanding, 0);
            profile.setReadOptions(options(counting));
            QVERIFY(profile.readFromData(data));
            QCOMPARE(treeOf(profile), tree);
        }
    }

    // The share read: none at the start, where each call's record begins,
    // all at the end.
    void progress()
    {
        QList<double> expected { 0.0 };
        for (qsizetype at = workedExample.indexOf("\nfn="); at >= 0; at = workedExample.indexOf("\nfn=", at + 1))
            expected << double(at + 1) / double(workedExample.size());
        FakeProgress progress;
        Profile profile;
        Profile::ReadOptions options;
        options.progress = &progress;
        profile.setReadOptions(options);
        QVERIFY(profile.readFromData(workedExample));
        QCOMPARE(progress.fractions, expected << 1.0);
    }

    // Read in pieces, the positions never go back nor past the end (in a
    // compressed file, those of its compressed bytes), and a cancel, set as
    // another thread would, stops the read at the next piece.
    void readInPieces_data()
    {
        addColumns<bool, bool, bool>("fromFile", "compressed", "cancel");
        QTest::newRow("text, cancelled") << false << false << true;
        QTest::newRow("file, cancelled") << true << false << true;
        QTest::newRow("gzip file") << true << true << false;
        QTest::newRow("gzip file, cancelled") << true << true << true;
    }

    void readInPieces()
    {
        QFETCH(bool, cancel);
        const QByteArray text = manyCalls(6 << 20);
        const QByteArray data = fetched<bool>("compressed") ? gzipped(text) : text;
        std::atomic_bool cancelled = false;
        // After the first positions of calls.
        int reports = 0;
        FakeProgress progress([&] { cancelled = cancel && ++reports > 2; });
        Profile profile;
        profile.setReadOptions({ .pieceSize = 4096, .cancel = &cancelled, .progress = &progress });
        ProfileFileData file;
        QVERIFY(file.open(writeFile(m_dir.filePath("pieces"), data)));
        QCOMPARE(fetched<bool>("fromFile") ? profile.readFromFile(file) : profile.readFromData(data), !cancel);
        QCOMPARE(profile.errorString(), cancel ? QStringLiteral("The read was cancelled") : QString());
        const QList<double> &fractions = progress.fractions;
        QCOMPARE(fractions.first(), 0.0);
        QVERIFY(std::is_sorted(fractions.begin(), fractions.end()) && fractions.last() <= 1.0);
        // Stopped within a piece: of the about 300,000 calls, those of a piece at most.
        QVERIFY(cancel ? fractions.size() < 20000 : fractions[fractions.size() - 2] < 1.0);
    }

    // A file may be cut, appended to or replaced while it is read: reading
    // ends with what was read, and the change is known.
    void fileChangedWhileRead_data()
    {
        addColumns<QString, qsizetype, bool>("change", "read", "changed");
        QTest::newRow("none") << "none" << qsizetype(1000000) << false;
        QTest::newRow("appended to") << "append" << qsizetype(1000005) << true;
        QTest::newRow("cut") << "cut" << qsizetype(700000) << true;
        QTest::newRow("rewritten, same size") << "rewrite" << qsizetype(1000000) << true;
        QTest::newRow("renamed over") << "rename" << qsizetype(1000000) << true;
        QTest::newRow("removed: read whole") << "remove" << qsizetype(1000000) << false;
    }

    void fileChangedWhileRead()
    {
        QFETCH(QString, change);
        const QByteArray contents(1000000, '#');
        const QString path = writeFile(m_dir.filePath("changing"), contents);
        // A time of its own, so that a rewrite within the clock's step shows.
        QFile(path).setFileTime(QDateTime::currentDateTime().addDays(-1), QFileDevice::FileModificationTime);
        ProfileFileData file;
        QVERIFY(file.open(path));
        QByteArray start(10, Qt::Uninitialized);
        QCOMPARE(file.read(start.data(), start.size()), 10);
        QFile writer(path);
        if (change == "append" || change == "rewrite")
            QVERIFY(
                writer.open(change == "append" ? QIODevice::Append : QIODevice::ReadWrite) && writer.write("fn=x\n"));
        writer.close();
        if (change == "cut")
            QVERIFY(QFile::resize(path, 700000));
        if (change == "rename" || change == "remove")
            QVERIFY(QFile::remove(path) && (change == "remove" || writeFile(path, contents) == path));
        QTEST(readAll(file, 4096).size() + 10, "read");
        QVERIFY(file.errorString().isEmpty());
        QTEST(file.hasChanged(), "changed");
    }

    // Reads share a budget: one that starts while others hold what it needs
    // waits, holding nothing; one that outgrows what the others leave fails.
    void memoryBudget_data()
    {
        // held: by another read, given back when the read waits
        addColumns<qint64, qint64, bool, bool, QString>("budget", "held", "waits", "cancelWhileWaiting", "error");
        // The read expects 1.2 MB and takes several MiB.
        constexpr qint64 mebibyte = 1 << 20;
        QTest::newRow("waits for the other") << 64 * mebibyte << 64 * mebibyte << true << false << QString();
        QTest::newRow("cancelled while waiting")
            << 64 * mebibyte << 64 * mebibyte << true << true << QStringLiteral("The read was cancelled");
        QTest::newRow("outgrows what the other leaves")
            << 64 * mebibyte << 62 * mebibyte << false << false
            << QStringLiteral("Not enough memory to read the file beside the other files being read");
    }

    void memoryBudget()
    {
        QFETCH(bool, cancelWhileWaiting);
        QFETCH(QString, error);
        const QByteArray data = manyCalls(2400000);
        MemoryBudget budget(fetched<qint64>("budget"));
        auto other = std::make_optional<MemoryBudget::Share>(budget);
        QVERIFY(other->reserve(fetched<qint64>("held"), nullptr, {}));
        std::atomic_bool cancel = false;
        int waited = 0;
        Profile profile;
        profile.setReadOptions({ .pieceSize = 4096, .cancel = &cancel, .budget = &budget, .waitingForMemory = [&] {
                                    ++waited;
                                    if (cancelWhileWaiting)
                                        cancel = true;
                                    else
                                        other.reset();
                                } });
        QCOMPARE(profile.readFromData(data), error.isEmpty());
        QCOMPARE(profile.errorString(), error);
        QCOMPARE(waited, fetched<bool>("waits") ? 1 : 0);
    }

    void realProfiles()
    {
        QStringList tree = treeOf(sample("xdebug-2.2.1-shutdown.cachegrind"), true);
        QCOMPARE(tree.size(), 22 + 1);
        QCOMPARE(tree.filter(QRegularExpression("^(  )?\\S")),
            (QStringList { "root 0/401172", "  {main} 255/401171", "  c 1/1", "  c 0/0" }));
        ReadProfile compressed(sample("xdebug-2.6-compressed.cachegrind"));
        tree = treeOf(compressed);
        QCOMPARE(tree.size(), 8);
        QCOMPARE(tree.mid(0, 4),
            (QStringList { "{main} 10/15000300 0/32 #0 @1 /var/www/html/index.php",
                "  fun1 54/15000290 32/32 #1 @5 /var/www/html/index.php",
                "    fun2 34/5000097 0/0 #1 @12 /var/www/html/index.php",
                "      php::sleep 5000063/5000063 0/0 #1 @13 php:internal" }));
        QCOMPARE(compressed.summaryCosts(), (QList<Cost> { Cost::fromUnsigned(15000303), Cost::fromSigned(32) }));
        tree = treeOf(sample("phprojekt-xdebug-0.9.6.cachegrind"), true);
        QCOMPARE(tree.size(), 2745 + 1);
        QVERIFY2(tree.first().startsWith("root 0/234563 0/"), qPrintable(tree.first()));
        QVERIFY2(tree.at(1).startsWith("  {main} ") && tree.at(1).contains("/234407 "), qPrintable(tree.at(1)));
    }

    void damagedInputs()
    {
        for (const char *name : { "xdebug-2.6-compressed.cachegrind", "xdebug-2.2.1-shutdown.cachegrind",
                 "phprojekt-xdebug-0.9.6.cachegrind" }) { // truncated anywhere
            const QByteArray data = sample(name);
            for (qsizetype length = 0; length <= data.size(); length += data.size() > 10000 ? 997 : 1)
                readAndCheck(QByteArrayView(data).first(length));
        }
        QRandomGenerator random(2026);
        for (int round = 0; round < 3000; ++round) {
            QByteArray data;
            for (int i = random.bounded(1, 200); i > 0; --i)
                data += tokens[random.bounded(int(tokens.size()))];
            readAndCheck(data);
            if (round % 10 == 0) {
                Profile fromFile, whole;
                QCOMPARE(readFromFile(fromFile, data, { {}, random.bounded(1, 64) }), whole.readFromData(data));
                QCOMPARE(fromFile.errorString(), whole.errorString());
                QCOMPARE(treeOf(fromFile), treeOf(whole));
            }
        }
        const QByteArray original
            = sample("xdebug-2.2.1-shutdown.cachegrind") + sample("xdebug-2.6-compressed.cachegrind");
        for (int round = 0; round < 2000; ++round) {
            QByteArray data = original;
            for (int i = random.bounded(1, 12); i > 0 && !data.isEmpty(); --i) {
                const qsizetype at = random.bounded(data.size());
                switch (random.bounded(4)) {
                case 0:
                    data[at] = char(random.bounded(256));
                    break;
                case 1:
                    data.remove(at, random.bounded(1, 40));
                    break;
                case 2:
                    data.insert(at, tokens[random.bounded(int(tokens.size()))]);
                    break;
                default: {
                    // One draw after the other: the order in which a call's
                    // arguments are worked out differs between compilers.
                    const qsizetype from = random.bounded(data.size());
                    data.insert(at, data.mid(from, random.bounded(1, 200)));
                    break;
                }
                }
            }
            readAndCheck(data);
        }
    }

    void contents_data()
    {
        // expected: none: not a valid gzip file
        addColumns<QByteArray, QByteArray>("bytes", "expected");
        QTest::newRow("plain") << profileText << profileText;
        QTest::newRow("empty") << QByteArray() << QByteArray("");
        QTest::newRow("one byte of the magic") << QByteArray("\x1f") << QByteArray("\x1f");
        QTest::newRow("gzip whatever the name") << gzipped(profileText) << profileText;
        QTest::newRow("several gzip members")
            << gzipped(profileText) + gzipped("fn=f\n1 1\n") << profileText + "fn=f\n1 1\n";
        QTest::newRow("gzip then zeros") << gzipped(profileText) + QByteArray(10, '\0') << profileText;
        QByteArray large;
        for (int i = 0; large.size() < 3000000; ++i)
            large += "fn=f" + QByteArray::number(i % 100) + "\n1 " + QByteArray::number(i) + "\n\n";
        QTest::newRow("large gzip") << gzipped(large) << large;

        const QByteArray valid = gzipped(profileText + QByteArray(5000, '#'));
        QTest::newRow("truncated") << valid.first(valid.size() / 2) << QByteArray();
        QTest::newRow("without its trailer") << valid.first(valid.size() - 4) << QByteArray();
        QByteArray corrupt = valid;
        for (qsizetype i = 12; i < corrupt.size() - 8; i += 3)
            corrupt[i] = char(corrupt[i] ^ 0x5a);
        QTest::newRow("corrupt") << corrupt << QByteArray();
        QByteArray wrongChecksum = valid;
        wrongChecksum[wrongChecksum.size() - 6] = char(wrongChecksum[wrongChecksum.size() - 6] ^ 1);
        QTest::newRow("wrong checksum") << wrongChecksum << QByteArray();
        QTest::newRow("magic alone") << QByteArray("\x1f\x8b") << QByteArray();
        QTest::newRow("second member truncated") << valid + valid.first(20) << QByteArray();
        QTest::newRow("corrupt tail after a large member")
            << gzipped(large) + "\x1f\x8b\x08\x00garbage" << QByteArray();
    }

    void contents()
    {
        QFETCH(QByteArray, bytes);
        const QString path = writeFile(m_dir.filePath("profile.txt"), bytes);
        for (const qsizetype pieceSize : { 1, 7, 1 << 20 }) {
            if (pieceSize == 1 && bytes.size() > 100000)
                continue;
            ProfileFileData file;
            QVERIFY(file.open(path));
            QCOMPARE(file.isCompressed(), bytes.startsWith("\x1f\x8b"));
            QCOMPARE(file.size(), bytes.size());
            const QByteArray read = readAll(file, pieceSize);
            QVERIFY(read == fetched<QByteArray>("expected"));
            QCOMPARE(
                file.errorString(), read.isNull() ? QStringLiteral("The file is not a valid gzip file.") : QString());
            if (!read.isNull() && !file.isCompressed())
                QCOMPARE(file.position(), bytes.size());
        }
    }

    void refused_data()
    {
        addColumns<QString, QString>("path", "error");
        QTest::newRow("missing") << m_dir.filePath("missing") << "No such file or directory";
        // Nothing ever writes to the pipe: opening it must not wait for that.
        const QString fifo = m_dir.filePath("fifo");
        QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QTest::newRow("pipe") << fifo << "Not a regular file";
    }

    void refused()
    {
        QFETCH(QString, path);
        ProfileFileData file;
        auto opened = std::async(std::launch::async, [&] { return file.open(path); });
        if (opened.wait_for(std::chrono::seconds(20)) != std::future_status::ready)
            qFatal("opening %s blocks", qPrintable(path));
        QVERIFY(!opened.get());
        QTEST(file.errorString(), "error");
        char byte;
        QCOMPARE(file.read(&byte, 1), qsizetype(-1));
    }

    void fileSizeText_data()
    {
        addColumns<qint64, QString>("bytes", "text");
        QTest::newRow("1023") << qint64(1023) << "1023 bytes";
        QTest::newRow("1536") << qint64(1536) << "1.5 KiB";
        QTest::newRow("beyond 32 bits") << qint64(3) * 1000 * 1000 * 1000 << "2.8 GiB";
    }

    void fileSizeText() { QTEST(dataSizeString(fetched<qint64>("bytes")), "text"); }
    void kinds_data()
    {
        using Kind = FunctionModel::Kind;
        addColumns<QString, Kind>("name", "kind");
        QTest::newRow("internal") << "php::strlen" << Kind::Internal;
        QTest::newRow("require") << "require::/var/www/lib.php" << Kind::Inclusion;
        QTest::newRow("bare include") << "include::" << Kind::Inclusion;
        QTest::newRow("require_once") << "require_once::/var/www/lib.php" << Kind::Function;
        QTest::newRow("method") << "Cart->add" << Kind::Method;
        QTest::newRow("static") << "Cart::create" << Kind::Function;
        QTest::newRow("internal method") << "php::Foo->bar" << Kind::Internal;
        QTest::newRow("case matters") << "PHP::strlen" << Kind::Function;
        QTest::newRow("empty") << "" << Kind::Function;
    }

    void kinds()
    {
        QFETCH(QString, name);
        QFETCH(FunctionModel::Kind, kind);
        ReadProfile profile("fn=" + name.toUtf8() + "\n1 1\n");
        const FunctionModel &function = profile.rootFunction()->function();
        QCOMPARE(function.kind(), kind);
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
        QTest::newRow("an earlier call is no ancestor") << QByteArray(
            "fn=a\n1 1\n\nfn=a\n1 4\n\nfn=b\n1 3\ncfn=a\n\nfn=a\n1 2\ncfn=b\n\n"
            "fn=main\n1 0\ncfn=a\ncfn=a\n\n") << "a 3x 7/2 10/3; b 1x 3/3 7/7";
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
        ReadProfile profile(fetched<QByteArray>("data"));
        QTEST(summariesOf(*profile.rootFunction()), "summaries");
    }

    void deepChain()
    {
        constexpr int depth = 1000000, functionCount = 7;
        QByteArray data = "events: Time\n\nfl=/deep.php\nfn=f0\n1 1\n\n";
        data.reserve(depth * 40);
        for (int i = 1; i < depth; ++i)
            data += "fn=f" + QByteArray::number(i % functionCount) + "\n2 1\ncfn=f"
                + QByteArray::number((i - 1) % functionCount) + "\ncalls=1 0 0\n3 1\n\n";
        ReadProfile profile(data);
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
            QCOMPARE(summary->totalInclusiveTime(), summary->calls().front()->inclusiveTime());
        }
        QCOMPARE(calls, quint32(depth - 1));
    }

    void costs_data()
    {
        addColumns<QString, qint64, QString>("event", "bits", "text");
        QTest::newRow("time in its unit") << "Time_(10ns)" << qint64(123456) << "1.2ms";
        QTest::newRow("time that rounds to nothing") << "Time" << qint64(49) << "-";
        QTest::newRow("largest time") << "Time" << qint64(-1) << "18446744073709552.0ms";
        QTest::newRow("mebibytes") << "Memory" << qint64(1572864) << "1.50 MiB";
        QTest::newRow("negative memory") << "Memory_(bytes)" << qint64(-3072) << "-3.00 KiB";
        QTest::newRow("lowest memory") << "Memory" << minSigned << "-8.00 EiB";
        QTest::newRow("other event") << "Queries" << qint64(-42) << "-42";
        QTest::newRow("no time event, peak memory") << "Peakmemory" << qint64(2048) << "2048";
    }

    void costs()
    {
        const ProfileEvent profileEvent(fetched<QString>("event"));
        QTEST(CostFormat::costString(
                  profileEvent, profileEvent.cost(quint64(fetched<qint64>("bits"))), TimeUnit::Milliseconds, true),
            "text");
    }

    void names_data()
    {
        addColumns<QString, QString, bool>("event", "asked", "named");
        QTest::newRow("whole name") << u"Memory_(bytes)"_s << "Memory_(bytes)" << true;
        QTest::newRow("without unit") << u"Memory_(bytes)"_s << "memory" << true;
        QTest::newRow("any case") << u"Time_(10ns)"_s << "TIME" << true;
        QTest::newRow("prefix only") << u"Memory_(bytes)"_s << "Mem" << false;
        QTest::newRow("unit only") << u"Memory_(bytes)"_s << "(bytes)" << false;
        QTest::newRow("other event") << u"Peakmemory"_s << "memory" << false;
    }

    void names() { QTEST(ProfileEvent(fetched<QString>("event")).isNamed(fetched<QString>("asked")), "named"); }

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
        const quint64 bits
            = Cost::addBits(quint64(fetched<qint64>("left")), quint64(fetched<qint64>("right")), isSigned);
        QCOMPARE(bits, quint64(fetched<qint64>("sum")));
        QCOMPARE(Cost::fromBits(bits, isSigned).dividedBy(2).bits(), quint64(fetched<qint64>("halfOfSum")));
        QCOMPARE(Cost::fromBits(bits, isSigned).dividedBy(0).bits(), quint64(0));
    }
};

QTEST_GUILESS_MAIN(TestModel)
#include "tst_model.moc"
