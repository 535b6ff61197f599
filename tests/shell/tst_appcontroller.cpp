#include "AlertPresenter.h"
#include "AppController.h"
#include "DocumentController.h"
#include "DocumentWindow.h"
#include "MyDocument.h"
#include "SettingsKeys.h"
#include "SifterStatusController.h"
#include "UpdateCheck.h"

#include <KFUserDefaultsController.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QByteArray profile = "events: Time\n\nfl=/a.php\nfn=leaf\n1 2\n\nfl=/a.php\nfn=main\n1 3\ncfn=leaf\ncalls=1 0 0\n1 2\n\n";

KFUserDefaultsController &defaults()
{
    return KFUserDefaultsController::sharedUserDefaultsController();
}

class RecordingAlerts final : public AlertPresenter
{
public:
    explicit RecordingAlerts(QStringList &alerts) : m_alerts(alerts) {}
    void showWarning(QWidget *, const QString &message, const QString &informativeText) override
    {
        m_alerts << message + QLatin1Char(' ') + informativeText;
    }

private:
    QStringList &m_alerts;
};

QMenu *fileMenu(QMainWindow &window)
{
    const QList<QAction *> menus = window.menuBar()->actions();
    return menus.isEmpty() ? nullptr : menus.first()->menu();
}

QStringList fileMenuItems(QMainWindow &window)
{
    QStringList items;
    QMenu *menu = fileMenu(window);
    if (!menu)
        return items;
    for (const QAction *action : menu->actions()) {
        if (!action->isSeparator())
            items << action->text() + QLatin1Char('|') + action->shortcut().toString();
    }
    return items;
}

} // namespace

class TestAppController : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<AppController> m_controller;
    QStringList m_alerts;

    QString writeProfile(const QString &name)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(profile) != profile.size())
            return {};
        return path;
    }

private Q_SLOTS:
    void init()
    {
        m_alerts.clear();
        m_controller = std::make_unique<AppController>();
        m_controller->documentController().setAlertPresenter(std::make_unique<RecordingAlerts>(m_alerts));
    }

    void cleanup()
    {
        m_controller.reset();
        for (const QString &key : {VTCUpdatesCheckAutomatically, VTCSifterStartOnLaunch, VTCSifterMonitorDirectory,
                                   UpdateCheck::updateServerKey})
            defaults().removeObjectForKey(key);
    }

    void startUpRunsWhatTheSettingsAskFor_data()
    {
        QTest::addColumn<bool>("checkUpdates");
        QTest::addColumn<bool>("startSifter");
        QTest::newRow("first run") << false << false;
        QTest::newRow("updates") << true << false;
        QTest::newRow("watcher") << false << true;
        QTest::newRow("both") << true << true;
    }

    void startUpRunsWhatTheSettingsAskFor()
    {
        QFETCH(bool, checkUpdates);
        QFETCH(bool, startSifter);
        QTcpServer updateServer; // accepts and never answers: the check stays in flight
        QVERIFY(updateServer.listen(QHostAddress::LocalHost));
        defaults().setObjectForKey(QStringLiteral("http://127.0.0.1:%1").arg(updateServer.serverPort()),
                                   UpdateCheck::updateServerKey);
        defaults().setObjectForKey(m_dir.path(), VTCSifterMonitorDirectory);
        defaults().setObjectForKey(checkUpdates, VTCUpdatesCheckAutomatically);
        defaults().setObjectForKey(startSifter, VTCSifterStartOnLaunch);

        m_controller->awakeFromNib();
        QCOMPARE(m_controller->updateCheck().isChecking(), checkUpdates);
        SifterStatusController *sifter = m_controller->sifterStatusController();
        QCOMPARE(sifter != nullptr, startSifter);
        if (sifter) {
            // Running, without a window until the user asks for it.
            QVERIFY(sifter->sifterIsRunning());
            QVERIFY(!sifter->window());
            m_controller->showSifterStatus();
            QCOMPARE(m_controller->sifterStatusController(), sifter);
            QVERIFY(sifter->window() && sifter->window()->isVisible());
        }
        // The defaults are registered by then.
        QCOMPARE(defaults().integerForKey(VTCMeasurement), 1);
    }

    void theWatcherWindowCreatesAStoppedWatcher()
    {
        defaults().setObjectForKey(m_dir.path(), VTCSifterMonitorDirectory);
        m_controller->showSifterStatus();
        SifterStatusController *sifter = m_controller->sifterStatusController();
        QVERIFY(sifter && !sifter->sifterIsRunning());
        QVERIFY(sifter->window()->isVisible());
        // The watcher window carries the main menu too.
        QCOMPARE(fileMenuItems(*sifter->window()).first(), QStringLiteral("&Open\u2026|Ctrl+O"));
    }

    void withoutFilesTheStartWindowCarriesTheMenu()
    {
        m_controller->openStartupFiles({});
        QMainWindow *start = m_controller->startWindow();
        QVERIFY(start && start->isVisible());
        QCOMPARE(fileMenuItems(*start), QStringList({"&Open\u2026|Ctrl+O", "Open &Recent|", "&Close|Ctrl+W",
                                                     "&Quit|Ctrl+Q"}));
        QStringList menus;
        for (const QAction *menu : start->menuBar()->actions())
            menus << menu->text();
        QCOMPARE(menus, QStringList({"&File", "&Edit", "&Window", "&Help"}));
    }

    void eachFileOpensInItsOwnWindowWithTheMenu()
    {
        const QString first = writeProfile(QStringLiteral("first.cachegrind"));
        const QString second = writeProfile(QStringLiteral("second.cachegrind"));
        m_controller->openStartupFiles({first, second, first});
        const QList<MyDocument *> documents = m_controller->documentController().documents();
        QCOMPARE(documents.size(), 2);
        for (MyDocument *document : documents) {
            QVERIFY(document->window()->isVisible());
            QCOMPARE(fileMenuItems(*document->window()).size(), 4);
        }
        QCOMPARE(documents.first()->window()->windowTitle(), QStringLiteral("first.cachegrind"));
        QVERIFY(!m_controller->startWindow());
        QVERIFY(m_alerts.isEmpty());
    }

    void aFileThatFailsLeavesTheStartWindowAndTheOthers()
    {
        const QString good = writeProfile(QStringLiteral("good.cachegrind"));
        m_controller->openStartupFiles({m_dir.filePath(QStringLiteral("gone.cachegrind"))});
        QCOMPARE(m_alerts.size(), 1);
        QVERIFY(m_alerts.first().contains(QStringLiteral("gone.cachegrind")));
        QVERIFY(m_controller->startWindow() && m_controller->startWindow()->isVisible());

        m_controller->openFiles({QUrl::fromLocalFile(good), QUrl::fromLocalFile(m_dir.path())});
        QCOMPARE(m_alerts.size(), 2);
        QCOMPARE(m_controller->documentController().documents().size(), 1);
        QTRY_VERIFY(!m_controller->startWindow());
    }

    void droppedFilesOpen()
    {
        m_controller->openStartupFiles({});
        QMainWindow *start = m_controller->startWindow();
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(writeProfile(QStringLiteral("dropped.cachegrind"))),
                      QUrl(QStringLiteral("https://example.org/x"))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(start, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(start, &drop);
        QCOMPARE(m_controller->documentController().documents().size(), 1);
        QCOMPARE(m_controller->documentController().documents().first()->displayName(),
                 QStringLiteral("dropped.cachegrind"));

        // A drag without local files is refused.
        QMimeData text;
        text.setText(QStringLiteral("not a file"));
        QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, {});
        refused.setAccepted(false);
        QApplication::sendEvent(m_controller->documentController().documents().first()->window(), &refused);
        QVERIFY(!refused.isAccepted());
    }

    void openCloseAndRecentMenuItems()
    {
        const QString path = writeProfile(QStringLiteral("chosen.cachegrind"));
        m_controller->setOpenPanel([path](QWidget *) { return QList<QUrl>{QUrl::fromLocalFile(path)}; });
        m_controller->openAction()->trigger();
        QCOMPARE(m_controller->documentController().documents().size(), 1);
        MyDocument *document = m_controller->documentController().documents().first();

        QMenu *recent = fileMenu(*document->window())->actions().at(1)->menu();
        QVERIFY(recent);
        Q_EMIT recent->aboutToShow();
        QCOMPARE(recent->actions().first()->text(), QStringLiteral("chosen.cachegrind"));

        document->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(document->window()));
        m_controller->closeAction()->trigger();
        QVERIFY(m_controller->documentController().documents().isEmpty());
        // Opening it again from the recent menu.
        recent = nullptr;
        m_controller->openStartupFiles({});
        QMenu *startRecent = fileMenu(*m_controller->startWindow())->actions().at(1)->menu();
        Q_EMIT startRecent->aboutToShow();
        startRecent->actions().first()->trigger();
        QCOMPARE(m_controller->documentController().documents().size(), 1);
    }

    void terminationWritesTheSettings()
    {
        defaults().setObjectForKey(2, VTCMeasurement);
        m_controller->applicationWillTerminate();
        QVERIFY(QFile::exists(defaults().storeFileName()));
        defaults().removeObjectForKey(VTCMeasurement);
    }
};

QTEST_MAIN(TestAppController)
#include "tst_appcontroller.moc"
