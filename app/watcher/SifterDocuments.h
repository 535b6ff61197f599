#pragma once

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUrl>

// What the watcher needs of the application's open documents: which files
// are open, opening one (or bringing it forward), and telling the user
// why a file could not be opened. Opening takes a while: its end is told by
// a signal. The application gives the watcher one over its document
// registry; tests give it their own.
class SifterDocuments : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The files of the open documents as the system's bytes, each by the
    // path it was opened by and by the path its links resolved to then.
    // Answered without looking at the disk: the watcher asks once for all
    // its files, as SifterFileIdentity::isAmong.
    virtual QSet<QByteArray> openFilePaths() const = 0;
    // Starts opening the file at `url` as a displayed document, or brings
    // the one open for it forward; openFinished follows, possibly at once.
    virtual void openDocumentWithContentsOfURL(const QUrl &url) = 0;
    // Reads the file of the document open for `url` again, in place.
    virtual void reloadDocumentForURL(const QUrl &url) = 0;
    // Closes the document open for `url`, if any.
    virtual void closeDocumentForURL(const QUrl &url) = 0;
    // Shows a failure to open to the user; returns once it is dismissed.
    virtual void presentError(const QString &error) = 0;

Q_SIGNALS:
    // A document was opened or closed.
    void documentsChanged();
    // An open has ended: opened, or failed with `error` (a sentence naming
    // the file and the reason), or cancelled by the user (not opened, no
    // error). Told of every open, also those the watcher did not ask for.
    void openFinished(const QUrl &url, bool opened, const QString &error);
};
