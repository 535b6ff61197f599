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

IconStyle styleOf(FunctionModel::Kind kind)
{
    switch (kind) {
    case FunctionModel::Kind::Internal:
    case FunctionModel::Kind::Inclusion:
        return { QColor(0x88, 0x92, 0xbf), QColor(0x4f, 0x5b, 0x93), QLatin1Char('p'), true };
    case FunctionModel::Kind::Method:
        return { QColor(0xe8, 0x9a, 0x3c), QColor(0xa8, 0x62, 0x12), QLatin1Char('m'), false };
    case FunctionModel::Kind::Function:
        break;
    }
    return { QColor(0x6a, 0xb0, 0x4c), QColor(0x3d, 0x73, 0x28), QLatin1Char('f'), false };
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

QColor FunctionIcons::fillColour(FunctionModel::Kind kind)
{
    return styleOf(kind).fill;
}

QImage FunctionIcons::image(FunctionModel::Kind kind, int size, qreal devicePixelRatio)
{
    // Internal functions and inclusions share a picture.
    const FunctionModel::Kind pictured = kind == FunctionModel::Kind::Inclusion ? FunctionModel::Kind::Internal : kind;
    static QHash<QString, QImage> cache;
    const QString key = QString::number(int(pictured)) + QLatin1Char('@') + QString::number(size) + QLatin1Char('x')
        + QString::number(devicePixelRatio);
    const auto cached = cache.constFind(key);
    if (cached != cache.constEnd())
        return *cached;
    const QImage image = drawIcon(styleOf(pictured), size, devicePixelRatio);
    cache.insert(key, image);
    return image;
}
