#pragma once

#include "PageBuffer.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The bytes of a profile file: read whole, or inflated when the file is
// gzip-compressed (whatever its name).
class ProfileFileData
{
public:
    ProfileFileData() = default;
    ~ProfileFileData();
    ProfileFileData(const ProfileFileData &) = delete;
    ProfileFileData &operator=(const ProfileFileData &) = delete;

    // False with errorString() set when the file cannot be read.
    bool open(const QString &path);
    QByteArrayView data() const;
    // A sentence a user can read, e.g. "No such file or directory".
    QString errorString() const { return m_errorString; }

    // Gives the memory of the first `bytes` of data() back to the system
    // once they have been read; they read as zero bytes afterwards.
    void releaseConsumed(qsizetype bytes) { m_bytes.releaseFront(bytes); }

private:
    bool fail(const QString &reason);
    bool inflateGzip();

    QString m_errorString;
    // The file is copied rather than mapped: a mapping of a file that the
    // profiler truncates while it is being read would fault.
    PageBuffer m_bytes;
};
