#include "SettingsKeys.h"

// Implemented with the settings object.
