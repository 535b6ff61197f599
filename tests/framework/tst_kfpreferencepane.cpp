#include "KFPreferencePane.h"
#include "KFUserDefaultsController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QVBoxLayout>

namespace {

KFUserDefaultsController &settings()
{
    return KFUserDefaultsController::sharedUserDefaultsController();
}

const QStringList keys{"testBox", "testPopUp", "testNumber", "testText"};

// A pane whose form holds one control of each kind, bound to the test keys.
class BoundPane : public KFPreferencePane
{
public:
    BoundPane()
    {
        setNibName(QStringLiteral("BoundForm"));
        view();
    }
    QCheckBox *box = nullptr;
    QComboBox *popUp = nullptr;
    QSpinBox *number = nullptr;
    QLineEdit *text = nullptr;
    int externalChanges = 0;

protected:
    void awakeFromNib() override
    {
        bind(box = outlet<QCheckBox>("testBox"), keys[0]);
        bind(popUp = outlet<QComboBox>("testPopUp"), keys[1]);
        bind(number = outlet<QSpinBox>("testNumber"), keys[2]);
        bind(text = outlet<QLineEdit>("testText"), keys[3]);
    }
    void boundValuesDidChange() override { ++externalChanges; }
};

template <typename Control> Control *add(QWidget *form, const QString &name)
{
    auto *control = new Control;
    control->setObjectName(name);
    form->layout()->addWidget(control);
    return control;
}

} // namespace

class TestKFPreferencePane : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        KFPreferencePane::registerNib(QStringLiteral("BoundForm"), [] {
            auto form = std::make_unique<QWidget>();
            new QVBoxLayout(form.get());
            add<QCheckBox>(form.get(), keys[0]);
            add<QComboBox>(form.get(), keys[1])->addItems({"zero", "one", "two"});
            add<QSpinBox>(form.get(), keys[2])->setRange(1, 99);
            add<QLineEdit>(form.get(), keys[3]);
            return form;
        });
        settings().registerDefaults({{keys[0], true}, {keys[1], 1}, {keys[2], 5}, {keys[3], "c.*"}});
    }

    void cleanup()
    {
        for (const QString &key : keys)
            settings().removeObjectForKey(key);
    }

    void theUsersChangesReachTheSettingsAndItsObservers()
    {
        BoundPane pane;
        QVERIFY(pane.box->isChecked());
        QCOMPARE(pane.popUp->currentIndex(), 1);
        QCOMPARE(pane.number->value(), 5);
        QCOMPARE(pane.text->text(), QStringLiteral("c.*"));
        QSignalSpy stored(&settings(), &KFUserDefaultsController::valueChanged);
        pane.box->click();
        pane.popUp->setCurrentIndex(2);
        pane.number->setValue(12);
        pane.text->setText(QStringLiteral("p.*"));
        QCOMPARE(stored.size(), 3); // text is stored when editing ends
        Q_EMIT pane.text->editingFinished();
        Q_EMIT pane.text->editingFinished(); // an unchanged edit stores nothing
        QCOMPARE(stored, QList<QVariantList>({{keys[0], false}, {keys[1], 2}, {keys[2], 12}, {keys[3], "p.*"}}));
        QCOMPARE(pane.externalChanges, 4); // the pane's own changes are no news to it
    }

    void controlsFollowChangesMadeElsewhere()
    {
        BoundPane pane;
        std::make_unique<BoundPane>().reset(); // a destroyed pane must hear nothing
        settings().setObjectForKey(false, keys[0]);
        settings().setObjectForKey(0, keys[1]);
        settings().setObjectForKey(42, keys[2]);
        settings().setObjectForKey(QStringLiteral("x.*"), keys[3]);
        QVERIFY(!pane.box->isChecked());
        QCOMPARE(pane.popUp->currentIndex(), 0);
        QCOMPARE(pane.number->value(), 42);
        QCOMPARE(pane.text->text(), QStringLiteral("x.*"));
        QCOMPARE(pane.externalChanges, 4);
        settings().removeObjectForKey(keys[2]);
        QCOMPARE(pane.number->value(), 5);
    }

    void valuesOutsideTheControlsRangeAreNotRewritten()
    {
        settings().setObjectForKey(7, keys[1]);
        settings().setObjectForKey(1000, keys[2]);
        QSignalSpy stored(&settings(), &KFUserDefaultsController::valueChanged);
        BoundPane pane;
        QCOMPARE(pane.popUp->currentIndex(), -1);
        QCOMPARE(pane.number->value(), 99);
        QVERIFY(stored.isEmpty());
        QCOMPARE(settings().integerForKey(keys[2]), 1000);
    }
};

QTEST_MAIN(TestKFPreferencePane)
#include "tst_kfpreferencepane.moc"
