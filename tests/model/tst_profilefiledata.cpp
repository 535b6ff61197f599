#include "FunctionModel.h"
#include "Profile.h"
#include "ProfileFileData.h"
#include "SharedText.h"
#include "SourceFileModel.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <zlib.h>

namespace {

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

} // namespace

class TestProfileFileData : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void contents_data();
    void contents();
    void errors();
    void releasesWhatItRead();
    void fileSizeText_data();
    void fileSizeText();

private:
    QString write(const QString &name, const QByteArray &bytes);
    QTemporaryDir m_dir;
};

QString TestProfileFileData::write(const QString &name, const QByteArray &bytes)
{
    QFile file(m_dir.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? file.fileName() : QString();
}

void TestProfileFileData::contents_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("expected"); // none: not a valid gzip file
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
}

void TestProfileFileData::contents()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, expected);
    ProfileFileData file;
    const bool valid = !expected.isNull();
    QCOMPARE(file.open(write("profile.txt", bytes)), valid);
    QCOMPARE(file.errorString(), valid ? QString() : QStringLiteral("The file is not a valid gzip file."));
    QVERIFY(file.data() == expected);
}

void TestProfileFileData::errors()
{
    ProfileFileData file;
    QVERIFY(!file.open(m_dir.filePath("missing")));
    QCOMPARE(file.errorString(), QStringLiteral("No such file or directory"));
    QVERIFY(!file.open(m_dir.path()));
    QCOMPARE(file.errorString(), QStringLiteral("Is a directory"));
    QVERIFY(file.open(write("fine", profileText)));
    QCOMPARE(file.errorString(), QString());
}

void TestProfileFileData::releasesWhatItRead()
{
    // Memory behind the reader is given back as it goes, but a compressed
    // name defined at the start and used at the end survives.
    QByteArray text = "events: Time\n\nfl=(1) /a.php\nfn=(1) first\n1 1\n\n";
    while (text.size() < 6000000)
        text += "fl=(1)\nfn=(2) filler\n1 1\n\n";
    text += "fn=(1)\n1 5\n\n";
    ProfileFileData file;
    QVERIFY(file.open(write("big", text)));
    Profile profile;
    profile.readFromFile(file);
    const ProfiledFunctionCall *root = profile.rootFunction();
    QCOMPARE(root->childCount(), text.count("fn="));
    QCOMPARE(root->inclusiveTime(), quint64(text.count("fn=") + 4));
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

QTEST_GUILESS_MAIN(TestProfileFileData)
#include "tst_profilefiledata.moc"
