#include "DataColumns.h"
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
    void init()
    {
        window = std::make_unique<QWidget>();
        auto *layout = new QVBoxLayout(window.get());
        layout->addWidget(field = new KUIPasteTextField);
        layout->addWidget(recorder = new ActionRecorder);
        layout->addWidget(button = new QPushButton(QStringLiteral("OK")));
    }

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
        QFETCH(int, key);
        QFETCH(int, modifiers);
        recorder->setFocus();
        QTest::keyClick(field, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QTEST(recorder->received, "received");
    }

    void focusedFieldEditsItself()
    {
        QGuiApplication::clipboard()->clear();
        field->setFocus();
        field->setText(QStringLiteral("profile"));
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(field->text(), QString());
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("profile"));
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(field->text(), QStringLiteral("profileprofile"));
    }

    void reportsWhetherTheKeyWasHandled()
    {
        QKeyEvent paste(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QStringLiteral("\x16"));
        button->setFocus(); // has no paste
        QVERIFY(!field->performKeyEquivalent(&paste));
        recorder->setFocus();
        QVERIFY(field->performKeyEquivalent(&paste));

        field->setFocus();
        QTest::keyClicks(field, QStringLiteral("ab"));
        QKeyEvent undo(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier); // standard handling
        QVERIFY(field->performKeyEquivalent(&undo));
        QCOMPARE(field->text(), QString());
        QKeyEvent unused(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
        QVERIFY(!field->performKeyEquivalent(&unused));
    }

    // A read-only line edit would leave Control-V to the window's actions.
    void shortcutsWinOverWindowActions()
    {
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

private:
    std::unique_ptr<QWidget> window;
    KUIPasteTextField *field = nullptr;
    ActionRecorder *recorder = nullptr;
    QPushButton *button = nullptr;
};

QTEST_MAIN(TestPasteTextField)
#include "tst_pastetextfield.moc"
