#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <memory>

class QFile;

// Tells whether a profile file has been written to its end: a plain profile
// is complete once its last line is a "summary:" line, a gzip one once its
// compressed stream has ended at the end of the file. Each look does a
// bounded amount of work; a gzip file is inflated from where the last look
// stopped. Only regular files are opened, and never with a wait.
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
    // The last look stopped at its budget with compressed bytes left.
    bool hasMoreToRead() const { return m_moreToRead; }

private:
    struct Inflater;

    bool plainIsComplete(QFile &file, qint64 size);
    bool gzipIsComplete(QFile &file, qint64 size, qint64 budget);

    std::unique_ptr<Inflater> m_inflater;
    bool m_moreToRead = false;
};
