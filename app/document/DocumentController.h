#pragma once

#include "FileIdentity.h"

#include <QByteArrayList>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <vector>

class AlertPresenter;
class DocumentLoader;
class MemoryBudget;
class MyDocument;
class QMainWindow;
class QWidget;

// The registry of open documents: one document per file, opening a file as
// a displayed document (or bringing its window forward when it is already
// open), reading a document's file again, the documents in front-to-back
// order, their window titles, and closing. Files are read on threads of
// their own, several at once; a document joins the registry, and its window
// appears, once its file has been read. A file that fails to open leaves
// the recent files. The application makes one.
class DocumentController final : public QObject
{
    Q_OBJECT
public:
    explicit DocumentController(QObject *parent = nullptr);
    // Cancels the reads still running and closes every document still open.
    ~DocumentController() override;

    // Starts opening the file as a displayed document, or brings its window
    // forward when it is open; opening it again while it is read changes
    // nothing. Anything but a regular file fails at once. The outcome is
    // told by openFinished; a failure is also shown as an alert when
    // `alertOnFailure`.
    void openDocument(const FileIdentity &file, bool alertOnFailure = true, QWidget *alertParent = nullptr);
    // The same for the local file a URL names.
    void openDocumentWithContentsOfURL(const QUrl &url, bool alertOnFailure = true, QWidget *alertParent = nullptr);
    // The same for each file.
    void openDocuments(const QList<QUrl> &urls, QWidget *alertParent = nullptr);
    MyDocument *documentForFile(const FileIdentity &file) const;
    MyDocument *documentForURL(const QUrl &url) const;
    // The open documents' files, by both spellings (FileIdentity::isAmong):
    // for callers that ask about many files at once, without looking at
    // the disk.
    QSet<QByteArray> openFilePaths() const;
    // Files being read, to be opened or read again.
    qsizetype readsInProgress() const { return qsizetype(m_reads.size()); }
    // The most memory the tree of one file read may take, below what the
    // memory budget leaves it. A file that needs more fails to open, as a
    // shortage of memory.
    void setMemoryLimit(qint64 bytes) { m_memoryLimit = bytes; }
    // The budget the reads share; by default the process's, what the system
    // can give.
    void setMemoryBudget(MemoryBudget &budget) { m_memoryBudget = &budget; }

    // Shows the document's window and brings it forward.
    void showDocument(MyDocument *document);
    // Reads the document's file again, keeping the selected call where the
    // same path of calls still exists; a failure is reported by an alert and
    // leaves the document as it was.
    void reloadDocument(MyDocument *document, QWidget *alertParent = nullptr);

    // In the order they were opened.
    QList<MyDocument *> documents() const;
    // Front to back: the most recently active window first.
    QList<MyDocument *> orderedDocuments() const;

    // Takes the document out of the registry and destroys it once control
    // is back in the event loop (or when the registry goes).
    void closeDocument(MyDocument *document);
    // Takes every document out and destroys them at once.
    void closeAllDocuments();

    // Recently opened files, newest first, as the system's bytes.
    QByteArrayList recentDocumentPaths() const;
    void clearRecentDocuments();

    // Called with each document window once it is built, e.g. to give it
    // the application's menu.
    void setWindowDecorator(std::function<void(QMainWindow &)> decorator);
    void setAlertPresenter(std::unique_ptr<AlertPresenter> presenter);
    AlertPresenter &alertPresenter() const { return *m_alertPresenter; }

Q_SIGNALS:
    // An open has ended, once for every request, with the file as it was
    // asked for: `document` is the open document, or null when the open
    // failed (`error` names the file and the reason) or was cancelled
    // (`error` is empty).
    void openFinished(const FileIdentity &file, MyDocument *document, const QString &error);
    // A document shows its file as just read: it has joined the registry
    // with its window shown, or its file was read again.
    void documentRead(MyDocument *document);
    // A document was taken out of the registry; it is destroyed once
    // control is back in the event loop.
    void documentClosed(MyDocument *document);
    // Right after documentRead: the file changed while it was read, so that
    // what the document shows may be old, partial or mixed.
    void documentChangedWhileRead(MyDocument *document);

private:
    // A file being read: to be opened for the requests of `requests` (the
    // file as each asked for it), or to be read again for the document
    // `reloading` (null once it has gone).
    struct Read
    {
        std::unique_ptr<DocumentLoader> loader;
        FileIdentity identity;
        QList<FileIdentity> requests;
        bool alertOnFailure = false;
        QPointer<QWidget> alertParent;
        bool isReload = false;
        QPointer<MyDocument> reloading;
    };
    void openFailed(const FileIdentity &file, const QString &reason, bool alert, QWidget *alertParent);
    void startRead(Read read);
    void readFinished(DocumentLoader *loader);
    void opened(Read &read, std::unique_ptr<MyDocument> document);
    void displayDocument(MyDocument &document);
    // Names each document by its file, adding the parent folder where two
    // open documents share a file name.
    void updateTitles();
    void noteRecentDocument(const QByteArray &path);
    void forgetRecentDocument(const QByteArray &path);
    void storeRecentDocuments(const QByteArrayList &paths);
    void bringToFront(MyDocument *document);
    void destroyClosedDocuments();

    std::vector<std::unique_ptr<MyDocument>> m_documents;
    std::vector<FileIdentity> m_identities;
    std::vector<MyDocument *> m_frontToBack;
    std::vector<std::unique_ptr<MyDocument>> m_closed;
    std::vector<Read> m_reads;
    qint64 m_memoryLimit = 0;
    MemoryBudget *m_memoryBudget = nullptr;
    std::function<void(QMainWindow &)> m_windowDecorator;
    std::unique_ptr<AlertPresenter> m_alertPresenter;
};
