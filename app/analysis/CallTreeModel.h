#pragma once

#include "CallTree.h"
#include "ChildOrder.h"
#include "CostUnit.h"
#include "HiddenCallRows.h"
#include "OutlineModel.h"

#include <KFSharedDefaultsObserver.h>

#include <optional>
#include <vector>

class Formatter;
class ProfiledFunctionCall;

// The outline of the calls of a tree, one row per call, in the tree's
// pre-order. Beside the function, each row shows the call's inclusive
// time, its share of the top row's inclusive time, its self time and its
// inclusive memory; rows keep the file's order. Calls that cost little
// next to the top row may be hidden: under each parent one row, with no
// call, stands for them and their figures' sums. Redisplays when the time
// unit or the dash setting changes.
class CallTreeModel final : public OutlineModel, public KFSharedDefaultsObserver
{
    Q_OBJECT
public:
    enum Column {
        FunctionColumn,
        InclusiveTimeColumn,
        ShareColumn,
        SelfTimeColumn,
        InclusiveMemoryColumn,
        ColumnCount
    };

    explicit CallTreeModel(QObject *parent = nullptr);
    ~CallTreeModel() override;

    // Shows `root` as the one top row, collapsed; null shows nothing.
    void setRootFunction(const ProfiledFunctionCall *root);
    // The unit of the times of the profile the calls come from.
    void setCostUnit(const CostUnit &unit) { m_costUnit = unit; }
    // The profile's memory event, or -1 when it records none: the memory
    // column is empty then.
    void setMemoryEvent(int event) { m_memoryEvent = event; }
    // The order of the children of a row expanded from now on, by the
    // inclusive cost of `event` when the heaviest go first.
    void setChildOrder(ChildOrder order, int event)
    {
        m_order = order;
        m_orderEvent = event;
    }
    // Hides, from the next root on, the children that cost less than
    // `share` of the top row's inclusive cost of `timeEvent` (0 hides
    // none).
    void setHiddenShare(double share, int timeEvent)
    {
        m_hiddenShare = share;
        m_timeEvent = timeEvent;
    }
    // Redisplays every cost, e.g. after the time unit changed.
    void reloadData();

    const ProfiledFunctionCall *callAtRow(int row) const override;
    // The row showing `call`, or -1 while one of its ancestors is collapsed.
    int rowOfCall(const ProfiledFunctionCall *call) const;
    bool isExpandable(int row) const override;
    bool isExpanded(int row) const override;
    int depthOfRow(int row) const override;

    void expandRow(int row) override;
    void collapseRow(int row) override;
    // Expands every ancestor of `call`, the outermost first, and answers the
    // row that shows `call`. Walks the parents iteratively.
    int expandParents(const ProfiledFunctionCall &call) override;

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
        // For the row of hidden calls: their parent.
        const ProfiledFunctionCall *call;
        quint32 depth;
        bool expanded;
        bool hidden = false;
    };

    // The children shown, `keep` among them, and the row of those hidden.
    std::vector<const ProfiledFunctionCall *> children(
        const ProfiledFunctionCall &call, const ProfiledFunctionCall *keep = nullptr);
    void appendHiddenRow(std::vector<Row> &rows, const ProfiledFunctionCall &parent, quint32 depth) const;
    QVariant hiddenRowData(const Row &row, int column, int role) const;
    // One past the last row below `row` in the tree.
    int endOfSubtree(int row) const;
    void insertShownRows(int position, std::vector<Row> &&rows);
    QVariant displayValue(const ProfiledFunctionCall &call, int column) const;
    QString timeText(quint64 cost) const;
    // The share of the top row's inclusive time, from 0 to 1; none when
    // that time is 0.
    std::optional<double> shareOfRoot(const ProfiledFunctionCall &call) const;

    Formatter &m_formatter;
    CostUnit m_costUnit;
    int m_memoryEvent = -1;
    ChildOrder m_order = ChildOrder::CallOrder;
    int m_orderEvent = 0;
    std::vector<Row> m_rows;
    quint64 m_rootInclusiveTime = 0;
    double m_hiddenShare = 0.0;
    int m_timeEvent = 0;
    HiddenCallRows<CallTree> m_hidden;
};
