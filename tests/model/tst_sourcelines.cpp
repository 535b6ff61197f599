#include "DataColumns.h"
#include "TestProfiles.h"

#include "EditorCommand.h"
#include "LineCosts.h"
#include "PathMapping.h"
#include "Profile.h"
#include "SourceText.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

struct Callee
{
    QByteArray function;
    int line;
};

// A record of a call in `file` at `line` with self costs `costs` that calls
// the records of `callees` from the lines given, a "cfl=" line before each
// as current profilers write them (the reader claims them one at a time).
QByteArray call(const QByteArray &file, const QByteArray &function, int line, const QByteArray &costs,
    const QList<Callee> &callees = {})
{
    QByteArray text = "fl=" + file + "\nfn=" + function + '\n' + QByteArray::number(line) + ' ' + costs + '\n';
    for (const Callee &callee : callees)
        text += "cfl=" + file + "\ncfn=" + callee.function + "\ncalls=1 0 0\n" + QByteArray::number(callee.line)
            + " 9 9\n";
    return text + '\n';
}

const QByteArray header = "events: Time Memory\n\n";

// main calls f and g from line 5 and f again from line 6.
const QByteArray twoSitesOnALine = header + call("/a.php", "f", 10, "3 0") + call("/a.php", "g", 20, "4 0")
    + call("/a.php", "f", 10, "5 0") + call("/a.php", "main", 1, "2 0", { { "f", 5 }, { "g", 5 }, { "f", 6 } });

// main (in a.php) calls h (in lib.php) from line 5 and b (in b.php) from
// line 6, which calls h from line 8; memory after time.
const QByteArray twoFiles = header + call("/lib.php", "h", 3, "7 -5") + call("/lib.php", "h", 3, "7 -5")
    + call("/b.php", "b", 2, "1 3", { { "h", 8 } }) + call("/a.php", "main", 1, "2 10", { { "h", 5 }, { "b", 6 } });

// main calls fib from line 11; fib recurses from line 4, then 5, then 4.
const QByteArray recursion = header + call("/f.php", "fib", 2, "1 0")
    + call("/f.php", "fib", 2, "2 0", { { "fib", 4 } }) + call("/f.php", "fib", 2, "3 0", { { "fib", 5 } })
    + call("/f.php", "fib", 2, "4 0", { { "fib", 4 } }) + call("/f.php", "main", 10, "1 0", { { "fib", 11 } });

// "file:line self/inclusive xcalls" for every line, files in the order the
// profile names them.
QStringList linesOf(const Profile &profile, const LineCosts &costs)
{
    QStringList lines;
    for (const quint32 source : costs.sources()) {
        for (const LineCosts::Line &line : costs.lines(source))
            lines << QStringLiteral("%1:%2 %3/%4 x%5")
                         .arg(profile.source(source).path())
                         .arg(line.line)
                         .arg(qint64(line.selfBits))
                         .arg(qint64(line.inclusiveBits))
                         .arg(line.calls);
    }
    return lines;
}

} // namespace

class SourceLinesTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    // Worked out by hand; `below` is a call number (in the order of the
    // records), or -1 for the whole profile.
    void lineCosts_data()
    {
        addColumns<QByteArray, int, int, QStringList>("profile", "below", "event", "expected");
        QTest::newRow("two call sites on one line") << twoSitesOnALine << -1 << 0
                                                    << QStringList { "/a.php:1 2/0 x0", "/a.php:5 0/7 x2",
                                                           "/a.php:6 0/5 x1", "/a.php:10 8/0 x0", "/a.php:20 4/0 x0" };
        QTest::newRow("a function called from two files")
            << twoFiles << -1 << 0
            << QStringList { "/lib.php:3 14/0 x0", "/b.php:2 1/0 x0", "/b.php:8 0/7 x1", "/a.php:1 2/0 x0",
                   "/a.php:5 0/7 x1", "/a.php:6 0/8 x1" };
        QTest::newRow("signed event") << twoFiles << -1 << 1
                                      << QStringList { "/lib.php:3 -10/0 x0", "/b.php:2 3/0 x0", "/b.php:8 0/-5 x1",
                                             "/a.php:1 10/0 x0", "/a.php:5 0/-5 x1", "/a.php:6 0/-2 x1" };
        QTest::newRow("below one call, its own call site left out")
            << twoFiles << 2 << 0 << QStringList { "/lib.php:3 7/0 x0", "/b.php:2 1/0 x0", "/b.php:8 0/7 x1" };
        // Line 4's second call runs inside its first.
        QTest::newRow("recursion") << recursion << -1 << 0
                                   << QStringList { "/f.php:2 10/0 x0", "/f.php:4 0/6 x2", "/f.php:5 0/3 x1",
                                          "/f.php:10 1/0 x0", "/f.php:11 0/10 x1" };
        QTest::newRow("recursion below its outer call")
            << recursion << 2 << 0 << QStringList { "/f.php:2 6/0 x0", "/f.php:4 0/1 x1", "/f.php:5 0/3 x1" };
        QTest::newRow("unclaimed records: no call site")
            << header + call("/a.php", "a", 3, "1 0") + call("/a.php", "b", 4, "0 0") << -1 << 0
            << QStringList { "/a.php:3 1/0 x0" };
        QByteArray many = header;
        QList<Callee> callees;
        QStringList lines = { "/m.php:1 200/0 x0" };
        for (int line = 2; line <= 201; ++line) {
            many += call("/m.php", "f", 1, "1 0");
            callees.append({ "f", line });
            lines << QStringLiteral("/m.php:%1 0/1 x1").arg(line);
        }
        QTest::newRow("many callees") << many + call("/m.php", "main", 300, "0 0", callees) << -1 << 0 << lines;
        QTest::newRow("no calls") << QByteArray() << -1 << 0 << QStringList();
    }

    void lineCosts()
    {
        QFETCH(int, below);
        QFETCH(int, event);
        const ReadProfile profile(fetched<QByteArray>("profile"));
        QTEST(linesOf(profile, below < 0 ? LineCosts(profile, event) : LineCosts(profile, event, quint32(below))),
            "expected");
    }

    void callees()
    {
        const ReadProfile sites(twoSitesOnALine);
        const auto names = [](const Profile &profile, quint32 line) {
            QStringList names;
            for (const LineCosts::Callee &callee : LineCosts(profile, 0).callees(0, line))
                names << profile.function(callee.function).name() + 'x' + QString::number(callee.calls);
            return names;
        };
        QCOMPARE(names(sites, 5), (QStringList { "fx1", "gx1" }));
        QCOMPARE(names(ReadProfile(recursion), 4), QStringList { "fibx2" });
    }

    // Profilers give an internal function the line it was called from.
    void realProfiles_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : { "xdebug-2.2.1-shutdown.cachegrind", "xdebug-2.6-compressed.cachegrind",
                 "phprojekt-xdebug-0.9.6.cachegrind" })
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void realProfiles()
    {
        QFile file(QStringLiteral(VELOTRACE_TEST_DATA "/") + fetched<QString>("name"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const ReadProfile profile(file.readAll());
        const CallTree &tree = profile.callTree();
        int internalCalls = 0;
        for (quint32 call = 0; call < tree.size(); ++call) {
            if (tree.parent(call) != CallTree::none && profile.source(tree.source(call)).path() == "php:internal") {
                QCOMPARE(tree.callSiteLine(call), tree.line(call));
                ++internalCalls;
            }
        }
        QVERIFY(internalCalls > 0);
        const LineCosts costs(profile, 0);
        quint64 self = 0;
        for (const quint32 source : costs.sources())
            self += costs.selfBits(source);
        QCOMPARE(self, tree.inclusiveBits(0, tree.rootNumber()));
    }

    void pathMapping_data()
    {
        addColumns<QStringList, QString, QString>("rules", "recorded", "local");
        const QStringList nested = { "/var/www=/srv/a", "/var/www/html=/home/me/shop" };
        QTest::newRow("longest prefix first") << nested << "/var/www/html/x.php"
                                              << "/home/me/shop/x.php";
        QTest::newRow("shorter one") << nested << "/var/www/lib/x.php"
                                     << "/srv/a/lib/x.php";
        QTest::newRow("whole components only") << nested << "/var/www2/x.php"
                                               << "/var/www2/x.php";
        QTest::newRow("the prefix itself") << nested << "/var/www"
                                           << "/srv/a";
        QTest::newRow("trailing separators") << QStringList { "/var/www/=/srv/a/" } << "/var/www/x"
                                             << "/srv/a/x";
        QTest::newRow("root") << QStringList { "/=/mnt/box" } << "/etc/x"
                              << "/mnt/box/etc/x";
        QTest::newRow("first of equal prefixes") << QStringList { "/a=/one", "/a/=/two" } << "/a/x"
                                                 << "/one/x";
        QTest::newRow("internal functions never") << QStringList { "php:internal=/x" } << "php:internal"
                                                  << "php:internal";
        QTest::newRow("home folder") << QStringList { "/var/www=~/src" } << "/var/www/x" << QDir::homePath() + "/src/x";
        QTest::newRow("no rules in these") << QStringList { "/a", "=/x", "/a=", "/a=/b=c" } << "/a/x"
                                           << "/b=c/x";
    }

    void pathMapping()
    {
        QTEST(PathMapping(fetched<QStringList>("rules")).localPath(fetched<QString>("recorded")), "local");
    }

    void editorArguments_data()
    {
        addColumns<QString, QString, int, QStringList>("command", "path", "line", "arguments");
        const QString odd = "/src/my app/it's \"x\"; rm -rf ~ $(id).php";
        QTest::newRow("path with line") << "code -g %f:%l" << odd << 12 << QStringList { "code", "-g", odd + ":12" };
        QTest::newRow("unknown line") << "emacsclient +%l %f"
                                      << "/a" << 0 << QStringList { "emacsclient", "+1", "/a" };
        QTest::newRow("quotes and backslashes")
            << "'/opt/my ed/bin' \"two words\" a\\ b \"q\\\"x\\y\" 'it''s' \"\" %f"
            << "/a" << 1 << QStringList { "/opt/my ed/bin", "two words", "a b", "q\"x\\y", "its", "", "/a" };
        QTest::newRow("no path placeholder, %% and others") << "ed %%f %x"
                                                            << "/a" << 1 << QStringList { "ed", "%f", "%x", "/a" };
        QTest::newRow("program as written") << "%f"
                                            << "/a" << 1 << QStringList { "%f", "/a" };
        QTest::newRow("relative path made absolute")
            << "vi %f"
            << "-x.php" << 1 << QStringList { "vi", QDir::currentPath() + "/-x.php" };
        QTest::newRow("unclosed quote") << "code 'x"
                                        << "/a" << 1 << QStringList();
        QTest::newRow("trailing backslash") << "code x\\"
                                            << "/a" << 1 << QStringList();
        QTest::newRow("blank") << " \t"
                               << "/a" << 1 << QStringList();
    }

    void editorArguments()
    {
        QTEST(EditorCommand(fetched<QString>("command"))
                  .arguments(fetched<QString>("path"), quint32(fetched<int>("line"))),
            "arguments");
    }

    // What a shell would run stays in the one argument that the "editor", a
    // script writing its arguments down, is given.
    void editorStartsWithoutShell()
    {
        const QString written = m_dir.filePath("arguments");
        const QString path = m_dir.filePath("a b; touch pwned $(touch pwned2) 'q'.php");
        EditorCommand command("/bin/sh -c 'printf \"%s|\" \"$@\" > \"$0\"' '" + written + "' %f %l");
        QVERIFY(command.start(path, 7));
        const auto contents = [&] {
            QFile file(written);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        QTRY_COMPARE(contents(), (path + "|7|").toUtf8());
        QVERIFY(!QFile::exists(m_dir.filePath("pwned")) && !QFile::exists("pwned") && !QFile::exists("pwned2"));

        EditorCommand missing("no-such-editor-here %f");
        QVERIFY(!missing.start(path, 1));
        QVERIFY2(missing.errorString().contains("no-such-editor-here"), qPrintable(missing.errorString()));
    }

    void sourceText_data()
    {
        addColumns<QString, QStringList, QString>("path", "lines", "error");
        QTest::newRow("every line end") << writeFile(m_dir.filePath("a.php"), "a\nb\r\nc\rd\n\r\n\nx")
                                        << QStringList { "a", "b", "c", "d", "", "", "x" } << QString();
        QTest::newRow("empty") << writeFile(m_dir.filePath("e.php"), "") << QStringList() << QString();
        QTest::newRow("missing") << m_dir.filePath("missing") << QStringList() << "No such file or directory";
        // Nothing ever writes to the pipe: opening it must not wait for that.
        const QString fifo = m_dir.filePath("fifo");
        QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QTest::newRow("pipe") << fifo << QStringList() << "Not a regular file";
        QTest::newRow("too large") << writeFile(m_dir.filePath("large.php"), QByteArray((1 << 20) + 1, 'x'))
                                   << QStringList() << "Larger than 1 MiB";
    }

    void sourceText()
    {
        SourceText text;
        QCOMPARE(text.read(fetched<QString>("path"), 1 << 20), fetched<QString>("error").isEmpty());
        QTEST(text.errorString(), "error");
        QStringList lines;
        for (qsizetype line = 1; line <= text.lineCount(); ++line)
            lines << QString::fromUtf8(text.line(line));
        QTEST(lines, "lines");
        QVERIFY(text.line(0).isEmpty() && text.line(text.lineCount() + 1).isEmpty());
    }
};

QTEST_GUILESS_MAIN(SourceLinesTest)
#include "tst_sourcelines.moc"
