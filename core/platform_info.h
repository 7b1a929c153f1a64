// Platform queries that scripts read. The values are those of the original
// Windows player, kept so that scripts testing them behave the same.
#pragma once

// "Win32".
const char* GetPlatformName();
// "EN".
const char* GetLocaleName();
