#include "SifterFileEntry.h"

#include "SettingsKeys.h"
#include "SifterDocuments.h"

#include <KFUserDefaultsController.h>

#include <QFileInfo>
#include <QRegularExpression>

namespace {

// The pattern used unless the user chose a custom one.
const QString defaultPattern = QStringLiteral("cachegrind\\..*");

// The whole-name expression for `pattern`, or null when the pattern is not a
// valid expression. Compiled once per distinct pattern text: a listing
// matches thousands of names against the same one. Entries are used on the
// main thread only.
const QRegularExpression *anchoredExpression(const QString &pattern)
{
    static QString compiledPattern;
    static QRegularExpression compiled;
    static bool patternValid = false;
    if (compiled.pattern().isEmpty() || pattern != compiledPattern) {
        compiledPattern = pattern;
        // A pattern that is invalid on its own could still compile once
        // wrapped (an unbalanced ")" closes the wrapper's group early and
        // escapes the anchors), so the bare pattern is checked first.
        patternValid = QRegularExpression(pattern).isValid();
        compiled = QRegularExpression(QRegularExpression::anchoredPattern(pattern));
    }
    return patternValid && compiled.isValid() ? &compiled : nullptr;
}

} // namespace

SifterFileEntry::SifterFileEntry(const QString &fileName, SifterDocuments &documents)
    : m_documents(documents)
    , m_fileName(fileName)
{
    const QString directory
        = KFUserDefaultsController::sharedUserDefaultsController().stringForKey(VTCSifterMonitorDirectory);
    m_filePath = QStringLiteral("%1/%2").arg(directory, fileName);
    m_urlPath = QUrl::fromLocalFile(m_filePath);

    const QFileInfo info(m_filePath);
    if (info.exists()) {
        m_fileSize = info.size();
        // Not every file system records a birth time; the last status
        // change is the closest stand-in.
        m_creationDateTime = info.birthTime();
        if (!m_creationDateTime.isValid())
            m_creationDateTime = info.metadataChangeTime();
    }
    checkFileMatched();
    checkDocument();
}

bool SifterFileEntry::nameMatchesPattern(const QString &name)
{
    const KFUserDefaultsController &defaults = KFUserDefaultsController::sharedUserDefaultsController();
    const QString pattern
        = defaults.boolForKey(VTCSifterRegexUseCustom) ? defaults.stringForKey(VTCSifterRegex) : defaultPattern;
    const QRegularExpression *expression = anchoredExpression(pattern);
    return expression && expression->match(name).hasMatch();
}

void SifterFileEntry::checkFileMatched()
{
    m_fileMatched = nameMatchesPattern(m_fileName);
    checkStatus();
}

void SifterFileEntry::checkDocument()
{
    m_hasDocument = m_documents.hasDocumentForURL(m_urlPath);
    checkStatus();
}

void SifterFileEntry::checkStatus()
{
    if (m_status == SifterStatusOpenFailed)
        return;
    if (m_hasDocument)
        m_status = SifterStatusOpen;
    else
        m_status = m_fileMatched ? SifterStatusReadyToOpen : SifterStatusNotMatching;
}

bool SifterFileEntry::openDocument()
{
    if (!m_fileMatched || m_status == SifterStatusOpen)
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
        m_status = SifterStatusOpen;
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
