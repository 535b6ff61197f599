#pragma once

#include <QHash>
#include <QLocalServer>
#include <QObject>
#include <QStringList>

class QLocalSocket;

// One running application per user and display. The running one listens on
// a local socket in the user's runtime directory; a later start hands its
// files over and ends. The socket is the user's alone, and what arrives on
// it is read with a size limit and a time limit, without blocking.
class SingleInstance final : public QObject
{
    Q_OBJECT
public:
    // How long a start waits for the running instance to connect and to take
    // the files, each.
    static constexpr int handOverTimeout = 3000;

    // The socket's path, named for the display.
    static QString serverName();
    // Hands `files` (absolute paths) to the instance running for this user
    // and display and waits until it has taken them. False when none runs,
    // or it does not answer in time.
    static bool handOver(const QStringList &files);

    explicit SingleInstance(QObject *parent = nullptr);
    ~SingleInstance() override;

    // Starts taking the files of later starts. False when another instance
    // already does; a socket left behind by one that ended is replaced.
    bool listen();

Q_SIGNALS:
    // A later start handed these files over (none: it only asked to be
    // brought forward).
    void filesReceived(const QStringList &files);

private:
    void takeConnection();
    void readRequest(QLocalSocket *socket);

    QLocalServer m_server;
    // What each connection has sent so far.
    QHash<QLocalSocket *, QByteArray> m_requests;
};
