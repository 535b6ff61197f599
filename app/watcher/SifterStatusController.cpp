#include "SifterStatusController.h"

#include "PlainToolTip.h"
#include "SettingsKeys.h"
#include "SifterDirectoryChooser.h"
#include "SifterFileEntry.h"
#include "SifterWatcher.h"
#include "TableViewSetup.h"
#include "ui_Sifter.h"

#include <KFUserDefaultsController.h>

#include <QHeaderView>
#include <QSet>

#include <algorithm>

namespace {

KFUserDefaultsController &defaults()
{
    return KFUserDefaultsController::sharedUserDefaultsController();
}

} // namespace

SifterStatusController::SifterStatusController(SifterWatcher &watcher, QObject *parent)
    : QObject(parent)
    , m_watcher(watcher)
    , m_directoryChooser(chooseSifterDirectory)
{
    connect(&m_watcher, &SifterWatcher::runningChanged, this, &SifterStatusController::statusLabelUpdate);
    connect(&m_watcher, &SifterWatcher::stateChanged, this, &SifterStatusController::statusLabelUpdate);
}

SifterStatusController::~SifterStatusController() = default;

void SifterStatusController::showWindow()
{
    if (!m_window) {
        m_ui = std::make_unique<Ui::Sifter>();
        m_window = std::make_unique<QMainWindow>();
        m_ui->setupUi(m_window.get());
        windowDidLoad();
        if (m_windowDecorator)
            m_windowDecorator(*m_window);
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void SifterStatusController::setWindowDecorator(std::function<void(QMainWindow &)> decorator)
{
    m_windowDecorator = std::move(decorator);
}

void SifterStatusController::setDirectoryChooser(DirectoryChooser chooser)
{
    m_directoryChooser = std::move(chooser);
}

void SifterStatusController::windowDidLoad()
{
    SifterTableModel &model = m_watcher.tableModel();
    QTableView *table = m_ui->theDirectoryTable;
    setUpTableView(*table, &model, QAbstractItemView::ExtendedSelection, model.sortColumn(), model.sortOrder());
    QHeaderView *header = table->horizontalHeader();
    header->resizeSection(SifterTableModel::NameColumn, 280);
    header->resizeSection(SifterTableModel::SizeColumn, 80);
    header->resizeSection(SifterTableModel::CreationDateColumn, 180);
    header->setStretchLastSection(true);
    // A double-click and Enter both open the selected rows.
    connect(table, &QAbstractItemView::activated, this, &SifterStatusController::openSelectedRows);
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &SifterStatusController::tableViewSelectionDidChange);
    connect(&model, &QAbstractItemModel::modelAboutToBeReset, this, &SifterStatusController::rememberSelection);
    connect(&model, &QAbstractItemModel::modelReset, this, &SifterStatusController::restoreSelection);
    // Rows that become openable, or stop being so, while selected.
    connect(&model, &QAbstractItemModel::dataChanged, this, &SifterStatusController::tableViewSelectionDidChange);

    m_ui->showPop->clear();
    m_ui->showPop->addItem(tr("All Files"), 0);
    m_ui->showPop->addItem(tr("Matching Files"), 1);
    m_ui->showPop->setCurrentIndex(defaults().integerForKey(VTCSifterFilter) == 1 ? 1 : 0);
    connect(m_ui->showPop, &QComboBox::activated, this, &SifterStatusController::showPopSelected);
    connect(m_ui->startStopButton, &QPushButton::clicked, this, &SifterStatusController::startStopClicked);
    connect(m_ui->openButton, &QPushButton::clicked, this, &SifterStatusController::openSelectedRows);
    connect(m_ui->preferencesButton, &QPushButton::clicked, this, &SifterStatusController::preferencesClicked);
    connect(m_ui->directoryButton, &QPushButton::clicked, this, &SifterStatusController::directoryClicked);
    m_ui->directoryButton->setAccessibleName(tr("Watched directory"));
    // Texts that name files and reasons from the system are never markup.
    m_ui->statusLabel->setTextFormat(Qt::PlainText);

    m_ui->openButton->setEnabled(false);
    m_watcher.buildVisible();
    statusLabelUpdate();
}

void SifterStatusController::rememberSelection()
{
    m_selectedNames.clear();
    m_currentName.clear();
    const SifterTableModel &model = m_watcher.tableModel();
    const QModelIndexList rows = m_ui->theDirectoryTable->selectionModel()->selectedRows();
    for (const QModelIndex &row : rows)
        m_selectedNames.append(model.entryAt(row.row())->fileName());
    if (const SifterFileEntry *current = model.entryAt(m_ui->theDirectoryTable->currentIndex().row()))
        m_currentName = current->fileName();
}

void SifterStatusController::restoreSelection()
{
    // A reset clears the selection without a word, so the Open button is
    // brought up to date here whatever comes back.
    tableViewSelectionDidChange();
    if (m_selectedNames.isEmpty() && m_currentName.isEmpty())
        return;

    const SifterTableModel &model = m_watcher.tableModel();
    const QSet<QString> wanted(m_selectedNames.cbegin(), m_selectedNames.cend());
    QItemSelection selection;
    QModelIndex current;
    for (int row = 0; row < model.rowCount(); ++row) {
        const QString &name = model.entryAt(row)->fileName();
        if (wanted.contains(name))
            selection.select(model.index(row, 0), model.index(row, SifterTableModel::ColumnCount - 1));
        if (name == m_currentName)
            current = model.index(row, 0);
    }
    QItemSelectionModel *selectionModel = m_ui->theDirectoryTable->selectionModel();
    if (current.isValid())
        selectionModel->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    selectionModel->select(selection, QItemSelectionModel::ClearAndSelect);
}

void SifterStatusController::tableViewSelectionDidChange()
{
    const QModelIndexList rows = m_ui->theDirectoryTable->selectionModel()->selectedRows();
    m_ui->openButton->setEnabled(std::any_of(rows.begin(), rows.end(), [this](const QModelIndex &row) {
        const SifterFileEntry *entry = m_watcher.tableModel().entryAt(row.row());
        return entry && entry->fileMatched() && entry->status() != SifterStatusNotAProfile;
    }));
}

void SifterStatusController::openSelectedRows()
{
    QModelIndexList rows = m_ui->theDirectoryTable->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    std::vector<SifterFileEntry *> entries;
    for (const QModelIndex &row : std::as_const(rows))
        entries.push_back(m_watcher.tableModel().entryAt(row.row()));
    m_watcher.showDocuments(entries);
}

void SifterStatusController::startStopClicked()
{
    if (m_watcher.sifterIsRunning())
        m_watcher.stop();
    else
        m_watcher.start();
}

void SifterStatusController::showPopSelected(int index)
{
    defaults().setObjectForKey(m_ui->showPop->itemData(index).toInt(), VTCSifterFilter);
    m_watcher.buildVisible();
}

void SifterStatusController::statusLabelUpdate()
{
    if (!m_window)
        return;
    const bool running = m_watcher.sifterIsRunning();
    const QColor red = QColor::fromRgbF(1.0, 0.0, 0.0);
    QString text;
    QColor colour = red;
    if (!m_watcher.directoryError().isEmpty()) {
        text = m_watcher.directoryError();
    } else if (!m_watcher.patternError().isEmpty()) {
        text = m_watcher.patternError();
    } else if (!running) {
        text = tr("Stopped");
    } else {
        colour = QColor::fromRgbF(0.0, 0.7, 0.0, 1.0);
        QStringList notes;
        if (m_watcher.limitReached())
            notes.append(tr("open-file limit of %1 reached").arg(SifterOpenLimit::maxOpenFiles()));
        // The red rows say which; one line here, not an alert each.
        if (const qsizetype failed = m_watcher.failedCount())
            notes.append(
                failed == 1 ? tr("1 file could not be opened") : tr("%1 files could not be opened").arg(failed));
        text = notes.isEmpty() ? tr("Running") : tr("Running (%1)").arg(notes.join(QStringLiteral("; ")));
    }
    m_ui->statusLabel->setText(text);
    QPalette palette = m_ui->statusLabel->palette();
    palette.setColor(QPalette::WindowText, colour);
    m_ui->statusLabel->setPalette(palette);
    m_ui->startStopButton->setText(running ? tr("Stop") : tr("Start"));

    // A long path gives way in its middle, where it says least.
    const QString directory = defaults().stringForKey(VTCSifterMonitorDirectory);
    m_ui->directoryButton->setText(directory.isEmpty()
            ? tr("Choose a directory")
            : m_ui->directoryButton->fontMetrics().elidedText(directory, Qt::ElideMiddle, 320));
    m_ui->directoryButton->setToolTip(
        plainToolTip(tr("Watched directory: %1 (click to choose another)").arg(directory)));
    m_ui->statusLabel->setToolTip(plainToolTip(text));
}

void SifterStatusController::directoryClicked()
{
    const QString directory = m_directoryChooser ? m_directoryChooser(m_window.get()) : QString();
    if (!directory.isEmpty())
        defaults().setObjectForKey(directory, VTCSifterMonitorDirectory);
}
