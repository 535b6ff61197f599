#include "SifterDocumentRegistry.h"

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
        [this](const FileIdentity &file, MyDocument *document, const QString &error) {
            Q_EMIT openFinished(file, document != nullptr, error);
        });
}

QSet<QByteArray> SifterDocumentRegistry::openFilePaths() const
{
    return m_registry.openFilePaths();
}

void SifterDocumentRegistry::openDocument(const FileIdentity &file, bool alertOnFailure)
{
    m_registry.openDocument(file, alertOnFailure);
}

void SifterDocumentRegistry::reloadDocument(const FileIdentity &file)
{
    if (MyDocument *document = m_registry.documentForFile(file))
        m_registry.reloadDocument(document);
}

void SifterDocumentRegistry::closeDocument(const FileIdentity &file)
{
    if (MyDocument *document = m_registry.documentForFile(file))
        m_registry.closeDocument(document);
}
