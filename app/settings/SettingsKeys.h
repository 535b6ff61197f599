#pragma once

#include <QString>

// The keys of the user settings. Fourteen of them have registered defaults
// (registerSettingsDefaults); the others read as their type's empty value
// until the user stores one.
inline const QString VTCMeasurement = QStringLiteral("measurement");
inline const QString VTCDisplayDash = QStringLiteral("displayDash");
inline const QString VTCCallStackShowsInternalPhpFunctions = QStringLiteral("callStackShowsInternalPhpFunctions");
inline const QString VTCSummaryShowsInternalPhpFunctions = QStringLiteral("summaryShowsInternalPhpFunctions");
inline const QString VTCSifterFilter = QStringLiteral("sifterFilter");
inline const QString VTCSifterStartOnLaunch = QStringLiteral("sifterStartOnLaunch");
inline const QString VTCSifterMonitorDirectory = QStringLiteral("sifterMonitorDirectory");
inline const QString VTCSifterRegexUseCustom = QStringLiteral("sifterRegexUseCustom");
inline const QString VTCSifterRegex = QStringLiteral("sifterRegex");
inline const QString VTCSifterMaxLimitOpen = QStringLiteral("sifterMaxLimitOpen");
inline const QString VTCSifterMaxFiles = QStringLiteral("sifterMaxFiles");
inline const QString VTCSifterMaxAction = QStringLiteral("sifterMoxAction");
inline const QString VTCUpdatesCheckAutomatically = QStringLiteral("updatesCheckAutomatically");
// The columns the user hid in each of the document window's views, as a
// list of column numbers.
inline const QString VTCOutlineHiddenColumns = QStringLiteral("outlineHiddenColumns");
inline const QString VTCCallsHiddenColumns = QStringLiteral("callsHiddenColumns");
inline const QString VTCSummaryHiddenColumns = QStringLiteral("summaryHiddenColumns");
inline const QString VTCCallersHiddenColumns = QStringLiteral("callersHiddenColumns");
// Where source files that a profile recorded elsewhere names are found
// here: a list of texts "FROM=TO", a recorded prefix and the local prefix
// it stands for (see PathMapping).
inline const QString VTCPathMappings = QStringLiteral("pathMappings");
// The command that opens a source file at a line, such as "code -g %f:%l"
// (see EditorCommand); empty for the desktop's handler.
inline const QString VTCEditorCommand = QStringLiteral("editorCommand");
// Whether the document window's outline and flame graph show each call
// path once, with its number of calls, rather than each call.
inline const QString VTCMergeRepeatedCalls = QStringLiteral("mergeRepeatedCalls");
// Whether they list the children of a call the heaviest first, rather than
// in the order of their first call.
inline const QString VTCHeaviestFirst = QStringLiteral("heaviestFirst");

// The share of the selected root below which the outline and the flame
// graph hide a call, one row standing for the calls hidden under each
// parent: a fraction, such as 0.001; 0 hides none.
inline const QString VTCHideCallsBelow = QStringLiteral("hideCallsBelow");

// Registers the defaults with the shared settings object.
void registerSettingsDefaults();
