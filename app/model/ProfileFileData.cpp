#include "ProfileFileData.h"

#include <QFile>

#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Compressed bytes are read in pieces of this size.
constexpr qsizetype inputSize = qsizetype(256) << 10;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString invalidGzip()
{
    return QStringLiteral("The file is not a valid gzip file.");
}

} // namespace

struct ProfileFileData::Input
{
    ~Input()
    {
        if (inflating)
            inflateEnd(&stream);
        if (fd >= 0)
            ::close(fd);
    }

    int fd = -1;
    bool gzip = false;
    bool inflating = false;
    bool atEnd = false; // no more bytes from the file
    bool finished = false; // no more text
    z_stream stream = {};
    // Bytes read from the file and not handed on yet: the start of a plain
    // file, or compressed input.
    std::unique_ptr<unsigned char[]> bytes;
    qsizetype begin = 0;
    qsizetype end = 0;
    qint64 fileRead = 0;
};

ProfileFileData::ProfileFileData() = default;

ProfileFileData::~ProfileFileData() = default;

qsizetype ProfileFileData::fail(const QString &reason)
{
    m_errorString = reason;
    m_input.reset();
    return -1;
}

bool ProfileFileData::open(const QString &path)
{
    return open(QFile::encodeName(path));
}

bool ProfileFileData::open(const QByteArray &nativePath)
{
    m_errorString.clear();
    m_input = std::make_unique<Input>();
    m_size = 0;
    // Without waiting: opening a pipe for reading would otherwise block until
    // something opens it for writing.
    m_input->fd = ::open(nativePath.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (m_input->fd < 0)
        return fail(systemError(errno)) >= 0;
    struct stat status = {};
    if (fstat(m_input->fd, &status) != 0)
        return fail(systemError(errno)) >= 0;
    if (!S_ISREG(status.st_mode))
        return fail(QStringLiteral("Not a regular file")) >= 0;
    const int flags = fcntl(m_input->fd, F_GETFL);
    if (flags == -1 || fcntl(m_input->fd, F_SETFL, flags & ~O_NONBLOCK) == -1)
        return fail(systemError(errno)) >= 0;
    m_size = qint64(status.st_size);
    m_path = nativePath;
    m_opened = { quint64(status.st_dev), quint64(status.st_ino), qint64(status.st_mtim.tv_sec),
        qint64(status.st_mtim.tv_nsec) };

    m_input->bytes = std::make_unique_for_overwrite<unsigned char[]>(size_t(inputSize));
    // Two bytes tell a gzip file; a file shorter than that is plain.
    while (m_input->end < 2 && !m_input->atEnd) {
        if (!fillInput())
            return m_errorString.isEmpty();
    }
    m_input->gzip = m_input->end >= 2 && m_input->bytes[0] == 0x1f && m_input->bytes[1] == 0x8b;
    if (m_input->gzip) {
        if (inflateInit2(&m_input->stream, 16 + MAX_WBITS) != Z_OK)
            throw std::bad_alloc();
        m_input->inflating = true;
    }
    return true;
}

bool ProfileFileData::rewind()
{
    if (!m_input)
        return m_errorString.isEmpty();
    Input &input = *m_input;
    if (::lseek(input.fd, 0, SEEK_SET) != 0)
        return fail(systemError(errno)) >= 0;
    input.begin = input.end = 0;
    input.fileRead = 0;
    input.atEnd = input.finished = false;
    if (input.inflating && inflateReset(&input.stream) != Z_OK)
        return fail(invalidGzip()) >= 0;
    return true;
}

bool ProfileFileData::fillInput()
{
    Input &input = *m_input;
    if (input.begin > 0) {
        std::memmove(input.bytes.get(), input.bytes.get() + input.begin, size_t(input.end - input.begin));
        input.end -= input.begin;
        input.begin = 0;
    }
    for (;;) {
        const ssize_t got = ::read(input.fd, input.bytes.get() + input.end, size_t(inputSize - input.end));
        if (got > 0) {
            input.end += got;
            input.fileRead += got;
            return true;
        }
        if (got == 0) {
            input.atEnd = true;
            return false;
        }
        if (errno != EINTR) {
            fail(systemError(errno));
            return false;
        }
    }
}

qint64 ProfileFileData::position() const
{
    return m_input ? m_input->fileRead - (m_input->end - m_input->begin) : 0;
}

bool ProfileFileData::isCompressed() const
{
    return m_input && m_input->gzip;
}

bool ProfileFileData::hasChanged() const
{
    if (!m_input)
        return false;
    struct stat now = {};
    if (fstat(m_input->fd, &now) != 0 || qint64(now.st_size) != m_size || qint64(now.st_mtim.tv_sec) != m_opened.seconds
        || qint64(now.st_mtim.tv_nsec) != m_opened.nanoseconds)
        return true;
    struct stat named = {};
    if (::stat(m_path.constData(), &named) != 0)
        return errno != ENOENT;
    return quint64(named.st_dev) != m_opened.device || quint64(named.st_ino) != m_opened.inode;
}

qsizetype ProfileFileData::read(char *buffer, qsizetype capacity)
{
    if (!m_input)
        return m_errorString.isEmpty() ? 0 : -1;
    if (m_input->finished || capacity <= 0)
        return 0;
    return m_input->gzip ? readGzip(buffer, capacity) : readPlain(buffer, capacity);
}

qsizetype ProfileFileData::readPlain(char *buffer, qsizetype capacity)
{
    Input &input = *m_input;
    if (input.end > input.begin) {
        const qsizetype count = qMin(capacity, input.end - input.begin);
        std::memcpy(buffer, input.bytes.get() + input.begin, size_t(count));
        input.begin += count;
        return count;
    }
    const size_t wanted = size_t(qMin(capacity, qsizetype(1) << 30));
    for (;;) {
        const ssize_t got = ::read(input.fd, buffer, wanted);
        if (got >= 0) {
            input.fileRead += got;
            input.finished = got == 0;
            return got;
        }
        if (errno != EINTR)
            return fail(systemError(errno));
    }
}

qsizetype ProfileFileData::readGzip(char *buffer, qsizetype capacity)
{
    Input &input = *m_input;
    z_stream &stream = input.stream;
    stream.next_out = reinterpret_cast<Bytef *>(buffer);
    stream.avail_out = uInt(qMin<qsizetype>(capacity, std::numeric_limits<uInt>::max()));
    const uInt room = stream.avail_out;
    while (stream.avail_out > 0 && !input.finished) {
        if (input.begin == input.end && !input.atEnd && !fillInput() && !m_errorString.isEmpty())
            return -1;
        stream.next_in = input.bytes.get() + input.begin;
        stream.avail_in = uInt(input.end - input.begin);
        const int result = inflate(&stream, Z_NO_FLUSH);
        input.begin = input.end - qsizetype(stream.avail_in);
        switch (result) {
        case Z_OK:
            break;
        case Z_STREAM_END:
            // Several gzip members in a row make one file; anything else
            // after the last member is ignored, as gzip itself does.
            while (input.end - input.begin < 2 && !input.atEnd) {
                if (!fillInput() && !m_errorString.isEmpty())
                    return -1;
            }
            if (input.end - input.begin >= 2 && input.bytes[input.begin] == 0x1f
                && input.bytes[input.begin + 1] == 0x8b) {
                if (inflateReset(&stream) != Z_OK)
                    return fail(invalidGzip());
            } else {
                input.finished = true;
            }
            break;
        case Z_BUF_ERROR:
            // No progress possible: the data ended inside a member.
            if (input.begin == input.end && input.atEnd)
                return fail(invalidGzip());
            break;
        case Z_MEM_ERROR:
            throw std::bad_alloc();
        default:
            return fail(invalidGzip());
        }
    }
    return qsizetype(room - stream.avail_out);
}
