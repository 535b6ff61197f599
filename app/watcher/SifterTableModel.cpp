#include "SifterTableModel.h"

#include "SharedText.h"
#include "SifterFileEntry.h"

#include <QColor>
#include <QHash>
#include <QTextDocument>

#include <algorithm>
#include <limits>

namespace {

QString statusText(SifterEntryStatus status)
{
    switch (status) {
    case SifterStatusOpen:
        return QStringLiteral("Open");
    case SifterStatusReadyToOpen:
        return QStringLiteral("Ready to open");
    case SifterStatusOpenFailed:
        return QStringLiteral("Error opening file");
    case SifterStatusNotAProfile:
        return QStringLiteral("Not a profile");
    case SifterStatusWriting:
        return QStringLiteral("Writing\u2026");
    case SifterStatusNotMatching:
        break;
    }
    return {};
}

QColor rowColour(const SifterFileEntry &entry)
{
    if (entry.status() == SifterStatusOpenFailed)
        return QColor::fromRgbF(1.0, 0.0, 0.0);
    if (entry.fileMatched() && entry.status() != SifterStatusNotAProfile)
        return QColor(Qt::black);
    return QColor::fromRgbF(0.5, 0.5, 0.5);
}

// Negative, zero or positive as `a` sorts before, with or after `b` by the
// column's value.
int compareByColumn(const SifterFileEntry &a, const SifterFileEntry &b, int column)
{
    switch (column) {
    case SifterTableModel::SizeColumn:
        return a.fileSize() < b.fileSize() ? -1 : a.fileSize() > b.fileSize() ? 1 : 0;
    case SifterTableModel::CreationDateColumn: {
        // Unknown dates sort before every known one.
        const QDateTime &x = a.creationDateTime();
        const QDateTime &y = b.creationDateTime();
        if (x.isValid() != y.isValid())
            return x.isValid() ? 1 : -1;
        return x < y ? -1 : y < x ? 1 : 0;
    }
    case SifterTableModel::StatusColumn:
        return a.status() < b.status() ? -1 : a.status() > b.status() ? 1 : 0;
    default:
        return 0;
    }
}

} // namespace

SifterTableModel::SifterTableModel(QObject *parent)
    : QAbstractTableModel(parent)
{ }

int SifterTableModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    // The table counts rows in 32 bits.
    return int(std::min<size_t>(m_entries.size(), std::numeric_limits<int>::max()));
}

int SifterTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

SifterFileEntry *SifterTableModel::entryAt(int row) const
{
    return row >= 0 && size_t(row) < m_entries.size() ? m_entries[size_t(row)] : nullptr;
}

QString SifterTableModel::cellText(const SifterFileEntry &entry, int column)
{
    switch (column) {
    case NameColumn:
        return entry.fileName();
    case SizeColumn:
        return dataSizeString(entry.fileSize());
    case CreationDateColumn:
        return entry.creationDate();
    case StatusColumn:
        return statusText(entry.status());
    default:
        return {};
    }
}

QVariant SifterTableModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const SifterFileEntry *entry = entryAt(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return cellText(*entry, index.column());
    case Qt::ForegroundRole:
        return rowColour(*entry);
    case Qt::TextAlignmentRole:
        if (index.column() == SizeColumn)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case Qt::ToolTipRole:
        // Shown by a widget that guesses rich text: escaped.
        return index.column() == NameColumn ? QVariant(Qt::convertFromPlainText(entry->filePath())) : QVariant();
    default:
        return {};
    }
}

QVariant SifterTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case NameColumn:
        return tr("Name");
    case SizeColumn:
        return tr("Size");
    case CreationDateColumn:
        return tr("Created");
    case StatusColumn:
        return tr("Status");
    default:
        return {};
    }
}

void SifterTableModel::setEntries(std::vector<SifterFileEntry *> entries)
{
    beginResetModel();
    m_entries = std::move(entries);
    endResetModel();
}

void SifterTableModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    sortEntries();
}

void SifterTableModel::sortEntries()
{
    const int column = m_sortColumn;
    const bool descending = m_sortOrder == Qt::DescendingOrder;
    // Names are unique, so ties on the column are settled by name and the
    // order is total.
    const auto before = [column, descending](const SifterFileEntry *a, const SifterFileEntry *b) {
        int order = compareByColumn(*a, *b, column);
        if (order == 0)
            order = a->fileName().compare(b->fileName());
        return descending ? order > 0 : order < 0;
    };
    // Asked after every open, which rarely moves a row: checking the order
    // costs one comparison per row, sorting many more.
    if (std::is_sorted(m_entries.begin(), m_entries.end(), before))
        return;

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList persistent = persistentIndexList();
    std::vector<const SifterFileEntry *> persistentEntries;
    persistentEntries.reserve(size_t(persistent.size()));
    for (const QModelIndex &index : persistent)
        persistentEntries.push_back(entryAt(index.row()));

    std::sort(m_entries.begin(), m_entries.end(), before);

    if (!persistent.isEmpty()) {
        QHash<const SifterFileEntry *, int> rows;
        rows.reserve(qsizetype(m_entries.size()));
        for (size_t row = 0; row < m_entries.size(); ++row)
            rows.insert(m_entries[row], int(row));
        QModelIndexList after;
        after.reserve(persistent.size());
        for (qsizetype i = 0; i < persistent.size(); ++i)
            after.append(index(rows.value(persistentEntries[size_t(i)]), persistent[i].column()));
        changePersistentIndexList(persistent, after);
    }
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void SifterTableModel::reloadData()
{
    if (!m_entries.empty())
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}
