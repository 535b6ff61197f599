#include "ComparisonWindow.h"

#include "ComparisonModel.h"
#include "CostFormat.h"
#include "DocumentController.h"
#include "MyDocument.h"
#include "SettingsKeys.h"
#include "TableViewSetup.h"

#include <KFUserDefaultsController.h>

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <string_view>

namespace {

constexpr ProfileComparison::Side before = ProfileComparison::Before;
constexpr ProfileComparison::Side after = ProfileComparison::After;
// The chooser's items carry the compared event's number in each profile.
constexpr int beforeEventRole = Qt::UserRole;
constexpr int afterEventRole = Qt::UserRole + 1;

QString fileName(const QString &path)
{
    return QFileInfo(path).fileName();
}

} // namespace

ComparisonWindow::ComparisonWindow(DocumentController &registry, MyDocument &beforeDocument, MyDocument &afterDocument)
    : m_registry(registry)
    , m_paths { beforeDocument.filePath(), afterDocument.filePath() }
    , m_documents { &beforeDocument, &afterDocument }
    , m_model(std::make_unique<ComparisonModel>())
    , m_events(new QComboBox)
    , m_filter(new QLineEdit)
    , m_status(new QLabel)
    , m_table(new QTableView)
{
    setWindowTitle(tr("%1 \u2192 %2 \u2014 Comparison").arg(fileName(m_paths[before]), fileName(m_paths[after])));
    auto *content = new QWidget;
    auto *layout = new QVBoxLayout(content);
    auto *bar = new QHBoxLayout;
    auto *eventLabel = new QLabel(tr("&Event:"));
    eventLabel->setBuddy(m_events);
    m_events->setAccessibleName(tr("Event compared"));
    m_events->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_filter->setPlaceholderText(tr("Filter functions"));
    m_filter->setAccessibleName(tr("Filter functions"));
    m_filter->setClearButtonEnabled(true);
    m_status->setTextFormat(Qt::PlainText);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bar->addWidget(eventLabel);
    bar->addWidget(m_events);
    bar->addWidget(m_status, 1);
    bar->addWidget(m_filter);
    layout->addLayout(bar);
    layout->addWidget(m_table);
    setCentralWidget(content);

    setUpTableView(*m_table, m_model.get(), QAbstractItemView::SingleSelection, ComparisonModel::InclusiveChangeColumn,
        Qt::DescendingOrder);
    m_table->setAccessibleName(tr("Functions compared"));
    // Names are cut in the middle, figures as the tables cut them.
    m_table->setTextElideMode(Qt::ElideMiddle);
    resize(1180, 640);

    connect(m_filter, &QLineEdit::textChanged, m_model.get(), &ComparisonModel::setFilterText);
    connect(m_events, &QComboBox::currentIndexChanged, this, &ComparisonWindow::compare);
    connect(
        m_table, &QAbstractItemView::activated, this, [this](const QModelIndex &index) { rowActivated(index.row()); });
    // The roots' figures follow the time unit as the table does.
    connect(m_model.get(), &QAbstractItemModel::dataChanged, this, &ComparisonWindow::updateStatus);
    connect(&m_registry, &DocumentController::documentRead, this, &ComparisonWindow::documentRead);
    connect(&m_registry, &DocumentController::documentClosed, this, &ComparisonWindow::documentClosed);
    // The names take the room the figures leave, cut in the middle.
    m_table->horizontalHeader()->setSectionResizeMode(ComparisonModel::FunctionColumn, QHeaderView::Stretch);
    compare();
}

ComparisonWindow::~ComparisonWindow() = default;

void ComparisonWindow::documentRead(MyDocument *document)
{
    bool changed = false;
    for (const auto side : { before, after }) {
        if (m_registry.documentForURL(QUrl::fromLocalFile(m_paths[side])) == document) {
            m_documents[side] = document;
            changed = true;
        }
    }
    if (changed)
        compare();
}

void ComparisonWindow::documentClosed(MyDocument *document)
{
    bool changed = false;
    for (QPointer<MyDocument> &side : m_documents) {
        if (side == document) {
            side = nullptr;
            changed = true;
        }
    }
    if (changed)
        compare();
}

void ComparisonWindow::compare()
{
    const QString chosen = m_events->currentText();
    const QSignalBlocker blocker(m_events);
    m_events->clear();
    if (!m_documents[before] || !m_documents[after]) {
        m_model->setComparison(nullptr);
        updateStatus();
        return;
    }
    const Profile &beforeProfile = m_documents[before]->profile();
    const Profile &afterProfile = m_documents[after]->profile();
    for (int event = 0; event < beforeProfile.events().size(); ++event) {
        if (const std::optional<int> match = ProfileComparison::matchingEvent(beforeProfile, event, afterProfile)) {
            m_events->addItem(beforeProfile.events()[event].baseName().toString());
            m_events->setItemData(m_events->count() - 1, event, beforeEventRole);
            m_events->setItemData(m_events->count() - 1, *match, afterEventRole);
        }
    }
    // The event chosen before, or the one the documents show as time.
    const int kept = m_events->findText(chosen);
    const int shown = m_events->findData(beforeProfile.timeEvent(), beforeEventRole);
    m_events->setCurrentIndex(kept >= 0 ? kept : std::max(shown, 0));
    m_events->setEnabled(m_events->count() > 1);
    if (m_events->count() == 0) {
        m_model->setComparison(nullptr);
    } else {
        m_model->setComparison(
            std::make_unique<ProfileComparison>(beforeProfile, m_events->currentData(beforeEventRole).toInt(),
                afterProfile, m_events->currentData(afterEventRole).toInt()));
    }
    // Figures as wide as the rows in view need, in this event's units.
    for (int column = ComparisonModel::FunctionColumn + 1; column < ComparisonModel::ColumnCount; ++column)
        m_table->resizeColumnToContents(column);
    updateStatus();
}

void ComparisonWindow::updateStatus()
{
    for (const auto side : { before, after }) {
        if (!m_documents[side]) {
            m_status->setText(tr("\u201c%1\u201d is closed: the comparison resumes when it is opened again.")
                                  .arg(fileName(m_paths[side])));
            return;
        }
    }
    const ProfileComparison *comparison = m_model->comparison();
    if (!comparison) {
        m_status->setText(tr("The profiles record no event in common."));
        return;
    }
    const KFUserDefaultsController &settings = KFUserDefaultsController::sharedUserDefaultsController();
    const TimeUnit unit = timeUnitFromSetting(settings.integerForKey(VTCMeasurement));
    const bool displayDash = settings.boolForKey(VTCDisplayDash);
    const Cost rootBefore = comparison->rootInclusiveCost(before);
    const Cost rootAfter = comparison->rootInclusiveCost(after);
    const ProfileEvent &event = comparison->event();
    m_status->setText(tr("Inclusive of the roots: %1 before, %2 after, change %3")
                          .arg(CostFormat::costString(event, rootBefore, unit, displayDash, QLocale()),
                              CostFormat::costString(event, rootAfter, unit, displayDash, QLocale()),
                              CostFormat::changeString(event, CostChange(rootBefore, rootAfter), unit, QLocale())));
}

void ComparisonWindow::rowActivated(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    const std::string_view name = m_model->nameBytesAt(row);
    statusBar()->clearMessage();
    for (const auto side : { before, after }) {
        if (!m_documents[side])
            continue;
        // The summary of a profile without the function shows the whole
        // run with no row selected, rather than the row chosen before.
        m_documents[side]->showFunctionInSummary(name);
        if (!m_model->isCalledAt(row, side)) {
            statusBar()->showMessage(tr("\u201c%1\u201d is not called in \u201c%2\u201d.")
                                         .arg(m_model->index(row, ComparisonModel::FunctionColumn).data().toString(),
                                             fileName(m_paths[side])));
        }
    }
}

void ComparisonWindow::closeEvent(QCloseEvent *event)
{
    QMainWindow::closeEvent(event);
    Q_EMIT closed(this);
}
