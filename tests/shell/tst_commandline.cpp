#include "CommandLine.h"
#include "SettingsKeys.h"

#include <KFUserDefaultsController.h>

#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

// The worked example: main -> render -> php::strlen, inclusive 20, 7 and 2.
const char workedExample[] = "version: 1\n"
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

struct Result
{
    int status;
    QByteArray out;
    QByteArray err;
};

QByteArray readAll(std::FILE *file)
{
    std::rewind(file);
    QByteArray text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, qsizetype(n));
    std::fclose(file);
    return text;
}

Result run(const QStringList &arguments)
{
    std::FILE *out = std::tmpfile();
    std::FILE *err = std::tmpfile();
    const int status = CommandLine::run(arguments, out, err);
    std::fflush(out);
    std::fflush(err);
    return {status, readAll(out), readAll(err)};
}

} // namespace

class CommandLineTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString write(const QString &name, const QByteArray &contents)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private Q_SLOTS:
    void init()
    {
        auto &defaults = KFUserDefaultsController::sharedUserDefaultsController();
        defaults.removeObjectForKey(VTCSummaryShowsInternalPhpFunctions);
        defaults.removeObjectForKey(VTCMeasurement);
    }

    void summaryTsvHasRawCostsLargestFirst()
    {
        const Result result = run({QStringLiteral("--summary"), QStringLiteral("--tsv"), write("w.cg", workedExample)});
        QCOMPARE(result.status, 0);
        QCOMPARE(result.out, QByteArray("calls\tself_total\tinclusive_total\tself_avg\tinclusive_avg\tfunction\n"
                                        "1\t5\t7\t5\t7\trender\n"
                                        "1\t2\t2\t2\t2\tphp::strlen\n"));
        QVERIFY(result.err.isEmpty());
    }

    void summaryTiesAreInByteOrderAndFollowTheFilter()
    {
        const QByteArray profile = "events: Time\n\n"
                                   "fn=b\n1 4\n\nfn=a\n1 4\n\nfn=B\n1 4\n\nfn=php::count\n1 4\n\n"
                                   "fn=main\n1 1\ncfn=b\ncfn=a\ncfn=B\ncfn=php::count\n\n";
        const QString path = write("ties.cg", profile);
        Result result = run({QStringLiteral("--summary"), QStringLiteral("--tsv"), path});
        QCOMPARE(result.out.split('\n').mid(1),
                 QByteArrayList({"1\t4\t4\t4\t4\tB", "1\t4\t4\t4\t4\ta", "1\t4\t4\t4\t4\tb",
                                 "1\t4\t4\t4\t4\tphp::count", ""}));

        // The rows are those the summary table shows: internal functions can be hidden.
        KFUserDefaultsController::sharedUserDefaultsController().setObjectForKey(false,
                                                                                 VTCSummaryShowsInternalPhpFunctions);
        result = run({QStringLiteral("--summary"), QStringLiteral("--tsv"), path});
        QVERIFY(!result.out.contains("php::count"));
        QCOMPARE(result.out.count('\n'), 4);
    }

    void alignedSummaryNamesTheRootAndUsesTheUnit()
    {
        const QString path = write("w.cg", workedExample);
        Result result = run({QStringLiteral("--summary"), QStringLiteral("--unit"), QStringLiteral("us"), path});
        QCOMPARE(result.status, 0);
        const QList<QByteArray> lines = result.out.split('\n');
        QCOMPARE(lines.value(0), QByteArray("main  inclusive 20\xc2\xb5s"));
        QVERIFY(lines.value(1).startsWith("calls"));
        QVERIFY(lines.value(2).endsWith("render"));
        QVERIFY(lines.value(2).contains("7\xc2\xb5s"));
        QVERIFY(lines.value(3).endsWith("php::strlen"));

        result = run({QStringLiteral("--summary"), QStringLiteral("--top"), QStringLiteral("1"), path});
        QCOMPARE(result.out.count('\n'), 3);
    }

    void treeTsvIsPreOrder()
    {
        const Result result = run({QStringLiteral("--tree"), QStringLiteral("--tsv"), write("w.cg", workedExample)});
        QCOMPARE(result.status, 0);
        QCOMPARE(result.out, QByteArray("depth\tindex\tself\tinclusive\tline\tfile\tfunction\n"
                                        "0\t0\t13\t20\t1\t/var/www/index.php\tmain\n"
                                        "1\t1\t5\t7\t10\t/var/www/index.php\trender\n"
                                        "2\t1\t2\t2\t3\tphp:internal\tphp::strlen\n"));
    }

    void indentedTreeStopsAtTheDepth()
    {
        const Result result = run({QStringLiteral("--tree"), QStringLiteral("--depth"), QStringLiteral("1"),
                                   QStringLiteral("--unit"), QStringLiteral("us"), write("w.cg", workedExample)});
        QCOMPARE(result.status, 0);
        const QList<QByteArray> lines = result.out.split('\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].startsWith("main  20\xc2\xb5s"));
        QVERIFY(lines[1].startsWith("  render  7\xc2\xb5s"));
        QVERIFY(lines[1].endsWith("/var/www/index.php:10"));
    }

    void emptyProfilePrintsTheHeaderAlone()
    {
        const QString path = write("empty.cg", QByteArray());
        QCOMPARE(run({QStringLiteral("--tree"), QStringLiteral("--tsv"), path}).out,
                 QByteArray("depth\tindex\tself\tinclusive\tline\tfile\tfunction\n"));
        const Result result = run({QStringLiteral("--summary"), QStringLiteral("--tsv"), path});
        QCOMPARE(result.status, 0);
        QCOMPARE(result.out.count('\n'), 1);
    }

    void unreadableFilesFailWithOneLine_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing") << m_dir.filePath("missing.cg");
        QTest::newRow("directory") << m_dir.path();
        QTest::newRow("corrupt gzip") << write("broken.cg.gz", QByteArray("\x1f\x8b\x08\x00garbage", 12));
    }

    void unreadableFilesFailWithOneLine()
    {
        QFETCH(QString, path);
        const Result result = run({QStringLiteral("--summary"), path});
        QCOMPARE(result.status, 1);
        QVERIFY(result.out.isEmpty());
        QCOMPARE(result.err.count('\n'), 1);
        QVERIFY2(result.err.startsWith("velotrace: " + path.toUtf8() + ": "), result.err.constData());
    }

    void badArgumentsShowTheUsage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no mode") << QStringList{QStringLiteral("--tsv"), QStringLiteral("x")};
        QTest::newRow("no file") << QStringList{QStringLiteral("--summary")};
        QTest::newRow("bad unit") << QStringList{QStringLiteral("--summary"), QStringLiteral("--unit"),
                                                 QStringLiteral("h"), QStringLiteral("x")};
        QTest::newRow("bad count") << QStringList{QStringLiteral("--tree"), QStringLiteral("--depth"),
                                                  QStringLiteral("-3"), QStringLiteral("x")};
        QTest::newRow("unknown option") << QStringList{QStringLiteral("--summary"), QStringLiteral("--fast")};
        QTest::newRow("both modes") << QStringList{QStringLiteral("--summary"), QStringLiteral("--tree"),
                                                   QStringLiteral("x")};
    }

    void badArgumentsShowTheUsage()
    {
        QFETCH(QStringList, arguments);
        const Result result = run(arguments);
        QCOMPARE(result.status, 2);
        QVERIFY(result.err.contains("Usage: velotrace"));
    }

    void helpAndVersion()
    {
        QVERIFY(run({QStringLiteral("--help")}).out.startsWith("Usage: velotrace"));
        QCOMPARE(run({QStringLiteral("--version")}).out, QByteArray("velotrace " VELOTRACE_VERSION "\n"));
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
