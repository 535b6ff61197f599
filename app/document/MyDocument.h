#pragma once

#include "Profile.h"

#include <KFSharedDefaultsObserver.h>

#include <QObject>
#include <QString>

#include <memory>
#include <string_view>

class CallIndex;
class CallSearch;
class CallTreeModel;
class CallTreeView;
class CallersController;
class CallsController;
class DocumentWindow;
class FindBar;
class FlameGraphTab;
class Formatter;
class ProfiledFunctionCall;
class QLabel;
class QLineEdit;
class QTabWidget;
class QTableView;
class QTimer;
class SummaryController;

namespace Ui {
class MyDocument;
}

// Posted once per document at the end of its window's set-up, and once
// first thing when it is destroyed; the object is the document.
inline const QString VTCDocumentOpenedNotification = QStringLiteral("VTCDocumentOpened");
inline const QString VTCDocumentClosedNotification = QStringLiteral("VTCDocumentClosed");

// One open profile file: owns the profile read from it and the window, and
// drives the window: the call-tree outline with its find bar, the detail
// fields of the selected call, and the calls, summary and callers tables. A
// profile without calls says so in place of the outline.
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
    // The same on a callers row: lists the calls that caller makes of the
    // function in the calls table and brings it to the front.
    void callersRowActivated(int row);

    // Shows the find bar, focused.
    void find();
    // Selects the next (previous) call in pre-order after the selected one
    // whose function matches the find bar's pattern, going round at the
    // end, and expands the outline down to it.
    void findNext();
    void findPrevious();
    // Selects the selected call's caller.
    void goToCaller();
    // Expands the outline from the selected call along its hot path and
    // selects the path's last call.
    void expandHotPath();
    // Expands the call's ancestors in the outline, selects it and scrolls
    // it into view.
    void selectCall(const ProfiledFunctionCall &call);
    // Selects the root in the outline and the summary's row of the function
    // whose name is `name` (as the profile writes it), scrolled into view
    // and the summary in front, and brings the window forward; false, with
    // the root selected, when no such row is shown.
    bool showFunctionInSummary(std::string_view name);
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
    CallersController *callersTab() const { return m_callersTab.get(); }
    FlameGraphTab *flameGraphTab() const { return m_flameGraphTab; }
    QTabWidget *tabView() const;
    QTableView *callsTableView() const;
    QTableView *summaryTableView() const;
    QTableView *callersTableView() const;
    FindBar *findBar() const;
    QLineEdit *functionNameTextField() const;
    QLineEdit *fileNameTextField() const;
    QLineEdit *lineNumberTextField() const;
    QLineEdit *selfTimeTextField() const;
    QLineEdit *inclusiveTimeTextField() const;
    QLineEdit *selfMemoryTextField() const;
    QLineEdit *inclusiveMemoryTextField() const;
    QLineEdit *profilerSummaryTextField() const;

Q_SIGNALS:
    // The window was closed by the user or the application.
    void windowClosed(MyDocument *document);
    void windowActivated(MyDocument *document);

private:
    void windowControllerDidLoadNib();
    void setUpViews();
    void setUpActions();
    // Shows the profile's tree in the outline and selects `selected`, or
    // the root when it is null.
    void showProfile(const ProfiledFunctionCall *selected);
    // The index of the shown tree, made when first needed.
    const CallIndex &callIndex();
    // The search for the find bar's pattern, made when first needed.
    CallSearch &search();
    // The next or previous match from the selected call; find's field
    // while there is no pattern.
    void findAgain(bool forward);
    void selectMatch(qsizetype number);
    void updateFindStatus();
    // Brings out the bars of the matching functions in the flame graph.
    void highlightMatchesInFlameGraph(const CallSearch &search);
    void updateActions();
    // Lists the callers of the selected call's function when the callers
    // tab is in front; otherwise only notes that they are out of date.
    void updateCallers();

    Formatter &m_formatter;
    QString m_filePath;
    QString m_title;
    std::unique_ptr<Profile> m_profile;
    std::unique_ptr<CallTreeModel> m_outlineModel;
    std::unique_ptr<CallsController> m_callsTab;
    std::unique_ptr<SummaryController> m_summaryTab;
    std::unique_ptr<CallersController> m_callersTab;
    std::unique_ptr<CallIndex> m_callIndex;
    std::unique_ptr<CallSearch> m_search;
    // Typing waits for a pause before searching.
    std::unique_ptr<QTimer> m_findTimer;
    // The profile's memory event, or -1; known once the window is built.
    int m_memoryEvent = -1;
    bool m_callersOutOfDate = false;
    std::unique_ptr<Ui::MyDocument> m_ui;
    QLabel *m_emptyMessage = nullptr; // owned by the outline
    // Owned by the window's tab view.
    FlameGraphTab *m_flameGraphTab = nullptr;
    // Declared last: the views go before the models they show.
    std::unique_ptr<DocumentWindow> m_window;
};
