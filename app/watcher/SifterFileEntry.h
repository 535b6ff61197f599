#pragma once

#include "SifterFileIdentity.h"

#include <QByteArray>
#include <QDateTime>
#include <QSet>
#include <QString>
#include <QUrl>

class SifterDocuments;

// What the watcher window shows for an entry, and whether it may be opened.
enum SifterEntryStatus : qint64 {
    SifterStatusOpen = 0,
    SifterStatusReadyToOpen = 2,
    SifterStatusNotMatching = 3,
    SifterStatusOpenFailed = 4,
    // Named like a profile, but a directory, a pipe, a device or a socket.
    SifterStatusNotAProfile = 5,
    // Named like a profile and still being written.
    SifterStatusWriting = 6,
};

// What tells one version of a file from another.
struct SifterFileStamp
{
    qint64 size = -1;
    qint64 modifiedNs = -1;
    bool isRegular = false;
    bool operator==(const SifterFileStamp &) const = default;
    // The file at `nativePath` as it is now; size -1 when it cannot be read.
    static SifterFileStamp of(const QByteArray &nativePath);
};

// One name found in the watched directory: its location, its size and
// creation date as they were when the name was first seen, whether the name
// matches the profile-file pattern, the document open for it (if any) and
// the status derived from those. Opens its file as a document on request.
class SifterFileEntry final
{
public:
    // Reads the watched directory setting, the file's attributes and the
    // match now, and finds its document among `openPaths` (as
    // SifterDocuments::openFilePaths gives them). The name is the
    // directory's bytes.
    SifterFileEntry(const QByteArray &nativeName, SifterDocuments &documents, const QSet<QByteArray> &openPaths);

    // Recomputes the match from the pattern settings, then the status.
    void checkFileMatched();
    // Finds the file among the open documents' paths, then the status.
    void checkDocument(const QSet<QByteArray> &openPaths);
    // Starts opening and displaying the file if it matches and is not open;
    // false when it asked for nothing. Its end comes to openFinished.
    bool openDocument();
    // Brings the open document forward, or starts opening the file; false
    // when it asked for nothing.
    bool showDocument();
    // How an open asked for ended; a failure is shown to the user and
    // remembered, a cancel changes nothing.
    void openFinished(bool opened, const QString &error);
    // While set, a matching profile file shows as being written.
    void setWriting(bool writing);
    // The file changed since its document was opened (written again under
    // the same name): its attributes are read again and true returned.
    bool refreshIfRewritten();
    // Its document reads the file as it is now.
    void noteRead();
    bool hasDocument() const { return m_hasDocument; }
    // A document has read the file since it was listed or last written.
    bool wasOpened() const { return m_openedStamp.size >= 0; }

    // A regular file, not a directory, pipe, device or socket.
    bool isProfileFile() const { return m_stamp.isRegular; }
    QByteArray nativePath() const { return m_nativePath; }
    QByteArray nativeName() const { return m_nativeName; }
    // Resolved when listed and again when the file changes.
    const SifterFileIdentity &identity() const { return m_identity; }

    QString filePath() const { return m_filePath; }
    QUrl url() const { return m_urlPath; }
    QString fileName() const { return m_fileName; }
    qint64 fileSize() const { return m_fileSize; }
    bool fileMatched() const { return m_fileMatched; }
    SifterEntryStatus status() const { return m_status; }
    // "yyyy-MM-dd HH:mm:ss +hhmm" in local time; null when unknown.
    QString creationDate() const;
    // Invalid when unknown.
    QDateTime creationDateTime() const { return m_creationDateTime; }

private:
    // Whether `name` matches the pattern the settings choose: the whole
    // name, case-sensitively. An invalid custom pattern matches nothing.
    static bool nameMatchesPattern(const QString &name);
    // The status from the document and the match; a failed open stays.
    void checkStatus();
    void readAttributes();
    void noteOpened();

    SifterDocuments &m_documents;
    QByteArray m_nativeName;
    QByteArray m_nativePath;
    SifterFileIdentity m_identity;
    QString m_filePath;
    QUrl m_urlPath;
    QString m_fileName;
    SifterFileStamp m_stamp;
    // The file as it was when its document was opened; size -1 before.
    SifterFileStamp m_openedStamp;
    bool m_writing = false;
    qint64 m_fileSize = 0;
    bool m_fileMatched = false;
    SifterEntryStatus m_status = SifterStatusNotMatching;
    QDateTime m_creationDateTime;
    bool m_hasDocument = false;
};
