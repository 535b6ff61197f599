#pragma once

#include <KFPreferenceController.h>

// The application's preference window: the General, Sifter and Updates
// panes, in that order.
class PreferenceController final : public KFPreferenceController
{
    Q_OBJECT
public:
    PreferenceController();

    // The process-wide preference window, created on first request.
    static PreferenceController &sharedPreferenceController();

Q_SIGNALS:
    // The Updates pane's Check Now button was clicked.
    void checkForUpdatesRequested();

protected:
    void setupToolbar() override;
};
