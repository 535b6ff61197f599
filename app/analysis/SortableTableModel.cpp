#include "SortableTableModel.h"

#include "PlainToolTip.h"
#include "ViewRoles.h"

#include <algorithm>
#include <numeric>

namespace {

bool textLessThan(const QString &left, const QString &right)
{
    const int order = left.compare(right, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : left.compare(right) < 0;
}

// Ranks texts. Equal texts from a profile share one string, so the rows
// are grouped by their string first and each distinct string is compared
// once; equal texts in strings of their own get one rank all the same.
std::vector<quint64> textRanks(const std::vector<QString> &texts)
{
    std::vector<std::pair<const QChar *, quint32>> byString(texts.size());
    for (size_t i = 0; i < texts.size(); ++i)
        byString[i] = { texts[i].constData(), quint32(i) };
    std::sort(byString.begin(), byString.end());
    // The first row of each string, ranked.
    std::vector<quint32> distinct;
    for (size_t i = 0; i < byString.size(); ++i) {
        if (i == 0 || byString[i].first != byString[i - 1].first)
            distinct.push_back(byString[i].second);
    }
    std::sort(distinct.begin(), distinct.end(),
        [&](quint32 left, quint32 right) { return textLessThan(texts[left], texts[right]); });
    std::vector<quint64> ranks(texts.size());
    quint64 rank = 0;
    for (size_t i = 0; i < distinct.size(); ++i) {
        if (i > 0 && textLessThan(texts[distinct[i - 1]], texts[distinct[i]]))
            ++rank;
        ranks[distinct[i]] = rank;
    }
    // The other rows of each string.
    for (size_t i = 1; i < byString.size(); ++i) {
        if (byString[i].first == byString[i - 1].first)
            ranks[byString[i].second] = ranks[byString[i - 1].second];
    }
    return ranks;
}

// A number as a key that keeps its order: signed figures are moved up by
// half the range.
quint64 numberKey(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<qlonglong>())
        return quint64(value.toLongLong()) ^ (quint64(1) << 63);
    return value.toULongLong();
}

} // namespace

SortableTableModel::SortableTableModel(int columnCount, int sortColumn, Qt::SortOrder sortOrder, QObject *parent)
    : QAbstractTableModel(parent)
    , m_columnCount(columnCount)
    , m_sortColumn(sortColumn)
    , m_sortOrder(sortOrder)
{ }

void SortableTableModel::beginFillRows()
{
    beginResetModel();
    m_sorted.clear();
    m_shown.clear();
}

void SortableTableModel::endFillRows(size_t count)
{
    m_sorted.resize(count);
    std::iota(m_sorted.begin(), m_sorted.end(), quint32(0));
    m_sorted.shrink_to_fit();
    sortRows();
    showPassingRows();
    endResetModel();
}

std::vector<quint64> SortableTableModel::sortKeys() const
{
    const size_t count = m_sorted.size();
    if (isTextColumn(m_sortColumn)) {
        std::vector<QString> texts(count);
        for (size_t i = 0; i < count; ++i)
            texts[i] = cellData(m_sorted[i], m_sortColumn, SortRole).toString();
        return textRanks(texts);
    }
    std::vector<quint64> keys(count);
    for (size_t i = 0; i < count; ++i)
        keys[i] = numberKey(cellData(m_sorted[i], m_sortColumn, SortRole));
    return keys;
}

void SortableTableModel::sortRows()
{
    const size_t count = m_sorted.size();
    if (count < 2 || m_sortColumn < 0 || m_sortColumn >= m_columnCount)
        return;
    // Each row's key with its place in the previous order, which decides
    // between equal keys.
    const std::vector<quint64> keyOf = sortKeys();
    std::vector<std::pair<quint64, quint32>> keys(count);
    for (size_t i = 0; i < count; ++i)
        keys[i] = { keyOf[i], quint32(i) };
    const auto before = [descending = m_sortOrder == Qt::DescendingOrder](const auto &left, const auto &right) {
        if (left.first != right.first)
            return descending ? left.first > right.first : left.first < right.first;
        return left.second < right.second;
    };
    if (std::is_sorted(keys.begin(), keys.end(), before))
        return;
    std::sort(keys.begin(), keys.end(), before);
    std::vector<quint32> sorted(count);
    for (size_t i = 0; i < count; ++i)
        sorted[i] = m_sorted[keys[i].second];
    m_sorted = std::move(sorted);
}

void SortableTableModel::showPassingRows()
{
    m_shown.clear();
    for (const quint32 row : m_sorted) {
        if (filterAcceptsRow(row))
            m_shown.push_back(row);
    }
    // Most tables show every row: the copy keeps no spare room then.
    m_shown.shrink_to_fit();
}

void SortableTableModel::changeShownRows(std::vector<quint32> shown)
{
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRowOf(m_sorted.size(), -1);
    for (size_t row = 0; row < shown.size(); ++row)
        newRowOf[shown[row]] = int(row);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex &index : from) {
        const int row = index.isValid() ? newRowOf[m_shown[size_t(index.row())]] : -1;
        to.append(row >= 0 ? createIndex(row, index.column()) : QModelIndex());
    }
    m_shown = std::move(shown);
    changePersistentIndexList(from, to);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void SortableTableModel::sort(int column, Qt::SortOrder order)
{
    m_sortColumn = column;
    m_sortOrder = order;
    const std::vector<quint32> shownBefore = m_shown;
    sortRows();
    showPassingRows();
    if (m_shown == shownBefore)
        return;
    std::vector<quint32> shown = std::move(m_shown);
    m_shown = shownBefore;
    changeShownRows(std::move(shown));
}

void SortableTableModel::refilter()
{
    std::vector<quint32> shownBefore = std::move(m_shown);
    showPassingRows();
    std::vector<quint32> shown = std::move(m_shown);
    m_shown = std::move(shownBefore);
    changeShownRows(std::move(shown));
}

void SortableTableModel::reloadData()
{
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, m_columnCount - 1));
}

int SortableTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_shown.size());
}

int SortableTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columnCount;
}

QVariant SortableTableModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const quint32 row = rowIndexAt(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::ToolTipRole:
        // Names and paths may be elided on screen; the tooltip has them whole.
        return isTextColumn(column) ? plainToolTip(cellData(row, column, Qt::DisplayRole).toString()) : QVariant();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue((isTextColumn(column) ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
    default:
        return cellData(row, column, role);
    }
}

Qt::ItemFlags SortableTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
