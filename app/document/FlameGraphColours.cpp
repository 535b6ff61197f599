#include "FlameGraphColours.h"

#include "FunctionIcons.h"
#include "FunctionModel.h"
#include "NameTable.h"

FlameGraphColours::Kind FlameGraphColours::kindOf(const FunctionModel &function)
{
    switch (function.type()) {
    case FunctionModel::functionTypePhpInternal:
        return FunctionModel::isInclusion(function.nameBytes()) ? Kind::Inclusion : Kind::Internal;
    case FunctionModel::functionTypeObjectMethod:
        return Kind::Method;
    default:
        return Kind::Application;
    }
}

QColor FlameGraphColours::kindColour(Kind kind)
{
    switch (kind) {
    case Kind::Internal:
        return FunctionIcons::fillColour(QStringLiteral("phpFunctionIcon.tif"));
    case Kind::Method:
        return FunctionIcons::fillColour(QStringLiteral("objectMethodIcon.tif"));
    case Kind::Inclusion:
        return QColor(0x52, 0xb4, 0xc4);
    case Kind::Application:
        break;
    }
    return FunctionIcons::fillColour(QStringLiteral("applicationFunctionIcon.tif"));
}

QColor FlameGraphColours::colourOf(const FunctionModel &function)
{
    // From 14% darker to 14% lighter, by a hash that depends on the name
    // alone, not on the process.
    const quint64 hash = NameTable::hashOf(function.nameBytes());
    return kindColour(kindOf(function)).lighter(86 + int((hash >> 7) % 29));
}
