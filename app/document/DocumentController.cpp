#include "DocumentController.h"

#include "AlertPresenter.h"
#include "DocumentLoader.h"
#include "DocumentWindow.h"
#include "MessageBoxAlertPresenter.h"
#include "MyDocument.h"
#include "Profile.h"

#include <KFUserDefaultsController.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include <sys/stat.h>

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
    // Cancelled and waited for, before the documents they may read for go.
    m_reads.clear();
    closeAllDocuments();
    m_closed.clear();
}

MyDocument *DocumentController::documentForFile(const FileIdentity &file) const
{
    for (size_t i = 0; i < m_documents.size(); ++i) {
        if (file.isSameFile(m_identities[i]))
            return m_documents[i].get();
    }
    return nullptr;
}

MyDocument *DocumentController::documentForURL(const QUrl &url) const
{
    return documentForFile(FileIdentity::fromUrl(url));
}

QSet<QByteArray> DocumentController::openFilePaths() const
{
    QSet<QByteArray> paths;
    paths.reserve(qsizetype(m_identities.size()) * 2);
    for (const FileIdentity &identity : m_identities)
        identity.addSpellingsTo(paths);
    return paths;
}

void DocumentController::openDocumentWithContentsOfURL(const QUrl &url, bool alertOnFailure, QWidget *alertParent)
{
    const FileIdentity file = FileIdentity::fromUrl(url);
    if (file.isNull()) {
        const QString reason = tr("Only local files can be opened.");
        if (alertOnFailure)
            m_alertPresenter->showOpenFailure(alertParent, url.toDisplayString(), reason);
        Q_EMIT openFinished(file, nullptr, AlertPresenter::openFailureMessage(url.toDisplayString()) + ' ' + reason);
        return;
    }
    openDocument(file, alertOnFailure, alertParent);
}

void DocumentController::openDocument(const FileIdentity &file, bool alertOnFailure, QWidget *alertParent)
{
    if (MyDocument *open = documentForFile(file)) {
        displayDocument(*open);
        Q_EMIT openFinished(file, open, QString());
        return;
    }
    for (Read &read : m_reads) {
        if (!read.isReload && file.isSameFile(read.identity)) {
            read.requests.append(file);
            read.alertOnFailure = read.alertOnFailure || alertOnFailure;
            return;
        }
    }

    // Checked here, where it cannot block: a pipe or a device would wait
    // for a writer, and a directory holds no profile. A file that is not
    // there fails at once, without waiting for a turn to be read.
    struct stat status = {};
    if (::stat(file.nativePath().constData(), &status) != 0) {
        openFailed(file, sentence(QString::fromLocal8Bit(std::strerror(errno))), alertOnFailure, alertParent);
        return;
    }
    if (!S_ISREG(status.st_mode)) {
        openFailed(file, tr("Not a regular file."), alertOnFailure, alertParent);
        return;
    }
    startRead({ nullptr, file, { file }, alertOnFailure, alertParent, false, nullptr });
}

void DocumentController::openFailed(const FileIdentity &file, const QString &reason, bool alert, QWidget *alertParent)
{
    forgetRecentDocument(file.nativePath());
    if (alert)
        m_alertPresenter->showOpenFailure(alertParent, file.path(), reason);
    Q_EMIT openFinished(file, nullptr, AlertPresenter::openFailureMessage(file.path()) + QLatin1Char(' ') + reason);
}

void DocumentController::openDocuments(const QList<QUrl> &urls, QWidget *alertParent)
{
    for (const QUrl &url : urls)
        openDocumentWithContentsOfURL(url, true, alertParent);
}

void DocumentController::reloadDocument(MyDocument *document, QWidget *alertParent)
{
    const auto found = std::find_if(
        m_documents.begin(), m_documents.end(), [document](const auto &open) { return open.get() == document; });
    const bool reloading = std::any_of(m_reads.begin(), m_reads.end(),
        [document](const Read &read) { return read.isReload && read.reloading == document; });
    if (found == m_documents.end() || reloading)
        return;
    startRead({ nullptr, m_identities[size_t(found - m_documents.begin())], {}, true, alertParent, true, document });
}

void DocumentController::startRead(Read read)
{
    read.loader = std::make_unique<DocumentLoader>(read.identity.path(),
        m_memoryLimit > 0 ? m_memoryLimit : std::numeric_limits<qint64>::max(), read.identity.nativePath());
    DocumentLoader *loader = read.loader.get();
    if (m_memoryBudget)
        loader->setMemoryBudget(*m_memoryBudget);
    connect(loader, &DocumentLoader::finished, this, [this, loader] { readFinished(loader); });
    m_reads.push_back(std::move(read));
    loader->start();
}

void DocumentController::readFinished(DocumentLoader *loader)
{
    const auto found = std::find_if(
        m_reads.begin(), m_reads.end(), [loader](const Read &read) { return read.loader.get() == loader; });
    Read read = std::move(*found);
    m_reads.erase(found);
    // Still inside the loader's own signal.
    read.loader.release()->deleteLater();

    const QString path = read.identity.path();
    std::unique_ptr<Profile> profile = loader->takeProfile();
    if (read.isReload) {
        if (!read.reloading) // closed meanwhile
            return;
        if (profile) {
            read.reloading->replaceProfile(std::move(profile));
            Q_EMIT documentRead(read.reloading);
            if (loader->changedWhileRead())
                Q_EMIT documentChangedWhileRead(read.reloading);
        } else if (!loader->isCancelled()) {
            m_alertPresenter->showWarning(read.alertParent,
                tr("The file \u201c%1\u201d could not be read again.").arg(path), sentence(loader->errorString()));
        }
        return;
    }
    if (profile) {
        auto document = std::make_unique<MyDocument>(path, std::move(profile));
        const QPointer<MyDocument> shown = document.get();
        opened(read, std::move(document));
        if (loader->changedWhileRead() && shown)
            Q_EMIT documentChangedWhileRead(shown);
        return;
    }
    for (const FileIdentity &request : std::as_const(read.requests)) {
        if (loader->isCancelled())
            Q_EMIT openFinished(request, nullptr, QString());
        else
            openFailed(
                request, sentence(loader->errorString()), std::exchange(read.alertOnFailure, false), read.alertParent);
    }
}

void DocumentController::opened(Read &read, std::unique_ptr<MyDocument> document)
{
    MyDocument *opened = document.get();
    connect(opened, &MyDocument::windowClosed, this, &DocumentController::closeDocument);
    connect(opened, &MyDocument::windowActivated, this, &DocumentController::bringToFront);
    // The registry answers for the file before the window announces it.
    m_documents.push_back(std::move(document));
    m_identities.push_back(read.identity);
    m_frontToBack.insert(m_frontToBack.begin(), opened);
    noteRecentDocument(read.identity.nativePath());
    updateTitles();
    displayDocument(*opened);
    Q_EMIT documentRead(opened);
    for (const FileIdentity &request : std::as_const(read.requests))
        Q_EMIT openFinished(request, opened, QString());
}

void DocumentController::showDocument(MyDocument *document)
{
    if (document)
        displayDocument(*document);
}

void DocumentController::updateTitles()
{
    QHash<QString, int> namesakes;
    for (const FileIdentity &identity : m_identities)
        ++namesakes[identity.fileName()];
    for (size_t i = 0; i < m_documents.size(); ++i) {
        const QString name = m_identities[i].fileName();
        const QString path = m_identities[i].path();
        const QString folder = QDir::toNativeSeparators(path.left(qMax(1, path.lastIndexOf(QLatin1Char('/')))));
        m_documents[i]->setTitle(namesakes.value(name) > 1 ? tr("%1 \u2014 %2").arg(name, folder) : name);
    }
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
    for (Read &read : m_reads) {
        if (read.isReload && read.reloading == document)
            read.loader->cancel();
    }
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
    updateTitles();
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

QByteArrayList DocumentController::recentDocumentPaths() const
{
    // Kept as bytes; a list kept as text by an earlier version is read too.
    QByteArrayList paths;
    const QVariantList stored
        = KFUserDefaultsController::sharedUserDefaultsController().objectForKey(recentDocumentsKey).toList();
    for (const QVariant &path : stored) {
        if (path.typeId() == QMetaType::QByteArray)
            paths.append(path.toByteArray());
        else if (path.typeId() == QMetaType::QString)
            paths.append(QFile::encodeName(path.toString()));
    }
    return paths;
}

void DocumentController::clearRecentDocuments()
{
    KFUserDefaultsController::sharedUserDefaultsController().removeObjectForKey(recentDocumentsKey);
}

void DocumentController::forgetRecentDocument(const QByteArray &path)
{
    QByteArrayList recent = recentDocumentPaths();
    if (recent.removeAll(path) > 0)
        storeRecentDocuments(recent);
}

void DocumentController::noteRecentDocument(const QByteArray &path)
{
    QByteArrayList recent = recentDocumentPaths();
    recent.removeAll(path);
    recent.prepend(path);
    while (recent.size() > recentDocumentsLimit)
        recent.removeLast();
    storeRecentDocuments(recent);
}

void DocumentController::storeRecentDocuments(const QByteArrayList &paths)
{
    QVariantList stored;
    for (const QByteArray &path : paths)
        stored.append(path);
    KFUserDefaultsController::sharedUserDefaultsController().setObjectForKey(stored, recentDocumentsKey);
}

void DocumentController::setWindowDecorator(std::function<void(QMainWindow &)> decorator)
{
    m_windowDecorator = std::move(decorator);
}

void DocumentController::setAlertPresenter(std::unique_ptr<AlertPresenter> presenter)
{
    m_alertPresenter = std::move(presenter);
}
