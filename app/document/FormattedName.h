#pragma once

#include <QList>
#include <QRgb>
#include <QString>

class FunctionModel;

// A function's label as the outline and the tables draw it, after the
// picture of its kind (FunctionIcons): its name, PHP's internal functions in
// grey, an inclusion's keyword in blue and the included path in grey. The
// other characters take the view's text colour.
struct FormattedName
{
    // A run of `text` drawn in one colour.
    struct ColourSpan
    {
        qsizetype start = 0;
        qsizetype length = 0;
        QRgb argb = 0;
        bool operator==(const ColourSpan &) const = default;
    };

    static constexpr QRgb darkGrey = 0xff555555;
    static constexpr QRgb blue = 0xff0000ff;

    static FormattedName of(const FunctionModel &function);

    QString text;
    QList<ColourSpan> spans;
};
