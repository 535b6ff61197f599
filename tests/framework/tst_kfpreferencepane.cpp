#include "KFPreferencePane.h"
#include "KFSharedDefaultsObserver.h"
#include "KFUserDefaultsController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTest>
#include <QVBoxLayout>

namespace {

KFUserDefaultsController &settings()
{
    return KFUserDefaultsController::sharedUserDefaultsController();
}

// Counts the changes of one setting.
class CountingObserver : public KFSharedDefaultsObserver
{
public:
    explicit CountingObserver(const QString &key) { addObserverSharedUserDefaults(key); }
    void observeValueForKeyPath(const QString &, QObject *, const QVariantMap &change, void *) override
    {
        values.append(change.value(QStringLiteral("new")));
    }
    QVariantList values;
};

// A pane whose form holds one control of each kind, bound to test keys.
class BoundPane : public KFPreferencePane
{
public:
    BoundPane()
    {
        setLabel(QStringLiteral("Bound"));
        setNibName(QStringLiteral("BoundForm"));
    }

    QCheckBox *box = nullptr;
    QComboBox *popUp = nullptr;
    QSpinBox *number = nullptr;
    QLineEdit *text = nullptr;
    int externalChanges = 0;

protected:
    void awakeFromNib() override
    {
        box = outlet<QCheckBox>("box");
        popUp = outlet<QComboBox>("popUp");
        number = outlet<QSpinBox>("number");
        text = outlet<QLineEdit>("text");
        bind(box, QStringLiteral("testBox"));
        bind(popUp, QStringLiteral("testPopUp"));
        bind(number, QStringLiteral("testNumber"));
        bind(text, QStringLiteral("testText"));
    }
    void boundValuesDidChange() override { ++externalChanges; }
};

std::unique_ptr<QWidget> boundForm()
{
    auto view = std::make_unique<QWidget>();
    auto *layout = new QVBoxLayout(view.get());
    auto *box = new QCheckBox(QStringLiteral("Box"));
    box->setObjectName(QStringLiteral("box"));
    auto *popUp = new QComboBox;
    popUp->setObjectName(QStringLiteral("popUp"));
    popUp->addItems({ QStringLiteral("zero"), QStringLiteral("one"), QStringLiteral("two") });
    auto *number = new QSpinBox;
    number->setObjectName(QStringLiteral("number"));
    number->setRange(1, 99);
    auto *text = new QLineEdit;
    text->setObjectName(QStringLiteral("text"));
    for (QWidget *control : std::initializer_list<QWidget *> { box, popUp, number, text })
        layout->addWidget(control);
    view->resize(300, 160);
    return view;
}

} // namespace

class TestKFPreferencePane : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        KFPreferencePane::registerNib(QStringLiteral("BoundForm"), boundForm);
        settings().registerDefaults({ { QStringLiteral("testBox"), true }, { QStringLiteral("testPopUp"), 1 },
            { QStringLiteral("testNumber"), 5 }, { QStringLiteral("testText"), QStringLiteral("cachegrind\\..*") } });
    }

    void cleanup()
    {
        for (const char *key : { "testBox", "testPopUp", "testNumber", "testText" })
            settings().removeObjectForKey(QString::fromLatin1(key));
    }

    void controlsShowTheSettings()
    {
        BoundPane pane;
        pane.view();
        QVERIFY(pane.box->isChecked());
        QCOMPARE(pane.popUp->currentIndex(), 1);
        QCOMPARE(pane.number->value(), 5);
        QCOMPARE(pane.text->text(), QStringLiteral("cachegrind\\..*"));
    }

    void theUsersChangesReachTheSettingsAndItsObservers()
    {
        BoundPane pane;
        pane.view();
        CountingObserver boxObserver(QStringLiteral("testBox"));
        CountingObserver popUpObserver(QStringLiteral("testPopUp"));
        CountingObserver numberObserver(QStringLiteral("testNumber"));
        CountingObserver textObserver(QStringLiteral("testText"));

        pane.box->click();
        pane.popUp->setCurrentIndex(2);
        pane.number->setValue(12);
        pane.text->setText(QStringLiteral("profile\\..*"));
        QCOMPARE(textObserver.values.size(), 0); // stored when editing ends
        Q_EMIT pane.text->editingFinished();

        QCOMPARE(settings().boolForKey(QStringLiteral("testBox")), false);
        QCOMPARE(settings().integerForKey(QStringLiteral("testPopUp")), 2);
        QCOMPARE(settings().integerForKey(QStringLiteral("testNumber")), 12);
        QCOMPARE(settings().stringForKey(QStringLiteral("testText")), QStringLiteral("profile\\..*"));
        QCOMPARE(boxObserver.values, QVariantList({ false }));
        QCOMPARE(popUpObserver.values, QVariantList({ 2 }));
        QCOMPARE(numberObserver.values, QVariantList({ 12 }));
        QCOMPARE(textObserver.values, QVariantList({ QStringLiteral("profile\\..*") }));
        // The pane's own changes are not news to it.
        QCOMPARE(pane.externalChanges, 4);

        // Ending an edit that changed nothing stores nothing.
        Q_EMIT pane.text->editingFinished();
        QCOMPARE(textObserver.values.size(), 1);
    }

    void controlsFollowChangesMadeElsewhere()
    {
        BoundPane pane;
        pane.view();
        const int before = pane.externalChanges;
        settings().setObjectForKey(false, QStringLiteral("testBox"));
        settings().setObjectForKey(0, QStringLiteral("testPopUp"));
        settings().setObjectForKey(42, QStringLiteral("testNumber"));
        settings().setObjectForKey(QStringLiteral("x.*"), QStringLiteral("testText"));
        QVERIFY(!pane.box->isChecked());
        QCOMPARE(pane.popUp->currentIndex(), 0);
        QCOMPARE(pane.number->value(), 42);
        QCOMPARE(pane.text->text(), QStringLiteral("x.*"));
        QCOMPARE(pane.externalChanges, before + 4);

        settings().removeObjectForKey(QStringLiteral("testNumber"));
        QCOMPARE(pane.number->value(), 5);
    }

    void valuesOutsideTheControlsRangeAreNotRewritten()
    {
        settings().setObjectForKey(7, QStringLiteral("testPopUp"));
        settings().setObjectForKey(1000, QStringLiteral("testNumber"));
        CountingObserver popUpObserver(QStringLiteral("testPopUp"));
        CountingObserver numberObserver(QStringLiteral("testNumber"));
        BoundPane pane;
        pane.view();
        QCOMPARE(pane.popUp->currentIndex(), -1);
        QCOMPARE(pane.number->value(), 99);
        QVERIFY(popUpObserver.values.isEmpty());
        QVERIFY(numberObserver.values.isEmpty());
        QCOMPARE(settings().integerForKey(QStringLiteral("testNumber")), 1000);
    }

    void aDestroyedPaneHearsNothing()
    {
        auto pane = std::make_unique<BoundPane>();
        pane->view();
        pane.reset();
        settings().setObjectForKey(false, QStringLiteral("testBox"));
        QCOMPARE(settings().boolForKey(QStringLiteral("testBox")), false);
    }
};

QTEST_MAIN(TestKFPreferencePane)
#include "tst_kfpreferencepane.moc"
