#include "KFSharedDefaultsObserver.h"

#include "KFUserDefaultsController.h"

namespace {

QString keyPathForKey(const QString &key)
{
    return QStringLiteral("values.") + key;
}

} // namespace

KFSharedDefaultsObserver::~KFSharedDefaultsObserver()
{
    if (KFUserDefaultsController *controller = KFUserDefaultsController::liveInstance())
        controller->removeAllObservations(*this);
}

void KFSharedDefaultsObserver::addObserverSharedUserDefaults(const QString &key)
{
    KFUserDefaultsController::sharedUserDefaultsController().addObserver(*this, keyPathForKey(key));
}

void KFSharedDefaultsObserver::removeObserverSharedUserDefaults(const QString &key)
{
    KFUserDefaultsController::sharedUserDefaultsController().removeObserver(*this, keyPathForKey(key));
}
