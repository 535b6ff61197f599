#include "FlameGraphColours.h"

#include "FunctionIcons.h"
#include "NameTable.h"

#include <QPainter>

#include <algorithm>

QColor FlameGraphColours::kindColour(FunctionModel::Kind kind)
{
    if (kind == FunctionModel::Kind::Inclusion)
        return QColor(0x52, 0xb4, 0xc4);
    return FunctionIcons::fillColour(kind);
}

QColor FlameGraphColours::colourOf(const FunctionModel &function)
{
    // From 14% darker to 14% lighter, by a hash that depends on the name
    // alone, not on the process.
    const quint64 hash = NameTable::hashOf(function.nameBytes());
    return kindColour(function.kind()).lighter(86 + int((hash >> 7) % 29));
}

QColor FlameGraphColours::blend(const QColor &colour, const QColor &other, double amount)
{
    return QColor::fromRgbF(float(colour.redF() + (other.redF() - colour.redF()) * amount),
        float(colour.greenF() + (other.greenF() - colour.greenF()) * amount),
        float(colour.blueF() + (other.blueF() - colour.blueF()) * amount));
}

void FlameGraphColours::hatch(QPainter &painter, const QRect &rect, const QColor &colour)
{
    constexpr int spacing = 4;
    painter.setPen(QPen(colour, 1.0));
    const int height = rect.height();
    for (int start = rect.left() - height; start <= rect.right(); start += spacing) {
        // From (start, bottom) up to (start + height, top).
        const int from = std::max(start, rect.left());
        const int to = std::min(start + height, rect.right());
        if (from < to)
            painter.drawLine(from, rect.bottom() - (from - start), to, rect.bottom() - (to - start));
    }
}
