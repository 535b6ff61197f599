#include "SifterFileEntry.h"

#include "SettingsKeys.h"
#include "SifterDocuments.h"
#include "SifterPattern.h"

#include <KFUserDefaultsController.h>

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

// The pattern used unless the user chose a custom one.
const QString defaultPattern = QStringLiteral("cachegrind\\..*");

// Compiled once per distinct pattern text: a listing matches thousands of
// names against the same one. Entries are used on the main thread only.
const SifterPattern &currentPattern(const QString &pattern)
{
    static SifterPattern compiled(defaultPattern);
    if (compiled.pattern() != pattern)
        compiled = SifterPattern(pattern);
    return compiled;
}

} // namespace

SifterFileStamp SifterFileStamp::of(const QByteArray &nativePath)
{
    // Never opens the file: a pipe would hold the caller up.
    struct stat status = {};
    if (::stat(nativePath.constData(), &status) != 0)
        return {};
    return { qint64(status.st_size), qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec,
        S_ISREG(status.st_mode) };
}

SifterFileEntry::SifterFileEntry(
    const QByteArray &nativeName, SifterDocuments &documents, const QSet<QByteArray> &openPaths)
    : m_documents(documents)
    , m_nativeName(nativeName)
    , m_fileName(QFile::decodeName(nativeName))
{
    const QString directory
        = KFUserDefaultsController::sharedUserDefaultsController().stringForKey(VTCSifterMonitorDirectory);
    m_nativePath = QFile::encodeName(directory) + '/' + nativeName;
    m_filePath = QStringLiteral("%1/%2").arg(directory, m_fileName);
    // A name that is not in the system's encoding goes into the location
    // byte for byte, so that the file can still be opened.
    m_urlPath = QFile::encodeName(m_fileName) == nativeName
        ? QUrl::fromLocalFile(m_filePath)
        : QUrl::fromEncoded("file://" + m_nativePath.toPercentEncoding("/"));
    readAttributes();
    checkFileMatched();
    checkDocument(openPaths);
}

void SifterFileEntry::readAttributes()
{
    m_stamp = SifterFileStamp::of(m_nativePath);
    m_identity = SifterFileIdentity(m_nativePath);
    m_fileSize = qMax<qint64>(0, m_stamp.size);
    m_creationDateTime = {};
    if (m_stamp.size < 0)
        return;
    const QFileInfo info(m_filePath);
    // Not every file system records a birth time; the last status change
    // is the closest stand-in.
    m_creationDateTime = info.birthTime();
    if (!m_creationDateTime.isValid())
        m_creationDateTime = info.metadataChangeTime();
    struct stat status = {};
    if (!m_creationDateTime.isValid() && ::stat(m_nativePath.constData(), &status) == 0)
        m_creationDateTime = QDateTime::fromSecsSinceEpoch(status.st_ctim.tv_sec);
}

bool SifterFileEntry::nameMatchesPattern(const QString &name)
{
    const KFUserDefaultsController &defaults = KFUserDefaultsController::sharedUserDefaultsController();
    const QString pattern
        = defaults.boolForKey(VTCSifterRegexUseCustom) ? defaults.stringForKey(VTCSifterRegex) : defaultPattern;
    return currentPattern(pattern).matches(name);
}

void SifterFileEntry::checkFileMatched()
{
    m_fileMatched = nameMatchesPattern(m_fileName);
    checkStatus();
}

void SifterFileEntry::checkDocument(const QSet<QByteArray> &openPaths)
{
    m_hasDocument = m_identity.isAmong(openPaths);
    if (m_hasDocument)
        noteOpened();
    checkStatus();
}

void SifterFileEntry::noteOpened()
{
    if (m_openedStamp.size < 0)
        noteRead();
}

void SifterFileEntry::noteRead()
{
    m_openedStamp = SifterFileStamp::of(m_nativePath);
}

void SifterFileEntry::checkStatus()
{
    if (m_status == SifterStatusOpenFailed)
        return;
    if (m_fileMatched && !isProfileFile() && m_stamp.size >= 0)
        m_status = SifterStatusNotAProfile;
    else if (m_fileMatched && m_writing)
        m_status = SifterStatusWriting;
    else if (m_hasDocument)
        m_status = SifterStatusOpen;
    else
        m_status = m_fileMatched ? SifterStatusReadyToOpen : SifterStatusNotMatching;
}

void SifterFileEntry::setWriting(bool writing)
{
    m_writing = writing;
    checkStatus();
}

bool SifterFileEntry::refreshIfRewritten()
{
    if (m_openedStamp.size < 0 || SifterFileStamp::of(m_nativePath) == m_openedStamp)
        return false;
    readAttributes();
    m_openedStamp = {};
    if (m_status == SifterStatusOpenFailed)
        m_status = SifterStatusReadyToOpen;
    checkStatus();
    return true;
}

bool SifterFileEntry::openDocument()
{
    if (!m_fileMatched || m_hasDocument || m_status == SifterStatusNotAProfile)
        return false;
    m_documents.openDocumentWithContentsOfURL(m_urlPath);
    return true;
}

bool SifterFileEntry::showDocument()
{
    if (!m_hasDocument)
        return openDocument();
    m_documents.openDocumentWithContentsOfURL(m_urlPath);
    return true;
}

void SifterFileEntry::openFinished(bool opened, const QString &error)
{
    if (opened) {
        m_hasDocument = true;
        noteRead();
        m_status = SifterStatusReadyToOpen;
        checkStatus();
    } else if (!error.isEmpty()) {
        m_status = SifterStatusOpenFailed;
        m_documents.presentError(error);
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
