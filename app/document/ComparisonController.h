#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

#include <functional>
#include <memory>
#include <vector>

class ComparisonWindow;
class DocumentController;
class MyDocument;
class QMainWindow;
class QWidget;

// Opens windows comparing two documents' profiles, opening the second
// profile through the registry (or finding it open), and owns the windows
// until they are closed.
class ComparisonController final : public QObject
{
    Q_OBJECT
public:
    explicit ComparisonController(DocumentController &registry, QObject *parent = nullptr);
    ~ComparisonController() override;

    // Shows a window comparing `before` with the profile at `after`; both
    // documents stay open. Null when `after` cannot be opened: the registry
    // has told the user why.
    ComparisonWindow *compare(MyDocument &before, const QUrl &after, QWidget *alertParent = nullptr);
    // The open comparison windows, oldest first.
    QList<ComparisonWindow *> windows() const;

    // Called with each window once it is built, e.g. to give it the
    // application's menu.
    void setWindowDecorator(std::function<void(QMainWindow &)> decorator);

private:
    void windowClosed(ComparisonWindow *window);

    DocumentController &m_registry;
    std::vector<std::unique_ptr<ComparisonWindow>> m_windows;
    std::function<void(QMainWindow &)> m_windowDecorator;
};
