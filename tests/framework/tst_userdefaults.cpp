#include <KFSharedDefaultsObserver.h>
#include <KFUserDefaultsController.h>

#include <QDir>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>

namespace {

struct Notification
{
    QString keyPath;
    QObject *object;
    QVariantMap change;
    void *context;
};

// Records every callback; an optional action runs inside the callback.
class RecordingObserver : public KFSharedDefaultsObserver
{
public:
    void observeValueForKeyPath(const QString &keyPath, QObject *object, const QVariantMap &change,
                                void *context) override
    {
        notifications.append({keyPath, object, change, context});
        if (onNotification)
            onNotification();
    }

    QList<Notification> notifications;
    std::function<void()> onNotification;
};

// Destroyed at exit after the shared controller, while still registered:
// its destructor must not reach into the destroyed controller.
RecordingObserver outlivingObserver;

KFUserDefaultsController &defaults()
{
    return KFUserDefaultsController::sharedUserDefaultsController();
}

} // namespace

class TestUserDefaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void storeLivesUnderTheConfigurationHome();
    void registeredDefaultsAreAnsweredButNeverWritten();
    void storedValueWinsAndRemovalRestoresDefault();
    void typedGetters_data();
    void typedGetters();
    void notificationCarriesKeyPathControllerNewValueAndNullContext();
    void registrationsAreCounted();
    void onlyTheChangedKeyIsDelivered();
    void removalNotifiesWithTheDefault();
    void destroyedObserverIsNeverCalled();
    void observerDestroyedDuringDelivery();
    void registrationsChangedDuringDelivery();
};

void TestUserDefaults::initTestCase()
{
    QDir(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Kestrune")).removeRecursively();
    outlivingObserver.addObserverSharedUserDefaults(QStringLiteral("test.outliving"));
}

void TestUserDefaults::storeLivesUnderTheConfigurationHome()
{
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    QVERIFY2(!configHome.isEmpty(), "tests run with their own XDG_CONFIG_HOME");
    QCOMPARE(defaults().storeFileName(), configHome + QStringLiteral("/Kestrune/Velotrace.conf"));
}

void TestUserDefaults::registeredDefaultsAreAnsweredButNeverWritten()
{
    defaults().registerDefaults({{QStringLiteral("test.registered"), 42}});
    defaults().setObjectForKey(QStringLiteral("kept"), QStringLiteral("test.stored"));
    defaults().synchronize();

    QCOMPARE(defaults().integerForKey(QStringLiteral("test.registered")), 42);
    QSettings onDisk(defaults().storeFileName(), QSettings::IniFormat);
    QCOMPARE(onDisk.value(QStringLiteral("test.stored")).toString(), QStringLiteral("kept"));
    QVERIFY(!onDisk.contains(QStringLiteral("test.registered")));
}

void TestUserDefaults::storedValueWinsAndRemovalRestoresDefault()
{
    const QString key = QStringLiteral("test.wins");
    defaults().registerDefaults({{key, QStringLiteral("default")}});
    defaults().setObjectForKey(QStringLiteral("stored"), key);
    QCOMPARE(defaults().stringForKey(key), QStringLiteral("stored"));
    defaults().removeObjectForKey(key);
    QCOMPARE(defaults().stringForKey(key), QStringLiteral("default"));
    // Storing an empty value removes the key as well.
    defaults().setObjectForKey(QStringLiteral("stored"), key);
    defaults().setObjectForKey(QVariant(), key);
    QCOMPARE(defaults().stringForKey(key), QStringLiteral("default"));
}

void TestUserDefaults::typedGetters_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<qint64>("integer");
    QTest::addColumn<bool>("boolean");
    QTest::addColumn<QString>("string");

    QTest::newRow("unset") << QVariant() << qint64(0) << false << QString();
    QTest::newRow("integer") << QVariant(7) << qint64(7) << true << QStringLiteral("7");
    QTest::newRow("zero") << QVariant(0) << qint64(0) << false << QStringLiteral("0");
    QTest::newRow("boolean") << QVariant(true) << qint64(1) << true << QStringLiteral("true");
    // Values read back from the file are text.
    QTest::newRow("integer as text") << QVariant(QStringLiteral("12")) << qint64(12) << true << QStringLiteral("12");
    QTest::newRow("boolean as text") << QVariant(QStringLiteral("true")) << qint64(1) << true << QStringLiteral("true");
    QTest::newRow("false as text") << QVariant(QStringLiteral("false")) << qint64(0) << false << QStringLiteral("false");
    QTest::newRow("other text") << QVariant(QStringLiteral("/tmp")) << qint64(0) << false << QStringLiteral("/tmp");
    QTest::newRow("list") << QVariant(QStringList{QStringLiteral("a")}) << qint64(0) << false << QString();
    QTest::newRow("map") << QVariant(QVariantMap{{QStringLiteral("a"), 1}}) << qint64(0) << false << QString();
}

void TestUserDefaults::typedGetters()
{
    QFETCH(QVariant, value);
    const QString key = QStringLiteral("test.typed");
    defaults().setObjectForKey(value, key);
    QTEST(defaults().integerForKey(key), "integer");
    QTEST(defaults().boolForKey(key), "boolean");
    QTEST(defaults().stringForKey(key), "string");
    defaults().removeObjectForKey(key);
}

void TestUserDefaults::notificationCarriesKeyPathControllerNewValueAndNullContext()
{
    RecordingObserver observer;
    observer.addObserverSharedUserDefaults(QStringLiteral("test.notify"));
    QVERIFY(observer.notifications.isEmpty()); // nothing at registration

    QSignalSpy changed(&defaults(), &KFUserDefaultsController::valueChanged);
    observer.onNotification = [&] {
        // The value is already stored when the observer is told.
        QCOMPARE(defaults().integerForKey(QStringLiteral("test.notify")), 3);
    };
    defaults().setObjectForKey(3, QStringLiteral("test.notify"));

    QCOMPARE(observer.notifications.size(), 1);
    const Notification &n = observer.notifications.first();
    QCOMPARE(n.keyPath, QStringLiteral("values.test.notify"));
    QCOMPARE(n.object, &defaults());
    QCOMPARE(n.change, (QVariantMap{{QStringLiteral("new"), 3}}));
    QCOMPARE(n.context, nullptr);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.first().at(0).toString(), QStringLiteral("test.notify"));
    QCOMPARE(changed.first().at(1), QVariant(3));
    observer.removeObserverSharedUserDefaults(QStringLiteral("test.notify"));
}

void TestUserDefaults::registrationsAreCounted()
{
    const QString key = QStringLiteral("test.counted");
    RecordingObserver observer;
    observer.addObserverSharedUserDefaults(key);
    observer.addObserverSharedUserDefaults(key);
    defaults().setObjectForKey(1, key);
    QCOMPARE(observer.notifications.size(), 2);

    observer.removeObserverSharedUserDefaults(key);
    defaults().setObjectForKey(2, key);
    QCOMPARE(observer.notifications.size(), 3);

    observer.removeObserverSharedUserDefaults(key);
    observer.removeObserverSharedUserDefaults(key); // one too many: ignored
    defaults().setObjectForKey(3, key);
    QCOMPARE(observer.notifications.size(), 3);
}

void TestUserDefaults::onlyTheChangedKeyIsDelivered()
{
    RecordingObserver observer;
    observer.addObserverSharedUserDefaults(QStringLiteral("test.a"));
    observer.addObserverSharedUserDefaults(QStringLiteral("test.never.registered.anywhere"));
    defaults().setObjectForKey(1, QStringLiteral("test.b"));
    QVERIFY(observer.notifications.isEmpty());
    defaults().setObjectForKey(1, QStringLiteral("test.never.registered.anywhere"));
    QCOMPARE(observer.notifications.size(), 1);
    // Storing the same value again still tells the observer.
    defaults().setObjectForKey(1, QStringLiteral("test.never.registered.anywhere"));
    QCOMPARE(observer.notifications.size(), 2);
}

void TestUserDefaults::removalNotifiesWithTheDefault()
{
    const QString key = QStringLiteral("test.removal");
    defaults().registerDefaults({{key, 5}});
    defaults().setObjectForKey(9, key);
    RecordingObserver observer;
    observer.addObserverSharedUserDefaults(key);
    defaults().removeObjectForKey(key);
    QCOMPARE(observer.notifications.size(), 1);
    QCOMPARE(observer.notifications.first().change.value(QStringLiteral("new")), QVariant(5));
}

void TestUserDefaults::destroyedObserverIsNeverCalled()
{
    const QString key = QStringLiteral("test.destroyed");
    auto observer = std::make_unique<RecordingObserver>();
    observer->addObserverSharedUserDefaults(key);
    observer->addObserverSharedUserDefaults(key);
    observer.reset(); // without removing its registrations
    // Under the address sanitizer a call into the destroyed observer fails here.
    defaults().setObjectForKey(1, key);

    RecordingObserver survivor;
    survivor.addObserverSharedUserDefaults(key);
    defaults().setObjectForKey(2, key);
    QCOMPARE(survivor.notifications.size(), 1);
}

void TestUserDefaults::observerDestroyedDuringDelivery()
{
    const QString key = QStringLiteral("test.during");
    auto first = std::make_unique<RecordingObserver>();
    auto second = std::make_unique<RecordingObserver>();
    first->addObserverSharedUserDefaults(key);
    second->addObserverSharedUserDefaults(key);
    first->addObserverSharedUserDefaults(key);
    // The first observer destroys the second one and itself.
    first->onNotification = [&] {
        second.reset();
        first.reset();
    };
    defaults().setObjectForKey(1, key);
    QVERIFY(!first);
    QVERIFY(!second);
}

void TestUserDefaults::registrationsChangedDuringDelivery()
{
    const QString key = QStringLiteral("test.reentrant");
    RecordingObserver adder;
    RecordingObserver late;
    RecordingObserver removed;
    adder.addObserverSharedUserDefaults(key);
    removed.addObserverSharedUserDefaults(key);
    adder.onNotification = [&] {
        late.addObserverSharedUserDefaults(key);
        removed.removeObserverSharedUserDefaults(key);
        adder.onNotification = nullptr;
    };
    defaults().setObjectForKey(1, key);
    QCOMPARE(adder.notifications.size(), 1);
    QCOMPARE(late.notifications.size(), 0); // registered after the change
    QCOMPARE(removed.notifications.size(), 0);

    defaults().setObjectForKey(2, key);
    QCOMPARE(late.notifications.size(), 1);
    QCOMPARE(removed.notifications.size(), 0);
}

QTEST_GUILESS_MAIN(TestUserDefaults)
#include "tst_userdefaults.moc"
