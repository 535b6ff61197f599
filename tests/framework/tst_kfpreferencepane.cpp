#include "KFPreferencePane.h"
#include "KFUserDefaultsController.h"

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

// A pane whose form holds a pop-up, a number and a text field bound to test keys.
class BoundPane : public KFPreferencePane
{
public:
    BoundPane()
    {
        setNibName(QStringLiteral("BoundForm"));
        view();
    }
    QComboBox *popUp = nullptr;
    QSpinBox *number = nullptr;
    QLineEdit *text = nullptr;
    int boundChanges = 0;

protected:
    std::unique_ptr<QWidget> loadNib() override
    {
        auto form = std::make_unique<QWidget>();
        popUp = new QComboBox;
        popUp->addItems({ "zero", "one", "two" });
        number = new QSpinBox;
        number->setRange(1, 99);
        text = new QLineEdit;
        auto *layout = new QVBoxLayout(form.get());
        for (QWidget *control : std::initializer_list<QWidget *> { popUp, number, text })
            layout->addWidget(control);
        return form;
    }
    void awakeFromNib() override
    {
        bind(popUp, QStringLiteral("testPopUp"));
        bind(number, QStringLiteral("testNumber"));
        bind(text, QStringLiteral("testText"));
    }
    void boundValuesDidChange() override { ++boundChanges; }
};

} // namespace

// Check boxes and pop-ups reaching the settings are also tested through the application's own panes.
class TestKFPreferencePane : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        settings().registerDefaults({ { "testPopUp", 1 }, { "testNumber", 5 }, { "testText", "c.*" } });
    }

    void cleanup()
    {
        for (const char *key : { "testPopUp", "testNumber", "testText" })
            settings().removeObjectForKey(QLatin1String(key));
    }

    void textIsStoredWhenItsEditEnds()
    {
        BoundPane pane;
        QCOMPARE(pane.text->text(), QStringLiteral("c.*"));
        QSignalSpy stored(&settings(), &KFUserDefaultsController::valueChanged);
        pane.number->setValue(12);
        pane.text->setText(QStringLiteral("p.*"));
        QCOMPARE(stored.size(), 1);
        Q_EMIT pane.text->editingFinished();
        Q_EMIT pane.text->editingFinished(); // an unchanged edit stores nothing
        QCOMPARE(stored, QList<QVariantList>({ { "testNumber", 12 }, { "testText", "p.*" } }));
        QCOMPARE(pane.boundChanges, 2);
    }

    void controlsFollowChangesMadeElsewhere()
    {
        BoundPane pane;
        std::make_unique<BoundPane>().reset(); // a destroyed pane must hear nothing
        settings().setObjectForKey(42, QStringLiteral("testNumber"));
        settings().setObjectForKey(QStringLiteral("x.*"), QStringLiteral("testText"));
        QCOMPARE(pane.number->value(), 42);
        QCOMPARE(pane.text->text(), QStringLiteral("x.*"));
        QCOMPARE(pane.boundChanges, 2);
        settings().removeObjectForKey(QStringLiteral("testNumber"));
        QCOMPARE(pane.number->value(), 5);
    }

    void valuesOutsideTheControlsRangeAreNotRewritten()
    {
        settings().setObjectForKey(7, QStringLiteral("testPopUp"));
        settings().setObjectForKey(1000, QStringLiteral("testNumber"));
        QSignalSpy stored(&settings(), &KFUserDefaultsController::valueChanged);
        BoundPane pane;
        QCOMPARE(pane.popUp->currentIndex(), -1);
        QCOMPARE(pane.number->value(), 99);
        QVERIFY(stored.isEmpty());
        QCOMPARE(settings().integerForKey(QStringLiteral("testNumber")), 1000);
    }
};

QTEST_MAIN(TestKFPreferencePane)
#include "tst_kfpreferencepane.moc"
