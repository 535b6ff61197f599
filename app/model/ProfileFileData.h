#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The bytes of a profile file: mapped in place, or inflated when the file is
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

private:
    QString m_errorString;
    const uchar *m_map = nullptr;
    qint64 m_mapSize = 0;
    QByteArray m_inflated;
};
