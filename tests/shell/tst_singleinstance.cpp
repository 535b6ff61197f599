#include "SingleInstance.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray profile = "events: Time\n\nfl=/a.php\nfn=main\n1 3\n\n";

// A request whose length prefix says `length`, followed by `payload`.
QByteArray framed(quint32 length, const QByteArray &payload)
{
    QByteArray request;
    QDataStream(&request, QIODevice::WriteOnly) << length;
    return request + payload;
}

} // namespace

// The running instance is this test; the later starts are the program itself.
class TestSingleInstance : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_runtime;
    QTemporaryDir m_files;
    std::unique_ptr<SingleInstance> m_instance;

    // Runs the program while this test keeps answering; its output, or why there is none.
    QString runProgram(const QStringList &arguments, int *exitCode)
    {
        QProcess program;
        program.setWorkingDirectory(m_files.path());
        program.start(QStringLiteral(VELOTRACE_PROGRAM), arguments);
        QDeadlineTimer deadline(20000);
        while (program.state() != QProcess::NotRunning && !deadline.hasExpired())
            QTest::qWait(10);
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished();
            return QStringLiteral("still running");
        }
        *exitCode = program.exitCode();
        return QString::fromLocal8Bit(program.readAllStandardOutput());
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_runtime.isValid() && m_files.isValid());
        // The socket lives in this runtime directory, for this test and the programs it starts alike.
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        QFile file(m_files.filePath(QStringLiteral("cachegrind.out.1")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(profile) == profile.size());
    }

    void init()
    {
        m_instance = std::make_unique<SingleInstance>();
        QVERIFY(m_instance->listen());
    }

    void cleanup() { m_instance.reset(); }

    void theSocketIsTheUsersAndNamedForTheDisplay()
    {
        QVERIFY(SingleInstance::serverName().startsWith(m_runtime.path() + QStringLiteral("/velotrace-")));
        QCOMPARE(QFileInfo(SingleInstance::serverName()).permissions() & (QFile::ReadGroup | QFile::ReadOther),
            QFile::Permissions());
        SingleInstance second; // one instance per user and display
        QVERIFY(!second.listen());
    }

    // A later start hands its files over and ends; --new-instance and the command-line modes do not.
    void laterStartsHandTheirFilesOver_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("handedOver");
        QTest::addColumn<QStringList>("files"); // relative to the files' directory
        QTest::newRow("a file, relative to where it started")
            << QStringList({ "cachegrind.out.1" }) << true << QStringList({ "cachegrind.out.1" });
        QTest::newRow("two files") << QStringList({ "cachegrind.out.1", "missing.out" }) << true
                                   << QStringList({ "cachegrind.out.1", "missing.out" });
        QTest::newRow("no file: only brought forward") << QStringList() << true << QStringList();
        QTest::newRow("summary") << QStringList({ "--summary", "cachegrind.out.1" }) << false << QStringList();
    }

    void laterStartsHandTheirFilesOver()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, handedOver);
        QFETCH(QStringList, files);
        QSignalSpy received(m_instance.get(), &SingleInstance::filesReceived);
        int exitCode = -1;
        const QString output = runProgram(arguments, &exitCode);
        QCOMPARE(exitCode, 0);
        QCOMPARE(output.isEmpty(), handedOver);
        QTRY_COMPARE(received.size(), handedOver ? 1 : 0);
        if (handedOver) {
            QStringList absolute;
            for (const QString &file : files)
                absolute << m_files.filePath(file);
            QCOMPARE(received.first().first().toStringList(), absolute);
        }
    }

    void aNewInstanceIsItsOwn()
    {
        QSignalSpy received(m_instance.get(), &SingleInstance::filesReceived);
        QProcess program;
        program.start(QStringLiteral(VELOTRACE_PROGRAM), { QStringLiteral("--new-instance") });
        QVERIFY(program.waitForStarted());
        QTest::qWait(1500);
        QCOMPARE(program.state(), QProcess::Running); // on its own
        program.kill();
        program.waitForFinished();
        QCOMPARE(received.size(), 0);
        QVERIFY(QFile::exists(SingleInstance::serverName())); // still this one's
    }

    // What arrives on the socket is not trusted: malformed requests are dropped and the next one served.
    void malformedRequestsAreDropped_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("too long") << framed(64 << 20, QByteArray(1000, 'x'));
        QTest::newRow("garbage") << framed(8, QByteArray("\xff\xff\xff\xff\x00\x00\x00\x09", 8));
        QTest::newRow("another version") << framed(4, QByteArray("\0\0\0\2", 4));
        QTest::newRow("cut short, then silent") << framed(100, QByteArray(10, 'x'));
    }

    void malformedRequestsAreDropped()
    {
        QFETCH(QByteArray, request);
        QSignalSpy received(m_instance.get(), &SingleInstance::filesReceived);
        QLocalSocket socket;
        socket.connectToServer(SingleInstance::serverName());
        QVERIFY(socket.waitForConnected());
        socket.write(request);
        QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QLocalSocket::UnconnectedState, 10000);
        QCOMPARE(socket.bytesAvailable(), 0);
        QCOMPARE(received.size(), 0);
    }

    // A socket left behind by an instance that ended is replaced.
    void aLeftoverSocketIsReplaced()
    {
        m_instance.reset();
        QFile leftover(SingleInstance::serverName());
        QVERIFY(leftover.open(QIODevice::WriteOnly));
        leftover.close();
        SingleInstance instance;
        QVERIFY(instance.listen());
    }
};

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
