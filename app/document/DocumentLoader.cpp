#include "DocumentLoader.h"

#include "DisplayText.h"
#include "MemoryBudget.h"
#include "Profile.h"
#include "ProfileFileData.h"
#include "ProgressController.h"
#include "ProgressWindow.h"
#include "SharedText.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <deque>
#include <functional>
#include <new>
#include <system_error>

#include <sys/stat.h>

namespace {

// How far the reader has got, passed on from the reading thread as signals
// of the loader, at most once per interval.
class ProgressRelay final : public ProgressController
{
public:
    explicit ProgressRelay(DocumentLoader &loader)
        : m_loader(loader)
    {
        m_sinceLast.start();
    }

    void setProgress(double fraction) override
    {
        // The reader reports at every call it reads; the clock is looked at
        // only now and then, and the display told only once per interval.
        if (fraction < 1.0 && (++m_reports % 64 != 0 || m_sinceLast.elapsed() < DocumentLoader::progressInterval))
            return;
        m_sinceLast.start();
        Q_EMIT m_loader.readingProgressed(fraction);
    }

private:
    DocumentLoader &m_loader;
    QElapsedTimer m_sinceLast;
    quint32 m_reports = 0;
};

// Reads take long: a few run at once, and the others wait their turn in
// the order they were started, holding no thread, so that a burst of
// thousands of files takes a few threads, not thousands. Used on the
// thread that makes the loaders.
class ReadTurns
{
public:
    // Calls `begin` now if a turn is free, or once one is given back.
    void request(const DocumentLoader *loader, std::function<void()> begin)
    {
        if (m_running < limit()) {
            ++m_running;
            begin();
            return;
        }
        m_waiting.push_back({ loader, std::move(begin) });
    }

    // False when `loader` was not waiting.
    bool withdraw(const DocumentLoader *loader)
    {
        const auto found = std::find_if(
            m_waiting.begin(), m_waiting.end(), [loader](const Waiting &waiting) { return waiting.loader == loader; });
        if (found == m_waiting.end())
            return false;
        m_waiting.erase(found);
        return true;
    }

    // A read has ended: the longest waiting begins in its turn.
    void give()
    {
        if (m_waiting.empty()) {
            --m_running;
            return;
        }
        const std::function<void()> begin = std::move(m_waiting.front().begin);
        m_waiting.pop_front();
        begin();
    }

private:
    struct Waiting
    {
        const DocumentLoader *loader;
        std::function<void()> begin;
    };

    static int limit() { return std::max(2, QThread::idealThreadCount()); }

    std::deque<Waiting> m_waiting;
    int m_running = 0;
};

ReadTurns &readTurns()
{
    static ReadTurns turns;
    return turns;
}

QString noThread(const std::system_error &error)
{
    return DocumentLoader::tr("The system gives no thread to read the file (%1)")
        .arg(QString::fromLocal8Bit(error.code().message()));
}

} // namespace

DocumentLoader::DocumentLoader(
    const QString &filePath, qint64 memoryLimit, const QByteArray &nativePath, QObject *parent)
    : QObject(parent)
    , m_filePath(filePath)
    , m_nativePath(nativePath.isEmpty() ? QFile::encodeName(filePath) : nativePath)
    , m_memoryLimit(memoryLimit)
    , m_budget(&MemoryBudget::shared())
{
    connect(this, &DocumentLoader::readingStarted, this, &DocumentLoader::showProgress, Qt::QueuedConnection);
    connect(
        this, &DocumentLoader::readingProgressed, this,
        [this](double fraction) {
            if (m_progressWindow)
                m_progressWindow->setProgress(fraction);
        },
        Qt::QueuedConnection);
    connect(
        this, &DocumentLoader::waitingForMemory, this,
        [this] {
            if (m_progressWindow)
                m_progressWindow->setStatusLine(tr("Waiting for memory until other files are read\u2026"));
        },
        Qt::QueuedConnection);
}

DocumentLoader::~DocumentLoader()
{
    cancel();
    if (m_thread.joinable())
        m_thread.join();
    giveTurn();
}

void DocumentLoader::start()
{
    // Shown at once, before the reader has looked at the file (or waits
    // for its turn): painted while the open is still fresh in the user's
    // mind. By the name's bytes, which the text of the path may not express.
    struct stat status = {};
    const qint64 size = ::stat(m_nativePath.constData(), &status) == 0 ? qint64(status.st_size) : 0;
    m_waitsForTurn = true;
    readTurns().request(this, [this] { startThread(); });
    if (m_waitsForTurn || m_thread.joinable())
        showProgress(size);
}

void DocumentLoader::startThread()
{
    m_waitsForTurn = false;
    m_holdsTurn = true;
    try {
        m_thread = std::thread([this] {
            read();
            QMetaObject::invokeMethod(this, &DocumentLoader::readingEnded, Qt::QueuedConnection);
        });
    } catch (const std::system_error &error) {
        m_errorString = noThread(error);
    } catch (const std::bad_alloc &) {
        m_errorString = tr("Not enough memory to read the file");
    }
    if (!m_thread.joinable())
        QMetaObject::invokeMethod(this, &DocumentLoader::readingEnded, Qt::QueuedConnection);
}

void DocumentLoader::giveTurn()
{
    if (std::exchange(m_holdsTurn, false))
        readTurns().give();
}

void DocumentLoader::cancel()
{
    m_cancelled = true;
    // A read still waiting for its turn ends now.
    if (m_waitsForTurn && readTurns().withdraw(this)) {
        m_waitsForTurn = false;
        QMetaObject::invokeMethod(this, &DocumentLoader::readingEnded, Qt::QueuedConnection);
    }
    // Gone at once: the read ends soon after.
    if (m_progressWindow)
        m_progressWindow->hide();
}

std::unique_ptr<Profile> DocumentLoader::takeProfile()
{
    return std::move(m_profile);
}

void DocumentLoader::read()
{
    if (m_cancelled)
        return;
    // Anything read before a cancel or a failure is freed here, on this
    // thread, before the read counts as ended.
    try {
        auto profile = std::make_unique<Profile>();
        Profile::ReadOptions options;
        options.limits.memoryBytes = m_memoryLimit;
        options.cancel = &m_cancelled;
        ProgressRelay progress(*this);
        options.progress = &progress;
        options.budget = m_budget;
        options.waitingForMemory = [this] { Q_EMIT waitingForMemory(); };
        profile->setReadOptions(options);
        ProfileFileData file;
        const bool opened = file.open(m_nativePath);
        if (opened)
            Q_EMIT readingStarted(file.size());
        if (!opened) {
            m_errorString = file.errorString();
        } else if (!profile->readFromFile(file)) {
            m_errorString = profile->errorString();
        } else if (!m_cancelled) {
            m_changedWhileRead = file.hasChanged();
            // The options name what lives only as long as this read.
            profile->setReadOptions({});
            m_profile = std::move(profile);
        }
    } catch (const std::bad_alloc &) {
        m_errorString = tr("Not enough memory to read the file");
    } catch (const std::exception &error) {
        m_errorString = QString::fromLocal8Bit(error.what());
    }
}

void DocumentLoader::showProgress(qint64 size)
{
    if (size <= progressThreshold || m_cancelled || m_ended)
        return;
    if (!m_progressWindow) {
        m_progressWindow = std::make_unique<ProgressWindow>();
        m_progressWindow->setWindowTitle(
            DisplayText::forWindowTitle(tr("Reading \u201c%1\u201d").arg(QFileInfo(m_filePath).fileName())));
        connect(m_progressWindow.get(), &ProgressWindow::cancelled, this, &DocumentLoader::cancel);
        m_progressWindow->show();
    }
    m_progressWindow->setStatusLine(tr("File size: %1").arg(dataSizeString(size)));
}

void DocumentLoader::readingEnded()
{
    // The thread has nothing left to do but end.
    if (m_thread.joinable())
        m_thread.join();
    giveTurn();
    m_ended = true;
    // Cancelled after the read had ended: nothing is kept either, and a
    // large tree is freed away from this thread.
    if (m_cancelled && m_profile) {
        try {
            std::thread([dropped = std::move(m_profile)] {}).detach();
        } catch (const std::exception &) {
            // Freed here, with the thread that could not start.
        }
    }
    m_progressWindow.reset();
    Q_EMIT finished();
}
