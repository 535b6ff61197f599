#include "FileDropFilter.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

FileDropFilter::FileDropFilter(DropHandler handler, QObject *parent)
    : QObject(parent)
    , m_handler(std::move(handler))
{ }

QList<QUrl> FileDropFilter::localFiles(const QList<QUrl> &urls)
{
    QList<QUrl> files;
    for (const QUrl &url : urls) {
        if (url.isLocalFile())
            files.append(url);
    }
    return files;
}

bool FileDropFilter::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDropEvent *>(event);
        if (drag->mimeData()->hasUrls() && !localFiles(drag->mimeData()->urls()).isEmpty()) {
            drag->acceptProposedAction();
            return true;
        }
        break;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QList<QUrl> files = drop->mimeData()->hasUrls() ? localFiles(drop->mimeData()->urls()) : QList<QUrl>();
        if (!files.isEmpty()) {
            drop->acceptProposedAction();
            m_handler(files);
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
