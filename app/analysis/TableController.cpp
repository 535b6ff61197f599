#include "TableController.h"

#include "CostFormat.h"
#include "Formatter.h"
#include "FunctionModel.h"
#include "PlainToolTip.h"
#include "SettingsKeys.h"
#include "ViewRoles.h"

#include <KFUserDefaultsController.h>

#include <algorithm>
#include <numeric>
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
    const QString &filterKey, int columnCount, int sortColumn, Qt::SortOrder sortOrder, QObject *parent)
    : QAbstractTableModel(parent)
    , m_filterKey(filterKey)
    , m_columnCount(columnCount)
    , m_formatter(Formatter::standardFormatter())
    , m_sortColumn(sortColumn)
    , m_sortOrder(sortOrder)
{
    addObserverSharedUserDefaults(VTCMeasurement);
    addObserverSharedUserDefaults(VTCDisplayDash);
    if (!m_filterKey.isEmpty())
        addObserverSharedUserDefaults(m_filterKey);
}

TableController::~TableController()
{
    if (!m_filterKey.isEmpty())
        removeObserverSharedUserDefaults(m_filterKey);
    removeObserverSharedUserDefaults(VTCMeasurement);
    removeObserverSharedUserDefaults(VTCDisplayDash);
}

void TableController::observeValueForKeyPath(const QString &keyPath, QObject *, const QVariantMap &, void *)
{
    if (!m_filterKey.isEmpty() && keyPath == QLatin1String("values.") + m_filterKey) {
        filterPhpInternalFunctions(showsInternalFunctions());
        reloadData();
    } else if (keyPath == measurementKeyPath || keyPath == displayDashKeyPath) {
        reloadData();
    }
}

bool TableController::showsInternalFunctions() const
{
    return m_filterKey.isEmpty() || KFUserDefaultsController::sharedUserDefaultsController().boolForKey(m_filterKey);
}

void TableController::beginFillRows()
{
    beginResetModel();
    m_filtered.clear();
    m_filtered.shrink_to_fit();
    m_filtering = false;
    m_rows.clear();
}

void TableController::endFillRows(size_t count)
{
    m_rows.resize(count);
    std::iota(m_rows.begin(), m_rows.end(), quint32(0));
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
    for (const quint32 row : m_rows) {
        if (!functionOfRow(row).isPhpInternal())
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
    std::vector<quint32> &rows = m_filtering ? m_filtered : m_rows;
    const size_t count = rows.size();
    std::vector<int> newRowOfOld(count);
    std::iota(newRowOfOld.begin(), newRowOfOld.end(), 0);
    if (count < 2 || m_sortColumn < 0 || m_sortColumn >= m_columnCount)
        return newRowOfOld;

    // Every row gets an integer key, so the sort compares integers only:
    // text columns rank their distinct texts once (the texts belong to the
    // interned functions and paths, so equal texts share one address).
    std::vector<std::pair<quint64, quint32>> keys(count);
    if (isTextColumn(m_sortColumn)) {
        std::vector<const QString *> textOfRow(count);
        for (size_t i = 0; i < count; ++i)
            textOfRow[i] = &textForSort(rows[i], m_sortColumn);
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
            keys[i] = { numberForSort(rows[i], m_sortColumn), quint32(i) };
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

    std::vector<quint32> sorted(count);
    for (size_t i = 0; i < count; ++i) {
        sorted[i] = rows[keys[i].second];
        newRowOfOld[keys[i].second] = int(i);
    }
    rows = std::move(sorted);
    return newRowOfOld;
}

void TableController::sortKeepingIndexes()
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
    sortKeepingIndexes();
    reloadData();
}

void TableController::reloadData()
{
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, m_columnCount - 1));
}

QString TableController::timeText(quint64 cost) const
{
    return m_formatter.getTimeCostString(m_costUnit.toMicroseconds(cost));
}

QString TableController::memoryText(Cost cost)
{
    return CostFormat::memoryCostString(cost.toSigned());
}

QString TableController::widestMemoryText()
{
    return CostFormat::memoryCostString(widestMemoryInBytes);
}

QString TableController::widestTimeText() const
{
    return m_formatter.getTimeCostString(widestTimeInMicroseconds);
}

QVariant TableController::objectValueForTableColumn(int identifier, int row) const
{
    if (row < 0 || row >= rowCount() || identifier < 0 || identifier >= m_columnCount)
        return {};
    return cellValue(rowIndexAt(row), identifier);
}

int TableController::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(visibleRows().size());
}

int TableController::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columnCount;
}

QVariant TableController::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const bool isFunction = index.column() == functionColumn();
    switch (role) {
    case Qt::DisplayRole:
        return cellValue(rowIndexAt(index.row()), index.column());
    case Qt::ToolTipRole:
        // Names and paths may be elided on screen; the tooltip has them whole.
        if (!isTextColumn(index.column()))
            return {};
        return plainToolTip(cellValue(rowIndexAt(index.row()), index.column()).toString());
    case FunctionRole:
        return isFunction ? QVariant::fromValue(&functionOfRow(rowIndexAt(index.row()))) : QVariant();
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
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (role) {
    case Qt::DisplayRole:
        return columnTitle(section);
    case ColumnSampleRole:
        return columnSample(section);
    default:
        return QAbstractTableModel::headerData(section, orientation, role);
    }
}

Qt::ItemFlags TableController::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
