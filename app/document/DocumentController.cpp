#include "DocumentController.h"

#include "DocumentWindow.h"
#include "MessageBoxAlertPresenter.h"
#include "MyDocument.h"
#include "ProfileFileData.h"

#include <KFUserDefaultsController.h>

#include <QFileInfo>
#include <QTimer>

#include <algorithm>

namespace {

// Where the recently opened files are kept between runs.
const QString recentDocumentsKey = QStringLiteral("recentDocumentPaths");
constexpr qsizetype recentDocumentsLimit = 10;

QString sentence(QString reason)
{
    if (reason.isEmpty())
        return DocumentController::tr("It could not be read.");
    if (!reason.endsWith(QLatin1Char('.')))
        reason += QLatin1Char('.');
    return reason;
}

} // namespace

DocumentController::DocumentController(QObject *parent)
    : QObject(parent)
    , m_alertPresenter(std::make_unique<MessageBoxAlertPresenter>())
{ }

DocumentController::~DocumentController()
{
    closeAllDocuments();
    m_closed.clear();
}

DocumentController::FileIdentity DocumentController::identityOf(const QUrl &url)
{
    const QFileInfo info(url.isLocalFile() ? url.toLocalFile() : url.toString());
    return { info.absoluteFilePath(), info.canonicalFilePath() };
}

QString DocumentController::FileIdentity::fileName() const
{
    return QFileInfo(absolutePath).fileName();
}

MyDocument *DocumentController::documentForURL(const QUrl &url) const
{
    const FileIdentity wanted = identityOf(url);
    for (size_t i = 0; i < m_documents.size(); ++i) {
        const FileIdentity &known = m_identities[i];
        const bool sameFile = !wanted.canonicalPath.isEmpty() && wanted.canonicalPath == known.canonicalPath;
        if (sameFile || wanted.absolutePath == known.absolutePath)
            return m_documents[i].get();
    }
    return nullptr;
}

MyDocument *DocumentController::openDocumentWithContentsOfURL(const QUrl &url, QString *error)
{
    QString reason;
    MyDocument *document = openDocument(url, reason);
    if (!document && error)
        *error = tr("The file \u201c%1\u201d could not be opened. %2").arg(identityOf(url).fileName(), reason);
    return document;
}

MyDocument *DocumentController::openDocument(const QUrl &url, QString &reason)
{
    if (MyDocument *open = documentForURL(url)) {
        displayDocument(*open);
        return open;
    }

    const FileIdentity identity = identityOf(url);
    ProfileFileData file;
    if (!file.open(identity.absolutePath)) {
        reason = sentence(file.errorString());
        return nullptr;
    }

    auto document = std::make_unique<MyDocument>(identity.absolutePath);
    if (!document->readFromFile(file)) {
        reason = sentence(document->errorString());
        return nullptr;
    }
    MyDocument *opened = document.get();
    connect(opened, &MyDocument::windowClosed, this, &DocumentController::closeDocument);
    connect(opened, &MyDocument::windowActivated, this, &DocumentController::bringToFront);
    // The registry answers for the file before the window announces it.
    m_documents.push_back(std::move(document));
    m_identities.push_back(identity);
    m_frontToBack.insert(m_frontToBack.begin(), opened);
    noteRecentDocument(identity.absolutePath);
    displayDocument(*opened);
    Q_EMIT documentRead(opened);
    return opened;
}

void DocumentController::displayDocument(MyDocument &document)
{
    if (!document.window()) {
        document.makeWindowControllers();
        if (m_windowDecorator)
            m_windowDecorator(*document.window());
    }
    document.showWindows();
    bringToFront(&document);
}

QList<MyDocument *> DocumentController::openDocuments(const QList<QUrl> &urls, QWidget *alertParent)
{
    QList<MyDocument *> opened;
    for (const QUrl &url : urls) {
        QString reason;
        if (MyDocument *document = openDocument(url, reason))
            opened.append(document);
        else
            m_alertPresenter->showWarning(alertParent,
                tr("The file \u201c%1\u201d could not be opened.").arg(identityOf(url).fileName()), reason);
    }
    return opened;
}

QList<MyDocument *> DocumentController::documents() const
{
    QList<MyDocument *> list;
    for (const auto &document : m_documents)
        list.append(document.get());
    return list;
}

QList<MyDocument *> DocumentController::orderedDocuments() const
{
    return QList<MyDocument *>(m_frontToBack.begin(), m_frontToBack.end());
}

void DocumentController::bringToFront(MyDocument *document)
{
    const auto found = std::find(m_frontToBack.begin(), m_frontToBack.end(), document);
    if (found == m_frontToBack.end())
        return;
    std::rotate(m_frontToBack.begin(), found, found + 1);
}

void DocumentController::closeDocument(MyDocument *document)
{
    const auto found = std::find_if(
        m_documents.begin(), m_documents.end(), [document](const auto &open) { return open.get() == document; });
    if (found == m_documents.end())
        return;
    std::unique_ptr<MyDocument> closing = std::move(*found);
    m_identities.erase(m_identities.begin() + (found - m_documents.begin()));
    m_documents.erase(found);
    m_frontToBack.erase(std::find(m_frontToBack.begin(), m_frontToBack.end(), document));
    closing->disconnect(this);
    if (DocumentWindow *window = closing->window())
        window->hide();
    // Not destroyed here: this may run inside the window's own close event.
    m_closed.push_back(std::move(closing));
    QTimer::singleShot(0, this, &DocumentController::destroyClosedDocuments);
    Q_EMIT documentClosed(document);
}

void DocumentController::destroyClosedDocuments()
{
    m_closed.clear();
}

void DocumentController::closeAllDocuments()
{
    while (!m_documents.empty())
        closeDocument(m_documents.back().get());
    destroyClosedDocuments();
}

QStringList DocumentController::recentDocumentPaths() const
{
    return KFUserDefaultsController::sharedUserDefaultsController().objectForKey(recentDocumentsKey).toStringList();
}

void DocumentController::clearRecentDocuments()
{
    KFUserDefaultsController::sharedUserDefaultsController().removeObjectForKey(recentDocumentsKey);
}

void DocumentController::noteRecentDocument(const QString &path)
{
    QStringList recent = recentDocumentPaths();
    recent.removeAll(path);
    recent.prepend(path);
    while (recent.size() > recentDocumentsLimit)
        recent.removeLast();
    KFUserDefaultsController::sharedUserDefaultsController().setObjectForKey(recent, recentDocumentsKey);
}

void DocumentController::setWindowDecorator(std::function<void(QMainWindow &)> decorator)
{
    m_windowDecorator = std::move(decorator);
}

void DocumentController::setAlertPresenter(std::unique_ptr<AlertPresenter> presenter)
{
    m_alertPresenter = std::move(presenter);
}
