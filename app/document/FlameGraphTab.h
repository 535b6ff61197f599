#pragma once

#include <QWidget>

class FlameGraphPathBar;
class FlameGraphView;
class Profile;
class ProfiledFunctionCall;
class QComboBox;

// The flame graph tab of a document's window: the path to the graph's
// call, the choice of the event that gives the widths, and the graph, whose
// bars the document's find brings out.
class FlameGraphTab final : public QWidget
{
    Q_OBJECT
public:
    explicit FlameGraphTab(const Profile &profile, QWidget *parent = nullptr);
    ~FlameGraphTab() override;

    // Offers the profile's events for the widths, keeping the chosen one
    // where the profile has it, and shows nothing until the next call.
    void showEventsOf(const Profile &profile);
    // The call at the top of the graph; null shows nothing.
    void setCall(const ProfiledFunctionCall *call);

    FlameGraphView *view() const { return m_view; }
    FlameGraphPathBar *pathBar() const { return m_pathBar; }
    QComboBox *eventChooser() const { return m_eventChooser; }

Q_SIGNALS:
    // A bar or a caller in the path was clicked.
    void callActivated(const ProfiledFunctionCall *call);

private:
    FlameGraphPathBar *m_pathBar;
    QComboBox *m_eventChooser;
    FlameGraphView *m_view;
};
