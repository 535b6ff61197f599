#pragma once

#include "CallTreeModel.h"
#include "CallTreeView.h"
#include "DocumentController.h"
#include "DocumentWindow.h"
#include "MyDocument.h"

#include <QObject>
#include <QTableView>
#include <QTest>
#include <QUrl>

// Opens the file without an alert and waits until it has been read: the
// document, or null with the reason in `error`.
inline MyDocument *openAndWait(DocumentController &registry, const QString &path, QString *error = nullptr)
{
    const QUrl url = QUrl::fromLocalFile(path);
    MyDocument *opened = nullptr;
    bool finished = false;
    const QMetaObject::Connection connection = QObject::connect(&registry, &DocumentController::openFinished,
        [&](const FileIdentity &file, MyDocument *document, const QString &message) {
            if (file != FileIdentity::fromUrl(url))
                return;
            opened = document;
            finished = true;
            if (error)
                *error = message;
        });
    registry.openDocumentWithContentsOfURL(url, false);
    if (!QTest::qWaitFor([&] { return finished; }, 60000))
        qWarning("The file was not read in time: %s", qPrintable(path));
    QObject::disconnect(connection);
    return opened;
}

// Waits until the registry reads no file any more.
inline bool waitForReads(const DocumentController &registry)
{
    return QTest::qWaitFor([&] { return registry.readsInProgress() == 0; }, 60000);
}

// A part of the document's window, found by its name.
template <typename Part> Part *partOf(const MyDocument &document, const char *name)
{
    Part *part = document.window()->findChild<Part *>(QLatin1String(name));
    if (!part)
        qFatal("The window has no %s", name);
    return part;
}

inline CallTreeView *outlineOf(const MyDocument &document)
{
    return partOf<CallTreeView>(document, "myOutlineView");
}

inline CallTreeModel &outlineModelOf(const MyDocument &document)
{
    return *qobject_cast<CallTreeModel *>(outlineOf(document)->model());
}

// The model of the window's table of that name ("callsTableView").
inline QAbstractItemModel &tableOf(const MyDocument &document, const char *name)
{
    return *partOf<QTableView>(document, name)->model();
}

inline void selectOutlineRow(MyDocument &document, int row)
{
    outlineOf(document)->selectionModel()->setCurrentIndex(
        outlineModelOf(document).index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}
