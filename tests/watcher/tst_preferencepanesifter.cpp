#include "PreferencePaneSifter.h"
#include "SettingsKeys.h"

#include <KFSharedDefaultsObserver.h>
#include <KFUserDefaultsController.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTest>

namespace {

KFUserDefaultsController &settings()
{
    return KFUserDefaultsController::sharedUserDefaultsController();
}

// Stands for the watcher: records the changes of one setting.
class SettingObserver : public KFSharedDefaultsObserver
{
public:
    explicit SettingObserver(const QString &key) { addObserverSharedUserDefaults(key); }
    void observeValueForKeyPath(const QString &, QObject *, const QVariantMap &change, void *) override
    {
        values.append(change.value(QStringLiteral("new")));
    }
    QVariantList values;
};

const QStringList watcherKeys { VTCSifterMonitorDirectory, VTCSifterRegexUseCustom, VTCSifterRegex,
    VTCSifterMaxLimitOpen, VTCSifterMaxFiles, VTCSifterMaxAction, VTCSifterStartOnLaunch };

} // namespace

class TestPreferencePaneSifter : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PreferencePaneSifter> pane;

    template <class Control> Control *control(const char *name) const
    {
        Control *found = pane->loadedView()->findChild<Control *>(QLatin1String(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }

    bool markedInvalid() const { return !control<QLabel>("invalidPatternLabel")->isHidden(); }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        registerSettingsDefaults();
    }

    void init() { pane = std::make_unique<PreferencePaneSifter>(); }

    void cleanup()
    {
        pane.reset();
        for (const QString &key : watcherKeys)
            settings().removeObjectForKey(key);
    }

    void firstRunValues()
    {
        pane->view();
        QCOMPARE(control<QLineEdit>("monitorDirectoryField")->text(), QStringLiteral("/tmp"));
        QVERIFY(!control<QCheckBox>("fileMatchCheckbox")->isChecked());
        QCOMPARE(control<QLineEdit>("fileMatchEdit")->text(), QStringLiteral("cachegrind\\..*"));
        QVERIFY(control<QCheckBox>("maxFilesCheckbox")->isChecked());
        QCOMPARE(control<QSpinBox>("maxFilesOpenEdit")->value(), 5);
        QCOMPARE(control<QComboBox>("whenReachedDropDown")->currentIndex(), 0);
        QVERIFY(!control<QCheckBox>("sifterStartOnLaunchCheckbox")->isChecked());
    }

    void enabledStatesFollowTheBoxes_data()
    {
        QTest::addColumn<bool>("useCustom");
        QTest::addColumn<bool>("limitOpen");
        QTest::newRow("defaults") << false << true;
        QTest::newRow("custom, no limit") << true << false;
        QTest::newRow("both") << true << true;
        QTest::newRow("neither") << false << false;
    }

    void enabledStatesFollowTheBoxes()
    {
        QFETCH(bool, useCustom);
        QFETCH(bool, limitOpen);
        settings().setObjectForKey(useCustom, VTCSifterRegexUseCustom);
        settings().setObjectForKey(limitOpen, VTCSifterMaxLimitOpen);

        pane->view();
        QCOMPARE(control<QLineEdit>("fileMatchEdit")->isEnabled(), useCustom);
        QCOMPARE(control<QSpinBox>("maxFilesOpenEdit")->isEnabled(), limitOpen);
        QCOMPARE(control<QComboBox>("whenReachedDropDown")->isEnabled(), limitOpen);

        // Clicking a box flips its controls at once and stores the choice.
        control<QCheckBox>("fileMatchCheckbox")->click();
        control<QCheckBox>("maxFilesCheckbox")->click();
        QCOMPARE(control<QLineEdit>("fileMatchEdit")->isEnabled(), !useCustom);
        QCOMPARE(control<QSpinBox>("maxFilesOpenEdit")->isEnabled(), !limitOpen);
        QCOMPARE(control<QComboBox>("whenReachedDropDown")->isEnabled(), !limitOpen);
        QCOMPARE(settings().boolForKey(VTCSifterRegexUseCustom), !useCustom);
        QCOMPARE(settings().boolForKey(VTCSifterMaxLimitOpen), !limitOpen);

        // A change made elsewhere moves the box and its controls too.
        settings().setObjectForKey(useCustom, VTCSifterRegexUseCustom);
        settings().setObjectForKey(limitOpen, VTCSifterMaxLimitOpen);
        QCOMPARE(control<QCheckBox>("fileMatchCheckbox")->isChecked(), useCustom);
        QCOMPARE(control<QLineEdit>("fileMatchEdit")->isEnabled(), useCustom);
        QCOMPARE(control<QSpinBox>("maxFilesOpenEdit")->isEnabled(), limitOpen);
    }

    void invalidPatternsAreMarked_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("invalid");
        QTest::newRow("default") << "cachegrind\\..*" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("open group") << "cachegrind(" << true;
        QTest::newRow("open class") << "[a-" << true;
        QTest::newRow("nothing to repeat") << "*.out" << true;
        QTest::newRow("alternation") << "a|b" << false;
    }

    void invalidPatternsAreMarked()
    {
        QFETCH(QString, pattern);
        QFETCH(bool, invalid);
        settings().setObjectForKey(true, VTCSifterRegexUseCustom);
        pane->view();
        auto *field = control<QLineEdit>("fileMatchEdit");
        field->setText(pattern);
        QCOMPARE(markedInvalid(), invalid);

        // What the user typed is kept when editing ends, marked or not.
        SettingObserver watcher(VTCSifterRegex);
        Q_EMIT field->editingFinished();
        QCOMPARE(settings().stringForKey(VTCSifterRegex), pattern);
        QCOMPARE(watcher.values.size(), pattern == QStringLiteral("cachegrind\\..*") ? 0 : 1);

        // Unused while the box is off: no mark.
        control<QCheckBox>("fileMatchCheckbox")->click();
        QVERIFY(!markedInvalid());
        // A stored invalid pattern is marked when the view is shown again.
        control<QCheckBox>("fileMatchCheckbox")->click();
        pane->view();
        QCOMPARE(markedInvalid(), invalid);
    }

    void choosingTheDirectory_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("stored");
        QTest::newRow("cancelled") << QString() << "/tmp";
        QTest::newRow("chosen") << "/var/tmp/profiles"
                                << "/var/tmp/profiles";
    }

    void choosingTheDirectory()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, stored);
        int asked = 0;
        QWidget *dialogParent = nullptr;
        pane->setDirectoryChooser([&](QWidget *parent) {
            ++asked;
            dialogParent = parent;
            return chosen;
        });
        pane->view();
        SettingObserver watcher(VTCSifterMonitorDirectory);

        control<QPushButton>("directorySelectButton")->click();

        QCOMPARE(asked, 1);
        QCOMPARE(dialogParent, pane->loadedView());
        QCOMPARE(settings().stringForKey(VTCSifterMonitorDirectory), stored);
        QCOMPARE(watcher.values.size(), chosen.isEmpty() ? 0 : 1);
        QCOMPARE(control<QLineEdit>("monitorDirectoryField")->text(), stored);
    }

    void limitAndLaunchSettings()
    {
        pane->view();
        SettingObserver files(VTCSifterMaxFiles);
        control<QSpinBox>("maxFilesOpenEdit")->setValue(12);
        control<QComboBox>("whenReachedDropDown")->setCurrentIndex(1);
        control<QCheckBox>("sifterStartOnLaunchCheckbox")->click();
        QCOMPARE(files.values, QVariantList({ 12 }));
        QCOMPARE(settings().integerForKey(VTCSifterMaxFiles), 12);
        QCOMPARE(settings().integerForKey(VTCSifterMaxAction), 1);
        QVERIFY(settings().boolForKey(VTCSifterStartOnLaunch));
    }
};

QTEST_MAIN(TestPreferencePaneSifter)
#include "tst_preferencepanesifter.moc"
