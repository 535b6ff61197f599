#pragma once

#include "DocumentTab.h"

class FlameGraphPathBar;
class FlameGraphView;
class Profile;
class ProfiledFunctionCall;
class QComboBox;

// The flame graph tab of a document's window: the path to the graph's
// call, the choice of the event that gives the widths, and the graph, whose
// bars find brings out. A bar or a caller in the path clicked is activated.
class FlameGraphTab final : public DocumentTab
{
    Q_OBJECT
public:
    explicit FlameGraphTab(QWidget *parent = nullptr);
    ~FlameGraphTab() override;

    QString title() const override { return tr("Flame Graph"); }
    // Offers the profile's events for the widths, keeping the chosen one
    // where the profile has it, and shows nothing until the next call.
    void showProfile(const Profile &profile) override;
    // The call at the top of the graph; null shows nothing.
    void showCall(const ProfiledFunctionCall *call) override;
    // The estimated path at the top.
    void showEstimatedPath(quint32 path) override;
    void highlight(const Highlight &highlight) override;

    FlameGraphView *view() const { return m_view; }
    FlameGraphPathBar *pathBar() const { return m_pathBar; }

private:
    FlameGraphPathBar *m_pathBar;
    QComboBox *m_eventChooser;
    FlameGraphView *m_view;
    const Profile *m_profile = nullptr;
};
