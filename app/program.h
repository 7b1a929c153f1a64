// The program entry: what main does with its arguments and how its exit
// code is chosen.
#pragma once

#include <string>

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

// The player's own data folder for the program file at executablePath:
// share/kestrin beside the program's folder (<prefix>/bin/player reads
// <prefix>/share/kestrin, the build tree's app/player its staged
// share/kestrin). Empty when the path has no folder.
zString OwnDataFolder(const std::string& executablePath);

// The whole run of the player.
int RunPlayer(int argc, const char* const* argv);
