#include "ProfileFileData.h"
#include "SharedText.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <zlib.h>

#include <future>
#include <sys/stat.h>

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

} // namespace

class TestProfileFileData : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void contents_data();
    void contents();
    void refused_data();
    void refused();
    void fileCutShortWhileRead();
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
    QTest::newRow("large plain") << large << large;

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
    QTest::newRow("corrupt tail after a large member") << gzipped(large) + "\x1f\x8b\x08\x00garbage" << QByteArray();
}

void TestProfileFileData::contents()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, expected);
    const QString path = write("profile.txt", bytes);
    for (const qsizetype pieceSize : { 1, 7, 1 << 20 }) {
        if (pieceSize == 1 && bytes.size() > 100000)
            continue;
        ProfileFileData file;
        QVERIFY(file.open(path));
        QCOMPARE(file.isCompressed(), bytes.startsWith("\x1f\x8b"));
        QCOMPARE(file.size(), bytes.size());
        const QByteArray read = readAll(file, pieceSize);
        QVERIFY(read == expected);
        QCOMPARE(file.errorString(), read.isNull() ? QStringLiteral("The file is not a valid gzip file.") : QString());
        if (!read.isNull() && !file.isCompressed())
            QCOMPARE(file.position(), bytes.size());
    }
}

void TestProfileFileData::refused_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("error");
    QTest::newRow("missing") << m_dir.filePath("missing") << "No such file or directory";
    QTest::newRow("directory") << m_dir.path() << "Not a regular file";
    QTest::newRow("device") << "/dev/null"
                            << "Not a regular file";
    // Nothing ever writes to the pipe: opening it must not wait for that.
    const QString fifo = m_dir.filePath("fifo");
    QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    QTest::newRow("pipe") << fifo << "Not a regular file";
}

void TestProfileFileData::refused()
{
    QFETCH(QString, path);
    QFETCH(QString, error);
    ProfileFileData file;
    auto opened = std::async(std::launch::async, [&] { return file.open(path); });
    if (opened.wait_for(std::chrono::seconds(20)) != std::future_status::ready)
        qFatal("opening %s blocks", qPrintable(path));
    QVERIFY(!opened.get());
    QCOMPARE(file.errorString(), error);
    char byte;
    QCOMPARE(file.read(&byte, 1), qsizetype(-1));
}

void TestProfileFileData::fileCutShortWhileRead()
{
    // The profiler may truncate a file while it is read: reading ends there,
    // with what was read and no error.
    const QString path = write("shrinking", QByteArray(1000000, 'x'));
    ProfileFileData file;
    QVERIFY(file.open(path));
    QByteArray piece(1000, Qt::Uninitialized);
    QCOMPARE(file.read(piece.data(), piece.size()), qsizetype(1000));
    QVERIFY(QFile::resize(path, 700000));
    QCOMPARE(readAll(file, 4096).size(), 700000 - 1000);
    QCOMPARE(file.errorString(), QString());
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
