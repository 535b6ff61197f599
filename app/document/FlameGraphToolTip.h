#pragma once

#include "FlameGraphLayout.h"

#include <QCoreApplication>
#include <QString>

class Profile;

// What a flame graph's tooltip says of a bar: rich text with every name
// escaped. A bar's call, its place and figures; for a block, what its calls
// add up to and who made them.
class FlameGraphToolTip
{
    Q_DECLARE_TR_FUNCTIONS(FlameGraphToolTip)
public:
    // `bar` of `layout`, laid out from `profile`, widths by `event`.
    static QString text(
        const FlameGraphLayout &layout, const Profile &profile, int event, const FlameGraphLayout::Bar &bar);
};
