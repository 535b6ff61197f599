#include "CommandLine.h"
#include "SettingsKeys.h"

#include <KFUserDefaultsController.h>

#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

// The worked example: main -> render -> php::strlen, inclusive 20, 7 and 2.
const QByteArray workedExample
    = "version: 1\ncreator: profiler\ncmd: /var/www/index.php\npart: 1\n\nevents: Time\n\n"
      "fl=php:internal\nfn=php::strlen\n3 2\n\n"
      "fl=/var/www/index.php\nfn=render\n10 5\ncfn=php::strlen\ncalls=1 0 0\n12 2\n\n"
      "fl=/var/www/index.php\nfn=main\n\nsummary: 20\n1 13\ncfn=render\ncalls=1 0 0\n2 7\n\n";
// Four callees of equal cost whose names sort differently by bytes and by case.
const QByteArray ties = "events: Time\n\nfn=b\n1 4\n\nfn=a\n1 4\n\nfn=B\n1 4\n\nfn=php::count\n1 4\n\n"
                        "fn=main\n1 1\ncfn=b\ncfn=a\ncfn=B\ncfn=php::count\n\n";
const QByteArray summaryHeader = "calls\tself_total\tinclusive_total\tself_avg\tinclusive_avg\tfunction\n";
const QByteArray treeHeader = "depth\tindex\tself\tinclusive\tline\tfile\tfunction\n";

struct Result
{
    int status;
    QByteArray out;
    QByteArray err;
};

QByteArray readAll(std::FILE *file)
{
    std::rewind(file);
    QFile reader;
    reader.open(file, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    return reader.readAll();
}

Result run(const QStringList &arguments)
{
    std::FILE *out = std::tmpfile();
    std::FILE *err = std::tmpfile();
    const int status = CommandLine::run(arguments, out, err);
    return { status, readAll(out), readAll(err) };
}

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

    QString write(const QString &name, const QByteArray &contents)
    {
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
        return file.fileName();
    }

private Q_SLOTS:
    void cleanup()
    {
        KFUserDefaultsController::sharedUserDefaultsController().removeObjectForKey(
            VTCSummaryShowsInternalPhpFunctions);
    }

    void outputs_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<bool>("showInternal");
        QTest::addColumn<QByteArray>("expected");
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
        QTest::newRow("empty summary") << words("--summary --tsv") << QByteArray() << true << summaryHeader;
        QTest::newRow("empty tree") << words("--tree --tsv") << QByteArray() << true << treeHeader;
        QTest::newRow("aligned summary") << words("--summary --unit us --top 1") << workedExample << true
                                         << QByteArray("main  inclusive 20\xc2\xb5s\n"
                                                       "calls  self total  inclusive total  self avg  inclusive avg  "
                                                       "function\n    1         5\xc2\xb5s              7\xc2\xb5s     "
                                                       "  5\xc2\xb5s            7\xc2\xb5s  render\n");
        QTest::newRow("indented tree") << words("--tree --depth 1 --unit us") << workedExample << true
                                       << QByteArray("main  20\xc2\xb5s (self 13\xc2\xb5s)  /var/www/index.php:1\n"
                                                     "  render  7\xc2\xb5s (self 5\xc2\xb5s)  /var/www/index.php:10\n");
    }

    void outputs()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, profile);
        QFETCH(bool, showInternal);
        QFETCH(QByteArray, expected);
        KFUserDefaultsController::sharedUserDefaultsController().setObjectForKey(
            showInternal, VTCSummaryShowsInternalPhpFunctions);
        const Result result = run(arguments << write(QStringLiteral("p.cg"), profile));
        QCOMPARE(result.status, 0);
        QCOMPARE(result.out, expected);
        QVERIFY(result.err.isEmpty());
    }

    // Unreadable files: one line naming the file, exit 1. Bad arguments: the usage, exit 2.
    void failures_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::newRow("missing") << (words("--summary") << m_dir.filePath("missing.cg")) << 1;
        QTest::newRow("directory") << (words("--summary") << m_dir.path()) << 1;
        QTest::newRow("corrupt gzip") << (words("--summary")
            << write("broken.cg.gz", QByteArray("\x1f\x8b\x08\x00garbage", 12)))
                                      << 1;
        QTest::newRow("no mode") << words("--tsv x") << 2;
        QTest::newRow("no file") << words("--summary") << 2;
        QTest::newRow("bad unit") << words("--summary --unit h x") << 2;
        QTest::newRow("bad count") << words("--tree --depth -3 x") << 2;
        QTest::newRow("unknown option") << words("--summary --fast") << 2;
        QTest::newRow("both modes") << words("--summary --tree x") << 2;
    }

    void failures()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        const Result result = run(arguments);
        QCOMPARE(result.status, status);
        QVERIFY(result.out.isEmpty());
        if (status == 1) {
            QCOMPARE(result.err.count('\n'), 1);
            QVERIFY2(result.err.startsWith("velotrace: " + arguments.last().toUtf8() + ": "), result.err.constData());
        } else {
            QVERIFY(result.err.contains("Usage: velotrace"));
        }
    }

    void helpAndVersion()
    {
        QVERIFY(run(words("--help")).out.startsWith("Usage: velotrace"));
        QCOMPARE(run(words("--version")).out, QByteArray("velotrace " VELOTRACE_VERSION "\n"));
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
