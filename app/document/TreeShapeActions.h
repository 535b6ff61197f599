#pragma once

#include "ChildOrder.h"

#include <KFSharedDefaultsObserver.h>

#include <QObject>

class QAction;
class QActionGroup;

// The View menu's items on how a document window shows its call tree:
// "Merge Repeated Calls" (each call path once, with its number of calls)
// and the order of the children, "Call order" or "Heaviest first", and
// "Hide Calls Below…" a share of the selected root, asked for in a small
// dialog, with "Show All Calls" to turn it off. All are kept in the
// settings, which every window follows.
class TreeShapeActions final : public QObject, public KFSharedDefaultsObserver
{
    Q_OBJECT
public:
    explicit TreeShapeActions(QObject *parent = nullptr);
    ~TreeShapeActions() override;

    QList<QAction *> actions() const;
    // A profile written per function has no calls to show one by one: its
    // call paths are shown merged, the item checked and disabled, saying
    // why, while the setting stays as it is for other documents.
    void setRecordsCalls(bool recordsCalls);
    bool mergesRepeatedCalls() const { return m_merged || !m_recordsCalls; }
    ChildOrder childOrder() const { return m_order; }
    // The share of the selected root below which calls are hidden; 0 for
    // none.
    double hiddenShare() const { return m_hiddenShare; }

    void observeValueForKeyPath(
        const QString &keyPath, QObject *object, const QVariantMap &change, void *context) override;

Q_SIGNALS:
    void mergingChanged();
    void childOrderChanged();
    void hiddenShareChanged();

private:
    void readSettings();
    // Asks for the share to hide calls below and keeps it.
    void askHiddenShare();

    QAction *m_merge;
    QAction *m_callOrder;
    QAction *m_heaviestFirst;
    QAction *m_separator;
    QAction *m_hideSeparator;
    QAction *m_hideBelow;
    QAction *m_showAll;
    bool m_merged = false;
    bool m_recordsCalls = true;
    ChildOrder m_order = ChildOrder::CallOrder;
    double m_hiddenShare = 0.0;
};
