// The command line, bootstrap.txt and engine.cfg.
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "app/application.h"
#include "core/log.h"
#include "io/archive_fs.h"
#include "io/file_road.h"
#include "markup/reader.h"
#include "render/renderer.h"

namespace {

// Decimal, clamped to the i32 range; text that is no number gives 0.
i32 ParseInteger(const char* text) {
    errno = 0;
    long long value = std::strtoll(text, nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return i32(value);
}

// As a 32-bit float; values past its range become infinities, no number 0.
f32 ParseFloat(const char* text) {
    double value = std::strtod(text, nullptr);
    if (std::isnan(value)) return f32(value);
    if (value > FLT_MAX) return HUGE_VALF;
    if (value < -FLT_MAX) return -HUGE_VALF;
    return f32(value);
}

// A raytrace frame size: 0 or less means the window's.
i32 ParseFrameSize(const char* text) {
    i32 size = ParseInteger(text);
    return size > 0 ? size : -1;
}

bool AppendDefine(zApplication& app, zVariant* define) {
    std::unique_ptr<zVariant> owned(define);
    if (!owned || !app.defines.Add(std::move(owned))) {
        GetLog() << "[!] Failed to allocate define structure.\n";
        return false;
    }
    return true;
}

bool AppendPath(zList<zString>& list, const char* path, const char* failure) {
    if (!list.Add(zString(path))) {
        GetLog() << failure;
        return false;
    }
    return true;
}

// One option: its text, how many values follow it, the message (without
// "[!] ") when they are missing, and what it does with them.
struct OptionRow {
    const char* name;
    int valueCount;
    const char* missing;
    bool (*apply)(zApplication& app, const char* const* values);
};

// clang-format off
const OptionRow Options[] = {
    {"-P", 0, nullptr, [](zApplication& app, const char* const*) { app.viewMode = ViewModeProject; return true; }},
    {"-time_live", 1, "-time_live: Missing mask.\n", [](zApplication& app, const char* const* v) {
        // A negative run time would end the run after one frame.
        i32 seconds = ParseInteger(v[0]);
        app.runTime = seconds > 0 ? seconds : 0;
        return true; }},
    {"-log_level", 1, "-log_level: Missing mask.\n", [](zApplication&, const char* const* v) {
        GetLog().SetLevelMask(ParseLogLevelMask(v[0]));
        return true; }},
    {"-ignore_bootstrap", 0, nullptr, [](zApplication& app, const char* const*) { app.ignoreBootstrap = true; return true; }},
    {"-ignore_esc", 0, nullptr, [](zApplication& app, const char* const*) { app.ignoreEscape = true; return true; }},
    {"-ignore_missing", 0, nullptr, [](zApplication& app, const char* const*) { app.ignoreMissing = true; return true; }},
    {"-fallback_disk_fs", 0, nullptr, [](zApplication& app, const char* const*) { app.fallbackToDisk = true; return true; }},
    {"-safe_mode", 0, nullptr, [](zApplication& app, const char* const*) { app.safeMode = true; return true; }},
    {"-enable_profiler", 0, nullptr, [](zApplication& app, const char* const*) { app.profiler = true; return true; }},
    {"-C", 1, "-C: Missing configuration file path.\n", [](zApplication& app, const char* const* v) {
        app.configPath.Set(v[0]);
        return true; }},
    {"-f", 1, "-f: Missing root path.\n", [](zApplication& app, const char* const* v) {
        app.rootPath.Set(v[0]);
        return true; }},
    {"-A", 1, "-A: Missing archive path.\n", [](zApplication& app, const char* const* v) {
        app.rootPath.Set(v[0]);
        app.dataSource = DataSourceArchive;
        return true; }},
    {"-r", 1, "-r: Missing renderer id.\n", [](zApplication& app, const char* const* v) {
        app.rendererId.Set(v[0]);
        return true; }},
    {"-m", 1, "-m: Missing mixer id.\n", [](zApplication& app, const char* const* v) {
        app.mixerId.Set(v[0]);
        return true; }},
    {"-S", 1, "-S: Missing search path.\n", [](zApplication& app, const char* const* v) {
        return AppendPath(app.searchPaths, v[0], "[!] Failed to allocate search path structure.\n"); }},
    {"-R", 1, "-R: Missing raytracer output path.\n", [](zApplication& app, const char* const* v) {
        app.raytracePath.Set(v[0]);
        return true; }},
    {"-Rw", 1, "-Rw: Missing raytracer frame width.\n", [](zApplication& app, const char* const* v) {
        app.raytraceWidth = ParseFrameSize(v[0]);
        return true; }},
    {"-Rh", 1, "-Rh: Missing raytracer frame height.\n", [](zApplication& app, const char* const* v) {
        app.raytraceHeight = ParseFrameSize(v[0]);
        return true; }},
    {"-Raa", 1, "-Raa: Missing raytracer AA grid size.\n", [](zApplication& app, const char* const* v) {
        i32 grid = ParseInteger(v[0]);
        app.raytraceGrid = grid >= 1 ? grid : 1;
        return true; }},
    {"-I", 1, "-I: Missing include path.\n", [](zApplication& app, const char* const* v) {
        return AppendPath(app.includes, v[0], "[!] Failed to allocate include structure.\n"); }},
    {"-Ds", 2, "-Ds: Incomplete key-value pair. (eg. -Ds my_var \"String Value\")\n",
     [](zApplication& app, const char* const* v) {
        return AppendDefine(app, new (std::nothrow) zVariant(v[0], v[1])); }},
    {"-Di", 2, "-Di: Incomplete key-value pair. (eg. -Di my_var 5)\n", [](zApplication& app, const char* const* v) {
        return AppendDefine(app, new (std::nothrow) zVariant(v[0], ParseInteger(v[1]))); }},
    {"-Df", 2, "-Df: Incomplete key-value pair. (eg. -Df my_var 5.5)\n", [](zApplication& app, const char* const* v) {
        return AppendDefine(app, new (std::nothrow) zVariant(v[0], ParseFloat(v[1]))); }},
};
// clang-format on

const char* const UsageLines[] = {
    "Usage: ksframework input(.zms|.zgp) <-P> <-f|-A> <-S>\n\n",
    "Basic usage:\n\n",
    "-P                 : Execute a project (default: execute scene).\n",
    "-C <config path>   : Configuration file path.\n",
    "\n",
    "Data source (default: -f ./):\n\n",
    "-f <base path>     : Input data from the file system.\n",
    "-A <archive path>  : Input data from an archive.\n",
    "\n",
    "Resource path:\n\n",
    "-S <search path>   : Additional search path.\n",
    "\n",
    "Data output (default: -r gl2 -m al):\n\n",
    "-r <ID>            : Output renderer ('zengine dummy -r list' for valid IDs).\n",
    "-m <ID>            : Output audio mixer ('zengine dummy -m list' for valid IDs).\n",
    "\n",
    "Debug interface:\n\n",
    "-d <port>          : Listen for incoming debugger connection on this port.\n",
    "-dp <password>     : Password-protect the debugger interface.\n",
    "Script interface:\n\n",
    "-I <include>       : Include a script.\n",
    "-Ds <var> <string> : Define and initialize a variable.\n",
    "-Di <var> <int>    : Define and initialize a variable.\n",
    "-Df <var> <float>  : Define and initialize a variable.\n",
    "\n",
    "Raytracer interface (scene view only):\n\n",
    "-R <path>          : Raytrace each frame to a directory.\n",
    "-Rw <int>          : Specify the raytracer frame width.\n",
    "-Rh <int>          : Specify the raytracer frame height.\n",
    "-Raa <int>         : Specify the raytracer AA grid size (default: 4).\n",
    "\n",
    "Program flags:\n\n",
    "-ignore_esc        : Do not exit on escape pressed.\n",
    "-ignore_missing    : Do not exit on missing resource.\n",
    "-ignore_bootstrap  : Ignore the bootstrap file.\n",
    "\n",
    "-safe_mode         : Enable renderer/mixer safe-mode.\n",
    "-fallback_disk_fs  : Fall back to the disk file system.\n",
    "\n",
    "-enable_profiler   : Enable on-screen profiler.\n",
    "\n",
    "-log_level <mask>  : Set the engine log level mask (eg. -log_level !S*).\n",
    "                     n: None\n",
    "                     s: Standard\n",
    "                     H: Header\n",
    "                     *: Warning\n",
    "                     !: Error\n",
    "                     S: Script\n",
    "                     a: All (default)\n",
    "-time_live <sec>   : Set a run time in seconds.\n",
    "\n",
};

// A window side from engine.cfg, an integer key: a size of 0 or below, which
// the display would take as a huge unsigned one, keeps the current size with
// a warning.
i32 WindowSizeFromConfig(const zMetafile& config, const char* key, i32 current, const char* path) {
    char keyPath[32];
    std::snprintf(keyPath, sizeof(keyPath), "%s;", key);
    const i32 value = config.GetInt(keyPath, current);
    if (value > 0) return value;
    GetLog() << "[*] " << key << " " << value << " in '" << path << "' is not a window size; keeping "
             << current << ".\n";
    return current;
}

constexpr const char* BootstrapFile = "bootstrap.txt";
constexpr const char* BootstrapArchive = "resource.ksa";

} // namespace

u8 ParseLogLevelMask(const char* letters) {
    u8 mask = 0;
    for (const char* c = letters; c && *c; ++c) {
        switch (*c) {
        case 'n':
            mask = 0;
            break;
        case 's':
            mask |= 0x01;
            break;
        case 'H':
            mask |= 0x02;
            break;
        case '*':
            mask |= 0x04;
            break;
        case '!':
            mask |= 0x08;
            break;
        case 'S':
            mask |= 0x10;
            break;
        case 'a':
            mask = 0xFF;
            break;
        default:
            break;
        }
    }
    return mask;
}

bool zApplication::ParseCommandLine(int argc, const char* const* argv) {
    if (argc <= 1) {
        if (LoadBootstrap()) return true;
        PrintUsage();
        return false;
    }
    input.Set(argv[1]);
    for (int index = 2; index < argc; ++index) {
        const char* argument = argv[index];
        const OptionRow* row = nullptr;
        for (const OptionRow& option : Options) {
            if (std::strcmp(option.name, argument) == 0) {
                row = &option;
                break;
            }
        }
        if (!row) {
            if (ParseExtraOption(argc, argv, index)) continue;
            GetLog() << "[!] Unknown command line parameter '" << argument << "'\n";
            return false;
        }
        if (argc - 1 - index < row->valueCount) {
            GetLog() << "[!] " << row->missing;
            return false;
        }
        if (!row->apply(*this, argv + index + 1)) return false;
        index += row->valueCount;
    }
    return true;
}

void zApplication::PrintUsage() {
    for (const char* line : UsageLines)
        GetLog() << line;
    PrintExtraUsage();
}

bool zApplication::LoadBootstrap() {
    zMetafile bootstrap;
    if (LoadMetafileFromFile(BootstrapFile, bootstrap)) {
        dataSource = DataSourceDisk;
    } else {
        std::unique_ptr<zIOArchiveFS> archive(new (std::nothrow) zIOArchiveFS());
        if (!archive || !archive->Connect(BootstrapArchive)) return false;
        zIOBaseFS* previous = FileSystemSetCurrent(archive.get());
        bool found = LoadMetafileFromFile(BootstrapFile, bootstrap);
        FileSystemSetCurrent(previous);
        archive.reset();
        if (!found) return false;
        rootPath.Set(BootstrapArchive);
        dataSource = DataSourceArchive;
    }
    // Only "Scene" exactly is scene mode; a ViewScene tag forces it.
    const char* mode = bootstrap.GetString("ViewMode;", "Scene");
    viewMode = std::strcmp(mode, "Scene") == 0 ? ViewModeScene : ViewModeProject;
    input.Set(bootstrap.GetString("Input;", "scene.zms"));
    if (bootstrap.GetTag("ViewScene;")) viewMode = ViewModeScene;
    ignoreEscape = bootstrap.GetBool("IgnoreEsc;", false);
    ignoreMissing = bootstrap.GetBool("IgnoreMissingResource;", false);
    return true;
}

bool zApplication::LoadConfig(const char* path) {
    if (!path || !LoadMetafileFromFile(path, configuration)) {
        // A half-read file must not decide the renderer settings.
        configuration.ClearRoots();
        return false;
    }
    if (const zMetaTag* tag = configuration.GetTypedTag("Fullscreen;", VariantBool))
        fullscreen = tag->GetBool();
    width = WindowSizeFromConfig(configuration, "Width", width, path);
    height = WindowSizeFromConfig(configuration, "Height", height, path);
    aspectRatio = configuration.GetFloat("AspectRatio;", aspectRatio);
    if (renderer) renderer->SetGlobalAspectRatio(aspectRatio);
    return true;
}
