#include <KUIPasteTextField.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

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

class TestPasteTextField : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void shortcutsGoToTheFocusedWidget_data();
    void shortcutsGoToTheFocusedWidget();
    void focusedFieldEditsItself();
    void unhandledWhenTheFocusedWidgetHasNoSuchAction();
    void otherKeysKeepTheStandardHandling();
    void shortcutsWinOverWindowActions();

private:
    std::unique_ptr<QWidget> window;
    KUIPasteTextField *field = nullptr;
    ActionRecorder *recorder = nullptr;
    QPushButton *button = nullptr;
};

void TestPasteTextField::init()
{
    window = std::make_unique<QWidget>();
    auto *layout = new QVBoxLayout(window.get());
    field = new KUIPasteTextField(window.get());
    recorder = new ActionRecorder;
    button = new QPushButton(QStringLiteral("OK"));
    layout->addWidget(field);
    layout->addWidget(recorder);
    layout->addWidget(button);
    QGuiApplication::clipboard()->clear();
}

void TestPasteTextField::cleanup()
{
    window.reset();
}

void TestPasteTextField::shortcutsGoToTheFocusedWidget_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QStringList>("received");

    const int control = Qt::ControlModifier;
    QTest::newRow("cut") << int(Qt::Key_X) << control << QStringList{"cut"};
    QTest::newRow("copy") << int(Qt::Key_C) << control << QStringList{"copy"};
    QTest::newRow("paste") << int(Qt::Key_V) << control << QStringList{"paste"};
    QTest::newRow("select all") << int(Qt::Key_A) << control << QStringList{"selectAll"};
    QTest::newRow("with shift") << int(Qt::Key_V) << int(control | Qt::ShiftModifier) << QStringList();
    QTest::newRow("with alt") << int(Qt::Key_V) << int(control | Qt::AltModifier) << QStringList();
    QTest::newRow("with meta") << int(Qt::Key_V) << int(control | Qt::MetaModifier) << QStringList();
    QTest::newRow("keypad") << int(Qt::Key_V) << int(control | Qt::KeypadModifier) << QStringList();
    QTest::newRow("undo") << int(Qt::Key_Z) << control << QStringList();
    QTest::newRow("no modifier") << int(Qt::Key_V) << int(Qt::NoModifier) << QStringList();
}

void TestPasteTextField::shortcutsGoToTheFocusedWidget()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    recorder->setFocus();
    QTest::keyClick(field, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTEST(recorder->received, "received");
}

void TestPasteTextField::focusedFieldEditsItself()
{
    field->setFocus();
    field->setText(QStringLiteral("profile"));
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(field->selectedText(), QStringLiteral("profile"));
    QTest::keyClick(field, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(field->text(), QString());
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("profile"));
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(field->text(), QStringLiteral("profileprofile"));
}

void TestPasteTextField::unhandledWhenTheFocusedWidgetHasNoSuchAction()
{
    button->setFocus();
    QKeyEvent paste(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QStringLiteral("\x16"));
    QVERIFY(!field->performKeyEquivalent(&paste));
    recorder->setFocus();
    QVERIFY(field->performKeyEquivalent(&paste));
}

void TestPasteTextField::otherKeysKeepTheStandardHandling()
{
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("ab"));
    QCOMPARE(field->text(), QStringLiteral("ab"));
    QKeyEvent undo(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(field->performKeyEquivalent(&undo));
    QCOMPARE(field->text(), QString());
    QKeyEvent unused(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QVERIFY(!field->performKeyEquivalent(&unused));
}

void TestPasteTextField::shortcutsWinOverWindowActions()
{
    // A read-only line edit leaves Control-V to the window's actions; this
    // field keeps it.
    QAction windowPaste(QStringLiteral("Paste"));
    windowPaste.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    window->addAction(&windowPaste);
    QSignalSpy triggered(&windowPaste, &QAction::triggered);
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));

    field->setReadOnly(true);
    field->setFocus();
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(triggered.size(), 0);
}

QTEST_MAIN(TestPasteTextField)
#include "tst_pastetextfield.moc"
