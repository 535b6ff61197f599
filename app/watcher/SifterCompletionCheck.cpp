#include "SifterCompletionCheck.h"

#include <QFile>

#include <zlib.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>

namespace {

// A "summary:" line is short; a last line that does not fit here is not one.
constexpr qint64 tailSize = 1024;
// The compressed bytes just before where inflating stopped, kept to tell a
// file written again from one written on.
constexpr qint64 seamSize = 64;
constexpr QByteArrayView summaryPrefix("summary:");

} // namespace

// Where the inflating of a gzip file stands between looks.
struct SifterCompletionCheck::Inflater
{
    Inflater() { inflateInit2(&stream, 16 + MAX_WBITS); }
    ~Inflater() { inflateEnd(&stream); }
    Inflater(const Inflater &) = delete;
    Inflater &operator=(const Inflater &) = delete;

    z_stream stream = {};
    quint64 device = 0;
    quint64 inode = 0;
    qint64 offset = 0; // compressed bytes taken in
    QByteArray seam; // the bytes before `offset`
    bool ended = false; // the last member ended at `offset`
    bool broken = false;
};

SifterCompletionCheck::SifterCompletionCheck() = default;

SifterCompletionCheck::~SifterCompletionCheck() = default;

bool SifterCompletionCheck::isComplete(const QByteArray &nativePath, qint64 budget)
{
    // Without waiting, and only what is a regular file once open: a pipe
    // put in the file's place must not hold the caller up.
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    const qint64 size = qint64(status.st_size);
    if (m_inflater && !isSameStream(file, quint64(status.st_dev), quint64(status.st_ino), size))
        m_inflater.reset();
    if (!m_inflater) {
        if (!file.read(2).startsWith("\x1f\x8b"))
            return plainIsComplete(file, size);
        m_inflater = std::make_unique<Inflater>();
        m_inflater->device = quint64(status.st_dev);
        m_inflater->inode = quint64(status.st_ino);
    }
    return gzipIsComplete(file, size, budget);
}

bool SifterCompletionCheck::isSameStream(QFile &file, quint64 device, quint64 inode, qint64 size) const
{
    const Inflater &inflater = *m_inflater;
    if (device != inflater.device || inode != inflater.inode || size < inflater.offset)
        return false;
    const qint64 seamStart = inflater.offset - inflater.seam.size();
    return file.seek(seamStart) && file.read(inflater.seam.size()) == inflater.seam;
}

bool SifterCompletionCheck::plainIsComplete(QFile &file, qint64 size)
{
    const qint64 start = qMax<qint64>(0, size - tailSize);
    QByteArray tail = file.seek(start) ? file.read(size - start) : QByteArray();
    while (tail.endsWith('\n') || tail.endsWith('\r'))
        tail.chop(1);
    const qsizetype lineStart = tail.lastIndexOf('\n') + 1;
    if (lineStart == 0 && start > 0)
        return false;
    return QByteArrayView(tail).sliced(lineStart).startsWith(summaryPrefix);
}

bool SifterCompletionCheck::gzipIsComplete(QFile &file, qint64 size, qint64 budget)
{
    Inflater &inflater = *m_inflater;
    std::array<unsigned char, 64 * 1024> input;
    std::array<unsigned char, 256 * 1024> output;
    qint64 taken = 0;
    while (!inflater.broken && inflater.offset < size && taken < budget) {
        const qint64 wanted = std::min<qint64>({ qint64(input.size()), size - inflater.offset, budget - taken });
        const qint64 got
            = file.seek(inflater.offset) ? file.read(reinterpret_cast<char *>(input.data()), wanted) : qint64(-1);
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
    const qint64 seamStart = std::max<qint64>(0, inflater.offset - seamSize);
    inflater.seam = file.seek(seamStart) ? file.read(inflater.offset - seamStart) : QByteArray();
    // A broken stream will not mend: opening it tells the user why.
    return inflater.broken || (inflater.ended && inflater.offset == size);
}
