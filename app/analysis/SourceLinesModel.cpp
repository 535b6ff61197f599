#include "SourceLinesModel.h"

#include "CostFormat.h"
#include "FunctionModel.h"
#include "PlainToolTip.h"
#include "Profile.h"
#include "ProfiledFunctionCall.h"
#include "ViewRoles.h"

#include <algorithm>
#include <cmath>

namespace {

double magnitude(Cost cost)
{
    return cost.isSigned() ? std::abs(double(cost.toSigned())) : double(cost.toUnsigned());
}

// Tabs as spaces to the next multiple of four, since a table cell does not
// stop at tabs.
QString expandedTabs(QByteArrayView bytes)
{
    const QString text = QString::fromUtf8(bytes);
    if (!text.contains(QLatin1Char('\t')))
        return text;
    QString expanded;
    expanded.reserve(text.size() + 16);
    for (const QChar c : text) {
        if (c == QLatin1Char('\t'))
            expanded += QString(4 - expanded.size() % 4, QLatin1Char(' '));
        else
            expanded += c;
    }
    return expanded;
}

} // namespace

void SourceLinesModel::setSource(const Profile &profile, int event, std::shared_ptr<const LineCosts> costs,
    quint32 source, std::shared_ptr<const SourceText> text)
{
    beginResetModel();
    m_profile = &profile;
    m_event = event;
    m_costs = std::move(costs);
    m_source = source;
    m_lines = m_costs->lines(source);
    m_text = std::move(text);
    // Lines with costs past the end of the text show empty, but not so many
    // that a line number in the profile decides the size of the table.
    const qint64 lastLine = m_lines.empty() ? 0 : qint64(m_lines.back().line);
    m_rows
        = int(std::min<qint64>(std::max<qint64>(m_text->lineCount(), lastLine), m_text->lineCount() + maxLinesPastEnd));
    m_lines = m_lines.first(size_t(std::upper_bound(m_lines.begin(), m_lines.end(), quint32(m_rows),
                                       [](quint32 line, const LineCosts::Line &costs) { return line < costs.line; })
        - m_lines.begin()));
    const ProfiledFunctionCall *root = profile.rootFunction();
    m_total = root ? magnitude(root->inclusiveCost(event)) : 0;
    endResetModel();
}

void SourceLinesModel::clear()
{
    beginResetModel();
    m_profile = nullptr;
    m_costs.reset();
    m_lines = {};
    m_text.reset();
    m_rows = 0;
    endResetModel();
}

void SourceLinesModel::setTimeFormat(TimeUnit unit, bool displayDash)
{
    m_unit = unit;
    m_displayDash = displayDash;
    if (m_rows > 0)
        Q_EMIT dataChanged(index(0, SelfColumn), index(m_rows - 1, InclusiveColumn), { Qt::DisplayRole });
}

int SourceLinesModel::hottestRow() const
{
    const auto hottest = std::max_element(m_lines.begin(), m_lines.end(),
        [this](const LineCosts::Line &left, const LineCosts::Line &right) { return weight(left) < weight(right); });
    return hottest == m_lines.end() ? -1 : rowOfLine(hottest->line);
}

int SourceLinesModel::hotRowAfter(int row) const
{
    const auto next = std::upper_bound(m_lines.begin(), m_lines.end(), quint32(row + 1),
        [](quint32 line, const LineCosts::Line &costs) { return line < costs.line; });
    return next == m_lines.end() ? -1 : rowOfLine(next->line);
}

int SourceLinesModel::hotRowBefore(int row) const
{
    const auto next = std::lower_bound(m_lines.begin(), m_lines.end(), quint32(std::max(row + 1, 0)),
        [](const LineCosts::Line &costs, quint32 line) { return costs.line < line; });
    return next == m_lines.begin() ? -1 : rowOfLine(std::prev(next)->line);
}

int SourceLinesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int SourceLinesModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

const LineCosts::Line *SourceLinesModel::costsOfRow(int row) const
{
    const quint32 line = quint32(row + 1);
    const auto found = std::lower_bound(m_lines.begin(), m_lines.end(), line,
        [](const LineCosts::Line &costs, quint32 wanted) { return costs.line < wanted; });
    return found != m_lines.end() && found->line == line ? &*found : nullptr;
}

double SourceLinesModel::weight(const LineCosts::Line &line) const
{
    const ProfileEvent &event = m_profile->events()[m_event];
    return std::max(magnitude(event.cost(line.selfBits)), magnitude(event.cost(line.inclusiveBits)));
}

QString SourceLinesModel::costText(quint64 bits) const
{
    const ProfileEvent &event = m_profile->events()[m_event];
    return CostFormat::costString(event, event.cost(bits), m_unit, m_displayDash);
}

QString SourceLinesModel::toolTip(const LineCosts::Line &line) const
{
    QStringList called;
    for (const LineCosts::Callee &callee : m_costs->callees(m_source, line.line)) {
        const QString &name = m_profile->function(callee.function).name();
        called << (callee.calls == 1 ? name : tr("%1 (%n calls)", nullptr, int(callee.calls)).arg(name));
    }
    return plainToolTip(tr("Calls %1").arg(called.join(QStringLiteral(", "))));
}

QVariant SourceLinesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows)
        return {};
    const int row = index.row();
    const LineCosts::Line *costs = costsOfRow(row);
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case LineColumn:
            return row + 1;
        case SelfColumn:
            return costs && costs->selfBits != 0 ? costText(costs->selfBits) : QString();
        case InclusiveColumn:
            return costs && costs->calls != 0 ? costText(costs->inclusiveBits) : QString();
        case CallsColumn:
            return costs && costs->calls != 0 ? QVariant(costs->calls) : QVariant(QString());
        case TextColumn:
            return expandedTabs(m_text->line(row + 1));
        }
        return {};
    case Qt::TextAlignmentRole:
        return index.column() == TextColumn ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                            : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    case ShareRole:
        return costs && m_total > 0 ? std::min(1.0, weight(*costs) / m_total) : 0.0;
    case Qt::ToolTipRole:
        return costs && costs->calls != 0 ? QVariant(toolTip(*costs)) : QVariant();
    }
    return {};
}

QVariant SourceLinesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case LineColumn:
        return tr("Line");
    case SelfColumn:
        return tr("Self");
    case InclusiveColumn:
        return tr("Inclusive");
    case CallsColumn:
        return tr("Calls");
    case TextColumn:
        return tr("Source");
    }
    return {};
}
