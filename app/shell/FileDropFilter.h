#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

#include <functional>

// Lets a window take files dropped on it: installed on the window, it
// accepts drags that carry local files and hands the dropped files on.
class FileDropFilter final : public QObject
{
    Q_OBJECT
public:
    using DropHandler = std::function<void(const QList<QUrl> &files)>;

    explicit FileDropFilter(DropHandler handler, QObject *parent = nullptr);

    // The local files among `urls`.
    static QList<QUrl> localFiles(const QList<QUrl> &urls);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    DropHandler m_handler;
};
