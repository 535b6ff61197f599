#include "FlameGraphTab.h"

#include "FlameGraphPathBar.h"
#include "FlameGraphView.h"
#include "FunctionModel.h"
#include "Profile.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

FlameGraphTab::FlameGraphTab(QWidget *parent)
    : DocumentTab(parent)
    , m_pathBar(new FlameGraphPathBar(this))
    , m_eventChooser(new QComboBox(this))
    , m_view(new FlameGraphView(this))
{
    setObjectName(QStringLiteral("flameGraphTab"));
    m_eventChooser->setObjectName(QStringLiteral("flameGraphEventChooser"));
    m_eventChooser->setAccessibleName(tr("Widths by"));
    m_eventChooser->setToolTip(tr("The event whose inclusive costs give the widths of the bars"));
    auto *eventLabel = new QLabel(tr("&Widths by:"), this);
    eventLabel->setBuddy(m_eventChooser);

    auto *controls = new QHBoxLayout;
    controls->setContentsMargins(4, 0, 0, 0);
    controls->addWidget(m_pathBar, 1);
    controls->addWidget(eventLabel);
    controls->addWidget(m_eventChooser);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->addLayout(controls);
    layout->addWidget(m_view, 1);

    connect(m_eventChooser, &QComboBox::currentIndexChanged, m_view, &FlameGraphView::setEvent);
    connect(m_view, &FlameGraphView::callActivated, this, &FlameGraphTab::callActivated);
    connect(m_pathBar, &FlameGraphPathBar::callActivated, this, &FlameGraphTab::callActivated);
    connect(m_view, &FlameGraphView::estimatedPathActivated, this, &FlameGraphTab::estimatedPathActivated);
    connect(m_pathBar, &FlameGraphPathBar::estimatedPathActivated, this, &FlameGraphTab::estimatedPathActivated);
}

FlameGraphTab::~FlameGraphTab() = default;

void FlameGraphTab::showProfile(const Profile &profile)
{
    // Nothing is drawn from the old tree with an event of the new one.
    showCall(nullptr);
    m_profile = &profile;
    const QString chosen = m_eventChooser->currentText();
    const QSignalBlocker blocker(m_eventChooser);
    m_eventChooser->clear();
    for (const ProfileEvent &event : profile.events())
        m_eventChooser->addItem(event.baseName().toString());
    const int kept = m_eventChooser->findText(chosen);
    m_eventChooser->setCurrentIndex(kept >= 0 ? kept : profile.timeEvent());
    m_view->setEvent(m_eventChooser->currentIndex());
}

void FlameGraphTab::showCall(const ProfiledFunctionCall *call)
{
    m_pathBar->setCall(call);
    m_view->setCall(call);
}

void FlameGraphTab::showEstimatedPath(quint32 path)
{
    m_pathBar->setEstimatedPath(*m_profile, path);
    m_view->setEstimatedPath(*m_profile, path);
}

void FlameGraphTab::highlight(const Highlight &highlight)
{
    m_view->setHighlight(highlight);
}
