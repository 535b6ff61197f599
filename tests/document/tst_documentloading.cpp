#include "DocumentTestSupport.h"

#include "RecordingAlertPresenter.h"
#include "DocumentController.h"
#include "DocumentLoader.h"
#include "DocumentOpening.h"
#include "DocumentWindow.h"
#include "MyDocument.h"
#include "Profile.h"
#include "ProgressWindow.h"
#include "SettingsKeys.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <sys/stat.h>

#include <atomic>
#include <fcntl.h>
#include <memory>
#include <thread>
#include <unistd.h>

namespace {

// A profile of about `megabytes` MB: many records of one caller each.
QByteArray largeProfile(int megabytes)
{
    QByteArray text = profileHeader();
    text.reserve(megabytes << 20);
    for (int i = 0; text.size() < (megabytes << 20); ++i)
        text += record("/a.php", "leaf" + QByteArray::number(i % 97), 1, 1)
            + record("/a.php", "caller", 2, 3, { "leaf" + QByteArray::number(i % 97) });
    return text;
}

bool progressWindowShown()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.begin(), windows.end(),
        [](const QWidget *window) { return qobject_cast<const ProgressWindow *>(window) && window->isVisible(); });
}

// Opens the FIFO for writing if nobody has stopped it after a while, so that a
// reader blocked on it goes on and the test fails instead of hanging.
class FifoWatchdog
{
public:
    explicit FifoWatchdog(const QString &fifo)
        : m_thread([this, path = QFile::encodeName(fifo)] {
            for (int i = 0; i < 100 && !m_stop; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (m_stop)
                return;
            m_fired = true;
            const int fd = ::open(path.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        })
    { }
    ~FifoWatchdog()
    {
        m_stop = true;
        m_thread.join();
    }
    bool fired() const { return m_fired; }

private:
    std::atomic_bool m_stop = false;
    std::atomic_bool m_fired = false;
    std::thread m_thread;
};

} // namespace

// Files are read on other threads: the progress window, cancelling, failures,
// several reads at once, and what reaches the registry.
class TestDocumentLoading : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_large;
    std::unique_ptr<DocumentController> m_registry;
    QStringList m_alerts;

    QString write(const QString &name, const QByteArray &contents)
    {
        QFile file(m_dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size() ? file.fileName() : QString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        registerSettingsDefaults();
        m_large = write(QStringLiteral("large.cachegrind"), largeProfile(6));
        QVERIFY(!m_large.isEmpty());
    }

    void init()
    {
        m_alerts.clear();
        m_registry = std::make_unique<DocumentController>();
        m_registry->setAlertPresenter(std::make_unique<RecordingAlertPresenter>(m_alerts));
        m_registry->clearRecentDocuments();
    }

    void cleanup()
    {
        m_registry.reset();
        QVERIFY(!progressWindowShown());
    }

    // The window is there as the read starts; the reading thread's reports
    // reach it in order, queued to this thread, the last one full.
    void progressReachesTheWindowInOrder()
    {
        DocumentLoader loader(m_large, DocumentLoader::availableMemory());
        QList<double> remaining;
        QList<bool> onReadingThread;
        connect(&loader, &DocumentLoader::readingProgressed, this, [&](double value) { remaining << value; });
        connect(
            &loader, &DocumentLoader::readingProgressed, this,
            [&] { onReadingThread << (QThread::currentThread() != thread()); }, Qt::DirectConnection);
        QSignalSpy started(&loader, &DocumentLoader::readingStarted);
        QSignalSpy finished(&loader, &DocumentLoader::finished);
        loader.start();
        QVERIFY(loader.progressWindow() && loader.progressWindow()->isVisible());
        QCOMPARE(loader.progressWindow()->windowTitle(), QStringLiteral("Reading \u201clarge.cachegrind\u201d"));
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);

        QCOMPARE(started.size(), 1);
        QCOMPARE(started.first().at(1).toDouble(), double(QFileInfo(m_large).size()));
        QVERIFY(!remaining.isEmpty());
        QVERIFY(std::is_sorted(remaining.rbegin(), remaining.rend()));
        QCOMPARE(remaining.last(), 0.0);
        QVERIFY(!onReadingThread.contains(false));
        QVERIFY(!loader.progressWindow());
        const std::unique_ptr<Profile> profile = loader.takeProfile();
        QVERIFY(profile && profile->rootFunction());
    }

    // Cancel, from the window or the caller, keeps nothing: no document, no window, no recent file.
    void cancelledAndFailedReadsLeaveNothing_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("alert");
        QTest::newRow("Cancel button") << "large"
                                       << "button"
                                       << "";
        QTest::newRow("window closed") << "large"
                                       << "close"
                                       << "";
        QTest::newRow("missing file") << "missing.cachegrind"
                                      << ""
                                      << "No such file or directory.";
    }

    void cancelledAndFailedReadsLeaveNothing()
    {
        QFETCH(QString, file);
        QFETCH(QString, how);
        QFETCH(QString, alert);
        const QString path = file == QLatin1String("large") ? m_large : m_dir.filePath(file);
        QSignalSpy finished(m_registry.get(), &DocumentController::openFinished);
        m_registry->openDocuments({ QUrl::fromLocalFile(path) });
        QVERIFY(m_registry->isOpening(QUrl::fromLocalFile(path)));
        if (!how.isEmpty()) {
            QTRY_VERIFY(progressWindowShown());
            for (QWidget *window : QApplication::topLevelWidgets()) {
                if (auto *progress = qobject_cast<ProgressWindow *>(window)) {
                    if (how == QLatin1String("button"))
                        progress->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
                    else
                        progress->close();
                }
            }
            QVERIFY(!progressWindowShown()); // at once
        }
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
        QCOMPARE(finished.first().at(1).value<MyDocument *>(), nullptr);
        QCOMPARE(finished.first().at(2).toString().isEmpty(), alert.isEmpty());
        QCOMPARE(m_alerts,
            alert.isEmpty() ? QStringList()
                            : QStringList("The file \u201c" + path + "\u201d could not be opened.|" + alert));
        QVERIFY(m_registry->documents().isEmpty());
        QCOMPARE(m_registry->readsInProgress(), 0);
        QVERIFY(m_registry->recentDocumentPaths().isEmpty());
    }

    // Other windows go on while files are read; each read ends in its own window.
    void severalReadsAtOnce()
    {
        const QString small = write(QStringLiteral("small.cachegrind"), record("/a.php", "main", 1, 1));
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(5);
        m_registry->openDocuments({ QUrl::fromLocalFile(m_large), QUrl::fromLocalFile(small) });
        m_registry->openDocumentWithContentsOfURL(QUrl::fromLocalFile(m_large)); // already being read
        QCOMPARE(m_registry->readsInProgress(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(m_registry->documents().size(), 2, 60000);
        QVERIFY(ticks > 0);
        for (MyDocument *document : m_registry->documents())
            QVERIFY(document->window()->isVisible() && document->rootFunction());
        QVERIFY(m_alerts.isEmpty());
    }

    // A read that runs short of memory fails like any other; the documents open stay as they were.
    void aShortageOfMemoryFailsTheOpenOnly()
    {
        MyDocument *open = openAndWait(*m_registry, write(QStringLiteral("open.cachegrind"), workedExample));
        QVERIFY(open);
        m_registry->setMemoryLimit(64 << 10);
        m_registry->openDocuments({ QUrl::fromLocalFile(m_large) });
        QVERIFY(waitForReads(*m_registry));
        QCOMPARE(m_alerts,
            QStringList(
                "The file \u201c" + m_large + "\u201d could not be opened.|Not enough memory to read the file."));
        QCOMPARE(m_registry->documents(), QList<MyDocument *>({ open }));
        QVERIFY(open->window()->isVisible());
        open->myOutlineViewDoubleClick(0);
        QCOMPARE(open->outlineModel()->rowCount(), 1);
    }

    // Only regular files are read: anything else is refused at once, never waited for.
    void onlyRegularFilesAreRead_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("named pipe") << "fifo";
        QTest::newRow("device") << "device";
        QTest::newRow("directory") << "directory";
    }

    void onlyRegularFilesAreRead()
    {
        QFETCH(QString, kind);
        QString path = QStringLiteral("/dev/zero");
        if (kind == QLatin1String("fifo")) {
            path = m_dir.filePath(QStringLiteral("cachegrind.out.fifo"));
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        } else if (kind == QLatin1String("directory")) {
            path = m_dir.filePath(QStringLiteral("cachegrind.out.dir"));
            QVERIFY(QDir().mkpath(path));
        }
        const FifoWatchdog watchdog(path);
        QSignalSpy finished(m_registry.get(), &DocumentController::openFinished);
        m_registry->openDocuments({ QUrl::fromLocalFile(path) });
        QCOMPARE(finished.size(), 1); // at once
        QVERIFY(!watchdog.fired());
        QCOMPARE(m_alerts, QStringList("The file \u201c" + path + "\u201d could not be opened.|Not a regular file."));
        QVERIFY(m_registry->documents().isEmpty());

        // Put in a regular file's place after that look, it is refused by the reader.
        DocumentLoader loader(path, DocumentLoader::availableMemory());
        QSignalSpy loaded(&loader, &DocumentLoader::finished);
        loader.start();
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 1, 10000);
        QVERIFY(!watchdog.fired());
        QCOMPARE(loader.errorString(), QStringLiteral("Not a regular file"));
        QVERIFY(!loader.takeProfile());
    }
};

QTEST_MAIN(TestDocumentLoading)
#include "tst_documentloading.moc"
