#pragma once

#include "FileIdentity.h"

#include <QByteArray>
#include <QDateTime>
#include <QSet>
#include <QString>

class SifterDocuments;
class SifterPattern;

// What the watcher window shows for an entry, and whether it may be opened,
// in the order the status column sorts by.
enum SifterEntryStatus {
    SifterStatusOpen,
    SifterStatusReadyToOpen,
    SifterStatusNotMatching,
    SifterStatusOpenFailed,
    // Named like a profile, but a directory, a pipe, a device or a socket.
    SifterStatusNotAProfile,
    // Named like a profile and still being written.
    SifterStatusWriting,
};

// What tells one version of a file from another: which file the name leads
// to, and its size and modification time.
struct SifterFileStamp
{
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1;
    qint64 modifiedNs = -1;
    bool isRegular = false;
    bool operator==(const SifterFileStamp &) const = default;
    // The file at `nativePath` as it is now; size -1 when it cannot be read.
    static SifterFileStamp of(const QByteArray &nativePath);
};

// One name found in the watched directory: its location, its size and
// creation date as they were when its row last changed, whether the name
// matches the profile-file pattern, whether its document is open and the
// status derived from those. Opens its file as a document on request.
class SifterFileEntry final
{
public:
    // Reads the file's attributes and the match now, and finds its document
    // among `openPaths` (as SifterDocuments::openFilePaths gives them). The
    // directory and the name are the system's bytes.
    SifterFileEntry(const QByteArray &directory, const QByteArray &nativeName, const SifterPattern &pattern,
        SifterDocuments &documents, const QSet<QByteArray> &openPaths);

    // Recomputes the match, then the status.
    void checkFileMatched(const SifterPattern &pattern);
    // Finds the file among the open documents' paths, then the status.
    void checkDocument(const QSet<QByteArray> &openPaths);
    // Starts opening and displaying the file if it matches and is not open;
    // false when it asked for nothing. A failure is told to the user when
    // `alertOnFailure`; its end comes to openFinished.
    bool openDocument(bool alertOnFailure);
    // Brings the open document forward, or starts opening the file with an
    // alert on failure; false when it asked for nothing.
    bool showDocument();
    // An open this entry asked for has not ended yet.
    bool isOpening() const { return m_opening; }
    // How the open it asked for ended: a failure is remembered, a cancel
    // changes nothing.
    void openFinished(bool opened, bool failed);
    // While set, a matching profile file shows as being written.
    void setWriting(bool writing);
    // The file changed since its document was opened (written again under
    // the same name): its attributes are read again and true returned.
    bool refreshIfRewritten();
    // The file changed while it is being written: its size and date are
    // read again.
    void refreshAttributes();
    // Its document reads the file as it is now.
    void noteRead();
    bool hasDocument() const { return m_hasDocument; }
    // A document has read the file since it was listed or last written.
    bool wasOpened() const { return m_openedStamp.size >= 0; }

    // A regular file, not a directory, pipe, device or socket.
    bool isProfileFile() const { return m_stamp.isRegular; }
    // As it was when its attributes were last read.
    const SifterFileStamp &stamp() const { return m_stamp; }
    QByteArray nativeName() const { return m_nativeName; }
    const FileIdentity &file() const { return m_file; }

    // For showing: bytes the system cannot say show as replacement characters.
    QString filePath() const { return m_file.path(); }
    QString fileName() const { return m_fileName; }
    qint64 fileSize() const { return m_fileSize; }
    bool fileMatched() const { return m_fileMatched; }
    SifterEntryStatus status() const { return m_status; }
    // "yyyy-MM-dd HH:mm:ss +hhmm" in local time; null when unknown.
    QString creationDate() const;
    // Invalid when unknown.
    QDateTime creationDateTime() const { return m_creationDateTime; }

private:
    SifterEntryStatus derivedStatus() const;
    // The status from the document and the match; a failed open stays. A
    // row that changes shows the file as it is then.
    void checkStatus();
    void readAttributes();

    SifterDocuments &m_documents;
    QByteArray m_nativeName;
    FileIdentity m_file;
    QString m_fileName;
    SifterFileStamp m_stamp;
    // The file as it was when its document was opened; size -1 before.
    SifterFileStamp m_openedStamp;
    bool m_writing = false;
    bool m_opening = false;
    qint64 m_fileSize = 0;
    bool m_fileMatched = false;
    SifterEntryStatus m_status = SifterStatusNotMatching;
    QDateTime m_creationDateTime;
    bool m_hasDocument = false;
};
