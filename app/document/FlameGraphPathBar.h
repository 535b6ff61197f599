#pragma once

#include <QWidget>

#include <vector>

class QLabel;
class QToolButton;
class MergedCallTree;
class Profile;
class ProfiledFunctionCall;

// The way down to the flame graph's call: a button for each of its callers
// from the root, then the call itself. A deep call shows the root, a gap and
// its nearest callers. Names are shortened to share the room the bar is
// given, which it never asks to grow. Clicking a button activates that call.
class FlameGraphPathBar final : public QWidget
{
    Q_OBJECT
public:
    // The most calls shown, when there is room for them; the gap takes the
    // place of the others.
    static constexpr int maximumCalls = 10;

    explicit FlameGraphPathBar(QWidget *parent = nullptr);
    ~FlameGraphPathBar() override;

    void setCall(const ProfiledFunctionCall *call);
    // The way down to the path `path` of the estimated call tree of
    // `profile`, written per function, in place of a call's.
    void setEstimatedPath(const Profile &profile, quint32 path);

    // The calls shown for `call`, root first; a null entry stands for the
    // gap.
    static std::vector<const ProfiledFunctionCall *> pathTo(const ProfiledFunctionCall *call, int maximum);
    // The same for a path of `paths`; MergedCallTree::none for the gap.
    static std::vector<quint32> pathTo(const MergedCallTree &paths, quint32 path, int maximum);

Q_SIGNALS:
    void callActivated(const ProfiledFunctionCall *call);
    void estimatedPathActivated(quint32 path);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void showPath();

    struct Crumb
    {
        QLabel *separator;
        QToolButton *button;
        const ProfiledFunctionCall *call = nullptr;
        // Of an estimated path, in place of the call; none for the gap.
        quint32 path = 0;
        QString name;
    };
    std::vector<Crumb> m_crumbs;
    const ProfiledFunctionCall *m_call = nullptr;
    const Profile *m_estimatedProfile = nullptr;
    quint32 m_estimatedPath = 0;
};
