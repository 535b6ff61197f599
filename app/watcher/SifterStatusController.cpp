#include "SifterStatusController.h"

#include "DocumentController.h"
#include "MyDocument.h"
#include "NotificationCenter.h"
#include "SettingsKeys.h"
#include "SifterDirectoryMonitor.h"
#include "SifterFileEntry.h"
#include "ui_Sifter.h"

#include <KFUserDefaultsController.h>

#include <QDirIterator>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QSet>

#include <algorithm>

namespace {

const QString monitorDirectoryKeyPath = QStringLiteral("values.") + VTCSifterMonitorDirectory;
const QString regexUseCustomKeyPath = QStringLiteral("values.") + VTCSifterRegexUseCustom;
const QString regexKeyPath = QStringLiteral("values.") + VTCSifterRegex;

KFUserDefaultsController &defaults()
{
    return KFUserDefaultsController::sharedUserDefaultsController();
}

} // namespace

SifterStatusController::SifterStatusController(DocumentController &documents, QObject *parent)
    : QObject(parent)
    , m_documents(documents)
{
    monitorConstruct();
    addObserverSharedUserDefaults(VTCSifterMonitorDirectory);
    addObserverSharedUserDefaults(VTCSifterRegexUseCustom);
    addObserverSharedUserDefaults(VTCSifterRegex);
    connect(&NotificationCenter::defaultCenter(), &NotificationCenter::notificationPosted, this,
        [this](const QString &name, QObject *) {
            if (name == VTCDocumentOpenedNotification || name == VTCDocumentClosedNotification)
                documentsCheck();
        });
    buildFileList(false);
}

SifterStatusController::~SifterStatusController()
{
    removeObserverSharedUserDefaults(VTCSifterMonitorDirectory);
    removeObserverSharedUserDefaults(VTCSifterRegexUseCustom);
    removeObserverSharedUserDefaults(VTCSifterRegex);
    NotificationCenter::defaultCenter().disconnect(this);
    monitorDeconstruct();
    if (m_window)
        ui->theDirectoryTable->removeEventFilter(this);
}

void SifterStatusController::start()
{
    if (m_sifterIsRunning)
        return;
    m_sifterIsRunning = true;
    statusLabelUpdate();
}

void SifterStatusController::stop()
{
    if (!m_sifterIsRunning)
        return;
    m_sifterIsRunning = false;
    // Files still settling are not opened by a later start either.
    m_settling.clear();
    statusLabelUpdate();
}

SifterFileEntry *SifterStatusController::entryForName(const QString &fileName) const
{
    const auto found = m_sifts.find(fileName);
    return found == m_sifts.end() ? nullptr : found->second.get();
}

void SifterStatusController::monitorConstruct()
{
    m_monitor = std::make_unique<SifterDirectoryMonitor>(defaults().stringForKey(VTCSifterMonitorDirectory));
    connect(m_monitor.get(), &SifterDirectoryMonitor::batchReady, this, &SifterStatusController::directoryChangedEvent);
}

void SifterStatusController::monitorDeconstruct()
{
    m_monitor.reset();
}

void SifterStatusController::buildFileList(bool afterEvent)
{
    const QString directory = defaults().stringForKey(VTCSifterMonitorDirectory);
    ++m_listingCount;
    QSet<QString> listed;
    listed.reserve(qsizetype(m_sifts.size()));
    // An empty setting names no directory (not the working directory); a
    // missing or unreadable one lists nothing.
    if (!directory.isEmpty()) {
        QDirIterator it(directory, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            it.next();
            const QString name = it.fileName();
            listed.insert(name);
            if (m_sifts.find(name) != m_sifts.end())
                continue;
            auto entry = std::make_unique<SifterFileEntry>(name, m_documents);
            // Only names that arrived while running are opened, and only
            // once the profiler has finished writing them.
            if (afterEvent && m_sifterIsRunning && entry->status() == SifterStatusReadyToOpen)
                m_settling.insert(name, { entry->fileSize(), m_listingCount });
            m_sifts.emplace(name, std::move(entry));
        }
    }
    for (auto it = m_sifts.begin(); it != m_sifts.end();) {
        if (listed.contains(it->first)) {
            ++it;
            continue;
        }
        m_settling.remove(it->first);
        m_droppedEntries.push_back(std::move(it->second));
        it = m_sifts.erase(it);
    }
}

void SifterStatusController::directoryChangedEvent()
{
    if (m_opening) {
        m_batchDeferred = true;
        return;
    }
    buildFileList(true);
    rebuildVisibleKeepingSelection();
    openSettledFiles();
}

void SifterStatusController::openSettledFiles()
{
    if (!m_sifterIsRunning)
        m_settling.clear();
    QStringList settled;
    for (auto it = m_settling.begin(); it != m_settling.end();) {
        const SifterFileEntry *entry = entryForName(it.key());
        // Opened elsewhere meanwhile, or no longer matching: not ours to open.
        if (!entry || entry->status() != SifterStatusReadyToOpen) {
            it = m_settling.erase(it);
            continue;
        }
        // Seen for the first time just now: its size is looked at again
        // after the next batch's latency.
        if (it->listing == m_listingCount) {
            ++it;
            continue;
        }
        const QFileInfo info(entry->filePath());
        if (!info.exists()) {
            // Gone; the next listing drops the entry.
            it = m_settling.erase(it);
        } else if (info.size() == it->size) {
            settled.append(it.key());
            it = m_settling.erase(it);
        } else {
            it->size = info.size();
            ++it;
        }
    }
    if (!settled.isEmpty()) {
        settled.sort();
        whileOpening([this, &settled] {
            for (const QString &name : std::as_const(settled)) {
                if (SifterFileEntry *entry = entryForName(name))
                    entry->openDocument();
            }
        });
        sort();
        m_tableModel.reloadData();
    }
    if (!m_settling.isEmpty() && m_monitor)
        m_monitor->scheduleBatch();
}

void SifterStatusController::whileOpening(const std::function<void()> &work)
{
    if (m_opening) {
        work();
        return;
    }
    m_opening = true;
    work();
    m_opening = false;
    runDeferredWork();
}

void SifterStatusController::runDeferredWork()
{
    if (std::exchange(m_directoryChangeDeferred, false)) {
        // A new directory makes a fresh list; the other changes are part of it.
        m_patternChangeDeferred = false;
        m_batchDeferred = false;
        directoryDidChange();
    }
    if (std::exchange(m_patternChangeDeferred, false))
        patternDidChange();
    if (std::exchange(m_batchDeferred, false))
        directoryChangedEvent();
}

void SifterStatusController::buildVisible()
{
    const bool matchingOnly = defaults().integerForKey(VTCSifterFilter) == 1;
    std::vector<SifterFileEntry *> visible;
    visible.reserve(m_sifts.size());
    for (const auto &[name, entry] : m_sifts) {
        if (!matchingOnly || entry->fileMatched())
            visible.push_back(entry.get());
    }
    m_tableModel.setEntries(std::move(visible));
    // While documents open, the entries being opened may be among them.
    if (!m_opening)
        m_droppedEntries.clear();
}

void SifterStatusController::sort()
{
    m_tableModel.sortEntries();
}

void SifterStatusController::rebuildVisibleKeepingSelection()
{
    QStringList selectedNames;
    QString currentName;
    if (m_window) {
        const QModelIndexList rows = ui->theDirectoryTable->selectionModel()->selectedRows();
        for (const QModelIndex &row : rows)
            selectedNames.append(m_tableModel.entryAt(row.row())->fileName());
        if (const SifterFileEntry *current = m_tableModel.entryAt(ui->theDirectoryTable->currentIndex().row()))
            currentName = current->fileName();
    }
    buildVisible();
    sort();
    if (!m_window)
        return;
    // A reset clears the selection without a word, so the Open button is
    // brought up to date here whatever comes back.
    tableViewSelectionDidChange();
    if (selectedNames.isEmpty() && currentName.isEmpty())
        return;

    const QSet<QString> wanted(selectedNames.cbegin(), selectedNames.cend());
    QItemSelection selection;
    QModelIndex current;
    const std::vector<SifterFileEntry *> &entries = m_tableModel.entries();
    for (size_t row = 0; row < entries.size(); ++row) {
        const QString &name = entries[row]->fileName();
        if (wanted.contains(name))
            selection.select(
                m_tableModel.index(int(row), 0), m_tableModel.index(int(row), SifterTableModel::ColumnCount - 1));
        if (name == currentName)
            current = m_tableModel.index(int(row), 0);
    }
    QItemSelectionModel *selectionModel = ui->theDirectoryTable->selectionModel();
    if (current.isValid())
        selectionModel->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    selectionModel->select(selection, QItemSelectionModel::ClearAndSelect);
}

void SifterStatusController::documentsCheck()
{
    for (const auto &[name, entry] : m_sifts)
        entry->checkDocument();
    m_tableModel.reloadData();
}

void SifterStatusController::observeValueForKeyPath(const QString &keyPath, QObject *, const QVariantMap &, void *)
{
    if (keyPath == monitorDirectoryKeyPath) {
        if (m_opening)
            m_directoryChangeDeferred = true;
        else
            directoryDidChange();
    } else if (keyPath == regexUseCustomKeyPath || keyPath == regexKeyPath) {
        if (m_opening)
            m_patternChangeDeferred = true;
        else
            patternDidChange();
    }
}

void SifterStatusController::dropAllEntries()
{
    for (auto &[name, entry] : m_sifts)
        m_droppedEntries.push_back(std::move(entry));
    m_sifts.clear();
    m_settling.clear();
}

void SifterStatusController::directoryDidChange()
{
    monitorDeconstruct();
    dropAllEntries();
    // The files already in the new directory were not made while the
    // watcher looked on, so none of them is opened.
    buildFileList(false);
    rebuildVisibleKeepingSelection();
    monitorConstruct();
}

void SifterStatusController::patternDidChange()
{
    for (const auto &[name, entry] : m_sifts)
        entry->checkFileMatched();
    rebuildVisibleKeepingSelection();
}

// The window.

void SifterStatusController::showWindow()
{
    if (!m_window) {
        ui = std::make_unique<Ui::Sifter>();
        m_window = std::make_unique<QMainWindow>();
        ui->setupUi(m_window.get());
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

void SifterStatusController::windowDidLoad()
{
    QTableView *table = ui->theDirectoryTable;
    table->setModel(&m_tableModel);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->setShowGrid(false);
    table->setAlternatingRowColors(true);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    QHeaderView *header = table->horizontalHeader();
    header->setSectionsMovable(false);
    header->setHighlightSections(false);
    header->resizeSection(SifterTableModel::NameColumn, 280);
    header->resizeSection(SifterTableModel::SizeColumn, 80);
    header->resizeSection(SifterTableModel::CreationDateColumn, 180);
    header->setStretchLastSection(true);
    header->setSortIndicator(m_tableModel.sortColumn(), m_tableModel.sortOrder());
    table->setSortingEnabled(true);
    table->installEventFilter(this);
    connect(table, &QAbstractItemView::doubleClicked, this, &SifterStatusController::tableDoubleClick);
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &SifterStatusController::tableViewSelectionDidChange);

    ui->showPop->clear();
    ui->showPop->addItem(tr("All Files"), 0);
    ui->showPop->addItem(tr("Matching Files"), 1);
    ui->showPop->setCurrentIndex(defaults().integerForKey(VTCSifterFilter) == 1 ? 1 : 0);
    connect(ui->showPop, &QComboBox::activated, this, [this](int index) {
        defaults().setObjectForKey(ui->showPop->itemData(index).toInt(), VTCSifterFilter);
        showPopSelected();
    });
    connect(ui->startStopButton, &QPushButton::clicked, this, &SifterStatusController::startStopClicked);
    connect(ui->openButton, &QPushButton::clicked, this, &SifterStatusController::openClicked);
    connect(ui->preferencesButton, &QPushButton::clicked, this, &SifterStatusController::preferencesClicked);

    ui->openButton->setEnabled(false);
    rebuildVisibleKeepingSelection();
    statusLabelUpdate();
}

bool SifterStatusController::eventFilter(QObject *watched, QEvent *event)
{
    // Enter on the table does what a double-click does.
    if (m_window && watched == ui->theDirectoryTable && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            tableDoubleClick();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void SifterStatusController::tableViewSelectionDidChange()
{
    ui->openButton->setEnabled(ui->theDirectoryTable->selectionModel()->hasSelection());
}

void SifterStatusController::tableDoubleClick()
{
    openSelectedRows();
}

void SifterStatusController::openClicked()
{
    openSelectedRows();
}

void SifterStatusController::openSelectedRows()
{
    if (!m_window)
        return;
    QModelIndexList rows = ui->theDirectoryTable->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    std::vector<SifterFileEntry *> entries;
    for (const QModelIndex &row : std::as_const(rows))
        entries.push_back(m_tableModel.entryAt(row.row()));
    whileOpening([&entries] {
        for (SifterFileEntry *entry : entries)
            entry->showDocument();
    });
    sort();
    m_tableModel.reloadData();
}

void SifterStatusController::startStopClicked()
{
    if (m_sifterIsRunning)
        stop();
    else
        start();
}

void SifterStatusController::showPopSelected()
{
    rebuildVisibleKeepingSelection();
}

void SifterStatusController::statusLabelUpdate()
{
    if (!m_window)
        return;
    QPalette palette = ui->statusLabel->palette();
    if (m_sifterIsRunning) {
        ui->statusLabel->setText(tr("Running"));
        palette.setColor(QPalette::WindowText, QColor::fromRgbF(0.0, 0.7, 0.0, 1.0));
        ui->startStopButton->setText(tr("Stop"));
    } else {
        ui->statusLabel->setText(tr("Stopped"));
        palette.setColor(QPalette::WindowText, QColor::fromRgbF(1.0, 0.0, 0.0));
        ui->startStopButton->setText(tr("Start"));
    }
    ui->statusLabel->setPalette(palette);
}

QTableView *SifterStatusController::theDirectoryTable() const
{
    return m_window ? ui->theDirectoryTable : nullptr;
}

QLabel *SifterStatusController::statusLabel() const
{
    return m_window ? ui->statusLabel : nullptr;
}

QPushButton *SifterStatusController::startStopButton() const
{
    return m_window ? ui->startStopButton : nullptr;
}

QPushButton *SifterStatusController::openButton() const
{
    return m_window ? ui->openButton : nullptr;
}

QComboBox *SifterStatusController::showPop() const
{
    return m_window ? ui->showPop : nullptr;
}

QPushButton *SifterStatusController::preferencesButton() const
{
    return m_window ? ui->preferencesButton : nullptr;
}
