#pragma once

#include "CallTreeModel.h"
#include "CallTreeView.h"
#include "DocumentController.h"
#include "MyDocument.h"

#include <QObject>
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

inline void selectOutlineRow(MyDocument &document, int row)
{
    document.outlineView()->selectionModel()->setCurrentIndex(
        document.outlineModel()->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}
