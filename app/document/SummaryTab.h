#pragma once

#include "SummaryController.h"
#include "TableTab.h"

#include <string_view>

class MergedCallTree;

// The summary tab: every function called below the selected call, or
// below every call along the selected call path. A row
// activated lists that function's calls in the calls tab.
class SummaryTab final : public TableTab
{
    Q_OBJECT
public:
    explicit SummaryTab(QAbstractItemDelegate &delegate, QWidget *parent = nullptr);
    ~SummaryTab() override;

    QString title() const override { return tr("Summary"); }
    void showProfile(const Profile &profile) override;
    void showCall(const ProfiledFunctionCall *call) override;
    // For the root, every function of the function graph with its exact
    // figures; below it, the functions of the estimated paths below.
    void showEstimatedPath(quint32 path) override;
    // Summarises every call along `path` of `paths`, merged from `profile`.
    void showPath(const Profile &profile, const MergedCallTree &paths, quint32 path);
    // The selected function's first line, as its first call records it.
    std::optional<SourceLocation> selectedLocation() const override;
    // Selects the row of the function whose name is `name` (as the profile
    // writes it) and scrolls it into view; false, with no row selected, when no such row
    // is shown.
    bool selectFunction(std::string_view name);

protected:
    void rowActivated(int row) override;

private:
    SummaryController &summary() const { return static_cast<SummaryController &>(tableModel()); }

    const Profile *m_profile = nullptr;
};
