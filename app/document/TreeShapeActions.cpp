#include "TreeShapeActions.h"

#include "SettingsKeys.h"

#include <KFUserDefaultsController.h>

#include <QAction>
#include <QActionGroup>
#include <QInputDialog>
#include <QSignalBlocker>
#include <QWidget>

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
    , m_hideSeparator(new QAction(this))
    , m_hideBelow(new QAction(this))
    , m_showAll(new QAction(tr("Show All Calls"), this))
{
    m_merge->setCheckable(true);
    m_merge->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M));
    m_merge->setShortcutContext(Qt::WindowShortcut);
    m_separator->setSeparator(true);
    m_hideSeparator->setSeparator(true);
    m_hideBelow->setCheckable(true);
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
    connect(m_hideBelow, &QAction::triggered, this, &TreeShapeActions::askHiddenShare);
    connect(m_showAll, &QAction::triggered, this, [] { settings().setObjectForKey(0.0, VTCHideCallsBelow); });
    addObserverSharedUserDefaults(VTCMergeRepeatedCalls);
    addObserverSharedUserDefaults(VTCHeaviestFirst);
    addObserverSharedUserDefaults(VTCHideCallsBelow);
}

TreeShapeActions::~TreeShapeActions()
{
    removeObserverSharedUserDefaults(VTCMergeRepeatedCalls);
    removeObserverSharedUserDefaults(VTCHeaviestFirst);
    removeObserverSharedUserDefaults(VTCHideCallsBelow);
}

QList<QAction *> TreeShapeActions::actions() const
{
    return { m_merge, m_separator, m_callOrder, m_heaviestFirst, m_hideSeparator, m_hideBelow, m_showAll };
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
    // A share that is no fraction of the whole hides nothing.
    const double share = settings().objectForKey(VTCHideCallsBelow).toDouble();
    m_hiddenShare = share > 0.0 && share <= 1.0 ? share : 0.0;
    m_hideBelow->setChecked(m_hiddenShare > 0.0);
    m_hideBelow->setText(m_hiddenShare > 0.0
            ? tr("Hide Calls Below %1%\u2026").arg(QString::number(m_hiddenShare * 100.0, 'g', 4))
            : tr("Hide Calls Below\u2026"));
    m_showAll->setEnabled(m_hiddenShare > 0.0);
}

void TreeShapeActions::askHiddenShare()
{
    // The item shows the setting, whatever the dialog's answer.
    m_hideBelow->setChecked(m_hiddenShare > 0.0);
    bool accepted = false;
    const double percent = QInputDialog::getDouble(qobject_cast<QWidget *>(parent()), tr("Hide Calls Below"),
        tr("Hide the calls that cost less than this share of the selected root, in percent:"),
        m_hiddenShare > 0.0 ? m_hiddenShare * 100.0 : 0.1, 0.001, 100.0, 3, &accepted, Qt::WindowFlags(), 0.1);
    if (accepted)
        settings().setObjectForKey(percent / 100.0, VTCHideCallsBelow);
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
    const double hiddenShare = m_hiddenShare;
    readSettings();
    if (merged != m_merged)
        Q_EMIT mergingChanged();
    if (order != m_order)
        Q_EMIT childOrderChanged();
    if (hiddenShare != m_hiddenShare)
        Q_EMIT hiddenShareChanged();
}
