#pragma once

#include "ProfileComparison.h"
#include "SortableTableModel.h"

#include <KFSharedDefaultsObserver.h>

#include <QColor>

#include <memory>
#include <string_view>
#include <vector>

// A comparison of two profiles as a table: per function its calls and its
// self and inclusive cost before and after, and the changes, increases and
// decreases in colours of their own, "new" and "gone" for functions called
// in one profile only. The rows can be limited to names containing a text,
// hide internal PHP functions while the summary's setting says so, and sort
// by any column (SortableTableModel): changes from the largest decrease to
// the largest increase. Redisplays when the time unit or the dash setting
// changes.
class ComparisonModel final : public SortableTableModel, public KFSharedDefaultsObserver
{
    Q_OBJECT
public:
    enum Column {
        FunctionColumn,
        CallsBeforeColumn,
        CallsAfterColumn,
        SelfBeforeColumn,
        SelfAfterColumn,
        SelfChangeColumn,
        InclusiveBeforeColumn,
        InclusiveAfterColumn,
        InclusiveChangeColumn,
        ColumnCount
    };

    // Dark enough to read on a light row and a dark one.
    static inline const QColor increaseColour = QColor(0xc6, 0x28, 0x28);
    static inline const QColor decreaseColour = QColor(0x2e, 0x7d, 0x32);

    explicit ComparisonModel(QObject *parent = nullptr);
    ~ComparisonModel() override;

    // Shows the rows of `comparison`, or none, in the current sort order.
    void setComparison(std::unique_ptr<ProfileComparison> comparison);
    // Null while there is none.
    const ProfileComparison *comparison() const { return m_comparison.get(); }
    // Shows only the functions whose names contain `text`, in any case.
    void setFilterText(const QString &text);

    // The function of the shown row `row`, which must be there.
    std::string_view nameBytesAt(int row) const { return m_comparison->nameBytes(rowAt(row)); }
    bool isCalledAt(int row, ProfileComparison::Side side) const { return m_comparison->isCalled(rowAt(row), side); }

    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void observeValueForKeyPath(
        const QString &keyPath, QObject *object, const QVariantMap &change, void *context) override;

protected:
    QVariant cellData(quint32 rowIndex, int column, int role) const override;
    bool isTextColumn(int column) const override { return column == FunctionColumn; }
    bool filterAcceptsRow(quint32 rowIndex) const override;

private:
    qsizetype rowAt(int row) const { return qsizetype(rowIndexAt(row)); }
    // The cells of a figure and of a change ("new" or "gone" for a function
    // called in one profile only), for every role.
    QVariant costCell(Cost cost, int role) const;
    QVariant changeCell(qsizetype row, const CostChange &change, int role) const;

    std::unique_ptr<ProfileComparison> m_comparison;
    // The names as text, by the comparison's rows.
    std::vector<QString> m_names;
    QString m_filterText;
    bool m_showsInternalFunctions = true;
};
