#include "CommandLineRun.h"
#include "DataColumns.h"

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString distDir = QStringLiteral(VELOTRACE_DIST_DIR);
const QString profileType = QStringLiteral("application/x-kcachegrind");
const QString compressedType = QStringLiteral("application/x-cachegrind-compressed");

// The long options named in a text, sorted, each once.
QStringList longOptions(const QString &text)
{
    static const QRegularExpression option(QStringLiteral("--[a-z][a-z-]*"));
    QStringList found;
    for (const QRegularExpressionMatch &match : option.globalMatch(text))
        found << match.captured();
    found.sort();
    found.removeDuplicates();
    return found;
}

// The tags of the manual's paragraphs under OPTIONS, one option paragraph
// each, with roff's escaped hyphens made plain.
QString manualOptionTags()
{
    QFile manual(distDir + QLatin1String("/velotrace.1.in"));
    if (!manual.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(manual.fileName()));
    const QStringList lines = QString::fromUtf8(manual.readAll()).split('\n');
    QString tags;
    bool inOptions = false;
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i].startsWith(QLatin1String(".SH")))
            inOptions = lines[i] == QLatin1String(".SH OPTIONS");
        else if (inOptions && lines[i] == QLatin1String(".TP"))
            tags += lines[i + 1] + QLatin1Char('\n');
    }
    return tags.replace(QLatin1String("\\-"), QLatin1String("-"));
}

// What the bash completion offers for the last of the words, run in a
// directory.
QStringList complete(const QStringList &words, const QString &directory)
{
    const QString script = QStringLiteral(
        "source \"$1\"; shift; COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1)); _velotrace; printf '%s\\n' "
        "\"${COMPREPLY[@]}\"");
    QProcess bash;
    bash.setWorkingDirectory(directory);
    bash.start(QStringLiteral("bash"),
        QStringList { QStringLiteral("-c"), script, QStringLiteral("bash"),
            distDir + QLatin1String("/velotrace.bash-completion") }
            + words);
    if (!bash.waitForFinished() || bash.exitCode() != 0)
        qFatal("bash failed: %s", bash.readAllStandardError().constData());
    QStringList replies = QString::fromUtf8(bash.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    replies.sort();
    return replies;
}

} // namespace

// The files installed beside the program: each must agree with the program
// and do what desktops do with it.
class InstalledFilesTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        // The type database reads the MIME package beside the common types
        // Qt depends on, and no copy of it installed on this machine.
        const QString data = m_dir.filePath(QStringLiteral("data"));
        const QString packages = data + QLatin1String("/mime/packages/");
        QVERIFY(QDir().mkpath(packages));
        QVERIFY(QFile::copy(distDir + QLatin1String("/velotrace.mime.xml"), packages + QLatin1String("velotrace.xml")));
        QVERIFY(QFile::copy(QStringLiteral("/usr/share/mime/packages/freedesktop.org.xml"),
            packages + QLatin1String("freedesktop.org.xml")));
        qputenv("XDG_DATA_DIRS", data.toLocal8Bit());
        qputenv("XDG_DATA_HOME", data.toLocal8Bit());
        for (const char *name : { "cachegrind.out.1", "cachegrind.out.2.gz", "my profile", "notes.txt" })
            QVERIFY(QFile(m_dir.filePath(QLatin1String(name))).open(QIODevice::WriteOnly));
    }

    void optionsAgreeWithHelp_data()
    {
        QTest::addColumn<QStringList>("documented");
        QTest::newRow("manual") << longOptions(manualOptionTags());
        QTest::newRow("completion") << complete({ QStringLiteral("velotrace"), QStringLiteral("-") }, m_dir.path());
    }

    void optionsAgreeWithHelp()
    {
        QCOMPARE(
            fetched<QStringList>("documented"), longOptions(QString::fromUtf8(run({ QStringLiteral("--help") }).out)));
    }

    void completion_data()
    {
        addColumns<QString, QStringList>("words", "expected");
        QTest::newRow("units") << "velotrace --summary --unit " << QStringList { "auto", "ms", "ns", "s", "us" };
        QTest::newRow("a count is no file") << "velotrace --tree --depth " << QStringList();
        QTest::newRow("files") << "velotrace --summary cach"
                               << QStringList { "cachegrind.out.1", "cachegrind.out.2.gz" };
        QTest::newRow("name with a space") << "velotrace my" << QStringList { "my profile" };
        QTest::newRow("file after a value") << "velotrace --unit ms n" << QStringList { "notes.txt" };
    }

    void completion() { QTEST(complete(fetched<QString>("words").split(QLatin1Char(' ')), m_dir.path()), "expected"); }

    // How a desktop tells a profile by its name or its first line.
    void fileTypes_data()
    {
        addColumns<QString, QByteArray, QString>("name", "contents", "type");
        const QByteArray gzip("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03\x03\x00\x00\x00\x00\x00\x00\x00\x00\x00", 20);
        QTest::newRow("profile by name") << "cachegrind.out.1234" << QByteArray("events: Time\n") << profileType;
        QTest::newRow("other tool's name") << "callgrind.out.77" << QByteArray() << profileType;
        QTest::newRow("compressed profile") << "cachegrind.out.1234.gz" << gzip << compressedType;
        QTest::newRow("other tool's compressed profile") << "callgrind.out.8.gz" << gzip << compressedType;
        QTest::newRow("other compressed file") << "notes.gz" << gzip << "application/gzip";
        QTest::newRow("first line") << "run-17" << QByteArray("version: 1\ncreator: profiler\n") << profileType;
        QTest::newRow("other first line") << "run-18" << QByteArray("# callgrind format\nversion: 1\n") << profileType;
        QTest::newRow("later version") << "settings" << QByteArray("version: 12\n") << "text/plain";
        // Names whose last part other types claim.
        const QByteArray profile("version: 1\ncreator: xdebug 3.2.1 (PHP 8.2.7)\ncmd: /var/www/index.php\n");
        QTest::newRow("spreadsheet suffix") << "cachegrind.out.123" << profile << profileType;
        QTest::newRow("manual page suffix") << "cachegrind.out.1" << profile << profileType;
    }

    void fileTypes()
    {
        QFETCH(QString, name);
        QTEST(QMimeDatabase().mimeTypeForFileNameAndData(name, fetched<QByteArray>("contents")).name(), "type");
    }
};

QTEST_GUILESS_MAIN(InstalledFilesTest)
#include "tst_installedfiles.moc"
