#pragma once

#include <QByteArray>
#include <QObject>
#include <QStringList>

#include <deque>
#include <memory>

class QLocalSocket;
class QSocketNotifier;

// One running application per user and display. The running one listens on
// a local socket in the user's runtime directory; a later start hands its
// files over and ends. The socket is the user's alone, and what arrives on
// it is read with a size limit and a time limit, without blocking. However
// many connections come, the listener keeps a bounded number open (the
// oldest silent ones give way to new ones) and keeps listening when the
// process runs out of file descriptors; its socket file stays in place for
// as long as it runs.
class SingleInstance final : public QObject
{
    Q_OBJECT
public:
    // How long a start waits for the running instance to connect and to take
    // the files, each.
    static constexpr int handOverTimeout = 3000;
    // Connections kept open at once, waiting for their requests.
    static constexpr int connectionLimit = 32;

    // The socket's path, named for the display.
    static QString serverName();
    // Hands `files` (absolute paths) to the instance running for this user
    // and display and waits until it has taken them. False when none runs,
    // or it does not answer in time.
    static bool handOver(const QStringList &files);

    explicit SingleInstance(QObject *parent = nullptr);
    // Stops listening and removes the socket file, unless another instance
    // has put its own in its place meanwhile.
    ~SingleInstance() override;

    // Starts taking the files of later starts. False when another instance
    // already does, or the socket cannot be made; a socket left behind by
    // one that ended is replaced.
    bool listen();

Q_SIGNALS:
    // A later start handed these files over (none: it only asked to be
    // brought forward).
    void filesReceived(const QStringList &files);

private:
    struct Connection;

    void acceptConnections();
    // Out of descriptors: the waiting connection is taken with the spare
    // one and closed at once, so that it does not come back at every turn.
    void refuseConnection();
    void takeConnection(int descriptor);
    void readRequest(QLocalSocket *socket);
    void dropConnection(QLocalSocket *socket);

    int m_listener = -1;
    // Kept open for the moment the process has no descriptor left.
    int m_spareDescriptor = -1;
    // The socket file as it was made, to know it is still ours at the end.
    QByteArray m_socketPath;
    quint64 m_socketDevice = 0;
    quint64 m_socketInode = 0;
    std::unique_ptr<QSocketNotifier> m_notifier;
    // Oldest first, with what each has sent so far.
    std::deque<std::unique_ptr<Connection>> m_connections;
};
