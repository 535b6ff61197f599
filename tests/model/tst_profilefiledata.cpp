#include "CostUnit.h"
#include "Profile.h"
#include "ProfileFileData.h"
#include "SharedText.h"
#include "TreeDump.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <zlib.h>

#include <unistd.h>

namespace {

QByteArray gzipped(const QByteArray &data)
{
    z_stream stream = {};
    // 16 + window bits: a gzip header and trailer around the deflate data.
    if (deflateInit2(&stream, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
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

} // namespace

class TestProfileFileData : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void contents_data();
    void contents();
    void errors_data();
    void errors();
    void unreadableFile();
    void releasesWhatItRead();
    void fileSizeText_data();
    void fileSizeText();
    void costUnit_data();
    void costUnit();
    void microseconds();

private:
    QString write(const QString &name, const QByteArray &bytes);
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestProfileFileData::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestProfileFileData::write(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return path;
}

void TestProfileFileData::contents_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("plain") << "cachegrind.out.1" << profileText << profileText;
    QTest::newRow("empty") << "empty" << QByteArray() << QByteArray();
    QTest::newRow("gzip") << "cachegrind.out.1.gz" << gzipped(profileText) << profileText;
    QTest::newRow("gzip whatever the name") << "profile.txt" << gzipped(profileText) << profileText;
    QTest::newRow("several gzip members")
        << "joined.gz" << gzipped(profileText) + gzipped("fn=shutdown\n1 1\n") << profileText + "fn=shutdown\n1 1\n";
    QByteArray large;
    for (int i = 0; large.size() < 3000000; ++i)
        large += "fn=f" + QByteArray::number(i % 100) + "\n1 " + QByteArray::number(i) + "\n\n";
    QTest::newRow("large gzip") << "large.gz" << gzipped(large) << large;
    QTest::newRow("gzip then trailing zeros") << "padded.gz" << gzipped(profileText) + QByteArray(10, '\0')
                                              << profileText;
    QTest::newRow("one byte of the magic") << "short" << QByteArray("\x1f") << QByteArray("\x1f");
}

void TestProfileFileData::contents()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, expected);
    ProfileFileData file;
    QVERIFY2(file.open(write(name, bytes)), qPrintable(file.errorString()));
    QCOMPARE(file.errorString(), QString());
    QVERIFY(file.data() == expected);
}

void TestProfileFileData::errors_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray valid = gzipped(profileText + QByteArray(5000, '#'));
    QTest::newRow("truncated") << valid.first(valid.size() / 2);
    QTest::newRow("without its trailer") << valid.first(valid.size() - 4);
    QByteArray corrupt = valid;
    for (qsizetype i = 12; i < corrupt.size() - 8; i += 3)
        corrupt[i] = char(corrupt[i] ^ 0x5a);
    QTest::newRow("corrupt") << corrupt;
    QByteArray wrongChecksum = valid;
    wrongChecksum[wrongChecksum.size() - 6] = char(wrongChecksum[wrongChecksum.size() - 6] ^ 1);
    QTest::newRow("wrong checksum") << wrongChecksum;
    QTest::newRow("magic alone") << QByteArray("\x1f\x8b");
    QTest::newRow("second member truncated") << valid + valid.first(20);
}

void TestProfileFileData::errors()
{
    QFETCH(QByteArray, bytes);
    ProfileFileData file;
    QVERIFY(!file.open(write("broken.gz", bytes)));
    QCOMPARE(file.errorString(), QStringLiteral("The file is not a valid gzip file."));
    QVERIFY(file.data().isEmpty());
}

void TestProfileFileData::unreadableFile()
{
    ProfileFileData file;
    QVERIFY(!file.open(m_dir->filePath("missing")));
    QCOMPARE(file.errorString(), QStringLiteral("No such file or directory"));
    QVERIFY(!file.open(m_dir->path()));
    QCOMPARE(file.errorString(), QStringLiteral("Is a directory"));
    QVERIFY(file.open(write("fine", profileText)));
    QCOMPARE(file.errorString(), QString());
    if (geteuid() == 0)
        QSKIP("permissions do not apply to the superuser");
    const QString locked = write("locked", profileText);
    QVERIFY(QFile::setPermissions(locked, QFileDevice::WriteOwner));
    QVERIFY(!file.open(locked));
    QCOMPARE(file.errorString(), QStringLiteral("Permission denied"));
}

void TestProfileFileData::releasesWhatItRead()
{
    // Several megabytes, a compressed name defined at the start and used at
    // the end: reading gives back memory behind it but keeps every name.
    QByteArray text = "events: Time\n\nfl=(1) /a.php\nfn=(1) first\n1 1\n\n";
    while (text.size() < 6000000)
        text += "fl=(1)\nfn=(2) filler\n1 1\n\n";
    text += "fn=(1)\n1 5\n\n";
    const QString path = write("big", text);

    Profile fromMemory;
    fromMemory.readFromData(text);
    ProfileFileData file;
    QVERIFY(file.open(path));
    Profile fromFile;
    fromFile.readFromFile(file);
    QCOMPARE(dumpTree(fromFile.rootFunction()), dumpTree(fromMemory.rootFunction()));
    const ProfiledFunctionCall *root = fromFile.rootFunction();
    QCOMPARE(root->getChild(root->childCount() - 1)->function().name(), QStringLiteral("first"));
    QCOMPARE(root->getChild(root->childCount() - 1)->source()->path(), QStringLiteral("/a.php"));
}

void TestProfileFileData::fileSizeText_data()
{
    QTest::addColumn<qint32>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "0";
    QTest::newRow("1022") << 1022 << "1022";
    QTest::newRow("1023") << 1023 << "1.0 KB";
    QTest::newRow("1536") << 1536 << "1.5 KB";
    QTest::newRow("300001") << 300001 << "293.0 KB";
    QTest::newRow("1047551") << 1047551 << "1023.0 KB";
    QTest::newRow("1047552") << 1047552 << "1.0 MB";
    QTest::newRow("1 GiB less 1 MiB") << (1023 << 20) << "1.0 GB";
    QTest::newRow("largest") << 2147483647 << "2.0 GB";
}

void TestProfileFileData::fileSizeText()
{
    QFETCH(qint32, bytes);
    QFETCH(QString, text);
    QCOMPARE(stringFromFileSize(bytes), text);
}

void TestProfileFileData::costUnit_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<quint64>("nanoseconds");
    QTest::newRow("Time") << QByteArray("events: Time") << quint64(1000);
    QTest::newRow("no events") << QByteArray("events:") << quint64(1000);
    QTest::newRow("10ns") << QByteArray("events: Time_(10ns) Memory_(bytes)") << quint64(10);
    QTest::newRow("ns") << QByteArray("events: Time_(ns)") << quint64(1);
    QTest::newRow("us") << QByteArray("events: Time_(us)") << quint64(1000);
    QTest::newRow("micro sign") << QByteArray("events: Time_(\xc2\xb5s)") << quint64(1000);
    QTest::newRow("100us") << QByteArray("events: Time_(100us)") << quint64(100000);
    QTest::newRow("ms") << QByteArray("events: Time_(ms)") << quint64(1000000);
    QTest::newRow("s") << QByteArray("events: Time_(s)") << quint64(1000000000);
    QTest::newRow("time not first") << QByteArray("events: Memory Time_(10ns)") << quint64(1000);
    QTest::newRow("zero") << QByteArray("events: Time_(0ns)") << quint64(1000);
    QTest::newRow("unknown unit") << QByteArray("events: Time_(10fortnights)") << quint64(1000);
    QTest::newRow("overflowing") << QByteArray("events: Time_(99999999999999999999s)") << quint64(1000);
}

void TestProfileFileData::costUnit()
{
    QFETCH(QByteArray, line);
    QFETCH(quint64, nanoseconds);
    QCOMPARE(CostUnit::fromEventsLine(line).nanoseconds(), nanoseconds);
}

void TestProfileFileData::microseconds()
{
    const CostUnit tenNanoseconds = CostUnit::fromEventsLine("events: Time_(10ns)");
    const CostUnit microsecond;
    for (quint64 micros = 0; micros < 200000; ++micros) {
        QCOMPARE(tenNanoseconds.toMicroseconds(micros * 100), double(micros));
        QCOMPARE(microsecond.toMicroseconds(micros), double(micros));
    }
    QCOMPARE(tenNanoseconds.toMicroseconds(1000000000), 10000000.0);
    QCOMPARE(tenNanoseconds.toMicroseconds(123), 1.23);
    QCOMPARE(CostUnit::fromEventsLine("events: Time_(ms)").toMicroseconds(7), 7000.0);
    QCOMPARE(CostUnit::fromEventsLine("events: Time_(ns)").toMicroseconds(7000), 7.0);
}

QTEST_GUILESS_MAIN(TestProfileFileData)
#include "tst_profilefiledata.moc"
