#include "DataColumns.h"
#include "RecordingAlertPresenter.h"
#include "TestDefaults.h"
#include "TestProfiles.h"

#include "AppController.h"
#include "ComparisonController.h"
#include "ComparisonWindow.h"
#include "DocumentController.h"
#include "DocumentWindow.h"
#include "MyDocument.h"
#include "PreferenceController.h"
#include "SettingsKeys.h"
#include "SifterStatusController.h"
#include "SifterWatcher.h"
#include "UpdateCheck.h"

#include <KFPreferencePane.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>

namespace {

// The menu of the menu bar at `index`, about to be shown.
QMenu *menu(QMainWindow *window, int index)
{
    QMenu *menu = window->menuBar()->actions().value(index)->menu();
    Q_EMIT menu->aboutToShow();
    return menu;
}

// "text|shortcut" of each item of that menu, with "*" after the checked one.
QStringList menuItems(QMainWindow *window, int index = 0)
{
    QStringList items;
    for (const QAction *action : menu(window, index)->actions()) {
        if (!action->isSeparator())
            items << action->text() + QLatin1Char('|') + action->shortcut().toString()
                    + (action->isChecked() ? QStringLiteral("*") : QString());
    }
    return items;
}

// Runs the main loop until the application quits (true) or a second has passed (false).
bool quitsWhile(const std::function<void()> &action)
{
    QTimer::singleShot(0, action);
    QTimer::singleShot(1000, [] { QCoreApplication::exit(1); });
    return QCoreApplication::exec() == 0;
}

const QStringList expectedFileMenu { "&Open\u2026|Ctrl+O", "Open &Recent|", "Re&load|F5", "Compare &With\u2026|",
    "&Close|Ctrl+W", "&Quit|Ctrl+Q" };

template <class Control> Control *control(PreferenceController &controller, const char *pane, const char *name)
{
    controller.setPane(QLatin1String(pane), false);
    Control *found = controller.pane(QLatin1String(pane))->loadedView()->findChild<Control *>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

} // namespace

class TestAppController : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<AppController> m_controller;
    QStringList m_alerts;

    QString writeProfile(const QString &name) { return writeFile(m_dir.filePath(name), workedExample); }

    QList<MyDocument *> documents() const { return m_controller->documentController().documents(); }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        registerSettingsDefaults();
    }

    void init()
    {
        // Every preference pane's form loads: no blank view.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("unabled to load nib")));
        m_alerts.clear();
        m_controller = std::make_unique<AppController>();
        m_controller->documentController().setAlertPresenter(std::make_unique<RecordingAlertPresenter>(m_alerts));
        m_controller->documentController().clearRecentDocuments();
        defaults().setObjectForKey(m_dir.path(), VTCSifterMonitorDirectory);
    }

    void cleanup()
    {
        m_controller.reset();
        for (const QString &key : { VTCMeasurement, VTCDisplayDash, VTCCallStackShowsInternalPhpFunctions,
                 VTCSummaryShowsInternalPhpFunctions, VTCUpdatesCheckAutomatically, VTCSifterStartOnLaunch,
                 VTCSifterMonitorDirectory, UpdateCheck::updateServerKey, VTCSifterRegex, VTCSifterRegexUseCustom })
            defaults().removeObjectForKey(key);
    }

    void startUpRunsWhatTheSettingsAskFor_data()
    {
        addColumns<bool, bool>("checkUpdates", "startSifter");
        QTest::newRow("first run") << false << false;
        QTest::newRow("updates") << true << false;
        QTest::newRow("watcher") << false << true;
    }

    void startUpRunsWhatTheSettingsAskFor()
    {
        QFETCH(bool, checkUpdates);
        QFETCH(bool, startSifter);
        QTcpServer updateServer; // accepts and never answers: the check stays in flight
        QVERIFY(updateServer.listen(QHostAddress::LocalHost));
        defaults().setObjectForKey(
            QStringLiteral("http://127.0.0.1:%1").arg(updateServer.serverPort()), UpdateCheck::updateServerKey);
        defaults().setObjectForKey(checkUpdates, VTCUpdatesCheckAutomatically);
        defaults().setObjectForKey(startSifter, VTCSifterStartOnLaunch);

        m_controller->awakeFromNib();
        QCOMPARE(defaults().integerForKey(VTCMeasurement), 1); // defaults registered
        QCOMPARE(m_controller->updateCheck().isChecking(), checkUpdates);
        SifterWatcher *sifter = m_controller->sifterWatcher();
        QCOMPARE(sifter != nullptr, startSifter);
        QVERIFY(!m_controller->sifterStatusController()); // started without a window
        m_controller->showSifterStatus();
        QVERIFY(!sifter || m_controller->sifterWatcher() == sifter);
        QCOMPARE(m_controller->sifterWatcher()->sifterIsRunning(), startSifter);
        QMainWindow *window = m_controller->sifterStatusController()->window();
        QVERIFY(window->isVisible());
        QCOMPARE(menuItems(window), expectedFileMenu);
    }

    void eachFileOpensInItsOwnWindow()
    {
        const QString first = writeProfile(QStringLiteral("first.cachegrind"));
        m_controller->openStartupFiles({ first, writeProfile(QStringLiteral("second.cachegrind")), first });
        QTRY_COMPARE(documents().size(), 2);
        QStringList titles; // in the order their reads ended
        for (MyDocument *document : documents()) {
            QVERIFY(document->window()->isVisible());
            QCOMPARE(menuItems(document->window()), expectedFileMenu);
            titles << document->window()->windowTitle();
            QCOMPARE(menuItems(document->window(), 1),
                QStringList({ "&Find…|Ctrl+F", "Find &Next|F3", "Find Pre&vious|Shift+F3", "&Preferences…|Ctrl+," }));
        }
        titles.sort();
        QCOMPARE(titles, QStringList({ "first.cachegrind", "second.cachegrind" }));
        QVERIFY(!m_controller->startWindow());
        QVERIFY(m_alerts.isEmpty());
    }

    void failingOpensLeaveTheAppWorking()
    {
        m_controller->openStartupFiles({ m_dir.filePath(QStringLiteral("gone.cachegrind")) });
        QTRY_COMPARE(m_alerts.size(), 1);
        QVERIFY(m_alerts.first().contains(QStringLiteral("gone.cachegrind")));
        QMainWindow *start = m_controller->startWindow();
        QVERIFY(start && start->isVisible());
        QCOMPARE(menuItems(start), expectedFileMenu);

        QMimeData mime; // a profile, a directory and a remote page
        mime.setUrls({ QUrl::fromLocalFile(writeProfile(QStringLiteral("dropped.cachegrind"))),
            QUrl::fromLocalFile(m_dir.path()), QUrl(QStringLiteral("https://example.org/x")) });
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(start, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(start, &drop);
        QTRY_COMPARE(m_alerts.size(), 2);
        QTRY_COMPARE(documents().size(), 1);
        QCOMPARE(documents().first()->displayName(), QStringLiteral("dropped.cachegrind"));
        QTRY_VERIFY(!m_controller->startWindow());
    }

    void theWindowMenuSwitchesBetweenDocuments()
    {
        const QString first = writeProfile(QStringLiteral("a&b.cachegrind"));
        m_controller->openStartupFiles({ first });
        QTRY_COMPARE(documents().size(), 1);
        m_controller->openStartupFiles({ writeProfile(QStringLiteral("second.cachegrind")) });
        QTRY_COMPARE(documents().size(), 2);
        QMainWindow *window = documents().first()->window();
        QCOMPARE(menuItems(window, 4), QStringList({ "&Sifter|", "a&&b.cachegrind|", "second.cachegrind|*" }));
        menu(window, 4)->actions().at(2)->trigger();
        QCOMPARE(m_controller->frontDocument(), documents().first());
        QVERIFY(QTest::qWaitForWindowActive(window));
        QCOMPARE(menuItems(documents().last()->window(), 4),
            QStringList({ "&Sifter|", "a&&b.cachegrind|*", "second.cachegrind|" }));
    }

    // Closing the last document brings the start window back; only Quit, or closing
    // the start window with no document open, ends the application.
    void theLastWindowDecidesNothingButTheStartWindowDoes_data()
    {
        addColumns<QString, bool, bool>("action", "quits", "startWindowAfter");
        QTest::newRow("close the last document") << "close document" << false << true;
        QTest::newRow("close it with the watcher open") << "close document, watcher open" << false << true;
        QTest::newRow("close the start window") << "close start window" << true << false;
        QTest::newRow("Quit with a document open") << "quit" << true << false;
    }

    void theLastWindowDecidesNothingButTheStartWindowDoes()
    {
        QFETCH(QString, action);
        m_controller->openStartupFiles({ writeProfile(QStringLiteral("only.cachegrind")) });
        QTRY_COMPARE(documents().size(), 1);
        if (action.endsWith(QLatin1String("watcher open")))
            m_controller->showSifterStatus();
        MyDocument *document = documents().first();
        const bool quit = quitsWhile([&] {
            if (action.startsWith(QLatin1String("close document"))) {
                document->window()->close();
            } else if (action == QLatin1String("close start window")) {
                document->window()->close();
                m_controller->startWindow()->close();
            } else {
                m_controller->quitAction()->trigger();
            }
        });
        QTEST(quit, "quits");
        QVERIFY(documents().isEmpty());
        QTEST(m_controller->startWindow() && m_controller->startWindow()->isVisible(), "startWindowAfter");
    }

    // The recent files keep a name's bytes: one that is not valid text, as
    // a file dialog hands it over, opens again from Open Recent, also once
    // the settings were written and read back.
    void openCloseAndRecentMenuItems()
    {
        const QByteArray path = QFile::encodeName(m_dir.filePath(QStringLiteral("chosen."))) + '\xff';
        FILE *file = std::fopen(path.constData(), "w");
        QVERIFY(file && std::fputs(workedExample.constData(), file) >= 0 && std::fclose(file) == 0);
        const QUrl url = QUrl::fromEncoded("file://" + path.toPercentEncoding("/"));
        m_controller->setOpenPanel([url](QWidget *) { return QList<QUrl> { url }; });
        m_controller->openAction()->trigger();
        QTRY_COMPARE(documents().size(), 1);
        QMainWindow *window = documents().first()->window();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        m_controller->closeAction()->trigger();
        QVERIFY(documents().isEmpty());
        defaults().synchronize();
        const QVariant stored
            = QSettings(defaults().storeFileName(), QSettings::IniFormat).value("recentDocumentPaths");
        QCOMPARE(stored.toList().value(0).toByteArray(), path);

        const auto recentItems = [this] {
            QMenu *recent = menu(m_controller->startWindow(), 0)->actions().at(1)->menu();
            Q_EMIT recent->aboutToShow();
            return recent->actions();
        };
        QCOMPARE(recentItems().first()->text(), QStringLiteral("chosen.\ufffd"));
        recentItems().first()->trigger();
        QTRY_COMPARE(documents().size(), 1);

        // Gone when picked, it leaves the menu after its alert.
        QCOMPARE(::unlink(path.constData()), 0);
        documents().first()->window()->close();
        recentItems().first()->trigger();
        QTRY_COMPARE(m_alerts.size(), 1);
        QVERIFY(m_alerts.first().contains(m_dir.filePath(QStringLiteral("chosen."))));
        QCOMPARE(recentItems().first()->text(), QStringLiteral("Clear Menu"));
    }

    void compareWithTheFrontDocument()
    {
        const QString first = writeProfile(QStringLiteral("first.cachegrind"));
        const QString second = writeProfile(QStringLiteral("second.cachegrind"));
        QAction *compare = m_controller->compareAction();
        m_controller->setComparePanel([second](QWidget *) { return QList<QUrl> { QUrl::fromLocalFile(second) }; });
        m_controller->openStartupFiles({});
        QVERIFY(QTest::qWaitForWindowActive(m_controller->startWindow()));
        QVERIFY(!compare->isEnabled());
        compare->trigger();
        QVERIFY(documents().isEmpty());

        m_controller->openStartupFiles({ first });
        QTRY_COMPARE(documents().size(), 1);
        QMainWindow *window = documents().first()->window();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QVERIFY(compare->isEnabled());
        compare->trigger();
        QTRY_COMPARE(m_controller->comparisonController().windows().size(), 1);
        const QList<ComparisonWindow *> comparisons = m_controller->comparisonController().windows();
        QCOMPARE(documents().size(), 2);
        QCOMPARE(
            comparisons.first()->windowTitle(), QStringLiteral("first.cachegrind → second.cachegrind — Comparison"));
        QCOMPARE(menuItems(comparisons.first()), expectedFileMenu);
        QVERIFY(QTest::qWaitForWindowActive(comparisons.first()));
        // Listed after the documents, checked while in front.
        QCOMPARE(menuItems(comparisons.first(), 2).mid(1),
            QStringList(
                { "first.cachegrind|", "second.cachegrind|", "first.cachegrind → second.cachegrind — Comparison|*" }));
        QVERIFY(!compare->isEnabled());
        comparisons.first()->close();
        QTRY_VERIFY(m_controller->comparisonController().windows().isEmpty());
        QCOMPARE(documents().size(), 2);
    }

    void terminationWritesTheSettings()
    {
        defaults().setObjectForKey(2, VTCMeasurement);
        m_controller->applicationWillTerminate();
        QVERIFY(QFile::exists(defaults().storeFileName()));
    }

    void fourPanesThatFitTheWindow()
    {
        PreferenceController controller;
        controller.showWindow();
        QCOMPARE(controller.toolbar()->actions().size(), 4);
        for (QAction *action : controller.toolbar()->actions()) {
            QVERIFY(!action->icon().isNull());
            controller.setPane(action->text(), false);
            QWidget *view = controller.pane(action->text())->loadedView();
            QVERIFY(view->width() >= view->minimumSizeHint().width());
            QVERIFY(view->height() >= view->minimumSizeHint().height());
            QCOMPARE(
                controller.window()->size(), QSize(view->width(), view->height() + controller.toolbar()->height()));
        }
    }

    void controlChangesReachTheSettings()
    {
        PreferenceController controller;
        controller.showWindow();
        QSignalSpy stored(&defaults(), &KFUserDefaultsController::valueChanged);
        control<QComboBox>(controller, "General", "measurementPopUp")->setCurrentIndex(0);
        control<QCheckBox>(controller, "General", "displayDashCheckbox")->click();
        control<QCheckBox>(controller, "General", "callStackShowsInternalPhpFunctionsCheckbox")->click();
        control<QCheckBox>(controller, "General", "summaryShowsInternalPhpFunctionsCheckbox")->click();
        control<QCheckBox>(controller, "Updates", "updatesCheckAutomaticallyCheckbox")->click();
        QStringList changes;
        for (const QList<QVariant> &change : stored)
            changes << change[0].toString() + QLatin1Char('=') + change[1].toString();
        QCOMPARE(changes,
            QStringList({ "measurement=0", "displayDash=false", "callStackShowsInternalPhpFunctions=false",
                "summaryShowsInternalPhpFunctions=false", "updatesCheckAutomatically=true" }));
    }

    void anEditInProgressIsKeptWhenThePanesAreRebuilt()
    {
        defaults().setObjectForKey(true, VTCSifterRegexUseCustom);
        PreferenceController controller;
        controller.showWindow();
        auto *field = control<QLineEdit>(controller, "Sifter", "fileMatchEdit");
        QVERIFY(QTest::qWaitForWindowActive(controller.window()));
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("profile\\..*"));
        controller.showWindow();
        QCOMPARE(defaults().stringForKey(VTCSifterRegex), QStringLiteral("profile\\..*"));
    }

    // Panes are rebuilt at each showing; the button must stay connected.
    void checkNowReachesTheListenerAfterEachShowing()
    {
        PreferenceController controller;
        QSignalSpy requested(&controller, &PreferenceController::checkForUpdatesRequested);
        for (int showing = 1; showing <= 2; ++showing) {
            controller.showWindow();
            control<QPushButton>(controller, "Updates", "checkNowButton")->click();
            QCOMPARE(requested.size(), showing);
        }
    }
};

QTEST_MAIN(TestAppController)
#include "tst_appcontroller.moc"
