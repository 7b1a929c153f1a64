#include "app/program.h"

#include <cstring>

#include "app/player_application.h"
#include "platform/files.h"
#include "platform/stop_signals.h"

zString ProgramDirectory(const char* argv0) {
    if (!argv0) return zString();
    const char* cut = nullptr;
    for (const char* c = argv0; *c; ++c) {
        if (*c == ':' || *c == '\\' || *c == '/') cut = c + 1;
    }
    return cut ? zString(argv0, cut) : zString();
}

zString DefaultConfigPath(const zString& programDirectory) {
    zString path;
    if (programDirectory.IsEmpty()) {
        path.Set("./engine.cfg");
    } else {
        path = programDirectory;
        path.Append("engine.cfg");
    }
    return path;
}

zString OwnDataFolder(const std::string& executablePath) {
    const size_t file = executablePath.rfind('/');
    if (file == std::string::npos) return zString();
    // The program's folder without its trailing separators, then its parent.
    size_t end = executablePath.find_last_not_of('/', file);
    std::string parent = "/";
    if (end != std::string::npos) {
        const size_t folder = executablePath.rfind('/', end);
        if (folder == std::string::npos) {
            parent = "./";
        } else {
            parent = executablePath.substr(0, folder + 1);
        }
    }
    parent += "share/kestrin";
    return zString(parent.c_str());
}

int RunPlayer(int argc, const char* const* argv) {
    zString programDirectory = ProgramDirectory(argc > 0 ? argv[0] : nullptr);
    // From here on SIGINT and SIGTERM end the frame loop like Escape.
    OsInstallStopSignals();
    zApplicationWin32 app;
    app.ownDataPath = OwnDataFolder(OsExecutablePath());
    app.Startup();
    if (!app.ParseCommandLine(argc, argv)) return ExitBadCommandLine;
    if (app.configPath.IsEmpty()) {
        app.LoadConfig(DefaultConfigPath(programDirectory));
    } else {
        app.LoadConfig(app.configPath);
    }
    if (!app.Init()) return ExitInitFailed;
    while (app.Frame()) {
    }
    if (app.IsAbnormalExit()) return ExitAbnormal;
    app.Shutdown();
    return ExitNormal;
}
