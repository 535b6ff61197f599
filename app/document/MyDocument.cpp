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
#include "SharedText.h"
#include "SourceFileModel.h"
#include "SummaryController.h"
#include "ui_MyDocument.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>

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

void setUpTable(QTableView *table, TableController *controller, FunctionLabelDelegate *delegate, int functionColumn)
{
    table->setModel(controller);
    table->setItemDelegateForColumn(functionColumn, delegate);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->setAlternatingRowColors(true);
    table->setShowGrid(false);
    // Fixed row heights keep tables of a million rows cheap to lay out.
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionsMovable(false);
    table->horizontalHeader()->setHighlightSections(false);
    table->horizontalHeader()->setSortIndicator(controller->sortColumn(), controller->sortOrder());
    table->setSortingEnabled(true);
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
        ui->myOutlineView->removeEventFilter(this);
        ui->myOutlineView->selectionModel()->disconnect(this);
    }
}

QString MyDocument::displayName() const
{
    return QFileInfo(m_filePath).fileName();
}

bool MyDocument::readFromData(QByteArrayView data, const QString &)
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
    ui = std::make_unique<Ui::MyDocument>();
    m_window = std::make_unique<DocumentWindow>();
    ui->setupUi(m_window.get());
    windowControllerDidLoadNib();
}

void MyDocument::windowControllerDidLoadNib()
{
    m_window->setWindowTitle(displayName());
    m_window->setWindowFilePath(m_filePath);
    connect(m_window.get(), &DocumentWindow::closed, this, [this] { Q_EMIT windowClosed(this); });
    connect(m_window.get(), &DocumentWindow::activated, this, [this] { Q_EMIT windowActivated(this); });

    auto *delegate = new FunctionLabelDelegate(m_window.get());
    ui->myOutlineView->setCallTreeModel(m_outlineModel.get());
    ui->myOutlineView->setItemDelegate(delegate);
    m_outlineModel->setRootFunction(m_profile.rootFunction());

    const CostUnit &unit = m_profile.costUnit();
    m_callsTab->setCostUnit(unit);
    m_summaryTab->setCostUnit(unit);
    m_callsTab->setViews(ui->callsTableView, ui->tabView, ui->myOutlineView);
    m_summaryTab->setViews(ui->summaryTableView, ui->tabView, ui->myOutlineView);
    m_summaryTab->setCallsController(m_callsTab.get());
    setUpTable(ui->callsTableView, m_callsTab.get(), delegate, CallsController::FunctionColumn);
    setUpTable(ui->summaryTableView, m_summaryTab.get(), delegate, SummaryController::FunctionColumn);
    ui->callsTableView->horizontalHeader()->resizeSection(CallsController::PositionColumn, 48);
    ui->callsTableView->horizontalHeader()->resizeSection(CallsController::FunctionColumn, 220);
    ui->summaryTableView->horizontalHeader()->resizeSection(SummaryController::FunctionColumn, 260);
    // The file column takes the room that is left, so the line column stays
    // in view; paths are cut at the front, where they say least.
    ui->callsTableView->horizontalHeader()->resizeSection(CallsController::LineColumn, 64);
    ui->callsTableView->horizontalHeader()->setSectionResizeMode(CallsController::FileColumn, QHeaderView::Stretch);
    ui->callsTableView->setTextElideMode(Qt::ElideLeft);
    ui->splitter->setSizes({ 380, 720 });
    ui->splitter->setStretchFactor(1, 1);

    connect(ui->myOutlineView, &QAbstractItemView::doubleClicked, this,
        [this](const QModelIndex &index) { myOutlineViewDoubleClick(index.row()); });
    ui->myOutlineView->installEventFilter(this);
    connect(ui->myOutlineView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &MyDocument::outlineViewSelectionDidChange);

    clearFunctionMetadataDisplay();
    if (m_profile.rootFunction()) {
        ui->myOutlineView->selectionModel()->setCurrentIndex(
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

bool MyDocument::eventFilter(QObject *watched, QEvent *event)
{
    // Enter on an outline row does what a double-click does.
    if (ui && watched == ui->myOutlineView && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            myOutlineViewDoubleClick(ui->myOutlineView->currentIndex().row());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

const ProfiledFunctionCall *MyDocument::selectedCall() const
{
    if (!ui)
        return nullptr;
    const QItemSelectionModel *selection = ui->myOutlineView->selectionModel();
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
    setFieldText(ui->functionNameTextField, call.function().name());
    setFieldText(ui->fileNameTextField, call.source() ? call.source()->path() : dashString);
    setFieldText(ui->lineNumberTextField, call.sourceLine() == 0 ? dashString : QString::number(call.sourceLine()));
    const CostUnit &unit = m_profile.costUnit();
    const quint64 reference = call.parent() ? call.parent()->inclusiveTime() : call.inclusiveTime();
    setFieldText(ui->selfTimeTextField,
        m_formatter.getTimeCostStringWithPercentage(
            unit.toMicroseconds(call.selfTime()), unit.toMicroseconds(reference)));
    QString inclusive = m_formatter.getTimeCostStringWithPercentage(
        unit.toMicroseconds(call.inclusiveTime()), unit.toMicroseconds(reference));
    // The root's figures sit beside the profiler's own summary of the run.
    if (!call.parent() && !m_profile.summaryCosts().isEmpty())
        inclusive += tr("; profiler's summary: %1").arg(m_formatter.getSummaryString(m_profile));
    setFieldText(ui->inclusiveTimeTextField, inclusive);
}

void MyDocument::clearFunctionMetadataDisplay()
{
    for (QLineEdit *field : { ui->functionNameTextField, ui->fileNameTextField, ui->lineNumberTextField,
             ui->selfTimeTextField, ui->inclusiveTimeTextField })
        setFieldText(field, dashString);
}

void MyDocument::myOutlineViewDoubleClick(int clickedRow)
{
    if (clickedRow < 0 || !m_outlineModel->isExpandable(clickedRow))
        return;
    ui->myOutlineView->toggleRow(clickedRow);
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
    return ui ? ui->myOutlineView : nullptr;
}

QTabWidget *MyDocument::tabView() const
{
    return ui ? ui->tabView : nullptr;
}

QLineEdit *MyDocument::functionNameTextField() const
{
    return ui ? ui->functionNameTextField : nullptr;
}

QLineEdit *MyDocument::fileNameTextField() const
{
    return ui ? ui->fileNameTextField : nullptr;
}

QLineEdit *MyDocument::lineNumberTextField() const
{
    return ui ? ui->lineNumberTextField : nullptr;
}

QLineEdit *MyDocument::selfTimeTextField() const
{
    return ui ? ui->selfTimeTextField : nullptr;
}

QLineEdit *MyDocument::inclusiveTimeTextField() const
{
    return ui ? ui->inclusiveTimeTextField : nullptr;
}
