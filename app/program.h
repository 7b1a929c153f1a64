// The program entry: what main does with its arguments and how its exit
// code is chosen.
#pragma once

#include "core/zstring.h"

// Exit codes of the player.
enum : int {
    ExitNormal = 0,
    ExitBadCommandLine = 1, // also: usage shown
    ExitInitFailed = 2,
    ExitAbnormal = 3, // script VM killed or a resource missing
};

// The program's directory: argv[0] cut after its last ':', '\\' or '/'
// (the separator stays); empty when it has none.
zString ProgramDirectory(const char* argv0);

// engine.cfg in the program directory, or "./engine.cfg" when it is empty.
zString DefaultConfigPath(const zString& programDirectory);

// The whole run of the player.
int RunPlayer(int argc, const char* const* argv);
