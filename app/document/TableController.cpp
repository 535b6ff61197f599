#include "TableController.h"

#include "Formatter.h"
#include "FunctionModel.h"
#include "ProfiledFunction.h"
#include "SettingsKeys.h"
#include "ViewRoles.h"

#include <KFUserDefaultsController.h>

#include <QKeyEvent>
#include <QTabWidget>
#include <QTableView>

#include <algorithm>
#include <unordered_map>

namespace {

const QString measurementKeyPath = QStringLiteral("values.") + VTCMeasurement;
const QString displayDashKeyPath = QStringLiteral("values.") + VTCDisplayDash;

bool textLessThan(const QString *left, const QString *right)
{
    const int order = left->compare(*right, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : left->compare(*right) < 0;
}

} // namespace

TableController::TableController(
    int paneId, const QString &filterKey, int sortColumn, Qt::SortOrder sortOrder, QObject *parent)
    : QAbstractTableModel(parent)
    , m_paneId(paneId)
    , m_filterKey(filterKey)
    , m_formatter(Formatter::standardFormatter())
    , m_sortColumn(sortColumn)
    , m_sortOrder(sortOrder)
{
    addObserverSharedUserDefaults(VTCMeasurement);
    addObserverSharedUserDefaults(VTCDisplayDash);
    addObserverSharedUserDefaults(m_filterKey);
}

TableController::~TableController()
{
    removeObserverSharedUserDefaults(m_filterKey);
    removeObserverSharedUserDefaults(VTCMeasurement);
    removeObserverSharedUserDefaults(VTCDisplayDash);
}

void TableController::setViews(QTableView *tableView, QTabWidget *tabView, CallTreeView *outlineView)
{
    m_tableView = tableView;
    m_tabView = tabView;
    m_outlineView = outlineView;
    connect(tableView, &QAbstractItemView::doubleClicked, this,
        [this](const QModelIndex &index) { doubleClick(index.row()); });
    tableView->installEventFilter(this);
}

bool TableController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_tableView && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            const QModelIndex current = m_tableView->currentIndex();
            doubleClick(current.isValid() ? current.row() : -1);
            return true;
        }
    }
    return QAbstractTableModel::eventFilter(watched, event);
}

void TableController::observeValueForKeyPath(const QString &keyPath, QObject *, const QVariantMap &, void *)
{
    if (keyPath == QLatin1String("values.") + m_filterKey) {
        filterPhpInternalFunctions(showsInternalFunctions());
        reloadData();
    } else if (keyPath == measurementKeyPath || keyPath == displayDashKeyPath) {
        reloadData();
    }
}

bool TableController::showsInternalFunctions() const
{
    return KFUserDefaultsController::sharedUserDefaultsController().boolForKey(m_filterKey);
}

void TableController::resetRows()
{
    m_filtered.clear();
    m_filtered.shrink_to_fit();
    m_filtering = false;
    m_data.clear();
}

void TableController::reset()
{
    beginResetModel();
    resetRows();
    endResetModel();
}

void TableController::fillRows(std::vector<const ProfiledFunction *> &&rows)
{
    beginResetModel();
    resetRows();
    m_data = std::move(rows);
    sortRows();
    applyFilter(showsInternalFunctions());
    endResetModel();
}

void TableController::applyFilter(bool show)
{
    m_filtered.clear();
    m_filtering = !show;
    if (show) {
        m_filtered.shrink_to_fit();
        return;
    }
    for (const ProfiledFunction *row : m_data) {
        if (row->function().type() != FunctionModel::functionTypePhpInternal)
            m_filtered.push_back(row);
    }
}

void TableController::filterPhpInternalFunctions(bool show)
{
    beginResetModel();
    applyFilter(show);
    endResetModel();
}

std::vector<int> TableController::sortRows()
{
    std::vector<const ProfiledFunction *> &rows = m_filtering ? m_filtered : m_data;
    const size_t count = rows.size();
    std::vector<int> newRowOfOld(count);
    for (size_t i = 0; i < count; ++i)
        newRowOfOld[i] = int(i);
    if (count < 2 || m_sortColumn < 0 || m_sortColumn >= columnCountOfTables)
        return newRowOfOld;

    // Every row gets an integer key, so the sort compares integers only:
    // text columns rank their distinct texts once (the texts belong to the
    // interned functions and paths, so equal texts share one address).
    std::vector<std::pair<quint64, quint32>> keys(count);
    if (isTextColumn(m_sortColumn)) {
        std::vector<const QString *> textOfRow(count);
        for (size_t i = 0; i < count; ++i)
            textOfRow[i] = &textForSort(*rows[i], m_sortColumn);
        std::vector<const QString *> texts = textOfRow;
        std::sort(texts.begin(), texts.end(), std::less<const QString *>());
        texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
        std::sort(texts.begin(), texts.end(), textLessThan);
        std::unordered_map<const QString *, quint64> rankOfText;
        rankOfText.reserve(texts.size());
        for (size_t rank = 0; rank < texts.size(); ++rank)
            rankOfText.emplace(texts[rank], rank);
        for (size_t i = 0; i < count; ++i)
            keys[i] = { rankOfText.find(textOfRow[i])->second, quint32(i) };
    } else {
        for (size_t i = 0; i < count; ++i)
            keys[i] = { numberForSort(*rows[i], m_sortColumn), quint32(i) };
    }
    // Equal keys keep their previous order in either direction.
    const auto before = [descending = m_sortOrder == Qt::DescendingOrder](const auto &left, const auto &right) {
        if (left.first != right.first)
            return descending ? left.first > right.first : left.first < right.first;
        return left.second < right.second;
    };
    if (std::is_sorted(keys.begin(), keys.end(), before))
        return newRowOfOld;
    std::sort(keys.begin(), keys.end(), before);

    std::vector<const ProfiledFunction *> sorted(count);
    for (size_t i = 0; i < count; ++i) {
        sorted[i] = rows[keys[i].second];
        newRowOfOld[keys[i].second] = int(i);
    }
    rows = std::move(sorted);
    return newRowOfOld;
}

void TableController::sort()
{
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<int> newRowOfOld = sortRows();
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &index : before)
        after.append(index.isValid() ? createIndex(newRowOfOld[size_t(index.row())], index.column()) : index);
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TableController::sort(int column, Qt::SortOrder order)
{
    m_sortColumn = column;
    m_sortOrder = order;
    sort();
    reloadData();
}

void TableController::reloadData()
{
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCountOfTables - 1));
}

void TableController::makeActive()
{
    if (m_tabView)
        m_tabView->setCurrentIndex(m_paneId);
}

QString TableController::timeText(quint64 cost) const
{
    return m_formatter.getTimeCostString(m_costUnit.toMicroseconds(cost));
}

int TableController::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(visibleData().size());
}

int TableController::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : columnCountOfTables;
}

QVariant TableController::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return objectValueForTableColumn(index.column(), index.row());
    case Qt::ToolTipRole:
        return index.column() == functionColumn() ? objectValueForTableColumn(index.column(), index.row()) : QVariant();
    case FunctionRole:
        if (index.column() == functionColumn())
            return QVariant::fromValue(&visibleData()[size_t(index.row())]->function());
        return {};
    case Qt::TextAlignmentRole:
        if (isTextColumn(index.column()))
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant TableController::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < columnCountOfTables)
        return columnTitle(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags TableController::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
