#include "ComparisonModel.h"

#include "CostFormat.h"
#include "FunctionModel.h"
#include "SettingsKeys.h"
#include "ViewRoles.h"

#include <KFUserDefaultsController.h>

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

} // namespace

ComparisonModel::ComparisonModel(QObject *parent)
    : SortableTableModel(ColumnCount, InclusiveChangeColumn, Qt::DescendingOrder, parent)
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
    beginFillRows();
    m_comparison = std::move(comparison);
    m_showsInternalFunctions = settings().boolForKey(VTCSummaryShowsInternalPhpFunctions);
    const size_t count = m_comparison ? size_t(m_comparison->size()) : 0;
    m_names.clear();
    m_names.reserve(count);
    for (size_t row = 0; row < count; ++row) {
        const std::string_view name = m_comparison->nameBytes(qsizetype(row));
        m_names.push_back(QString::fromUtf8(name.data(), qsizetype(name.size())));
    }
    // Ties keep the comparison's order: largest change first, then by name.
    endFillRows(count);
}

void ComparisonModel::setFilterText(const QString &text)
{
    if (text == m_filterText)
        return;
    m_filterText = text;
    refilter();
}

bool ComparisonModel::filterAcceptsRow(quint32 rowIndex) const
{
    return (m_showsInternalFunctions || !FunctionModel::isPhpInternal(m_comparison->functionKind(rowIndex)))
        && (m_filterText.isEmpty() || m_names[rowIndex].contains(m_filterText, Qt::CaseInsensitive));
}

void ComparisonModel::observeValueForKeyPath(const QString &keyPath, QObject *, const QVariantMap &, void *)
{
    if (keyPath == internalFunctionsKeyPath) {
        m_showsInternalFunctions = settings().boolForKey(VTCSummaryShowsInternalPhpFunctions);
        refilter();
    } else {
        reloadData();
    }
}

QVariant ComparisonModel::costCell(Cost cost, int role) const
{
    if (role == SortRole)
        return cost.isSigned() ? QVariant(qlonglong(cost.toSigned())) : QVariant(qulonglong(cost.toUnsigned()));
    if (role == Qt::DisplayRole)
        return CostFormat::costString(
            m_comparison->event(), cost, timeUnit(), settings().boolForKey(VTCDisplayDash), QLocale());
    return {};
}

QVariant ComparisonModel::changeCell(qsizetype row, const CostChange &change, int role) const
{
    // "new" counts as an increase and "gone" as a decrease.
    const bool isNew = !m_comparison->isCalled(row, before);
    const bool isGone = !m_comparison->isCalled(row, after);
    switch (role) {
    case SortRole:
        return qulonglong(change.orderKey());
    case Qt::DisplayRole:
        if (isNew || isGone)
            return isNew ? tr("new") : tr("gone");
        return CostFormat::changeString(m_comparison->event(), change, timeUnit(), QLocale());
    case Qt::ForegroundRole: {
        const int direction = isNew ? 1 : (isGone ? -1 : change.sign());
        return direction == 0 ? QVariant() : QVariant(direction > 0 ? increaseColour : decreaseColour);
    }
    default:
        return {};
    }
}

QVariant ComparisonModel::cellData(quint32 rowIndex, int column, int role) const
{
    const ProfileComparison &rows = *m_comparison;
    const qsizetype row = qsizetype(rowIndex);
    const auto count = [role](quint64 calls) {
        return role == SortRole ? QVariant(qulonglong(calls))
                                : (role == Qt::DisplayRole ? QVariant(QString::number(calls)) : QVariant());
    };
    switch (column) {
    case FunctionColumn:
        return role == Qt::DisplayRole || role == SortRole ? QVariant(m_names[size_t(row)]) : QVariant();
    case CallsBeforeColumn:
        return count(rows.callCount(row, before));
    case CallsAfterColumn:
        return count(rows.callCount(row, after));
    case SelfBeforeColumn:
        return costCell(rows.selfCost(row, before), role);
    case SelfAfterColumn:
        return costCell(rows.selfCost(row, after), role);
    case SelfChangeColumn:
        return changeCell(row, rows.selfChange(row), role);
    case InclusiveBeforeColumn:
        return costCell(rows.inclusiveCost(row, before), role);
    case InclusiveAfterColumn:
        return costCell(rows.inclusiveCost(row, after), role);
    case InclusiveChangeColumn:
        return changeCell(row, rows.inclusiveChange(row), role);
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
