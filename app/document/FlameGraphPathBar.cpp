#include "FlameGraphPathBar.h"

#include "CallTree.h"
#include "FunctionModel.h"
#include "ProfiledFunctionCall.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

#include <algorithm>

namespace {

constexpr int maximumButtonWidth = 200;

} // namespace

FlameGraphPathBar::FlameGraphPathBar(QWidget *parent)
    : QWidget(parent)
{
    setAccessibleName(tr("Callers of the flame graph's call"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // One separator and one button per place, reused from call to call.
    for (int i = 0; i < maximumCalls; ++i) {
        Crumb crumb;
        crumb.separator = new QLabel(i == 0 ? QString() : QStringLiteral(" \u203a "), this);
        crumb.separator->setTextFormat(Qt::PlainText);
        crumb.button = new QToolButton(this);
        crumb.button->setAutoRaise(true);
        crumb.button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        layout->addWidget(crumb.separator);
        layout->addWidget(crumb.button);
        connect(crumb.button, &QToolButton::clicked, this, [this, i] {
            if (const ProfiledFunctionCall *call = m_crumbs[size_t(i)].call)
                Q_EMIT callActivated(call);
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

void FlameGraphPathBar::setCall(const ProfiledFunctionCall *call)
{
    const std::vector<const ProfiledFunctionCall *> path = pathTo(call, maximumCalls);
    const QFontMetrics metrics = fontMetrics();
    for (size_t i = 0; i < m_crumbs.size(); ++i) {
        Crumb &crumb = m_crumbs[i];
        crumb.separator->setVisible(i > 0 && i < path.size());
        crumb.button->setVisible(i < path.size());
        crumb.call = i < path.size() ? path[i] : nullptr;
        if (i >= path.size())
            continue;
        if (!crumb.call) {
            crumb.button->setText(QStringLiteral("\u2026"));
            crumb.button->setToolTip(tr("Calls left out"));
            crumb.button->setAccessibleName(tr("Calls left out"));
            crumb.button->setEnabled(false);
            continue;
        }
        const QString name = crumb.call->function().name();
        // Buttons take "&" for a shortcut mark; names show it as it is.
        QString text = metrics.elidedText(name, Qt::ElideMiddle, maximumButtonWidth);
        crumb.button->setText(text.replace(QLatin1Char('&'), QLatin1String("&&")));
        crumb.button->setToolTip(name.toHtmlEscaped());
        crumb.button->setAccessibleName(name);
        crumb.button->setEnabled(true);
        // The call itself, where the path ends, in bold.
        QFont font = this->font();
        font.setBold(crumb.call == call);
        crumb.button->setFont(font);
    }
}
