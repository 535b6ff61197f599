#include "KFUserDefaultsController.h"

#include "KFSharedDefaultsObserver.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QStringDecoder>

#include <algorithm>
#include <vector>

namespace {

const QString valuesPrefix = QStringLiteral("values.");

// Set once the controller has been destroyed at process exit, so that
// observers destroyed later do not reach into a dead object.
bool controllerDestroyed = false;

// One registration of an observer for a key path. Shared with the delivery
// loop, which keeps the registrations of a change alive while it calls them
// and skips those removed in the meantime.
struct Registration
{
    KFSharedDefaultsObserver *observer;
    QString keyPath;
    bool active = true;
};

bool isTextType(const QVariant &value)
{
    const int type = value.metaType().id();
    return type == QMetaType::QString || type == QMetaType::QByteArray || type == QMetaType::QChar;
}

bool isSettingsFile(const QString &fileName)
{
    QFile file(fileName);
    return !file.open(QIODevice::ReadOnly) || KFUserDefaultsController::isSettingsText(file.readAll());
}

bool isNumberType(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

} // namespace

struct KFUserDefaultsController::Private
{
    // Named by QCoreApplication's organisation and application names, which
    // can be set before there is an application object (the command line
    // creates none). On Linux the file lives under
    // $XDG_CONFIG_HOME/<organisation>/<application>.conf.
    std::unique_ptr<QSettings> store = std::make_unique<QSettings>();
    // Set while the store file that was read is no settings file: writing
    // it would lose what the parser skipped.
    bool unreadable = store->status() == QSettings::FormatError || !isSettingsFile(store->fileName());
    bool savePending = false;
    bool writeFailureReported = false;
    QVariantMap registeredDefaults;
    std::vector<std::shared_ptr<Registration>> registrations;

    void notify(KFUserDefaultsController &controller, const QString &key)
    {
        const QString keyPath = valuesPrefix + key;
        const QVariant value = controller.objectForKey(key);
        const QVariantMap change { { QStringLiteral("new"), value } };

        // Observers may add or remove registrations, or be destroyed, while
        // they are called: work on a copy and skip what was removed.
        std::vector<std::shared_ptr<Registration>> targets;
        for (const auto &registration : registrations) {
            if (registration->keyPath == keyPath)
                targets.push_back(registration);
        }
        for (const auto &registration : targets) {
            if (registration->active)
                registration->observer->observeValueForKeyPath(keyPath, &controller, change, nullptr);
        }
        Q_EMIT controller.valueChanged(key, value);
    }
};

KFUserDefaultsController::KFUserDefaultsController()
    : m_d(std::make_unique<Private>())
{ }

KFUserDefaultsController::~KFUserDefaultsController()
{
    for (const auto &registration : m_d->registrations)
        registration->active = false;
    controllerDestroyed = true;
}

KFUserDefaultsController &KFUserDefaultsController::sharedUserDefaultsController()
{
    // Destroyed at process exit, which writes any pending change to disk.
    static KFUserDefaultsController instance;
    return instance;
}

KFUserDefaultsController *KFUserDefaultsController::liveInstance()
{
    return controllerDestroyed ? nullptr : &sharedUserDefaultsController();
}

void KFUserDefaultsController::registerDefaults(const QVariantMap &defaults)
{
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it)
        m_d->registeredDefaults.insert(it.key(), it.value());
}

QVariant KFUserDefaultsController::objectForKey(const QString &key) const
{
    const QVariant stored = m_d->store->value(key);
    if (stored.isValid())
        return stored;
    return m_d->registeredDefaults.value(key);
}

// The file format keeps every value as text, so numbers and booleans come
// back from disk as strings: the typed getters accept both forms.
qint64 KFUserDefaultsController::integerForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (value.metaType().id() == QMetaType::Bool)
        return value.toBool() ? 1 : 0;
    if (isNumberType(value))
        return value.toLongLong();
    if (isTextType(value)) {
        const QString text = value.toString().trimmed();
        if (text == QLatin1String("true"))
            return 1;
        bool ok = false;
        const qint64 number = text.toLongLong(&ok);
        return ok ? number : 0;
    }
    return 0;
}

bool KFUserDefaultsController::boolForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (value.metaType().id() == QMetaType::Bool)
        return value.toBool();
    if (isNumberType(value))
        return value.toDouble() != 0.0;
    if (isTextType(value)) {
        const QString text = value.toString().trimmed().toLower();
        if (text == QLatin1String("true") || text == QLatin1String("yes"))
            return true;
        bool ok = false;
        const qint64 number = text.toLongLong(&ok);
        return ok && number != 0;
    }
    return false;
}

QString KFUserDefaultsController::stringForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (isTextType(value) || isNumberType(value))
        return value.toString();
    return QString();
}

void KFUserDefaultsController::setObjectForKey(const QVariant &value, const QString &key)
{
    if (!value.isValid()) {
        removeObjectForKey(key);
        return;
    }
    willChangeStore();
    m_d->store->setValue(key, value);
    m_d->notify(*this, key);
}

void KFUserDefaultsController::removeObjectForKey(const QString &key)
{
    willChangeStore();
    m_d->store->remove(key);
    m_d->notify(*this, key);
}

void KFUserDefaultsController::willChangeStore()
{
    setAsideUnreadableStore();
    if (m_d->savePending || !QCoreApplication::instance())
        return;
    m_d->savePending = true;
    QMetaObject::invokeMethod(this, &KFUserDefaultsController::save, Qt::QueuedConnection);
}

void KFUserDefaultsController::synchronize()
{
    save();
}

void KFUserDefaultsController::save()
{
    m_d->savePending = false;
    // An unreadable file that could not be moved aside is not written.
    if (!m_d->unreadable)
        m_d->store->sync();
    const bool failed = m_d->unreadable || m_d->store->status() == QSettings::AccessError;
    if (!failed || m_d->writeFailureReported)
        return;
    m_d->writeFailureReported = true;
    Q_EMIT storeWriteFailed(storeFileName());
}

void KFUserDefaultsController::setAsideUnreadableStore()
{
    if (!m_d->unreadable)
        return;
    const QString fileName = storeFileName();
    QString keptAs = fileName + QStringLiteral(".bad");
    for (int i = 2; QFile::exists(keptAs); ++i)
        keptAs = fileName + QStringLiteral(".bad.%1").arg(i);
    // Changes made meanwhile live in memory only; they are given to the new
    // store only once the old file is out of the way.
    if (!QFile::rename(fileName, keptAs))
        return;
    m_d->unreadable = false;
    m_d->store = std::make_unique<QSettings>();
    Q_EMIT unreadableStoreSetAside(fileName, keptAs);
}

bool KFUserDefaultsController::isSettingsText(QByteArrayView contents)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(contents);
    if (utf8.hasError())
        return false;
    bool continued = false;
    for (const QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        const QStringView trimmed = line.trimmed();
        for (const QChar c : trimmed) {
            if ((c.unicode() < 0x20 && c != QLatin1Char('\t')) || c.unicode() == 0x7f)
                return false;
        }
        // A line that ends in a backslash goes on in the next one.
        const bool continuation = std::exchange(continued, trimmed.endsWith(QLatin1Char('\\')));
        if (continuation || trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';'))
            || trimmed.startsWith(QLatin1Char('#')))
            continue;
        if (trimmed.startsWith(QLatin1Char('[')) ? !trimmed.endsWith(QLatin1Char(']'))
                                                 : !trimmed.contains(QLatin1Char('=')))
            return false;
    }
    return true;
}

QString KFUserDefaultsController::storeFileName() const
{
    return m_d->store->fileName();
}

void KFUserDefaultsController::addObserver(KFSharedDefaultsObserver &observer, const QString &keyPath)
{
    m_d->registrations.push_back(std::make_shared<Registration>(Registration { &observer, keyPath }));
}

void KFUserDefaultsController::removeObserver(KFSharedDefaultsObserver &observer, const QString &keyPath)
{
    // Removes one registration: the most recent one of this observer and key path.
    auto &registrations = m_d->registrations;
    const auto found = std::find_if(registrations.rbegin(), registrations.rend(), [&](const auto &registration) {
        return registration->observer == &observer && registration->keyPath == keyPath;
    });
    if (found == registrations.rend())
        return;
    (*found)->active = false;
    registrations.erase(std::next(found).base());
}

void KFUserDefaultsController::removeAllObservations(KFSharedDefaultsObserver &observer)
{
    auto &registrations = m_d->registrations;
    std::erase_if(registrations, [&](const auto &registration) {
        if (registration->observer != &observer)
            return false;
        registration->active = false;
        return true;
    });
}
