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
    connect(&registry, &DocumentController::openFinished, this,
        [this](const QUrl &url, MyDocument *document, const QString &error) {
            Q_EMIT openFinished(url, document != nullptr, error);
        });
}

QSet<QByteArray> SifterDocumentRegistry::openFilePaths() const
{
    return m_registry.openFilePaths();
}

void SifterDocumentRegistry::openDocumentWithContentsOfURL(const QUrl &url)
{
    m_registry.openDocumentWithContentsOfURL(url, false);
}

void SifterDocumentRegistry::reloadDocumentForURL(const QUrl &url)
{
    if (MyDocument *document = m_registry.documentForURL(url))
        m_registry.reloadDocument(document);
}

void SifterDocumentRegistry::closeDocumentForURL(const QUrl &url)
{
    if (MyDocument *document = m_registry.documentForURL(url))
        m_registry.closeDocument(document);
}

void SifterDocumentRegistry::presentError(const QString &error)
{
    m_registry.alertPresenter().showWarning(nullptr, error, QString());
}
