#include "SifterDocumentRegistry.h"

#include "AlertPresenter.h"
#include "DocumentController.h"
#include "MyDocument.h"
#include "NotificationCenter.h"

SifterDocumentRegistry::SifterDocumentRegistry(DocumentController &registry, QObject *parent)
    : SifterDocuments(parent)
    , m_registry(registry)
{
    // Posted once a document's window is up, when the registry already
    // answers for it, and as a document goes, when it no longer does.
    connect(&NotificationCenter::defaultCenter(), &NotificationCenter::notificationPosted, this,
        [this](const QString &name, QObject *) {
            if (name == VTCDocumentOpenedNotification || name == VTCDocumentClosedNotification)
                Q_EMIT documentsChanged();
        });
}

bool SifterDocumentRegistry::hasDocumentForURL(const QUrl &url) const
{
    return m_registry.documentForURL(url) != nullptr;
}

bool SifterDocumentRegistry::openDocumentWithContentsOfURL(const QUrl &url, QString *error)
{
    return m_registry.openDocumentWithContentsOfURL(url, error) != nullptr;
}

void SifterDocumentRegistry::presentError(const QString &error)
{
    m_registry.alertPresenter().showWarning(nullptr, error, QString());
}
