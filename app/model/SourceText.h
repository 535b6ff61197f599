#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

// The text of a source file, read to show it beside its costs. Only a
// regular file is read, opened without waiting (a pipe or a device never
// holds the reader up), and only up to a size. Lines end at "\n", "\r\n" or
// "\r", as PHP counts them.
class SourceText
{
public:
    static constexpr qint64 defaultMaxBytes = qint64(64) << 20;

    // False, with errorString() set, when the file cannot be read: missing,
    // unreadable, not a regular file, or larger than `maxBytes`.
    bool read(const QString &path, qint64 maxBytes = defaultMaxBytes);
    // A sentence a user can read, e.g. "No such file or directory".
    QString errorString() const { return m_errorString; }

    qsizetype lineCount() const { return qsizetype(m_lineStarts.size()); }
    // Line `number`, counted from 1, without its end, as the file's bytes;
    // empty for a line the file does not have.
    QByteArrayView line(qsizetype number) const;

private:
    QByteArray m_bytes;
    // Where each line begins and ends.
    std::vector<quint32> m_lineStarts;
    std::vector<quint32> m_lineEnds;
    QString m_errorString;
};
