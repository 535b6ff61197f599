#pragma once

#include "SifterDocuments.h"

class DocumentController;

// The watcher's view of the application's document registry: documents are
// looked up, opened, read again and closed there, failures are told through
// its alerts, and every document opened or closed anywhere is reported.
class SifterDocumentRegistry final : public SifterDocuments
{
    Q_OBJECT
public:
    explicit SifterDocumentRegistry(DocumentController &registry, QObject *parent = nullptr);

    QSet<QByteArray> openFilePaths() const override;
    void openDocument(const FileIdentity &file, bool alertOnFailure) override;
    void reloadDocument(const FileIdentity &file) override;
    void closeDocument(const FileIdentity &file) override;

private:
    DocumentController &m_registry;
};
