#pragma once

#include "Cost.h"
#include "CostUnit.h"
#include "SortableTableModel.h"

#include <KFSharedDefaultsObserver.h>

class Formatter;
class FunctionModel;

// Base of the document's analysis tables, as models: hides the rows of
// internal PHP functions while the table's setting says so, and
// redisplays when the time unit or the dash setting changes. Columns are
// identified by their number. The subclass keeps the rows themselves, in
// the order it filled them, and answers for each by its position there;
// sorting is SortableTableModel's.
class TableController : public SortableTableModel, public KFSharedDefaultsObserver
{
    Q_OBJECT
public:
    ~TableController() override;

    // The unit of the times of the profile the rows come from.
    void setCostUnit(const CostUnit &unit) { m_costUnit = unit; }
    // The profile's memory event, or -1 when it records none: the
    // subclass's memory columns are empty then.
    void setMemoryEvent(int event) { m_memoryEvent = event; }
    int memoryEvent() const { return m_memoryEvent; }

    // The text of column `identifier` for the shown row `row`; empty for an
    // identifier that is not one of the table's columns or a row that is
    // not there.
    QVariant objectValueForTableColumn(int identifier, int row) const;
    // Shows every row (true) or hides those of internal PHP functions.
    void filterPhpInternalFunctions(bool show);
    // True while the rows of internal PHP functions are hidden.
    bool isFiltering() const { return !m_showsInternalFunctions; }

    void observeValueForKeyPath(
        const QString &keyPath, QObject *object, const QVariantMap &change, void *context) override;

    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

protected:
    // `filterKey` is the setting that says whether the table shows internal
    // PHP functions; the table observes it and refilters on a change. With
    // no key every row is shown. Columns are numbered from 0 to
    // `columnCount` - 1.
    TableController(
        const QString &filterKey, int columnCount, int sortColumn, Qt::SortOrder sortOrder, QObject *parent);

    // As SortableTableModel's, with the filter as the setting has it.
    void beginFillRows();

    // The cells of the subclass's columns, for every role: a time, a memory
    // figure (none without the memory event), a count, a text, a function.
    // A memory figure is asked for only with a memory event.
    QVariant timeCell(quint64 cost, int role) const;
    QVariant memoryCell(Cost cost, int role) const;
    static QVariant numberCell(quint64 number, int role);
    static QVariant textCell(const QString &text, int role);
    static QVariant functionCell(const FunctionModel &function, int role);
    // The time that time columns are sized for, in the current unit.
    QString widestTimeText() const;
    // A memory figure as wide as a memory column usually shows.
    static QString widestMemoryText();

    virtual const FunctionModel &functionOfRow(quint32 rowIndex) const = 0;
    virtual QString columnTitle(int identifier) const = 0;
    // A text as wide as the widest value the column usually shows, which
    // sizes the column; empty for the columns that take the room left.
    virtual QString columnSample(int identifier) const = 0;
    bool filterAcceptsRow(quint32 rowIndex) const override;

private:
    bool settingShowsInternalFunctions() const;

    const QString m_filterKey;
    Formatter &m_formatter;
    CostUnit m_costUnit;
    int m_memoryEvent = -1;
    bool m_showsInternalFunctions = true;
};
