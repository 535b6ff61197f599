#pragma once

#include "KestruneFoundationExport.h"

#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>

class KFSharedDefaultsObserver;

// The one process-wide settings object: values by key over QSettings,
// stored under QCoreApplication's organisation and application names as
// they are at the first request (set them before), registered defaults
// for keys the user never stored, and observation of "values." + key.
// Every change of a value, however it was made, reaches every registration
// of its key path.
//
// Changes are written to disk soon after they are made (once control is back
// in the event loop). A store file that is no settings file (it cannot be
// parsed, is not UTF-8 text, or holds lines that are neither sections nor
// key=value pairs) is never written over: it is moved aside before anything
// is stored, and the store starts empty.
class KESTRUNEFOUNDATION_EXPORT KFUserDefaultsController final : public QObject
{
    Q_OBJECT
public:
    static KFUserDefaultsController &sharedUserDefaultsController();

    // Defaults are answered for unstored keys and never written to disk.
    void registerDefaults(const QVariantMap &defaults);

    QVariant objectForKey(const QString &key) const;
    // Values of the wrong type read as the type's empty value.
    qint64 integerForKey(const QString &key) const;
    bool boolForKey(const QString &key) const;
    QString stringForKey(const QString &key) const;

    // Store a value (or remove it, bringing the default back) and notify.
    void setObjectForKey(const QVariant &value, const QString &key);
    void removeObjectForKey(const QString &key);
    // Writes the store to disk.
    void synchronize();
    // The file the store is kept in.
    QString storeFileName() const;

    // Whether a store file's contents are a settings file, as above.
    static bool isSettingsText(QByteArrayView contents);

    // If the store file could not be parsed, moves it aside (to the same
    // name with ".bad" added, or ".bad.2" and on if that is taken) and
    // starts with an empty store, so that the registered defaults apply.
    // Done on its own before the first change is stored; a program that
    // only reads its settings never moves the file.
    void setAsideUnreadableStore();

    // Registrations are counted: registering twice gives two callbacks.
    void addObserver(KFSharedDefaultsObserver &observer, const QString &keyPath);
    void removeObserver(KFSharedDefaultsObserver &observer, const QString &keyPath);

Q_SIGNALS:
    // Emitted after every change, with the setting's key (not the key path).
    void valueChanged(const QString &key, const QVariant &value);
    // The store file could not be parsed and was moved to `keptAs`.
    void unreadableStoreSetAside(const QString &fileName, const QString &keptAs);
    // The store could not be written to `fileName`; emitted once, at the
    // first failed save.
    void storeWriteFailed(const QString &fileName);

private:
    friend class KFSharedDefaultsObserver;

    KFUserDefaultsController();
    ~KFUserDefaultsController() override;
    // The shared controller, or null once it has been destroyed at exit.
    static KFUserDefaultsController *liveInstance();
    void removeAllObservations(KFSharedDefaultsObserver &observer);
    // Stores a change: sets the unreadable file aside first, and schedules
    // a save.
    void willChangeStore();
    void save();

    struct Private;
    std::unique_ptr<Private> m_d;
};
