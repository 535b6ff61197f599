#include "MergedCallTreeModel.h"

#include "CallTreeMerger.h"
#include "CostFormat.h"
#include "Formatter.h"
#include "MergedCallTree.h"
#include "PlainToolTip.h"
#include "Profile.h"
#include "SettingsKeys.h"
#include "SharedText.h"
#include "ViewRoles.h"

#include <algorithm>

MergedCallTreeModel::MergedCallTreeModel(QObject *parent)
    : OutlineModel(parent)
    , m_formatter(Formatter::standardFormatter())
{
    addObserverSharedUserDefaults(VTCMeasurement);
    addObserverSharedUserDefaults(VTCDisplayDash);
}

MergedCallTreeModel::~MergedCallTreeModel()
{
    removeObserverSharedUserDefaults(VTCMeasurement);
    removeObserverSharedUserDefaults(VTCDisplayDash);
}

void MergedCallTreeModel::observeValueForKeyPath(const QString &keyPath, QObject *, const QVariantMap &, void *)
{
    if (keyPath == QLatin1String("values.") + VTCMeasurement || keyPath == QLatin1String("values.") + VTCDisplayDash)
        reloadData();
}

void MergedCallTreeModel::setPaths(const Profile *profile, const MergedCallTree *paths)
{
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_profile = profile;
    m_paths = profile ? paths : nullptr;
    if (m_profile) {
        m_costUnit = m_profile->costUnit();
        m_timeEvent = m_profile->timeEvent();
        m_memoryEvent = m_profile->memoryEvent();
    }
    if (m_paths && m_paths->root() != MergedCallTree::none)
        m_rows.push_back({ m_paths->root(), 0, false });
    m_hidden.reset(m_paths, m_paths ? m_paths->root() : MergedCallTree::none, m_timeEvent, m_hiddenShare);
    endResetModel();
}

void MergedCallTreeModel::reloadData()
{
    if (!m_rows.empty())
        Q_EMIT dataChanged(index(0, FunctionColumn + 1), index(rowCount() - 1, ColumnCount - 1));
}

quint32 MergedCallTreeModel::pathOfRow(int row) const
{
    if (row < 0 || size_t(row) >= m_rows.size() || m_rows[size_t(row)].hidden)
        return MergedCallTree::none;
    return m_rows[size_t(row)].path;
}

std::vector<quint32> MergedCallTreeModel::children(quint32 path, quint32 keep)
{
    return m_hidden.shownChildren(*m_paths, path, m_order, m_timeEvent, keep);
}

void MergedCallTreeModel::appendHiddenRow(std::vector<Row> &rows, quint32 parent, quint32 depth) const
{
    if (m_hidden.hiddenBelow(parent))
        rows.push_back({ parent, depth, false, true });
}

const ProfiledFunctionCall *MergedCallTreeModel::callAtRow(int row) const
{
    const quint32 path = pathOfRow(row);
    if (path == MergedCallTree::none || m_paths->firstCall(path) == MergedCallTree::none)
        return nullptr;
    return &m_profile->callTree().call(m_paths->firstCall(path));
}

int MergedCallTreeModel::expandParents(const ProfiledFunctionCall &call)
{
    if (!m_paths || !m_profile->rootFunction())
        return -1;
    const CallTree &tree = m_profile->callTree();
    return expandToPath(CallTreeMerger::pathOfCall(*m_paths, tree, tree.numberOf(call)));
}

bool MergedCallTreeModel::isExpandable(int row) const
{
    const quint32 path = pathOfRow(row);
    return path != MergedCallTree::none && m_paths->childCount(path) > 0;
}

bool MergedCallTreeModel::isExpanded(int row) const
{
    return pathOfRow(row) != MergedCallTree::none && m_rows[size_t(row)].expanded;
}

int MergedCallTreeModel::depthOfRow(int row) const
{
    return row >= 0 && size_t(row) < m_rows.size() ? int(m_rows[size_t(row)].depth) : -1;
}

int MergedCallTreeModel::endOfSubtree(int row) const
{
    const quint32 depth = m_rows[size_t(row)].depth;
    size_t end = size_t(row) + 1;
    while (end < m_rows.size() && m_rows[end].depth > depth)
        ++end;
    return int(end);
}

void MergedCallTreeModel::insertShownRows(int position, std::vector<Row> &&rows)
{
    if (rows.empty())
        return;
    beginInsertRows({}, position, position + int(rows.size()) - 1);
    m_rows.insert(m_rows.begin() + position, rows.begin(), rows.end());
    endInsertRows();
}

void MergedCallTreeModel::expandRow(int row)
{
    if (!isExpandable(row) || isExpanded(row))
        return;
    Row &parentRow = m_rows[size_t(row)];
    parentRow.expanded = true;
    const quint32 depth = parentRow.depth + 1;
    std::vector<Row> rows;
    for (const quint32 child : children(parentRow.path))
        rows.push_back({ child, depth, false });
    appendHiddenRow(rows, m_rows[size_t(row)].path, depth);
    const QModelIndex changed = index(row, 0);
    Q_EMIT dataChanged(changed, changed, { ExpandedRole });
    insertShownRows(row + 1, std::move(rows));
}

void MergedCallTreeModel::collapseRow(int row)
{
    if (!isExpanded(row))
        return;
    m_rows[size_t(row)].expanded = false;
    const int end = endOfSubtree(row);
    if (end > row + 1) {
        for (int below = row + 1; below < end; ++below) {
            if (m_rows[size_t(below)].hidden)
                m_hidden.forget(m_rows[size_t(below)].path);
        }
        beginRemoveRows({}, row + 1, end - 1);
        m_rows.erase(m_rows.begin() + row + 1, m_rows.begin() + end);
        endRemoveRows();
    }
    const QModelIndex changed = index(row, 0);
    Q_EMIT dataChanged(changed, changed, { ExpandedRole });
}

int MergedCallTreeModel::expandToPath(quint32 target)
{
    if (m_rows.empty() || target == MergedCallTree::none || target >= m_paths->size())
        return -1;
    std::vector<quint32> chain;
    for (quint32 path = target; path != MergedCallTree::none; path = m_paths->parent(path))
        chain.push_back(path);
    std::reverse(chain.begin(), chain.end());

    // Follow the chain through the rows shown, as far as they are expanded.
    int row = 0;
    size_t level = 0;
    while (level + 1 < chain.size() && m_rows[size_t(row)].expanded) {
        const quint32 childDepth = m_rows[size_t(row)].depth + 1;
        const quint32 next = chain[level + 1];
        int scan = row + 1;
        while (size_t(scan) < m_rows.size() && m_rows[size_t(scan)].depth >= childDepth
            && !(m_rows[size_t(scan)].depth == childDepth && m_rows[size_t(scan)].path == next
                && !m_rows[size_t(scan)].hidden))
            ++scan;
        if (size_t(scan) >= m_rows.size() || m_rows[size_t(scan)].path != next) {
            // A hidden path: its parent lists its children again, with it.
            if (!m_hidden.hiddenBelow(chain[level]))
                return -1;
            collapseRow(row);
            break;
        }
        row = scan;
        ++level;
    }
    if (level + 1 == chain.size())
        return row;

    // The rest is collapsed: the rows its expansion adds are built in one
    // pass, the siblings after each step of the chain waiting on a stack
    // until every deeper step is done.
    struct PendingSiblings
    {
        std::vector<quint32> children;
        size_t from;
        quint32 depth;
        quint32 parent;
    };
    std::vector<PendingSiblings> pending;
    std::vector<Row> added;
    const int firstAdded = row + 1;
    int targetRow = -1;
    m_rows[size_t(row)].expanded = true;
    quint32 depth = m_rows[size_t(row)].depth + 1;
    for (; level + 1 < chain.size(); ++level, ++depth) {
        const quint32 next = chain[level + 1];
        std::vector<quint32> siblings = children(chain[level], next);
        const size_t nextIndex = size_t(std::find(siblings.begin(), siblings.end(), next) - siblings.begin());
        for (size_t i = 0; i < nextIndex; ++i)
            added.push_back({ siblings[i], depth, false });
        const bool isTarget = level + 2 == chain.size();
        if (isTarget)
            targetRow = firstAdded + int(added.size());
        added.push_back({ next, depth, !isTarget && m_paths->childCount(next) > 0 });
        pending.push_back({ std::move(siblings), nextIndex + 1, depth, chain[level] });
    }
    while (!pending.empty()) {
        const PendingSiblings siblings = std::move(pending.back());
        pending.pop_back();
        for (size_t i = siblings.from; i < siblings.children.size(); ++i)
            added.push_back({ siblings.children[i], siblings.depth, false });
        appendHiddenRow(added, siblings.parent, siblings.depth);
    }
    const QModelIndex changed = index(row, 0);
    Q_EMIT dataChanged(changed, changed, { ExpandedRole });
    insertShownRows(firstAdded, std::move(added));
    return targetRow;
}

quint32 MergedCallTreeModel::hotPathEnd(quint32 path, int event) const
{
    if (!m_paths || path == MergedCallTree::none)
        return path;
    // As in the outline of calls: down to a path that calls nothing, or
    // whose callees have no cost of the event.
    while (m_paths->childCount(path) > 0) {
        const std::vector<quint32> heaviest = orderedChildren(*m_paths, path, ChildOrder::HeaviestFirst, event);
        if (m_paths->inclusiveBits(event, heaviest.front()) == 0)
            break;
        path = heaviest.front();
    }
    return path;
}

CallPath MergedCallTreeModel::pathAtRow(int row) const
{
    const quint32 path = pathOfRow(row);
    // Paths estimated from a function graph have no calls.
    if (path != MergedCallTree::none && m_paths->firstCall(path) == MergedCallTree::none)
        return CallPath::ofPath(*m_profile, *m_paths, path);
    return CallPath::of(callAtRow(row));
}

int MergedCallTreeModel::expandPath(const CallPath &path)
{
    const ProfiledFunctionCall *root = m_profile ? m_profile->rootFunction() : nullptr;
    if (!root)
        return m_paths ? expandToPath(path.findPath(*m_profile, *m_paths)) : -1;
    const ProfiledFunctionCall *call = path.find(root);
    return call ? expandParents(*call) : -1;
}

QModelIndex MergedCallTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (!hasIndex(row, column, parent))
        return {};
    return createIndex(row, column);
}

int MergedCallTreeModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int MergedCallTreeModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

bool MergedCallTreeModel::hasChildren(const QModelIndex &parent) const
{
    return !parent.isValid() && !m_rows.empty();
}

QVariant MergedCallTreeModel::data(const QModelIndex &index, int role) const
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
            return displayValue(row.path, column);
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        case ShareRole:
            if (column == ShareColumn)
                return shareOfRoot(row.path).value_or(0.0);
            return {};
        default:
            return {};
        }
    }
    const FunctionModel &function = m_profile->function(m_paths->function(row.path));
    switch (role) {
    case Qt::DisplayRole:
        return function.name();
    case Qt::ToolTipRole:
        return plainToolTip(function.name());
    case FunctionRole:
        return QVariant::fromValue(&function);
    case DepthRole:
        return int(row.depth);
    case ExpandableRole:
        return m_paths->childCount(row.path) > 0;
    case ExpandedRole:
        return row.expanded;
    default:
        return {};
    }
}

QVariant MergedCallTreeModel::displayValue(quint32 path, int column) const
{
    switch (column) {
    case InclusiveTimeColumn:
        return timeText(m_paths->inclusiveBits(m_timeEvent, path));
    case ShareColumn:
        if (const std::optional<double> share = shareOfRoot(path))
            return QString::asprintf("%.1f%%", *share * 100.0);
        return dashString;
    case SelfTimeColumn:
        return timeText(m_paths->selfBits(m_timeEvent, path));
    case InclusiveMemoryColumn:
        if (m_memoryEvent < 0)
            return {};
        return CostFormat::memoryCostString(m_paths->inclusiveCost(m_memoryEvent, path).toSigned());
    case CallsColumn:
        return QStringLiteral("\u00d7%1").arg(m_paths->calls(path));
    default:
        return {};
    }
}

QVariant MergedCallTreeModel::hiddenRowData(const Row &row, int column, int role) const
{
    const HiddenCallRows<MergedCallTree>::Hidden &hidden = *m_hidden.hiddenBelow(row.path);
    if (column == CallsColumn && role == Qt::DisplayRole)
        return QStringLiteral("\u00d7%1").arg(hidden.calls);
    const quint64 inclusive = hidden.inclusiveBits[size_t(m_timeEvent)];
    const quint64 rootTime = m_paths->inclusiveBits(m_timeEvent, m_paths->root());
    const std::optional<double> share
        = rootTime > 0 ? std::optional(double(inclusive) / double(rootTime)) : std::nullopt;
    const bool memorySigned = m_memoryEvent >= 0 && m_paths->isSigned(m_memoryEvent);
    return HiddenCallRows<MergedCallTree>::cell<MergedCallTreeModel>(hidden, column, role, row.depth, share,
        m_timeEvent, m_memoryEvent, memorySigned, [this](quint64 bits) { return timeText(bits); });
}

QString MergedCallTreeModel::timeText(quint64 bits) const
{
    return m_formatter.getCostString(m_costUnit, bits);
}

std::optional<double> MergedCallTreeModel::shareOfRoot(quint32 path) const
{
    const quint64 rootTime = m_paths->inclusiveBits(m_timeEvent, m_paths->root());
    if (rootTime == 0)
        return std::nullopt;
    return double(m_paths->inclusiveBits(m_timeEvent, path)) / double(rootTime);
}

QVariant MergedCallTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole) {
        switch (section) {
        case FunctionColumn:
            return tr("Call paths");
        case InclusiveTimeColumn:
            return tr("Inclusive");
        case ShareColumn:
            return tr("Share");
        case SelfTimeColumn:
            return tr("Self");
        case InclusiveMemoryColumn:
            return tr("Inclusive\nmemory");
        case CallsColumn:
            return tr("Calls");
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
            return QStringLiteral("100.0% 100.0%");
        case InclusiveMemoryColumn:
            return CostFormat::memoryCostString(widestMemoryInBytes);
        case CallsColumn:
            return QStringLiteral("\u00d79999999");
        default:
            return QString();
        }
    }
    if (role == Qt::TextAlignmentRole && section != FunctionColumn)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags MergedCallTreeModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
