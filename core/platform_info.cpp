#include "core/platform_info.h"

const char* GetPlatformName() { return "Win32"; }

const char* GetLocaleName() { return "EN"; }
