#include "CallsController.h"

#include "CallTreeModel.h"
#include "CallTreeView.h"
#include "FunctionModel.h"
#include "ProfiledFunctionCall.h"
#include "SettingsKeys.h"
#include "SharedText.h"
#include "SourceFileModel.h"

namespace {

const QString &pathOf(const ProfiledFunctionCall &call)
{
    static const QString none;
    return call.source() ? call.source()->path() : none;
}

} // namespace

CallsController::CallsController(QObject *parent)
    : TableController(0, VTCCallStackShowsInternalPhpFunctions, PositionColumn, Qt::AscendingOrder, parent)
{ }

CallsController::~CallsController() = default;

void CallsController::populateFromFunction(const ProfiledFunctionCall &call)
{
    std::vector<const ProfiledFunction *> rows;
    rows.reserve(size_t(call.childCount()));
    for (qsizetype i = 0; i < call.childCount(); ++i)
        rows.push_back(call.getChild(i));
    fillRows(std::move(rows));
}

void CallsController::populateFromArray(const std::vector<const ProfiledFunctionCall *> &calls)
{
    fillRows(std::vector<const ProfiledFunction *>(calls.begin(), calls.end()));
}

const ProfiledFunctionCall &CallsController::callAt(int row) const
{
    return *static_cast<const ProfiledFunctionCall *>(visibleData()[size_t(row)]);
}

QVariant CallsController::objectValueForTableColumn(int identifier, int row) const
{
    if (row < 0 || size_t(row) >= visibleData().size())
        return {};
    const ProfiledFunctionCall &call = callAt(row);
    switch (identifier) {
    case PositionColumn:
        return QString::number(call.indexInParent());
    case FunctionColumn:
        return call.function().name();
    case SelfTimeColumn:
        return timeText(call.selfTime());
    case InclusiveTimeColumn:
        return timeText(call.inclusiveTime());
    case FileColumn:
        return pathOf(call);
    case LineColumn:
        return QString::number(call.sourceLine());
    default:
        return {};
    }
}

void CallsController::doubleClick(int clickedRow)
{
    if (clickedRow < 0 || size_t(clickedRow) >= visibleData().size() || !outlineView())
        return;
    const int outlineRow = outlineExpandParents(callAt(clickedRow));
    if (outlineRow < 0)
        return;
    const QModelIndex target = outlineView()->model()->index(outlineRow, 0);
    outlineView()->selectionModel()->setCurrentIndex(
        target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    outlineView()->scrollTo(target);
}

int CallsController::outlineExpandParents(const ProfiledFunctionCall &call)
{
    CallTreeModel *model = outlineView() ? outlineView()->callTreeModel() : nullptr;
    return model ? model->expandParents(call) : -1;
}

QString CallsController::columnTitle(int identifier) const
{
    switch (identifier) {
    case PositionColumn:
        return tr("#");
    case FunctionColumn:
        return tr("Function");
    case SelfTimeColumn:
        return tr("Self");
    case InclusiveTimeColumn:
        return tr("Inclusive");
    case FileColumn:
        return tr("File");
    case LineColumn:
        return tr("Line");
    default:
        return {};
    }
}

bool CallsController::isTextColumn(int identifier) const
{
    return identifier == FunctionColumn || identifier == FileColumn;
}

const QString &CallsController::textForSort(const ProfiledFunction &row, int identifier) const
{
    const auto &call = static_cast<const ProfiledFunctionCall &>(row);
    return identifier == FileColumn ? pathOf(call) : call.function().name();
}

quint64 CallsController::numberForSort(const ProfiledFunction &row, int identifier) const
{
    const auto &call = static_cast<const ProfiledFunctionCall &>(row);
    switch (identifier) {
    case PositionColumn:
        return call.indexInParent();
    case SelfTimeColumn:
        return call.selfTime();
    case InclusiveTimeColumn:
        return call.inclusiveTime();
    case LineColumn:
        return call.sourceLine();
    default:
        return 0;
    }
}
