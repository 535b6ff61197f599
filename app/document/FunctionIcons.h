#pragma once

#include <QPixmap>
#include <QString>

// The three small pictures shown before a function's name, looked up by the
// image names the function models carry: "phpFunctionIcon.tif",
// "applicationFunctionIcon.tif" and "objectMethodIcon.tif". They are drawn
// once per size and kept for the rest of the process.
class FunctionIcons
{
public:
    static constexpr int defaultSize = 14;

    // The picture for `iconName` at `size` logical pixels; a null pixmap for
    // a name that is not one of the three.
    static QPixmap pixmapNamed(const QString &iconName, int size = defaultSize, qreal devicePixelRatio = 1.0);
};
