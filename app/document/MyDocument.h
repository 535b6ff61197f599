#pragma once

#include "Profile.h"

#include <KFSharedDefaultsObserver.h>

#include <QObject>
#include <QString>

#include <memory>

class CallTreeModel;
class CallTreeView;
class CallsController;
class DocumentWindow;
class Formatter;
class ProfiledFunctionCall;
class QLabel;
class QLineEdit;
class QTabWidget;
class SummaryController;

namespace Ui {
class MyDocument;
}

// Posted once per document at the end of its window's set-up, and once
// first thing when it is destroyed; the object is the document.
inline const QString VTCDocumentOpenedNotification = QStringLiteral("VTCDocumentOpened");
inline const QString VTCDocumentClosedNotification = QStringLiteral("VTCDocumentClosed");

// One open profile file: owns the profile read from it and the window, and
// drives the window: the call-tree outline, the five detail fields of the
// selected call and the calls and summary tables. A profile without calls
// says so in place of the outline.
class MyDocument final : public QObject, public KFSharedDefaultsObserver
{
    Q_OBJECT
public:
    // The document of the file at `filePath`, showing `profile` (read).
    MyDocument(const QString &filePath, std::unique_ptr<Profile> profile, QObject *parent = nullptr);
    ~MyDocument() override;

    // Shows `profile`, read again from the file, in place of the current
    // one; the selected call stays selected where the same path of calls
    // (functions and their order among same-named siblings) still exists,
    // and the root is selected otherwise.
    void replaceProfile(std::unique_ptr<Profile> profile);

    // Builds the window once, then sets it up (windowControllerDidLoadNib).
    void makeWindowControllers();
    void showWindows();
    // Null until makeWindowControllers.
    DocumentWindow *window() const { return m_window.get(); }

    QString filePath() const { return m_filePath; }
    // The file's name.
    QString displayName() const;
    // What the window's title and the Window menu call the document: the
    // display name unless the registry sets another.
    QString title() const { return m_title; }
    void setTitle(const QString &title);
    int state() const { return m_profile->state(); }
    const Profile &profile() const { return *m_profile; }
    const ProfiledFunctionCall *rootFunction() const { return m_profile->rootFunction(); }

    void displayItem(const ProfiledFunctionCall &call);
    void clearFunctionMetadataDisplay();
    void outlineViewSelectionDidChange();
    // A double-click or Enter on an outline row: expands or collapses it;
    // nothing for a row without children or a negative row.
    void myOutlineViewDoubleClick(int clickedRow);
    // The same on a summary row: lists that function's calls in the calls
    // table and brings it to the front.
    void summaryRowActivated(int row);
    // The same on a calls row: expands the call's ancestors in the outline
    // and selects it there.
    void callsRowActivated(int row);
    void observeValueForKeyPath(
        const QString &keyPath, QObject *object, const QVariantMap &change, void *context) override;

    // The call of the outline's selected row, or null.
    const ProfiledFunctionCall *selectedCall() const;
    // The message shown in place of the outline for a profile without
    // calls; null until one was first needed.
    const QLabel *emptyMessage() const { return m_emptyMessage; }

    // The window's parts (valid once the window is built).
    CallTreeView *outlineView() const;
    CallTreeModel *outlineModel() const { return m_outlineModel.get(); }
    CallsController *callsTab() const { return m_callsTab.get(); }
    SummaryController *summaryTab() const { return m_summaryTab.get(); }
    QTabWidget *tabView() const;
    QLineEdit *functionNameTextField() const;
    QLineEdit *fileNameTextField() const;
    QLineEdit *lineNumberTextField() const;
    QLineEdit *selfTimeTextField() const;
    QLineEdit *inclusiveTimeTextField() const;

Q_SIGNALS:
    // The window was closed by the user or the application.
    void windowClosed(MyDocument *document);
    void windowActivated(MyDocument *document);

private:
    void windowControllerDidLoadNib();
    // Shows the profile's tree in the outline and selects `selected`, or
    // the root when it is null.
    void showProfile(const ProfiledFunctionCall *selected);
    void selectInOutline(const ProfiledFunctionCall &call);

    Formatter &m_formatter;
    QString m_filePath;
    QString m_title;
    std::unique_ptr<Profile> m_profile;
    std::unique_ptr<CallTreeModel> m_outlineModel;
    std::unique_ptr<CallsController> m_callsTab;
    std::unique_ptr<SummaryController> m_summaryTab;
    std::unique_ptr<Ui::MyDocument> m_ui;
    QLabel *m_emptyMessage = nullptr; // owned by the outline
    // Declared last: the views go before the models they show.
    std::unique_ptr<DocumentWindow> m_window;
};
