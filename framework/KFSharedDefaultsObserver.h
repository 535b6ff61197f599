#pragma once

#include "KestruneFoundationExport.h"

#include <QString>
#include <QVariantMap>

class QObject;

// Base for any object that watches settings. Registrations are removed when
// the observer is destroyed, so a destroyed observer is never called.
class KESTRUNEFOUNDATION_EXPORT KFSharedDefaultsObserver
{
public:
    KFSharedDefaultsObserver() = default;
    KFSharedDefaultsObserver(const KFSharedDefaultsObserver &) = delete;
    KFSharedDefaultsObserver &operator=(const KFSharedDefaultsObserver &) = delete;
    virtual ~KFSharedDefaultsObserver();

    // Registers for, or removes one registration of, "values." + key.
    void addObserverSharedUserDefaults(const QString &key);
    void removeObserverSharedUserDefaults(const QString &key);

    // Called after each change of an observed value: the key path, the
    // shared controller, a change record holding the new value under "new",
    // and a null context.
    virtual void observeValueForKeyPath(
        const QString &keyPath, QObject *object, const QVariantMap &change, void *context)
        = 0;
};
