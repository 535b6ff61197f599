#include "PreferenceController.h"
#include "PreferencePaneGeneral.h"
#include "PreferencePaneSoftwareUpdate.h"
#include "SettingsKeys.h"

#include <KFSharedDefaultsObserver.h>
#include <KFUserDefaultsController.h>

#include <QAbstractAnimation>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QToolBar>

namespace {

KFUserDefaultsController &settings()
{
    return KFUserDefaultsController::sharedUserDefaultsController();
}

// Stands for an open document: records the changes of the display settings.
class DisplayObserver : public KFSharedDefaultsObserver
{
public:
    DisplayObserver()
    {
        for (const QString &key : { VTCMeasurement, VTCDisplayDash, VTCCallStackShowsInternalPhpFunctions,
                 VTCSummaryShowsInternalPhpFunctions, VTCUpdatesCheckAutomatically })
            addObserverSharedUserDefaults(key);
    }
    void observeValueForKeyPath(const QString &keyPath, QObject *, const QVariantMap &change, void *) override
    {
        changes.append(keyPath + QLatin1Char('=') + change.value(QStringLiteral("new")).toString());
    }
    QStringList changes;
};

template <class Control> Control *control(KFPreferencePane *pane, const char *name)
{
    Control *found = pane->loadedView()->findChild<Control *>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

} // namespace

class TestPreferenceController : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        registerSettingsDefaults();
    }

    void init()
    {
        // Every pane's form loads: no blank view.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("unabled to load nib")));
    }

    void cleanup()
    {
        for (const QString &key : { VTCMeasurement, VTCDisplayDash, VTCCallStackShowsInternalPhpFunctions,
                 VTCSummaryShowsInternalPhpFunctions, VTCUpdatesCheckAutomatically })
            settings().removeObjectForKey(key);
    }

    void threePanesInOrder()
    {
        PreferenceController controller;
        controller.showWindow();
        QCOMPARE(controller.toolbarDefaultItemIdentifiers(), QStringList({ "General", "Sifter", "Updates" }));
        QStringList items;
        for (QAction *action : controller.toolbar()->actions()) {
            items.append(action->text());
            QVERIFY(!action->icon().isNull());
        }
        QCOMPARE(items, QStringList({ "General", "Sifter", "Updates" }));
        QCOMPARE(controller.pane("General")->nibName(), QStringLiteral("PreferencesGeneral"));
        QCOMPARE(controller.pane("Sifter")->nibName(), QStringLiteral("PreferencesSifter"));
        QCOMPARE(controller.pane("Updates")->nibName(), QStringLiteral("PreferencesUpdates"));
        QCOMPARE(controller.window()->windowTitle(), QStringLiteral("General"));

        // Each form's view fits the window below the toolbar.
        for (const QString &identifier : controller.toolbarDefaultItemIdentifiers()) {
            controller.setPane(identifier, false);
            QWidget *view = controller.pane(identifier)->loadedView();
            QVERIFY(view->width() >= view->minimumSizeHint().width());
            QVERIFY(view->height() >= view->minimumSizeHint().height());
            QCOMPARE(
                controller.window()->size(), QSize(view->width(), view->height() + controller.toolbar()->height()));
        }
    }

    void sifterPreferencesOpenWithoutAnimation()
    {
        // As the watcher window's button opens them: show, then the Sifter
        // pane at once.
        PreferenceController controller;
        controller.showWindow();
        controller.setPane(QStringLiteral("Sifter"), false);
        QCOMPARE(controller.viewAnimation()->state(), QAbstractAnimation::Stopped);
        QCOMPARE(controller.window()->windowTitle(), QStringLiteral("Sifter"));
        const QList<QWidget *> shown
            = controller.contentSubview()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
        QCOMPARE(shown, QList<QWidget *>({ controller.pane("Sifter")->loadedView() }));
    }

    void controlChangesReachObservers()
    {
        PreferenceController controller;
        controller.showWindow();
        DisplayObserver document;

        KFPreferencePane *general = controller.pane("General");
        control<QComboBox>(general, "measurementPopUp")->setCurrentIndex(0);
        control<QCheckBox>(general, "displayDashCheckbox")->click();
        control<QCheckBox>(general, "callStackShowsInternalPhpFunctionsCheckbox")->click();
        control<QCheckBox>(general, "summaryShowsInternalPhpFunctionsCheckbox")->click();
        controller.setPane(QStringLiteral("Updates"), false);
        control<QCheckBox>(controller.pane("Updates"), "updatesCheckAutomaticallyCheckbox")->click();

        QCOMPARE(document.changes,
            QStringList(
                { "values.measurement=0", "values.displayDash=false", "values.callStackShowsInternalPhpFunctions=false",
                    "values.summaryShowsInternalPhpFunctions=false", "values.updatesCheckAutomatically=true" }));
        QCOMPARE(settings().integerForKey(VTCMeasurement), 0);
        QVERIFY(!settings().boolForKey(VTCDisplayDash));
        QVERIFY(settings().boolForKey(VTCUpdatesCheckAutomatically));

        // A change made elsewhere shows in the open pane.
        settings().setObjectForKey(1, VTCMeasurement);
        QCOMPARE(control<QComboBox>(general, "measurementPopUp")->currentIndex(), 1);
    }

    void anEditInProgressIsKeptWhenThePanesAreRebuilt()
    {
        settings().setObjectForKey(true, VTCSifterRegexUseCustom);
        PreferenceController controller;
        controller.showWindow();
        controller.setPane(QStringLiteral("Sifter"), false);
        QVERIFY(QTest::qWaitForWindowActive(controller.window()));
        auto *field = control<QLineEdit>(controller.pane("Sifter"), "fileMatchEdit");
        field->setFocus();
        QVERIFY(field->hasFocus());
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("profile\\..*"));
        QCOMPARE(settings().stringForKey(VTCSifterRegex), QStringLiteral("cachegrind\\..*"));

        controller.showWindow();
        QCOMPARE(settings().stringForKey(VTCSifterRegex), QStringLiteral("profile\\..*"));
        settings().removeObjectForKey(VTCSifterRegex);
        settings().removeObjectForKey(VTCSifterRegexUseCustom);
    }

    void checkNowReachesTheWindowsListener()
    {
        PreferenceController controller;
        QSignalSpy requested(&controller, &PreferenceController::checkForUpdatesRequested);
        // Panes are rebuilt at each showing; each click is one request.
        for (int showing = 1; showing <= 2; ++showing) {
            controller.showWindow();
            controller.setPane(QStringLiteral("Updates"), false);
            KFPreferencePane *updates = controller.pane("Updates");
            auto *button = control<QPushButton>(updates, "checkNowButton");
            QCOMPARE(button->text(), QStringLiteral("Check Now"));
            button->click();
            QCOMPARE(requested.size(), showing);
        }
    }
};

QTEST_MAIN(TestPreferenceController)
#include "tst_preferencecontroller.moc"
