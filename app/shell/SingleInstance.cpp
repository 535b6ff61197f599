#include "SingleInstance.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A request: its length (32 bits), then a version and the file list.
constexpr quint32 protocolVersion = 1;
// More than any command line holds.
constexpr quint32 requestLimit = 1 << 20;
// A connection that has not sent its request by then is dropped.
constexpr int requestTimeout = 5000;
constexpr char acknowledgement = '\1';
constexpr int listenBacklog = 64;

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

bool fillAddress(sockaddr_un &address, const QByteArray &path)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= qsizetype(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    return true;
}

} // namespace

struct SingleInstance::Connection
{
    std::unique_ptr<QLocalSocket> socket;
    QByteArray request;
};

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
{ }

SingleInstance::~SingleInstance()
{
    // Closing a connection tells of it: not to this any more.
    for (const auto &connection : m_connections)
        connection->socket->disconnect(this);
    m_connections.clear();
    m_notifier.reset();
    if (m_listener < 0)
        return;
    ::close(m_listener);
    ::close(m_spareDescriptor);
    struct stat status = {};
    if (::lstat(m_socketPath.constData(), &status) == 0 && quint64(status.st_dev) == m_socketDevice
        && quint64(status.st_ino) == m_socketInode)
        ::unlink(m_socketPath.constData());
}

bool SingleInstance::listen()
{
    if (m_listener >= 0)
        return true;
    // Whether an instance runs is asked first. Someone answers: one runs.
    // Nobody: a socket file there was left behind by one that ended.
    const QString name = serverName();
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(handOverTimeout))
        return false;

    // Made in a directory of its own that only the user can enter, then
    // renamed over the path: no other user can ever connect to it.
    const QByteArray path = QFile::encodeName(name);
    QByteArray privateDirectory = path + ".XXXXXX";
    if (!::mkdtemp(privateDirectory.data()))
        return false;
    const QByteArray madePath = privateDirectory + "/socket";
    sockaddr_un address;
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const bool made = listener >= 0 && fillAddress(address, madePath)
        && ::bind(listener, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0
        && ::chmod(madePath.constData(), S_IRUSR | S_IWUSR) == 0 && ::listen(listener, listenBacklog) == 0
        && ::rename(madePath.constData(), path.constData()) == 0;
    ::unlink(madePath.constData());
    ::rmdir(privateDirectory.constData());
    struct stat status = {};
    if (!made || ::lstat(path.constData(), &status) != 0) {
        if (listener >= 0)
            ::close(listener);
        return false;
    }
    m_listener = listener;
    m_socketPath = path;
    m_socketDevice = quint64(status.st_dev);
    m_socketInode = quint64(status.st_ino);
    m_spareDescriptor = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    m_notifier = std::make_unique<QSocketNotifier>(qintptr(m_listener), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &SingleInstance::acceptConnections);
    return true;
}

void SingleInstance::acceptConnections()
{
    for (;;) {
        const int descriptor = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (descriptor >= 0) {
            takeConnection(descriptor);
            continue;
        }
        if (errno == EMFILE || errno == ENFILE)
            refuseConnection();
        else if (errno == EINTR || errno == ECONNABORTED)
            continue;
        // Nothing waits (EAGAIN), or the next turn tries again.
        return;
    }
}

void SingleInstance::refuseConnection()
{
    if (!m_connections.empty())
        dropConnection(m_connections.front()->socket.get());
    if (m_spareDescriptor >= 0) {
        ::close(m_spareDescriptor);
        const int descriptor = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (descriptor >= 0)
            ::close(descriptor);
    }
    m_spareDescriptor = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
}

void SingleInstance::takeConnection(int descriptor)
{
    // The oldest waiting connection gives way: a start that hands files
    // over sends its request at once.
    if (m_connections.size() >= size_t(connectionLimit))
        dropConnection(m_connections.front()->socket.get());
    auto socket = std::make_unique<QLocalSocket>();
    if (!socket->setSocketDescriptor(descriptor)) {
        ::close(descriptor);
        return;
    }
    QLocalSocket *taken = socket.get();
    connect(taken, &QLocalSocket::readyRead, this, [this, taken] { readRequest(taken); });
    connect(taken, &QLocalSocket::disconnected, this, [this, taken] { dropConnection(taken); });
    QTimer::singleShot(requestTimeout, taken, [this, taken] { dropConnection(taken); });
    m_connections.push_back(std::make_unique<Connection>(Connection { std::move(socket), {} }));
}

void SingleInstance::dropConnection(QLocalSocket *socket)
{
    const auto found = std::find_if(m_connections.begin(), m_connections.end(),
        [socket](const auto &connection) { return connection->socket.get() == socket; });
    if (found == m_connections.end())
        return;
    std::unique_ptr<Connection> dropped = std::move(*found);
    m_connections.erase(found);
    dropped->socket->disconnect(this);
    dropped->socket->abort();
    // Possibly inside one of its own signals.
    dropped->socket.release()->deleteLater();
}

void SingleInstance::readRequest(QLocalSocket *socket)
{
    const auto found = std::find_if(m_connections.begin(), m_connections.end(),
        [socket](const auto &connection) { return connection->socket.get() == socket; });
    if (found == m_connections.end())
        return;
    QByteArray &request = (*found)->request;
    request += socket->read(qint64(requestLimit) + 4 - request.size());
    if (request.size() < 4)
        return;
    quint32 length = 0;
    QDataStream(request) >> length;
    if (length > requestLimit) {
        dropConnection(socket);
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
        dropConnection(socket);
        return;
    }
    // Answered, then let go: the start that asked closes its end.
    std::unique_ptr<Connection> answered = std::move(*found);
    m_connections.erase(found);
    socket->disconnect(this);
    socket->write(QByteArray(1, acknowledgement));
    socket->disconnectFromServer();
    answered->socket.release()->setParent(this);
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(requestTimeout, socket, &QObject::deleteLater);
    // Opening the files may take a while; the other start is answered first.
    QTimer::singleShot(0, this, [this, files] { Q_EMIT filesReceived(files); });
}
