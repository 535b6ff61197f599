#include "ComparisonModel.h"

#include "CostFormat.h"
#include "FunctionModel.h"
#include "PlainToolTip.h"
#include "SettingsKeys.h"

#include <KFUserDefaultsController.h>

#include <algorithm>
#include <numeric>

namespace {

constexpr ProfileComparison::Side before = ProfileComparison::Before;
constexpr ProfileComparison::Side after = ProfileComparison::After;

const QString internalFunctionsKeyPath = QStringLiteral("values.") + VTCSummaryShowsInternalPhpFunctions;

KFUserDefaultsController &settings()
{
    return KFUserDefaultsController::sharedUserDefaultsController();
}

TimeUnit timeUnit()
{
    return timeUnitFromSetting(settings().integerForKey(VTCMeasurement));
}

bool isChangeColumn(int column)
{
    return column == ComparisonModel::SelfChangeColumn || column == ComparisonModel::InclusiveChangeColumn;
}

} // namespace

ComparisonModel::ComparisonModel(QObject *parent)
    : QAbstractTableModel(parent)
{
    addObserverSharedUserDefaults(VTCMeasurement);
    addObserverSharedUserDefaults(VTCDisplayDash);
    addObserverSharedUserDefaults(VTCSummaryShowsInternalPhpFunctions);
}

ComparisonModel::~ComparisonModel()
{
    removeObserverSharedUserDefaults(VTCSummaryShowsInternalPhpFunctions);
    removeObserverSharedUserDefaults(VTCDisplayDash);
    removeObserverSharedUserDefaults(VTCMeasurement);
}

void ComparisonModel::setComparison(std::unique_ptr<ProfileComparison> comparison)
{
    beginResetModel();
    m_comparison = std::move(comparison);
    const size_t count = m_comparison ? size_t(m_comparison->size()) : 0;
    m_names.clear();
    m_names.reserve(count);
    for (size_t row = 0; row < count; ++row) {
        const std::string_view name = m_comparison->nameBytes(qsizetype(row));
        m_names.push_back(QString::fromUtf8(name.data(), qsizetype(name.size())));
    }
    // Ties keep the comparison's order: largest change first, then by name.
    m_sorted.resize(count);
    std::iota(m_sorted.begin(), m_sorted.end(), quint32(0));
    if (m_comparison)
        sortRows();
    else
        m_shown.clear();
    endResetModel();
}

void ComparisonModel::setFilterText(const QString &text)
{
    if (text == m_filterText)
        return;
    beginResetModel();
    m_filterText = text;
    showPassingRows();
    endResetModel();
}

void ComparisonModel::showPassingRows()
{
    const bool showsInternal = settings().boolForKey(VTCSummaryShowsInternalPhpFunctions);
    m_shown.clear();
    for (const quint32 row : m_sorted) {
        if ((showsInternal || !FunctionModel::isPhpInternal(m_comparison->functionKind(row)))
            && (m_filterText.isEmpty() || m_names[row].contains(m_filterText, Qt::CaseInsensitive)))
            m_shown.push_back(row);
    }
}

void ComparisonModel::sortRows()
{
    const ProfileComparison &rows = *m_comparison;
    const auto order = [&](quint32 left, quint32 right) -> std::weak_ordering {
        switch (m_sortColumn) {
        case FunctionColumn: {
            const int order = m_names[left].compare(m_names[right], Qt::CaseInsensitive);
            return (order != 0 ? order : m_names[left].compare(m_names[right])) <=> 0;
        }
        case CallsBeforeColumn:
        case CallsAfterColumn: {
            const auto side = m_sortColumn == CallsBeforeColumn ? before : after;
            return rows.callCount(left, side) <=> rows.callCount(right, side);
        }
        case SelfBeforeColumn:
        case SelfAfterColumn: {
            const auto side = m_sortColumn == SelfBeforeColumn ? before : after;
            return rows.selfCost(left, side) <=> rows.selfCost(right, side);
        }
        case InclusiveBeforeColumn:
        case InclusiveAfterColumn: {
            const auto side = m_sortColumn == InclusiveBeforeColumn ? before : after;
            return rows.inclusiveCost(left, side) <=> rows.inclusiveCost(right, side);
        }
        case SelfChangeColumn:
            return rows.selfChange(left) <=> rows.selfChange(right);
        case InclusiveChangeColumn:
            return rows.inclusiveChange(left) <=> rows.inclusiveChange(right);
        default:
            return std::weak_ordering::equivalent;
        }
    };
    const bool descending = m_sortOrder == Qt::DescendingOrder;
    std::stable_sort(m_sorted.begin(), m_sorted.end(),
        [&](quint32 left, quint32 right) { return descending ? order(left, right) > 0 : order(left, right) < 0; });
    showPassingRows();
}

void ComparisonModel::sort(int column, Qt::SortOrder order)
{
    m_sortColumn = column;
    m_sortOrder = order;
    if (!m_comparison)
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<quint32> shownBefore = m_shown;
    sortRows();
    // Sorting shows the same rows: each keeps its persistent indexes.
    std::vector<int> newPosition(m_names.size(), -1);
    for (size_t position = 0; position < m_shown.size(); ++position)
        newPosition[m_shown[position]] = int(position);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex &index : from)
        to.append(index.isValid() ? createIndex(newPosition[shownBefore[size_t(index.row())]], index.column()) : index);
    changePersistentIndexList(from, to);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ComparisonModel::observeValueForKeyPath(const QString &keyPath, QObject *, const QVariantMap &, void *)
{
    if (keyPath == internalFunctionsKeyPath) {
        beginResetModel();
        if (m_comparison)
            showPassingRows();
        endResetModel();
    } else if (rowCount() > 0) {
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
    }
}

int ComparisonModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_shown.size());
}

int ComparisonModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString ComparisonModel::changeText(qsizetype row, const CostChange &change) const
{
    if (!m_comparison->isCalled(row, before))
        return tr("new");
    if (!m_comparison->isCalled(row, after))
        return tr("gone");
    return CostFormat::changeString(m_comparison->event(), change, timeUnit());
}

QString ComparisonModel::cellText(qsizetype row, int column) const
{
    const ProfileComparison &rows = *m_comparison;
    const auto text = [&](Cost cost) {
        return CostFormat::costString(rows.event(), cost, timeUnit(), settings().boolForKey(VTCDisplayDash));
    };
    switch (column) {
    case FunctionColumn:
        return m_names[size_t(row)];
    case CallsBeforeColumn:
        return QString::number(rows.callCount(row, before));
    case CallsAfterColumn:
        return QString::number(rows.callCount(row, after));
    case SelfBeforeColumn:
        return text(rows.selfCost(row, before));
    case SelfAfterColumn:
        return text(rows.selfCost(row, after));
    case SelfChangeColumn:
        return changeText(row, rows.selfChange(row));
    case InclusiveBeforeColumn:
        return text(rows.inclusiveCost(row, before));
    case InclusiveAfterColumn:
        return text(rows.inclusiveCost(row, after));
    case InclusiveChangeColumn:
        return changeText(row, rows.inclusiveChange(row));
    default:
        return {};
    }
}

int ComparisonModel::direction(qsizetype row, int column) const
{
    if (!m_comparison->isCalled(row, before))
        return 1;
    if (!m_comparison->isCalled(row, after))
        return -1;
    return (column == SelfChangeColumn ? m_comparison->selfChange(row) : m_comparison->inclusiveChange(row)).sign();
}

QVariant ComparisonModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const qsizetype row = rowAt(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return cellText(row, column);
    case Qt::ToolTipRole:
        return column == FunctionColumn ? plainToolTip(m_names[size_t(row)]) : QVariant();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue((column == FunctionColumn ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
    case Qt::ForegroundRole:
        if (!isChangeColumn(column) || direction(row, column) == 0)
            return {};
        return direction(row, column) > 0 ? increaseColour : decreaseColour;
    default:
        return {};
    }
}

QVariant ComparisonModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case FunctionColumn:
        return tr("Function");
    case CallsBeforeColumn:
        return tr("Calls before");
    case CallsAfterColumn:
        return tr("Calls after");
    case SelfBeforeColumn:
        return tr("Self before");
    case SelfAfterColumn:
        return tr("Self after");
    case SelfChangeColumn:
        return tr("Self change");
    case InclusiveBeforeColumn:
        return tr("Inclusive before");
    case InclusiveAfterColumn:
        return tr("Inclusive after");
    case InclusiveChangeColumn:
        return tr("Inclusive change");
    default:
        return {};
    }
}

Qt::ItemFlags ComparisonModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
