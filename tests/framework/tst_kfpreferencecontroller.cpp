#include "DataColumns.h"

#include "KFPreferenceController.h"
#include "KFPreferencePane.h"

#include <KUIPasteTextField.h>

#include <QAbstractAnimation>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>

namespace {

int nibLoads = 0;

// Its form is a view of the size given, or none.
class CountingPane : public KFPreferencePane
{
    Q_OBJECT
public:
    CountingPane(const char *label, const QString &nibName, QSize size = {})
        : m_size(size)
    {
        setLabel(QLatin1String(label));
        setNibName(nibName);
    }
    int viewDidLoadCalls = 0;

protected:
    std::unique_ptr<QWidget> loadNib() override
    {
        if (m_size.isEmpty())
            return nullptr;
        ++nibLoads;
        auto view = std::make_unique<QWidget>();
        view->resize(m_size);
        return view;
    }
    void viewDidLoad() override { ++viewDidLoadCalls; }

private:
    QSize m_size;
};

// Panes with views of 300x260, 520x120 and 200x40.
class Controller : public KFPreferenceController
{
    Q_OBJECT
public:
    CountingPane *pane(const char *label) const
    {
        return qobject_cast<CountingPane *>(KFPreferenceController::pane(QLatin1String(label)));
    }
    QWidget *view(const char *label) const { return pane(label)->loadedView(); }
    QAction *item(const char *label) const
    {
        const QList<QAction *> actions = toolbar()->actions();
        auto found = std::find_if(actions.begin(), actions.end(), [&](QAction *a) { return a->objectName() == label; });
        return found == actions.end() ? nullptr : *found;
    }
    QList<QWidget *> subviews() const
    {
        return contentSubview()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    }
    QSize sizeFor(int width, int height) const { return QSize(width, height + toolbar()->height()); }
    bool centred() const
    {
        const QPoint offset = window()->frameGeometry().center() - window()->screen()->availableGeometry().center();
        return offset.manhattanLength() <= 4;
    }
    void finishAnimation() const
    {
        QTRY_COMPARE_WITH_TIMEOUT(viewAnimation()->state(), QAbstractAnimation::Stopped, 5000);
    }

protected:
    void setupToolbar() override
    {
        for (const auto &[label, size] : { std::pair { "Tall", QSize(300, 260) }, std::pair { "Wide", QSize(520, 120) },
                 std::pair { "Small", QSize(200, 40) } })
            addPreferencePane(std::make_unique<CountingPane>(label, QLatin1String(label), size));
    }
};

// Another application's preference window.
class OtherController : public KFPreferenceController
{
    Q_OBJECT
};

// A focusable widget that records the editing actions it receives.
class ActionRecorder : public QWidget
{
    Q_OBJECT
public:
    ActionRecorder() { setFocusPolicy(Qt::StrongFocus); }
    QStringList received;

public Q_SLOTS:
    void cut() { received << QStringLiteral("cut"); }
    void copy() { received << QStringLiteral("copy"); }
    void paste() { received << QStringLiteral("paste"); }
    void selectAll() { received << QStringLiteral("selectAll"); }
};

// A paste text field, a widget that records editing actions and a button, in a window.
struct PasteWindow
{
    PasteWindow()
    {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(field = new KUIPasteTextField);
        layout->addWidget(recorder = new ActionRecorder);
        layout->addWidget(button = new QPushButton(QStringLiteral("OK")));
    }
    QWidget window;
    KUIPasteTextField *field = nullptr;
    ActionRecorder *recorder = nullptr;
    QPushButton *button = nullptr;
};

} // namespace

class TestKFPreferenceController : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstShowingCentresOnTheFirstPane()
    {
        Controller controller;
        controller.showWindow();
        QWidget *window = controller.window();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->windowTitle(), QStringLiteral("Tall"));
        QCOMPARE(controller.toolbarDefaultItemIdentifiers(), QStringList({ "Tall", "Wide", "Small" }));
        QVERIFY(controller.item("Tall")->isChecked());
        QCOMPARE(controller.subviews(), QList<QWidget *>({ controller.view("Tall") }));
        QCOMPARE(window->size(), controller.sizeFor(300, 260));
        const int titleBar = window->frameGeometry().height() - window->height();
        QCOMPARE(window->frameGeometry().height(), 260 + controller.toolbar()->height() + titleBar);
        QCOMPARE(window->minimumSize(), window->maximumSize()); // not resizable
        QVERIFY(controller.centred());
    }

    void switchingPanes_data()
    {
        // duration: 0: switched at once
        addColumns<bool, bool, bool, bool, int>("crossFade", "animate", "shiftHeld", "shiftSlows", "duration");
        QTest::newRow("cross-fade") << true << true << false << true << 250;
        QTest::newRow("shift slows it") << true << true << true << true << 1250;
        QTest::newRow("shift, slowing off") << true << true << true << false << 250;
        QTest::newRow("no cross-fade: only the window resizes") << false << true << false << true << 250;
        QTest::newRow("without animation") << true << false << false << true << 0;
    }

    void switchingPanes()
    {
        QFETCH(bool, crossFade);
        QFETCH(bool, animate);
        QFETCH(bool, shiftHeld);
        QFETCH(bool, shiftSlows);
        Controller controller;
        controller.setCrossFade(crossFade);
        controller.setShiftSlowsAnimation(shiftSlows);
        controller.showWindow();
        QWidget *window = controller.window();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const QPoint topLeft = window->frameGeometry().topLeft();
        QWidget *oldView = controller.view("Tall");
        if (shiftHeld)
            QTest::keyPress(window->windowHandle(), Qt::Key_Shift, Qt::ShiftModifier);
        if (animate)
            controller.item("Wide")->trigger();
        else
            controller.setPane(QStringLiteral("Wide"), false);
        if (shiftHeld)
            QTest::keyRelease(window->windowHandle(), Qt::Key_Shift);

        QWidget *newView = controller.view("Wide");
        QCOMPARE(window->windowTitle(), QStringLiteral("Wide"));
        QVERIFY(controller.item("Wide")->isChecked() && !controller.item("Tall")->isChecked());
        QTEST(animate ? controller.viewAnimation()->duration() : 0, "duration");
        QCOMPARE(controller.viewAnimation()->state() == QAbstractAnimation::Running, animate);
        if (crossFade && animate) { // both views take part while the fade runs
            QCOMPARE(controller.subviews(), QList<QWidget *>({ oldView, newView }));
            QVERIFY(qobject_cast<QGraphicsOpacityEffect *>(oldView->graphicsEffect()));
            controller.finishAnimation();
        }
        QCOMPARE(controller.subviews(), QList<QWidget *>({ newView }));
        QCOMPARE(oldView->parentWidget(), nullptr);
        QCOMPARE(newView->graphicsEffect(), nullptr);
        controller.finishAnimation();
        QCOMPARE(window->size(), controller.sizeFor(520, 120));
        QCOMPARE(window->frameGeometry().topLeft(), topLeft);
    }

    // A later switch wins over a cross-fade still running.
    void aSwitchDuringACrossFadeWins()
    {
        Controller controller;
        controller.showWindow();
        controller.item("Wide")->trigger();
        QTest::qWait(50);
        controller.item("Small")->trigger();
        controller.finishAnimation();
        QCOMPARE(controller.subviews(), QList<QWidget *>({ controller.view("Small") }));
        QCOMPARE(controller.window()->size(), controller.sizeFor(200, 40));
        controller.item("Tall")->trigger();
        controller.setPane(QStringLiteral("Wide"), false);
        QTest::qWait(300);
        QCOMPARE(controller.subviews(), QList<QWidget *>({ controller.view("Wide") }));
        QCOMPARE(controller.window()->size(), controller.sizeFor(520, 120));
    }

    void everyShowingRebuildsThePanesAndEveryDisplayLoadsTheView()
    {
        Controller controller;
        controller.showWindow();
        QVERIFY(QTest::qWaitForWindowExposed(controller.window()));
        controller.item("Tall")->trigger(); // the shown pane again
        controller.setPane(QStringLiteral("Wide"), false);
        controller.setPane(QStringLiteral("Tall"), false);
        controller.setPane(QStringLiteral("Wide"), false);
        QCOMPARE(controller.pane("Tall")->viewDidLoadCalls, 3);
        QCOMPARE(controller.pane("Wide")->viewDidLoadCalls, 2);
        const QPointer<KFPreferencePane> firstTall = controller.pane("Tall");
        controller.window()->move(controller.window()->pos() + QPoint(37, 23));
        const QPoint moved = controller.window()->frameGeometry().topLeft();
        const int loadsBefore = nibLoads;
        controller.showWindow();
        QVERIFY(firstTall.isNull());
        QCOMPARE(nibLoads, loadsBefore + 1); // only the first pane's view so far
        QCOMPARE(controller.toolbar()->actions().size(), 3);
        QVERIFY(controller.item("Tall")->isChecked());
        QCOMPARE(controller.subviews(), QList<QWidget *>({ controller.view("Tall") }));
        QCOMPARE(controller.window()->frameGeometry().topLeft(), moved); // where the user left it
        controller.item("Small")->trigger();
        controller.finishAnimation();
        QCOMPARE(controller.subviews(), QList<QWidget *>({ controller.view("Small") }));
    }

    void escapeAndCloseKeysCloseTheWindowWhichReopensWhereItWas_data()
    {
        QTest::addColumn<QKeySequence>("keys");
        QTest::newRow("Escape") << QKeySequence(Qt::Key_Escape);
        QTest::newRow("Ctrl+W") << QKeySequence(Qt::CTRL | Qt::Key_W);
    }

    void escapeAndCloseKeysCloseTheWindowWhichReopensWhereItWas()
    {
        QFETCH(QKeySequence, keys);
        Controller controller;
        controller.showWindow();
        QWidget *window = controller.window();
        QVERIFY(QTest::qWaitForWindowActive(window));
        window->move(window->pos() + QPoint(-41, 17));
        const QPoint moved = window->frameGeometry().topLeft();
        QTest::keySequence(window->focusWidget() ? window->focusWidget() : window, keys);
        QVERIFY(!window->isVisible());
        controller.showWindow();
        QCOMPARE(window->frameGeometry().topLeft(), moved);
    }

    void missingFormGivesABlankView()
    {
        for (const QString &nibName : { QString(), QStringLiteral("NoSuchForm") }) {
            CountingPane pane("Blank", nibName);
            QTest::ignoreMessage(
                QtWarningMsg, "Warning: unabled to load nib for Blank preference pane. Generating blank view.");
            QWidget *view = pane.view();
            QCOMPARE(view->geometry(), QRect(0, 0, 480, 5));
            QCOMPARE(pane.view(), view); // loaded once, warned once
            QCOMPARE(pane.viewDidLoadCalls, 2);
        }
    }

    void aControllerWithoutPanesShowsNothing()
    {
        KFPreferenceController controller;
        QTest::ignoreMessage(QtCriticalMsg, "No items were added to the toolbar in -setupToolbar.");
        controller.showWindow();
        QVERIFY(!controller.window()->isVisible());
    }

    // Left open, the shared controller goes when the main loop ends, while
    // the application object is still whole.
    void theSharedControllerIsCreatedOnce()
    {
        Controller *shared = KFPreferenceController::sharedPreferenceController<Controller>();
        QVERIFY(shared);
        QCOMPARE(KFPreferenceController::sharedPreferenceController(), shared);
        // Asked for as another class, it is not there to be misused.
        QCOMPARE(KFPreferenceController::sharedPreferenceController<OtherController>(), nullptr);
        shared->showWindow();
        const QPointer<KFPreferenceController> watched(shared);
        QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
        QCoreApplication::exec();
        QVERIFY(watched.isNull());
    }

    // The paste text field: editing keys go to the focused widget.
    void shortcutsGoToTheFocusedWidget_data()
    {
        addColumns<int, int, QStringList>("key", "modifiers", "received");
        const int control = Qt::ControlModifier;
        for (const auto &[key, action] : { std::pair { Qt::Key_X, "cut" }, std::pair { Qt::Key_C, "copy" },
                 std::pair { Qt::Key_V, "paste" }, std::pair { Qt::Key_A, "selectAll" } })
            QTest::newRow(action) << int(key) << control << QStringList { action };
        for (const auto &[name, extra] :
            { std::pair { "shift", Qt::ShiftModifier }, std::pair { "alt", Qt::AltModifier },
                std::pair { "meta", Qt::MetaModifier }, std::pair { "keypad", Qt::KeypadModifier } })
            QTest::newRow(name) << int(Qt::Key_V) << int(control | extra) << QStringList();
        QTest::newRow("other letter") << int(Qt::Key_Z) << control << QStringList();
        QTest::newRow("no modifier") << int(Qt::Key_V) << int(Qt::NoModifier) << QStringList();
    }

    void shortcutsGoToTheFocusedWidget()
    {
        PasteWindow paste;
        QFETCH(int, key);
        QFETCH(int, modifiers);
        paste.recorder->setFocus();
        QTest::keyClick(paste.field, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QTEST(paste.recorder->received, "received");
    }

    void focusedFieldEditsItself()
    {
        PasteWindow paste;
        QGuiApplication::clipboard()->clear();
        paste.field->setFocus();
        paste.field->setText(QStringLiteral("profile"));
        QTest::keyClick(paste.field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(paste.field, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(paste.field->text(), QString());
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("profile"));
        QTest::keyClick(paste.field, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(paste.field, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(paste.field->text(), QStringLiteral("profileprofile"));
    }

    void reportsWhetherTheKeyWasHandled()
    {
        PasteWindow paste;
        QKeyEvent pasteKey(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QStringLiteral("\x16"));
        paste.button->setFocus(); // has no paste
        QVERIFY(!paste.field->performKeyEquivalent(&pasteKey));
        paste.recorder->setFocus();
        QVERIFY(paste.field->performKeyEquivalent(&pasteKey));

        paste.field->setFocus();
        QTest::keyClicks(paste.field, QStringLiteral("ab"));
        QKeyEvent undo(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier); // standard handling
        QVERIFY(paste.field->performKeyEquivalent(&undo));
        QCOMPARE(paste.field->text(), QString());
        QKeyEvent unused(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
        QVERIFY(!paste.field->performKeyEquivalent(&unused));
    }

    // A read-only line edit would leave Control-V to the window's actions.
    void shortcutsWinOverWindowActions()
    {
        PasteWindow paste;
        QAction windowPaste(QStringLiteral("Paste"));
        windowPaste.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
        paste.window.addAction(&windowPaste);
        QSignalSpy triggered(&windowPaste, &QAction::triggered);
        paste.window.show();
        paste.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&paste.window));
        paste.field->setReadOnly(true);
        paste.field->setFocus();
        QTest::keyClick(paste.field, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(triggered.size(), 0);
    }
};

QTEST_MAIN(TestKFPreferenceController)
#include "tst_kfpreferencecontroller.moc"
