#include "TestDefaults.h"

#include <KFPreferencePane.h>
#include <KFSharedDefaultsObserver.h>

#include <QComboBox>
#include <QLineEdit>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QVBoxLayout>

#include <functional>
#include <memory>

namespace {

// Records the new values it is told of; an optional action runs inside the callback.
class RecordingObserver : public KFSharedDefaultsObserver
{
public:
    void observeValueForKeyPath(
        const QString &keyPath, QObject *object, const QVariantMap &change, void *context) override
    {
        QVERIFY(keyPath.startsWith(QStringLiteral("values.test.")) && object == &defaults() && !context);
        changes.append(change.value(QStringLiteral("new")));
        if (onNotification)
            onNotification();
    }
    QVariantList changes;
    std::function<void()> onNotification;
};

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

// Still registered when destroyed at exit, after the shared controller.
RecordingObserver outlivingObserver;

} // namespace

class TestUserDefaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QFile::remove(defaults().storeFileName());
        outlivingObserver.addObserverSharedUserDefaults(QStringLiteral("test.outliving"));
        defaults().registerDefaults({ { "testPopUp", 1 }, { "testNumber", 5 }, { "testText", "c.*" } });
    }

    void cleanup()
    {
        for (const char *key : { "testPopUp", "testNumber", "testText" })
            defaults().removeObjectForKey(QLatin1String(key));
    }

    void storedValueWinsOverDefaultAndRemovalRestoresIt()
    {
        const QString key = QStringLiteral("test.wins");
        defaults().registerDefaults({ { key, 5 } });
        QCOMPARE(defaults().integerForKey(key), 5);
        RecordingObserver observer;
        observer.addObserverSharedUserDefaults(key);
        defaults().setObjectForKey(9, key);
        QCOMPARE(defaults().integerForKey(key), 9);
        defaults().removeObjectForKey(key);
        QCOMPARE(defaults().integerForKey(key), 5);
        defaults().setObjectForKey(9, key);
        defaults().setObjectForKey(QVariant(), key); // an empty value removes too
        QCOMPARE(observer.changes, QVariantList({ 9, 5, 9, 5 })); // removal tells the default
        defaults().synchronize();
        QVERIFY(!QSettings(defaults().storeFileName(), QSettings::IniFormat).contains(key)); // defaults never written
    }

    void valuesReadAsTheAskedType()
    {
        const QString key = QStringLiteral("test.typed");
        for (const QVariant &wrongType :
            { QVariant(), QVariant(QStringList { "a" }), QVariant(QVariantMap { { "a", 1 } }) }) {
            defaults().setObjectForKey(wrongType, key);
            QCOMPARE(defaults().integerForKey(key), 0);
            QCOMPARE(defaults().boolForKey(key), false);
            QCOMPARE(defaults().stringForKey(key), QString());
        }
        defaults().setObjectForKey(QStringLiteral("12"), key); // values read back from the file are text
        QCOMPARE(defaults().integerForKey(key), 12);
        QVERIFY(defaults().boolForKey(key));
        defaults().setObjectForKey(QStringLiteral("false"), key);
        QVERIFY(!defaults().boolForKey(key));
    }

    void everyRegistrationGetsACallback()
    {
        const QString key = QStringLiteral("test.notify");
        RecordingObserver observer;
        observer.addObserverSharedUserDefaults(key);
        observer.addObserverSharedUserDefaults(key);
        QSignalSpy changed(&defaults(), &KFUserDefaultsController::valueChanged);
        observer.onNotification = [&] { QCOMPARE(defaults().integerForKey(key), 3); }; // stored before telling
        defaults().setObjectForKey(3, key);
        defaults().setObjectForKey(3, QStringLiteral("test.unobserved"));
        QCOMPARE(observer.changes, QVariantList({ 3, 3 }));
        QCOMPARE(changed.first(), QVariantList({ key, 3 }));
        observer.onNotification = nullptr;
        observer.removeObserverSharedUserDefaults(key);
        defaults().setObjectForKey(3, key); // the same value still tells
        observer.removeObserverSharedUserDefaults(key);
        observer.removeObserverSharedUserDefaults(key); // one too many: ignored
        defaults().setObjectForKey(4, key);
        QCOMPARE(observer.changes, QVariantList({ 3, 3, 3 }));
    }

    // Under the sanitizer build a call into a destroyed observer fails here.
    void destroyedObserversAreNeverCalled()
    {
        const QString key = QStringLiteral("test.destroyed");
        auto gone = std::make_unique<RecordingObserver>();
        gone->addObserverSharedUserDefaults(key);
        gone.reset();
        auto first = std::make_unique<RecordingObserver>();
        auto second = std::make_unique<RecordingObserver>();
        RecordingObserver late;
        first->addObserverSharedUserDefaults(key);
        second->addObserverSharedUserDefaults(key);
        first->addObserverSharedUserDefaults(key);
        first->onNotification = [&] { // registers one, destroys the next one and itself
            late.addObserverSharedUserDefaults(key);
            second.reset();
            first.reset();
        };
        defaults().setObjectForKey(1, key);
        QVERIFY(!first && !second && late.changes.isEmpty());
        defaults().setObjectForKey(2, key);
        QCOMPARE(late.changes, QVariantList { 2 });
    }

    // Controls bound to settings by a preference pane.
    void textIsStoredWhenItsEditEnds()
    {
        BoundPane pane;
        QCOMPARE(pane.text->text(), QStringLiteral("c.*"));
        QSignalSpy stored(&defaults(), &KFUserDefaultsController::valueChanged);
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
        defaults().setObjectForKey(42, QStringLiteral("testNumber"));
        defaults().setObjectForKey(QStringLiteral("x.*"), QStringLiteral("testText"));
        QCOMPARE(pane.number->value(), 42);
        QCOMPARE(pane.text->text(), QStringLiteral("x.*"));
        QCOMPARE(pane.boundChanges, 2);
        defaults().removeObjectForKey(QStringLiteral("testNumber"));
        QCOMPARE(pane.number->value(), 5);
    }

    void valuesOutsideTheControlsRangeAreNotRewritten()
    {
        defaults().setObjectForKey(7, QStringLiteral("testPopUp"));
        defaults().setObjectForKey(1000, QStringLiteral("testNumber"));
        QSignalSpy stored(&defaults(), &KFUserDefaultsController::valueChanged);
        BoundPane pane;
        QCOMPARE(pane.popUp->currentIndex(), -1);
        QCOMPARE(pane.number->value(), 99);
        QVERIFY(stored.isEmpty());
        QCOMPARE(defaults().integerForKey(QStringLiteral("testNumber")), 1000);
    }
};

QTEST_MAIN(TestUserDefaults)
#include "tst_userdefaults.moc"
