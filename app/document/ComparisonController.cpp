#include "ComparisonController.h"

#include "ComparisonWindow.h"
#include "DocumentController.h"
#include "FileIdentity.h"
#include "MyDocument.h"

#include <algorithm>

ComparisonController::ComparisonController(DocumentController &registry, QObject *parent)
    : QObject(parent)
    , m_registry(registry)
{
    connect(&registry, &DocumentController::openFinished, this, &ComparisonController::openFinished);
}

ComparisonController::~ComparisonController() = default;

void ComparisonController::compare(MyDocument &before, const QUrl &after, QWidget *alertParent)
{
    // Noted first: a profile already open finishes at once.
    m_pending.push_back({ &before, after });
    m_registry.openDocumentWithContentsOfURL(after, true, alertParent);
}

void ComparisonController::openFinished(const FileIdentity &file, MyDocument *document)
{
    const auto found = std::find_if(m_pending.begin(), m_pending.end(),
        [&file](const Pending &pending) { return FileIdentity::fromUrl(pending.after) == file; });
    if (found == m_pending.end())
        return;
    const QPointer<MyDocument> before = found->before;
    m_pending.erase(found);
    if (!document || !before)
        return;
    m_windows.push_back(std::make_unique<ComparisonWindow>(m_registry, *before, *document));
    ComparisonWindow *window = m_windows.back().get();
    connect(window, &ComparisonWindow::closed, this, &ComparisonController::windowClosed);
    if (m_windowDecorator)
        m_windowDecorator(*window);
    window->show();
    window->raise();
    window->activateWindow();
    Q_EMIT windowOpened(window);
}

QList<ComparisonWindow *> ComparisonController::windows() const
{
    QList<ComparisonWindow *> list;
    for (const auto &window : m_windows)
        list.append(window.get());
    return list;
}

void ComparisonController::setWindowDecorator(std::function<void(QMainWindow &)> decorator)
{
    m_windowDecorator = std::move(decorator);
}

void ComparisonController::windowClosed(ComparisonWindow *window)
{
    const auto found
        = std::find_if(m_windows.begin(), m_windows.end(), [window](const auto &open) { return open.get() == window; });
    if (found == m_windows.end())
        return;
    // Not destroyed here: this runs inside the window's own close event.
    found->release()->deleteLater();
    m_windows.erase(found);
}
