#pragma once

#include "ProfileComparison.h"

#include <KFSharedDefaultsObserver.h>

#include <QAbstractTableModel>
#include <QColor>

#include <memory>
#include <string_view>
#include <vector>

// A comparison of two profiles as a table: per function its calls and its
// self and inclusive cost before and after, and the changes, increases and
// decreases in colours of their own, "new" and "gone" for functions called
// in one profile only. The rows can be limited to names containing a text,
// hide internal PHP functions while the summary's setting says so, and sort
// by any column: changes from the largest decrease to the largest increase.
// Redisplays when the time unit or the dash setting changes.
class ComparisonModel final : public QAbstractTableModel, public KFSharedDefaultsObserver
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

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Equal keys keep their previous order.
    void sort(int column, Qt::SortOrder order) override;

    void observeValueForKeyPath(
        const QString &keyPath, QObject *object, const QVariantMap &change, void *context) override;

private:
    qsizetype rowAt(int row) const { return qsizetype(m_shown[size_t(row)]); }
    bool isShown(quint32 row) const;
    // Sorts every row; then shows those that pass.
    void sortRows();
    void showPassingRows();
    QString cellText(qsizetype row, int column) const;
    // The change's text, or "new" or "gone".
    QString changeText(qsizetype row, const CostChange &change) const;
    // The change's sign, "new" counting as an increase and "gone" as a decrease.
    int direction(qsizetype row, int column) const;

    std::unique_ptr<ProfileComparison> m_comparison;
    // The names as text, by the comparison's rows.
    std::vector<QString> m_names;
    // Every row of the comparison, in the sort order.
    std::vector<quint32> m_sorted;
    // The rows shown, in the sort order.
    std::vector<quint32> m_shown;
    QString m_filterText;
    int m_sortColumn = InclusiveChangeColumn;
    Qt::SortOrder m_sortOrder = Qt::DescendingOrder;
};
