#pragma once

#include "ChildOrder.h"
#include "CostUnit.h"
#include "HiddenCallRows.h"
#include "MergedCallTree.h"
#include "OutlineModel.h"

#include <KFSharedDefaultsObserver.h>

#include <optional>
#include <vector>

class Formatter;
class Profile;

// The outline of a profile's call paths (MergedCallTree), one row per
// distinct path: the columns of the outline of calls, the figures the
// totals over the path's calls, and a column with the number of calls.
// A row's call is the first call along its path, so that what shows calls
// can show it, and any call of a path brings out the path's row.
// Paths that cost little next to the top row may be hidden, one row under
// each parent standing for them (as in the outline of calls).
// Redisplays when the time unit or the dash setting changes.
class MergedCallTreeModel final : public OutlineModel, public KFSharedDefaultsObserver
{
    Q_OBJECT
public:
    // The columns of the outline of calls, the number of calls after them.
    enum Column {
        FunctionColumn,
        InclusiveTimeColumn,
        ShareColumn,
        SelfTimeColumn,
        InclusiveMemoryColumn,
        CallsColumn,
        ColumnCount
    };

    explicit MergedCallTreeModel(QObject *parent = nullptr);
    ~MergedCallTreeModel() override;

    // Shows the root of `paths`, merged from `profile`'s calls or estimated
    // from its function graph (rows without calls), as the one top row,
    // collapsed; null shows nothing. Both outlive the model's use of them.
    void setPaths(const Profile *profile, const MergedCallTree *paths);
    // The order of the children of a row expanded from now on.
    void setChildOrder(ChildOrder order) { m_order = order; }
    // Hides, from the next paths on, the children that cost less than
    // `share` of the top row's inclusive time (0 hides none).
    void setHiddenShare(double share) { m_hiddenShare = share; }
    void reloadData();

    // The path the row shows, or MergedCallTree::none (as for the row of
    // hidden paths).
    quint32 pathOfRow(int row) const;
    // Expands the rows above `path` and answers the row that shows it, or
    // -1 when it is not a path of the tree shown.
    int expandToPath(quint32 path);
    // The last path of the chain from `path` through its costliest child of
    // `event` each step, down to a path that calls nothing or whose callees
    // cost nothing (as the hot path of calls goes).
    quint32 hotPathEnd(quint32 path, int event) const;

    const ProfiledFunctionCall *callAtRow(int row) const override;
    int expandParents(const ProfiledFunctionCall &call) override;
    bool isExpandable(int row) const override;
    bool isExpanded(int row) const override;
    int depthOfRow(int row) const override;
    void expandRow(int row) override;
    void collapseRow(int row) override;
    CallPath pathAtRow(int row) const override;
    int expandPath(const CallPath &path) override;

    void observeValueForKeyPath(
        const QString &keyPath, QObject *object, const QVariantMap &change, void *context) override;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    struct Row
    {
        // For the row of hidden paths: their parent.
        quint32 path;
        quint32 depth;
        bool expanded;
        bool hidden = false;
    };

    // The children shown, `keep` among them, and the row of those hidden.
    std::vector<quint32> children(quint32 path, quint32 keep = MergedCallTree::none);
    void appendHiddenRow(std::vector<Row> &rows, quint32 parent, quint32 depth) const;
    QVariant hiddenRowData(const Row &row, int column, int role) const;
    int endOfSubtree(int row) const;
    void insertShownRows(int position, std::vector<Row> &&rows);
    QVariant displayValue(quint32 path, int column) const;
    QString timeText(quint64 bits) const;
    std::optional<double> shareOfRoot(quint32 path) const;

    Formatter &m_formatter;
    const Profile *m_profile = nullptr;
    const MergedCallTree *m_paths = nullptr;
    CostUnit m_costUnit;
    int m_timeEvent = 0;
    int m_memoryEvent = -1;
    ChildOrder m_order = ChildOrder::CallOrder;
    std::vector<Row> m_rows;
    double m_hiddenShare = 0.0;
    HiddenCallRows<MergedCallTree> m_hidden;
};
