#include "ComparisonController.h"

#include "ComparisonWindow.h"
#include "DocumentController.h"
#include "MyDocument.h"

#include <QPointer>

#include <algorithm>

ComparisonController::ComparisonController(DocumentController &registry, QObject *parent)
    : QObject(parent)
    , m_registry(registry)
{ }

ComparisonController::~ComparisonController() = default;

ComparisonWindow *ComparisonController::compare(MyDocument &before, const QUrl &after, QWidget *alertParent)
{
    const QPointer<MyDocument> first(&before);
    const QList<MyDocument *> opened = m_registry.openDocuments({ after }, alertParent);
    if (opened.isEmpty() || !first)
        return nullptr;
    m_windows.push_back(std::make_unique<ComparisonWindow>(m_registry, before, *opened.first()));
    ComparisonWindow *window = m_windows.back().get();
    connect(window, &ComparisonWindow::closed, this, &ComparisonController::windowClosed);
    if (m_windowDecorator)
        m_windowDecorator(*window);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
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
