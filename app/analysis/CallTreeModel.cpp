#include "CallTreeModel.h"

#include "CallTree.h"
#include "CostFormat.h"
#include "Formatter.h"
#include "FunctionModel.h"
#include "PlainToolTip.h"
#include "ProfiledFunctionCall.h"
#include "SettingsKeys.h"
#include "SharedText.h"
#include "ViewRoles.h"

#include <algorithm>

CallTreeModel::CallTreeModel(QObject *parent)
    : OutlineModel(parent)
    , m_formatter(Formatter::standardFormatter())
{
    addObserverSharedUserDefaults(VTCMeasurement);
    addObserverSharedUserDefaults(VTCDisplayDash);
}

CallTreeModel::~CallTreeModel()
{
    removeObserverSharedUserDefaults(VTCMeasurement);
    removeObserverSharedUserDefaults(VTCDisplayDash);
}

void CallTreeModel::observeValueForKeyPath(const QString &keyPath, QObject *, const QVariantMap &, void *)
{
    if (keyPath == QLatin1String("values.") + VTCMeasurement || keyPath == QLatin1String("values.") + VTCDisplayDash)
        reloadData();
}

void CallTreeModel::setRootFunction(const ProfiledFunctionCall *root)
{
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    if (root)
        m_rows.push_back({ root, 0, false });
    m_rootInclusiveTime = root ? root->inclusiveTime() : 0;
    m_hidden.reset(
        root ? &root->tree() : nullptr, root ? root->callNumber() : CallTree::none, m_timeEvent, m_hiddenShare);
    endResetModel();
}

void CallTreeModel::reloadData()
{
    if (!m_rows.empty())
        Q_EMIT dataChanged(index(0, FunctionColumn + 1), index(rowCount() - 1, ColumnCount - 1));
}

const ProfiledFunctionCall *CallTreeModel::callAtRow(int row) const
{
    if (row < 0 || size_t(row) >= m_rows.size() || m_rows[size_t(row)].hidden)
        return nullptr;
    return m_rows[size_t(row)].call;
}

int CallTreeModel::rowOfCall(const ProfiledFunctionCall *call) const
{
    if (!call)
        return -1;
    const auto found = std::find_if(
        m_rows.begin(), m_rows.end(), [call](const Row &row) { return row.call == call && !row.hidden; });
    return found == m_rows.end() ? -1 : int(found - m_rows.begin());
}

bool CallTreeModel::isExpandable(int row) const
{
    const ProfiledFunctionCall *call = callAtRow(row);
    return call && call->childCount() > 0;
}

bool CallTreeModel::isExpanded(int row) const
{
    return callAtRow(row) && m_rows[size_t(row)].expanded;
}

int CallTreeModel::depthOfRow(int row) const
{
    return row >= 0 && size_t(row) < m_rows.size() ? int(m_rows[size_t(row)].depth) : -1;
}

std::vector<const ProfiledFunctionCall *> CallTreeModel::children(
    const ProfiledFunctionCall &call, const ProfiledFunctionCall *keep)
{
    const CallTree &tree = call.tree();
    std::vector<const ProfiledFunctionCall *> calls;
    for (const quint32 child : m_hidden.shownChildren(
             tree, tree.numberOf(call), m_order, m_orderEvent, keep ? tree.numberOf(*keep) : CallTree::none))
        calls.push_back(&tree.call(child));
    return calls;
}

void CallTreeModel::appendHiddenRow(std::vector<Row> &rows, const ProfiledFunctionCall &parent, quint32 depth) const
{
    if (m_hidden.hiddenBelow(parent.callNumber()))
        rows.push_back({ &parent, depth, false, true });
}

int CallTreeModel::endOfSubtree(int row) const
{
    const quint32 depth = m_rows[size_t(row)].depth;
    size_t end = size_t(row) + 1;
    while (end < m_rows.size() && m_rows[end].depth > depth)
        ++end;
    return int(end);
}

void CallTreeModel::insertShownRows(int position, std::vector<Row> &&rows)
{
    if (rows.empty())
        return;
    beginInsertRows({}, position, position + int(rows.size()) - 1);
    m_rows.insert(m_rows.begin() + position, rows.begin(), rows.end());
    endInsertRows();
}

void CallTreeModel::expandRow(int row)
{
    if (!isExpandable(row) || isExpanded(row))
        return;
    Row &parentRow = m_rows[size_t(row)];
    parentRow.expanded = true;
    const quint32 depth = parentRow.depth + 1;
    std::vector<Row> rows;
    for (const ProfiledFunctionCall *child : children(*parentRow.call))
        rows.push_back({ child, depth, false });
    appendHiddenRow(rows, *m_rows[size_t(row)].call, depth);
    const QModelIndex changed = index(row, 0);
    Q_EMIT dataChanged(changed, changed, { ExpandedRole });
    insertShownRows(row + 1, std::move(rows));
}

void CallTreeModel::collapseRow(int row)
{
    if (!isExpanded(row))
        return;
    m_rows[size_t(row)].expanded = false;
    const int end = endOfSubtree(row);
    if (end > row + 1) {
        for (int below = row + 1; below < end; ++below) {
            if (m_rows[size_t(below)].hidden)
                m_hidden.forget(m_rows[size_t(below)].call->callNumber());
        }
        beginRemoveRows({}, row + 1, end - 1);
        m_rows.erase(m_rows.begin() + row + 1, m_rows.begin() + end);
        endRemoveRows();
    }
    const QModelIndex changed = index(row, 0);
    Q_EMIT dataChanged(changed, changed, { ExpandedRole });
}

int CallTreeModel::expandParents(const ProfiledFunctionCall &call)
{
    // The chain from the top row's call down to `call`.
    std::vector<const ProfiledFunctionCall *> path;
    for (const ProfiledFunctionCall *node = &call; node; node = node->parent())
        path.push_back(node);
    std::reverse(path.begin(), path.end());
    if (m_rows.empty() || m_rows.front().call != path.front())
        return -1;

    // Follow the chain through the rows already shown, as far as it is
    // expanded. Each step scans forward inside the current row's subtree.
    int row = 0;
    size_t level = 0;
    while (level + 1 < path.size() && m_rows[size_t(row)].expanded) {
        const quint32 childDepth = m_rows[size_t(row)].depth + 1;
        const ProfiledFunctionCall *next = path[level + 1];
        int scan = row + 1;
        while (size_t(scan) < m_rows.size() && m_rows[size_t(scan)].depth >= childDepth
            && !(m_rows[size_t(scan)].depth == childDepth && m_rows[size_t(scan)].call == next
                && !m_rows[size_t(scan)].hidden))
            ++scan;
        if (size_t(scan) >= m_rows.size() || m_rows[size_t(scan)].call != next) {
            // A hidden call: its parent lists its children again, with it.
            if (!m_hidden.hiddenBelow(path[level]->callNumber()))
                return -1;
            collapseRow(row);
            break;
        }
        row = scan;
        ++level;
    }
    if (level + 1 == path.size())
        return row;

    // The rest of the chain is collapsed: build the rows its expansion adds
    // in one pass. At each level the children before the chain's next call
    // come first, then that call (expanded unless it is `call` itself), then
    // the rows below it; the children after it follow once every deeper
    // level is done, so they wait on a stack, innermost on top.
    struct PendingSiblings
    {
        std::vector<const ProfiledFunctionCall *> children;
        size_t from;
        quint32 depth;
        const ProfiledFunctionCall *parent;
    };
    std::vector<PendingSiblings> pending;
    std::vector<Row> added;
    const int firstAdded = row + 1;
    int targetRow = -1;
    m_rows[size_t(row)].expanded = true;
    quint32 depth = m_rows[size_t(row)].depth + 1;
    for (; level + 1 < path.size(); ++level, ++depth) {
        const ProfiledFunctionCall *next = path[level + 1];
        std::vector<const ProfiledFunctionCall *> siblings = children(*path[level], next);
        const size_t nextIndex = size_t(std::find(siblings.begin(), siblings.end(), next) - siblings.begin());
        for (size_t i = 0; i < nextIndex; ++i)
            added.push_back({ siblings[i], depth, false });
        const bool isTarget = level + 2 == path.size();
        if (isTarget)
            targetRow = firstAdded + int(added.size());
        added.push_back({ next, depth, !isTarget && next->childCount() > 0 });
        pending.push_back({ std::move(siblings), nextIndex + 1, depth, path[level] });
    }
    while (!pending.empty()) {
        const PendingSiblings siblings = std::move(pending.back());
        pending.pop_back();
        for (size_t i = siblings.from; i < siblings.children.size(); ++i)
            added.push_back({ siblings.children[i], siblings.depth, false });
        appendHiddenRow(added, *siblings.parent, siblings.depth);
    }
    const QModelIndex changed = index(row, 0);
    Q_EMIT dataChanged(changed, changed, { ExpandedRole });
    insertShownRows(firstAdded, std::move(added));
    return targetRow;
}

CallPath CallTreeModel::pathAtRow(int row) const
{
    return CallPath::of(callAtRow(row));
}

int CallTreeModel::expandPath(const CallPath &path)
{
    const ProfiledFunctionCall *call = path.find(m_rows.empty() ? nullptr : m_rows.front().call);
    return call ? expandParents(*call) : -1;
}

QModelIndex CallTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (!hasIndex(row, column, parent))
        return {};
    return createIndex(row, column);
}

int CallTreeModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CallTreeModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

bool CallTreeModel::hasChildren(const QModelIndex &parent) const
{
    return !parent.isValid() && !m_rows.empty();
}

QVariant CallTreeModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row &row = m_rows[size_t(index.row())];
    const int column = index.column();
    if (row.hidden)
        return hiddenRowData(row, column, role);
    if (column != FunctionColumn) {
        switch (role) {
        case Qt::DisplayRole:
            return displayValue(*row.call, column);
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        case ShareRole:
            if (column == ShareColumn)
                return shareOfRoot(*row.call).value_or(0.0);
            return {};
        default:
            return {};
        }
    }
    switch (role) {
    case Qt::DisplayRole:
        return row.call->function().name();
    case Qt::ToolTipRole:
        return plainToolTip(row.call->function().name());
    case FunctionRole:
        return QVariant::fromValue(&row.call->function());
    case DepthRole:
        return int(row.depth);
    case ExpandableRole:
        return row.call->childCount() > 0;
    case ExpandedRole:
        return row.expanded;
    default:
        return {};
    }
}

QVariant CallTreeModel::displayValue(const ProfiledFunctionCall &call, int column) const
{
    switch (column) {
    case InclusiveTimeColumn:
        return timeText(call.inclusiveTime());
    case ShareColumn:
        if (const std::optional<double> share = shareOfRoot(call))
            return QString::asprintf("%.1f%%", *share * 100.0);
        return dashString;
    case SelfTimeColumn:
        return timeText(call.selfTime());
    case InclusiveMemoryColumn:
        if (m_memoryEvent < 0)
            return {};
        return CostFormat::memoryCostString(call.inclusiveCost(m_memoryEvent).toSigned());
    default:
        return {};
    }
}

QVariant CallTreeModel::hiddenRowData(const Row &row, int column, int role) const
{
    const HiddenCallRows<CallTree>::Hidden &hidden = *m_hidden.hiddenBelow(row.call->callNumber());
    const quint64 inclusive = hidden.inclusiveBits[size_t(m_timeEvent)];
    const std::optional<double> share
        = m_rootInclusiveTime > 0 ? std::optional(double(inclusive) / double(m_rootInclusiveTime)) : std::nullopt;
    const bool memorySigned = m_memoryEvent >= 0 && row.call->tree().isSigned(m_memoryEvent);
    return HiddenCallRows<CallTree>::cell<CallTreeModel>(hidden, column, role, row.depth, share, m_timeEvent,
        m_memoryEvent, memorySigned, [this](quint64 bits) { return timeText(bits); });
}

QString CallTreeModel::timeText(quint64 cost) const
{
    return m_formatter.getCostString(m_costUnit, cost);
}

std::optional<double> CallTreeModel::shareOfRoot(const ProfiledFunctionCall &call) const
{
    if (m_rootInclusiveTime == 0)
        return std::nullopt;
    return double(call.inclusiveTime()) / double(m_rootInclusiveTime);
}

QVariant CallTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole) {
        switch (section) {
        case FunctionColumn:
            return tr("Call tree");
        case InclusiveTimeColumn:
            return tr("Inclusive");
        case ShareColumn:
            return tr("Share");
        case SelfTimeColumn:
            return tr("Self");
        case InclusiveMemoryColumn:
            return tr("Inclusive\nmemory");
        default:
            return {};
        }
    }
    if (role == ColumnSampleRole) {
        switch (section) {
        case InclusiveTimeColumn:
        case SelfTimeColumn:
            return m_formatter.getTimeCostString(widestTimeInMicroseconds);
        case ShareColumn:
            // Room for the number and about as much again for its bar.
            return QStringLiteral("100.0% 100.0%");
        case InclusiveMemoryColumn:
            return CostFormat::memoryCostString(widestMemoryInBytes);
        default:
            return QString();
        }
    }
    if (role == Qt::TextAlignmentRole && section != FunctionColumn)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags CallTreeModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
