#include <KFSharedDefaultsObserver.h>
#include <KFUserDefaultsController.h>

#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>

namespace {

KFUserDefaultsController &defaults()
{
    return KFUserDefaultsController::sharedUserDefaultsController();
}

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
};

QTEST_GUILESS_MAIN(TestUserDefaults)
#include "tst_userdefaults.moc"
