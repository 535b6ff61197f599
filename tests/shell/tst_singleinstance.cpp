#include "DataColumns.h"
#include "SingleInstance.h"

#include <QDataStream>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The running instance is this test; the later starts are the program itself.
class TestSingleInstance : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_runtime;
    QTemporaryDir m_files;
    std::unique_ptr<SingleInstance> m_instance;

private Q_SLOTS:
    void initTestCase()
    {
        // The socket lives in this runtime directory, for this test and the programs it starts alike.
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        QFile file(m_files.filePath(QStringLiteral("cachegrind.out.1")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("events: Time\n\nfl=/a.php\nfn=main\n1 3\n\n") > 0);
    }

    void init()
    {
        m_instance = std::make_unique<SingleInstance>();
        QVERIFY(m_instance->listen());
    }

    void cleanup() { m_instance.reset(); }

    // One per user and display: a second one does not take the socket over.
    void theSocketIsTheUsersAlone()
    {
        QVERIFY(SingleInstance::serverName().startsWith(m_runtime.path() + QStringLiteral("/velotrace-")));
        QCOMPARE(QFileInfo(SingleInstance::serverName()).permissions() & (QFile::ReadGroup | QFile::ReadOther),
            QFile::Permissions());
        QVERIFY(!SingleInstance().listen());
    }

    // A later start hands its files over (as absolute paths) and ends;
    // --new-instance keeps running on its own; the command-line modes ask nobody.
    void laterStartsHandTheirFilesOver_data()
    {
        // exitCode: -1: still running; handedOver: relative to the files' directory; "-": nothing
        addColumns<QStringList, int, QStringList>("arguments", "exitCode", "handedOver");
        QTest::newRow("two files") << QStringList({ "cachegrind.out.1", "missing.out" }) << 0
                                   << QStringList({ "cachegrind.out.1", "missing.out" });
        QTest::newRow("no file: only brought forward") << QStringList() << 0 << QStringList();
        QTest::newRow("new instance") << QStringList({ "--new-instance", "cachegrind.out.1" }) << -1
                                      << QStringList("-");
        QTest::newRow("summary") << QStringList({ "--summary", "cachegrind.out.1" }) << 0 << QStringList("-");
    }

    void laterStartsHandTheirFilesOver()
    {
        QFETCH(int, exitCode);
        QFETCH(QStringList, handedOver);
        QSignalSpy received(m_instance.get(), &SingleInstance::filesReceived);
        QProcess program;
        program.setWorkingDirectory(m_files.path());
        program.start(QStringLiteral(VELOTRACE_PROGRAM), fetched<QStringList>("arguments"));
        // This test answers while it waits; a program that is still running is stopped.
        const bool ended
            = QTest::qWaitFor([&] { return program.state() == QProcess::NotRunning; }, exitCode < 0 ? 1500 : 30000);
        program.kill();
        program.waitForFinished();
        QCOMPARE(ended ? program.exitCode() : -1, exitCode);
        if (handedOver == QStringList("-")) {
            QCOMPARE(received.size(), 0);
            return;
        }
        QTRY_COMPARE(received.size(), 1);
        for (QString &file : handedOver)
            file = m_files.filePath(file);
        QCOMPARE(received.first().first().toStringList(), handedOver);
    }

    void malformedRequestsAreDropped_data()
    {
        addColumns<quint32, QByteArray>("length", "payload");
        QTest::newRow("too long") << quint32(64 << 20) << QByteArray(1000, 'x');
        QTest::newRow("garbage") << quint32(8) << QByteArray("\xff\xff\xff\xff\x00\x00\x00\x09", 8);
        QTest::newRow("another version") << quint32(4) << QByteArray("\0\0\0\2", 4);
        QTest::newRow("cut short, then silent") << quint32(100) << QByteArray(10, 'x');
    }

    void malformedRequestsAreDropped()
    {
        QSignalSpy received(m_instance.get(), &SingleInstance::filesReceived);
        QLocalSocket socket;
        socket.connectToServer(SingleInstance::serverName());
        QVERIFY(socket.waitForConnected());
        QDataStream(&socket) << fetched<quint32>("length");
        socket.write(fetched<QByteArray>("payload"));
        QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QLocalSocket::UnconnectedState, 10000);
        QCOMPARE(socket.bytesAvailable() + received.size(), 0);
    }

    void aLeftoverSocketIsReplaced()
    {
        m_instance.reset();
        QFile leftover(SingleInstance::serverName());
        QVERIFY(leftover.open(QIODevice::WriteOnly));
        leftover.close();
        QVERIFY(SingleInstance().listen());
    }
};

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
