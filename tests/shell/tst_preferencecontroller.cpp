#include "TestDefaults.h"
#include "PreferenceController.h"
#include "SettingsKeys.h"

#include <KFPreferencePane.h>
#include <KFSharedDefaultsObserver.h>

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

const QStringList displayKeys { VTCMeasurement, VTCDisplayDash, VTCCallStackShowsInternalPhpFunctions,
    VTCSummaryShowsInternalPhpFunctions, VTCUpdatesCheckAutomatically };

// Stands for an open document: records the changes of the display settings.
class DisplayObserver : public KFSharedDefaultsObserver
{
public:
    DisplayObserver()
    {
        for (const QString &key : displayKeys)
            addObserverSharedUserDefaults(key);
    }
    void observeValueForKeyPath(const QString &keyPath, QObject *, const QVariantMap &change, void *) override
    {
        changes.append(keyPath + QLatin1Char('=') + change.value(QStringLiteral("new")).toString());
    }
    QStringList changes;
};

template <class Control> Control *control(PreferenceController &controller, const char *pane, const char *name)
{
    controller.setPane(QLatin1String(pane), false);
    Control *found = controller.pane(QLatin1String(pane))->loadedView()->findChild<Control *>(QLatin1String(name));
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
        for (const QString &key : displayKeys + QStringList { VTCSifterRegex, VTCSifterRegexUseCustom })
            defaults().removeObjectForKey(key);
    }

    void threePanesThatFitTheWindow()
    {
        PreferenceController controller;
        controller.showWindow();
        QCOMPARE(controller.window()->windowTitle(), QStringLiteral("General"));
        QStringList items;
        for (QAction *action : controller.toolbar()->actions()) {
            items.append(action->text());
            QVERIFY(!action->icon().isNull());
        }
        QCOMPARE(items, QStringList({ "General", "Sifter", "Updates" }));
        for (const QString &identifier : items) {
            controller.setPane(identifier, false);
            QWidget *view = controller.pane(identifier)->loadedView();
            QVERIFY(view->width() >= view->minimumSizeHint().width());
            QVERIFY(view->height() >= view->minimumSizeHint().height());
            QCOMPARE(
                controller.window()->size(), QSize(view->width(), view->height() + controller.toolbar()->height()));
        }
    }

    void controlChangesReachTheSettingsAndObservers()
    {
        PreferenceController controller;
        controller.showWindow();
        DisplayObserver document;
        control<QComboBox>(controller, "General", "measurementPopUp")->setCurrentIndex(0);
        control<QCheckBox>(controller, "General", "displayDashCheckbox")->click();
        control<QCheckBox>(controller, "General", "callStackShowsInternalPhpFunctionsCheckbox")->click();
        control<QCheckBox>(controller, "General", "summaryShowsInternalPhpFunctionsCheckbox")->click();
        control<QCheckBox>(controller, "Updates", "updatesCheckAutomaticallyCheckbox")->click();
        QCOMPARE(document.changes,
            QStringList(
                { "values.measurement=0", "values.displayDash=false", "values.callStackShowsInternalPhpFunctions=false",
                    "values.summaryShowsInternalPhpFunctions=false", "values.updatesCheckAutomatically=true" }));
        QCOMPARE(defaults().integerForKey(VTCMeasurement), 0);
        QVERIFY(defaults().boolForKey(VTCUpdatesCheckAutomatically));

        // A change made elsewhere shows in the open pane.
        defaults().setObjectForKey(1, VTCMeasurement);
        QCOMPARE(control<QComboBox>(controller, "General", "measurementPopUp")->currentIndex(), 1);
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

QTEST_MAIN(TestPreferenceController)
#include "tst_preferencecontroller.moc"
