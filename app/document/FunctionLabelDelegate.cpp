#include "FunctionLabelDelegate.h"

#include "FormattedName.h"
#include "FunctionIcons.h"
#include "FunctionModel.h"
#include "ViewRoles.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace {

constexpr int margin = 3;
constexpr int iconTextGap = 4;
constexpr QChar ellipsis(0x2026);
// How far a name is raised against its picture, in points.
constexpr qreal nameRaise = 2.0;

const FunctionModel *functionOf(const QModelIndex &index)
{
    return index.data(FunctionRole).value<const FunctionModel *>();
}

// The depth a row shows as a number, or -1: rows indented less than a full
// step per level show theirs.
int shownDepth(const QModelIndex &index)
{
    const QVariant depth = index.data(DepthRole);
    return depth.isValid() && depth.toInt() > FunctionLabelDelegate::fullyIndentedDepth ? depth.toInt() : -1;
}

QFont depthFont(const QFont &font)
{
    QFont small = font;
    small.setPointSizeF(font.pointSizeF() > 0 ? font.pointSizeF() * 0.8 : 8.0);
    return small;
}

// The room for a depth number: the same for every depth below 1000, so
// that the icons of deep rows line up.
int depthNumberWidth(const QFont &font, int depth)
{
    const QFontMetrics metrics(depthFont(font));
    return qMax(metrics.horizontalAdvance(QStringLiteral("888")), metrics.horizontalAdvance(QString::number(depth)));
}

// Horizontal room taken before the icon: the outline's indentation,
// disclosure triangle and depth number, nothing but a margin in the tables.
// A cell width of 0 bounds the indentation by its maximum only.
int leadingWidth(const QModelIndex &index, const QFont &font, int cellWidth)
{
    const QVariant depth = index.data(DepthRole);
    if (!depth.isValid())
        return margin;
    int width
        = margin + FunctionLabelDelegate::indentationOf(depth.toInt(), cellWidth) + FunctionLabelDelegate::indentation;
    if (const int shown = shownDepth(index); shown >= 0)
        width += depthNumberWidth(font, shown) + iconTextGap;
    return width;
}

qreal raiseInPixels(const QPaintDevice *device)
{
    const int dpi = device ? device->logicalDpiY() : 96;
    return nameRaise * dpi / 72.0;
}

} // namespace

int FunctionLabelDelegate::indentationOf(int depth, int cellWidth)
{
    const qint64 levels = qMax(depth, 0);
    const qint64 full = qMin<qint64>(levels, fullyIndentedDepth) * indentation
        + qMax<qint64>(levels - fullyIndentedDepth, 0) * deepIndentation;
    const qint64 bound = cellWidth > 0 ? qMin<qint64>(maximumIndentation, qint64(cellWidth * maximumIndentShare))
                                       : qint64(maximumIndentation);
    return int(qMin(full, bound));
}

QRect FunctionLabelDelegate::disclosureRect(const QRect &cell, int depth)
{
    return QRect(cell.left() + margin + indentationOf(depth, cell.width()), cell.top(), indentation, cell.height());
}

void FunctionLabelDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const FunctionModel *function = functionOf(index);
    if (!function && index.data(DepthRole).isValid()) {
        paintWithoutFunction(painter, option, index);
        return;
    }
    if (!function) {
        FigureDelegate::paint(painter, option, index);
        return;
    }

    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    background.icon = QIcon();
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

    painter->save();
    painter->setClipRect(option.rect);
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = option.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    const QColor defaultColour = option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);

    const QVariant depth = index.data(DepthRole);
    if (depth.isValid() && index.data(ExpandableRole).toBool()) {
        QStyleOption arrow;
        arrow.rect = disclosureRect(option.rect, depth.toInt()).adjusted(2, 0, -2, 0);
        arrow.palette = option.palette;
        arrow.palette.setColor(QPalette::ButtonText, defaultColour);
        arrow.palette.setColor(QPalette::WindowText, defaultColour);
        arrow.state = QStyle::State_Enabled;
        const auto primitive
            = index.data(ExpandedRole).toBool() ? QStyle::PE_IndicatorArrowDown : QStyle::PE_IndicatorArrowRight;
        style->drawPrimitive(primitive, &arrow, painter, widget);
    }

    const FormattedName name = FormattedName::of(*function);
    const QFontMetricsF metrics(option.font);
    const int iconSize = FunctionIcons::defaultSize;
    const qreal raise = raiseInPixels(painter->device());
    // The icon stands on the line's baseline and the name is raised above
    // it; the pair is centred in the row.
    const qreal top = qMin<qreal>(-iconSize, -raise - metrics.ascent());
    const qreal bottom = qMax<qreal>(0.0, -raise + metrics.descent());
    const qreal baseline = option.rect.top() + (option.rect.height() - (bottom - top)) / 2.0 - top;

    qreal x = option.rect.left() + leadingWidth(index, option.font, option.rect.width());
    if (const int shown = shownDepth(index); shown >= 0) {
        const QFont small = depthFont(option.font);
        const QString number = QString::number(shown);
        const qreal width = QFontMetricsF(small).horizontalAdvance(number);
        QColor colour = defaultColour;
        colour.setAlphaF(selected ? 0.8f : 0.55f);
        painter->setFont(small);
        painter->setPen(colour);
        painter->drawText(QPointF(x - iconTextGap - width, baseline - raise), number);
    }
    const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QImage icon = FunctionIcons::image(function->kind(), iconSize, dpr);
    painter->drawImage(QPointF(x, baseline - iconSize), icon);
    x += iconSize + iconTextGap;

    painter->setFont(option.font);
    const auto drawRun = [&](const QString &run, const QColor &colour) {
        if (run.isEmpty())
            return;
        painter->setPen(colour);
        painter->drawText(QPointF(x, baseline - raise), run);
        x += metrics.horizontalAdvance(run);
    };
    // Characters `from` to `to` of the name, each run in its colour.
    const auto drawRange = [&](qsizetype from, qsizetype to) {
        qsizetype position = from;
        for (const FormattedName::ColourSpan &span : name.spans) {
            const qsizetype start = qBound(position, span.start, to);
            const qsizetype end = qBound(start, span.start + span.length, to);
            drawRun(name.text.mid(position, start - position), defaultColour);
            drawRun(name.text.mid(start, end - start), selected ? defaultColour : QColor::fromRgba(span.argb));
            position = end;
        }
        drawRun(name.text.mid(position, to - position), defaultColour);
    };
    // A name too long for the cell keeps its start and its end, where a
    // method's name is, around an ellipsis.
    const qreal room = option.rect.right() - margin - x;
    const qsizetype length = name.text.size();
    if (metrics.horizontalAdvance(name.text) <= room) {
        drawRange(0, length);
    } else if (room > 0) {
        const QString elided = metrics.elidedText(name.text, Qt::ElideMiddle, room);
        const qsizetype head = elided.indexOf(ellipsis);
        if (head >= 0) {
            drawRange(0, head);
            drawRun(QString(ellipsis), defaultColour);
            drawRange(length - (elided.size() - head - 1), length);
        }
    }
    painter->restore();
}

void FunctionLabelDelegate::paintWithoutFunction(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // The row's background is the whole cell's; its text starts where its
    // siblings' names do.
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);
    QStyleOptionViewItem text = option;
    text.rect.setLeft(option.rect.left() + leadingWidth(index, option.font, option.rect.width())
        + FunctionIcons::defaultSize + iconTextGap);
    QStyledItemDelegate::paint(painter, text, index);
}

QSize FunctionLabelDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const FunctionModel *function = functionOf(index);
    if (!function)
        return QStyledItemDelegate::sizeHint(option, index);
    const QFontMetrics metrics(option.font);
    const qreal raise = raiseInPixels(option.widget);
    const int textHeight = qCeil(metrics.height() + raise);
    const int width = leadingWidth(index, option.font, 0) + FunctionIcons::defaultSize + iconTextGap
        + metrics.horizontalAdvance(function->name()) + margin;
    return QSize(width, qMax(FunctionIcons::defaultSize, textHeight) + 2);
}
