#include "MyDocument.h"

#include "CallTreeModel.h"
#include "CallTreeView.h"
#include "CallsController.h"
#include "DocumentWindow.h"
#include "Formatter.h"
#include "FunctionLabelDelegate.h"
#include "FunctionModel.h"
#include "NotificationCenter.h"
#include "ProfileFileData.h"
#include "ProfiledFunctionCall.h"
#include "ProgressWindow.h"
#include "SettingsKeys.h"
#include "ProfiledFunctionSummary.h"
#include "SharedText.h"
#include "SourceFileModel.h"
#include "SummaryController.h"
#include "TableViewSetup.h"
#include "ui_MyDocument.h"

#include <QFileInfo>
#include <QHeaderView>

namespace {

const QString measurementKeyPath = QStringLiteral("values.") + VTCMeasurement;
const QString displayDashKeyPath = QStringLiteral("values.") + VTCDisplayDash;

Profile::ProgressFactory progressWindowFor(const QString &fileName)
{
    return [fileName]() -> std::unique_ptr<ProgressController> {
        auto window = std::make_unique<ProgressWindow>();
        window->setWindowTitle(MyDocument::tr("Reading \u201c%1\u201d").arg(fileName));
        return window;
    };
}

void setFieldText(QLineEdit *field, const QString &text)
{
    field->setText(text);
    field->setCursorPosition(0);
}

void setUpTable(QTableView *table, TableController *model, FunctionLabelDelegate *delegate, int functionColumn)
{
    setUpTableView(*table, model, QAbstractItemView::SingleSelection, model->sortColumn(), model->sortOrder());
    table->setItemDelegateForColumn(functionColumn, delegate);
}

} // namespace

MyDocument::MyDocument(const QString &filePath, QObject *parent)
    : QObject(parent)
    , m_formatter(Formatter::standardFormatter())
    , m_filePath(filePath)
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
        m_window->disconnect(this);
        m_ui->myOutlineView->selectionModel()->disconnect(this);
    }
}

QString MyDocument::displayName() const
{
    return QFileInfo(m_filePath).fileName();
}

bool MyDocument::readFromData(QByteArrayView data)
{
    return m_profile.readFromData(data, progressWindowFor(displayName()));
}

bool MyDocument::readFromFile(ProfileFileData &file)
{
    return m_profile.readFromFile(file, progressWindowFor(displayName()));
}

void MyDocument::makeWindowControllers()
{
    if (m_window)
        return;
    m_outlineModel = std::make_unique<CallTreeModel>();
    m_callsTab = std::make_unique<CallsController>();
    m_summaryTab = std::make_unique<SummaryController>();
    m_ui = std::make_unique<Ui::MyDocument>();
    m_window = std::make_unique<DocumentWindow>();
    m_ui->setupUi(m_window.get());
    windowControllerDidLoadNib();
}

void MyDocument::windowControllerDidLoadNib()
{
    m_window->setWindowTitle(displayName());
    m_window->setWindowFilePath(m_filePath);
    connect(m_window.get(), &DocumentWindow::closed, this, [this] { Q_EMIT windowClosed(this); });
    connect(m_window.get(), &DocumentWindow::activated, this, [this] { Q_EMIT windowActivated(this); });

    auto *delegate = new FunctionLabelDelegate(m_window.get());
    m_ui->myOutlineView->setCallTreeModel(m_outlineModel.get());
    m_ui->myOutlineView->setItemDelegate(delegate);
    m_outlineModel->setRootFunction(m_profile.rootFunction());

    const CostUnit &unit = m_profile.costUnit();
    m_callsTab->setCostUnit(unit);
    m_summaryTab->setCostUnit(unit);
    setUpTable(m_ui->callsTableView, m_callsTab.get(), delegate, CallsController::FunctionColumn);
    setUpTable(m_ui->summaryTableView, m_summaryTab.get(), delegate, SummaryController::FunctionColumn);
    m_ui->callsTableView->horizontalHeader()->resizeSection(CallsController::PositionColumn, 48);
    m_ui->callsTableView->horizontalHeader()->resizeSection(CallsController::FunctionColumn, 220);
    m_ui->summaryTableView->horizontalHeader()->resizeSection(SummaryController::FunctionColumn, 260);
    // The file column takes the room that is left, so the line column stays
    // in view; paths are cut at the front, where they say least.
    m_ui->callsTableView->horizontalHeader()->resizeSection(CallsController::LineColumn, 64);
    m_ui->callsTableView->horizontalHeader()->setSectionResizeMode(CallsController::FileColumn, QHeaderView::Stretch);
    m_ui->callsTableView->setTextElideMode(Qt::ElideLeft);
    m_ui->splitter->setSizes({ 380, 720 });
    m_ui->splitter->setStretchFactor(1, 1);

    // A double-click and Enter both activate a row.
    connect(m_ui->myOutlineView, &QAbstractItemView::activated, this,
        [this](const QModelIndex &index) { myOutlineViewDoubleClick(index.row()); });
    connect(m_ui->summaryTableView, &QAbstractItemView::activated, this,
        [this](const QModelIndex &index) { summaryRowActivated(index.row()); });
    connect(m_ui->callsTableView, &QAbstractItemView::activated, this,
        [this](const QModelIndex &index) { callsRowActivated(index.row()); });
    connect(m_ui->myOutlineView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &MyDocument::outlineViewSelectionDidChange);

    clearFunctionMetadataDisplay();
    if (m_profile.rootFunction()) {
        m_ui->myOutlineView->selectionModel()->setCurrentIndex(
            m_outlineModel->index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_outlineModel->expandRow(0);
    } else {
        outlineViewSelectionDidChange();
    }
    NotificationCenter::defaultCenter().postNotificationName(VTCDocumentOpenedNotification, this);
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
    } else {
        displayItem(*call);
        m_callsTab->populateFromFunction(*call);
        m_summaryTab->populateFromFunction(*call);
    }
    m_callsTab->reloadData();
    m_summaryTab->reloadData();
}

void MyDocument::displayItem(const ProfiledFunctionCall &call)
{
    setFieldText(m_ui->functionNameTextField, call.function().name());
    setFieldText(m_ui->fileNameTextField, call.source() ? call.source()->path() : dashString);
    setFieldText(m_ui->lineNumberTextField, call.sourceLine() == 0 ? dashString : QString::number(call.sourceLine()));
    const CostUnit &unit = m_profile.costUnit();
    const quint64 reference = call.parent() ? call.parent()->inclusiveTime() : call.inclusiveTime();
    setFieldText(m_ui->selfTimeTextField,
        m_formatter.getTimeCostStringWithPercentage(
            unit.toMicroseconds(call.selfTime()), unit.toMicroseconds(reference)));
    QString inclusive = m_formatter.getTimeCostStringWithPercentage(
        unit.toMicroseconds(call.inclusiveTime()), unit.toMicroseconds(reference));
    // The root's figures sit beside the profiler's own summary of the run.
    if (!call.parent() && !m_profile.summaryCosts().isEmpty())
        inclusive += tr("; profiler's summary: %1").arg(m_formatter.getSummaryString(m_profile));
    setFieldText(m_ui->inclusiveTimeTextField, inclusive);
}

void MyDocument::clearFunctionMetadataDisplay()
{
    for (QLineEdit *field : { m_ui->functionNameTextField, m_ui->fileNameTextField, m_ui->lineNumberTextField,
             m_ui->selfTimeTextField, m_ui->inclusiveTimeTextField })
        setFieldText(field, dashString);
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
    const int outlineRow = m_outlineModel->expandParents(m_callsTab->callAt(row));
    if (outlineRow < 0)
        return;
    const QModelIndex target = m_outlineModel->index(outlineRow, 0);
    m_ui->myOutlineView->selectionModel()->setCurrentIndex(
        target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_ui->myOutlineView->scrollTo(target);
}

bool MyDocument::showFunctionInSummary(std::string_view name)
{
    if (!m_ui || !m_profile.rootFunction())
        return false;
    // The summary below the root is the whole run's.
    m_ui->myOutlineView->selectionModel()->setCurrentIndex(
        m_outlineModel->index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
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
