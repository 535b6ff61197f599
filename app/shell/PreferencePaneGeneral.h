#pragma once

#include <KFPreferencePane.h>

#include <memory>

namespace Ui {
class PreferencesGeneral;
}

// The display settings: the time unit, the dash for times too small to
// show, and whether each table shows internal PHP functions.
class PreferencePaneGeneral final : public KFPreferencePane
{
    Q_OBJECT
public:
    PreferencePaneGeneral();
    ~PreferencePaneGeneral() override;

    // The application's icon, drawn: a trace over a blue tile.
    static QIcon velotraceImage();

protected:
    std::unique_ptr<QWidget> loadNib() override;
    void awakeFromNib() override;

private:
    std::unique_ptr<Ui::PreferencesGeneral> m_ui;
};
