#include "FunctionIcons.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QPainter>
#include <QPainterPath>

namespace {

struct IconStyle
{
    QColor fill;
    QColor border;
    QChar letter;
    bool round;
};

bool styleForName(const QString &iconName, IconStyle &style)
{
    if (iconName == QLatin1String("phpFunctionIcon.tif"))
        style = { QColor(0x88, 0x92, 0xbf), QColor(0x4f, 0x5b, 0x93), QLatin1Char('p'), true };
    else if (iconName == QLatin1String("applicationFunctionIcon.tif"))
        style = { QColor(0x6a, 0xb0, 0x4c), QColor(0x3d, 0x73, 0x28), QLatin1Char('f'), false };
    else if (iconName == QLatin1String("objectMethodIcon.tif"))
        style = { QColor(0xe8, 0x9a, 0x3c), QColor(0xa8, 0x62, 0x12), QLatin1Char('m'), false };
    else
        return false;
    return true;
}

QImage drawIcon(const IconStyle &style, int size, qreal devicePixelRatio)
{
    QImage image(QSize(size, size) * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame(0.5, 0.5, size - 1.0, size - 1.0);
    QPainterPath shape;
    if (style.round)
        shape.addEllipse(frame);
    else
        shape.addRoundedRect(frame, size / 4.0, size / 4.0);
    painter.fillPath(shape, style.fill);
    painter.setPen(QPen(style.border, 1.0));
    painter.drawPath(shape);

    QFont font;
    font.setBold(true);
    font.setPixelSize(qMax(6, size - 4));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(frame.adjusted(0, -1, 0, -1), Qt::AlignCenter, QString(style.letter));
    return image;
}

} // namespace

QColor FunctionIcons::fillColour(const QString &iconName)
{
    IconStyle style;
    return styleForName(iconName, style) ? style.fill : QColor();
}

QImage FunctionIcons::imageNamed(const QString &iconName, int size, qreal devicePixelRatio)
{
    static QHash<QString, QImage> cache;
    const QString key
        = iconName + QLatin1Char('@') + QString::number(size) + QLatin1Char('x') + QString::number(devicePixelRatio);
    const auto cached = cache.constFind(key);
    if (cached != cache.constEnd())
        return *cached;
    IconStyle style;
    if (!styleForName(iconName, style))
        return {};
    const QImage image = drawIcon(style, size, devicePixelRatio);
    cache.insert(key, image);
    return image;
}
