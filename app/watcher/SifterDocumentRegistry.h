#pragma once

#include "SifterDocuments.h"

class DocumentController;

// The watcher's view of the application's document registry: documents are
// looked up and opened there, failures are shown through its alerts, and
// every document opened or closed anywhere is reported.
class SifterDocumentRegistry final : public SifterDocuments
{
    Q_OBJECT
public:
    explicit SifterDocumentRegistry(DocumentController &registry, QObject *parent = nullptr);

    QSet<QByteArray> openFilePaths() const override;
    // Opens without an alert of the registry's own: the watcher presents
    // the failure.
    void openDocumentWithContentsOfURL(const QUrl &url) override;
    void reloadDocumentForURL(const QUrl &url) override;
    void closeDocumentForURL(const QUrl &url) override;
    void presentError(const QString &error) override;

private:
    DocumentController &m_registry;
};
