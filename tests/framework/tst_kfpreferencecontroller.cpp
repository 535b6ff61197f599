#include "KFPreferenceController.h"
#include "KFPreferencePane.h"

#include <QAbstractAnimation>
#include <QAction>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

namespace {

int nibLoads = 0;

// A pane whose view comes from a registered form of the given size.
class SizedPane : public KFPreferencePane
{
public:
    SizedPane(const QString &label, const QString &nibName)
    {
        setLabel(label);
        setNibName(nibName);
        ++constructed;
    }
    int viewDidLoadCalls = 0;
    static inline int constructed = 0;

protected:
    void viewDidLoad() override { ++viewDidLoadCalls; }
};

class ThreePaneController : public KFPreferenceController
{
protected:
    void setupToolbar() override
    {
        addPreferencePane(std::make_unique<SizedPane>(QStringLiteral("Tall"), QStringLiteral("TestTall")));
        addPreferencePane(std::make_unique<SizedPane>(QStringLiteral("Wide"), QStringLiteral("TestWide")));
        addPreferencePane(std::make_unique<SizedPane>(QStringLiteral("Small"), QStringLiteral("TestSmall")));
    }
};

class EmptyController : public KFPreferenceController
{
};

void registerSizedNib(const QString &name, int width, int height)
{
    KFPreferencePane::registerNib(name, [width, height] {
        ++nibLoads;
        auto view = std::make_unique<QWidget>();
        view->resize(width, height);
        return view;
    });
}

QSize clientSize(const KFPreferenceController &controller)
{
    return controller.window()->size();
}

QAction *item(const KFPreferenceController &controller, const QString &identifier)
{
    const QList<QAction *> actions = controller.toolbar()->actions();
    for (QAction *action : actions) {
        if (action->objectName() == identifier)
            return action;
    }
    return nullptr;
}

QList<QWidget *> subviews(const KFPreferenceController &controller)
{
    return controller.contentSubview()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
}

void finishAnimation(const KFPreferenceController &controller)
{
    QTRY_COMPARE_WITH_TIMEOUT(controller.viewAnimation()->state(), QAbstractAnimation::Stopped, 5000);
}

} // namespace

class TestKFPreferenceController : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        registerSizedNib(QStringLiteral("TestTall"), 300, 260);
        registerSizedNib(QStringLiteral("TestWide"), 520, 120);
        registerSizedNib(QStringLiteral("TestSmall"), 200, 40);
    }

    void firstShowingCentresOnTheFirstPane()
    {
        ThreePaneController controller;
        controller.showWindow();
        QWidget *window = controller.window();
        QVERIFY(QTest::qWaitForWindowExposed(window));

        QCOMPARE(window->windowTitle(), QStringLiteral("Tall"));
        QCOMPARE(controller.toolbar()->objectName(), QStringLiteral("KFPreferenceToolbar"));
        QStringList labels;
        for (QAction *action : controller.toolbar()->actions())
            labels.append(action->text());
        QCOMPARE(labels, QStringList({ "Tall", "Wide", "Small" }));
        QVERIFY(item(controller, "Tall")->isChecked());
        QCOMPARE(controller.toolbar()->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);

        QWidget *view = controller.pane("Tall")->loadedView();
        QCOMPARE(subviews(controller), QList<QWidget *>({ view }));
        QCOMPARE(view->pos(), QPoint(0, 0));
        QCOMPARE(clientSize(controller), QSize(300, 260 + controller.toolbar()->height()));
        const int titleBar = window->frameGeometry().height() - window->height();
        QCOMPARE(window->frameGeometry().height(), 260 + controller.toolbar()->height() + titleBar);
        QCOMPARE(controller.viewAnimation()->state(), QAbstractAnimation::Stopped);

        // The window cannot be resized.
        QCOMPARE(window->minimumSize(), window->maximumSize());

        const QPoint screenCentre = window->screen()->availableGeometry().center();
        QVERIFY2((window->frameGeometry().center() - screenCentre).manhattanLength() <= 4,
            qPrintable(QStringLiteral("frame centre %1,%2")
                           .arg(window->frameGeometry().center().x())
                           .arg(window->frameGeometry().center().y())));
    }

    void panesKeepTheirOrderAndLabelsReplace()
    {
        KFPreferenceController controller;
        auto first = std::make_unique<SizedPane>(QStringLiteral("B"), QString());
        controller.addPreferencePane(std::move(first));
        controller.addPreferencePane(std::make_unique<SizedPane>(QStringLiteral("A"), QString()));
        auto replacement = std::make_unique<SizedPane>(QStringLiteral("B"), QString());
        KFPreferencePane *replacementPointer = replacement.get();
        controller.addPreferencePane(std::move(replacement));

        QCOMPARE(controller.toolbarDefaultItemIdentifiers(), QStringList({ "B", "A" }));
        QCOMPARE(controller.pane("B"), replacementPointer);
        QCOMPARE(controller.pane("missing"), nullptr);
    }

    void crossFadeDuration_data()
    {
        QTest::addColumn<bool>("shiftHeld");
        QTest::addColumn<bool>("shiftSlows");
        QTest::addColumn<int>("duration");
        QTest::newRow("plain") << false << true << 250;
        QTest::newRow("shift") << true << true << 1250;
        QTest::newRow("shift, slowing off") << true << false << 250;
    }

    void crossFadeDuration()
    {
        QFETCH(bool, shiftHeld);
        QFETCH(bool, shiftSlows);
        QFETCH(int, duration);

        ThreePaneController controller;
        controller.setShiftSlowsAnimation(shiftSlows);
        controller.showWindow();
        QWidget *window = controller.window();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const QPoint topLeft = window->frameGeometry().topLeft();
        QWidget *oldView = controller.pane("Tall")->loadedView();

        if (shiftHeld)
            QTest::keyPress(window->windowHandle(), Qt::Key_Shift, Qt::ShiftModifier);
        item(controller, "Wide")->trigger();
        if (shiftHeld)
            QTest::keyRelease(window->windowHandle(), Qt::Key_Shift);

        QCOMPARE(controller.viewAnimation()->state(), QAbstractAnimation::Running);
        QCOMPARE(controller.viewAnimation()->duration(), duration);
        QCOMPARE(window->windowTitle(), QStringLiteral("Wide"));
        QWidget *newView = controller.pane("Wide")->loadedView();
        // Both views take part while the fade runs.
        QCOMPARE(subviews(controller), QList<QWidget *>({ oldView, newView }));
        QVERIFY(qobject_cast<QGraphicsOpacityEffect *>(oldView->graphicsEffect()));

        finishAnimation(controller);
        QCOMPARE(subviews(controller), QList<QWidget *>({ newView }));
        QCOMPARE(oldView->parentWidget(), nullptr);
        QCOMPARE(newView->graphicsEffect(), nullptr);
        QCOMPARE(clientSize(controller), QSize(520, 120 + controller.toolbar()->height()));
        QCOMPARE(window->frameGeometry().topLeft(), topLeft);
    }

    void choosingTheShownPaneChangesNothing()
    {
        ThreePaneController controller;
        controller.showWindow();
        const QRect frame = controller.window()->frameGeometry();
        const int loadsBefore = static_cast<SizedPane *>(controller.pane("Tall"))->viewDidLoadCalls;

        item(controller, "Tall")->trigger();

        QCOMPARE(controller.viewAnimation()->state(), QAbstractAnimation::Stopped);
        QCOMPARE(controller.window()->frameGeometry(), frame);
        QCOMPARE(subviews(controller).size(), 1);
        QCOMPARE(static_cast<SizedPane *>(controller.pane("Tall"))->viewDidLoadCalls, loadsBefore + 1);
    }

    void withoutCrossFadeViewsSwitchAtOnce()
    {
        ThreePaneController controller;
        controller.setCrossFade(false);
        controller.showWindow();
        QVERIFY(QTest::qWaitForWindowExposed(controller.window()));
        const QPoint topLeft = controller.window()->frameGeometry().topLeft();

        item(controller, "Small")->trigger();
        QWidget *smallView = controller.pane("Small")->loadedView();
        QCOMPARE(subviews(controller), QList<QWidget *>({ smallView }));
        QCOMPARE(smallView->graphicsEffect(), nullptr);
        // The window still resizes smoothly.
        QCOMPARE(controller.viewAnimation()->state(), QAbstractAnimation::Running);
        finishAnimation(controller);
        QCOMPARE(clientSize(controller), QSize(200, 40 + controller.toolbar()->height()));
        QCOMPARE(controller.window()->frameGeometry().topLeft(), topLeft);
    }

    void setPaneWithoutAnimationSelectsAndResizesAtOnce()
    {
        ThreePaneController controller;
        controller.showWindow();
        QVERIFY(QTest::qWaitForWindowExposed(controller.window()));
        const QPoint topLeft = controller.window()->frameGeometry().topLeft();

        controller.setPane("Wide", false);

        QVERIFY(item(controller, "Wide")->isChecked());
        QVERIFY(!item(controller, "Tall")->isChecked());
        QCOMPARE(controller.viewAnimation()->state(), QAbstractAnimation::Stopped);
        QCOMPARE(subviews(controller), QList<QWidget *>({ controller.pane("Wide")->loadedView() }));
        QCOMPARE(clientSize(controller), QSize(520, 120 + controller.toolbar()->height()));
        QCOMPARE(controller.window()->frameGeometry().topLeft(), topLeft);
        QCOMPARE(controller.window()->windowTitle(), QStringLiteral("Wide"));
    }

    void aSwitchDuringACrossFadeEndsOnTheLastPane()
    {
        ThreePaneController controller;
        controller.showWindow();
        QVERIFY(QTest::qWaitForWindowExposed(controller.window()));
        const QPoint topLeft = controller.window()->frameGeometry().topLeft();

        item(controller, "Wide")->trigger();
        QTest::qWait(50);
        item(controller, "Small")->trigger();
        finishAnimation(controller);
        QCOMPARE(subviews(controller), QList<QWidget *>({ controller.pane("Small")->loadedView() }));
        QCOMPARE(clientSize(controller), QSize(200, 40 + controller.toolbar()->height()));

        // An unanimated switch in the middle of a fade wins over it.
        item(controller, "Tall")->trigger();
        controller.setPane("Wide", false);
        QCOMPARE(controller.viewAnimation()->state(), QAbstractAnimation::Stopped);
        QTest::qWait(300);
        QCOMPARE(subviews(controller), QList<QWidget *>({ controller.pane("Wide")->loadedView() }));
        QCOMPARE(controller.pane("Wide")->loadedView()->graphicsEffect(), nullptr);
        QCOMPARE(clientSize(controller), QSize(520, 120 + controller.toolbar()->height()));
        QCOMPARE(controller.window()->frameGeometry().topLeft(), topLeft);
    }

    void missingFormGivesABlankView_data()
    {
        QTest::addColumn<QString>("nibName");
        QTest::newRow("no form name") << QString();
        QTest::newRow("unknown form") << QStringLiteral("NoSuchForm");
    }

    void missingFormGivesABlankView()
    {
        QFETCH(QString, nibName);
        SizedPane pane(QStringLiteral("Blank"), nibName);
        QTest::ignoreMessage(
            QtWarningMsg, "Warning: unabled to load nib for Blank preference pane. Generating blank view.");
        QWidget *view = pane.view();
        QVERIFY(view);
        QCOMPARE(view->geometry(), QRect(0, 0, 480, 5));
        // Loaded once; the warning does not come again.
        QCOMPARE(pane.view(), view);
        QCOMPARE(pane.viewDidLoadCalls, 2);
    }

    void newPaneDefaults()
    {
        KFPreferencePane pane;
        QCOMPARE(pane.label(), QStringLiteral("Unnamed"));
        QVERIFY(!pane.image().isNull());
        QVERIFY(pane.nibName().isEmpty());
        QCOMPARE(pane.loadedView(), nullptr);

        // The toolbar item takes the label and image of its creation.
        pane.setLabel(QStringLiteral("First"));
        QAction *toolbarItem = pane.toolbarItem();
        pane.setLabel(QStringLiteral("Second"));
        QCOMPARE(pane.toolbarItem(), toolbarItem);
        QCOMPARE(toolbarItem->text(), QStringLiteral("First"));
        QCOMPARE(toolbarItem->objectName(), QStringLiteral("First"));
    }

    void everyShowingRebuildsThePanes()
    {
        ThreePaneController controller;
        const int constructedBefore = SizedPane::constructed;
        controller.showWindow();
        QVERIFY(QTest::qWaitForWindowExposed(controller.window()));
        QToolBar *toolbar = controller.toolbar();
        KFPreferencePane *firstTall = controller.pane("Tall");
        controller.setPane("Wide", false);
        controller.window()->move(controller.window()->pos() + QPoint(37, 23));
        QCOMPARE(SizedPane::constructed, constructedBefore + 3);

        const int loadsBefore = nibLoads;
        controller.showWindow();
        QCOMPARE(SizedPane::constructed, constructedBefore + 6);
        QVERIFY(controller.pane("Tall") != firstTall);
        QCOMPARE(nibLoads, loadsBefore + 1); // only the first pane's view so far
        QCOMPARE(controller.toolbar(), toolbar);
        QCOMPARE(toolbar->actions().size(), 3);
        QVERIFY(item(controller, "Tall")->isChecked());
        QCOMPARE(controller.window()->windowTitle(), QStringLiteral("Tall"));
        QCOMPARE(subviews(controller), QList<QWidget *>({ controller.pane("Tall")->loadedView() }));
        const QPoint screenCentre = controller.window()->screen()->availableGeometry().center();
        QVERIFY((controller.window()->frameGeometry().center() - screenCentre).manhattanLength() <= 4);

        // The items built for the first panes reach the new ones.
        item(controller, "Small")->trigger();
        finishAnimation(controller);
        QCOMPARE(subviews(controller), QList<QWidget *>({ controller.pane("Small")->loadedView() }));
        QCOMPARE(nibLoads, loadsBefore + 2);
    }

    void viewDidLoadRunsOnEveryDisplay()
    {
        ThreePaneController controller;
        controller.setCrossFade(false);
        controller.showWindow();
        auto *tall = static_cast<SizedPane *>(controller.pane("Tall"));
        auto *wide = static_cast<SizedPane *>(controller.pane("Wide"));
        QCOMPARE(tall->viewDidLoadCalls, 1);
        QCOMPARE(wide->viewDidLoadCalls, 0);

        controller.setPane("Wide", false);
        controller.setPane("Tall", false);
        controller.setPane("Wide", false);
        QCOMPARE(tall->viewDidLoadCalls, 2);
        QCOMPARE(wide->viewDidLoadCalls, 2);
    }

    void aControllerWithoutPanesShowsNothing()
    {
        EmptyController controller;
        QTest::ignoreMessage(QtCriticalMsg, "No items were added to the toolbar in -setupToolbar.");
        controller.showWindow();
        QVERIFY(!controller.window()->isVisible());
        QCOMPARE(controller.toolbar(), nullptr);
    }

    void theSharedControllerIsCreatedOnce()
    {
        KFPreferenceController &shared = KFPreferenceController::sharedPreferenceController<ThreePaneController>();
        QVERIFY(dynamic_cast<ThreePaneController *>(&shared));
        QCOMPARE(&KFPreferenceController::sharedPreferenceController<EmptyController>(), &shared);
        QCOMPARE(&KFPreferenceController::sharedPreferenceController(), &shared);
        // Left open, as an application leaves it, it goes when the main
        // loop ends, while the application object is still whole.
        shared.showWindow();
        QVERIFY(shared.window()->isVisible());
        const QPointer<KFPreferenceController> watched(&shared);
        QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
        QCoreApplication::exec();
        QVERIFY(watched.isNull());
    }
};

QTEST_MAIN(TestKFPreferenceController)
#include "tst_kfpreferencecontroller.moc"
