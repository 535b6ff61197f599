#pragma once

#include <QColor>
#include <QImage>
#include <QString>

// The three small pictures shown before a function's name, looked up by the
// image names the function models carry: "phpFunctionIcon.tif",
// "applicationFunctionIcon.tif" and "objectMethodIcon.tif". They are drawn
// once per size and kept for the rest of the process.
class FunctionIcons
{
public:
    static constexpr int defaultSize = 14;

    // The picture for `iconName` at `size` logical pixels; a null image for
    // a name that is not one of the three. Images, not pixmaps, are kept, so
    // that the cache may outlive the application object at exit.
    static QImage imageNamed(const QString &iconName, int size = defaultSize, qreal devicePixelRatio = 1.0);
    // The colour that fills the picture for `iconName`; invalid for a name
    // that is not one of the three.
    static QColor fillColour(const QString &iconName);
};
