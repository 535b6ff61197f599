#pragma once

#include <KFPreferencePane.h>

// The display settings: the time unit, the dash for times too small to
// show, and whether each table shows internal PHP functions.
class PreferencePaneGeneral final : public KFPreferencePane
{
    Q_OBJECT
public:
    PreferencePaneGeneral();

    // The application's icon, drawn: a trace over a blue tile.
    static QIcon velotraceImage();

protected:
    void awakeFromNib() override;
};
