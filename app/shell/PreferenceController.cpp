#include "PreferenceController.h"

#include "PreferencePaneGeneral.h"
#include "PreferencePanePaths.h"
#include "PreferencePaneSifter.h"
#include "PreferencePaneSoftwareUpdate.h"

void PreferenceController::setupToolbar()
{
    addPreferencePane(std::make_unique<PreferencePaneGeneral>());
    addPreferencePane(std::make_unique<PreferencePaneSifter>());
    addPreferencePane(std::make_unique<PreferencePanePaths>());
    // The panes are new at every showing; their button reaches whoever
    // listens to the window.
    auto updates = std::make_unique<PreferencePaneSoftwareUpdate>();
    connect(updates.get(), &PreferencePaneSoftwareUpdate::checkForUpdatesRequested, this,
        &PreferenceController::checkForUpdatesRequested);
    addPreferencePane(std::move(updates));
}
