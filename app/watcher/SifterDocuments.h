#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

// What the watcher needs of the application's open documents: whether a
// file is open, opening one (or bringing it forward), and telling the user
// why a file could not be opened. The application gives the watcher one
// over its document registry; tests give it their own.
class SifterDocuments : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Whether a document is open for the file at `url`.
    virtual bool hasDocumentForURL(const QUrl &url) const = 0;
    // Opens the file at `url` as a displayed document, or brings the one
    // open for it forward. On failure answers false and, if `error` is
    // given, a sentence naming the file and the reason.
    virtual bool openDocumentWithContentsOfURL(const QUrl &url, QString *error) = 0;
    // Shows a failure to open to the user; returns once it is dismissed.
    virtual void presentError(const QString &error) = 0;

Q_SIGNALS:
    // A document was opened or closed.
    void documentsChanged();
};
