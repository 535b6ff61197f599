#include "SifterTableModel.h"

#include "PlainToolTip.h"
#include "SharedText.h"
#include "SifterFileEntry.h"
#include "ViewRoles.h"

#include <QColor>

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

} // namespace

SifterTableModel::SifterTableModel(QObject *parent)
    : SortableTableModel(ColumnCount, NameColumn, Qt::AscendingOrder, parent)
{ }

SifterFileEntry *SifterTableModel::entryAt(int row) const
{
    return row >= 0 && row < rowCount() ? m_entries[rowIndexAt(row)] : nullptr;
}

QVariant SifterTableModel::cellData(quint32 rowIndex, int column, int role) const
{
    const SifterFileEntry &entry = *m_entries[rowIndex];
    switch (role) {
    case Qt::DisplayRole:
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
    case SortRole:
        switch (column) {
        case NameColumn:
            return entry.fileName();
        case SizeColumn:
            return qlonglong(entry.fileSize());
        case CreationDateColumn: {
            // Unknown dates sort before every known one.
            const QDateTime &created = entry.creationDateTime();
            return created.isValid() ? qlonglong(created.toMSecsSinceEpoch()) : std::numeric_limits<qlonglong>::min();
        }
        case StatusColumn:
            return qulonglong(entry.status());
        default:
            return {};
        }
    case Qt::ForegroundRole:
        return rowColour(entry);
    default:
        return {};
    }
}

QVariant SifterTableModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    switch (role) {
    case Qt::TextAlignmentRole:
        return QVariant::fromValue((index.column() == SizeColumn ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    case Qt::ToolTipRole:
        // A name's whole path; the other cells say all there is.
        return index.column() == NameColumn ? QVariant(plainToolTip(entryAt(index.row())->filePath())) : QVariant();
    default:
        return SortableTableModel::data(index, role);
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
    // Names are unique: a total order that rows of equal value keep.
    std::sort(entries.begin(), entries.end(),
        [](const SifterFileEntry *a, const SifterFileEntry *b) { return a->fileName() < b->fileName(); });
    beginFillRows();
    m_entries = std::move(entries);
    endFillRows(m_entries.size());
}

void SifterTableModel::sortEntries()
{
    // Names do not change: rows sorted by name stay so.
    if (sortColumn() != NameColumn)
        sort(sortColumn(), sortOrder());
}
