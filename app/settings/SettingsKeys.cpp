#include "SettingsKeys.h"

#include <KFUserDefaultsController.h>

void registerSettingsDefaults()
{
    // Integers and booleans are kept as numbers, as the store holds them.
    const QVariantMap defaults {
        { VTCMeasurement, 1 },
        { VTCDisplayDash, true },
        { VTCCallStackShowsInternalPhpFunctions, true },
        { VTCSummaryShowsInternalPhpFunctions, true },
        { VTCSifterStartOnLaunch, false },
        { VTCSifterMonitorDirectory, QStringLiteral("/tmp") },
        { VTCSifterRegex, QStringLiteral("cachegrind\\..*") },
        { VTCSifterMaxLimitOpen, true },
        { VTCSifterMaxFiles, 5 },
        { VTCPathMappings, QStringList() },
        { VTCEditorCommand, QString() },
        { VTCMergeRepeatedCalls, false },
        { VTCHeaviestFirst, false },
        { VTCHideCallsBelow, 0.0 },
    };
    KFUserDefaultsController::sharedUserDefaultsController().registerDefaults(defaults);
}
