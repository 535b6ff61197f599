#include "DocumentWindow.h"

#include "CallTreeModel.h"
#include "CallTreeView.h"
#include "CallersTab.h"
#include "CallsTab.h"
#include "ChangedFileNotice.h"
#include "ColumnChooser.h"
#include "DisplayText.h"
#include "EditorLauncher.h"
#include "FindController.h"
#include "FlameGraphTab.h"
#include "FlameGraphView.h"
#include "FunctionLabelDelegate.h"
#include "GraphLocation.h"
#include "HotPath.h"
#include "MergedCallTree.h"
#include "MergedCallTreeModel.h"
#include "MessageBoxAlertPresenter.h"
#include "MyDocument.h"
#include "Profile.h"
#include "SettingsKeys.h"
#include "ShareBarDelegate.h"
#include "SourceFileModel.h"
#include "SourceTab.h"
#include "SummaryTab.h"
#include "TableViewSetup.h"
#include "TreeShapeActions.h"
#include "ui_MyDocument.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QStatusBar>
#include <QTabBar>
#include <QVBoxLayout>

#include <new>

namespace {

// The platform's keys for a standard action, with `key` first if they lack it.
QList<QKeySequence> keysWith(QKeySequence::StandardKey standard, const QKeySequence &key)
{
    QList<QKeySequence> keys = QKeySequence::keyBindings(standard);
    keys.removeAll(key);
    keys.prepend(key);
    return keys;
}

} // namespace

DocumentWindow::DocumentWindow(MyDocument &document, QWidget *parent)
    : QMainWindow(parent)
    , m_document(document)
    , m_ui(std::make_unique<Ui::MyDocument>())
    , m_findAction(addWindowAction(tr("&Find\u2026"), keysWith(QKeySequence::Find, QKeySequence(Qt::CTRL | Qt::Key_F))))
    , m_findNextAction(addWindowAction(tr("Find &Next"), keysWith(QKeySequence::FindNext, QKeySequence(Qt::Key_F3))))
    , m_findPreviousAction(addWindowAction(
          tr("Find Pre&vious"), keysWith(QKeySequence::FindPrevious, QKeySequence(Qt::SHIFT | Qt::Key_F3))))
    , m_goToCallerAction(addWindowAction(tr("Go to &Caller"), { QKeySequence(Qt::ALT | Qt::Key_Up) }))
    , m_expandHotPathAction(addWindowAction(tr("Expand &Hot Path"), { QKeySequence(Qt::CTRL | Qt::Key_E) }))
    , m_openInEditorAction(addWindowAction(tr("&Open in Editor"), { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E) }))
    , m_flameGraphOnlyAction(
          addWindowAction(tr("Flame Graph Only"), { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G) }))
{
    m_ui->setupUi(this);
    setWindowTitle(DisplayText::forWindowTitle(document.title()));
    setWindowFilePath(document.filePath());
    setUpViews();
    setUpActions();
    connect(&document, &MyDocument::titleChanged, this,
        [this](const QString &title) { setWindowTitle(DisplayText::forWindowTitle(title)); });
    connect(&document, &MyDocument::profileReplaced, this, &DocumentWindow::profileReplaced);
    showProfile({});
}

DocumentWindow::~DocumentWindow()
{
    // The parts may signal while they are taken down.
    for (QObject *part : findChildren<QObject *>())
        part->disconnect(this);
}

QAction *DocumentWindow::addWindowAction(const QString &text, const QList<QKeySequence> &shortcuts)
{
    auto *action = new QAction(text, this);
    action->setShortcuts(shortcuts);
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    return action;
}

void DocumentWindow::setUpViews()
{
    auto *delegate = new FunctionLabelDelegate(this);
    m_callModel = new CallTreeModel(this);
    m_mergedModel = new MergedCallTreeModel(this);
    m_shape = new TreeShapeActions(this);
    CallTreeView *outline = m_ui->myOutlineView;
    outline->setItemDelegate(delegate);
    outline->setItemDelegateForColumn(CallTreeModel::ShareColumn, new ShareBarDelegate(this));
    m_outlineColumns = new ColumnChooser(*outline->header(), VTCOutlineHiddenColumns);
    useOutlineModel(m_callModel);
    m_find = new FindController(m_document, *m_ui->findBar, this);
    m_callsTab = new CallsTab(*delegate);
    m_summaryTab = new SummaryTab(*delegate);
    m_flameGraphTab = new FlameGraphTab;
    for (DocumentTab *tab : std::initializer_list<DocumentTab *> {
             m_callsTab, m_summaryTab, new CallersTab(m_document, *delegate), m_flameGraphTab })
        addTab(tab);
    m_sourceTab = new SourceTab;
    addTab(m_sourceTab);
    m_alerts = new MessageBoxAlertPresenter(this);
    m_editor = std::make_unique<EditorLauncher>(*m_alerts);
    connect(m_sourceTab, &SourceTab::pathMappingRequested, this, &DocumentWindow::pathMappingRequested);
    connect(m_sourceTab, &SourceTab::openRequested, this, [this](const QString &path, quint32 line) {
        m_editor->open(this, { path, line });
    });
    // Open in Editor is on the context menus of the outline and the tables.
    outline->setContextMenuPolicy(Qt::ActionsContextMenu);
    outline->addAction(m_openInEditorAction);
    for (DocumentTab *tab : m_tabs) {
        for (QAbstractItemView *view : tab->findChildren<QAbstractItemView *>()) {
            view->setContextMenuPolicy(Qt::ActionsContextMenu);
            view->addAction(m_openInEditorAction);
        }
    }
    m_ui->splitter->setSizes({ 780, 320 });
    m_ui->splitter->setStretchFactor(0, 1);
    m_ui->mainSplitter->setSizes({ 420, 300 });
    m_ui->mainSplitter->setStretchFactor(0, 1);
    m_ui->findBar->hide();

    // A double-click and Enter both activate a row.
    connect(outline, &QAbstractItemView::activated, this,
        [this](const QModelIndex &index) { myOutlineViewDoubleClick(index.row()); });
}

void DocumentWindow::useOutlineModel(OutlineModel *model)
{
    CallTreeView *outline = m_ui->myOutlineView;
    if (outline->model() == model)
        return;
    m_outlineModel = model;
    // The view makes a selection model per model, and leaves the old one.
    const std::unique_ptr<QItemSelectionModel> previous(outline->selectionModel());
    outline->setOutlineModel(model);
    connect(outline->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &DocumentWindow::outlineViewSelectionDidChange);
    QHeaderView &header = *outline->header();
    sizeColumnsToSamples(header, false);
    if (model == m_mergedModel)
        header.moveSection(MergedCallTreeModel::CallsColumn, CallTreeModel::FunctionColumn + 1);
    // The header shows every column of a new model: hide those hidden.
    m_outlineColumns->setColumnAvailable(CallTreeModel::InclusiveMemoryColumn, m_document.profile().memoryEvent() >= 0);
}

QList<QAction *> DocumentWindow::viewActions() const
{
    return m_shape->actions() << m_viewSeparator << m_flameGraphOnlyAction;
}

void DocumentWindow::showFlameGraphOnly(bool only)
{
    m_ui->splitter->setVisible(!only);
    m_ui->tabView->tabBar()->setVisible(!only);
    if (only)
        m_ui->tabView->setCurrentWidget(m_flameGraphTab);
}

void DocumentWindow::addTab(DocumentTab *tab)
{
    m_tabs.push_back(tab);
    m_ui->tabView->addTab(tab, tab->title());
    connect(tab, &DocumentTab::callActivated, this, [this](const ProfiledFunctionCall *call) { selectCall(*call); });
    connect(tab, &DocumentTab::callsActivated, this, &DocumentWindow::listCalls);
    connect(tab, &DocumentTab::estimatedPathActivated, this, &DocumentWindow::selectEstimatedPath);
    connect(m_find, &FindController::highlightChanged, tab, &DocumentTab::highlight);
}

void DocumentWindow::setUpActions()
{
    connect(m_findAction, &QAction::triggered, this, &DocumentWindow::find);
    connect(m_findNextAction, &QAction::triggered, this, &DocumentWindow::findNext);
    connect(m_findPreviousAction, &QAction::triggered, this, &DocumentWindow::findPrevious);
    connect(m_goToCallerAction, &QAction::triggered, this, &DocumentWindow::goToCaller);
    connect(m_expandHotPathAction, &QAction::triggered, this, &DocumentWindow::expandHotPath);
    connect(m_openInEditorAction, &QAction::triggered, this, &DocumentWindow::openInEditor);
    m_flameGraphOnlyAction->setCheckable(true);
    m_viewSeparator = new QAction(this);
    m_viewSeparator->setSeparator(true);
    connect(m_flameGraphOnlyAction, &QAction::toggled, this, &DocumentWindow::showFlameGraphOnly);
    connect(m_find, &FindController::matchFound, this, [this](const ProfiledFunctionCall *call) {
        selectCall(*call);
        // A row of call paths stands for many calls: the next match is
        // looked for after this one, not after the row's first call.
        m_find->setCurrentCall(call);
    });
    connect(m_find, &FindController::estimatedPathFound, this, &DocumentWindow::selectEstimatedPath);
    connect(m_shape, &TreeShapeActions::mergingChanged, this, &DocumentWindow::reshapeOutline);
    connect(m_shape, &TreeShapeActions::childOrderChanged, this, &DocumentWindow::reshapeOutline);
    connect(m_shape, &TreeShapeActions::hiddenShareChanged, this, &DocumentWindow::reshapeOutline);
    connect(m_find, &FindController::closed, this, [this] { m_ui->myOutlineView->setFocus(Qt::OtherFocusReason); });
}

void DocumentWindow::showProfile(const CallPath &selected)
{
    const Profile &profile = m_document.profile();
    const int memoryEvent = profile.memoryEvent();
    m_callModel->setCostUnit(profile.costUnit());
    m_callModel->setMemoryEvent(memoryEvent);
    m_outlineColumns->setColumnAvailable(CallTreeModel::InclusiveMemoryColumn, memoryEvent >= 0);
    m_ui->detailPane->showProfile(profile);
    for (DocumentTab *tab : m_tabs)
        tab->showProfile(profile);
    m_shape->setRecordsCalls(!profile.isAggregated());
    showOutline(selected);

    // An empty outline looks like a fault: it says why it is empty.
    const bool empty = m_outlineModel->rowCount() == 0;
    if (empty && !m_emptyMessage) {
        QWidget *outline = m_ui->myOutlineView->viewport();
        m_emptyMessage = new QLabel(tr("No calls were found in this file."), outline);
        m_emptyMessage->setObjectName(QStringLiteral("emptyOutlineMessage"));
        m_emptyMessage->setTextFormat(Qt::PlainText);
        m_emptyMessage->setAlignment(Qt::AlignCenter);
        m_emptyMessage->setWordWrap(true);
        m_emptyMessage->setEnabled(false);
        auto *layout = new QVBoxLayout(outline);
        layout->addWidget(m_emptyMessage);
    }
    if (m_emptyMessage)
        m_emptyMessage->setVisible(empty);
}

void DocumentWindow::showOutline(const CallPath &selected)
{
    const Profile &profile = m_document.profile();
    const MergedCallTree *paths = nullptr;
    try {
        // A profile written per function shows its estimated paths.
        if (profile.isAggregated())
            paths = &profile.estimatedCallTree();
        else if (m_shape->mergesRepeatedCalls() && profile.rootFunction())
            paths = &m_document.mergedCallTree();
    } catch (const std::bad_alloc &) {
        // Short of memory for the paths: the calls are shown as they are.
    }
    const bool merged = paths != nullptr;
    m_mergedModel->setChildOrder(m_shape->childOrder());
    m_callModel->setChildOrder(m_shape->childOrder(), profile.timeEvent());
    m_mergedModel->setHiddenShare(m_shape->hiddenShare());
    m_callModel->setHiddenShare(m_shape->hiddenShare(), profile.timeEvent());
    m_flameGraphTab->view()->setHiddenShare(m_shape->hiddenShare());
    m_mergedModel->setPaths(merged ? &profile : nullptr, paths);
    m_flameGraphTab->view()->setTreeShape(paths, m_shape->childOrder());
    m_find->setMergedPaths(paths);
    m_callModel->setRootFunction(merged ? nullptr : profile.rootFunction());
    useOutlineModel(merged ? static_cast<OutlineModel *>(m_mergedModel) : m_callModel);
    if (m_outlineModel->rowCount() > 0) {
        m_outlineModel->expandRow(0);
        selectPath(selected);
    } else {
        outlineViewSelectionDidChange();
    }
}

void DocumentWindow::reshapeOutline()
{
    showOutline(selectedPath());
}

void DocumentWindow::profileReplaced()
{
    // The previous tree is still there while this runs.
    const CallPath selected = selectedPath();
    m_find->forgetSearch();
    if (m_changedNotice)
        m_changedNotice->hide();
    showProfile(selected);
    m_find->searchAgain();
}

int DocumentWindow::selectedRow() const
{
    const QItemSelectionModel *selection = m_ui->myOutlineView->selectionModel();
    const QModelIndex current = selection->currentIndex();
    if (current.isValid() && selection->isRowSelected(current.row()))
        return current.row();
    const QModelIndexList rows = selection->selectedRows();
    return rows.isEmpty() ? -1 : rows.last().row();
}

const ProfiledFunctionCall *DocumentWindow::selectedCall() const
{
    return m_outlineModel->callAtRow(selectedRow());
}

quint32 DocumentWindow::selectedEstimatedPath() const
{
    if (m_outlineModel != m_mergedModel || !m_document.profile().isAggregated())
        return MergedCallTree::none;
    return m_mergedModel->pathOfRow(selectedRow());
}

CallPath DocumentWindow::selectedPath() const
{
    return m_outlineModel->pathAtRow(selectedRow());
}

bool DocumentWindow::selectPath(const CallPath &path)
{
    if (m_outlineModel->rowCount() == 0)
        return false;
    const int row = path.isEmpty() ? -1 : m_outlineModel->expandPath(path);
    const QModelIndex target = m_outlineModel->index(row >= 0 ? row : 0, 0);
    m_ui->myOutlineView->selectionModel()->setCurrentIndex(
        target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_ui->myOutlineView->scrollTo(target);
    return row >= 0;
}

void DocumentWindow::selectCall(const ProfiledFunctionCall &call)
{
    selectRow(m_outlineModel->expandParents(call));
}

void DocumentWindow::selectEstimatedPath(quint32 path)
{
    if (m_outlineModel == m_mergedModel)
        selectRow(m_mergedModel->expandToPath(path));
}

void DocumentWindow::selectRow(int row)
{
    if (row < 0)
        return;
    const QModelIndex target = m_outlineModel->index(row, 0);
    m_ui->myOutlineView->selectionModel()->setCurrentIndex(
        target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_ui->myOutlineView->scrollTo(target);
}

void DocumentWindow::outlineViewSelectionDidChange()
{
    const ProfiledFunctionCall *call = selectedCall();
    const quint32 path = m_outlineModel == m_mergedModel ? m_mergedModel->pathOfRow(selectedRow()) : 0;
    const quint32 estimated = selectedEstimatedPath();
    if (estimated != MergedCallTree::none)
        m_ui->detailPane->displayEstimatedPath(estimated);
    else if (call && m_outlineModel == m_mergedModel)
        m_ui->detailPane->displayPath(m_document.mergedCallTree(), path, *call);
    else if (call)
        m_ui->detailPane->displayItem(*call);
    else
        m_ui->detailPane->clearFunctionMetadataDisplay();
    for (DocumentTab *tab : m_tabs) {
        if (estimated != MergedCallTree::none)
            tab->showEstimatedPath(estimated);
        // A call path's summary, below, is that of all its calls.
        else if (tab != m_summaryTab || !call || m_outlineModel != m_mergedModel)
            tab->showCall(call);
    }
    if (call && m_outlineModel == m_mergedModel) {
        m_callsTab->showPath(m_document.profile(), m_document.mergedCallTree(), path);
        m_summaryTab->showPath(m_document.profile(), m_document.mergedCallTree(), path);
    }
    updateActions();
    m_find->setCurrentCall(call);
    m_find->setCurrentEstimatedPath(estimated);
}

void DocumentWindow::updateActions()
{
    const ProfiledFunctionCall *call = selectedCall();
    const quint32 estimated = selectedEstimatedPath();
    const bool isEstimated = estimated != MergedCallTree::none;
    m_goToCallerAction->setEnabled(
        (call && call->parent()) || (isEstimated && m_mergedModel->parentRow(selectedRow()) >= 0));
    m_expandHotPathAction->setEnabled((call || isEstimated) && m_outlineModel->isExpandable(selectedRow()));
    m_openInEditorAction->setEnabled(
        call != nullptr || (isEstimated && GraphLocation::ofPath(m_document.profile(), estimated).source));
    const bool hasRows = m_outlineModel->rowCount() > 0;
    for (QAction *action : { m_findAction, m_findNextAction, m_findPreviousAction })
        action->setEnabled(hasRows);
}

void DocumentWindow::myOutlineViewDoubleClick(int clickedRow)
{
    if (clickedRow < 0 || !m_outlineModel->isExpandable(clickedRow))
        return;
    m_ui->myOutlineView->toggleRow(clickedRow);
}

void DocumentWindow::listCalls(const std::vector<const ProfiledFunctionCall *> &calls)
{
    m_callsTab->listCalls(calls);
    m_ui->tabView->setCurrentWidget(m_callsTab);
}

void DocumentWindow::find()
{
    m_find->find();
}

void DocumentWindow::findNext()
{
    m_find->findNext();
}

void DocumentWindow::findPrevious()
{
    m_find->findPrevious();
}

void DocumentWindow::showChangedWhileRead()
{
    if (!m_changedNotice) {
        m_changedNotice = new ChangedFileNotice(this);
        m_ui->centralLayout->insertWidget(0, m_changedNotice);
        connect(m_changedNotice, &ChangedFileNotice::reloadRequested, this, &DocumentWindow::reloadRequested);
    }
    m_changedNotice->show();
}

void DocumentWindow::goToCaller()
{
    const ProfiledFunctionCall *call = selectedCall();
    if (call && call->parent())
        selectCall(*call->parent());
    else if (!call && selectedEstimatedPath() != MergedCallTree::none)
        selectRow(m_outlineModel->parentRow(selectedRow()));
}

void DocumentWindow::expandHotPath()
{
    const ProfiledFunctionCall *call = selectedCall();
    const QList<ProfileEvent> &events = m_document.profile().events();
    // The event the flame graph shows, so that the path is the graph's widest.
    const int event = m_flameGraphTab->view()->event();
    if ((!call && selectedEstimatedPath() == MergedCallTree::none) || event < 0 || event >= events.size())
        return;
    if (m_outlineModel == m_mergedModel) {
        // Along the heaviest call path each step.
        const quint32 path = m_mergedModel->pathOfRow(selectedRow());
        const quint32 end = m_mergedModel->hotPathEnd(path, event);
        if (end != path)
            selectRow(m_mergedModel->expandToPath(end));
        return;
    }
    const HotPath::End end = HotPath::end(*call, event);
    if (end.call != call)
        selectCall(*end.call);
    statusBar()->showMessage(HotPath::description(end, events[event]));
}

bool DocumentWindow::showFunctionInSummary(std::string_view name)
{
    if (m_outlineModel->rowCount() == 0)
        return false;
    // The summary below the root (the top row) is the whole run's.
    selectRow(0);
    if (!m_summaryTab->selectFunction(name))
        return false;
    m_ui->tabView->setCurrentWidget(m_summaryTab);
    show();
    raise();
    activateWindow();
    return true;
}

void DocumentWindow::openInEditor()
{
    std::optional<SourceLocation> location;
    auto *tab = static_cast<DocumentTab *>(m_ui->tabView->currentWidget());
    const QWidget *focus = QApplication::focusWidget();
    if (tab && focus && tab->isAncestorOf(focus))
        location = tab->selectedLocation();
    const ProfiledFunctionCall *call = selectedCall();
    if (!location && call && call->source())
        location = SourceLocation { call->source()->path(), call->sourceLine() };
    const GraphLocation estimated = GraphLocation::ofPath(m_document.profile(), selectedEstimatedPath());
    if (!location && !call && estimated.source)
        location = SourceLocation { estimated.source->path(), estimated.line };
    if (location)
        m_editor->open(this, *location);
}

void DocumentWindow::closeEvent(QCloseEvent *event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        Q_EMIT closed();
}

void DocumentWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Q_EMIT activated();
}
