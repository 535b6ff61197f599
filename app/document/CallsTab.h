#pragma once

#include "CallsController.h"
#include "TableTab.h"

class MergedCallTree;

// The calls tab: the callees of the selected call, or the calls that
// another tab lists. A row activated is selected in the outline.
class CallsTab final : public TableTab
{
    Q_OBJECT
public:
    explicit CallsTab(QAbstractItemDelegate &delegate, QWidget *parent = nullptr);
    ~CallsTab() override;

    QString title() const override { return tr("Calls"); }
    void showProfile(const Profile &profile) override;
    void showCall(const ProfiledFunctionCall *call) override;
    // Lists the callees of `path` merged, in place of those of its first
    // call; `profile` and `paths` outlive the rows.
    void showPath(const Profile &profile, const MergedCallTree &paths, quint32 path);
    // Lists the callees of the estimated path.
    void showEstimatedPath(quint32 path) override;
    // Lists `calls` in place of the callees.
    void listCalls(std::vector<const ProfiledFunctionCall *> calls);
    // The selected call's function, at its first line.
    std::optional<SourceLocation> selectedLocation() const override;

protected:
    void rowActivated(int row) override;

private:
    CallsController &callsModel() const { return static_cast<CallsController &>(tableModel()); }

    const Profile *m_profile = nullptr;
};
