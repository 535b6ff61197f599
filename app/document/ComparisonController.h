#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <memory>
#include <vector>

class ComparisonWindow;
class DocumentController;
class FileIdentity;
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

    // Opens the profile at `after` (or finds it open) and then shows a window
    // comparing `before` with it; both documents stay open. Nothing is shown
    // when `after` cannot be opened (the registry tells the user why) or
    // `before` closes meanwhile.
    void compare(MyDocument &before, const QUrl &after, QWidget *alertParent = nullptr);
    // The open comparison windows, oldest first.
    QList<ComparisonWindow *> windows() const;

    // Called with each window once it is built, e.g. to give it the
    // application's menu.
    void setWindowDecorator(std::function<void(QMainWindow &)> decorator);

Q_SIGNALS:
    void windowOpened(ComparisonWindow *window);

private:
    // A comparison waiting for its second profile to be read.
    struct Pending
    {
        QPointer<MyDocument> before;
        QUrl after;
    };
    void openFinished(const FileIdentity &file, MyDocument *document);
    void windowClosed(ComparisonWindow *window);

    DocumentController &m_registry;
    std::vector<Pending> m_pending;
    std::vector<std::unique_ptr<ComparisonWindow>> m_windows;
    std::function<void(QMainWindow &)> m_windowDecorator;
};
