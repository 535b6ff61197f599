#include "TreeShapeActions.h"

#include "SettingsKeys.h"

#include <KFUserDefaultsController.h>

#include <QAction>
#include <QActionGroup>
#include <QSignalBlocker>

namespace {

KFUserDefaultsController &settings()
{
    return KFUserDefaultsController::sharedUserDefaultsController();
}

} // namespace

TreeShapeActions::TreeShapeActions(QObject *parent)
    : QObject(parent)
    , m_merge(new QAction(tr("Merge Repeated Calls"), this))
    , m_callOrder(new QAction(tr("Call order"), this))
    , m_heaviestFirst(new QAction(tr("Heaviest first"), this))
    , m_separator(new QAction(this))
{
    m_merge->setCheckable(true);
    m_merge->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M));
    m_merge->setShortcutContext(Qt::WindowShortcut);
    m_separator->setSeparator(true);
    auto *order = new QActionGroup(this);
    for (QAction *action : { m_callOrder, m_heaviestFirst }) {
        action->setCheckable(true);
        order->addAction(action);
    }
    readSettings();
    connect(m_merge, &QAction::toggled, this,
        [](bool merged) { settings().setObjectForKey(merged, VTCMergeRepeatedCalls); });
    connect(m_heaviestFirst, &QAction::toggled, this,
        [](bool heaviest) { settings().setObjectForKey(heaviest, VTCHeaviestFirst); });
    addObserverSharedUserDefaults(VTCMergeRepeatedCalls);
    addObserverSharedUserDefaults(VTCHeaviestFirst);
}

TreeShapeActions::~TreeShapeActions()
{
    removeObserverSharedUserDefaults(VTCMergeRepeatedCalls);
    removeObserverSharedUserDefaults(VTCHeaviestFirst);
}

QList<QAction *> TreeShapeActions::actions() const
{
    return { m_merge, m_separator, m_callOrder, m_heaviestFirst };
}

void TreeShapeActions::readSettings()
{
    // Setting the items back must not store them again.
    const QSignalBlocker mergeBlocker(m_merge);
    const QSignalBlocker orderBlocker(m_heaviestFirst);
    m_merged = settings().boolForKey(VTCMergeRepeatedCalls);
    m_merge->setChecked(mergesRepeatedCalls());
    m_order = settings().boolForKey(VTCHeaviestFirst) ? ChildOrder::HeaviestFirst : ChildOrder::CallOrder;
    (m_order == ChildOrder::HeaviestFirst ? m_heaviestFirst : m_callOrder)->setChecked(true);
}

void TreeShapeActions::setRecordsCalls(bool recordsCalls)
{
    m_recordsCalls = recordsCalls;
    m_merge->setEnabled(recordsCalls);
    m_merge->setToolTip(recordsCalls
            ? QString()
            : tr("This profile records functions, not single calls: its call paths are estimated."));
    readSettings();
}

void TreeShapeActions::observeValueForKeyPath(const QString &keyPath, QObject *, const QVariantMap &, void *)
{
    const bool merged = m_merged;
    const ChildOrder order = m_order;
    readSettings();
    if (merged != m_merged)
        Q_EMIT mergingChanged();
    if (order != m_order)
        Q_EMIT childOrderChanged();
}
