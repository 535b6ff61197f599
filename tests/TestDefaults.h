#pragma once

#include <KFUserDefaultsController.h>

inline KFUserDefaultsController &defaults()
{
    return KFUserDefaultsController::sharedUserDefaultsController();
}
