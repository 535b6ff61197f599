#include "DocumentLoader.h"

#include "DisplayText.h"
#include "Profile.h"
#include "ProfileFileData.h"
#include "ProgressController.h"
#include "ProgressWindow.h"
#include "SharedText.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <limits>
#include <new>

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

// Profile reads take long: they have a pool of their own, so that they do
// not hold up other work, with room for a few at once.
QThreadPool &readPool()
{
    static QThreadPool pool;
    pool.setMaxThreadCount(std::max(2, QThread::idealThreadCount()));
    return pool;
}

} // namespace

qint64 DocumentLoader::availableMemory()
{
    // What the system can give without swapping, as it estimates it.
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (meminfo.open(QIODevice::ReadOnly)) {
        while (!meminfo.atEnd()) {
            const QList<QByteArray> fields = meminfo.readLine().simplified().split(' ');
            bool ok = false;
            const qint64 kilobytes = fields.value(1).toLongLong(&ok);
            if (fields.value(0) == "MemAvailable:" && ok)
                return kilobytes * 1024;
        }
    }
    return std::numeric_limits<qint64>::max();
}

DocumentLoader::DocumentLoader(
    const QString &filePath, qint64 memoryLimit, const QByteArray &nativePath, QObject *parent)
    : QObject(parent)
    , m_filePath(filePath)
    , m_nativePath(nativePath.isEmpty() ? QFile::encodeName(filePath) : nativePath)
    , m_memoryLimit(memoryLimit)
{
    connect(this, &DocumentLoader::readingStarted, this, &DocumentLoader::showProgress, Qt::QueuedConnection);
    connect(
        this, &DocumentLoader::readingProgressed, this,
        [this](double fraction) {
            if (m_progressWindow)
                m_progressWindow->setProgress(fraction);
        },
        Qt::QueuedConnection);
}

DocumentLoader::~DocumentLoader()
{
    // A read that has not begun yet is run here, and ends at once.
    m_read.disconnect(this);
    cancel();
    m_read.waitForFinished();
}

void DocumentLoader::start()
{
    connect(&m_read, &QFutureWatcher<void>::finished, this, &DocumentLoader::readingEnded);
    m_read.setFuture(QtConcurrent::run(&readPool(), [this] { read(); }));
    // Shown at once, before the reader has looked at the file: painted
    // while the open is still fresh in the user's mind.
    // By the name's bytes, which the text of the path may not express.
    struct stat status = {};
    const qint64 size = ::stat(m_nativePath.constData(), &status) == 0 ? qint64(status.st_size) : 0;
    showProgress(size);
}

bool DocumentLoader::isRunning() const
{
    return m_read.isRunning();
}

void DocumentLoader::cancel()
{
    m_cancelled = true;
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
        profile->setReadOptions(options);
        ProfileFileData file;
        if (!file.open(m_nativePath)) {
            m_errorString = file.errorString();
            return;
        }
        Q_EMIT readingStarted(file.size());
        if (!profile->readFromFile(file)) {
            m_errorString = profile->errorString();
            return;
        }
        if (!m_cancelled)
            m_profile = std::move(profile);
    } catch (const std::bad_alloc &) {
        m_errorString = tr("Not enough memory to read the file");
    }
}

void DocumentLoader::showProgress(qint64 size)
{
    if (size <= progressThreshold || m_cancelled || !isRunning())
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
    // Cancelled after the read had ended: nothing is kept either.
    if (m_cancelled)
        m_profile.reset();
    m_progressWindow.reset();
    Q_EMIT finished();
}
