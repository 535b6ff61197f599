#include "SingleInstance.h"

#include <QDataStream>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

namespace {

// A request: its length (32 bits), then a version and the file list.
constexpr quint32 protocolVersion = 1;
// More than any command line holds.
constexpr quint32 requestLimit = 1 << 20;
// A connection that has not sent its request by then is dropped.
constexpr int requestTimeout = 5000;
constexpr char acknowledgement = '\1';

QByteArray encodeRequest(const QStringList &files)
{
    QByteArray payload;
    QDataStream stream(&payload, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_6_0);
    stream << protocolVersion << files;
    QByteArray request;
    QDataStream framing(&request, QIODevice::WriteOnly);
    framing << quint32(payload.size());
    return request + payload;
}

} // namespace

QString SingleInstance::serverName()
{
    QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty())
        display = qEnvironmentVariable("DISPLAY");
    display.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("_"));
    const QString directory = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return directory + QStringLiteral("/velotrace-") + display + QStringLiteral(".socket");
}

bool SingleInstance::handOver(const QStringList &files)
{
    QLocalSocket socket;
    socket.connectToServer(serverName());
    if (!socket.waitForConnected(handOverTimeout))
        return false;
    socket.write(encodeRequest(files));
    if (!socket.waitForBytesWritten(handOverTimeout) || !socket.waitForReadyRead(handOverTimeout))
        return false;
    return socket.read(1) == QByteArray(1, acknowledgement);
}

SingleInstance::SingleInstance(QObject *parent)
    : QObject(parent)
{
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::takeConnection);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::listen()
{
    // A socket restricted to its user is put in place by renaming, over
    // whatever is there: whether an instance runs is asked first. Someone
    // answers: one runs. Nobody: the socket was left behind by one that ended.
    const QString name = serverName();
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(handOverTimeout))
        return false;
    QLocalServer::removeServer(name);
    return m_server.listen(name);
}

void SingleInstance::takeConnection()
{
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        // Owned by the server until deleted here.
        m_requests.insert(socket, QByteArray());
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            m_requests.remove(socket);
            socket->deleteLater();
        });
        QTimer::singleShot(requestTimeout, socket, [socket] { socket->abort(); });
    }
}

void SingleInstance::readRequest(QLocalSocket *socket)
{
    QByteArray &request = m_requests[socket];
    request += socket->read(qint64(requestLimit) + 4 - request.size());
    if (request.size() < 4)
        return;
    quint32 length = 0;
    QDataStream(request) >> length;
    if (length > requestLimit) {
        socket->abort();
        return;
    }
    if (quint32(request.size()) < 4 + length)
        return;

    QDataStream stream(request.sliced(4, length));
    stream.setVersion(QDataStream::Qt_6_0);
    quint32 version = 0;
    QStringList files;
    stream >> version >> files;
    if (stream.status() != QDataStream::Ok || version != protocolVersion) {
        socket->abort();
        return;
    }
    m_requests.remove(socket);
    socket->write(QByteArray(1, acknowledgement));
    socket->disconnectFromServer();
    // Opening the files may take a while; the other start is answered first.
    QTimer::singleShot(0, this, [this, files] { Q_EMIT filesReceived(files); });
}
