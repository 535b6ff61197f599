#include "FunctionLabelDelegate.h"

#include "FunctionIcons.h"
#include "FunctionModel.h"
#include "ViewRoles.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace {

constexpr int margin = 3;
constexpr int iconTextGap = 4;

const FunctionModel *functionOf(const QModelIndex &index)
{
    return index.data(FunctionRole).value<const FunctionModel *>();
}

// Horizontal room taken before the icon: the outline's indentation and
// disclosure triangle, nothing in the tables.
int leadingWidth(const QModelIndex &index)
{
    const QVariant depth = index.data(DepthRole);
    if (!depth.isValid())
        return margin;
    const int levels = qMin(depth.toInt(), FunctionLabelDelegate::maximumIndentedDepth);
    return margin + levels * FunctionLabelDelegate::indentation + FunctionLabelDelegate::indentation;
}

qreal raiseInPixels(const FunctionModel &function, const QPaintDevice *device)
{
    const int dpi = device ? device->logicalDpiY() : 96;
    return function.formattedName().baselineOffset * dpi / 72.0;
}

} // namespace

QRect FunctionLabelDelegate::disclosureRect(const QRect &cell, int depth)
{
    const int levels = qMin(depth, maximumIndentedDepth);
    return QRect(cell.left() + margin + levels * indentation, cell.top(), indentation, cell.height());
}

void FunctionLabelDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const FunctionModel *function = functionOf(index);
    if (!function) {
        QStyledItemDelegate::paint(painter, option, index);
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

    const FunctionModel::FormattedName &name = function->formattedName();
    const QFontMetricsF metrics(option.font);
    const int iconSize = FunctionIcons::defaultSize;
    const qreal raise = raiseInPixels(*function, painter->device());
    // The icon stands on the line's baseline and the name is raised above
    // it; the pair is centred in the row.
    const qreal top = qMin<qreal>(-iconSize, -raise - metrics.ascent());
    const qreal bottom = qMax<qreal>(0.0, -raise + metrics.descent());
    const qreal baseline = option.rect.top() + (option.rect.height() - (bottom - top)) / 2.0 - top;

    qreal x = option.rect.left() + leadingWidth(index);
    const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QImage icon = FunctionIcons::imageNamed(name.iconName, iconSize, dpr);
    if (!icon.isNull())
        painter->drawImage(QPointF(x, baseline - iconSize), icon);
    x += iconSize + iconTextGap;

    painter->setFont(option.font);
    qsizetype position = 0;
    const auto drawRun = [&](qsizetype start, qsizetype length, const QColor &colour) {
        if (length <= 0)
            return;
        const QString run = name.text.mid(start, length);
        painter->setPen(colour);
        painter->drawText(QPointF(x, baseline - raise), run);
        x += metrics.horizontalAdvance(run);
    };
    for (const FunctionModel::ColourSpan &span : name.spans) {
        drawRun(position, span.start - position, defaultColour);
        drawRun(span.start, span.length, selected ? defaultColour : QColor::fromRgba(span.argb));
        position = span.start + span.length;
    }
    drawRun(position, name.text.size() - position, defaultColour);
    painter->restore();
}

QSize FunctionLabelDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const FunctionModel *function = functionOf(index);
    if (!function)
        return QStyledItemDelegate::sizeHint(option, index);
    const QFontMetrics metrics(option.font);
    const qreal raise = raiseInPixels(*function, option.widget);
    const int textHeight = qCeil(metrics.height() + raise);
    const int width = leadingWidth(index) + FunctionIcons::defaultSize + iconTextGap
        + metrics.horizontalAdvance(function->formattedName().text) + margin;
    return QSize(width, qMax(FunctionIcons::defaultSize, textHeight) + 2);
}
