#pragma once

#include "FileIdentity.h"

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>

// What the watcher needs of the application's open documents: which files
// are open, opening one (or bringing it forward), reading one again and
// closing one. Opening takes a while: its end is told by a signal. The
// application gives the watcher one over its document registry; tests give
// it their own.
class SifterDocuments : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The files of the open documents by both spellings, as
    // FileIdentity::isAmong takes them. Answered without looking at the
    // disk: the watcher asks once for all its files.
    virtual QSet<QByteArray> openFilePaths() const = 0;
    // Starts opening the file as a displayed document, or brings the one
    // open for it forward; openFinished follows, possibly at once. A failure
    // is told to the user when `alertOnFailure`.
    virtual void openDocument(const FileIdentity &file, bool alertOnFailure) = 0;
    // Reads the file of the document open for it again, in place.
    virtual void reloadDocument(const FileIdentity &file) = 0;
    // Closes the document open for the file, if any.
    virtual void closeDocument(const FileIdentity &file) = 0;

Q_SIGNALS:
    // A document was opened or closed.
    void documentsChanged();
    // An open has ended, with the file as it was asked for: opened, or
    // failed with `error` (a sentence naming the file and the reason), or
    // cancelled by the user (not opened, no error). Told of every open, also
    // those the watcher did not ask for.
    void openFinished(const FileIdentity &file, bool opened, const QString &error);
};
