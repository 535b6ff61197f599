#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QSet>
#include <QString>

class QUrl;

// A file as the program names it and tells it from others: the bytes of its
// absolute path as the system spells them, whatever their encoding, and the
// bytes of the path its links resolve to, read once when it is made. Files
// travel between the watcher, the registry of open documents and the recent
// files as these, so that a name that is not valid text still opens.
class FileIdentity
{
public:
    FileIdentity() = default;
    // `nativePath` made absolute against the working directory, with "."
    // and ".." taken out and repeated slashes joined. Resolving its links
    // reads directories and links only: the file itself is never opened.
    explicit FileIdentity(const QByteArray &nativePath);
    static FileIdentity fromPath(const QString &path);
    // A local file URL; a percent-encoded path gives its bytes as they are.
    // Null for any other URL.
    static FileIdentity fromUrl(const QUrl &url);

    bool isNull() const { return m_path.isEmpty(); }
    const QByteArray &nativePath() const { return m_path; }
    // The path as text, for showing: bytes the system's encoding cannot
    // say show as replacement characters.
    QString path() const;
    QString fileName() const;
    // Where the path cannot say the bytes, only the bytes open the file.
    bool isTextExact() const;

    // Spelled alike, or the same file once links are resolved.
    bool isSameFile(const FileIdentity &other) const;
    // Whether `paths`, as spellings() of open files gather them, hold this file.
    bool isAmong(const QSet<QByteArray> &paths) const;
    // Adds both spellings to a set that isAmong can answer from without
    // looking at the disk.
    void addSpellingsTo(QSet<QByteArray> &paths) const;

    // Spelled alike.
    bool operator==(const FileIdentity &other) const { return m_path == other.m_path; }

private:
    QByteArray m_path;
    // Empty where it cannot be resolved, or resolves to `m_path` itself.
    QByteArray m_canonicalPath;
};

Q_DECLARE_METATYPE(FileIdentity)
