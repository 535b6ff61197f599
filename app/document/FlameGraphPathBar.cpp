#include "FlameGraphPathBar.h"

#include "CallTree.h"
#include "DisplayText.h"
#include "FunctionModel.h"
#include "MergedCallTree.h"
#include "PlainToolTip.h"
#include "Profile.h"
#include "ProfiledFunctionCall.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QResizeEvent>
#include <QToolButton>

#include <algorithm>

namespace {

// The room a name takes at most and at least, the room that keeps it
// readable, and what a button adds.
constexpr int maximumNameWidth = 200;
constexpr int minimumNameWidth = 24;
constexpr int readableNameWidth = 80;
constexpr int buttonMargins = 12;
const QString separatorText = QStringLiteral(" \u203a ");

} // namespace

FlameGraphPathBar::FlameGraphPathBar(QWidget *parent)
    : QWidget(parent)
{
    setAccessibleName(tr("Callers of the flame graph's call"));
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto *layout = new QHBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // One separator and one button per place, reused from call to call.
    for (int i = 0; i < maximumCalls; ++i) {
        Crumb crumb;
        crumb.separator = new QLabel(i == 0 ? QString() : separatorText, this);
        crumb.separator->setTextFormat(Qt::PlainText);
        crumb.button = new QToolButton(this);
        crumb.button->setAutoRaise(true);
        crumb.button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        layout->addWidget(crumb.separator);
        layout->addWidget(crumb.button);
        connect(crumb.button, &QToolButton::clicked, this, [this, i] {
            if (const ProfiledFunctionCall *call = m_crumbs[size_t(i)].call)
                Q_EMIT callActivated(call);
            else if (m_estimatedProfile)
                Q_EMIT estimatedPathActivated(m_crumbs[size_t(i)].path);
        });
        m_crumbs.push_back(crumb);
    }
    layout->addStretch(1);
    setCall(nullptr);
}

FlameGraphPathBar::~FlameGraphPathBar() = default;

std::vector<const ProfiledFunctionCall *> FlameGraphPathBar::pathTo(const ProfiledFunctionCall *call, int maximum)
{
    // The nearest calls, the call first, looking no further up than is
    // shown: a call may be a million calls deep.
    std::vector<const ProfiledFunctionCall *> path;
    const ProfiledFunctionCall *above = call;
    for (; above && path.size() < size_t(maximum); above = above->parent())
        path.push_back(above);
    if (above) {
        path.resize(size_t(maximum - 2));
        path.push_back(nullptr);
        path.push_back(&call->tree().call(call->tree().rootNumber()));
    }
    std::reverse(path.begin(), path.end());
    return path;
}

std::vector<quint32> FlameGraphPathBar::pathTo(const MergedCallTree &paths, quint32 path, int maximum)
{
    std::vector<quint32> shown;
    quint32 above = path;
    for (; above != MergedCallTree::none && shown.size() < size_t(maximum); above = paths.parent(above))
        shown.push_back(above);
    if (above != MergedCallTree::none) {
        shown.resize(size_t(maximum - 2));
        shown.push_back(MergedCallTree::none);
        shown.push_back(paths.root());
    }
    std::reverse(shown.begin(), shown.end());
    return shown;
}

void FlameGraphPathBar::setCall(const ProfiledFunctionCall *call)
{
    m_call = call;
    m_estimatedProfile = nullptr;
    showPath();
}

void FlameGraphPathBar::setEstimatedPath(const Profile &profile, quint32 path)
{
    m_call = nullptr;
    m_estimatedProfile = &profile;
    m_estimatedPath = path;
    showPath();
}

void FlameGraphPathBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (event->size().width() != event->oldSize().width())
        showPath();
}

void FlameGraphPathBar::showPath()
{
    // As many calls as have room for a readable name, and never fewer than
    // the root, the gap and the call.
    const int separatorWidth = fontMetrics().horizontalAdvance(separatorText);
    const int capacity = std::clamp(
        (width() + separatorWidth) / (readableNameWidth + buttonMargins + separatorWidth), 3, maximumCalls);
    // The calls, or the estimated paths, and their names.
    std::vector<const ProfiledFunctionCall *> path = pathTo(m_call, capacity);
    std::vector<quint32> estimated;
    if (m_estimatedProfile) {
        estimated = pathTo(m_estimatedProfile->estimatedCallTree(), m_estimatedPath, capacity);
        path.assign(estimated.size(), nullptr);
    }
    const auto nameAt = [&](size_t i) {
        if (path[i])
            return path[i]->function().name();
        if (i >= estimated.size() || estimated[i] == MergedCallTree::none)
            return QString();
        return m_estimatedProfile->function(m_estimatedProfile->estimatedCallTree().function(estimated[i])).name();
    };
    int room = width() - int(path.size()) * (buttonMargins + separatorWidth) + separatorWidth;
    std::vector<int> nameWidths;
    for (size_t i = 0; i < m_crumbs.size(); ++i) {
        Crumb &crumb = m_crumbs[i];
        crumb.separator->setVisible(i > 0 && i < path.size());
        crumb.button->setVisible(i < path.size());
        crumb.call = i < path.size() ? path[i] : nullptr;
        crumb.path = i < estimated.size() ? estimated[i] : MergedCallTree::none;
        crumb.name = i < path.size() ? nameAt(i) : QString();
        if (i >= path.size())
            continue;
        if (!crumb.call && crumb.path == MergedCallTree::none) {
            crumb.button->setText(QStringLiteral("\u2026"));
            crumb.button->setToolTip(tr("Calls left out"));
            crumb.button->setAccessibleName(tr("Calls left out"));
            crumb.button->setEnabled(false);
            room -= crumb.button->fontMetrics().horizontalAdvance(crumb.button->text());
            continue;
        }
        const QString &name = crumb.name;
        crumb.button->setToolTip(plainToolTip(name));
        crumb.button->setAccessibleName(name);
        crumb.button->setEnabled(true);
        // The call itself, where the path ends, in bold.
        QFont font = this->font();
        font.setBold(i + 1 == path.size());
        crumb.button->setFont(font);
        nameWidths.push_back(QFontMetrics(font).horizontalAdvance(name));
    }

    // Every name as it is where all fit; else the longest are shortened to
    // one width, the most that lets the rest fit.
    std::sort(nameWidths.begin(), nameWidths.end());
    int longest = maximumNameWidth;
    for (size_t i = 0; i < nameWidths.size(); ++i) {
        const int share = room / int(nameWidths.size() - i);
        if (nameWidths[i] > share) {
            longest = share;
            break;
        }
        room -= nameWidths[i];
    }
    longest = std::clamp(longest, minimumNameWidth, maximumNameWidth);
    for (const Crumb &crumb : m_crumbs) {
        if ((!crumb.call && crumb.path == MergedCallTree::none) || crumb.button->isHidden())
            continue;
        QString text = QFontMetrics(crumb.button->font()).elidedText(crumb.name, Qt::ElideMiddle, longest);
        // Buttons take "&" for a shortcut mark; names show it as it is.
        crumb.button->setText(text.replace(QLatin1Char('&'), QLatin1String("&&")));
    }
}
