#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// A profile file opened for reading piece by piece: plain text, or gzip
// (whatever its name), inflated as it is read. Only regular files are read.
class ProfileFileData
{
public:
    ProfileFileData();
    ~ProfileFileData();
    ProfileFileData(const ProfileFileData &) = delete;
    ProfileFileData &operator=(const ProfileFileData &) = delete;

    // False with errorString() set when the file cannot be opened, e.g. it
    // is missing, unreadable, or a directory, a pipe or a device. Never
    // waits for a writer.
    bool open(const QString &path);
    // The same for a path as the file system holds it, whatever its encoding.
    bool open(const QByteArray &nativePath);
    // A sentence a user can read, e.g. "No such file or directory".
    QString errorString() const { return m_errorString; }

    // Up to `capacity` bytes of the profile's text into `buffer`: 0 at the
    // end (also when the file was cut short while being read), -1 when it
    // cannot be read on, with errorString() set. Throws std::bad_alloc when
    // memory is short.
    qsizetype read(char *buffer, qsizetype capacity);
    // Starts reading the text again from its beginning; false, with
    // errorString() set, when the file cannot be read again.
    bool rewind();
    // The file's size on disk when it was opened, and how much of it has
    // been read: what progress is measured in.
    qint64 size() const { return m_size; }
    qint64 position() const;
    bool isCompressed() const;
    // Whether the file changed since it was opened: its size or time of
    // change is not what it was, or its path names another file now (it
    // was renamed over). What was read may then be old, partial or mixed.
    // A file removed since is not taken as changed: it was read whole.
    bool hasChanged() const;

private:
    struct Input;

    qsizetype fail(const QString &reason);
    qsizetype readPlain(char *buffer, qsizetype capacity);
    qsizetype readGzip(char *buffer, qsizetype capacity);
    // Reads more of the file behind what the input still holds; false at
    // its end or on an error.
    bool fillInput();

    QString m_errorString;
    std::unique_ptr<Input> m_input;
    qint64 m_size = 0;
    // The path, and the file's identity and time of change when opened.
    QByteArray m_path;
    struct Opened
    {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 seconds = 0;
        qint64 nanoseconds = 0;
    } m_opened;
};
