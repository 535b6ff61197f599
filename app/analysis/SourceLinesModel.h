#pragma once

#include "LineCosts.h"
#include "SourceText.h"
#include "TimeUnit.h"

#include <QAbstractTableModel>

#include <memory>

class Profile;

// The lines of one source file beside their costs of one event: a row per
// line, with its number, the self cost of the functions whose record names
// it, the inclusive cost and number of the calls made from it, and its text.
// Lines with a cost but a little beyond the end of the text are shown
// empty. A row's
// ShareRole is its larger cost's share of the whole profile; the tooltip of
// a line that calls names the functions called there.
class SourceLinesModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { LineColumn, SelfColumn, InclusiveColumn, CallsColumn, TextColumn, ColumnCount };
    // How many lines past the end of the text are shown for their costs.
    static constexpr qint64 maxLinesPastEnd = 1000;

    using QAbstractTableModel::QAbstractTableModel;

    // Shows `text` as the file `source` of `profile`, which must outlive
    // what is shown, with the costs of `event` in `costs`.
    void setSource(const Profile &profile, int event, std::shared_ptr<const LineCosts> costs, quint32 source,
        std::shared_ptr<const SourceText> text);
    void clear();
    // How times are written.
    void setTimeFormat(TimeUnit unit, bool displayDash);

    // The row of the line with the largest cost; -1 when no line has one.
    int hottestRow() const;
    // The nearest row after (before) `row` whose line has a cost; -1 when
    // there is none.
    int hotRowAfter(int row) const;
    int hotRowBefore(int row) const;
    static int rowOfLine(quint32 line) { return int(line) - 1; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    // The costs of row `row`'s line, or null when it has none.
    const LineCosts::Line *costsOfRow(int row) const;
    double weight(const LineCosts::Line &line) const;
    QString costText(quint64 bits) const;
    QString toolTip(const LineCosts::Line &line) const;

    const Profile *m_profile = nullptr;
    int m_event = 0;
    std::shared_ptr<const LineCosts> m_costs;
    quint32 m_source = 0;
    std::span<const LineCosts::Line> m_lines;
    std::shared_ptr<const SourceText> m_text;
    int m_rows = 0;
    double m_total = 0;
    TimeUnit m_unit = TimeUnit::Milliseconds;
    bool m_displayDash = false;
};
