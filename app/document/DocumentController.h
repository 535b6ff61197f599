#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <vector>

class AlertPresenter;
class MyDocument;
class QMainWindow;
class QWidget;

// The registry of open documents: one document per file, opening a file as
// a displayed document (or bringing its window forward when it is already
// open), the documents in front-to-back order, and closing. The
// application makes one.
class DocumentController final : public QObject
{
    Q_OBJECT
public:
    explicit DocumentController(QObject *parent = nullptr);
    // Closes every document still open.
    ~DocumentController() override;

    // The document of `url`, reading the file if it is not open yet, with its
    // window shown and brought forward. On failure answers null and, if
    // `error` is given, a sentence naming the file and the reason.
    MyDocument *openDocumentWithContentsOfURL(const QUrl &url, QString *error = nullptr);
    // Opens and displays each file; every one that fails is reported by an
    // alert, and the others still open.
    QList<MyDocument *> openDocuments(const QList<QUrl> &urls, QWidget *alertParent = nullptr);
    MyDocument *documentForURL(const QUrl &url) const;

    // In the order they were opened.
    QList<MyDocument *> documents() const;
    // Front to back: the most recently active window first.
    QList<MyDocument *> orderedDocuments() const;

    // Takes the document out of the registry and destroys it once control
    // is back in the event loop (or when the registry goes).
    void closeDocument(MyDocument *document);
    // Takes every document out and destroys them at once.
    void closeAllDocuments();

    // Recently opened files, newest first.
    QStringList recentDocumentPaths() const;
    void clearRecentDocuments();

    // Called with each document window once it is built, e.g. to give it
    // the application's menu.
    void setWindowDecorator(std::function<void(QMainWindow &)> decorator);
    void setAlertPresenter(std::unique_ptr<AlertPresenter> presenter);
    AlertPresenter &alertPresenter() const { return *m_alertPresenter; }

Q_SIGNALS:
    // A document shows its file as just read: it has joined the registry
    // with its window shown, or its file was read again.
    void documentRead(MyDocument *document);
    // A document was taken out of the registry; it is destroyed once
    // control is back in the event loop.
    void documentClosed(MyDocument *document);

private:
    struct FileIdentity
    {
        QString absolutePath;
        QString canonicalPath;
        QString fileName() const;
    };
    static FileIdentity identityOf(const QUrl &url);
    MyDocument *openDocument(const QUrl &url, QString &reason);
    void displayDocument(MyDocument &document);
    void noteRecentDocument(const QString &path);
    void bringToFront(MyDocument *document);
    void destroyClosedDocuments();

    std::vector<std::unique_ptr<MyDocument>> m_documents;
    std::vector<FileIdentity> m_identities;
    std::vector<MyDocument *> m_frontToBack;
    std::vector<std::unique_ptr<MyDocument>> m_closed;
    std::function<void(QMainWindow &)> m_windowDecorator;
    std::unique_ptr<AlertPresenter> m_alertPresenter;
};
