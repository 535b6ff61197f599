#include "SifterFileEntry.h"

#include "SifterDocuments.h"
#include "SifterPattern.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

SifterFileStamp SifterFileStamp::of(const QByteArray &nativePath)
{
    // Never opens the file: a pipe would hold the caller up.
    struct stat status = {};
    if (::stat(nativePath.constData(), &status) != 0)
        return {};
    return { quint64(status.st_dev), quint64(status.st_ino), qint64(status.st_size),
        qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec, S_ISREG(status.st_mode) };
}

SifterFileEntry::SifterFileEntry(const QByteArray &directory, const QByteArray &nativeName,
    const SifterPattern &pattern, SifterDocuments &documents, const QSet<QByteArray> &openPaths)
    : m_documents(documents)
    , m_nativeName(nativeName)
    , m_file(directory + '/' + nativeName)
    , m_fileName(QFile::decodeName(nativeName))
{
    readAttributes();
    m_fileMatched = pattern.matches(m_fileName);
    m_hasDocument = m_file.isAmong(openPaths);
    if (m_hasDocument)
        noteRead();
    m_status = derivedStatus();
}

void SifterFileEntry::readAttributes()
{
    const QByteArray &path = m_file.nativePath();
    m_stamp = SifterFileStamp::of(path);
    m_fileSize = qMax<qint64>(0, m_stamp.size);
    m_creationDateTime = {};
    if (m_stamp.size < 0)
        return;
    const QFileInfo info(m_file.path());
    // Not every file system records a birth time; the last status change
    // is the closest stand-in.
    m_creationDateTime = info.birthTime();
    if (!m_creationDateTime.isValid())
        m_creationDateTime = info.metadataChangeTime();
    struct stat status = {};
    if (!m_creationDateTime.isValid() && ::stat(path.constData(), &status) == 0)
        m_creationDateTime = QDateTime::fromSecsSinceEpoch(status.st_ctim.tv_sec);
}

void SifterFileEntry::refreshAttributes()
{
    readAttributes();
    checkStatus();
}

void SifterFileEntry::checkFileMatched(const SifterPattern &pattern)
{
    m_fileMatched = pattern.matches(m_fileName);
    checkStatus();
}

void SifterFileEntry::checkDocument(const QSet<QByteArray> &openPaths)
{
    m_hasDocument = m_file.isAmong(openPaths);
    if (m_hasDocument && m_openedStamp.size < 0)
        noteRead();
    checkStatus();
}

void SifterFileEntry::noteRead()
{
    m_openedStamp = SifterFileStamp::of(m_file.nativePath());
}

SifterEntryStatus SifterFileEntry::derivedStatus() const
{
    if (m_fileMatched && !isProfileFile() && m_stamp.size >= 0)
        return SifterStatusNotAProfile;
    if (m_fileMatched && m_writing)
        return SifterStatusWriting;
    if (m_hasDocument)
        return SifterStatusOpen;
    return m_fileMatched ? SifterStatusReadyToOpen : SifterStatusNotMatching;
}

void SifterFileEntry::checkStatus()
{
    if (m_status == SifterStatusOpenFailed)
        return;
    const SifterEntryStatus status = derivedStatus();
    if (status == m_status)
        return;
    m_status = status;
    readAttributes();
}

void SifterFileEntry::setWriting(bool writing)
{
    m_writing = writing;
    checkStatus();
}

bool SifterFileEntry::refreshIfRewritten()
{
    if (m_openedStamp.size < 0 || SifterFileStamp::of(m_file.nativePath()) == m_openedStamp)
        return false;
    readAttributes();
    m_openedStamp = {};
    if (m_status == SifterStatusOpenFailed)
        m_status = SifterStatusReadyToOpen;
    checkStatus();
    return true;
}

bool SifterFileEntry::openDocument(bool alertOnFailure)
{
    if (!m_fileMatched || m_hasDocument || m_status == SifterStatusNotAProfile)
        return false;
    // Noted first: the open may end before the request returns.
    m_opening = true;
    m_documents.openDocument(m_file, alertOnFailure);
    return true;
}

bool SifterFileEntry::showDocument()
{
    if (!m_hasDocument)
        return openDocument(true);
    m_opening = true;
    m_documents.openDocument(m_file, true);
    return true;
}

void SifterFileEntry::openFinished(bool opened, bool failed)
{
    m_opening = false;
    if (opened) {
        m_hasDocument = true;
        noteRead();
        m_status = SifterStatusReadyToOpen;
        checkStatus();
    } else if (failed && m_status != SifterStatusOpenFailed) {
        m_status = SifterStatusOpenFailed;
        readAttributes();
    }
}

QString SifterFileEntry::creationDate() const
{
    if (!m_creationDateTime.isValid())
        return {};
    const QDateTime local = m_creationDateTime.toLocalTime();
    const int offsetMinutes = local.offsetFromUtc() / 60;
    const int magnitude = qAbs(offsetMinutes);
    return QStringLiteral("%1 %2%3%4")
        .arg(local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
            offsetMinutes < 0 ? QStringLiteral("-") : QStringLiteral("+"))
        .arg(magnitude / 60, 2, 10, QLatin1Char('0'))
        .arg(magnitude % 60, 2, 10, QLatin1Char('0'));
}
