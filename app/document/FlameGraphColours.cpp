#include "FlameGraphColours.h"

#include "FunctionIcons.h"
#include "NameTable.h"

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
