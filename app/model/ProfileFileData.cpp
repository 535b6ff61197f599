#include "ProfileFileData.h"

#include <QFile>

#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype readChunk = qsizetype(1) << 20;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool isGzip(const PageBuffer &bytes)
{
    return bytes.size() >= 2 && uchar(bytes.data()[0]) == 0x1f && uchar(bytes.data()[1]) == 0x8b;
}

// Closes the descriptor on every way out of open().
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    { }
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

ProfileFileData::~ProfileFileData() = default;

QByteArrayView ProfileFileData::data() const
{
    return QByteArrayView(m_bytes.data(), m_bytes.size());
}

bool ProfileFileData::fail(const QString &reason)
{
    m_errorString = reason;
    m_bytes = PageBuffer();
    return false;
}

bool ProfileFileData::open(const QString &path)
{
    m_errorString.clear();
    m_bytes = PageBuffer();
    const QByteArray nativePath = QFile::encodeName(path);
    const FileDescriptor file(::open(nativePath.constData(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0)
        return fail(systemError(errno));
    struct stat status = {};
    if (fstat(file.get(), &status) != 0)
        return fail(systemError(errno));
    if (S_ISDIR(status.st_mode))
        return fail(systemError(EISDIR));

    // Read to the end, whatever the size said: the file may still grow.
    const qsizetype expected = S_ISREG(status.st_mode) ? qsizetype(status.st_size) : 0;
    for (;;) {
        if (m_bytes.size() == m_bytes.capacity()) {
            // One byte beyond the announced size, so that the end of the
            // file is seen without growing.
            const qsizetype wanted = m_bytes.capacity() == 0
                ? qMax(expected + 1, readChunk)
                : m_bytes.capacity() + qMax(readChunk, m_bytes.capacity() / 2);
            if (!m_bytes.reserve(wanted))
                return fail(systemError(ENOMEM));
        }
        const size_t room = size_t(qMin(m_bytes.capacity() - m_bytes.size(), qsizetype(1) << 30));
        const ssize_t got = ::read(file.get(), m_bytes.end(), room);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return fail(systemError(errno));
        }
        if (got == 0)
            break;
        m_bytes.grow(got);
    }
    if (isGzip(m_bytes))
        return inflateGzip();
    return true;
}

bool ProfileFileData::inflateGzip()
{
    const QString invalid = QStringLiteral("The file is not a valid gzip file.");
    PageBuffer compressed = std::move(m_bytes);
    m_bytes = PageBuffer();
    z_stream stream = {};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        return fail(invalid);
    const uchar *input = reinterpret_cast<const uchar *>(compressed.data());
    qsizetype inputLeft = compressed.size();
    bool finished = false;
    bool failed = false;
    while (!failed && !finished) {
        if (stream.avail_in == 0 && inputLeft > 0) {
            const qsizetype feed = qMin<qsizetype>(inputLeft, std::numeric_limits<uInt>::max());
            stream.next_in = const_cast<Bytef *>(input);
            stream.avail_in = uInt(feed);
            input += feed;
            inputLeft -= feed;
        }
        if (m_bytes.capacity() - m_bytes.size() < readChunk
            && !m_bytes.reserve(qMax(m_bytes.capacity() * 2, compressed.size() * 4 + readChunk))) {
            inflateEnd(&stream);
            return fail(systemError(ENOMEM));
        }
        const qsizetype room = qMin<qsizetype>(m_bytes.capacity() - m_bytes.size(), std::numeric_limits<uInt>::max());
        stream.next_out = reinterpret_cast<Bytef *>(m_bytes.end());
        stream.avail_out = uInt(room);
        const int result = inflate(&stream, Z_NO_FLUSH);
        m_bytes.grow(room - qsizetype(stream.avail_out));
        switch (result) {
        case Z_STREAM_END: {
            // Several gzip members in a row make one file; anything else
            // after the last member is ignored, as gzip itself does.
            const bool anotherMember = stream.avail_in >= 2 && stream.next_in[0] == 0x1f && stream.next_in[1] == 0x8b;
            if (anotherMember)
                failed = inflateReset(&stream) != Z_OK;
            else
                finished = true;
            break;
        }
        case Z_OK:
            break;
        case Z_BUF_ERROR:
            // No progress possible: the data ended inside a member.
            failed = stream.avail_in == 0 && inputLeft == 0;
            break;
        default:
            failed = true;
            break;
        }
    }
    inflateEnd(&stream);
    if (failed)
        return fail(invalid);
    return true;
}
