#include "TableController.h"

#include "CostFormat.h"
#include "Formatter.h"
#include "FunctionModel.h"
#include "SettingsKeys.h"
#include "ViewRoles.h"

#include <KFUserDefaultsController.h>

namespace {

const QString measurementKeyPath = QStringLiteral("values.") + VTCMeasurement;
const QString displayDashKeyPath = QStringLiteral("values.") + VTCDisplayDash;

} // namespace

TableController::TableController(
    const QString &filterKey, int columnCount, int sortColumn, Qt::SortOrder sortOrder, QObject *parent)
    : SortableTableModel(columnCount, sortColumn, sortOrder, parent)
    , m_filterKey(filterKey)
    , m_formatter(Formatter::standardFormatter())
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
    if (!m_filterKey.isEmpty() && keyPath == QLatin1String("values.") + m_filterKey)
        filterPhpInternalFunctions(settingShowsInternalFunctions());
    else if (keyPath == measurementKeyPath || keyPath == displayDashKeyPath)
        reloadData();
}

bool TableController::settingShowsInternalFunctions() const
{
    return m_filterKey.isEmpty() || KFUserDefaultsController::sharedUserDefaultsController().boolForKey(m_filterKey);
}

void TableController::beginFillRows()
{
    m_showsInternalFunctions = settingShowsInternalFunctions();
    SortableTableModel::beginFillRows();
}

void TableController::filterPhpInternalFunctions(bool show)
{
    m_showsInternalFunctions = show;
    refilter();
}

bool TableController::filterAcceptsRow(quint32 rowIndex) const
{
    return m_showsInternalFunctions || !functionOfRow(rowIndex).isPhpInternal();
}

QVariant TableController::timeCell(quint64 cost, int role) const
{
    if (role == SortRole)
        return qulonglong(cost);
    if (role == Qt::DisplayRole)
        return m_formatter.getCostString(m_costUnit, cost);
    return {};
}

QVariant TableController::memoryCell(Cost cost, int role) const
{
    if (m_memoryEvent < 0)
        return {};
    if (role == SortRole)
        return qlonglong(cost.toSigned());
    if (role == Qt::DisplayRole)
        return CostFormat::memoryCostString(cost.toSigned());
    return {};
}

QVariant TableController::numberCell(quint64 number, int role)
{
    if (role == SortRole)
        return qulonglong(number);
    if (role == Qt::DisplayRole)
        return QString::number(number);
    return {};
}

QVariant TableController::textCell(const QString &text, int role)
{
    return role == Qt::DisplayRole || role == SortRole ? QVariant(text) : QVariant();
}

QVariant TableController::functionCell(const FunctionModel &function, int role)
{
    if (role == FunctionRole)
        return QVariant::fromValue(&function);
    return textCell(function.name(), role);
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
    if (row < 0 || row >= rowCount() || identifier < 0 || identifier >= columnCount())
        return {};
    return cellData(rowIndexAt(row), identifier, Qt::DisplayRole);
}

QVariant TableController::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
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
