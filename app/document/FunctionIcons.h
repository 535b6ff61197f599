#pragma once

#include "FunctionModel.h"

#include <QColor>
#include <QImage>

// The small pictures shown before a function's name, one per kind of
// function: PHP's own functions and inclusions share one. They are drawn
// once per size and kept for the rest of the process.
class FunctionIcons
{
public:
    static constexpr int defaultSize = 14;

    // The picture for `kind` at `size` logical pixels. Images, not pixmaps,
    // are kept, so that the cache may outlive the application object at
    // exit.
    static QImage image(FunctionModel::Kind kind, int size = defaultSize, qreal devicePixelRatio = 1.0);
    // The colour that fills the picture for `kind`.
    static QColor fillColour(FunctionModel::Kind kind);
};
