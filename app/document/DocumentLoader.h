#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <thread>

class MemoryBudget;
class Profile;
class ProgressWindow;

// Reads one profile file into a Profile on a thread of its own, so that no
// window waits for it; a few files are read at once, the others wait their
// turn without a thread, and together they take no more memory than a
// budget shared with every read of the process. While a large file is read
// it shows the progress window, which it keeps up to date through queued
// signals and whose Cancel stops the read. When the read has ended, the
// profile is handed over on the thread that made the loader; what a
// cancelled read built is freed on another thread.
class DocumentLoader final : public QObject
{
    Q_OBJECT
public:
    // How often at most the progress is passed on, in milliseconds.
    static constexpr int progressInterval = 50;
    // Files larger than this many bytes show the progress window.
    static constexpr qint64 progressThreshold = 300000;

    // `memoryLimit`: the most the profile's tree may take; a larger one
    // fails as a shortage of memory. `nativePath`: the file's path as the
    // file system holds it, where `filePath` cannot say it (a name that is
    // not in the system's encoding).
    DocumentLoader(
        const QString &filePath, qint64 memoryLimit, const QByteArray &nativePath = {}, QObject *parent = nullptr);
    // Cancels a read still running and waits for its thread.
    ~DocumentLoader() override;

    QString filePath() const { return m_filePath; }
    // The budget the read shares with others, before start(); by default
    // the process's.
    void setMemoryBudget(MemoryBudget &budget) { m_budget = &budget; }
    // Starts reading; finished() follows, whatever the outcome, also when
    // the system gives no thread for it.
    void start();
    // Stops the read when the reader next looks and frees what was read;
    // finished() follows.
    void cancel();
    bool isCancelled() const { return m_cancelled; }

    // Once finished: the profile, or null when the read failed or was
    // cancelled; and a sentence telling why it failed.
    std::unique_ptr<Profile> takeProfile();
    QString errorString() const { return m_errorString; }
    // Once finished: whether the file changed while it was read (its size,
    // time or identity at the end differed from the start), so that what
    // was read may be old, partial or mixed.
    bool changedWhileRead() const { return m_changedWhileRead; }
    // While one is shown.
    ProgressWindow *progressWindow() const { return m_progressWindow.get(); }

Q_SIGNALS:
    void finished();
    // Sent by the reading thread, delivered on this object's thread: the
    // size of the file opened, and the share of it read, from 0 to 1.
    void readingStarted(qint64 size);
    void readingProgressed(double fraction);
    // The read waits until other reads give back memory.
    void waitingForMemory();

private:
    // Its turn has come: reads on a thread of its own.
    void startThread();
    // Gives the turn it holds, if any, to the next read.
    void giveTurn();
    // On the reading thread.
    void read();
    // Shows the progress window for a file of `size` bytes, if it is large.
    void showProgress(qint64 size);
    void readingEnded();

    const QString m_filePath;
    const QByteArray m_nativePath;
    const qint64 m_memoryLimit;
    MemoryBudget *m_budget;
    std::atomic_bool m_cancelled = false;
    bool m_ended = false;
    bool m_waitsForTurn = false;
    bool m_holdsTurn = false;
    std::thread m_thread;
    std::unique_ptr<ProgressWindow> m_progressWindow;
    // Written by the reading thread, read only after it has ended.
    std::unique_ptr<Profile> m_profile;
    QString m_errorString;
    bool m_changedWhileRead = false;
};
