#pragma once

#include "CallPath.h"

#include <QMainWindow>

#include <memory>
#include <string_view>
#include <vector>

class CallTreeModel;
class ChangedFileNotice;
class CallsTab;
class ColumnChooser;
class DocumentTab;
class EditorLauncher;
class MessageBoxAlertPresenter;
class FindController;
class FlameGraphTab;
class MergedCallTreeModel;
class MyDocument;
class OutlineModel;
class ProfiledFunctionCall;
class QAction;
class QLabel;
class SourceTab;
class SummaryTab;
class TreeShapeActions;

namespace Ui {
class MyDocument;
}

// A document's window, built from the interface definition "MyDocument":
// the call-tree outline with its find bar, the detail fields of the
// selected call, and the tabs (calls, summary, callers, flame graph), each
// showing the selected call its own way. It follows its document: a profile
// read again is shown with the same place selected. It holds the window's
// own actions (find, and moving about the call tree), whose shortcuts work
// whether or not a menu shows them, and tells when it closes and when it
// comes to the front. A profile without calls says so in place of the
// outline; one written per function shows its estimated call paths, which
// have no calls: the selected path is handed to the details and the tabs.
class DocumentWindow final : public QMainWindow
{
    Q_OBJECT
public:
    explicit DocumentWindow(MyDocument &document, QWidget *parent = nullptr);
    ~DocumentWindow() override;

    QAction *findAction() const { return m_findAction; }
    QAction *findNextAction() const { return m_findNextAction; }
    QAction *findPreviousAction() const { return m_findPreviousAction; }
    QAction *goToCallerAction() const { return m_goToCallerAction; }
    QAction *expandHotPathAction() const { return m_expandHotPathAction; }
    QAction *openInEditorAction() const { return m_openInEditorAction; }
    SourceTab *sourceTab() const { return m_sourceTab; }
    // The View menu's items on how the outline shows the calls.
    QList<QAction *> viewActions() const;

    // The call of the outline's selected row, or null.
    const ProfiledFunctionCall *selectedCall() const;
    // The path of the estimated call tree of a profile written per function
    // that the selected row shows, or MergedCallTree::none.
    quint32 selectedEstimatedPath() const;
    // The place of the selected row; empty for none.
    CallPath selectedPath() const;
    // Expands the outline down to the place at `path`, selects it and
    // scrolls it into view; false, with the top row selected, when the tree
    // has no such place.
    bool selectPath(const CallPath &path);
    // The same for a call of the profile shown, and for a path of its
    // estimated call tree.
    void selectCall(const ProfiledFunctionCall &call);
    void selectEstimatedPath(quint32 path);

    // Shows the find bar, focused.
    void find();
    // Tells that the file changed while it was read, offering to read it
    // again (reloadRequested); the next profile shown takes the notice away.
    void showChangedWhileRead();
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
    // Selects the root in the outline and the summary's row of the function
    // whose name is `name` (as the profile writes it), scrolled into view
    // and the summary in front, and brings the window forward; false, with
    // the root selected, when no such row is shown.
    bool showFunctionInSummary(std::string_view name);
    // Opens the source file of the row that has the focus, in the tab in
    // front, or else of the selected call, at its line.
    void openInEditor();

    // Shows the outline's selected call in the details and every tab.
    void outlineViewSelectionDidChange();
    // A double-click or Enter on an outline row: expands or collapses it;
    // nothing for a row without children or a negative row.
    void myOutlineViewDoubleClick(int clickedRow);

Q_SIGNALS:
    void closed();
    void activated();
    // Set Up Path Mapping was asked for the file at the recorded `path`.
    void pathMappingRequested(const QString &path);
    // The changed-file notice asked for the file to be read again.
    void reloadRequested();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QAction *addWindowAction(const QString &text, const QList<QKeySequence> &shortcuts);
    void setUpViews();
    void setUpActions();
    void addTab(DocumentTab *tab);
    // Shows the document's profile in every part and selects the place at
    // `selected`, or the root.
    void showProfile(const CallPath &selected);
    // The document's profile was replaced: shows the new one with the same
    // place selected.
    void profileReplaced();
    // Fills the outline, each call or each call path as the View menu
    // says, and selects the place at `selected`, or the root.
    void showOutline(const CallPath &selected);
    // Shows the outline the new way with the same place selected.
    void reshapeOutline();
    void useOutlineModel(OutlineModel *model);
    int selectedRow() const;
    void selectRow(int row);
    // Gives the flame graph the whole window, or the outline and the tabs
    // their room back.
    void showFlameGraphOnly(bool only);
    void listCalls(const std::vector<const ProfiledFunctionCall *> &calls);
    void updateActions();

    MyDocument &m_document;
    std::unique_ptr<Ui::MyDocument> m_ui;
    QAction *m_findAction;
    QAction *m_findNextAction;
    QAction *m_findPreviousAction;
    QAction *m_goToCallerAction;
    QAction *m_expandHotPathAction;
    QAction *m_openInEditorAction;
    QAction *m_flameGraphOnlyAction;
    QAction *m_viewSeparator = nullptr;
    // Children of the window, made after its views, so that the views go
    // first.
    CallTreeModel *m_callModel = nullptr;
    MergedCallTreeModel *m_mergedModel = nullptr;
    // One of the two, as the outline shows.
    OutlineModel *m_outlineModel = nullptr;
    TreeShapeActions *m_shape = nullptr;
    ColumnChooser *m_outlineColumns = nullptr;
    FindController *m_find = nullptr;
    std::vector<DocumentTab *> m_tabs;
    CallsTab *m_callsTab = nullptr;
    SummaryTab *m_summaryTab = nullptr;
    SourceTab *m_sourceTab = nullptr;
    MessageBoxAlertPresenter *m_alerts = nullptr;
    std::unique_ptr<EditorLauncher> m_editor;
    FlameGraphTab *m_flameGraphTab = nullptr;
    ChangedFileNotice *m_changedNotice = nullptr;
    QLabel *m_emptyMessage = nullptr;
};
