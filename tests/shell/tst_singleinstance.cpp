#include "DataColumns.h"
#include "SingleInstance.h"

#include "AppController.h"

#include <QApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QMessageBox>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Starts the program with `arguments` in `directory` and waits for its end:
// its exit code, or -1 when it is still running (then it is stopped).
int runProgram(const QStringList &arguments, const QString &directory, int timeout = 30000)
{
    QProcess program;
    program.setWorkingDirectory(directory);
    program.start(QStringLiteral(VELOTRACE_PROGRAM), arguments);
    // This test answers while it waits.
    const bool ended = QTest::qWaitFor([&] { return program.state() == QProcess::NotRunning; }, timeout);
    program.kill();
    program.waitForFinished();
    return ended && program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
}

QList<QMessageBox *> shownMessageBoxes()
{
    QList<QMessageBox *> boxes;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (auto *box = qobject_cast<QMessageBox *>(window); box && box->isVisible())
            boxes << box;
    }
    return boxes;
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
        QCOMPARE(runProgram(fetched<QStringList>("arguments"), m_files.path(), exitCode < 0 ? 1500 : 30000), exitCode);
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

    // Idle connections from another process beyond this one's descriptor
    // limit: the oldest give way, the socket stays, and a later start still
    // hands its files over.
    void idleConnectionsBeyondTheDescriptorLimit()
    {
        rlimit limit = {};
        QVERIFY(::getrlimit(RLIMIT_NOFILE, &limit) == 0);
        const rlimit restore = limit;
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(SingleInstance::serverName());
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        int connected[2];
        QVERIFY(::pipe(connected) == 0);
        const pid_t child = ::fork();
        if (child == 0) {
            // Only calls safe after a fork of a threaded process.
            for (int i = 0; i < 1100; ++i) {
                const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
                if (socket < 0 || ::connect(socket, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
                    ::_exit(1);
            }
            (void)!::write(connected[1], "x", 1);
            ::pause();
            ::_exit(0);
        }
        QVERIFY(child > 0);
        const auto cleanUp = qScopeGuard([&] {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
            ::close(connected[0]);
            ::setrlimit(RLIMIT_NOFILE, &restore);
        });
        ::close(connected[1]);
        ::fcntl(connected[0], F_SETFL, O_NONBLOCK);
        limit.rlim_cur = QDir(QStringLiteral("/proc/self/fd")).count() + 64;
        QVERIFY(::setrlimit(RLIMIT_NOFILE, &limit) == 0);
        char done = 0;
        QVERIFY(QTest::qWaitFor([&] { return ::read(connected[0], &done, 1) == 1; }, 60000));
        QSignalSpy received(m_instance.get(), &SingleInstance::filesReceived);
        QVERIFY(QFileInfo::exists(SingleInstance::serverName()));
        QCOMPARE(runProgram({ QStringLiteral("cachegrind.out.1") }, m_files.path()), 0);
        QTRY_COMPARE(received.size(), 1);
    }

    // A flood of files that cannot be opened is one alert that names them all.
    void manyFailedOpensEndInOneAlert()
    {
        AppController controller;
        connect(m_instance.get(), &SingleInstance::filesReceived, &controller, &AppController::openHandedOverFiles);
        QStringList missing;
        for (int i = 1; i <= 5000; ++i)
            missing << QStringLiteral("gone-%1.out").arg(i);
        QCOMPARE(runProgram(missing, m_files.path()), 0);
        QTRY_VERIFY_WITH_TIMEOUT(shownMessageBoxes().size() == 1
                && shownMessageBoxes().first()->text() == QLatin1String("5000 files could not be opened."),
            60000);
        const QMessageBox &box = *shownMessageBoxes().first();
        QCOMPARE(box.detailedText().count(QLatin1Char('\n')), 5000);
        QVERIFY(box.detailedText().startsWith(m_files.filePath(QStringLiteral("gone-"))));
        QCOMPARE(box.informativeText(), Qt::convertFromPlainText(QStringLiteral("No such file or directory.")));
        QApplication::closeAllWindows();
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
