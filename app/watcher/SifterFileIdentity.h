#pragma once

#include <QByteArray>
#include <QSet>

// A file as the open documents are told apart: by the path it is listed
// under and by the path its links resolve to, both as the system's bytes,
// so that a document opened by any path to the file counts as its own.
// Resolving looks at the disk; finding it among open paths does not.
class SifterFileIdentity
{
public:
    SifterFileIdentity() = default;
    // Resolves `nativePath` now; a path that cannot be resolved is known
    // only as spelled.
    explicit SifterFileIdentity(const QByteArray &nativePath);

    // Whether `paths`, as SifterDocuments::openFilePaths gives them, hold
    // this file.
    bool isAmong(const QSet<QByteArray> &paths) const;

private:
    QByteArray m_path;
    // Empty where it cannot be resolved, or resolves to `m_path` itself.
    QByteArray m_canonicalPath;
};
