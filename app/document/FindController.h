#pragma once

#include "DocumentTab.h"
#include "MergedCallTree.h"

#include <QObject>

#include <memory>

class CallSearch;
class EstimatedPathSearch;
class FindBar;
class MyDocument;
class ProfiledFunctionCall;
class QTimer;

// Find in a document's window: looks for the find bar's pattern among the
// calls of the document's tree once the typing pauses, goes from match to
// match in pre-order from the selected call, tells where the search stands
// in the bar, and which functions to bring out while the bar is shown.
class FindController final : public QObject
{
    Q_OBJECT
public:
    // How long typing in the find field pauses before the search runs.
    static constexpr int findDelayMilliseconds = 150;

    FindController(MyDocument &document, FindBar &bar, QObject *parent = nullptr);
    ~FindController() override;

    // Shows the find bar, focused.
    void find();
    // Asks for the next (previous) call in pre-order after the current one
    // whose function matches the pattern to be selected, going round at
    // the end; the find bar when there is no pattern.
    void findNext();
    void findPrevious();
    // The call selected in the outline, or null: where the next search
    // starts, and what the bar counts ("3 of 17").
    void setCurrentCall(const ProfiledFunctionCall *call);
    // The call paths the outline shows, or null while it shows calls: with
    // them a match is a path (its first call), and the bar counts paths.
    void setMergedPaths(const MergedCallTree *paths);
    // The same for a profile written per function, whose outline shows its
    // estimated call paths: a match is a path, and the bar counts paths;
    // MergedCallTree::none for none.
    void setCurrentEstimatedPath(quint32 path);
    // Drops the search and what it brings out, before the tree it was made
    // of goes.
    void forgetSearch();
    // Looks for the pattern again, in the document's tree as it is now,
    // while the bar is shown.
    void searchAgain();

Q_SIGNALS:
    void matchFound(const ProfiledFunctionCall *call);
    void estimatedPathFound(quint32 path);
    void highlightChanged(const DocumentTab::Highlight &highlight);
    // The bar was closed.
    void closed();

private:
    // The search for the bar's pattern, made when first needed.
    CallSearch &search();
    EstimatedPathSearch &pathSearch();
    bool findsEstimatedPaths() const;
    void findAgain(bool forward);
    void updateStatus();

    MyDocument &m_document;
    FindBar &m_bar;
    std::unique_ptr<CallSearch> m_search;
    // Typing waits for a pause before searching.
    QTimer *m_timer;
    const ProfiledFunctionCall *m_current = nullptr;
    const MergedCallTree *m_paths = nullptr;
    std::unique_ptr<EstimatedPathSearch> m_pathSearch;
    quint32 m_currentPath = MergedCallTree::none;
};
