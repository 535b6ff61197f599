#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <memory>

class QFile;

// Tells whether a profile file has been written to its end: a plain profile
// is complete once its last line is a "summary:" line, a gzip one once its
// compressed stream has ended at the end of the file. Each look does a
// bounded amount of work; a gzip file is inflated from where the last look
// stopped, unless it was replaced or written again from its start since
// (another file under the name, shorter, or other bytes where the last look
// stopped): then it is inflated from its start again. Only regular files are
// opened, and never with a wait.
class SifterCompletionCheck final
{
public:
    // Compressed bytes a look reads at most.
    static constexpr qint64 defaultBudget = qint64(4) << 20;

    SifterCompletionCheck();
    ~SifterCompletionCheck();
    SifterCompletionCheck(const SifterCompletionCheck &) = delete;
    SifterCompletionCheck &operator=(const SifterCompletionCheck &) = delete;

    // Looks at the file at `nativePath` as it is now.
    bool isComplete(const QByteArray &nativePath, qint64 budget = defaultBudget);

private:
    struct Inflater;

    bool plainIsComplete(QFile &file, qint64 size);
    bool gzipIsComplete(QFile &file, qint64 size, qint64 budget);
    // Whether the file open as `file` is still the one inflated so far.
    bool isSameStream(QFile &file, quint64 device, quint64 inode, qint64 size) const;

    std::unique_ptr<Inflater> m_inflater;
};
