#pragma once

#include <KFSharedDefaultsObserver.h>

#include <QObject>
#include <QSet>
#include <QString>

class QHeaderView;
class QMenu;

// Lets the user hide and show the columns of a view from its header's
// context menu, and keeps the hidden columns, by number, in a setting that
// every view given the same setting follows. The first column, which names
// the row, is always shown; a column the document cannot fill is hidden and
// not offered.
class ColumnChooser final : public QObject, public KFSharedDefaultsObserver
{
    Q_OBJECT
public:
    // Made by the header, which owns it.
    ColumnChooser(QHeaderView &header, const QString &settingsKey);
    ~ColumnChooser() override;

    void setColumnAvailable(int section, bool available);
    // Shows or hides a column and remembers it in the setting.
    void setColumnShown(int section, bool shown);
    // Fills `menu` with one checkable item per column on offer.
    void populateMenu(QMenu &menu);

    void observeValueForKeyPath(
        const QString &keyPath, QObject *object, const QVariantMap &change, void *context) override;

private:
    QSet<int> hiddenColumns() const;
    // Hides the columns the setting names and those that are not available.
    void apply();

    QHeaderView &m_header;
    const QString m_settingsKey;
    QSet<int> m_unavailable;
};
