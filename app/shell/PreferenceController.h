#pragma once

#include <KFPreferenceController.h>

// The application's preference window: the General, Sifter, Paths and
// Updates panes, in that order. The application uses the process-wide one,
// sharedPreferenceController<PreferenceController>().
class PreferenceController final : public KFPreferenceController
{
    Q_OBJECT
Q_SIGNALS:
    // The Updates pane's Check Now button was clicked.
    void checkForUpdatesRequested();

protected:
    void setupToolbar() override;
};
