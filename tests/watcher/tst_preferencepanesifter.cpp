#include "DataColumns.h"
#include "PreferencePaneSifter.h"
#include "SifterPattern.h"
#include "SifterTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

class TestPreferencePaneSifter : public QObject
{
    Q_OBJECT

    std::unique_ptr<PreferencePaneSifter> pane;

    template <class Control> Control *control(const char *name) const
    {
        Control *found = pane->loadedView()->findChild<Control *>(QLatin1String(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    bool markedInvalid() const { return !control<QLabel>("invalidPatternLabel")->isHidden(); }
    void checkEnabled(bool useCustom, bool limitOpen) const
    {
        QCOMPARE(control<QCheckBox>("fileMatchCheckbox")->isChecked(), useCustom);
        QCOMPARE(control<QLineEdit>("fileMatchEdit")->isEnabled(), useCustom);
        QCOMPARE(control<QCheckBox>("maxFilesCheckbox")->isChecked(), limitOpen);
        QCOMPARE(control<QSpinBox>("maxFilesOpenEdit")->isEnabled(), limitOpen);
        QCOMPARE(control<QComboBox>("whenReachedDropDown")->isEnabled(), limitOpen);
    }

private Q_SLOTS:
    void init()
    {
        registerSettingsDefaults();
        for (const QString &key : { VTCSifterMonitorDirectory, VTCSifterRegexUseCustom, VTCSifterRegex,
                 VTCSifterMaxLimitOpen, VTCSifterMaxFiles, VTCSifterMaxAction, VTCSifterStartOnLaunch })
            defaults().removeObjectForKey(key);
        pane = std::make_unique<PreferencePaneSifter>();
        pane->view();
    }

    void controlsStoreTheirSettings()
    {
        checkEnabled(false, true);
        control<QCheckBox>("fileMatchCheckbox")->click();
        control<QCheckBox>("maxFilesCheckbox")->click();
        checkEnabled(true, false);
        QVERIFY(defaults().boolForKey(VTCSifterRegexUseCustom));
        QVERIFY(!defaults().boolForKey(VTCSifterMaxLimitOpen));
        // A change made elsewhere moves the boxes and their controls too.
        defaults().setObjectForKey(false, VTCSifterRegexUseCustom);
        defaults().setObjectForKey(true, VTCSifterMaxLimitOpen);
        checkEnabled(false, true);

        control<QSpinBox>("maxFilesOpenEdit")->setValue(12);
        control<QComboBox>("whenReachedDropDown")->setCurrentIndex(1);
        control<QCheckBox>("sifterStartOnLaunchCheckbox")->click();
        QCOMPARE(defaults().integerForKey(VTCSifterMaxFiles), 12);
        QCOMPARE(defaults().integerForKey(VTCSifterMaxAction), 1);
        QVERIFY(defaults().boolForKey(VTCSifterStartOnLaunch));

        // A cancelled choice keeps the directory.
        QString chosen;
        QWidget *dialogParent = nullptr;
        pane->setDirectoryChooser([&](QWidget *parent) {
            dialogParent = parent;
            return chosen;
        });
        auto *button = control<QPushButton>("directorySelectButton");
        button->click();
        QCOMPARE(dialogParent, pane->loadedView());
        QCOMPARE(defaults().stringForKey(VTCSifterMonitorDirectory), QStringLiteral("/tmp"));
        chosen = QStringLiteral("/var/tmp/profiles");
        button->click();
        QCOMPARE(defaults().stringForKey(VTCSifterMonitorDirectory), chosen);
        QCOMPARE(control<QLineEdit>("monitorDirectoryField")->text(), chosen);
    }

    // The pane marks a pattern the way the watcher judges it: an invalid one
    // matches nothing, not even a name it would match once wrapped; a valid
    // one matches whole names only.
    void patterns_data()
    {
        addColumns<QString, bool, QString, bool>("pattern", "invalid", "name", "matched");
        QTest::newRow("valid") << "prof\\..*" << false << "prof.1" << true;
        QTest::newRow("alternation") << "a|b" << false << "b" << true;
        QTest::newRow("alternation anchored as a whole") << "a|b" << false << "xb" << false;
        QTest::newRow("empty") << "" << false << "name" << false;
        QTest::newRow("open group") << "(" << true << "a" << false;
        QTest::newRow("unbalanced close, valid once anchored") << "a)|(b" << true << "a" << false;
        QTest::newRow("unbalanced close, non-capturing") << "x)|(?:y" << true << "x" << false;
    }

    void patterns()
    {
        QFETCH(QString, pattern);
        QFETCH(bool, invalid);
        auto *field = control<QLineEdit>("fileMatchEdit");
        control<QCheckBox>("fileMatchCheckbox")->click();
        field->setText(pattern);
        QCOMPARE(markedInvalid(), invalid);
        QCOMPARE(SifterPattern(pattern).isValid(), !invalid);
        QTEST(SifterPattern(pattern).matches(fetched<QString>("name")), "matched");
        // What the user typed is stored when editing ends, marked or not,
        // and marked again when the view is shown again.
        Q_EMIT field->editingFinished();
        QCOMPARE(defaults().stringForKey(VTCSifterRegex), pattern);
        pane->view();
        QCOMPARE(markedInvalid(), invalid);
    }
};

QTEST_MAIN(TestPreferencePaneSifter)
#include "tst_preferencepanesifter.moc"
