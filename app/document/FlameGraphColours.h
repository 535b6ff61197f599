#pragma once

#include "FunctionModel.h"

#include <QColor>

// The colours of a flame graph's bars: one per kind of function, the one
// its picture in the outline and tables is filled with, each name a little
// lighter or darker than the next, always the same for the same name, so
// that neighbouring bars stay apart.
class FlameGraphColours
{
public:
    // Inclusions share the internal functions' picture, and are teal here.
    static QColor kindColour(FunctionModel::Kind kind);
    static QColor colourOf(const FunctionModel &function);
};
