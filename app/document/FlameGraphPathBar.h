#pragma once

#include <QWidget>

#include <vector>

class QLabel;
class QToolButton;
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

    // The calls shown for `call`, root first; a null entry stands for the
    // gap.
    static std::vector<const ProfiledFunctionCall *> pathTo(const ProfiledFunctionCall *call, int maximum);

Q_SIGNALS:
    void callActivated(const ProfiledFunctionCall *call);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void showPath();

    struct Crumb
    {
        QLabel *separator;
        QToolButton *button;
        const ProfiledFunctionCall *call = nullptr;
    };
    std::vector<Crumb> m_crumbs;
    const ProfiledFunctionCall *m_call = nullptr;
};
