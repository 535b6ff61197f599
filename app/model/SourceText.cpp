#include "SourceText.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

bool SourceText::read(const QString &path, qint64 maxBytes)
{
    m_bytes.clear();
    m_lineStarts.clear();
    m_lineEnds.clear();
    m_errorString.clear();
    // Without waiting: opening a pipe would otherwise block until something
    // opens it for writing.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        m_errorString = systemError(errno);
        return false;
    }
    QFile file;
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    struct stat status = {};
    if (fstat(fd, &status) != 0) {
        m_errorString = systemError(errno);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        m_errorString = QStringLiteral("Not a regular file");
        return false;
    }
    // Offsets are 32 bits.
    maxBytes = qMin<qint64>(maxBytes, std::numeric_limits<quint32>::max());
    if (status.st_size > maxBytes) {
        m_errorString = QStringLiteral("Larger than %1 MiB").arg(maxBytes >> 20);
        return false;
    }
    // What the file held when it was opened; more written since is not read.
    m_bytes = file.read(qint64(status.st_size));
    if (m_bytes.size() < status.st_size && file.error() != QFileDevice::NoError) {
        m_errorString = file.errorString();
        m_bytes.clear();
        return false;
    }

    const char *bytes = m_bytes.constData();
    const quint32 size = quint32(m_bytes.size());
    quint32 start = 0;
    for (quint32 at = 0; at < size; ++at) {
        if (bytes[at] != '\n' && bytes[at] != '\r')
            continue;
        m_lineStarts.push_back(start);
        m_lineEnds.push_back(at);
        if (bytes[at] == '\r' && at + 1 < size && bytes[at + 1] == '\n')
            ++at;
        start = at + 1;
    }
    if (start < size) {
        m_lineStarts.push_back(start);
        m_lineEnds.push_back(size);
    }
    return true;
}

QByteArrayView SourceText::line(qsizetype number) const
{
    if (number < 1 || number > lineCount())
        return {};
    const size_t index = size_t(number - 1);
    return QByteArrayView(m_bytes).sliced(m_lineStarts[index], m_lineEnds[index] - m_lineStarts[index]);
}
