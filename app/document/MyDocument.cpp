#include "MyDocument.h"

#include "CallIndex.h"
#include "CallPath.h"
#include "CallSearch.h"
#include "CallTreeModel.h"
#include "CallTreeView.h"
#include "CallersController.h"
#include "CallsController.h"
#include "ColumnChooser.h"
#include "CostFormat.h"
#include "DisplayText.h"
#include "DocumentWindow.h"
#include "FindBar.h"
#include "FlameGraphTab.h"
#include "FlameGraphView.h"
#include "Formatter.h"
#include "FunctionLabelDelegate.h"
#include "FunctionModel.h"
#include "HotPath.h"
#include "NotificationCenter.h"
#include "PlainToolTip.h"
#include "ProfiledFunctionCall.h"
#include "ProfiledFunctionSummary.h"
#include "SettingsKeys.h"
#include "ShareBarDelegate.h"
#include "SharedText.h"
#include "SourceFileModel.h"
#include "SummaryController.h"
#include "TableViewSetup.h"
#include "ui_MyDocument.h"

#include <QAction>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString measurementKeyPath = QStringLiteral("values.") + VTCMeasurement;
const QString displayDashKeyPath = QStringLiteral("values.") + VTCDisplayDash;

// A field shows the start of a long text; its tooltip has the whole.
// The profile's memory event, or -1 when it records none.
int memoryEventOf(const Profile &profile)
{
    const QList<ProfileEvent> &events = profile.events();
    for (qsizetype event = 0; event < events.size(); ++event) {
        if (events[event].kind() == ProfileEvent::Kind::Memory)
            return int(event);
    }
    return -1;
}

// A memory figure with its share of `reference`, e.g. "1.50 MiB (25.00%)";
// only a reference above 0 gives a share that means something.
QString memoryWithShare(Cost cost, Cost reference)
{
    const QString text = CostFormat::memoryCostString(cost.toSigned());
    if (reference.toSigned() <= 0)
        return text;
    return text + QString::asprintf(" (%.2f%%)", double(cost.toSigned()) * 100.0 / double(reference.toSigned()));
}

void setFieldText(QLineEdit *field, const QString &text)
{
    field->setText(text);
    field->setCursorPosition(0);
    field->setToolTip(text == dashString ? QString() : plainToolTip(text));
}

// How long typing in the find field pauses before the search runs.
constexpr int findDelayMilliseconds = 150;

// Gives a view's header its column menu; the memory columns, the last ones
// from `firstMemoryColumn` on, are there only when the profile records memory.
void setUpColumnChooser(QHeaderView &header, const QString &hiddenColumnsKey, int firstMemoryColumn, bool hasMemory)
{
    auto *chooser = new ColumnChooser(header, hiddenColumnsKey);
    for (int section = firstMemoryColumn; section < header.count(); ++section)
        chooser->setColumnAvailable(section, hasMemory);
}

struct TableSetUp
{
    int functionColumn;
    int firstMemoryColumn;
    QString hiddenColumnsKey;
};

void setUpTable(QTableView *table, TableController *model, FunctionLabelDelegate *delegate, const TableSetUp &setUp,
    int memoryEvent)
{
    model->setMemoryEvent(memoryEvent);
    setUpTableView(*table, model, QAbstractItemView::SingleSelection, model->sortColumn(), model->sortOrder());
    table->setItemDelegateForColumn(setUp.functionColumn, delegate);
    sizeColumnsToSamples(*table->horizontalHeader(), true);
    setUpColumnChooser(*table->horizontalHeader(), setUp.hiddenColumnsKey, setUp.firstMemoryColumn, memoryEvent >= 0);
}

} // namespace

MyDocument::MyDocument(const QString &filePath, std::unique_ptr<Profile> profile, QObject *parent)
    : QObject(parent)
    , m_formatter(Formatter::standardFormatter())
    , m_filePath(filePath)
    , m_title(displayName())
    , m_profile(std::move(profile))
{
    addObserverSharedUserDefaults(VTCMeasurement);
    addObserverSharedUserDefaults(VTCDisplayDash);
}

MyDocument::~MyDocument()
{
    NotificationCenter::defaultCenter().postNotificationName(VTCDocumentClosedNotification, this);
    removeObserverSharedUserDefaults(VTCMeasurement);
    removeObserverSharedUserDefaults(VTCDisplayDash);
    if (m_window) {
        // The window's parts may signal while they are taken down.
        m_window->disconnect(this);
        m_ui->myOutlineView->selectionModel()->disconnect(this);
        m_ui->tabView->disconnect(this);
        m_ui->findBar->disconnect(this);
    }
}

QString MyDocument::displayName() const
{
    return QFileInfo(m_filePath).fileName();
}

void MyDocument::setTitle(const QString &title)
{
    m_title = title;
    if (m_window)
        m_window->setWindowTitle(DisplayText::forWindowTitle(title));
}

void MyDocument::makeWindowControllers()
{
    if (m_window)
        return;
    m_outlineModel = std::make_unique<CallTreeModel>();
    m_callsTab = std::make_unique<CallsController>();
    m_summaryTab = std::make_unique<SummaryController>();
    m_callersTab = std::make_unique<CallersController>();
    m_findTimer = std::make_unique<QTimer>();
    m_findTimer->setSingleShot(true);
    m_findTimer->setInterval(findDelayMilliseconds);
    m_ui = std::make_unique<Ui::MyDocument>();
    m_window = std::make_unique<DocumentWindow>();
    m_ui->setupUi(m_window.get());
    windowControllerDidLoadNib();
}

void MyDocument::windowControllerDidLoadNib()
{
    m_window->setWindowTitle(DisplayText::forWindowTitle(m_title));
    m_window->setWindowFilePath(m_filePath);
    connect(m_window.get(), &DocumentWindow::closed, this, [this] { Q_EMIT windowClosed(this); });
    connect(m_window.get(), &DocumentWindow::activated, this, [this] { Q_EMIT windowActivated(this); });

    setUpViews();
    setUpActions();
    showProfile(nullptr);
    NotificationCenter::defaultCenter().postNotificationName(VTCDocumentOpenedNotification, this);
}

void MyDocument::showProfile(const ProfiledFunctionCall *selected)
{
    const CostUnit &unit = m_profile->costUnit();
    m_memoryEvent = memoryEventOf(*m_profile);
    m_outlineModel->setCostUnit(unit);
    m_outlineModel->setMemoryEvent(m_memoryEvent);
    for (TableController *table :
        std::initializer_list<TableController *> { m_callsTab.get(), m_summaryTab.get(), m_callersTab.get() }) {
        table->setCostUnit(unit);
        table->setMemoryEvent(m_memoryEvent);
    }
    m_outlineModel->setRootFunction(m_profile->rootFunction());
    clearFunctionMetadataDisplay();
    if (m_profile->rootFunction()) {
        m_ui->myOutlineView->selectionModel()->setCurrentIndex(
            m_outlineModel->index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_outlineModel->expandRow(0);
        if (selected && selected != m_profile->rootFunction())
            selectCall(*selected);
    } else {
        outlineViewSelectionDidChange();
    }

    // An empty outline looks like a fault: it says why it is empty.
    if (!m_profile->rootFunction() && !m_emptyMessage) {
        QWidget *outline = m_ui->myOutlineView->viewport();
        m_emptyMessage = new QLabel(tr("No calls were found in this file."), outline);
        m_emptyMessage->setTextFormat(Qt::PlainText);
        m_emptyMessage->setAlignment(Qt::AlignCenter);
        m_emptyMessage->setWordWrap(true);
        m_emptyMessage->setEnabled(false);
        auto *layout = new QVBoxLayout(outline);
        layout->addWidget(m_emptyMessage);
    }
    if (m_emptyMessage)
        m_emptyMessage->setVisible(!m_profile->rootFunction());
}

void MyDocument::replaceProfile(std::unique_ptr<Profile> profile)
{
    const CallPath selected = CallPath::of(selectedCall());
    // The old tree stays until nothing shows or indexes it any more.
    const std::unique_ptr<Profile> old = std::exchange(m_profile, std::move(profile));
    if (!m_window)
        return;
    m_search.reset();
    m_callIndex.reset();
    m_callersTab->reset();
    m_callersTab->reloadData();
    m_flameGraphTab->showEventsOf(*m_profile);
    m_flameGraphTab->view()->setHighlight({});
    showProfile(selected.find(m_profile->rootFunction()));
    // The find bar's pattern is looked for again, in the new tree.
    if (!m_ui->findBar->isHidden())
        updateFindStatus();
}

void MyDocument::setUpViews()
{
    auto *delegate = new FunctionLabelDelegate(m_window.get());
    CallTreeView *outline = m_ui->myOutlineView;
    outline->setCallTreeModel(m_outlineModel.get());
    outline->setItemDelegate(delegate);
    outline->setItemDelegateForColumn(CallTreeModel::ShareColumn, new ShareBarDelegate(m_window.get()));
    const CostUnit &unit = m_profile->costUnit();
    m_memoryEvent = memoryEventOf(*m_profile);
    const bool hasMemory = m_memoryEvent >= 0;
    for (QLineEdit *field : { m_ui->selfMemoryTextField, m_ui->inclusiveMemoryTextField })
        m_ui->detailForm->setRowVisible(field, hasMemory);
    m_outlineModel->setCostUnit(unit);
    m_outlineModel->setMemoryEvent(m_memoryEvent);
    m_callsTab->setCostUnit(unit);
    m_summaryTab->setCostUnit(unit);
    m_callersTab->setCostUnit(unit);
    sizeColumnsToSamples(*outline->header(), false);
    setUpColumnChooser(*outline->header(), VTCOutlineHiddenColumns, CallTreeModel::InclusiveMemoryColumn, hasMemory);
    setUpTable(m_ui->callsTableView, m_callsTab.get(), delegate,
        { CallsController::FunctionColumn, CallsController::FirstMemoryColumn, VTCCallsHiddenColumns }, m_memoryEvent);
    setUpTable(m_ui->summaryTableView, m_summaryTab.get(), delegate,
        { SummaryController::FunctionColumn, SummaryController::FirstMemoryColumn, VTCSummaryHiddenColumns },
        m_memoryEvent);
    setUpTable(m_ui->callersTableView, m_callersTab.get(), delegate,
        { CallersController::FunctionColumn, CallersController::FirstMemoryColumn, VTCCallersHiddenColumns },
        m_memoryEvent);
    // Paths are cut at the front, where they say least.
    m_ui->callsTableView->setTextElideMode(Qt::ElideLeft);
    m_flameGraphTab = new FlameGraphTab(*m_profile);
    m_ui->tabView->addTab(m_flameGraphTab, tr("Flame Graph"));
    m_ui->splitter->setSizes({ 780, 320 });
    m_ui->splitter->setStretchFactor(0, 1);
    m_ui->mainSplitter->setSizes({ 420, 300 });
    m_ui->mainSplitter->setStretchFactor(0, 1);
    m_ui->findBar->hide();

    // A double-click and Enter both activate a row.
    connect(outline, &QAbstractItemView::activated, this,
        [this](const QModelIndex &index) { myOutlineViewDoubleClick(index.row()); });
    connect(m_ui->summaryTableView, &QAbstractItemView::activated, this,
        [this](const QModelIndex &index) { summaryRowActivated(index.row()); });
    connect(m_ui->callsTableView, &QAbstractItemView::activated, this,
        [this](const QModelIndex &index) { callsRowActivated(index.row()); });
    connect(m_ui->callersTableView, &QAbstractItemView::activated, this,
        [this](const QModelIndex &index) { callersRowActivated(index.row()); });
    connect(outline->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &MyDocument::outlineViewSelectionDidChange);
    connect(m_flameGraphTab, &FlameGraphTab::callActivated, this,
        [this](const ProfiledFunctionCall *call) { selectCall(*call); });
    connect(m_ui->tabView, &QTabWidget::currentChanged, this, [this] {
        if (m_callersOutOfDate)
            updateCallers();
    });
}

void MyDocument::setUpActions()
{
    FindBar *bar = m_ui->findBar;
    connect(m_window->findAction(), &QAction::triggered, this, &MyDocument::find);
    connect(m_window->findNextAction(), &QAction::triggered, this, &MyDocument::findNext);
    connect(m_window->findPreviousAction(), &QAction::triggered, this, &MyDocument::findPrevious);
    connect(m_window->goToCallerAction(), &QAction::triggered, this, &MyDocument::goToCaller);
    connect(m_window->expandHotPathAction(), &QAction::triggered, this, &MyDocument::expandHotPath);
    // A new pattern makes a new search when the pause is over, or at once
    // when asked for a match.
    connect(bar, &FindBar::patternChanged, this, [this] {
        m_search.reset();
        m_findTimer->start();
    });
    connect(m_findTimer.get(), &QTimer::timeout, this, &MyDocument::updateFindStatus);
    connect(bar, &FindBar::findNextRequested, this, &MyDocument::findNext);
    connect(bar, &FindBar::findPreviousRequested, this, &MyDocument::findPrevious);
    connect(bar, &FindBar::closeRequested, this, [this] {
        m_ui->findBar->hide();
        m_flameGraphTab->view()->setHighlight({});
        m_ui->myOutlineView->setFocus(Qt::OtherFocusReason);
    });
}

void MyDocument::showWindows()
{
    makeWindowControllers();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

const ProfiledFunctionCall *MyDocument::selectedCall() const
{
    if (!m_ui)
        return nullptr;
    const QItemSelectionModel *selection = m_ui->myOutlineView->selectionModel();
    const QModelIndex current = selection->currentIndex();
    if (current.isValid() && selection->isRowSelected(current.row()))
        return m_outlineModel->callAtRow(current.row());
    const QModelIndexList rows = selection->selectedRows();
    return rows.isEmpty() ? nullptr : m_outlineModel->callAtRow(rows.last().row());
}

void MyDocument::outlineViewSelectionDidChange()
{
    const ProfiledFunctionCall *call = selectedCall();
    if (!call) {
        clearFunctionMetadataDisplay();
        m_callsTab->reset();
        m_summaryTab->reset();
        m_flameGraphTab->setCall(nullptr);
    } else {
        displayItem(*call);
        m_callsTab->populateFromFunction(*call);
        m_summaryTab->populateFromFunction(*call);
        m_flameGraphTab->setCall(call);
    }
    m_callsTab->reloadData();
    m_summaryTab->reloadData();
    updateCallers();
    updateActions();
    if (m_search)
        updateFindStatus();
}

void MyDocument::updateCallers()
{
    if (m_ui->tabView->currentWidget() != m_ui->callersTab) {
        m_callersOutOfDate = true;
        return;
    }
    m_callersOutOfDate = false;
    const ProfiledFunctionCall *call = selectedCall();
    if (!call)
        m_callersTab->reset();
    else if (m_callersTab->calledFunction() != &call->function())
        m_callersTab->populateFromFunction(call->function(), callIndex());
    m_callersTab->reloadData();
}

void MyDocument::updateActions()
{
    const ProfiledFunctionCall *call = selectedCall();
    m_window->goToCallerAction()->setEnabled(call && call->parent());
    m_window->expandHotPathAction()->setEnabled(call && call->childCount() > 0);
    const bool hasCalls = m_profile->rootFunction() != nullptr;
    for (QAction *action : { m_window->findAction(), m_window->findNextAction(), m_window->findPreviousAction() })
        action->setEnabled(hasCalls);
}

void MyDocument::displayItem(const ProfiledFunctionCall &call)
{
    setFieldText(m_ui->functionNameTextField, call.function().name());
    setFieldText(m_ui->fileNameTextField, call.source() ? call.source()->path() : dashString);
    setFieldText(m_ui->lineNumberTextField, call.sourceLine() == 0 ? dashString : QString::number(call.sourceLine()));
    const CostUnit &unit = m_profile->costUnit();
    const quint64 reference = call.parent() ? call.parent()->inclusiveTime() : call.inclusiveTime();
    setFieldText(m_ui->selfTimeTextField,
        m_formatter.getTimeCostStringWithPercentage(
            unit.toMicroseconds(call.selfTime()), unit.toMicroseconds(reference)));
    setFieldText(m_ui->inclusiveTimeTextField,
        m_formatter.getTimeCostStringWithPercentage(
            unit.toMicroseconds(call.inclusiveTime()), unit.toMicroseconds(reference)));
    if (m_memoryEvent >= 0) {
        const Cost memoryReference = (call.parent() ? *call.parent() : call).inclusiveCost(m_memoryEvent);
        setFieldText(m_ui->selfMemoryTextField, memoryWithShare(call.selfCost(m_memoryEvent), memoryReference));
        setFieldText(
            m_ui->inclusiveMemoryTextField, memoryWithShare(call.inclusiveCost(m_memoryEvent), memoryReference));
    }
    // The root's figures sit beside the profiler's own summary of the run.
    const bool showsSummary = !call.parent() && !m_profile->summaryCosts().isEmpty();
    m_ui->detailForm->setRowVisible(m_ui->profilerSummaryTextField, showsSummary);
    setFieldText(m_ui->profilerSummaryTextField, showsSummary ? m_formatter.getSummaryString(*m_profile) : dashString);
}

void MyDocument::clearFunctionMetadataDisplay()
{
    for (QLineEdit *field : { m_ui->functionNameTextField, m_ui->fileNameTextField, m_ui->lineNumberTextField,
             m_ui->selfTimeTextField, m_ui->inclusiveTimeTextField, m_ui->selfMemoryTextField,
             m_ui->inclusiveMemoryTextField, m_ui->profilerSummaryTextField })
        setFieldText(field, dashString);
    m_ui->detailForm->setRowVisible(m_ui->profilerSummaryTextField, false);
}

void MyDocument::myOutlineViewDoubleClick(int clickedRow)
{
    if (clickedRow < 0 || !m_outlineModel->isExpandable(clickedRow))
        return;
    m_ui->myOutlineView->toggleRow(clickedRow);
}

void MyDocument::summaryRowActivated(int row)
{
    if (row < 0 || row >= m_summaryTab->rowCount())
        return;
    m_callsTab->populateFromArray(m_summaryTab->summaryAt(row).calls());
    m_callsTab->reloadData();
    m_ui->tabView->setCurrentWidget(m_ui->callsTab);
}

void MyDocument::callsRowActivated(int row)
{
    if (row < 0 || row >= m_callsTab->rowCount())
        return;
    selectCall(m_callsTab->callAt(row));
}

void MyDocument::callersRowActivated(int row)
{
    if (row < 0 || row >= m_callersTab->rowCount())
        return;
    m_callsTab->populateFromArray(m_callersTab->callsAt(row));
    m_callsTab->reloadData();
    m_ui->tabView->setCurrentWidget(m_ui->callsTab);
}

void MyDocument::selectCall(const ProfiledFunctionCall &call)
{
    const int outlineRow = m_outlineModel->expandParents(call);
    if (outlineRow < 0)
        return;
    const QModelIndex target = m_outlineModel->index(outlineRow, 0);
    m_ui->myOutlineView->selectionModel()->setCurrentIndex(
        target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_ui->myOutlineView->scrollTo(target);
}

void MyDocument::goToCaller()
{
    const ProfiledFunctionCall *call = selectedCall();
    if (call && call->parent())
        selectCall(*call->parent());
}

void MyDocument::expandHotPath()
{
    const ProfiledFunctionCall *call = selectedCall();
    if (!call || !m_profile->rootFunction())
        return;
    const ProfiledFunctionCall &end = HotPath::end(*call, m_profile->rootFunction()->inclusiveTime());
    if (&end != call)
        selectCall(end);
}

const CallIndex &MyDocument::callIndex()
{
    if (!m_callIndex || &m_callIndex->tree() != &m_profile->callTree()) {
        m_search.reset();
        m_callIndex = std::make_unique<CallIndex>(m_profile->callTree());
    }
    return *m_callIndex;
}

CallSearch &MyDocument::search()
{
    const CallIndex &index = callIndex();
    if (!m_search) {
        m_findTimer->stop();
        m_search = std::make_unique<CallSearch>(index);
        m_search->setPattern(m_ui->findBar->pattern(), m_ui->findBar->isRegularExpression());
    }
    return *m_search;
}

void MyDocument::find()
{
    if (m_ui)
        m_ui->findBar->activate();
}

void MyDocument::findNext()
{
    findAgain(true);
}

void MyDocument::findPrevious()
{
    findAgain(false);
}

void MyDocument::findAgain(bool forward)
{
    if (!m_ui)
        return;
    if (m_ui->findBar->pattern().isEmpty()) {
        find();
        return;
    }
    CallSearch &current = search();
    selectMatch(forward ? current.nextMatch(selectedCall()) : current.previousMatch(selectedCall()));
}

void MyDocument::selectMatch(qsizetype number)
{
    if (number >= 0)
        selectCall(m_search->match(number));
    updateFindStatus();
}

void MyDocument::updateFindStatus()
{
    FindBar *bar = m_ui->findBar;
    if (bar->pattern().isEmpty()) {
        bar->setStatus(QString());
        m_flameGraphTab->view()->setHighlight({});
        return;
    }
    const CallSearch &current = search();
    highlightMatchesInFlameGraph(current);
    if (!current.errorString().isEmpty()) {
        bar->setStatus(tr("Invalid: %1").arg(current.errorString()), true);
        return;
    }
    const qsizetype count = current.matchCount();
    if (count == 0) {
        bar->setStatus(tr("No match"), true);
        return;
    }
    const qsizetype number = current.matchNumberOf(selectedCall());
    if (number >= 0)
        bar->setStatus(tr("%1 of %2").arg(number + 1).arg(count));
    else
        bar->setStatus(count == 1 ? tr("1 match") : tr("%1 matches").arg(count));
}

void MyDocument::highlightMatchesInFlameGraph(const CallSearch &search)
{
    if (!search.errorString().isEmpty()) {
        m_flameGraphTab->view()->setHighlight({});
        return;
    }
    // A copy: the search is replaced while the user types, the graph may
    // paint meanwhile.
    m_flameGraphTab->view()->setHighlight([matching = search.matchingFunctions()](const FunctionModel &function) {
        return function.id() < matching.size() && matching[function.id()];
    });
}

bool MyDocument::showFunctionInSummary(std::string_view name)
{
    if (!m_ui || !m_profile->rootFunction())
        return false;
    // The summary below the root is the whole run's.
    selectCall(*m_profile->rootFunction());
    for (int row = 0; row < m_summaryTab->rowCount(); ++row) {
        if (m_summaryTab->summaryAt(row).function().nameBytes() != name)
            continue;
        const QModelIndex index = m_summaryTab->index(row, 0);
        m_ui->summaryTableView->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_ui->summaryTableView->scrollTo(index);
        m_ui->tabView->setCurrentWidget(m_ui->summaryTab);
        showWindows();
        return true;
    }
    return false;
}

void MyDocument::observeValueForKeyPath(const QString &keyPath, QObject *, const QVariantMap &, void *)
{
    if (keyPath != measurementKeyPath && keyPath != displayDashKeyPath)
        return;
    if (m_outlineModel)
        m_outlineModel->reloadData();
    if (const ProfiledFunctionCall *call = selectedCall())
        displayItem(*call);
}

CallTreeView *MyDocument::outlineView() const
{
    return m_ui ? m_ui->myOutlineView : nullptr;
}

QTabWidget *MyDocument::tabView() const
{
    return m_ui ? m_ui->tabView : nullptr;
}

QTableView *MyDocument::callsTableView() const
{
    return m_ui ? m_ui->callsTableView : nullptr;
}

QTableView *MyDocument::summaryTableView() const
{
    return m_ui ? m_ui->summaryTableView : nullptr;
}

QTableView *MyDocument::callersTableView() const
{
    return m_ui ? m_ui->callersTableView : nullptr;
}

FindBar *MyDocument::findBar() const
{
    return m_ui ? m_ui->findBar : nullptr;
}

QLineEdit *MyDocument::functionNameTextField() const
{
    return m_ui ? m_ui->functionNameTextField : nullptr;
}

QLineEdit *MyDocument::fileNameTextField() const
{
    return m_ui ? m_ui->fileNameTextField : nullptr;
}

QLineEdit *MyDocument::lineNumberTextField() const
{
    return m_ui ? m_ui->lineNumberTextField : nullptr;
}

QLineEdit *MyDocument::selfTimeTextField() const
{
    return m_ui ? m_ui->selfTimeTextField : nullptr;
}

QLineEdit *MyDocument::inclusiveTimeTextField() const
{
    return m_ui ? m_ui->inclusiveTimeTextField : nullptr;
}

QLineEdit *MyDocument::selfMemoryTextField() const
{
    return m_ui ? m_ui->selfMemoryTextField : nullptr;
}

QLineEdit *MyDocument::inclusiveMemoryTextField() const
{
    return m_ui ? m_ui->inclusiveMemoryTextField : nullptr;
}

QLineEdit *MyDocument::profilerSummaryTextField() const
{
    return m_ui ? m_ui->profilerSummaryTextField : nullptr;
}
