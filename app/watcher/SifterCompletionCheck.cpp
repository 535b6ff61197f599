#include "SifterCompletionCheck.h"

#include <zlib.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>

namespace {

// A "summary:" line is short; a last line that does not fit here is not one.
constexpr qint64 tailSize = 1024;
constexpr QByteArrayView summaryPrefix("summary:");

qint64 readAt(int fd, char *buffer, qint64 size, qint64 offset)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, buffer + done, size_t(size - done), off_t(offset + done));
        if (got <= 0)
            break;
        done += got;
    }
    return done;
}

class FileDescriptor final
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

// Where the inflating of a gzip file stands between looks.
struct SifterCompletionCheck::Inflater
{
    Inflater() { inflateInit2(&stream, 16 + MAX_WBITS); }
    ~Inflater() { inflateEnd(&stream); }
    Inflater(const Inflater &) = delete;
    Inflater &operator=(const Inflater &) = delete;

    z_stream stream = {};
    qint64 offset = 0; // compressed bytes taken in
    bool ended = false; // the last member ended at `offset`
    bool broken = false;
};

SifterCompletionCheck::SifterCompletionCheck() = default;

SifterCompletionCheck::~SifterCompletionCheck() = default;

bool SifterCompletionCheck::isComplete(const QByteArray &nativePath, qint64 budget)
{
    m_moreToRead = false;
    // Without waiting, and only what is a regular file once open: a pipe
    // put in the file's place must not hold the caller up.
    const FileDescriptor fd(::open(nativePath.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat status = {};
    if (fd.get() < 0 || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    const qint64 size = qint64(status.st_size);
    char magic[2] = {};
    if (!m_inflater && (readAt(fd.get(), magic, 2, 0) < 2 || magic[0] != '\x1f' || magic[1] != '\x8b'))
        return plainIsComplete(fd.get(), size);
    return gzipIsComplete(fd.get(), size, budget);
}

bool SifterCompletionCheck::plainIsComplete(int fd, qint64 size)
{
    const qint64 start = qMax<qint64>(0, size - tailSize);
    QByteArray tail(size - start, Qt::Uninitialized);
    tail.truncate(readAt(fd, tail.data(), tail.size(), start));
    while (tail.endsWith('\n') || tail.endsWith('\r'))
        tail.chop(1);
    const qsizetype lineStart = tail.lastIndexOf('\n') + 1;
    if (lineStart == 0 && start > 0)
        return false;
    return QByteArrayView(tail).sliced(lineStart).startsWith(summaryPrefix);
}

bool SifterCompletionCheck::gzipIsComplete(int fd, qint64 size, qint64 budget)
{
    // Written again from the start: begin again.
    if (m_inflater && size < m_inflater->offset)
        m_inflater.reset();
    if (!m_inflater)
        m_inflater = std::make_unique<Inflater>();
    Inflater &inflater = *m_inflater;
    std::array<unsigned char, 64 * 1024> input;
    std::array<unsigned char, 256 * 1024> output;
    qint64 taken = 0;
    while (!inflater.broken && inflater.offset < size && taken < budget) {
        const qint64 wanted = std::min<qint64>({ qint64(input.size()), size - inflater.offset, budget - taken });
        const qint64 got = readAt(fd, reinterpret_cast<char *>(input.data()), wanted, inflater.offset);
        if (got <= 0)
            break;
        z_stream &stream = inflater.stream;
        stream.next_in = input.data();
        stream.avail_in = uInt(got);
        while (stream.avail_in > 0) {
            if (inflater.ended) {
                // Another member follows the one that ended.
                inflater.ended = false;
                inflateReset(&stream);
            }
            stream.next_out = output.data();
            stream.avail_out = uInt(output.size());
            const int result = inflate(&stream, Z_NO_FLUSH);
            if (result == Z_STREAM_END) {
                inflater.ended = true;
            } else if (result != Z_OK && result != Z_BUF_ERROR) {
                inflater.broken = true;
                break;
            } else if (result == Z_BUF_ERROR && stream.avail_out != 0) {
                break;
            }
        }
        inflater.offset += got - stream.avail_in;
        taken += got;
    }
    m_moreToRead = !inflater.broken && inflater.offset < size;
    // A broken stream will not mend: opening it tells the user why.
    return inflater.broken || (inflater.ended && inflater.offset == size);
}
