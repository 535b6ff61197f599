#include "PreferenceController.h"

#include "PreferencePaneGeneral.h"
#include "PreferencePaneSifter.h"
#include "PreferencePaneSoftwareUpdate.h"

PreferenceController::PreferenceController() = default;

PreferenceController &PreferenceController::sharedPreferenceController()
{
    auto *shared = qobject_cast<PreferenceController *>(
        &KFPreferenceController::sharedPreferenceController<PreferenceController>());
    Q_ASSERT_X(shared, "PreferenceController::sharedPreferenceController",
        "the shared preference window was created as another class");
    return *shared;
}

void PreferenceController::setupToolbar()
{
    addPreferencePane(std::make_unique<PreferencePaneGeneral>());
    addPreferencePane(std::make_unique<PreferencePaneSifter>());
    // The panes are new at every showing; their button reaches whoever
    // listens to the window.
    auto updates = std::make_unique<PreferencePaneSoftwareUpdate>();
    connect(updates.get(), &PreferencePaneSoftwareUpdate::checkForUpdatesRequested, this,
        &PreferenceController::checkForUpdatesRequested);
    addPreferencePane(std::move(updates));
}
