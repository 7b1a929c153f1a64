// The player as a user runs it: each row of the catalogue starts the built
// program in a fresh temporary directory holding the row's files, waits for
// it with a timeout, and checks its exit code and its console: lines that
// must appear in order (other lines may stand between them), lines that must
// not appear, and lines that must appear exactly once. A line with a number
// that changes from run to run is given as a pattern. Some rows also bound the
// run's wall time. Every run starts with the banner, which start-up prints
// before the command line is read. Further suites check the sound the mixers
// write (what scene scripts play, as WAV data), the frames -R writes, and
// compare one scene's pictures from "gl2" and from the raytracer.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/audio/wav_file.h"
#include "tests/support/files.h"
#include "tests/support/patch_scene.h"
#include "tests/support/temporary_directory.h"
#include "tests/support/xvfb.h"

extern char** environ;

namespace {

constexpr const char* PlayerPath = ZE_PLAYER;
constexpr auto RunTimeout = std::chrono::seconds(60);
// What a timed run may take beyond its run time: start-up and shutdown under
// the sanitizers on a busy machine.
constexpr double RunTimeMargin = 5.0;

struct FixtureFile {
    std::string path;
    std::string bytes;
};

// One console line: its exact text, or a pattern the whole line matches.
struct ExpectedLine {
    ExpectedLine(const char* exact) : text(exact) {}
    ExpectedLine(std::string exact) : text(std::move(exact)) {}

    bool Matches(const std::string& line) const {
        return pattern ? std::regex_match(line, *pattern) : line == text;
    }

    std::string text; // the exact line, or the pattern's source for reports
    std::optional<std::regex> pattern;
};

ExpectedLine Matching(const std::string& pattern) {
    ExpectedLine line(pattern);
    line.pattern.emplace(pattern);
    return line;
}

struct CatalogueRow {
    std::string id;
    std::vector<std::string> arguments; // after the program name
    std::vector<FixtureFile> files;
    int exitCode;
    std::vector<ExpectedLine> lines;     // in this order
    std::vector<ExpectedLine> forbidden; // nowhere
    std::vector<std::string> once;       // exactly once
    std::string programName;             // argv[0]; empty: the player's full path
    // False: a copy of the player in the row's bin/ runs, with no data folder
    // of its own beside it (no start-up script, shader library or font).
    bool ownDataFolder = true;
    // Bounds of the run's wall time in seconds; unchecked when the upper is 0.
    double minSeconds = 0.0;
    double maxSeconds = 0.0;
    // A signal sent to the run once signalAfter seconds have passed and its
    // console holds the line signalWhen (a run that has not yet installed
    // its handlers would simply die); 0: none.
    int signal = 0;
    double signalAfter = 0.0;
    std::string signalWhen = "";
};

const std::vector<ExpectedLine> BannerLines = {
    "Kestrin stand-alone.",   "Version: 1.1.7",
    "Machine memory layout:", "    sizeof(bool) = 1",
    "    sizeof(char) = 1",   "    sizeof(short) = 2",
    "    sizeof(int) = 4",    "    sizeof(float) = 4",
    "Core memory layout:",    "Compiled with 6 logical texture stage(s), 3 UV set(s).",
    "Scene memory layout:",
};

// The usage text and the player's own part, line for line.
const std::vector<ExpectedLine> UsageLines = {
    "Usage: ksframework input(.zms|.zgp) <-P> <-f|-A> <-S>",
    "",
    "Basic usage:",
    "",
    "-P                 : Execute a project (default: execute scene).",
    "-C <config path>   : Configuration file path.",
    "",
    "Data source (default: -f ./):",
    "",
    "-f <base path>     : Input data from the file system.",
    "-A <archive path>  : Input data from an archive.",
    "",
    "Resource path:",
    "",
    "-S <search path>   : Additional search path.",
    "",
    "Data output (default: -r gl2 -m al):",
    "",
    "-r <ID>            : Output renderer ('zengine dummy -r list' for valid IDs).",
    "-m <ID>            : Output audio mixer ('zengine dummy -m list' for valid IDs).",
    "",
    "Debug interface:",
    "",
    "-d <port>          : Listen for incoming debugger connection on this port.",
    "-dp <password>     : Password-protect the debugger interface.",
    "Script interface:",
    "",
    "-I <include>       : Include a script.",
    "-Ds <var> <string> : Define and initialize a variable.",
    "-Di <var> <int>    : Define and initialize a variable.",
    "-Df <var> <float>  : Define and initialize a variable.",
    "",
    "Raytracer interface (scene view only):",
    "",
    "-R <path>          : Raytrace each frame to a directory.",
    "-Rw <int>          : Specify the raytracer frame width.",
    "-Rh <int>          : Specify the raytracer frame height.",
    "-Raa <int>         : Specify the raytracer AA grid size (default: 4).",
    "",
    "Program flags:",
    "",
    "-ignore_esc        : Do not exit on escape pressed.",
    "-ignore_missing    : Do not exit on missing resource.",
    "-ignore_bootstrap  : Ignore the bootstrap file.",
    "",
    "-safe_mode         : Enable renderer/mixer safe-mode.",
    "-fallback_disk_fs  : Fall back to the disk file system.",
    "",
    "-enable_profiler   : Enable on-screen profiler.",
    "",
    "-log_level <mask>  : Set the engine log level mask (eg. -log_level !S*).",
    "                     n: None",
    "                     s: Standard",
    "                     H: Header",
    "                     *: Warning",
    "                     !: Error",
    "                     S: Script",
    "                     a: All (default)",
    "-time_live <sec>   : Set a run time in seconds.",
    "",
    "Software mixer:",
    "",
    "-Mf <path>         : Output file.",
    "",
};

const std::string UsageFirstLine = UsageLines.front().text;
const std::string NoStartupScript = "[!] Failed to locate script 'scriptlib/zad.nut'.";
const std::string NoDefaultFont = "[!] Failed to open default system font.";
const std::string FreeingCaches = "Freeing 1 resource cache(s)...";
const std::string MissingResources = "[!] Exiting due to missing resources.";

// A scene whose unit is the script class "T" of t.nut, with one parameter.
std::string SceneFileOf(const std::string& script, const std::string& className = "T") {
    return "<ZML=1.0>\n<Scene=<ScriptUnit=<Script=\"" + script + "\"><Class=\"" + className +
           "\">\n<ParmList=<Parm=<Id=\"greeting\"><Value=\"hi\">>>>>\n";
}
const std::string SceneFile = SceneFileOf("t.nut");

// t.nut: each callback of the scene's unit prints once, in the order the
// player runs them; more statements may follow OnSetup's and OnUpdate's own
// (OnUpdate stands on line 6).
std::string SceneScript(const std::string& onSetup = "", const std::string& onUpdate = "") {
    return "class T { greeting = \"default\"; frames = 0;\n"
           "  constructor() { print(\"ctor \" + greeting); }\n"
           "  function OnSetup(s) { print(\"OnSetup \" + greeting); " +
           onSetup +
           " }\n"
           "  function OnSetupDone(s) { print(\"OnSetupDone\"); }\n"
           "  function OnReset(s) { print(\"OnReset\"); }\n"
           "  function OnUpdate(s) { frames++; " +
           onUpdate +
           " }\n"
           "  function OnRenderUI(s) { if (frames == 1) print(\"first frame UI\"); }\n"
           "  function OnDelete(s) { print(\"frames>0 \" + (frames > 0)); } }\n";
}

// The scene's load, and its script's lines over a whole run.
const std::string LoadingScene = "[H] Loading scene 't.zms' (flag: -1)";
const ExpectedLine SceneLoaded = Matching("Done loading scene in [0-9]+\\.[0-9]{3}ms\\.");
const std::vector<ExpectedLine> SceneRunLines = {
    "[S] ctor default", "[S] OnSetup hi",     "[S] OnSetupDone",   "[H] Scene reset",
    "[S] OnReset",      "[S] first frame UI", "[S] frames>0 true",
};

// t.zms on the null devices for one second, then the extra arguments.
std::vector<std::string> SceneRun(std::vector<std::string> extra = {}) {
    std::vector<std::string> arguments = {"t.zms", "-r", "none", "-m", "none", "-time_live", "1"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return arguments;
}
const std::string Config640 = "<ZML=1.0> <Width=640> <Height=480>\n";

std::string U32(uint32_t value) {
    return std::string{char(value), char(value >> 8), char(value >> 16), char(value >> 24)};
}

// A ZARC archive holding the files as raw entries.
std::string ArchiveOf(const std::vector<FixtureFile>& files) {
    std::string bytes = "CRAZ";
    for (const FixtureFile& file : files)
        bytes += U32(uint32_t(file.path.size())) + file.path + std::string(1, '\0') +
                 U32(uint32_t(file.bytes.size())) + file.bytes;
    return bytes;
}

std::string ReadFile(const std::filesystem::path& path);

// The start-up script every data folder carries.
FixtureFile StartupScript() {
    return {"scriptlib/zad.nut", ReadFile(ZE_STARTUP_SCRIPT)};
}

// The core shader library of the "gl2" renderer, which a data folder carries.
FixtureFile CoreShaderLibrary() {
    return {"default_shaders.zml", ReadFile(ZE_GL_SHADER_LIBRARY)};
}

// A file of the shipped samples, under the name the row gives it.
FixtureFile SampleFile(const char* sample, const char* path) {
    return {path, ReadFile(std::string(ZE_SAMPLES) + "/" + sample)};
}

// The shipped scene sample's folder, as it stands: the scene, its scripts,
// the crate's and the floor's geometry and textures, and the landing sound.
std::vector<FixtureFile> SampleSceneFiles() {
    std::vector<FixtureFile> files;
    for (const char* name : {"crate.zms", "crate_scene.nut", "crate.nut", "crate.zge", "crate.tga",
                             "floor.zge", "floor.tga", "land.wav", "hills.raw", "hills_blend.tga", "grass.tga",
                             "sparks.zml"})
        files.push_back(SampleFile((std::string("scene/") + name).c_str(), name));
    return files;
}

// The shipped project's folder with the scene sample's in scene/, which the
// project finds through the search path: run it with SampleProjectArguments.
std::vector<FixtureFile> SampleProjectFiles() {
    std::vector<FixtureFile> files = {StartupScript()};
    for (const char* name : {"hello.zgp", "hello.nut", "hud.zns", "hud.nut"})
        files.push_back(SampleFile((std::string("hello/") + name).c_str(), name));
    for (FixtureFile file : SampleSceneFiles()) {
        file.path = "scene/" + file.path;
        files.push_back(std::move(file));
    }
    return files;
}

// The project on the given renderer, as tools/player.sh runs it, then the
// extra arguments.
std::vector<std::string> SampleProjectArguments(const char* renderer, std::vector<std::string> extra = {}) {
    std::vector<std::string> arguments = {"hello.zgp", "-P", "-r", renderer, "-m", "none", "-S", "scene"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return arguments;
}

// The crate game of the scene sample, which ends itself: every frame steps
// 20 ms, so its lines are the same on any machine.
const std::vector<ExpectedLine> SampleSceneGameLines = {
    "[S] Crate 2 drops.",
    "[S] Crate 3 drops.",
    "[S] Landed: crate on floor after 59 physics steps. Score: 1.",
    "[S] Landed: crate 2 on crate after 48 physics steps. Score: 2.",
    "[S] Crate 4 drops.",
    "[S] Landed: crate 3 on crate 2 after 44 physics steps. Score: 3.",
    "[S] Landed: crate 4 on crate 3 after 40 physics steps. Score: 4.",
    "[S] Game over: 4 of 4 crates landed.",
    "[S] Goodbye after 157 frames.",
};

// The sample scene with its scene script (class CrateScene) replaced.
std::vector<FixtureFile> SampleSceneWithScript(const std::string& script) {
    std::vector<FixtureFile> files = SampleSceneFiles();
    for (FixtureFile& file : files)
        if (file.path == "crate_scene.nut") file.bytes = script;
    return files;
}

// A project environment whose unit is the class P of the script.
std::string EnvironmentFile(const char* script) {
    return std::string("<ZML=1.0>\n<Environment=<Name=\"P\"><ScriptUnit=<Script=\"") + script +
           "\"><Class=\"P\">>>\n";
}

// A project that instantiates the sample scene, shows it in a layer and ends
// itself in its third frame.
const char* const SceneStackScript =
    "class P {\n"
    "  frames = 0;\n"
    "  function OnSetup(p) {\n"
    "    local scene = ProjectInstantiateScene(p, \"crate.zms\");\n"
    "    print(\"scene type \" + ProjectSceneGetType(scene) + \" named \" +"
    " SceneGetName(ProjectSceneGetInstance(scene)));\n"
    "    ProjectAddLayer(p, scene, 1.0);\n"
    "    print(\"layers \" + ProjectGetSceneLayerList(p, scene).len());\n"
    "  }\n"
    "  function OnUpdate(p) { if (++frames == 3) { print(\"ending after \" + frames + \" frames\"); ProjectEnd(p); } }\n"
    "  function OnClose(p) { print(\"closed after \" + frames + \" frames\"); }\n"
    "}\n";

template <typename T> std::vector<T> Concat(std::vector<T> first, const std::vector<T>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

CatalogueRow Row(std::string id, std::vector<std::string> arguments, std::vector<FixtureFile> files,
                 int exitCode, std::vector<ExpectedLine> lines, std::vector<ExpectedLine> forbidden = {},
                 std::vector<std::string> once = {}, std::string programName = {}) {
    return {std::move(id),    std::move(arguments), std::move(files), exitCode,
            std::move(lines), std::move(forbidden), std::move(once),  std::move(programName)};
}

// A ball dropped from 10 m onto a static floor at the physics frequency,
// with the units of ball.nut (class Ball) and floor.nut (class Floor).
std::string FallingBallScene(const std::string& frequency) {
    return "<ZML=1.0>\n<Scene=<Items=\n"
           "<MObject=<MItem=<Id=\"ball\"><UId=0><Active>\n"
           "  "
           "<PhysicItem=<Mode=\"Dynamic\"><Shapes=<PhysicShape=<Type=\"Sphere\"><Radius=0.5><Mass=1.0>>>>\n"
           "  <ScriptUnit=<Script=\"ball.nut\"><Class=\"Ball\">>>\n"
           "  <Object=<Item=<Position=<X=0.0><Y=10.0><Z=0.0>>>>>\n"
           "<MObject=<MItem=<Id=\"floor\"><UId=1><Active>\n"
           "  <PhysicItem=<Mode=\"Static\"><Shapes=<PhysicShape=<Type=\"Box\">"
           "<Dimensions=<X=20.0><Y=1.0><Z=20.0>><Mass=0.0>>>>\n"
           "  <ScriptUnit=<Script=\"floor.nut\"><Class=\"Floor\">>>\n"
           "  <Object=<Item=<Position=<X=0.0><Y=-0.5><Z=0.0>>>>>>\n"
           "<Physics=<Frequency=" +
           frequency + ">>>\n";
}

// The ball counts the physics steps until it touches down, which depends only
// on the scene's fixed step, and each item hears of the collision.
void AddPhysicsRows(std::vector<CatalogueRow>& rows) {
    const std::string ball =
        "class Ball { steps = 0; down = false;\n"
        "  function OnPhysicStep(item, physics) { steps++; }\n"
        "  function OnCollision(item, other) {\n"
        "    if (!down) print(\"ball down after \" + steps + \" steps\"); down = true; } }\n";
    const std::string floor = "class Floor { hit = false;\n"
                              "  function OnCollision(item, other) {\n"
                              "    if (!hit) print(\"floor hit by \" + typeof other); hit = true; } }\n";
    const struct {
        const char* id;
        const char* frequency;
        const char* steps;
    } cases[] = {{"60Hz", "60.0", "85"}, {"30Hz", "30.0", "43"}, {"120Hz", "120.0", "168"}};
    for (const auto& step : cases) {
        const std::string down = std::string("[S] ball down after ") + step.steps + " steps";
        rows.push_back(Row(std::string("PhysicsBallFallsOnTheFixedStep_") + step.id,
                           {"fall.zms", "-r", "none", "-m", "none", "-time_live", "4"},
                           {StartupScript(),
                            {"fall.zms", FallingBallScene(step.frequency)},
                            {"ball.nut", ball},
                            {"floor.nut", floor}},
                           0, {"[H] Scene reset", down, FreeingCaches, "Done."},
                           {"[*] Unknown tag 'Mode' in <zPhysicItem>.", Matching("\\[\\|\\] .*")},
                           {down, "[S] floor hit by CObject"}));
    }
    // OnCollisionEx's table: the sphere touches the floor's top (y = 0) at
    // one point, handed over as a Vector whose members and methods work.
    const std::string contactBall =
        "class Ball { seen = false;\n"
        "  function OnCollisionEx(item, other, contact, flag) {\n"
        "    if (seen) return; seen = true;\n"
        "    local p = contact.p[0], n = contact.n[0];\n"
        "    print(\"contact \" + contact.count + \" \" + typeof p + \" y \" + floor(p.y * 10 + 0.5) / 10 +\n"
        "          \" normal \" + floor(fabs(n.y) * 10 + 0.5) / 10 + \" \" + (fabs(n.Len() - 1.0) < 0.001)); } }\n";
    rows.push_back(Row("PhysicsContactTableHoldsVectors",
                       {"fall.zms", "-r", "none", "-m", "none", "-time_live", "3"},
                       {StartupScript(),
                        {"fall.zms", FallingBallScene("60.0")},
                        {"ball.nut", contactBall},
                        {"floor.nut", "class Floor {}\n"}},
                       0, {"[H] Scene reset", "[S] contact 1 Vector y 0 normal 1 true", FreeingCaches, "Done."},
                       {Matching("\\[\\|\\] .*")}, {"[S] contact 1 Vector y 0 normal 1 true"}));
}

// The shipped scene under a scene script of our own (same file and class
// name as the sample's): the script finds the crate through the scene,
// queues it for deletion with the queue held for the script, and sees its
// handle die when it flushes the queue itself.
void AddSceneScriptRows(std::vector<CatalogueRow>& rows) {
    const std::string script =
        "class CrateScene {\n"
        "  greeting = \"\"; crate = null; frames = 0;\n"
        "  function OnSetupDone(scene) {\n"
        "    crate = SceneFindItem(scene, \"crate\");\n"
        "    print(\"crate \" + ObjectIsValid(crate) + \", items \" + SceneGetItemList(scene).len()); }\n"
        "  function OnUpdate(scene) {\n"
        "    if (++frames == 2) {\n"
        "      SceneEnableItemDeletionQueue(scene, true); SceneDeleteItem(scene, crate);\n"
        "      print(\"queued \" + ObjectIsValid(crate));\n"
        "    } else if (frames == 3) {\n"
        "      print(\"after an update \" + ObjectIsValid(crate));\n"
        "      SceneFlushDeletionQueue(scene);\n"
        "      print(\"after the flush \" + ObjectIsValid(crate) + \", items \" + "
        "SceneGetItemList(scene).len());\n"
        "      print(\"found again \" + ObjectIsValid(SceneFindItem(scene, \"crate\")));\n"
        "      try { SceneDeleteItem(scene, crate); } catch (e) { print(e); } } } }\n";
    const std::vector<FixtureFile> files = SampleSceneWithScript(script);
    rows.push_back(
        Row("SampleSceneCrateDeletedByItsScene", {"crate.zms", "-r", "none", "-m", "none", "-time_live", "1"},
            files, 0,
            {"[H] Loading scene 'crate.zms' (flag: -1)", "[S] crate true, items 6", "[S] queued true",
             "[S] after an update true", "[S] after the flush false, items 5", "[S] found again false",
             "[S] Expected 'Item' got 'Deleted native'", FreeingCaches, "Done."},
            {MissingResources}, {"[S] queued true"}));
}

// The ball of the physics rows asks about itself, the floor and its scene
// through the CObject methods when it touches down: the player's scene hands
// scripts its 2D scene as well.
void AddCObjectRows(std::vector<CatalogueRow>& rows) {
    const std::string ball =
        "class Ball { told = false;\n"
        "  function OnCollision(item, other) {\n"
        "    if (told) return; told = true;\n"
        "    print(item.name() + \" hits \" + other.name());\n"
        "    print(\"mode \" + item.physicsMode() + \" shapes \" + item.collisionShapeCount() +\n"
        "          \" mass \" + item.collisionShape(0).mass());\n"
        "    local scene = item.scene();\n"
        "    print(\"frequency \" + scene.physicsFrequency() + \" ui \" + scene.ui().isValid());\n"
        "    print(\"found \" + scene.findItem(\"floor\").name()); } }\n";
    const std::string scene =
        "<ZML=1.0>\n<Scene=<Items=\n"
        "<MObject=<MItem=<Id=\"ball\"><UId=0><Active>\n"
        "  <PhysicItem=<Mode=\"Dynamic\"><Shapes=<PhysicShape=<Type=\"Sphere\"><Radius=0.5><Mass=1.0>>>>\n"
        "  <ScriptUnit=<Script=\"ball.nut\"><Class=\"Ball\">>>\n"
        "  <Object=<Item=<Position=<X=0.0><Y=10.0><Z=0.0>>>>>\n"
        "<MObject=<MItem=<Id=\"floor\"><UId=1><Active>\n"
        "  <PhysicItem=<Mode=\"Static\"><Shapes=<PhysicShape=<Type=\"Box\">"
        "<Dimensions=<X=20.0><Y=1.0><Z=20.0>><Mass=0.0>>>>>\n"
        "  <Object=<Item=<Position=<X=0.0><Y=-0.5><Z=0.0>>>>>>\n"
        "<Physics=<Frequency=30.0>>>\n";
    rows.push_back(Row("CObjectMethodsReachTheScene",
                       {"fall.zms", "-r", "none", "-m", "none", "-time_live", "3"},
                       {StartupScript(), {"fall.zms", scene}, {"ball.nut", ball}}, 0,
                       {"[H] Scene reset", "[S] ball hits floor", "[S] mode 3 shapes 1 mass 1",
                        "[S] frequency 30 ui true", "[S] found floor", FreeingCaches, "Done."},
                       {Matching("\\[\\|\\] .*")}, {"[S] ball hits floor"}));
}

// A lamp and a camera with script units of their own: the lamp's turns it
// red and off, the camera's widens its view to a quarter turn; each prints
// what it reads back, and a light native given the camera refuses it.
void AddLightAndCameraRows(std::vector<CatalogueRow>& rows) {
    const std::string scene = "<ZML=1.0>\n<Scene=<Items=\n"
                              "<MCamera=<MItem=<Id=\"eye\"><UId=0><Active>\n"
                              "  <ScriptUnit=<Script=\"eye.nut\"><Class=\"Eye\">>>\n"
                              "  <Camera=<Item=<Position=<X=0.0><Y=0.0><Z=0.0>>>>>\n"
                              "<MLight=<MItem=<Id=\"lamp\"><UId=1><Active>\n"
                              "  <ScriptUnit=<Script=\"lamp.nut\"><Class=\"Lamp\">>>\n"
                              "  <Light=<Item=<Position=<X=0.0><Y=5.0><Z=0.0>>><Type=\"Point\"><Range=50.0>>>>\n"
                              "<CurrentCamera=\"eye\">>\n";
    const std::string lamp = "class Lamp {\n"
                             "  function OnSetup(item) {\n"
                             "    local light = ItemCastToLight(item);\n"
                             "    LightSetDiffuseColor(light, Vector(1.0, 0.0, 0.0));\n"
                             "    LightSetDiffuseIntensity(light, 0.0);\n"
                             "    local c = LightGetDiffuseColor(light);\n"
                             "    print(\"lamp \" + c.x + \" \" + c.y + \" \" + c.z + \" at \" +\n"
                             "          LightGetDiffuseIntensity(light)); } }\n";
    const std::string eye = "class Eye {\n"
                            "  function OnSetup(item) {\n"
                            "    local camera = ItemCastToCamera(item);\n"
                            "    CameraSetFov(camera, 1.5707964);\n"
                            "    local s = CameraWorldToScreen(camera, Vector(0.0, 1.0, 10.0));\n"
                            "    print(\"eye \" + CameraGetFov(camera) + \" sees (0, 1, 10) at \" + s.x + \" \" + s.y);\n"
                            "    try { LightGetType(camera); } catch (e) { print(e); } } }\n";
    rows.push_back(Row("ScriptsTurnALightRedAndOffAndWidenTheCamera",
                       {"t.zms", "-r", "none", "-m", "none", "-time_live", "1"},
                       {StartupScript(), {"t.zms", scene}, {"lamp.nut", lamp}, {"eye.nut", eye}}, 0,
                       {LoadingScene, SceneLoaded, "[S] eye 1.5708 sees (0, 1, 10) at 0.5 0.45",
                        "[S] Expected 'Light' got 'Camera'", "[S] lamp 1 0 0 at 0", FreeingCaches, "Done."},
                       {MissingResources, Matching("\\[\\|\\] Exception.*")}));
}

// The shipped scene under a scene script of our own that asks the renderer
// (g_render, the null renderer at the default 1280 x 720) and the crate's
// geometry about themselves once the scene is set up.
void AddRendererAndGeometryRows(std::vector<CatalogueRow>& rows) {
    const std::string script =
        "class CrateScene {\n"
        "  greeting = \"\";\n"
        "  function OnSetupDone(scene) {\n"
        "    local geometry = ItemGetGeometry(SceneFindItem(scene, \"crate\"));\n"
        "    local box = GeometryGetMinMax(geometry);\n"
        "    print(\"geometry \" + GeometryGetName(geometry) + \", materials \" + "
        "GeometryGetMaterialCount(geometry) +\n"
        "          \", box \" + box.min.x + \" \" + box.max.y);\n"
        "    local viewport = RendererGetViewport(g_render);\n"
        "    print(\"viewport \" + viewport.z + \"x\" + viewport.w);\n"
        "    RendererSetControlFlag(g_render, RenderBloom, true);\n"
        "    print(\"bloom \" + RendererGetControlFlag(g_render, RenderBloom | RenderMotionBlur) + \", aspect \" + "
        "RendererSetGlobalAspectRatio(g_render, 2.0));\n"
        "    local statistics = RendererGetStatistics(g_render);\n"
        "    print(\"statistics \" + (\"object_sent\" in statistics) + \" \" + "
        "(typeof statistics.triangle_drawn));\n"
        "    try { GeometryGetName(g_render); } catch (e) { print(e); } } }\n";
    const std::vector<FixtureFile> files = SampleSceneWithScript(script);
    rows.push_back(Row("ScriptQueriesTheRendererAndAGeometry",
                       {"crate.zms", "-r", "none", "-m", "none", "-time_live", "1"}, files, 0,
                       {"[H] Loading scene 'crate.zms' (flag: -1)", "[S] geometry crate.zge, materials 1, box -0.5 0.5",
                        "[S] viewport 1280x720", "[S] bloom true, aspect 1", "[S] statistics true integer",
                        "[S] Expected 'Geometry' got 'Renderer'", FreeingCaches, "Done."},
                       {MissingResources, Matching("\\[\\|\\] .*")}, {"[S] viewport 1280x720"}));
}

// Scenes of our own over the trigger and constraint functions. A ball falls
// through a trigger: it hears its entry and exit once each, with steps inside
// between, and the trigger's unit sees it in the trigger's list only while it
// is inside. A ball hung 2 m below a static anchor stays there while a free
// one falls: a ray across the rope's end meets the hung ball's side.
void AddTriggerAndConstraintRows(std::vector<CatalogueRow>& rows) {
    const std::string sphere =
        "<PhysicItem=<Mode=\"Dynamic\"><Shapes=<PhysicShape=<Type=\"Sphere\"><Radius=0.5>"
        "<Mass=1.0>>>>";
    const std::string gateScene =
        "<ZML=1.0>\n<Scene=<Items=\n"
        "<Trigger=<MItem=<Id=\"gate\"><UId=0><Active><ScriptUnit=<Script=\"gate.nut\"><Class=\"Gate\">>>\n"
        "  <Item=<Position=<X=0.0><Y=0.0><Z=0.0>><Scale=<X=2.0><Y=2.0><Z=2.0>>>>\n"
        "<MObject=<MItem=<Id=\"ball\"><UId=1><Active><TriggerDetected>" +
        sphere +
        "\n  <ScriptUnit=<Script=\"ball.nut\"><Class=\"Ball\">>>\n"
        "  <Object=<Item=<Position=<X=0.0><Y=3.0><Z=0.0>>>>>>\n"
        "<Physics=<Frequency=60.0>>>\n";
    const std::string ball =
        "class Ball { inside = 0;\n"
        "  function OnEnterTrigger(item, trigger) { print(\"enter \" + ItemGetName(trigger)); }\n"
        "  function OnTrigger(item, trigger) { inside++; }\n"
        "  function OnExitTrigger(item, trigger) {\n"
        "    print(\"exit \" + ItemGetName(trigger) + \", inside for several steps \" + (inside > 1)); } }\n";
    const std::string gate = "class Gate {\n"
                             "  function OnItemEnter(trigger, item) { Report(trigger, item); }\n"
                             "  function OnItemExit(trigger, item) { Report(trigger, item); }\n"
                             "  function Report(trigger, item) {\n"
                             "    local t = ItemCastToTrigger(trigger);\n"
                             "    print(\"gate holds \" + TriggerGetItemList(t).len() + \", \" + "
                             "ItemGetName(item) + \" inside \" + TriggerTestItem(t, item)); } }\n";
    rows.push_back(Row("TriggerEnteredOnceAndLeftOnce",
                       {"gate.zms", "-r", "none", "-m", "none", "-time_live", "2"},
                       {StartupScript(), {"gate.zms", gateScene}, {"ball.nut", ball}, {"gate.nut", gate}}, 0,
                       {"[S] enter gate", "[S] gate holds 1, ball inside true",
                        "[S] exit gate, inside for several steps true", "[S] gate holds 0, ball inside false",
                        FreeingCaches, "Done."},
                       {Matching("\\[\\|\\] Exception.*")},
                       {"[S] enter gate", "[S] exit gate, inside for several steps true"}));

    auto object = [](const char* name, int uid, const std::string& physics, const char* x, const char* y) {
        return "<MObject=<MItem=<Id=\"" + std::string(name) + "\"><UId=" + std::to_string(uid) + "><Active>" +
               physics + ">\n  <Object=<Item=<Position=<X=" + x + "><Y=" + y + "><Z=0.0>>>>>\n";
    };
    const std::string ropeScene =
        "<ZML=1.0>\n<Scene=<ScriptUnit=<Script=\"rope.nut\"><Class=\"RopeScene\">>\n<Items=\n" +
        object("anchor", 0,
               "<PhysicItem=<Mode=\"Static\"><Shapes=<PhysicShape=<Type=\"Box\">"
               "<Dimensions=<X=0.2><Y=0.2><Z=0.2>><Mass=0.0>>>>",
               "0.0", "0.0") +
        object("ball", 1, sphere, "0.0", "-2.0") + object("free", 2, sphere, "5.0", "-2.0") +
        object("side", 3, "", "-5.0", "-2.0") + object("east", 4, "", "1.0", "0.0") +
        ">\n<Physics=<Frequency=60.0>>>\n";
    const std::string rope =
        "class RopeScene { steps = 0;\n"
        "  function OnSetupDone(scene) {\n"
        "    local anchor = SceneFindItem(scene, \"anchor\"), ball = SceneFindItem(scene, \"ball\");\n"
        "    local rope = SceneAddPointConstraint(scene, \"rope\", anchor, ball, ItemGetPosition(ball), "
        "ItemGetPosition(anchor));\n"
        "    print(\"rope \" + ObjectIsValid(rope));\n"
        "    try { ConstraintSetItemB(rope, scene); } catch (e) { print(e); } }\n"
        "  function OnPhysicStep(scene, physics) {\n"
        "    if (++steps != 90) return;\n"
        "    local r = SceneCollisionRaytrace(scene, ItemGetPosition(SceneFindItem(scene, \"side\")),\n"
        "                                     ItemGetPosition(SceneFindItem(scene, \"east\")), -1, 0, "
        "10.0);\n"
        "    print(\"the ray meets \" + ItemGetName(r.item) + \" at \" + format(\"%.2f\", r.d));\n"
        "    print(\"the free ball falls \" + (ItemGetSpeed(SceneFindItem(scene, \"free\")) > 10)); } }\n";
    rows.push_back(Row("ConstraintHoldsAHangingBall",
                       {"rope.zms", "-r", "none", "-m", "none", "-time_live", "3"},
                       {StartupScript(), {"rope.zms", ropeScene}, {"rope.nut", rope}}, 0,
                       {"[S] rope true", "[S] Expected 'Item' got 'Scene'", "[S] the ray meets ball at 4.50",
                        "[S] the free ball falls true", FreeingCaches, "Done."},
                       {Matching("\\[\\|\\] Exception.*")}, {"[S] the ray meets ball at 4.50"}));
}

// A scene script builds a window holding a text widget in its scene's 2D
// scene, reads back what it made, and deletes the window: the text widget's
// handle dies with it.
void AddUIScriptRows(std::vector<CatalogueRow>& rows) {
    const std::string onSetup =
        "local ui = SceneGetUI(s); local w = UIAddWindow(ui, 1, 10, 20, 300, 200);"
        " WindowSetTitle(w, \"Score\"); local sizer = UIAddVerticalSizerWidget(ui, 2);"
        " local t = UIAddStaticTextWidget(ui, 3, \"Points: 0\", \"default.ttf\");"
        " SizerAddWidget(sizer, t); WindowSetBaseWidget(w, sizer);"
        " TextSetText(WidgetToText(WindowGetChild(w, 3)), \"Points: 7\"); WindowForceLayout(w);"
        " local r = WidgetGetRect(WindowGetChild(w, 3));"
        " print(\"title \" + WindowGetTitle(w) + \", text found \" + ObjectIsSame(WindowGetChild(w, 3), t) +"
        " \", laid out \" + (r.ex > r.sx && r.ey > r.sy));"
        " UIDeleteWindow(ui, w); print(\"after delete \" + ObjectIsValid(t));"
        " try { TextSetText(t, \"x\"); } catch (e) { print(e); }";
    rows.push_back(Row("SceneScriptBuildsAWindowWithText", SceneRun(),
                       {StartupScript(), {"t.nut", SceneScript(onSetup)}}, 0,
                       {LoadingScene, "[S] title Score, text found true, laid out true", "[S] after delete false",
                        "[S] Expected 'Text Widget' got 'Deleted native'", FreeingCaches, "Done."},
                       {MissingResources}));
}

// The natives every project has, from an include run before the scene: the
// type and arity checks made before a native runs, the remainders, the shell
// command with its output in the log, the constants and a failed assertion.
void AddCoreNativeRows(std::vector<CatalogueRow>& rows) {
    const struct {
        const char* id;
        const char* script;
        int exitCode;
        std::vector<ExpectedLine> lines;
    } natives[] = {
        {"CoreNativePowOfFloats", "print(Pow(2.0, 3.0));", 0, {"[S] 8"}},
        {"CoreNativePowRefusesIntegers",
         "try { Pow(2, 3); } catch (e) { print(e); }",
         0,
         {"[S] parameter 1 has an invalid type 'integer' ; expected: 'float'"}},
        {"CoreNativeOneArgumentTooMany",
         "try { Mod(1, 2, 3); } catch (e) { print(e); }",
         0,
         {"[S] wrong number of parameters"}},
        {"CoreNativeRemainders",
         "print(Mod(-7, 3) + \" \" + AbsMod(-7, 3) + \" \" + Mod(-7, -3) + \" \" + AbsMod(-7, -3));",
         0,
         {"[S] -1 2 -1 -4"}},
        {"CoreNativeRemainderByZero",
         "try { Mod(1, 0); } catch (e) { print(e); }",
         0,
         {"[S] division by zero"}},
        {"CoreNativeShellExecute",
         "print(ShellExecute(\"echo\", \"hi\"));",
         0,
         {"[H] Execute command 'echo hi'", "", "hi", "[S] 0"}},
        {"CoreConstants",
         "print(EngineTypeDeletednative + \" \" + SystemClockFrequency);",
         0,
         {"[S] 1 10000"}},
        {"CoreNativeAssertionFails",
         "__Assert(true, \"fine\");\n__Assert(false, \"m\");",
         3,
         {"[!] Killing VM with reason 'Assertion failed'.", "[|] Call stack (Assertion failed 'm'):",
          "[|]   1: main() c.nut(2)", LoadingScene, FreeingCaches, "Done."}},
    };
    for (const auto& native : natives) {
        // A killed VM runs no callback of the scene.
        const bool killed = native.exitCode != 0;
        std::vector<ExpectedLine> lines = native.lines;
        if (!killed) lines.push_back("[S] OnSetup hi");
        std::vector<ExpectedLine> forbidden;
        if (killed) forbidden.push_back("[S] OnSetup hi");
        rows.push_back(Row(native.id, SceneRun({"-I", "c.nut"}), {StartupScript(), {"c.nut", native.script}},
                           native.exitCode, lines, forbidden));
    }
}

// A scene script keeps a game in a metafile: it builds the document, saves
// it, loads it into a second one and prints the typed values read back; a tag
// handle kept past its document's end is dead. The mixer's locks and a
// setter given the no-channel index from the same script.
void AddMetafileAndMixerRows(std::vector<CatalogueRow>& rows) {
    const std::string keep =
        "local doc = MetafileNew(); local game = MetafileAddRoot(doc, \"Game\");\n"
        "MetatagAddChildWithValue(game, \"Name\", \"hero\"); MetatagAddChildWithValue(game, \"Lives\", 3);\n"
        "MetatagAddChildWithValue(game, \"Speed\", 2.5); MetatagAddChildWithValue(game, \"Sound\", true);\n"
        "print(\"saved \" + MetafileSave(doc, \"save.zml\"));\n"
        "local back = MetafileNew(); print(\"loaded \" + MetafileLoad(back, \"save.zml\"));\n"
        "foreach (tag in MetatagGetChildren(MetafileGetTag(back, \"Game;\")))\n"
        "  print(MetatagGetName(tag) + \"=\" + MetatagGetValue(tag) + \" (\" + MetatagGetType(tag) + \")\");\n"
        "local lives = MetafileGetTypedTag(back, \"Game:Lives;\", 3); back = null;\n"
        "try { MetatagGetValue(lives); } catch (e) { print(e); }";
    rows.push_back(Row("SceneScriptKeepsAGameInAMetafile", SceneRun(),
                       {StartupScript(), {"t.zms", SceneFile}, {"t.nut", SceneScript(keep)}}, 0,
                       {"[S] OnSetup hi", "[S] saved true", "[S] loaded true", "[S] Name=hero (4)", "[S] Lives=3 (3)",
                        "[S] Speed=2.5 (1)", "[S] Sound=true (2)", "[S] Expected 'Metatag' got 'Deleted native'",
                        "[S] OnSetupDone", FreeingCaches, "Done."},
                       {Matching("\\[\\|\\] Exception.*")}));
    const std::string mix = "print(MixerChannelTryLock(g_mixer, 5) + \" \" + MixerChannelTryLock(g_mixer, 5));\n"
                            "MixerChannelUnlock(g_mixer, 5); print(\"again \" + MixerChannelTryLock(g_mixer, 5));\n"
                            "MixerChannelSetGain(g_mixer, -1, 0.5); MixerChannelSetGain(g_mixer, 64, 0.5);\n"
                            "print(\"state \" + MixerChannelGetState(g_mixer, 0x80000000));";
    rows.push_back(Row("SceneScriptLocksAMixerChannel", SceneRun(),
                       {StartupScript(), {"t.zms", SceneFile}, {"t.nut", SceneScript(mix)}}, 0,
                       {"[S] OnSetup hi", "[S] true false", "[S] again true", "[S] state 1", "[S] OnSetupDone",
                        FreeingCaches, "Done."},
                       {Matching("\\[\\|\\] Exception.*"), Matching("\\[!\\] Invalid mixer channel.*")}));
}

std::vector<CatalogueRow> Catalogue() {
    std::vector<CatalogueRow> rows;
    // No arguments, no bootstrap.txt anywhere: the usage, exit 1.
    rows.push_back(Row("B1_NoArgumentsShowsUsage", {}, {}, 1,
                       Concat({"[*] Could not access file 'bootstrap.txt'.",
                               "[H] Filesystem connecting to archive 'resource.ksa'...",
                               "[!] Failed to open archive 'resource.ksa'."},
                              UsageLines),
                       {}, {FreeingCaches}));
    // Every option that takes a value, as the last argument.
    const std::pair<const char*, const char*> valueOptions[] = {
        {"C", "-C: Missing configuration file path."},
        {"time_live", "-time_live: Missing mask."},
        {"log_level", "-log_level: Missing mask."},
        {"f", "-f: Missing root path."},
        {"A", "-A: Missing archive path."},
        {"r", "-r: Missing renderer id."},
        {"m", "-m: Missing mixer id."},
        {"S", "-S: Missing search path."},
        {"R", "-R: Missing raytracer output path."},
        {"Rw", "-Rw: Missing raytracer frame width."},
        {"Rh", "-Rh: Missing raytracer frame height."},
        {"Raa", "-Raa: Missing raytracer AA grid size."},
        {"I", "-I: Missing include path."},
    };
    for (const auto& option : valueOptions) {
        rows.push_back(Row(std::string("B2_MissingValue_") + option.first,
                           {"t.zms", "-r", "none", "-m", "none", std::string("-") + option.first}, {}, 1,
                           {std::string("[!] ") + option.second}, {UsageFirstLine, LoadingScene}));
    }
    rows.push_back(Row("B3_IncompleteStringDefine", {"t.zms", "-Ds", "a"}, {}, 1,
                       {"[!] -Ds: Incomplete key-value pair. (eg. -Ds my_var \"String Value\")"}));
    rows.push_back(Row("B3_IncompleteIntegerDefine", {"t.zms", "-Di", "a"}, {}, 1,
                       {"[!] -Di: Incomplete key-value pair. (eg. -Di my_var 5)"}));
    rows.push_back(Row("B3_IncompleteFloatDefine", {"t.zms", "-Df", "a"}, {}, 1,
                       {"[!] -Df: Incomplete key-value pair. (eg. -Df my_var 5.5)"}));
    rows.push_back(Row("B4_MixerFileWithoutPath", {"t.zms", "-Mf"}, {}, 1,
                       {"[!] -Mf: Missing mixer output file.", "[!] Unknown command line parameter '-Mf'"}));
    rows.push_back(Row("B5_DebuggerPortIsRefused", {"t.zms", "-d", "5"}, {}, 1,
                       {"[!] Unknown command line parameter '-d'"}));
    rows.push_back(
        Row("B5_UnknownOption", {"t.zms", "-x"}, {}, 1, {"[!] Unknown command line parameter '-x'"}));
    rows.push_back(Row("B6_FirstArgumentIsTheInput", {"-r", "none", "t.zms"}, {}, 1,
                       {"[!] Unknown command line parameter 'none'"}));
    rows.push_back(Row("B8_RendererList", {"t.zms", "-r", "list"}, {}, 2,
                       {"Available renderer ID:", "", "'none'\t\t\t\t: No video output.",
                        "'gl2'\t\t\t\t: OpenGL 2.0 based hardware renderer.",
                        "'egl2'\t\t\t\t: OpenGL ES 2.0 based hardware renderer.", ""}));
    rows.push_back(Row("B9_MixerList", {"t.zms", "-r", "none", "-m", "list"}, {}, 2,
                       {"Available mixer ID:", "", "'none'\t\t\t\t: No sound output.",
                        "'al'\t\t\t\t: OpenAL based hardware mixer.",
                        "'soft'\t\t\t\t: Platform independent software mixer.",
                        "'file' <output.wav>\t: Software mixer with output to file.", ""},
                       {"Available renderer ID:"}));
    rows.push_back(
        Row("B10_UnknownRenderer", {"t.zms", "-r", "bogus"}, {}, 2, {"[!] Unknown renderer id 'bogus'."}));
    rows.push_back(Row("B10_UnknownMixer", {"t.zms", "-r", "none", "-m", "bogus"}, {}, 2,
                       {"[!] Unknown mixer id 'bogus'."}));
    // The default renderer and mixer both open; then the scene is missing.
    rows.push_back(Row("DefaultDevicesAreBuilt", {"missing.zms"}, {}, 2,
                       {"[H] Starting OpenGL 3 renderer...", "Starting OpenAL1.1 mixer...", "64 mixer channel.",
                        "[*] Could not access file 'missing.zms'."},
                       {"[!] The renderer id 'gl2' is not available in this build.",
                        "[!] The mixer id 'al' is not available in this build."}));
    // "gl2" opens a window with its core shader library from the data folder
    // (SDL's offscreen driver, see RunPlayer) and runs the scene.
    rows.push_back(Row("Gl2RunsTheScene", {"t.zms", "-r", "gl2", "-m", "none", "-time_live", "1"},
                       {StartupScript(), CoreShaderLibrary()}, 0,
                       Concat({"[H] Starting OpenGL 3 renderer...", "No supersampling.", "No HDR support.",
                               "[H] Fetch GL extensions...", "Renderer instantiated with shader support.",
                               LoadingScene, SceneLoaded},
                              Concat(SceneRunLines, {FreeingCaches, "Done."})),
                       {"[!] Failed to load one or more core shader."}, {FreeingCaches, "Done."}));
    // "egl2" needs no shader library: its programs are generated.
    rows.push_back(Row("Egl2RunsTheScene", {"t.zms", "-r", "egl2", "-m", "none", "-time_live", "1"},
                       {StartupScript()}, 0,
                       Concat({"[H] Creating deferred buffers (1280x720)", LoadingScene, SceneLoaded},
                              Concat(SceneRunLines, {FreeingCaches, "Done."})),
                       {"[!] Shader compilation error (Vertex).", "[!] Shader compilation error (Fragment).",
                        "[!] Program link error."},
                       {FreeingCaches, "Done."}));
    // A player with no data folder of its own needs the library in the data.
    CatalogueRow noLibrary = Row(
        "Gl2WithoutItsShaderLibraryDoesNotOpen", {"t.zms", "-r", "gl2", "-m", "none"}, {StartupScript()}, 2,
        {"[H] Starting OpenGL 3 renderer...", "Renderer instantiated with shader support.",
         "[*] Could not access file 'default_shaders.zml'.", FreeingCaches, "Done."},
        {LoadingScene});
    noLibrary.ownDataFolder = false;
    rows.push_back(noLibrary);
    // The player's own data folder (share/kestrin beside its program's
    // folder) serves the start-up script, the library and the default font to
    // a data folder without them, from any working directory.
    rows.push_back(Row("Gl2FindsItsShaderLibraryInItsOwnDataFolder",
                       {"t.zms", "-r", "gl2", "-m", "none", "-time_live", "1"}, {}, 0,
                       Concat({"[H] Starting OpenGL 3 renderer...",
                               "Renderer instantiated with shader support.", LoadingScene, SceneLoaded},
                              Concat(SceneRunLines, {FreeingCaches, "Done."})),
                       {"[!] Failed to load one or more core shader.",
                        "[*] Could not access file 'default_shaders.zml'.", NoStartupScript, NoDefaultFont}));
    const FixtureFile startupProbe{"probe.nut", "print(\"MinMax \" + (\"MinMax\" in getroottable()));"};
    rows.push_back(Row("OwnDataFolderServesStartupScriptAndFont", SceneRun({"-I", "probe.nut"}),
                       {startupProbe}, 0,
                       {"[S] MinMax true", LoadingScene, "[S] OnSetup hi", FreeingCaches, "Done."},
                       {NoStartupScript, NoDefaultFont, "[!] Failed to open font file 'default.ttf'."}));
    // The data folder comes before the -S paths, and both before the
    // player's own folder.
    const FixtureFile dataFolderStartup{"scriptlib/zad.nut", "print(\"zad of the data folder\");"};
    const FixtureFile searchPathStartup{"more/scriptlib/zad.nut", "print(\"zad of the search path\");"};
    rows.push_back(Row("DataFolderStartupScriptComesFirst", SceneRun({"-S", "more", "-I", "probe.nut"}),
                       {dataFolderStartup, searchPathStartup, startupProbe}, 0,
                       {"[S] zad of the data folder", "[S] MinMax false", LoadingScene},
                       {"[S] zad of the search path"}));
    rows.push_back(Row("SearchPathStartupScriptComesBeforeTheOwnFolder",
                       SceneRun({"-S", "more", "-I", "probe.nut"}), {searchPathStartup, startupProbe}, 0,
                       {"[S] zad of the search path", "[S] MinMax false", LoadingScene}));
    // The default mixer "al" plays the run (on OpenAL Soft's null backend here).
    rows.push_back(Row("DefaultMixerRunsTheScene", {"t.zms", "-r", "none", "-time_live", "1"}, {}, 0,
                       {"Starting OpenAL1.1 mixer...", "Device: OpenAL Soft", "64 mixer channel.", "Done.",
                        LoadingScene, "[S] frames>0 true", FreeingCaches, "Done."}));
    // With the null devices the scene runs; shutdown runs once.
    rows.push_back(Row("NullDevicesRunTheScene", SceneRun(), {}, 0,
                       {LoadingScene, "[S] OnSetup hi", "[S] frames>0 true", FreeingCaches, "Done."}, {},
                       {FreeingCaches, "Done.", LoadingScene, "[S] OnSetup hi", "[S] frames>0 true"}));
    // The scene file's first root is read, and it must be "Scene".
    rows.push_back(
        Row("SceneFileWhoseFirstRootIsNotScene", SceneRun(),
            {StartupScript(), {"t.zms", "<ZML=1.0>\n<Other=1>\n" + SceneFile.substr(9)}}, 2,
            {"[!] Could not parse scene. Root tag id is incorrect (Other).", FreeingCaches, "Done."},
            {LoadingScene, "[S] ctor default"}));
    // With no run time, SIGINT or SIGTERM sent to a running scene ends the
    // run as Escape does: the loop leaves, the scene says goodbye, shutdown
    // runs once, exit 0. A signal stopped at SDL's own handler would leave
    // the run to the harness's timeout.
    const struct {
        const char* id;
        int signal;
    } stopSignals[] = {{"Terminate", SIGTERM}, {"Interrupt", SIGINT}};
    for (const auto& stop : stopSignals) {
        for (const char* renderer : {"none", "gl2"}) {
            CatalogueRow row =
                Row(std::string("SignalEndsTheRun_") + stop.id + "_" + renderer,
                    {"t.zms", "-r", renderer, "-m", "none"}, {StartupScript(), CoreShaderLibrary()}, 0,
                    Concat({LoadingScene, SceneLoaded}, Concat(SceneRunLines, {FreeingCaches, "Done."})), {},
                    {FreeingCaches, "Done.", "[S] frames>0 true"});
            row.signal = stop.signal;
            row.signalAfter = 1.0;
            row.signalWhen = "[S] first frame UI";
            rows.push_back(row);
        }
    }
    // The whole start-up in order, the script's callbacks, shutdown once, and
    // a run as long as asked.
    const std::string playerDirectory =
        std::string(PlayerPath).substr(0, std::string(PlayerPath).rfind('/') + 1);
    CatalogueRow fullRun =
        Row("B12_SceneRunsForItsRunTime", {"t.zms", "-r", "none", "-m", "none", "-time_live", "2"}, {}, 0,
            Concat({"[*] Could not access file '" + playerDirectory + "engine.cfg'.", LoadingScene,
                    SceneLoaded, "[H] Setup scene 't.zms'"},
                   Concat(SceneRunLines, {FreeingCaches, "Done."})),
            {}, {FreeingCaches, "Done.", "[S] OnSetup hi", "[S] OnReset"});
    fullRun.minSeconds = 2.0;
    fullRun.maxSeconds = 2.0 + RunTimeMargin;
    rows.push_back(fullRun);
    // A program name without a directory reads ./engine.cfg.
    rows.push_back(Row("ConfigBesideTheWorkingDirectory", SceneRun(), {}, 0,
                       {"[*] Could not access file './engine.cfg'.", LoadingScene}, {}, {}, "player"));
    // The configured size reaches the scene's script.
    const FixtureFile sizeScript{"t.nut", SceneScript("print(g_width + \"x\" + g_height);")};
    rows.push_back(Row("ConfigFoundInTheWorkingDirectory", SceneRun(),
                       {{"engine.cfg", Config640}, sizeScript}, 0, {LoadingScene, "[S] 640x480"},
                       {"[*] Could not access file './engine.cfg'."}, {}, "player"));
    rows.push_back(Row("ConfigByOption", SceneRun({"-C", "cfg640"}), {{"cfg640", Config640}, sizeScript}, 0,
                       {LoadingScene, "[S] 640x480"}, {"[*] Could not access file 'cfg640'."}));
    rows.push_back(Row("ConfigByOptionMissing", SceneRun({"-C", "absent.cfg"}), {sizeScript}, 0,
                       {"[*] Could not access file 'absent.cfg'.", LoadingScene, "[S] 1280x720"}));
    // Paths written on Windows: backslashes and another letter case.
    rows.push_back(
        Row("ConfigPathWrittenOnWindows", SceneRun({"-C", "Sub\\CFG640"}),
            {{"sub/cfg640", Config640}, sizeScript}, 0, {LoadingScene, "[S] 640x480"},
            {"[*] Could not access file 'Sub\\CFG640'.", "[*] Could not access file 'Sub/CFG640'."}));
    rows.push_back(Row(
        "SceneAndScriptPathsWrittenOnWindows", {"Data\\W.ZMS", "-r", "none", "-m", "none", "-time_live", "1"},
        {StartupScript(), {"data/w.zms", SceneFileOf("Scripts\\\\T.NUT")}, {"scripts/t.nut", SceneScript()}},
        0, Concat({"[H] Loading scene 'Data\\W.ZMS' (flag: -1)", SceneLoaded}, SceneRunLines),
        {"[!] Failed to locate script 'Scripts\\T.NUT'.", "[*] Could not access file 'Data\\W.ZMS'."}));
    // The scene file's AI path section: each motion becomes a path (one
    // without its Z channel gets no nodes); other children are reported.
    rows.push_back(Row("ScenePathsSectionIsRead", SceneRun(),
                       {{"t.zms", "<ZML=1.0>\n<Scene=<Paths=<Motion=<Id=\"flat\"><Channel=<Id=\"PositionX\">"
                                  "<Curve=<Knot=<Count=1><Knot=\"0:1\">>>>><Node=1>>>\n"}},
                       0,
                       {LoadingScene, "[!] Cannot convert motion to channel (missing X, Y or Z component).",
                        "[*] Unexpected tag 'Node' in <Paths>.", SceneLoaded}));
    // A size of 0 or below keeps the default, which the script sees.
    rows.push_back(
        Row("ConfigSizeNotPositiveKeepsTheDefault", SceneRun({"-C", "bad.cfg"}),
            {{"bad.cfg", "<ZML=1.0> <Width=-5> <Height=0>\n"}, sizeScript}, 0,
            {"[*] Width -5 in 'bad.cfg' is not a window size; keeping 1280.",
             "[*] Height 0 in 'bad.cfg' is not a window size; keeping 720.", LoadingScene, "[S] 1280x720"}));
    rows.push_back(Row("BrokenConfigIsReportedAndIgnored", SceneRun({"-C", "bad.cfg"}),
                       {{"bad.cfg", "<ZML=1.0><Width=640><Height="}, sizeScript}, 0,
                       {"[*] Failed to load metafile 'bad.cfg'.", LoadingScene, "[S] 1280x720"}));
    // Only errors pass: no warnings, no headers, no standard lines after the
    // banner, and no script lines.
    const ExpectedLine headerOrScript = Matching("\\[[HS]\\] .*");
    rows.push_back(Row(
        "B19_LogLevelErrorsOnly", SceneRun({"-log_level", "n!"}), {}, 0, {},
        {"[*] Could not access file './engine.cfg'.", SceneLoaded, FreeingCaches, "Done.", headerOrScript},
        {}, "player"));
    // A script error under a reduced mask: the "[|]" report always passes,
    // the kill line is an error.
    const FixtureFile failing{"bad.nut", "print(\"before\"); local a = null; a.x = 1;"};
    rows.push_back(Row("B19_ScriptErrorWithErrorsOnly", SceneRun({"-log_level", "n!", "-I", "bad.nut"}),
                       {StartupScript(), failing}, 3,
                       {"[|] Exception: trying to set 'null'",
                        "[|] Call stack (CS):", "[!] Killing VM with reason 'trying to set 'null''."},
                       {"[S] before", headerOrScript}));
    rows.push_back(Row("B19_ScriptErrorWithNothing", SceneRun({"-log_level", "x", "-I", "bad.nut"}),
                       {StartupScript(), failing}, 3, {"[|] Exception: trying to set 'null'"},
                       {"[S] before", "[!] Killing VM with reason 'trying to set 'null''.", headerOrScript}));
    // The scene's OnUpdate fails on the first frame: the report, the kill,
    // exit 3, and nothing more of the script.
    const FixtureFile failingUpdate{"t.nut", SceneScript("", "local a = null; a.x = 1;")};
    const std::vector<ExpectedLine> updateReport = {"[|] Exception: trying to set 'null'",
                                                    "[|] Call stack (CS):", "[|]   1: OnUpdate() t.nut(6)"};
    const std::string updateKill = "[!] Killing VM with reason 'trying to set 'null''.";
    rows.push_back(Row("B16_SceneUpdateFails", SceneRun(), {StartupScript(), failingUpdate}, 3,
                       Concat({"[S] OnReset"}, Concat(updateReport, {updateKill, FreeingCaches, "Done."})),
                       {MissingResources, "[S] first frame UI"}, {updateKill}));
    rows.push_back(Row("B19_SceneUpdateFailsWithErrorsOnly", SceneRun({"-log_level", "n!"}),
                       {StartupScript(), failingUpdate}, 3, Concat(updateReport, {updateKill}),
                       {headerOrScript, FreeingCaches}));
    rows.push_back(Row("B19_SceneUpdateFailsWithNothing", SceneRun({"-log_level", "x"}),
                       {StartupScript(), failingUpdate}, 3, updateReport, {headerOrScript, updateKill}));
    // Endless recursion in OnSetup or OnUpdate overflows the script stack: an
    // error like any other, reported with the whole call stack, and the kill.
    const std::string recursion = "function f(n) { return f(n + 1) + 1 }\n";
    const std::string overflowKill = "[!] Killing VM with reason 'stack overflow'.";
    // The outermost of the 200000 frames a thread may hold is the callback.
    const auto overflowReport = [&](const std::string& script, const std::string& callback, int line) {
        return std::vector<ExpectedLine>{"[|] Exception: stack overflow",
                                         "[|] Call stack (CS):",
                                         "[|]   1: f() " + script + "(1)",
                                         "[|]   199999: f() " + script + "(1)",
                                         "[|]   200000: " + callback + "() " + script + "(" + std::to_string(line) + ")",
                                         "[|] ",
                                         overflowKill};
    };
    rows.push_back(Row("SceneSetupOverflowsTheStack", SceneRun(),
                       {StartupScript(), {"t.nut", recursion + SceneScript("f(0);")}}, 3,
                       Concat({"[S] OnSetup hi"}, Concat(overflowReport("t.nut", "OnSetup", 4), {FreeingCaches, "Done."})),
                       {"[S] OnSetupDone", "[S] first frame UI"}, {overflowKill}));
    rows.push_back(Row("SceneUpdateOverflowsTheStack", SceneRun(),
                       {StartupScript(), {"t.nut", recursion + SceneScript("", "f(0);")}}, 3,
                       Concat({"[S] OnReset"}, Concat(overflowReport("t.nut", "OnUpdate", 7), {FreeingCaches, "Done."})),
                       {"[S] first frame UI"}, {overflowKill}));
    // The scene's script cannot be compiled, or does not declare the class.
    rows.push_back(
        Row("B17_SceneScriptDoesNotCompile", SceneRun(),
            {StartupScript(), {"t.nut", "class T { function OnSetup(s) { local 5 = 1; } }"}}, 3,
            {LoadingScene, "[!] Killing VM with reason 'expected 'IDENTIFIER''.", FreeingCaches, "Done."},
            {MissingResources}));
    rows.push_back(Row("B18_SceneClassMissing", SceneRun(),
                       {StartupScript(), {"t.zms", SceneFileOf("t.nut", "Nope")}}, 3,
                       {LoadingScene, "[!] Killing VM with reason 'Nope'.", FreeingCaches, "Done."},
                       {"[S] ctor default", "[S] OnSetup hi"}));
    // Scripting starts before the scene: the start-up script, the includes
    // with the globals set, then the defines.
    CatalogueRow noStartup = Row("StartupScriptMissing", SceneRun(), {}, 0,
                                 {NoDefaultFont, NoStartupScript, LoadingScene, "[S] OnSetup hi"});
    noStartup.ownDataFolder = false;
    rows.push_back(noStartup);
    const std::string globals =
        "print(g_width + \"x\" + g_height + \" \" + g_context_project + \" \" + typeof g_engine);";
    rows.push_back(Row("B13_IncludeSeesTheGlobals", SceneRun({"-I", "g.nut"}),
                       {StartupScript(), {"g.nut", globals}}, 0, {"[S] 1280x720 false CObject", LoadingScene},
                       {NoStartupScript}));
    // An include drives the engine: clock scale, a cache of its own (freed
    // at shutdown with the default one), a cached texture and the report.
    const FixtureFile engineScript{
        "e.nut",
        "EngineSetClockScale(g_engine, 0.0004); print(\"scale \" + EngineGetClockScale(g_engine));\n"
        "EngineSetClockScale(g_engine, 1.0);\n"
        "print(\"tool \" + (EngineGetToolMode(g_engine) == NoTool) + \" \" + g_platform);\n"
        "local cache = EngineNewResourceSet(g_engine); local before = EngineSetResourceCache(g_engine, cache);\n"
        "local t = EngineLoadTexture(g_engine, \"crate.tga\");\n"
        "print(\"texture \" + ObjectIsSame(t, EngineFindTexture(g_engine, \"crate.tga\")));\n"
        "EngineSetupResources(g_engine); EngineOutputCacheStatistics(g_engine);\n"
        "print(\"back \" + ObjectIsSame(EngineSetResourceCache(g_engine, before), cache));\n"};
    rows.push_back(Row("EngineCallsFromAnInclude", SceneRun({"-I", "e.nut"}),
                       {StartupScript(), engineScript, SampleFile("scene/crate.tga", "crate.tga")}, 0,
                       {"[S] scale 0", "[S] tool true 0", "[S] texture true",
                        "[*] EngineSetupResources() is deprecated.", "[H] Engine resource cache statistics",
                        "  - 0 geometries (CPU),", "  - 0 geometries (GPU),", "  - 0 textures (CPU),",
                        "  - 1 textures (GPU),", "  - 0 sounds.", "", "[S] back true", LoadingScene,
                        "[S] OnSetup hi", "Freeing 2 resource cache(s)...", "Done."},
                       {NoStartupScript, FreeingCaches}));
    rows.push_back(Row("B13_IncludeSeesTheConfiguredSize", SceneRun({"-I", "g.nut", "-C", "cfg640"}),
                       {StartupScript(), {"g.nut", globals}, {"cfg640", Config640}}, 0,
                       {"[S] 640x480 false CObject", LoadingScene}));
    rows.push_back(Row("B13_FloatWidthKeepsTheDefault", SceneRun({"-I", "g.nut", "-C", "cfg"}),
                       {StartupScript(), {"g.nut", globals}, {"cfg", "<ZML=1.0><Width=640.0>"}}, 0,
                       {"[S] 1280x720 false CObject", LoadingScene}));
    rows.push_back(Row("IncludePathWrittenOnWindows", SceneRun({"-I", "Scripts\\G.NUT"}),
                       {StartupScript(), {"scripts/g.nut", globals}}, 0,
                       {"[S] 1280x720 false CObject", LoadingScene},
                       {"[!] Failed to locate script 'Scripts\\G.NUT'."}));
    // The scene's OnSetup sees the output size, the clock frequency and the
    // scene context.
    const FixtureFile globalsScript{
        "t.nut",
        SceneScript("print(g_width + \"x\" + g_height + \" \" + g_clock_fq + \" \" + g_context_project);")};
    const struct {
        const char* id;
        std::vector<std::string> extra;
        std::vector<FixtureFile> files;
        const char* line;
    } sceneGlobals[] = {
        {"B13_SceneSeesTheGlobals", {}, {}, "[S] 1280x720 10000 false"},
        {"B13_SceneSeesTheConfiguredSize",
         {"-C", "cfg640"},
         {{"cfg640", Config640}},
         "[S] 640x480 10000 false"},
        {"B13_SceneFloatWidthKeepsTheDefault",
         {"-C", "cfg"},
         {{"cfg", "<ZML=1.0><Width=640.0>"}},
         "[S] 1280x720 10000 false"},
    };
    for (const auto& globalsCase : sceneGlobals) {
        std::vector<FixtureFile> files = globalsCase.files;
        files.push_back(globalsScript);
        rows.push_back(Row(globalsCase.id, SceneRun(globalsCase.extra), files, 0,
                           {"[S] OnSetup hi", globalsCase.line, "[S] OnSetupDone"}));
    }
    // Defines reach the scene's OnSetup with their types.
    rows.push_back(Row("B14_DefinesInSceneOnSetup",
                       SceneRun({"-Di", "n", "5", "-Df", "f", "2.5", "-Ds", "s", "hi"}),
                       {{"t.nut", SceneScript("print(typeof ::n); print(typeof ::f); print(typeof ::s);")}},
                       0, {"[S] OnSetup hi", "[S] integer", "[S] float", "[S] string"}));
    // Defines are set after the includes, so an include cannot read one; the
    // killed VM runs no scene callback and ends the run with exit 3.
    rows.push_back(Row(
        "B15_DefinesComeAfterTheIncludes", SceneRun({"-I", "inc.nut", "-Di", "x", "5"}),
        {StartupScript(), {"inc.nut", "print(\"x=\" + ::x);"}}, 3,
        {"[|] Exception: the index 'x' does not exist", "[|] Call stack (CS):", "[|]   1: main() inc.nut(1)",
         "[!] Killing VM with reason 'the index 'x' does not exist'.", LoadingScene, FreeingCaches, "Done."},
        {"[S] x=5", "[S] ctor default", "[S] OnSetup hi"}));
    // A resource the scene names is missing: the frame reports it, and so
    // does the end of the run; -ignore_missing runs on.
    const struct {
        const char* id;
        const char* item;
    } missingResources[] = {
        {"Texture", "<MLight=<MItem=<Id=\"lamp\"><UId=0><Active>><Light=<ProjectionMap=\"gone.tga\">>>"},
        {"Geometry", "<MObject=<MItem=<Id=\"box\"><UId=0><Active>><Object=<Geometry=\"gone.zge\">>>"},
        // A terrain without a "Blendmap" counts as missing its blend map.
        {"TerrainBlendMap", "<MTerrain=<MItem=<Id=\"land\"><UId=0><Active>><Terrain=<Width=4.0><Height=4.0>>>"},
    };
    for (const auto& missing : missingResources) {
        const FixtureFile scene{"m.zms", std::string("<ZML=1.0>\n<Scene=<Items=") + missing.item + ">>\n"};
        rows.push_back(
            Row(std::string("B21_Missing") + missing.id,
                {"m.zms", "-r", "none", "-m", "none", "-time_live", "1"}, {StartupScript(), scene}, 3,
                {"[H] Setup scene 'm.zms'", MissingResources, MissingResources, FreeingCaches, "Done."}));
        rows.push_back(Row(std::string("B21_Missing") + missing.id + "Ignored",
                           {"m.zms", "-r", "none", "-m", "none", "-time_live", "1", "-ignore_missing"},
                           {StartupScript(), scene}, 0, {"[H] Setup scene 'm.zms'", FreeingCaches, "Done."},
                           {MissingResources}));
    }
    // A terrain with its blend map (1024 pixels wide, as required) misses
    // nothing; a height file of the wrong size is reported and the run goes on.
    {
        std::string blendMap(18, '\0');
        blendMap[2] = 2;           // uncompressed true colour
        blendMap[13] = 4;          // width 1024
        blendMap[14] = 1;          // height 1
        blendMap[16] = 24;         // bits per pixel
        blendMap += std::string(1024 * 3, '\x40');
        const FixtureFile scene{
            "m.zms", "<ZML=1.0>\n<Scene=<Items=<MTerrain=<MItem=<Id=\"land\"><UId=0><Active>><Terrain="
                     "<Blendmap=\"blend.tga\"><Heightmap=<Width=4><Height=4><Ppm=1.0><Data=\"land.raw\">>>>>>\n"};
        rows.push_back(Row("B21_TerrainWithBlendMap", {"m.zms", "-r", "none", "-m", "none", "-time_live", "1"},
                           {StartupScript(), scene, {"blend.tga", blendMap}, {"land.raw", std::string(30, '\x01')}},
                           0,
                           {"[*] Corrupt heightmap data in land.raw, incorrect data size.",
                            "[H] Setup scene 'm.zms'", FreeingCaches, "Done."},
                           {MissingResources}));
    }
    rows.push_back(
        Row("B7_SceneFileAsProject", {"t.zms", "-P", "-r", "none", "-m", "none"}, {{"t.zms", SceneFile}}, 2,
            {"[!] Could not parse environment. Root tag id is incorrect (Scene)."}, {NoStartupScript}));
    rows.push_back(Row("B11_MissingScene", {"missing.zms", "-r", "none", "-m", "none"}, {}, 2,
                       {"[*] Could not access file 'missing.zms'.", FreeingCaches, "Done."},
                       {"[H] Loading scene 'missing.zms' (flag: -1)", "[H] Setup scene 'missing.zms'"},
                       {FreeingCaches, "Done."}));
    rows.push_back(Row("B11_MissingProject", {"missing.zgp", "-P", "-r", "none", "-m", "none"}, {}, 2,
                       {"[*] Could not access file 'missing.zgp'."}, {"Parsing ZML environment..."}));
    const std::string projectFile =
        "<ZML=1.0>\n<Environment=<Name=\"P\"><ScriptUnit=<Script=\"p.nut\"><Class=\"P\">>"
        "<Include=<URI=\"g.nut\">>>\n";
    const std::string projectScript =
        "class P { frames = 0;\n"
        "  constructor() { print(\"ctor \" + (\"g_context_project\" in getroottable())); }\n"
        "  function OnSetup(p) { print(\"OnSetup \" + g_context_project + \" \" + typeof p); }\n"
        "  function OnUpdate(p) { if (frames < 2) print(\"OnUpdate\"); }\n"
        "  function OnRender(p) { if (frames < 2) print(\"OnRender\"); frames++; }\n"
        "  function OnClose(p) { print(\"OnClose \" + (frames > 0)); } }\n";
    const FixtureFile projectInclude{"g.nut", "print(\"include of \" + typeof g_project);"};
    // The project's include runs when scripting starts, before the unit is
    // set up; g_context_project is set after the unit's constructor.
    rows.push_back(Row("B22_ProjectRuns", {"p.zgp", "-P", "-r", "none", "-m", "none", "-time_live", "1"},
                       {StartupScript(), {"p.zgp", projectFile}, {"p.nut", projectScript}, projectInclude}, 0,
                       {"Parsing ZML environment...", "[S] include of CObject", "[S] ctor false",
                        "[S] OnSetup true CObject", "[S] OnUpdate", "[S] OnRender", "[S] OnUpdate",
                        "[S] OnRender", "[S] OnClose true", FreeingCaches, "Done."},
                       {}, {"[S] OnSetup true CObject", "[S] OnClose true", FreeingCaches, "Done."}));
    rows.push_back(Row("B18_ProjectClassMissing",
                       {"p.zgp", "-P", "-r", "none", "-m", "none", "-time_live", "1"},
                       {StartupScript(), {"p.zgp", projectFile}, {"p.nut", "class Q {}"}, projectInclude}, 3,
                       {"Parsing ZML environment...", "[!] Killing VM with reason 'P'."}, {"[S] OnUpdate"}));
    rows.push_back(Row("B16_ProjectUpdateFails", {"p.zgp", "-P", "-r", "none", "-m", "none"},
                       {StartupScript(),
                        {"p.zgp", projectFile},
                        {"p.nut", "class P {\n  function OnUpdate(p) {\n    print(\"update\");\n"
                                  "    local a = null; a.x = 1; } }\n"},
                        projectInclude},
                       3,
                       {"[S] update", "[|] Exception: trying to set 'null'", "[|] Call stack (CS):",
                        "[|]   1: OnUpdate() p.nut(4)", "[!] Killing VM with reason 'trying to set 'null''."},
                       {"[!] Exiting due to missing resources."}, {"[S] update"}));
    const std::vector<std::string> projectRun = {"p.zgp", "-P", "-r", "none", "-m", "none", "-time_live", "1"};
    rows.push_back(Row("ProjectSetupOverflowsTheStack", projectRun,
                       {StartupScript(),
                        {"p.zgp", projectFile},
                        {"p.nut", recursion + "class P {\n  function OnSetup(p) { f(0); } }\n"},
                        projectInclude},
                       3, overflowReport("p.nut", "OnSetup", 3), {}, {overflowKill}));
    rows.push_back(Row("ProjectUpdateOverflowsTheStack", projectRun,
                       {StartupScript(),
                        {"p.zgp", projectFile},
                        {"p.nut", recursion + "class P {\n  function OnUpdate(p) {\n    print(\"update\");\n"
                                              "    f(0); } }\n"},
                        projectInclude},
                       3, Concat({"[S] update"}, overflowReport("p.nut", "OnUpdate", 5)), {}, {"[S] update", overflowKill}));
    rows.push_back(Row(
        "ArchiveSourceMissing", {"t.zms", "-r", "none", "-m", "none", "-A", "absent.ksa"}, {}, 2,
        {"[H] Filesystem connecting to archive 'absent.ksa'...", "[!] Failed to open archive 'absent.ksa'."},
        {LoadingScene}));
    // The scene and its script come from the archive only.
    rows.push_back(
        Row("ArchiveSourceConnects", SceneRun({"-A", "data.ksa"}),
            {{"data.ksa", ArchiveOf({{"t.zms", SceneFile}, {"t.nut", SceneScript()}})}}, 0,
            Concat({"[H] Filesystem connecting to archive 'data.ksa'...", LoadingScene}, SceneRunLines),
            {"[!] Failed to open archive 'data.ksa'."}));
    // bootstrap.txt: the command line comes from the file, which cannot name
    // the null devices, so the run opens the default ones: on disk it then
    // misses its scene; inside the archive "gl2" misses its shader library.
    rows.push_back(Row("B23_BootstrapOnDisk", {}, {{"bootstrap.txt", "<ZML=1.0><Input=\"t.zms\">"}}, 2,
                       {"Starting OpenAL1.1 mixer...", "[*] Could not access file 't.zms'."},
                       {UsageFirstLine, "[*] Could not access file 'bootstrap.txt'."}));
    rows.push_back(Row("BootstrapInTheArchive", {},
                       {{"resource.ksa", ArchiveOf({{"bootstrap.txt", "<ZML=1.0><Input=\"t.zms\">"}})}}, 2,
                       {"[*] Could not access file 'bootstrap.txt'.",
                        "[H] Filesystem connecting to archive 'resource.ksa'...",
                        "[H] Filesystem connecting to archive 'resource.ksa'...",
                        "[H] Starting OpenGL 3 renderer...", "[*] Could not access file 'default_shaders.zml'."},
                       {UsageFirstLine}));
    // Defines reach the project's OnSetup with their types.
    rows.push_back(Row("B14_DefinesInOnSetup",
                       {"p.zgp", "-P", "-r", "none", "-m", "none", "-time_live", "1", "-Di", "n", "5", "-Df",
                        "f", "2.5", "-Ds", "s", "hi"},
                       {StartupScript(),
                        {"p.zgp", projectFile},
                        {"p.nut", "class P { function OnSetup(p) { print(typeof ::n); print(typeof ::f); "
                                  "print(typeof ::s + \" \" + ::s); } }"},
                        projectInclude},
                       0, {"[S] integer", "[S] float", "[S] string hi"}));
    // A project script includes a second script (a missing one is an error it
    // catches) and asks for files: an empty file counts as missing.
    rows.push_back(Row("ProjectIncludesAScriptAndAsksForFiles", projectRun,
                       {StartupScript(),
                        {"p.zgp", projectFile},
                        {"p.nut", "class P { function OnSetup(p) {\n"
                                  "  Include(\"second.nut\"); print(\"second says \" + ::second);\n"
                                  "  print(\"exists \" + FileExists(\"second.nut\") + \" \" + FileExists(\"empty.txt\")"
                                  " + \" \" + FileExists(\"missing.txt\"));\n"
                                  "  try { Include(\"missing.nut\"); } catch (e)"
                                  " { print(\"caught \" + (e == \"Failed to include script 'missing.nut'.\\n\")); }\n"
                                  "  print(\"rand \" + SystemRand(0) + \" pow \" + Pow(2.0, 3.0) + \" \""
                                  " + SystemGetPlatform()); } }\n"},
                        {"second.nut", "::second <- \"hello\"; print(\"second runs\");"},
                        {"empty.txt", ""},
                        projectInclude},
                       0,
                       {"[S] second runs", "[S] second says hello", "[S] exists true false false",
                        "[!] Failed to locate script 'missing.nut'.", "[S] caught true", "[S] rand 0 pow 8 Win32",
                        FreeingCaches, "Done."},
                       {Matching("\\[!\\] Killing VM.*")}, {"[S] second runs"}));
    // Only errors pass: the project runs without a script or header line.
    rows.push_back(
        Row("B19_ProjectWithErrorsOnly",
            {"p.zgp", "-P", "-r", "none", "-m", "none", "-time_live", "1", "-log_level", "n!"},
            {StartupScript(), {"p.zgp", projectFile}, {"p.nut", projectScript}, projectInclude}, 0, {},
            {"[S] OnSetup true CObject", "[S] OnClose true", "Parsing ZML environment...", FreeingCaches}));
    // The shipped sample, as tools/player.sh runs it: the project shows the
    // crate game with a 2D layer of its own, moves the game's first crate,
    // casts a ray onto it, deletes it through the deletion queue and sees its
    // handle die, and ends itself once the game is over (-time_live only
    // bounds a run that would not).
    rows.push_back(Row("SampleProjectRuns", SampleProjectArguments("none", {"-time_live", "30"}),
                       SampleProjectFiles(), 0,
                       {"Parsing ZML environment...",
                        "[S] Hello from the project script.",
                        "[S] Output 1280x720, project context: true.",
                        "[H] Loading scene 'crate.zms' (flag: -1)",
                        "[S] Hello from the scene script.",
                        "[S] Output 1280x720, project context: true.",
                        "[S] The project's 2D layer shows its text.",
                        "[S] Found the crate in crate.zms.",
                        "[S] The project drew its first frame.",
                        "[S] First frame drawn.",
                        "[S] Moved the crate to (3, 0.5, 0).",
                        "[S] Landed: crate on floor after 11 physics steps. Score: 1.",
                        "[S] A ray from above hits the crate 9 m down.",
                        "[S] Crate 2 drops.",
                        "[S] The crate is queued for deletion, its handle valid: true.",
                        "[S] After the flush its handle is valid: false.",
                        "[S] Crate 3 drops.",
                        "[S] Landed: crate 2 on floor after 57 physics steps. Score: 2.",
                        "[S] Crate 4 drops.",
                        "[S] Landed: crate 3 on crate 2 after 50 physics steps. Score: 3.",
                        "[S] Landed: crate 4 on crate 3 after 49 physics steps. Score: 4.",
                        "[S] Game over: 4 of 4 crates landed.",
                        "[S] Ending the project after 191 frames.",
                        "[S] Goodbye from the project.",
                        "[S] Goodbye after 191 frames.",
                        FreeingCaches,
                        "Done."},
                       {MissingResources, Matching("\\[!\\] .*"), Matching("\\[\\|\\] .*")},
                       {"[S] Game over: 4 of 4 crates landed.", "[S] Goodbye from the project."}));
    // A project that pushes the sample scene as a layer and ends itself with
    // ProjectEnd: the frame that asked completes, no later frame starts, and
    // the run ends with 0 without -time_live.
    rows.push_back(Row("ProjectPushesTheSampleSceneAndEnds", {"p.zgp", "-P", "-r", "none", "-m", "none"},
                       Concat({StartupScript(), {"p.zgp", EnvironmentFile("p.nut")}, {"p.nut", SceneStackScript}},
                              SampleSceneFiles()),
                       0,
                       {"[H] Loading scene 'crate.zms' (flag: -1)", "[S] Hello from the scene script.",
                        "[S] scene type 1 named crate.zms", "[S] layers 1", "[S] First frame drawn.",
                        "[S] ending after 3 frames", "[S] closed after 3 frames", FreeingCaches, "Done."},
                       {Matching("\\[!\\] Killing VM.*")}, {"[S] ending after 3 frames"}));
    // The same sample drawn by "gl2" (SDL's offscreen driver, see RunPlayer)
    // in a small window, with the renderer's core library in the data.
    rows.push_back(Row("SampleProjectRunsOnGl2",
                       SampleProjectArguments("gl2", {"-time_live", "1", "-C", "small.cfg"}),
                       Concat(SampleProjectFiles(),
                              {CoreShaderLibrary(), {"small.cfg", "<ZML=1.0> <Width=160> <Height=120>\n"}}),
                       0,
                       {"[H] Starting OpenGL 3 renderer...", "Renderer instantiated with shader support.",
                        "Parsing ZML environment...", "[S] Hello from the project script.",
                        "[S] Output 160x120, project context: true.", "[S] The project's 2D layer shows its text.",
                        "[S] The project drew its first frame.", "[S] Goodbye from the project.", FreeingCaches,
                        "Done."},
                       {"[!] Failed to load one or more core shader."}));
    // The shipped scene sample, as tools/player.sh runs it: the crate game
    // plays to its end and ends the run itself.
    rows.push_back(Row("SampleSceneRuns", {"crate.zms", "-r", "none", "-m", "none", "-time_live", "30"},
                       SampleSceneFiles(), 0,
                       Concat<ExpectedLine>({"[H] Loading scene 'crate.zms' (flag: -1)", SceneLoaded,
                               "[S] Hello from the scene script.", "[S] Output 1280x720, project context: false.",
                               "Loading sound 'land.wav'.", "[H] Scene reset", "[S] First frame drawn."},
                              Concat<ExpectedLine>(SampleSceneGameLines, {FreeingCaches, "Done."})),
                       {MissingResources, Matching("\\[!\\] .*"), Matching("\\[\\|\\] .*")},
                       {"[S] Game over: 4 of 4 crates landed.", "[S] Crate 4 drops."}));
    // The sample scene with a crate script of its own: the crate's unit gets
    // the crate, reads its scale and sets it as its position (1, 1, 1), so it
    // lands sooner than from its 5 m; its speed and mass come from the body.
    {
        std::vector<FixtureFile> files = SampleSceneFiles();
        for (FixtureFile& file : files) {
            if (file.path != "crate.nut") continue;
            file.bytes = "class Crate { steps = 0; landed = false;\n"
                         "  function OnSetup(item) {\n"
                         "    print(\"found \" + ItemGetName(item) + \" of type \" + ItemGetType(item));\n"
                         "    ItemSetPosition(item, ItemGetScale(item)); ItemReset(item); }\n"
                         "  function OnPhysicStep(item, physics) { steps++; }\n"
                         "  function OnCollision(item, other) {\n"
                         "    if (landed) return; landed = true;\n"
                         "    print(\"landed after \" + steps + \" steps on \" + ItemGetName(other) + \", mass \" +\n"
                         "          ItemGetMass(item) + \", moving \" + (ItemGetSpeed(item) > 0)); } }\n";
        }
        rows.push_back(Row("SampleSceneCrateMovedByItsScript",
                           {"crate.zms", "-r", "none", "-m", "none", "-time_live", "2"}, files, 0,
                           {"[H] Loading scene 'crate.zms' (flag: -1)", SceneLoaded, "[S] found crate of type 2",
                            "[S] landed after 20 steps on floor, mass 1, moving true", FreeingCaches, "Done."},
                           {MissingResources, Matching("\\[\\|\\] Exception.*")}));
    }
    // The same scene, lit by its light, drawn by "gl2" in a small window.
    rows.push_back(Row("SampleSceneRunsOnGl2",
                       {"crate.zms", "-r", "gl2", "-m", "none", "-time_live", "1", "-C", "small.cfg"},
                       Concat(SampleSceneFiles(), {{"small.cfg", "<ZML=1.0> <Width=160> <Height=120>\n"}}), 0,
                       {"[H] Starting OpenGL 3 renderer...", "Renderer instantiated with shader support.",
                        "[H] Loading scene 'crate.zms' (flag: -1)", SceneLoaded,
                        "[S] Output 160x120, project context: false.", "[S] First frame drawn.",
                        Matching("\\[S\\] Goodbye after [0-9]+ frames\\."), FreeingCaches, "Done."},
                       {"[!] Failed to load one or more core shader.", Matching("\\[\\*\\] Light shader .*"),
                        Matching("\\[!\\] Cannot load shader .*"), MissingResources}));
    // The profiler overlay without its raster font: the pages write nothing
    // and the run ends normally, in scene and in project mode.
    rows.push_back(Row("ProfilerWithoutItsFontStillRuns", SceneRun({"-enable_profiler"}), {}, 0,
                       {LoadingScene, "[H] Scene reset", "[*] Could not access file 'fonts/arial.zml'.",
                        "[!] Failed to load raster font description file 'fonts/arial.zml'.",
                        "[S] frames>0 true", FreeingCaches, "Done."},
                       {}, {"[!] Failed to load raster font description file 'fonts/arial.zml'."}));
    rows.push_back(Row("ProjectProfilerWithoutItsFontStillRuns",
                       SampleProjectArguments("none", {"-time_live", "1", "-enable_profiler"}),
                       SampleProjectFiles(), 0,
                       {"Parsing ZML environment...", "[S] Hello from the project script.",
                        "[!] Failed to load raster font description file 'fonts/arial.zml'.",
                        "[S] The project drew its first frame.", FreeingCaches, "Done."}));
    // A scene holding an emitter with its particle model loads, sets the
    // emitter up and runs (under the null renderer the emitter is never
    // drawn, so it freezes after its first update).
    rows.push_back(Row("SceneWithAnEmitterRuns", {"e.zms", "-r", "none", "-m", "none", "-time_live", "1"},
                       {StartupScript(),
                        {"e.zms", "<ZML=1.0>\n<Scene=<Items=<MEmitter=<MItem=<Id=\"smoke\"><UId=0><Active>>"
                                  "<Emitter=<BirthRate=50><PoolSize=64><ParticleModel=\"fx/smoke.zml\">>>>>\n"},
                        {"fx/smoke.zml", "<ZML=1.0>\n<ParticleModel=<TTL=2><Damping=0.5>"
                                         "<Gravity=<X=0><Y=-1><Z=0>>>\n"}},
                       0, {"[H] Loading scene 'e.zms' (flag: -1)", SceneLoaded, "[H] Setup scene 'e.zms'",
                           FreeingCaches, "Done."},
                       {"[*] Unexpected <MEmitter> sub-tag in <Items>.",
                        Matching("\\[!\\] Failed to allocate emitter particle pool.*"),
                        Matching("\\[\\*\\] Unknown tag .*")}));
    AddPhysicsRows(rows);
    AddSceneScriptRows(rows);
    AddCObjectRows(rows);
    AddLightAndCameraRows(rows);
    AddRendererAndGeometryRows(rows);
    AddTriggerAndConstraintRows(rows);
    AddUIScriptRows(rows);
    AddCoreNativeRows(rows);
    AddMetafileAndMixerRows(rows);
    // Rows that run t.zms from the disk carry it and its script unless they
    // bring their own.
    for (CatalogueRow& row : rows) {
        if (row.arguments.empty() || row.arguments.front() != "t.zms") continue;
        if (std::find(row.arguments.begin(), row.arguments.end(), "-A") != row.arguments.end()) continue;
        for (const FixtureFile& fixture :
             {FixtureFile{"t.zms", SceneFile}, FixtureFile{"t.nut", SceneScript()}}) {
            const bool brought =
                std::any_of(row.files.begin(), row.files.end(),
                            [&](const FixtureFile& file) { return file.path == fixture.path; });
            if (!brought) row.files.push_back(fixture);
        }
    }
    return rows;
}

// Test names and failure reports name a row by its id.
void PrintTo(const CatalogueRow& row, std::ostream* out) {
    *out << row.id;
}

struct RunResult {
    int exitCode = -1;
    bool timedOut = false;
    std::string output;
    std::string errors;
    double seconds = 0.0; // wall time of the run
};

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

// A player program of its own in directory/bin, with no data folder beside
// it: a hard link to the built one, or a copy where links cannot be made.
std::string PlayerWithoutDataFolder(const std::filesystem::path& directory) {
    const std::filesystem::path program = directory / "bin" / "player";
    std::filesystem::create_directories(program.parent_path());
    std::error_code failed;
    std::filesystem::create_hard_link(PlayerPath, program, failed);
    if (failed) std::filesystem::copy_file(PlayerPath, program, failed);
    return failed ? std::string() : program.string();
}

// Runs the player in directory with its output in two files there. Each
// "NAME=value" of overrides replaces that variable of the environment; watch,
// when given, is called while the player runs until it returns true.
RunResult RunPlayer(const std::filesystem::path& directory, const CatalogueRow& row,
                    const std::vector<std::string>& overrides = {},
                    const std::function<bool()>& watch = nullptr) {
    // GPU renderers draw on Mesa through SDL's offscreen driver: no X server.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    // Sound goes nowhere: OpenAL Soft's null backend, SDL's dummy driver.
    setenv("ALSOFT_DRIVERS", "null", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    RunResult result;
    const std::string program =
        row.ownDataFolder ? std::string(PlayerPath) : PlayerWithoutDataFolder(directory);
    if (program.empty()) {
        result.errors = "no copy of the player could be made";
        return result;
    }
    const std::string outPath = (directory / "stdout.txt").string();
    const std::string errPath = (directory / "stderr.txt").string();
    const std::string dir = directory.string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);

    std::vector<std::string> arguments{row.programName.empty() ? program : row.programName};
    arguments.insert(arguments.end(), row.arguments.begin(), row.arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(&argument[0]);
    argv.push_back(nullptr);

    // The GL driver's own allocations are still held at exit and cannot be
    // told apart from ours once it is unloaded: a run on a GPU renderer
    // keeps every sanitizer check but leak detection.
    std::vector<std::string> environment;
    auto overridden = [&overrides](const char* variable) {
        for (const std::string& entry : overrides) {
            const size_t length = entry.find('=') + 1;
            if (std::strncmp(variable, entry.c_str(), length) == 0) return true;
        }
        return false;
    };
    for (char** variable = environ; *variable; ++variable) {
        if (std::strncmp(*variable, "ASAN_OPTIONS=", 13) != 0 && !overridden(*variable))
            environment.push_back(*variable);
    }
    environment.insert(environment.end(), overrides.begin(), overrides.end());
    const char* asan = getenv("ASAN_OPTIONS");
    std::string asanOptions = std::string("ASAN_OPTIONS=") + (asan ? asan : "");
    // (The default renderer, without -r, is "gl2".)
    const bool gpu = std::find(row.arguments.begin(), row.arguments.end(), "gl2") != row.arguments.end() ||
                     std::find(row.arguments.begin(), row.arguments.end(), "egl2") != row.arguments.end() ||
                     std::find(row.arguments.begin(), row.arguments.end(), "-r") == row.arguments.end();
    if (gpu) asanOptions += asan && *asan ? ":detect_leaks=0" : "detect_leaks=0";
    environment.push_back(asanOptions);
    std::vector<char*> envp;
    for (std::string& variable : environment)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    pid_t pid = 0;
    int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        result.errors = std::string("posix_spawn: ") + std::strerror(spawned);
        return result;
    }
    const auto started = std::chrono::steady_clock::now();
    const auto deadline = started + RunTimeout;
    const auto signalAt = started + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                        std::chrono::duration<double>(row.signalAfter));
    bool signalSent = row.signal == 0;
    int status = 0;
    bool watched = !watch;
    for (;;) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (!signalSent && std::chrono::steady_clock::now() >= signalAt &&
            (row.signalWhen.empty() || ReadFile(outPath).find(row.signalWhen + "\n") != std::string::npos)) {
            kill(pid, row.signal);
            signalSent = true;
        }
        if (!watched) watched = watch();
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            result.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    result.output = ReadFile(outPath);
    result.errors += ReadFile(errPath);
    return result;
}

// A parameterised run in a fresh temporary directory of its own.
template <typename Param> class PlayerRunTest : public ::testing::TestWithParam<Param> {
  protected:
    void SetUp() override { ASSERT_FALSE(m_directory.empty()); }

    TemporaryDirectory m_temporary{"player_run", false};
    const std::filesystem::path& m_directory = m_temporary.Path();
};

using PlayerCatalogue = PlayerRunTest<CatalogueRow>;

// Writes the row's files into directory and runs the player there.
RunResult RunRow(const std::filesystem::path& directory, const CatalogueRow& row,
                 const std::vector<std::string>& overrides = {}, const std::function<bool()>& watch = nullptr) {
    for (const FixtureFile& file : row.files)
        WriteFile(directory / file.path, file.bytes);
    const auto start = std::chrono::steady_clock::now();
    RunResult run = RunPlayer(directory, row, overrides, watch);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return run;
}

// The exit code, the wall time and the console lines of a run against its row.
void ExpectConsole(const CatalogueRow& row, const RunResult& run) {
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, row.exitCode);
    if (row.maxSeconds > 0.0) {
        EXPECT_GE(run.seconds, row.minSeconds);
        EXPECT_LE(run.seconds, row.maxSeconds);
    }

    const std::vector<std::string> lines = SplitLines(run.output);
    const std::vector<ExpectedLine> expected = Concat(BannerLines, row.lines);
    size_t at = 0;
    for (const ExpectedLine& wanted : expected) {
        while (at < lines.size() && !wanted.Matches(lines[at]))
            ++at;
        EXPECT_LT(at, lines.size()) << "missing, or out of order: \"" << wanted.text << "\"";
        if (at == lines.size()) break;
        ++at;
    }
    for (const ExpectedLine& banned : row.forbidden) {
        for (const std::string& line : lines)
            EXPECT_FALSE(banned.Matches(line)) << "\"" << line << "\"";
    }
    for (const std::string& single : row.once) {
        size_t count = 0;
        for (const std::string& line : lines)
            count += line == single;
        EXPECT_EQ(count, 1u) << "\"" << single << "\"";
    }
}

TEST_P(PlayerCatalogue, Run) {
    const CatalogueRow& row = GetParam();
    RunResult run = RunRow(m_directory, row);
    SCOPED_TRACE("console:\n" + run.output + "\nerrors:\n" + run.errors);
    ExpectConsole(row, run);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, PlayerCatalogue, ::testing::ValuesIn(Catalogue()),
                         [](const ::testing::TestParamInfo<CatalogueRow>& info) { return info.param.id; });

// ---- Mixers: the sound a run makes, as data -------------------------------

// A scene at a fixed 0.02 s frame step that loads a sound, so the "file"
// mixer adds exactly 3840 bytes a frame after its first 16384.
const std::string SteppedSceneScript =
    "class T { function OnSetup(s) { EngineSetFixedDeltaFrame(g_engine, 0.02);\n"
    "  print(\"sound \" + (EngineLoadSound(g_engine, \"beep.wav\") != null)); } }\n";
const std::string StepLine = "Fixed mixer step: 3840 bytes (step = 200).";

// A 48 kHz mono WAV of the samples.
std::string MonoWav(const std::vector<int16_t>& samples) {
    const uint32_t bytes = uint32_t(samples.size() * 2);
    std::string wav = "RIFF" + U32(36 + bytes) + "WAVEfmt " + U32(16) + std::string("\x01\x00\x01\x00", 4) +
                      U32(48000) + U32(96000) + std::string("\x02\x00\x10\x00", 4) + "data" + U32(bytes);
    for (int16_t sample : samples)
        wav += std::string{char(sample & 0xff), char((sample >> 8) & 0xff)};
    return wav;
}

CatalogueRow MixerRow(std::string id, std::vector<std::string> arguments, std::vector<ExpectedLine> lines,
                      std::vector<FixtureFile> extra = {}) {
    std::vector<FixtureFile> files = {{"t.zms", SceneFile},
                                      {"t.nut", SteppedSceneScript},
                                      {"beep.wav", MonoWav(std::vector<int16_t>(480, 16384))}};
    files.insert(files.end(), extra.begin(), extra.end());
    return Row(std::move(id), std::move(arguments), std::move(files), 0, std::move(lines));
}

size_t CountLines(const std::string& output, const std::string& wanted) {
    const std::vector<std::string> lines = SplitLines(output);
    return size_t(std::count(lines.begin(), lines.end(), wanted));
}

// The first line a shell command prints, or "" when it cannot run.
std::string FirstLineOf(const std::string& command) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return "";
    char line[512] = {};
    const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
    pclose(pipe);
    std::string text = read ? line : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

bool SoxInstalled() {
    return std::system("command -v sox >/dev/null 2>&1 && command -v soxi >/dev/null 2>&1") == 0;
}

// The WAV of a "file" run: the header our own parser reads, the length that
// the frames fix, silence (nothing plays), and sox's view when it is here.
void ExpectSilentStepWav(const std::filesystem::path& path, const std::string& output) {
    const WavFile wav = ReadWavFile(path.string());
    const size_t frames = CountLines(output, StepLine);
    EXPECT_GT(frames, 0u);
    ExpectMixerWavHeader(wav, uint32_t(16384 + 3840 * frames));
    EXPECT_TRUE(std::all_of(wav.samples.begin(), wav.samples.end(), [](int16_t s) { return s == 0; }));
    if (!SoxInstalled()) return;
    const std::string file = "'" + path.string() + "'";
    EXPECT_EQ(FirstLineOf("soxi -r " + file), "48000");
    EXPECT_EQ(FirstLineOf("soxi -c " + file), "2");
    EXPECT_EQ(FirstLineOf("soxi -b " + file), "16");
    EXPECT_EQ(FirstLineOf("soxi -e " + file), "Signed Integer PCM");
    EXPECT_EQ(FirstLineOf("soxi -s " + file), std::to_string((16384 + 3840 * frames) / 4));
    // A data size beyond the file makes sox warn of a premature end.
    EXPECT_EQ(FirstLineOf("sox -V3 " + file + " -n 2>&1 | grep -i -E 'premature|warn'"), "");
    EXPECT_EQ(FirstLineOf("sox " + file + " -n stats 2>&1 | grep 'Max level'"),
              "Max level   0.000000  0.000000  0.000000");
}

class PlayerMixer : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_FALSE(m_directory.empty()); }

    TemporaryDirectory m_temporary{"player_mixer", false};
    const std::filesystem::path& m_directory = m_temporary.Path();
};

// "file" runs where there is no sound output at all, writes an exact WAV,
// and its one mixer object is deleted once (the sanitizers watch the exit).
TEST_F(PlayerMixer, FileMixerWritesTheFramesOfTheRun) {
    const CatalogueRow row = MixerRow("file", {"t.zms", "-r", "none", "-m", "file", "-Mf", "out.wav", "-time_live", "1"},
                                      {"[S] sound true", StepLine, FreeingCaches, "Done."});
    const RunResult run = RunRow(m_directory, row, {"SDL_AUDIODRIVER=no-such-driver"});
    SCOPED_TRACE("console:\n" + run.output.substr(0, 4000) + "\nerrors:\n" + run.errors);
    ExpectConsole(row, run);
    ExpectSilentStepWav(m_directory / "out.wav", run.output);
}

// Under -A the output goes to the disk, never into the read-only archive.
TEST_F(PlayerMixer, FileMixerOutputBesideAnArchive) {
    CatalogueRow row = MixerRow("archive", {"t.zms", "-r", "none", "-m", "file", "-Mf", "out.wav", "-time_live", "1",
                                            "-A", "data.ksa"},
                                {"[H] Filesystem connecting to archive 'data.ksa'...", "[S] sound true", StepLine});
    row.files = {{"data.ksa", ArchiveOf({{"t.zms", SceneFile},
                                         {"t.nut", SteppedSceneScript},
                                         {"beep.wav", MonoWav(std::vector<int16_t>(480, 16384))}})}};
    const RunResult run = RunRow(m_directory, row);
    SCOPED_TRACE("console:\n" + run.output.substr(0, 4000) + "\nerrors:\n" + run.errors);
    ExpectConsole(row, run);
    ExpectSilentStepWav(m_directory / "out.wav", run.output);
}

// An output that cannot be opened is reported; the mixer then needs a card,
// and without one the run goes on silent.
TEST_F(PlayerMixer, FileMixerOutputThatCannotBeOpened) {
    const CatalogueRow row = MixerRow(
        "unopened", {"t.zms", "-r", "none", "-m", "file", "-Mf", "no-dir/out.wav", "-time_live", "1"},
        {"[!] Failed to open mixer output file 'no-dir/out.wav'.",
         "[*] Mixer 'file' failed to open: no sound output.", "[S] sound true", FreeingCaches, "Done."});
    const RunResult run = RunRow(m_directory, row, {"SDL_AUDIODRIVER=no-such-driver"});
    SCOPED_TRACE("console:\n" + run.output.substr(0, 4000) + "\nerrors:\n" + run.errors);
    ExpectConsole(row, run);
    EXPECT_FALSE(std::filesystem::exists(m_directory / "no-dir"));
}

// "soft" plays through SDL: its disk driver writes what the card would hear.
TEST_F(PlayerMixer, SoftMixerPlaysThroughTheCard) {
    const CatalogueRow row =
        MixerRow("soft", {"t.zms", "-r", "none", "-m", "soft", "-time_live", "1"}, {"[S] sound true", "Done."});
    const RunResult run = RunRow(m_directory, row,
                                 {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=card.raw", "SDL_DISKAUDIODELAY=1"});
    SCOPED_TRACE("console:\n" + run.output.substr(0, 4000) + "\nerrors:\n" + run.errors);
    ExpectConsole(row, run);
    EXPECT_GT(std::filesystem::file_size(m_directory / "card.raw"), 0u);
}

// Without any sound output the default mixer "al" fails to open and the run
// goes on with the null mixer.
TEST_F(PlayerMixer, DefaultMixerWithoutSoundOutputRunsSilently) {
    const CatalogueRow row =
        MixerRow("silent", {"t.zms", "-r", "none", "-time_live", "1"},
                 {"Starting OpenAL1.1 mixer...", "[!] Failed to open default OpenAL device.",
                  "[*] Mixer 'al' failed to open: no sound output.", "[S] sound true", FreeingCaches, "Done."});
    const RunResult run = RunRow(m_directory, row, {"ALSOFT_DRIVERS=no-such-backend"});
    SCOPED_TRACE("console:\n" + run.output.substr(0, 4000) + "\nerrors:\n" + run.errors);
    ExpectConsole(row, run);
}

// ---- Sound from scripts: what a scene script plays, as WAV data -----------

// A WAV of 16-bit mono samples at the rate.
std::string MonoWavAt(uint32_t rate, const std::vector<int16_t>& samples) {
    std::string wav = MonoWav(samples);
    return wav.replace(24, 8, U32(rate) + U32(rate * 2));
}

// A sine of the frequency at 48 kHz, half a sample off so that no sample is 0.
std::vector<int16_t> Tone(double frequency, size_t frames) {
    std::vector<int16_t> samples(frames);
    for (size_t i = 0; i < frames; ++i)
        samples[i] =
            int16_t(std::lround(8000.0 * std::sin(2.0 * M_PI * frequency * (double(i) + 0.5) / 48000.0)));
    return samples;
}

// A stretch of frames that all sound (a non-zero sample) or are all silent.
struct Stretch {
    bool sounding;
    size_t first;
    size_t frames;
};

std::vector<Stretch> Stretches(const WavFile& wav) {
    std::vector<Stretch> stretches;
    for (size_t frame = 0; frame < wav.Frames(); ++frame) {
        const bool sounding = wav.Left(frame) != 0 || wav.Right(frame) != 0;
        if (stretches.empty() || stretches.back().sounding != sounding)
            stretches.push_back({sounding, frame, 0});
        ++stretches.back().frames;
    }
    return stretches;
}

std::vector<Stretch> SoundingStretches(const WavFile& wav) {
    std::vector<Stretch> sounding;
    for (const Stretch& stretch : Stretches(wav))
        if (stretch.sounding) sounding.push_back(stretch);
    return sounding;
}

// Every sounding frame holds left and right.
void ExpectSoundingFrames(const WavFile& wav, int16_t left, int16_t right) {
    size_t wrong = 0;
    for (size_t frame = 0; frame < wav.Frames(); ++frame)
        if ((wav.Left(frame) != 0 || wav.Right(frame) != 0) &&
            (wav.Left(frame) != left || wav.Right(frame) != right))
            ++wrong;
    EXPECT_EQ(wrong, 0u) << "frames other than " << left << ", " << right;
}

// The sound is heard once, for exactly the frames given.
void ExpectHeardOnce(const WavFile& wav, size_t frames) {
    const std::vector<Stretch> sounding = SoundingStretches(wav);
    ASSERT_EQ(sounding.size(), 1u);
    EXPECT_EQ(sounding[0].frames, frames);
}

// The check of a sound heard once for the frames, each frame left, right.
std::function<void(const WavFile&)> HeardOnceAs(size_t frames, int16_t left, int16_t right) {
    return [=](const WavFile& wav) {
        ExpectHeardOnce(wav, frames);
        ExpectSoundingFrames(wav, left, right);
    };
}

// Sign changes of the left channel over the frames of a stretch.
size_t ZeroCrossings(const WavFile& wav, const Stretch& stretch) {
    size_t crossings = 0;
    for (size_t frame = stretch.first + 1; frame < stretch.first + stretch.frames; ++frame)
        crossings += (wav.Left(frame - 1) < 0) != (wav.Left(frame) < 0);
    return crossings;
}

// What sox prints for the output: the first line of "sox out.wav -n <effects>"
// that matches the pattern, its runs of blanks made one.
std::string SoxLine(const std::string& file, const std::string& effects, const std::string& word) {
    return FirstLineOf("sox '" + file + "' -n " + effects + " 2>&1 | grep -E '" + word + "' | tr -s ' '");
}

// One run on the "file" mixer: its scene script's OnSetup and OnUpdate (the
// frame count in frames), the sounds it loads, the console lines, and the
// checks of the WAV by our parser and by sox.
struct SoundRow {
    std::string id;
    std::string onSetup;
    std::string onUpdate;
    std::vector<FixtureFile> sounds;
    std::vector<ExpectedLine> lines;
    std::vector<std::string> once;
    std::function<void(const WavFile&)> check;
    std::function<void(const std::string& file, const WavFile&)> soxCheck;
};

void PrintTo(const SoundRow& row, std::ostream* out) {
    *out << row.id;
}

// The scene script of a sound row: a fixed 0.02 s frame step, the mixer as m.
std::string SoundScript(const SoundRow& row) {
    return "class T { frames = 0; m = null; c = -1; s = null;\n"
           "  function OnSetup(scene) { EngineSetFixedDeltaFrame(g_engine, 0.02); m = g_mixer;\n" +
           row.onSetup + "\n }\n  function OnUpdate(scene) { frames++;\n" + row.onUpdate + "\n } }\n";
}

// An Ogg Vorbis tone of the audio tests' data (440 Hz at 44100 Hz) as tone.ogg.
FixtureFile OggTone(const std::string& name) {
    return {"tone.ogg", ReadFile(std::string(ZE_AUDIO_DATA) + "/" + name)};
}

const FixtureFile Beep = {"beep.wav", MonoWav(std::vector<int16_t>(4800, 16384))};
const FixtureFile Blip = {"blip.wav", MonoWav(std::vector<int16_t>(480, 16384))};
const std::string StartBeep = "c = MixerSoundStart(m, EngineLoadSound(g_engine, \"beep.wav\"));";
const std::string StartBlip = "c = MixerSoundStart(m, EngineLoadSound(g_engine, \"blip.wav\"));";

std::vector<SoundRow> SoundCatalogue() {
    std::vector<SoundRow> rows;
    // (16384 x 127 x 255) >> 15 at unity and centre pan: 16192.5 rounds down.
    rows.push_back({"UnityCentre",
                    StartBeep + " print(\"channel \" + c);",
                    "",
                    {Beep},
                    {"[S] channel 0"},
                    {},
                    HeardOnceAs(4800, 16192, 16192),
                    [](const std::string& file, const WavFile&) {
                        EXPECT_EQ(SoxLine(file, "stats", "Max level"),
                                  "Max level 0.494141 0.494141 0.494141");
                    }});
    rows.push_back({"UnityCentreNegative",
                    StartBeep,
                    "",
                    {{"beep.wav", MonoWav(std::vector<int16_t>(4800, -16384))}},
                    {},
                    {},
                    HeardOnceAs(4800, -16193, -16193),
                    [](const std::string& file, const WavFile&) {
                        EXPECT_EQ(SoxLine(file, "stats", "Min level"),
                                  "Min level -0.494171 -0.494171 -0.494171");
                    }});
    rows.push_back({"PanLeft",
                    StartBeep + " MixerChannelSetPanning(m, c, 0.0);",
                    "",
                    {Beep},
                    {},
                    {},
                    HeardOnceAs(4800, 32385, 0),
                    [](const std::string& file, const WavFile&) {
                        EXPECT_EQ(SoxLine(file, "remix 2 stats", "Max level"), "Max level 0.000000");
                        EXPECT_EQ(SoxLine(file, "remix 1 stats", "Max level"), "Max level 0.988312");
                    }});
    // 0.1 s of 1 kHz at pitch 2: 0.05 s of 2 kHz, 200 periods.
    rows.push_back(
        {"PitchTwoDoublesTheTone",
         "c = MixerSoundStart(m, EngineLoadSound(g_engine, \"tone.wav\")); MixerChannelSetPitch(m, c, 2.0);",
         "",
         {{"tone.wav", MonoWav(Tone(1000.0, 4800))}},
         {},
         {},
         [](const WavFile& wav) {
             const std::vector<Stretch> sounding = SoundingStretches(wav);
             ASSERT_EQ(sounding.size(), 1u);
             EXPECT_EQ(sounding[0].frames, 2400u);
             const double periods = double(ZeroCrossings(wav, sounding[0])) / 2.0;
             EXPECT_NEAR(periods / (double(sounding[0].frames) / 48000.0), 2000.0, 40.0);
         },
         [](const std::string& file, const WavFile& wav) {
             const std::vector<Stretch> sounding = SoundingStretches(wav);
             ASSERT_FALSE(sounding.empty());
             const std::string trim = "trim " + std::to_string(sounding[0].first) + "s " +
                                      std::to_string(sounding[0].frames) + "s remix 1 stat";
             const std::string line = SoxLine(file, trim, "Rough *frequency");
             ASSERT_EQ(line.rfind("Rough frequency: ", 0), 0u) << line;
             EXPECT_NEAR(std::stod(line.substr(17)), 2000.0, 40.0);
         }});
    // Looping a rising ramp of 480 frames: from its start to the end of the
    // run every 480 frames repeat the first 480, none silent, lost or doubled.
    std::vector<int16_t> ramp(480);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = int16_t(64 * (i + 1));
    rows.push_back(
        {"LoopRepeatHasNoGap",
         "c = MixerSoundStart(m, EngineLoadSound(g_engine, \"ramp.wav\")); MixerChannelSetLoopMode(m, c, 1);",
         "",
         {{"ramp.wav", MonoWav(ramp)}},
         {},
         {},
         [](const WavFile& wav) {
             const std::vector<Stretch> sounding = SoundingStretches(wav);
             ASSERT_EQ(sounding.size(), 1u);
             const size_t first = sounding[0].first;
             EXPECT_EQ(first + sounding[0].frames, wav.Frames());
             ASSERT_GT(sounding[0].frames, 10u * 480u);
             size_t wrong = 0;
             for (size_t frame = first + 1; frame < first + 480; ++frame)
                 wrong += wav.Left(frame) <= wav.Left(frame - 1);
             for (size_t frame = first + 480; frame < wav.Frames(); ++frame)
                 wrong += wav.Left(frame) != wav.Left(frame - 480);
             for (size_t frame = first; frame < wav.Frames(); ++frame)
                 wrong += wav.Left(frame) != wav.Right(frame);
             EXPECT_EQ(wrong, 0u);
         },
         nullptr});
    rows.push_back({"LoopModeFivePlaysOnceAndStops",
                    StartBlip + " MixerChannelSetLoopMode(m, c, 5);",
                    "if (frames == 10) print(\"state \" + MixerChannelGetState(m, c));",
                    {Blip},
                    {"[S] state 1"},
                    {"[*] Unimplemented SMix channel loop mode (5)."},
                    HeardOnceAs(480, 16192, 16192),
                    nullptr});
    // Muted from frame 5 to frame 15: ten frames of 960 are silent.
    rows.push_back(
        {"MuteThenUnmute",
         StartBlip + " MixerChannelSetLoopMode(m, c, 1);",
         "if (frames == 5) MixerMute(m); if (frames == 15) { MixerUnmute(m); print(\"unmuted\"); }",
         {Blip},
         {"[S] unmuted"},
         {},
         [](const WavFile& wav) {
             const std::vector<Stretch> stretches = Stretches(wav);
             ASSERT_GE(stretches.size(), 3u);
             const Stretch& muted = stretches[stretches.size() - 2];
             EXPECT_FALSE(muted.sounding);
             EXPECT_EQ(muted.frames, 10u * 960u);
             EXPECT_TRUE(stretches.back().sounding);
             EXPECT_EQ(SoundingStretches(wav).size(), 2u);
             ExpectSoundingFrames(wav, 16192, 16192);
         },
         nullptr});
    // 64 channels of one sound saturate; the 65th start finds none free.
    rows.push_back({"SixtyFifthStartIsRefused",
                    "s = EngineLoadSound(g_engine, \"blip.wav\"); for (local i = 0; i < 64; i++) c = "
                    "MixerSoundStart(m, s);\n print(\"64th \" + c + \", 65th \" + MixerSoundStart(m, s));",
                    "",
                    {Blip},
                    {"[S] 64th 63, 65th -1"},
                    {"[!] All channels in use."},
                    HeardOnceAs(480, 32767, 32767),
                    nullptr});
    rows.push_back({"SoundDurationInMilliseconds",
                    "print(\"duration \" + SoundGetDuration(EngineLoadSound(g_engine, \"half.wav\")));",
                    "",
                    {{"half.wav", MonoWavAt(44100, std::vector<int16_t>(22050, 0))}},
                    {"[S] duration 500"},
                    {},
                    [](const WavFile& wav) { EXPECT_TRUE(SoundingStretches(wav).empty()); },
                    nullptr});
    // The software mixer never reads a stream: the stream holds its channel
    // (the next sound takes channel 1) until the mixer closes, and only the
    // sound is heard.
    rows.push_back(
        {"OggStreamHoldsAChannelSilently",
         "print(\"stream \" + MixerStreamStart(m, \"tone.ogg\") + \", sound \" + "
         "MixerSoundStart(m, EngineLoadSound(g_engine, \"blip.wav\")));",
         "if (frames == 10) print(\"state \" + MixerChannelGetState(m, 0));",
         {OggTone("tone_mono.ogg"), Blip},
         {"[H] Opening stream 'tone.ogg'.", "SelectAudioDemuxer(): Using 'OGG Vorbis stream demuxer'.",
          "[H] OGG Vorbis audio stream 44100hz 16bit 1 channel(s).", "[S] stream 0, sound 1", "[S] state 1"},
         {"Stream interface decoder thread joined."},
         HeardOnceAs(480, 16192, 16192),
         nullptr});
    rows.push_back({"OggStreamOfAMissingFile",
                    "print(\"stream \" + MixerStreamStart(m, \"none.ogg\"));",
                    "",
                    {},
                    {"[!] Failed to open content stream.", "[S] stream -1"},
                    {"[!] Failed to open content stream."},
                    [](const WavFile& wav) { EXPECT_TRUE(SoundingStretches(wav).empty()); },
                    nullptr});
    return rows;
}

using PlayerSound = PlayerRunTest<SoundRow>;

// Every run also checks the header and the length that the frames fix.
TEST_P(PlayerSound, FileMixerWav) {
    const SoundRow& sound = GetParam();
    std::vector<FixtureFile> files = {StartupScript(), {"t.zms", SceneFile}, {"t.nut", SoundScript(sound)}};
    files.insert(files.end(), sound.sounds.begin(), sound.sounds.end());
    CatalogueRow row =
        Row(sound.id, {"t.zms", "-r", "none", "-m", "file", "-Mf", "out.wav", "-time_live", "1"}, files, 0,
            Concat(sound.lines, {FreeingCaches, "Done."}),
            {Matching("\\[\\|\\] Exception.*"), Matching("error: .*")}, sound.once);
    const RunResult run = RunRow(m_directory, row, {"SDL_AUDIODRIVER=no-such-driver"});
    SCOPED_TRACE("console:\n" + run.output.substr(0, 4000) + "\nerrors:\n" + run.errors);
    ExpectConsole(row, run);
    const std::string file = (m_directory / "out.wav").string();
    const WavFile wav = ReadWavFile(file);
    const size_t frames = CountLines(run.output, StepLine);
    EXPECT_GT(frames, 15u);
    ExpectMixerWavHeader(wav, uint32_t(16384 + 3840 * frames));
    sound.check(wav);
    if (!SoxInstalled()) return;
    EXPECT_EQ(FirstLineOf("soxi -s '" + file + "'"), std::to_string((16384 + 3840 * frames) / 4));
    if (sound.soxCheck) sound.soxCheck(file, wav);
}

INSTANTIATE_TEST_SUITE_P(Sounds, PlayerSound, ::testing::ValuesIn(SoundCatalogue()),
                         [](const ::testing::TestParamInfo<SoundRow>& info) { return info.param.id; });

// The 16-bit PCM of a WAV whose header is not the mixer's own (OpenAL Soft
// writes an extensible "fmt "): the chunks walked to "fmt " and "data".
struct CardWav {
    bool read = false;
    uint16_t formatTag = 0, channels = 0, bitsPerSample = 0;
    uint32_t sampleRate = 0;
    std::vector<int16_t> left;
};

CardWav ReadCardWav(const std::filesystem::path& path) {
    const std::string bytes = ReadFile(path);
    CardWav wav;
    auto u32 = [&bytes](size_t at) {
        return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 |
               uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24;
    };
    auto u16 = [&bytes](size_t at) { return uint16_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8); };
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return wav;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const std::string id = bytes.substr(at, 4);
        const size_t size = std::min<size_t>(u32(at + 4), bytes.size() - at - 8);
        if (id == "fmt " && size >= 16) {
            wav.formatTag = u16(at + 8);
            wav.channels = u16(at + 10);
            wav.sampleRate = u32(at + 12);
            wav.bitsPerSample = u16(at + 22);
        } else if (id == "data" && wav.channels > 0 && wav.bitsPerSample == 16) {
            for (size_t sample = at + 8; sample + 1 < at + 8 + size; sample += 2u * wav.channels)
                wav.left.push_back(int16_t(u16(sample)));
            wav.read = true;
            break;
        }
        at += 8 + size + (size & 1);
    }
    return wav;
}

// A run of "al" through OpenAL Soft's wave backend, which writes what the card
// would play in real time: the scene script and the files it plays, the
// console lines, and the card's 48 kHz stereo WAV.
void RunThroughWaveBackend(const std::filesystem::path& directory, const std::string& script,
                           const std::vector<FixtureFile>& sounds, const std::vector<ExpectedLine>& lines,
                           CardWav& wav) {
    const std::string config = (directory / "alsoft.conf").string();
    const std::string card = (directory / "card.wav").string();
    std::vector<FixtureFile> files = {
        StartupScript(),
        {"t.zms", SceneFile},
        {"t.nut", script},
        {"alsoft.conf", "[general]\nsample-type = int16\nchannels = stereo\nfrequency = 48000\n"
                        "[wave]\nfile = " +
                            card + "\n"}};
    files.insert(files.end(), sounds.begin(), sounds.end());
    const CatalogueRow row =
        Row("al", {"t.zms", "-r", "none", "-m", "al", "-time_live", "1"}, files, 0,
            Concat({"Starting OpenAL1.1 mixer..."}, Concat(lines, {FreeingCaches, "Done."})),
            {Matching("\\[\\*\\] Mixer 'al' failed.*"), Matching("error: .*")});
    const RunResult run = RunRow(directory, row, {"ALSOFT_DRIVERS=wave", "ALSOFT_CONF=" + config});
    SCOPED_TRACE("console:\n" + run.output.substr(0, 4000) + "\nerrors:\n" + run.errors);
    ExpectConsole(row, run);
    wav = ReadCardWav(card);
    ASSERT_TRUE(wav.read);
    EXPECT_EQ(wav.channels, 2u);
    EXPECT_EQ(wav.sampleRate, 48000u);
}

// The frames [first, end) of the card from its first loud sample to its last:
// the backend dithers, so silence is a sample or two, a tone far above it.
struct HeardStretch {
    size_t first = 0;
    size_t end = 0;
};

HeardStretch HeardOf(const CardWav& wav) {
    auto loud = [](int16_t s) { return std::abs(s) > 1000; };
    const auto heard = std::find_if(wav.left.begin(), wav.left.end(), loud);
    if (heard == wav.left.end()) return {};
    return {size_t(heard - wav.left.begin()),
            wav.left.size() -
                size_t(std::find_if(wav.left.rbegin(), wav.left.rend(), loud) - wav.left.rbegin())};
}

// The tone's frequency over frames from first, by our sign changes and, when
// sox is installed, by its rough frequency.
void ExpectCardTone(const CardWav& wav, const std::string& card, size_t first, size_t frames,
                    double frequency, double tolerance) {
    ASSERT_LE(first + frames, wav.left.size());
    size_t crossings = 0;
    for (size_t frame = first + 1; frame < first + frames; ++frame)
        crossings += (wav.left[frame - 1] < 0) != (wav.left[frame] < 0);
    EXPECT_NEAR(double(crossings) / 2.0 / (double(frames) / 48000.0), frequency, tolerance)
        << crossings << " sign changes in " << frames << " frames from " << first << " of "
        << wav.left.size();
    if (!SoxInstalled()) return;
    const std::string line =
        SoxLine(card, "trim " + std::to_string(first) + "s " + std::to_string(frames) + "s remix 1 stat",
                "Rough *frequency");
    ASSERT_EQ(line.rfind("Rough frequency: ", 0), 0u) << line;
    EXPECT_NEAR(std::stod(line.substr(17)), frequency, tolerance);
}

// The longest stretch of frames in [from, end) without a gap, a gap being 64
// or more frames in a row that are near silent: a starved stream may pause.
HeardStretch LongestGapless(const CardWav& wav, size_t from, size_t end) {
    HeardStretch longest, current{from, from};
    size_t quiet = 0;
    for (size_t frame = from; frame < end; ++frame) {
        quiet = std::abs(wav.left[frame]) < 500 ? quiet + 1 : 0;
        if (quiet == 64) {
            if (frame - 63 - current.first > longest.end - longest.first)
                longest = {current.first, frame - 63};
            current.first = frame + 1;
        } else if (quiet > 64) {
            current.first = frame + 1;
        }
    }
    if (quiet < 64 && end - current.first > longest.end - longest.first) longest = {current.first, end};
    return longest;
}

// A looping 1 kHz tone is heard at 1 kHz to the end.
TEST_F(PlayerMixer, AlMixerToneThroughTheWaveBackend) {
    const std::string script = "class T { function OnSetup(s) { local m = g_mixer;\n"
                               "  local c = MixerSoundStart(m, EngineLoadSound(g_engine, \"tone.wav\")); "
                               "MixerChannelSetLoopMode(m, c, 1);\n"
                               "  print(\"channel \" + c); } }\n";
    CardWav wav;
    RunThroughWaveBackend(m_directory, script, {{"tone.wav", MonoWav(Tone(1000.0, 4800))}}, {"[S] channel 0"},
                          wav);
    if (HasFatalFailure()) return;
    const HeardStretch heard = HeardOf(wav);
    ASSERT_GT(heard.end - heard.first, 24000u);
    ExpectCardTone(wav, (m_directory / "card.wav").string(), heard.first, heard.end - heard.first, 1000.0,
                   20.0);
}

// The scene script of a stream row: the Ogg tone started as a stream on
// OnSetup, then the lines of loop.
std::string StreamScript(const std::string& loop) {
    return "class T { function OnSetup(s) { local m = g_mixer;\n"
           "  local c = MixerStreamStart(m, \"tone.ogg\");\n" +
           loop + "\n  print(\"stream \" + c); } }\n";
}

// A streamed Ogg tone of 1.5 s is heard at its 440 Hz; the run is about a
// second long, so the tone plays to its end.
TEST_F(PlayerMixer, AlMixerOggStreamThroughTheWaveBackend) {
    CardWav wav;
    RunThroughWaveBackend(m_directory, StreamScript(""), {OggTone("tone_long.ogg")}, {"[S] stream 0"}, wav);
    if (HasFatalFailure()) return;
    const HeardStretch heard = HeardOf(wav);
    const HeardStretch gapless = LongestGapless(wav, heard.first, heard.end);
    ASSERT_GE(gapless.end - gapless.first, 9600u) << gapless.first << " to " << gapless.end;
    ExpectCardTone(wav, (m_directory / "card.wav").string(), gapless.first, 9600, 440.0, 15.0);
}

// A stream that loops from 0 goes on past its 0.25 s: heard still after
// three times its length, at its pitch in the first play and in later ones.
TEST_F(PlayerMixer, AlMixerLoopedOggStreamOutlastsTheFile) {
    CardWav wav;
    RunThroughWaveBackend(
        m_directory,
        StreamScript("  MixerChannelSetLoopMode(m, c, 1); MixerChannelSetLoopPosition(m, c, 0);"),
        {OggTone("tone_mono.ogg")}, {"[S] stream 0"}, wav);
    if (HasFatalFailure()) return;
    const HeardStretch heard = HeardOf(wav);
    const size_t fileFrames = 12000; // 0.25 s at 48 kHz
    ASSERT_GT(heard.end - heard.first, 3 * fileFrames)
        << "heard from " << heard.first << " to " << heard.end << " of " << wav.left.size();
    const std::string card = (m_directory / "card.wav").string();
    const HeardStretch first = LongestGapless(wav, heard.first, heard.first + fileFrames);
    ASSERT_GE(first.end - first.first, 2400u) << first.first << " to " << first.end;
    ExpectCardTone(wav, card, first.first, 2400, 440.0, 20.0);
    const HeardStretch later = LongestGapless(wav, heard.first + fileFrames + 1200, heard.end);
    ASSERT_GE(later.end - later.first, 4800u) << later.first << " to " << later.end;
    ExpectCardTone(wav, card, later.first, 4800, 440.0, 15.0);
}

// ---- Raytraced frames: -R writes every scene frame as a TGA file -----------

// The patch scene (tests/support/patch_scene.h).
const std::string RaytracedScene = PatchSceneFile;
const std::string PatchGeometry = PatchGeometryFile;

struct RaytraceRow {
    CatalogueRow run;
    std::string directory; // made before the run; empty: none
    // The size every frame must have; 0 x 0: no frame may be written.
    uint32_t width = 0;
    uint32_t height = 0;
};

void PrintTo(const RaytraceRow& row, std::ostream* out) {
    *out << row.run.id;
}

std::vector<RaytraceRow> RaytraceCatalogue() {
    const std::vector<FixtureFile> scene = {
        StartupScript(), {"t.zms", RaytracedScene}, {"patch.zml", PatchGeometry}};
    std::vector<RaytraceRow> rows;
    rows.push_back(
        {Row("B24_SceneRaytracedToNumberedFrames",
             {"t.zms", "-r", "none", "-m", "none", "-R", "out", "-Rw", "32", "-Rh", "24", "-time_live", "1"},
             scene, 0,
             {"[H] Raytracing frame 0 (32x24)...", "[H] Raytracing frame 1 (32x24)...", FreeingCaches,
              "Done."}),
         "out", 32, 24});
    // No -Rw, -Rh: the window's size (engine.cfg); an AA grid of 0 counts as 1.
    std::vector<FixtureFile> small = scene;
    small.push_back({"small.cfg", "<ZML=1.0> <Width=16> <Height=12>\n"});
    rows.push_back({Row("RaytracedFramesTakeTheWindowSize",
                        {"t.zms", "-r", "none", "-m", "none", "-C", "small.cfg", "-R", "frames", "-Raa", "0",
                         "-time_live", "1"},
                        small, 0, {"[H] Raytracing frame 0 (16x12)...", FreeingCaches, "Done."}),
                    "frames", 16, 12});
    // A directory that does not exist: each frame says so, the run goes on.
    rows.push_back(
        {Row("RaytraceIntoMissingDirectory",
             {"t.zms", "-r", "none", "-m", "none", "-R", "absent", "-Rw", "8", "-Rh", "8", "-time_live", "1"},
             scene, 0,
             {"[H] Raytracing frame 0 (8x8)...", "[!] Cannot write to 'absent/out_00000.tga'.", FreeingCaches,
              "Done."}),
         "", 0, 0});
    // Project mode draws as usual and raytraces nothing.
    rows.push_back(
        {Row("ProjectWithRaytracePathWritesNoFrame",
             SampleProjectArguments("none", {"-R", "out", "-Rw", "32", "-Rh", "24", "-time_live", "1"}),
             SampleProjectFiles(), 0, {"[S] The project drew its first frame.", FreeingCaches, "Done."},
             {"[H] Raytracing frame 0 (32x24)..."}),
         "out", 0, 0});
    return rows;
}

// The numbers of the out_NNNNN.tga files anywhere under directory, sorted.
std::vector<int> FrameNumbers(const std::filesystem::path& directory) {
    std::vector<int> numbers;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(directory)) {
        const std::string name = entry.path().filename().string();
        if (name.size() == 13 && name.compare(0, 4, "out_") == 0 && name.compare(9, 4, ".tga") == 0)
            numbers.push_back(std::stoi(name.substr(4, 5)));
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

uint32_t Word16At(const std::string& bytes, size_t at) {
    return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8;
}

// An uncompressed 32-bit TGA of that size, rows top first.
void ExpectFrameFile(const std::string& bytes, uint32_t width, uint32_t height) {
    ASSERT_EQ(bytes.size(), 18u + size_t(width) * height * 4);
    EXPECT_EQ(bytes[2], 2);
    EXPECT_EQ(Word16At(bytes, 12), width);
    EXPECT_EQ(Word16At(bytes, 14), height);
    EXPECT_EQ(bytes[16], 32);
    EXPECT_EQ(uint8_t(bytes[17]), 0x28);
}

// B, G, R, A of a pixel of a top-first 32-bit TGA.
std::vector<int> PixelOf(const std::string& bytes, uint32_t width, uint32_t x, uint32_t y) {
    const size_t at = 18 + (size_t(y) * width + x) * 4;
    return {uint8_t(bytes[at]), uint8_t(bytes[at + 1]), uint8_t(bytes[at + 2]), uint8_t(bytes[at + 3])};
}

using PlayerRaytrace = PlayerRunTest<RaytraceRow>;

TEST_P(PlayerRaytrace, Run) {
    const RaytraceRow& row = GetParam();
    if (!row.directory.empty()) std::filesystem::create_directories(m_directory / row.directory);
    RunResult run = RunRow(m_directory, row.run);
    SCOPED_TRACE("console:\n" + run.output + "\nerrors:\n" + run.errors);
    ExpectConsole(row.run, run);

    const std::vector<int> numbers = FrameNumbers(m_directory);
    if (row.width == 0) {
        EXPECT_TRUE(numbers.empty());
        return;
    }
    // One file per frame, numbered from 0 without gaps, each announced.
    ASSERT_FALSE(numbers.empty());
    size_t announced = 0;
    for (const std::string& line : SplitLines(run.output))
        announced += line.rfind("[H] Raytracing frame ", 0) == 0;
    EXPECT_EQ(numbers.size(), announced);
    for (size_t i = 0; i < numbers.size(); ++i)
        ASSERT_EQ(numbers[i], int(i));
    char name[32];
    for (int number : numbers) {
        std::snprintf(name, sizeof name, "out_%05d.tga", number);
        SCOPED_TRACE(name);
        const std::string bytes = ReadFile(m_directory / row.directory / name);
        ExpectFrameFile(bytes, row.width, row.height);
        if (HasFatalFailure()) return;
        // The patch fills the centre; the background shows in the corners.
        EXPECT_EQ(PixelOf(bytes, row.width, row.width / 2, row.height / 2),
                  (std::vector<int>{51, 102, 204, 255}));
        EXPECT_EQ(PixelOf(bytes, row.width, 0, 0), (std::vector<int>{255, 0, 0, 255}));
    }
}

INSTANTIATE_TEST_SUITE_P(Raytrace, PlayerRaytrace, ::testing::ValuesIn(RaytraceCatalogue()),
                         [](const ::testing::TestParamInfo<RaytraceRow>& info) { return info.param.run.id; });

// ---- Octree: a large geometry is cut into leaves and still shows the same ---

// A grid of columns x rows cells, two triangles each, facing the camera
// around the origin (2 wide, 1.5 high) with a gentle bump, so that the
// light shades every triangle a little differently.
std::string GridGeometry(int columns, int rows) {
    std::ostringstream out;
    out << "<ZML=1.0>\n<Geometry=\n"
           "  <Materials=<Material=<Id=\"m\"><Diffuse=<X=0.8><Y=0.4><Z=0.2><W=1.0>>>>\n"
        << "  <AVertex=<Count=" << (columns + 1) * (rows + 1) << "><Data=\n";
    for (int r = 0; r <= rows; ++r)
        for (int c = 0; c <= columns; ++c) {
            const double x = -1.0 + 2.0 * c / columns, y = -0.75 + 1.5 * r / rows;
            char vertex[96];
            std::snprintf(vertex, sizeof vertex, "    <V=<X=%.5f><Y=%.5f><Z=%.5f>>\n", x, y,
                          0.05 * std::sin(3.0 * x) * std::cos(3.0 * y));
            out << vertex;
        }
    out << "  >>\n  <APolygon=<Count=" << 2 * columns * rows << "><BindingCount=" << 6 * columns * rows
        << "><Data=\n";
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const int a = r * (columns + 1) + c, b = a + 1, d = a + columns + 1, e = d + 1;
            out << "    <P=<Count=3><Material=0><Index=" << a << "><Index=" << b << "><Index=" << e << ">>\n"
                << "    <P=<Count=3><Material=0><Index=" << a << "><Index=" << e << "><Index=" << d << ">>\n";
        }
    out << "  >>\n>\n";
    return out.str();
}

// The grid of 10,000 triangles in front of the default camera, lit along
// the view; with a twin, a second, inactive object behind the camera shares
// the geometry, which then stays whole.
std::string GridScene(bool twin) {
    std::string scene = "<ZML=1.0>\n<Scene=<Items=\n"
                        "  <MObject=<MItem=<Id=\"grid\"><UId=1><Active>>\n"
                        "    <Object=<Item=<Position=<X=0.0><Y=0.0><Z=5.0>>><Geometry=\"grid.zml\">>>\n";
    if (twin)
        scene += "  <MObject=<MItem=<Id=\"twin\"><UId=3>>\n"
                 "    <Object=<Item=<Position=<X=0.0><Y=0.0><Z=-50.0>>><Geometry=\"grid.zml\">>>\n";
    return scene + "  <MLight=<MItem=<Id=\"sun\"><UId=2><Active>><Light=<Type=\"Parallel\">>>>\n"
                   "<Globals=<BackgroundColor=<X=0.0><Y=0.0><Z=1.0>>>>\n";
}

TEST(PlayerOctree, RaytracedFramesOfTheLeavesMatchTheWholeGeometry) {
    const std::string grid = GridGeometry(50, 100);
    const ExpectedLine summary = Matching("Octree summary: [0-9]+ leaves referencing 10000 polygon\\(s\\)\\.");
    const std::string shared =
        "[*] Geometry 'grid.zml' should be optimized but will not be as it is used by more than one item.";
    const std::vector<std::string> arguments = {"t.zms", "-r",  "none", "-m", "none", "-R", "out",
                                                "-Rw",   "32", "-Rh",  "24", "-time_live", "1"};
    const CatalogueRow optimised =
        Row("GridOptimised", arguments, {StartupScript(), {"t.zms", GridScene(false)}, {"grid.zml", grid}}, 0,
            {LoadingScene, SceneLoaded, "[H] Setup scene 't.zms'", "   Generating octree for geometry 'grid.zml'.",
             summary, "[H] Raytracing frame 0 (32x24)...", FreeingCaches, "Done."},
            {shared, MissingResources});
    const CatalogueRow whole =
        Row("GridWhole", arguments, {StartupScript(), {"t.zms", GridScene(true)}, {"grid.zml", grid}}, 0,
            {LoadingScene, SceneLoaded, "[H] Setup scene 't.zms'", shared, "[H] Raytracing frame 0 (32x24)...",
             FreeingCaches, "Done."},
            {summary, MissingResources});

    std::vector<std::string> frames[2];
    const CatalogueRow* rows[2] = {&optimised, &whole};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(rows[i]->id);
        TemporaryDirectory temporary{"player_octree", false};
        ASSERT_FALSE(temporary.Path().empty());
        std::filesystem::create_directories(temporary.Path() / "out");
        RunResult run = RunRow(temporary.Path(), *rows[i]);
        SCOPED_TRACE("console:\n" + run.output + "\nerrors:\n" + run.errors);
        ExpectConsole(*rows[i], run);
        char name[32];
        for (int number : FrameNumbers(temporary.Path())) {
            std::snprintf(name, sizeof name, "out_%05d.tga", number);
            frames[i].push_back(ReadFile(temporary.Path() / "out" / name));
        }
        ASSERT_FALSE(frames[i].empty());
        ExpectFrameFile(frames[i][0], 32, 24);
    }
    // The grid fills the centre, the background the corners: a frame with
    // the object in it, the same bytes whichever way it was traced.
    EXPECT_EQ(PixelOf(frames[0][0], 32, 0, 0), (std::vector<int>{255, 0, 0, 255}));
    EXPECT_NE(PixelOf(frames[0][0], 32, 16, 12), (std::vector<int>{255, 0, 0, 255}));
    const size_t common = std::min(frames[0].size(), frames[1].size());
    for (size_t i = 0; i < common; ++i)
        EXPECT_TRUE(frames[0][i] == frames[1][i]) << "frame " << i;
}

// ---- Pictures: one scene drawn by "gl2" and by the raytracer ----------------
// The "gl2" frame is read from the screen of a private X server (Xvfb keeps
// it as an XWD file), the raytraced one from -R. Each region names what an
// object shows there; both renderers must give it the same colour.

// A closed box between two corners, each face wound as seen from outside,
// with one material of that diffuse colour.
std::string BoxGeometry(const char* material, const float low[3], const float high[3], const float colour[3]) {
    char number[32];
    auto text = [&number](float value) {
        std::snprintf(number, sizeof number, "%.2f", double(value));
        return std::string(number);
    };
    std::string out = "<ZML=1.0>\n<Geometry=\n  <Materials=<Material=<Id=\"" + std::string(material) +
                      "\"><Diffuse=<X=" + text(colour[0]) + "><Y=" + text(colour[1]) + "><Z=" + text(colour[2]) +
                      "><W=1.0>>>>\n  <AVertex=<Count=8><Data=\n";
    for (int corner = 0; corner < 8; ++corner) {
        out += "    <V=<X=" + text(corner & 1 ? high[0] : low[0]) + "><Y=" + text(corner & 2 ? high[1] : low[1]) +
               "><Z=" + text(corner & 4 ? high[2] : low[2]) + ">>\n";
    }
    out += "  >>\n  <APolygon=<Count=6><BindingCount=24><Data=\n";
    const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& face : faces) {
        out += "    <P=<Count=4><Material=0>";
        for (int index : face)
            out += "<Index=" + std::to_string(index) + ">";
        out += ">\n";
    }
    return out + "  >>\n>\n";
}

// A red box before a wider green one, both in one light, on a blue
// background. The near box comes first in the scene, so the far one is
// drawn after it. The script says when ten frames are on the screen.
// The effect rows add the camera's registry, children of the light, globals
// and renderer settings.
struct BoxPairSettings {
    std::string cameraRegistry; // children of the camera item's <Registry>
    std::string light;          // more children of <Light>
    std::string globals;        // more children of <Globals>
    std::string config;         // more keys of small.cfg
    std::string lightType = "Point";
};

std::vector<FixtureFile> BoxPairFiles(const BoxPairSettings& settings = {}) {
    const float nearLow[3] = {-1.0f, -1.0f, -1.0f}, nearHigh[3] = {1.0f, 1.0f, 1.0f};
    const float farLow[3] = {-3.5f, -2.5f, 4.0f}, farHigh[3] = {3.5f, 2.5f, 5.0f};
    const float red[3] = {1.0f, 0.1f, 0.1f}, green[3] = {0.1f, 1.0f, 0.1f};
    const std::string registry =
        settings.cameraRegistry.empty() ? "" : "<Registry=" + settings.cameraRegistry + ">";
    const std::string scene =
        "<ZML=1.0>\n<Scene=\n"
        "  <ScriptUnit=<Script=\"pair.nut\"><Class=\"Pair\">>\n"
        "  <Globals=<BackgroundColor=<R=0.0><G=0.0><B=0.5>><AmbientColor=<R=0.3><G=0.3><B=0.3>>" +
        settings.globals +
        ">\n"
        "  <Items=\n"
        "    <MCamera=<MItem=<Id=\"eye\"><UId=0><Active>>\n"
        "      <Camera=<Item=<Position=<X=0.0><Y=0.0><Z=-8.0>>" +
        registry +
        ">>>\n"
        "    <MLight=<MItem=<Id=\"lamp\"><UId=1><Active>>\n"
        "      <Light=<Item=<Position=<X=1.0><Y=2.0><Z=-6.0>>><Type=\"" +
        settings.lightType + "\"><Range=100.0>" + settings.light +
        ">>\n"
        "    <MObject=<MItem=<Id=\"near\"><UId=2><Active>><Object=<Geometry=\"near.zge\">>>\n"
        "    <MObject=<MItem=<Id=\"far\"><UId=3><Active>><Object=<Geometry=\"far.zge\">>>\n"
        "  >\n"
        "  <CurrentCamera=\"eye\">\n>\n";
    const std::string script = "class Pair { frames = 0;\n"
                               "  function OnUpdate(s) { frames++; }\n"
                               "  function OnRenderUI(s) { if (frames == 10) print(\"Frame 10 drawn.\"); } }\n";
    return {StartupScript(),
            {"pair.zms", scene},
            {"pair.nut", script},
            {"near.zge", BoxGeometry("red", nearLow, nearHigh, red)},
            {"far.zge", BoxGeometry("green", farLow, farHigh, green)},
            {"small.cfg", "<ZML=1.0> <Width=160> <Height=120>" + settings.config + "\n"}};
}

// RGB rows, top first.
struct Frame {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgb;
};

uint32_t BigWord32At(const std::string& bytes, size_t at) {
    return uint32_t(uint8_t(bytes[at])) << 24 | uint32_t(uint8_t(bytes[at + 1])) << 16 |
           uint32_t(uint8_t(bytes[at + 2])) << 8 | uint32_t(uint8_t(bytes[at + 3]));
}

// The rectangle (x, y, width, height) of a 32-bit XWD screen; empty when the
// file is not one or is too small.
Frame FrameOfScreen(const std::string& bytes, uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
    Frame frame;
    if (bytes.size() < 100 || BigWord32At(bytes, 44) != 32) return frame; // 32 bits a pixel
    const size_t pixels = size_t(BigWord32At(bytes, 0)) + size_t(BigWord32At(bytes, 76)) * 12;
    const uint32_t rowBytes = BigWord32At(bytes, 48);
    const bool lowFirst = BigWord32At(bytes, 28) == 0;
    if (x + width > BigWord32At(bytes, 16) || y + height > BigWord32At(bytes, 20) ||
        bytes.size() < pixels + size_t(y + height) * rowBytes)
        return frame;
    frame.width = width;
    frame.height = height;
    for (uint32_t row = y; row < y + height; ++row) {
        for (uint32_t column = x; column < x + width; ++column) {
            const size_t at = pixels + size_t(row) * rowBytes + size_t(column) * 4;
            // Masks 0xff0000, 0xff00, 0xff in a 32-bit word.
            for (int channel : {2, 1, 0})
                frame.rgb.push_back(uint8_t(bytes[at + (lowFirst ? channel : 3 - channel)]));
        }
    }
    return frame;
}

// A top-first 32-bit TGA as -R writes it; empty when it is not one.
Frame FrameOfTga(const std::string& bytes) {
    Frame frame;
    if (bytes.size() < 18 || bytes[2] != 2 || bytes[16] != 32) return frame;
    const uint32_t width = Word16At(bytes, 12), height = Word16At(bytes, 14);
    if (bytes.size() < 18 + size_t(width) * height * 4) return frame;
    frame.width = width;
    frame.height = height;
    for (size_t at = 18; at < 18 + size_t(width) * height * 4; at += 4)
        for (int channel : {2, 1, 0})
            frame.rgb.push_back(uint8_t(bytes[at + channel]));
    return frame;
}

// A part of the frame in fractions of its size, and the channel (0 red,
// 1 green, 2 blue) that must lead there.
struct PictureRegion {
    const char* name;
    float x0, y0, x1, y1;
    int leading;
};

// The mean colour of a region.
std::vector<double> MeanColour(const Frame& frame, const PictureRegion& region) {
    std::vector<double> sum(3, 0.0);
    const uint32_t x0 = uint32_t(region.x0 * frame.width), x1 = uint32_t(region.x1 * frame.width);
    const uint32_t y0 = uint32_t(region.y0 * frame.height), y1 = uint32_t(region.y1 * frame.height);
    for (uint32_t y = y0; y < y1; ++y)
        for (uint32_t x = x0; x < x1; ++x)
            for (int c = 0; c < 3; ++c)
                sum[c] += frame.rgb[(size_t(y) * frame.width + x) * 3 + c];
    const double count = double(x1 - x0) * double(y1 - y0);
    for (double& value : sum)
        value /= count;
    return sum;
}

struct PictureRow {
    std::string id;
    std::vector<FixtureFile> files;
    std::string scene;
    uint32_t width, height; // of the window (small.cfg) and the raytraced frame
    std::string readyLine;  // printed once the picture stands on the screen
    std::vector<PictureRegion> regions;
};

void PrintTo(const PictureRow& row, std::ostream* out) {
    *out << row.id;
}

std::vector<PictureRow> PictureCatalogue() {
    // The near box must not take the colour of the box behind it.
    return {{"NearBoxKeepsItsColourBeforeTheFarOneOnGl2",
             BoxPairFiles(),
             "pair.zms",
             160,
             120,
             "[S] Frame 10 drawn.",
             {{"near box", 0.42f, 0.40f, 0.58f, 0.60f, 0},
              {"far box beside it", 0.18f, 0.40f, 0.26f, 0.60f, 1},
              {"background", 0.0f, 0.0f, 0.08f, 0.08f, 2}}}};
}

// A "gl2" run of three seconds in a small window that prints readyLine.
CatalogueRow Gl2Row(const std::string& id, std::vector<FixtureFile> files, const std::string& scene,
                    const std::string& readyLine) {
    files.push_back(CoreShaderLibrary());
    return Row(id, {scene, "-r", "gl2", "-m", "none", "-C", "small.cfg", "-time_live", "3"}, std::move(files),
               0,
               {"[H] Starting OpenGL 3 renderer...", "Renderer instantiated with shader support.", readyLine,
                FreeingCaches, "Done."});
}

// "gl2" in a window of a private server, which the renderer places at
// (32, 32). The screen is read once the script's ready line is out, until
// two reads agree; an empty frame when it never was.
Frame DrawOnGl2(const std::filesystem::path& directory, const std::filesystem::path& screenDirectory,
                const std::string& id, std::vector<FixtureFile> files, const std::string& scene,
                const std::string& readyLine, uint32_t width, uint32_t height) {
    XvfbServer server(screenDirectory.string());
    EXPECT_TRUE(server.IsRunning());
    if (!server.IsRunning()) return Frame();
    const CatalogueRow drawn = Gl2Row(id, std::move(files), scene, readyLine);
    Frame screen;
    auto lastRead = std::chrono::steady_clock::now();
    auto watch = [&]() {
        if (std::chrono::steady_clock::now() - lastRead < std::chrono::milliseconds(100)) return false;
        lastRead = std::chrono::steady_clock::now();
        if (ReadFile(directory / "stdout.txt").find(readyLine) == std::string::npos) return false;
        Frame now = FrameOfScreen(ReadFile(screenDirectory / "Xvfb_screen0"), 32, 32, width, height);
        const bool steady = !now.rgb.empty() && now.rgb == screen.rgb;
        screen = std::move(now);
        return steady;
    };
    const RunResult run =
        RunRow(directory, drawn, {"DISPLAY=" + server.Display(), "SDL_VIDEODRIVER=x11"}, watch);
    SCOPED_TRACE("gl2 console:\n" + run.output + "\nerrors:\n" + run.errors);
    ExpectConsole(drawn, run);
    return screen;
}

class PlayerPictures : public ::testing::TestWithParam<PictureRow> {
  protected:
    void SetUp() override {
        ASSERT_FALSE(m_traced.Path().empty());
        ASSERT_FALSE(m_drawn.Path().empty());
        ASSERT_FALSE(m_screen.Path().empty());
    }

    TemporaryDirectory m_traced{"player_picture_rt", false};
    TemporaryDirectory m_drawn{"player_picture_gl", false};
    TemporaryDirectory m_screen{"player_picture_screen", false};
};

TEST_P(PlayerPictures, RenderersAgreeRegionByRegion) {
    const PictureRow& row = GetParam();
    const std::string size = std::to_string(row.width) + "x" + std::to_string(row.height);

    // The raytracer's first frame.
    std::filesystem::create_directories(m_traced.Path() / "out");
    const CatalogueRow traced =
        Row(row.id + "Raytraced", {row.scene, "-r", "none", "-m", "none", "-C", "small.cfg", "-R", "out",
                                   "-time_live", "1"},
            row.files, 0, {"[H] Raytracing frame 0 (" + size + ")...", FreeingCaches, "Done."});
    {
        const RunResult run = RunRow(m_traced.Path(), traced);
        SCOPED_TRACE("raytracer console:\n" + run.output + "\nerrors:\n" + run.errors);
        ExpectConsole(traced, run);
    }
    const Frame raytraced = FrameOfTga(ReadFile(m_traced.Path() / "out" / "out_00000.tga"));
    ASSERT_EQ(raytraced.width, row.width);
    ASSERT_EQ(raytraced.height, row.height);

    const Frame screen = DrawOnGl2(m_drawn.Path(), m_screen.Path(), row.id, row.files, row.scene,
                                   row.readyLine, row.width, row.height);
    ASSERT_EQ(screen.width, row.width);

    // Lights differ in detail between the renderers: a region's colour is
    // compared by its leading channel and its share of each channel.
    for (const PictureRegion& region : row.regions) {
        SCOPED_TRACE(region.name);
        const std::vector<double> gl = MeanColour(screen, region), rt = MeanColour(raytraced, region);
        std::ostringstream colours;
        colours << "gl2 (" << gl[0] << ", " << gl[1] << ", " << gl[2] << "), raytracer (" << rt[0] << ", " << rt[1]
                << ", " << rt[2] << ")";
        SCOPED_TRACE(colours.str());
        for (const std::vector<double>* colour : {&gl, &rt}) {
            const int leading = int(std::max_element(colour->begin(), colour->end()) - colour->begin());
            EXPECT_EQ(leading, region.leading);
        }
        const double glSum = gl[0] + gl[1] + gl[2] + 1.0, rtSum = rt[0] + rt[1] + rt[2] + 1.0;
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(gl[c] / glSum, rt[c] / rtSum, 0.1) << "channel " << c;
    }
}

INSTANTIATE_TEST_SUITE_P(Pictures, PlayerPictures, ::testing::ValuesIn(PictureCatalogue()),
                         [](const ::testing::TestParamInfo<PictureRow>& info) { return info.param.id; });

// ---- A script raytraces its scene into a TGA file -----------------------------

// The raytrace scene with a unit whose OnSetup traces it twice: into a frame
// of 32 x 24, and with a width of 0 (refused, no file).
TEST(PlayerScript, RaytracerTraceWritesATgaFile) {
    TemporaryDirectory temporary{"player_script_raytrace", false};
    ASSERT_FALSE(temporary.Path().empty());
    std::string scene = RaytracedScene;
    scene.insert(scene.find("<Scene=") + 7, "<ScriptUnit=<Script=\"t.nut\"><Class=\"T\">>\n");
    const std::string script = "class T { function OnSetup(s) {\n"
                               "  local rt = EngineNewRaytracer(g_engine);\n"
                               "  print(\"scene \" + RaytracerSetScene(rt, g_scene));\n"
                               "  print(\"traced \" + RaytracerTrace(rt, \"shot.tga\", 32, 24));\n"
                               "  print(\"narrow \" + RaytracerTrace(rt, \"none.tga\", 0, 24)); } }\n";
    const CatalogueRow row = Row("ScriptRaytracesATga", SceneRun(),
                                 {StartupScript(), {"t.zms", scene}, {"patch.zml", PatchGeometry}, {"t.nut", script}},
                                 0,
                                 {LoadingScene, SceneLoaded, "[S] scene true", "[S] traced true",
                                  "[!] Invalid raytrace frame size 0 x 24.", "[S] narrow false", FreeingCaches,
                                  "Done."},
                                 {MissingResources, Matching("\\[\\|\\] Exception.*")});
    RunResult run = RunRow(temporary.Path(), row);
    SCOPED_TRACE("console:\n" + run.output + "\nerrors:\n" + run.errors);
    ExpectConsole(row, run);
    EXPECT_FALSE(std::filesystem::exists(temporary.Path() / "none.tga"));
    const std::string bytes = ReadFile(temporary.Path() / "shot.tga");
    ExpectFrameFile(bytes, 32, 24);
    if (HasFatalFailure()) return;
    // The patch fills the centre; the background shows in the corners.
    EXPECT_EQ(PixelOf(bytes, 32, 16, 12), (std::vector<int>{51, 102, 204, 255}));
    EXPECT_EQ(PixelOf(bytes, 32, 0, 0), (std::vector<int>{255, 0, 0, 255}));
}

// ---- The shipped scene sample, raytraced as tools/player.sh does ------------

// The textures tell crate and floor apart: the crate's planks are orange (red
// well above green, green above blue), the floor's tiles blue-grey (as the
// sky behind them).
bool IsCratePixel(const std::vector<int>& bgra) {
    return bgra[2] > bgra[1] + 24 && bgra[1] > bgra[0] + 8;
}
bool IsFloorPixel(const std::vector<int>& bgra) {
    return bgra[0] > bgra[2] + 16 && bgra[1] > bgra[2];
}

// A project builds a picture (blue, a red corner clipped at the picture's
// edge), saves it as TGA and ends itself: the file holds those pixels.
TEST(PlayerProjectPicture, SavesTheTgaItBuilt) {
    const char* const script =
        "class P {\n"
        "  function OnSetup(p) {\n"
        "    local picture = PictureNew();\n"
        "    print(\"alloc \" + PictureAlloc(picture, 4, 2));\n"
        "    PictureFill(picture, Vector(0.0, 0.0, 1.0, 1.0));\n"
        "    local corner = Rect(); corner.sx = 2; corner.sy = 1; corner.ex = 9; corner.ey = 9;\n"
        "    PictureFillRect(picture, Vector(1.0, 0.0, 0.0, 1.0), corner);\n"
        "    local c = PictureGetPixel(picture, 3, 1);\n"
        "    print(\"pixel \" + c.x + \" \" + c.y + \" \" + c.z + \" \" + c.w);\n"
        "    print(\"saved \" + PictureSaveTGA(picture, \"out.tga\"));\n"
        "    ProjectEnd(p);\n"
        "  }\n"
        "}\n";
    const CatalogueRow row =
        Row("ProjectSavesAPicture", {"p.zgp", "-P", "-r", "none", "-m", "none"},
            {StartupScript(), {"p.zgp", EnvironmentFile("p.nut")}, {"p.nut", script}}, 0,
            {"[S] alloc true", "[S] pixel 1 0 0 1", "[S] saved true", FreeingCaches, "Done."});
    TemporaryDirectory temporary{"player_picture", false};
    ASSERT_FALSE(temporary.Path().empty());
    RunResult run = RunRow(temporary.Path(), row);
    SCOPED_TRACE("console:\n" + run.output + "\nerrors:\n" + run.errors);
    ExpectConsole(row, run);
    const std::string bytes = ReadFile(temporary.Path() / "out.tga");
    ExpectFrameFile(bytes, 4, 2);
    const std::vector<int> blue{255, 0, 0, 255}, red{0, 0, 255, 255};
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 4; ++x)
            EXPECT_EQ(PixelOf(bytes, 4, x, y), x >= 2 && y >= 1 ? red : blue) << x << "," << y;
}

// The crate game on the "file" mixer, as tools/player.sh records it: the
// sound is silent until the first crate lands, then holds one loud thud per
// landing, each followed by silence (runs of sound apart by at least a frame
// of 20 ms of zeros, left channel).
TEST(PlayerSample, FileMixerRecordsAThudPerLanding) {
    TemporaryDirectory temporary{"player_sample_sound", false};
    ASSERT_FALSE(temporary.Path().empty());
    const CatalogueRow row = Row(
        "SampleSceneSound", {"crate.zms", "-r", "none", "-m", "file", "-Mf", "out.wav", "-time_live", "30"},
        SampleSceneFiles(), 0, Concat<ExpectedLine>(SampleSceneGameLines, {FreeingCaches, "Done."}),
        {MissingResources, "[!] All channels in use."});
    const RunResult run = RunRow(temporary.Path(), row, {"SDL_AUDIODRIVER=no-such-driver"});
    SCOPED_TRACE("console:\n" + run.output.substr(0, 4000) + "\nerrors:\n" + run.errors);
    ExpectConsole(row, run);
    const WavFile wav = ReadWavFile((temporary.Path() / "out.wav").string());
    ExpectMixerWavHeader(wav, uint32_t(16384 + 3840 * CountLines(run.output, StepLine)));
    constexpr size_t FrameOfZeros = 960;
    std::vector<size_t> starts;
    size_t zeros = FrameOfZeros;
    int16_t loudest = 0;
    for (size_t frame = 0; frame < wav.Frames(); ++frame) {
        const int16_t sample = wav.Left(frame);
        loudest = std::max<int16_t>(loudest, int16_t(std::abs(int(sample))));
        if (sample == 0) {
            ++zeros;
            continue;
        }
        if (zeros >= FrameOfZeros) starts.push_back(frame);
        zeros = 0;
    }
    ASSERT_EQ(starts.size(), 4u);
    // The first crate lands after 59 steps at 60 Hz, about a second in.
    EXPECT_GT(starts.front(), size_t(48000 * 0.95));
    EXPECT_GT(loudest, 16384);
}

TEST(PlayerSample, RaytracedFramesShowTheCrateOnTheFloor) {
    TemporaryDirectory temporary{"player_sample", false};
    ASSERT_FALSE(temporary.Path().empty());
    std::filesystem::create_directories(temporary.Path() / "frames");
    constexpr uint32_t Width = 64, Height = 48;
    const CatalogueRow row =
        Row("SampleSceneRaytraced",
            {"crate.zms", "-r", "none", "-m", "none", "-R", "frames", "-Rw", std::to_string(Width), "-Rh",
             std::to_string(Height), "-Raa", "1", "-time_live", "30"},
            SampleSceneFiles(), 0,
            Concat<ExpectedLine>({"[H] Raytracing frame 0 (64x48)..."},
                                 Concat<ExpectedLine>(SampleSceneGameLines, {FreeingCaches, "Done."})),
            {MissingResources, NoStartupScript});
    RunResult run = RunRow(temporary.Path(), row);
    SCOPED_TRACE("console:\n" + run.output + "\nerrors:\n" + run.errors);
    ExpectConsole(row, run);

    // The last frame, drawn after the last crate landed.
    const std::vector<int> numbers = FrameNumbers(temporary.Path());
    ASSERT_FALSE(numbers.empty());
    char name[32];
    std::snprintf(name, sizeof name, "out_%05d.tga", numbers.back());
    const std::string bytes = ReadFile(temporary.Path() / "frames" / name);
    ExpectFrameFile(bytes, Width, Height);
    if (HasFatalFailure()) return;
    size_t crate = 0, floor = 0;
    std::vector<std::vector<int>> colours;
    for (uint32_t y = 0; y < Height; ++y) {
        for (uint32_t x = 0; x < Width; ++x) {
            const std::vector<int> pixel = PixelOf(bytes, Width, x, y);
            crate += IsCratePixel(pixel);
            // The floor fills the bottom of the view, the sky its top.
            floor += y >= Height * 3 / 4 && IsFloorPixel(pixel);
            if (colours.size() < 16 && std::find(colours.begin(), colours.end(), pixel) == colours.end())
                colours.push_back(pixel);
        }
    }
    EXPECT_GE(colours.size(), 16u) << "a flat frame";
    EXPECT_GE(crate, size_t(Width * Height / 50)) << name;
    EXPECT_GE(floor, size_t(Width * Height / 8)) << name;
}

// ---- Effects: the pair of boxes on "gl2" with and without each effect ------
// Each effect changes a region of the frame in a known direction against the
// same frame without it. The frames are kept as PNG files in
// effect_pictures/ of the test's working folder (the build's tests folder).

// An uncompressed PNG (stored deflate blocks) of an RGB frame.
void SavePng(const std::filesystem::path& path, const Frame& frame) {
    auto crc = [](const std::string& bytes) {
        uint32_t value = 0xFFFFFFFFu;
        for (unsigned char byte : bytes) {
            value ^= byte;
            for (int bit = 0; bit < 8; ++bit)
                value = (value >> 1) ^ (0xEDB88320u & (0u - (value & 1u)));
        }
        return ~value;
    };
    auto word = [](uint32_t value) {
        return std::string{char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    };
    auto chunk = [&](const char* type, const std::string& data) {
        const std::string body = type + data;
        return word(uint32_t(data.size())) + body + word(crc(body));
    };
    std::string raw;
    for (uint32_t row = 0; row < frame.height; ++row) {
        raw += '\0';
        raw.append(reinterpret_cast<const char*>(frame.rgb.data()) + size_t(row) * frame.width * 3,
                   size_t(frame.width) * 3);
    }
    std::string deflated = "\x78\x01";
    uint32_t a = 1, b = 0;
    for (unsigned char byte : raw) {
        a = (a + byte) % 65521u;
        b = (b + a) % 65521u;
    }
    for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        const size_t size = std::min<size_t>(65535, raw.size() - at);
        const bool last = at + size >= raw.size();
        deflated += char(last ? 1 : 0);
        deflated += char(size & 0xFF);
        deflated += char(size >> 8);
        deflated += char(~size & 0xFF);
        deflated += char((~size >> 8) & 0xFF);
        deflated.append(raw, at, size);
        if (last) break;
    }
    deflated += word((b << 16) | a);
    const std::string header = word(frame.width) + word(frame.height) + std::string("\x08\x02\x00\x00\x00", 5);
    WriteFile(path, "\x89PNG\r\n\x1a\n" + chunk("IHDR", header) + chunk("IDAT", deflated) + chunk("IEND", ""));
}

// The box pair whose near box moves right by MovingBoxStep a frame (not by
// the clock, so each frame is the same on every run). A moving frame never
// stands on the screen: the script grabs frame 10 from the renderer into
// grabbed.tga.
constexpr float MovingBoxStep = 0.5f;
const char* const GrabbedLine = "[S] Frame 10 grabbed: true";

std::vector<FixtureFile> MovingBoxPairFiles(const BoxPairSettings& settings) {
    std::vector<FixtureFile> files = BoxPairFiles(settings);
    const std::string script =
        "class Pair { frames = 0; near = null;\n"
        "  function OnSetup(s) { near = SceneFindItem(s, \"near\"); }\n"
        "  function OnUpdate(s) { frames++;\n"
        "    ItemSetPosition(near, Vector(-5.0 + " +
        std::to_string(MovingBoxStep) +
        " * frames, 0.0, 0.0, 1.0)); }\n"
        "  function OnRenderUI(s) { if (frames != 10) return;\n"
        "    local picture = PictureNew();\n"
        "    RendererGrabDisplayToPicture(EngineGetRenderer(g_engine), picture);\n"
        "    print(\"Frame 10 grabbed: \" + PictureSaveTGA(picture, \"grabbed.tga\")); } }\n";
    for (FixtureFile& file : files)
        if (file.path == "pair.nut") file.bytes = script;
    return files;
}

// The frame a moving box pair grabbed on "gl2" under a private server; empty
// when the run did not save it.
Frame GrabOnGl2(const std::filesystem::path& directory, const std::filesystem::path& screenDirectory,
                const std::string& id, const BoxPairSettings& settings) {
    XvfbServer server(screenDirectory.string());
    EXPECT_TRUE(server.IsRunning());
    if (!server.IsRunning()) return Frame();
    const CatalogueRow drawn = Gl2Row(id, MovingBoxPairFiles(settings), "pair.zms", GrabbedLine);
    const RunResult run = RunRow(directory, drawn, {"DISPLAY=" + server.Display(), "SDL_VIDEODRIVER=x11"});
    SCOPED_TRACE("gl2 console:\n" + run.output + "\nerrors:\n" + run.errors);
    ExpectConsole(drawn, run);
    return FrameOfTga(ReadFile(directory / "grabbed.tga"));
}

struct EffectRow {
    std::string id;
    BoxPairSettings settings;
    PictureRegion region; // its leading channel is not used
    enum Change { Darker, Brighter, TowardWhite, Changed } change;
    BoxPairSettings plain = {}; // of the frame compared against
    bool moving = false;        // both frames of the moving box pair, grabbed
};

void PrintTo(const EffectRow& row, std::ostream* out) {
    *out << row.id;
}

std::vector<EffectRow> EffectCatalogue() {
    const std::string spotCone = "<ConeAngle=0.6><EdgeAngle=0.1>";
    const PictureRegion shadowOnTheFarBox{"far box in the near one's shadow", 0.25f, 0.55f, 0.35f, 0.70f, 0};
    return {
        // The boxes bloom over their surroundings.
        {"Bloom",
         {"<PostProcess=<Bloom=<Threshold=0.2><Radius=16.0>>>", "", "", ""},
         {"far box beside the near one", 0.30f, 0.40f, 0.36f, 0.60f, 0},
         EffectRow::Brighter},
        {"DepthOfField",
         {"<PostProcess=<Dof=<FStop=0.5><FDist=8.0>>>", "", "", ""},
         {"far box's top edge", 0.30f, 0.10f, 0.70f, 0.24f, 0},
         EffectRow::Changed},
        // The far box lies in the near one's shade.
        {"AmbientOcclusion",
         {"<PostProcess=<SSAO>>", "", "", ""},
         {"far box next to the near one", 0.36f, 0.42f, 0.41f, 0.58f, 0},
         EffectRow::Darker},
        // White fog from 1 to 20 units: the far box, 12 units away, whitens.
        {"Fog",
         {"", "", "<FogColor=<R=1.0><G=1.0><B=1.0>><FogNear=1.0><FogFar=20.0>", ""},
         {"far box beside the near one", 0.18f, 0.40f, 0.26f, 0.60f, 0},
         EffectRow::TowardWhite},
        {"VolumetricLight",
         {"", "<Volumetric>", "", ""},
         {"background", 0.0f, 0.0f, 0.08f, 0.08f, 0},
         EffectRow::Changed},
        // The near box shadows the far one's face below its left side, where
        // the same light without a shadow lights it.
        {"SpotLightShadowMap",
         {"", spotCone + "<Shadow=\"Map\">", "", "<ShadowMapping=True>", "Spot"},
         shadowOnTheFarBox,
         EffectRow::Darker,
         {"", spotCone, "", "<ShadowMapping=True>", "Spot"}},
        {"PointLightShadowMap",
         {"", "<Shadow=\"Map\">", "", "<ShadowMapping=True>"},
         shadowOnTheFarBox,
         EffectRow::Darker,
         {"", "", "", "<ShadowMapping=True>"}},
        // The near box, back in the centre in frame 10, moved half a unit
        // right since frame 9: its trailing (left) edge smears with the far
        // box it left behind.
        {"MotionBlur",
         {"<PostProcess=<MotionBlur=<Strength=1.0>>>", "", "", ""},
         {"near box's trailing edge", 0.34f, 0.40f, 0.42f, 0.60f, 0},
         EffectRow::Changed,
         {},
         true},
    };
}

class PlayerEffects : public ::testing::TestWithParam<EffectRow> {
  protected:
    TemporaryDirectory m_plain{"player_effect_plain", false};
    TemporaryDirectory m_effect{"player_effect", false};
    TemporaryDirectory m_screen{"player_effect_screen", false};
};

TEST_P(PlayerEffects, EffectChangesItsRegionAgainstThePlainFrame) {
    const EffectRow& row = GetParam();
    auto draw = [&](const std::filesystem::path& directory, const std::string& id,
                    const BoxPairSettings& settings) {
        if (row.moving) return GrabOnGl2(directory, m_screen.Path(), id, settings);
        return DrawOnGl2(directory, m_screen.Path(), id, BoxPairFiles(settings), "pair.zms",
                         "[S] Frame 10 drawn.", 160, 120);
    };
    const Frame plain = draw(m_plain.Path(), row.id + "Plain", row.plain);
    ASSERT_EQ(plain.width, 160u);
    ASSERT_EQ(plain.height, 120u);
    const Frame changed = draw(m_effect.Path(), row.id, row.settings);
    ASSERT_EQ(changed.width, 160u);
    ASSERT_EQ(changed.height, 120u);
    const std::filesystem::path pictures = std::filesystem::current_path() / "effect_pictures";
    std::filesystem::create_directories(pictures);
    SavePng(pictures / (row.id + "_plain.png"), plain);
    SavePng(pictures / (row.id + ".png"), changed);

    const std::vector<double> before = MeanColour(plain, row.region), after = MeanColour(changed, row.region);
    std::ostringstream colours;
    colours << "plain (" << before[0] << ", " << before[1] << ", " << before[2] << "), with the effect ("
            << after[0] << ", " << after[1] << ", " << after[2] << ")";
    SCOPED_TRACE(colours.str());
    const double sumBefore = before[0] + before[1] + before[2], sumAfter = after[0] + after[1] + after[2];
    switch (row.change) {
    case EffectRow::Darker:
        EXPECT_LT(sumAfter, sumBefore - 6.0);
        break;
    case EffectRow::Brighter:
        EXPECT_GT(sumAfter, sumBefore + 6.0);
        break;
    case EffectRow::TowardWhite:
        EXPECT_LT(765.0 - sumAfter, (765.0 - sumBefore) * 0.8);
        break;
    case EffectRow::Changed: {
        // Per pixel: a blur keeps a region's mean but not its pixels.
        double difference = 0.0;
        const uint32_t x0 = uint32_t(row.region.x0 * 160), x1 = uint32_t(row.region.x1 * 160);
        const uint32_t y0 = uint32_t(row.region.y0 * 120), y1 = uint32_t(row.region.y1 * 120);
        for (uint32_t y = y0; y < y1; ++y)
            for (uint32_t x = x0; x < x1; ++x)
                for (int c = 0; c < 3; ++c) {
                    const size_t at = (size_t(y) * 160 + x) * 3 + size_t(c);
                    difference += std::abs(int(plain.rgb[at]) - int(changed.rgb[at]));
                }
        EXPECT_GT(difference / (double(x1 - x0) * double(y1 - y0)), 3.0);
        break;
    }
    }
}

INSTANTIATE_TEST_SUITE_P(Effects, PlayerEffects, ::testing::ValuesIn(EffectCatalogue()),
                         [](const ::testing::TestParamInfo<EffectRow>& info) { return info.param.id; });

// ---- A window used as a person would: "gl2" under a private X server ------
// A scene script builds a skinned window with a title, a text widget, a
// picture and a check widget as its button, prints where the layout put them
// and says when it is ready. xdotool then clicks the button and types "hi"
// through the X server (the real path: X events, SDL's queue, the window
// pump, the input devices, the 2D scene's dispatch, the script's handler and
// keyboard reads). The screen, read before the input, must show each part
// inside its layout rectangle; a PNG of it stays in the build folder.

// The UI runs at the window's size, so its coordinates are the window's pixels.
constexpr uint32_t UIWidth = 320, UIHeight = 240;
// The renderer places its window at (32, 32) of the screen.
constexpr uint32_t WindowOrigin = 32;
constexpr int TitleBand = 24; // the height of the skin's top edge
constexpr uint8_t TitleColour[3] = {200, 160, 0};
constexpr uint8_t PictureColour[3] = {220, 30, 30};

std::vector<FixtureFile> UIInputFiles() {
    const char* const script =
        "class T { frames = 0; window = null; text = null; parts = null; typed = \"\"; held = null;\n"
        "  clicked = false;\n"
        "  function OnSetup(s) {\n"
        "    local ui = SceneGetUI(s); UISetInternalResolution(ui, 320, 240);\n"
        "    print(\"skin \" + UISetSkin(ui, \"top.tga\", \"side.tga\", \"side.tga\", \"side.tga\",\n"
        "      \"top.tga\", \"top.tga\", \"side.tga\", \"side.tga\", 0, -1, 4, 16, 14, \"default.ttf\"));\n"
        "    window = UIAddWindow(ui, 1, 20, 20, 280, 200); WindowSetTitle(window, \"Input\");\n"
        "    WindowShow(window, true);\n"
        "    local sizer = UIAddVerticalSizerWidget(ui, 2);\n"
        "    text = UIAddStaticTextWidget(ui, 3, \"typed:\", \"default.ttf\");\n"
        "    local picture = UIAddBitmapWidget(ui, 4, \"picture.tga\");\n"
        "    local button = UIAddCheckWidget(ui, 5, \"OK\", \"default.ttf\", false);\n"
        "    SizerAddWidget(sizer, text); SizerAddWidget(sizer, picture); SizerAddWidget(sizer, button);\n"
        "    WindowSetBaseWidget(window, sizer);\n"
        "    parts = [[\"text\", text], [\"picture\", picture], [\"button\", button]]; held = {};\n"
        "    WidgetSetEventHandler(button, EventLeftMouseClick,\n"
        "      function(...) { print(\"button clicked\"); clicked = true; }.bindenv(this));\n"
        "  }\n"
        "  function OnUpdate(s) {\n"
        "    if (++frames == 10) {\n"
        "      local r = WindowGetScreenRect(window);\n"
        "      print(\"layout window \" + r.sx + \" \" + r.sy + \" \" + r.ex + \" \" + r.ey);\n"
        "      foreach (part in parts) { local q = WidgetGetRect(part[1]);\n"
        "        print(\"layout \" + part[0] + \" \" + q.sx + \" \" + q.sy + \" \" + q.ex + \" \" + q.ey);\n"
        "      }\n"
        "      print(\"ready\");\n"
        "    }\n"
        "    KeyboardUpdate();\n"
        "    foreach (c in ['h', 'i']) {\n"
        "      local down = KeyboardSeekFunction(DeviceKeyPress, (c << 8) | KeyASCII);\n"
        "      if (down && !(c in held)) { typed += c.tochar(); TextSetText(text, \"typed: \" + typed);\n"
        "        print(\"typed \" + typed); }\n"
        "      if (down) held[c] <- true; else if (c in held) delete held[c];\n"
        "    }\n"
        "    if (clicked && typed == \"hi\") { print(\"done\"); clicked = false; SceneEnd(s); }\n"
        "  } }\n";
    return {{"t.zms", "<ZML=1.0>\n<Scene=<ScriptUnit=<Script=\"t.nut\"><Class=\"T\">>\n"
                      "  <Globals=<BackgroundColor=<R=0.0><G=0.0><B=0.4>>>\n"
                      "  <Items=<MCamera=<MItem=<Id=\"eye\"><UId=0><Active>>\n"
                      "    <Camera=<Item=<Position=<X=0.0><Y=0.0><Z=-8.0>>>>>>\n"
                      "  <CurrentCamera=\"eye\">>\n"},
            {"t.nut", script},
            // The top edge and the top corners make the title band.
            {"top.tga", SolidTga(4, TitleBand, TitleColour[0], TitleColour[1], TitleColour[2])},
            {"side.tga", SolidTga(4, 4, 90, 90, 90)},
            {"picture.tga", SolidTga(64, 32, PictureColour[0], PictureColour[1], PictureColour[2])},
            {"small.cfg", "<ZML=1.0> <Width=320> <Height=240>\n"}};
}

// left, top, right, bottom in UI pixels.
struct LayoutRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// The rectangle the script printed as "[S] layout <name> ..."; false when missing.
bool LayoutOf(const std::string& output, const std::string& name, LayoutRect& rect) {
    const std::string tag = "[S] layout " + name + " ";
    const size_t at = output.find(tag);
    return at != std::string::npos && std::sscanf(output.c_str() + at + tag.size(), "%d %d %d %d", &rect.x0,
                                                  &rect.y0, &rect.x1, &rect.y1) == 4;
}

LayoutRect Offset(const LayoutRect& rect, const LayoutRect& by) {
    return {rect.x0 + by.x0, rect.y0 + by.y0, rect.x1 + by.x0, rect.y1 + by.y0};
}

// The mean colour of a rectangle of the frame and the share of its pixels
// that are near white (text).
struct AreaColour {
    double mean[3] = {0.0, 0.0, 0.0};
    double bright = 0.0;
};

AreaColour ColourOf(const Frame& frame, int x0, int y0, int x1, int y1) {
    AreaColour colour;
    x0 = std::max(x0, 0), y0 = std::max(y0, 0);
    x1 = std::min(x1, int(frame.width)), y1 = std::min(y1, int(frame.height));
    if (x1 <= x0 || y1 <= y0) return colour;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const uint8_t* rgb = &frame.rgb[(size_t(y) * frame.width + size_t(x)) * 3];
            for (int c = 0; c < 3; ++c)
                colour.mean[c] += rgb[c];
            if (rgb[0] > 180 && rgb[1] > 180 && rgb[2] > 180) colour.bright += 1.0;
        }
    }
    const double count = double(x1 - x0) * double(y1 - y0);
    for (double& value : colour.mean)
        value /= count;
    colour.bright /= count;
    return colour;
}

bool XdotoolInstalled() {
    return std::system("command -v xdotool > /dev/null 2>&1") == 0;
}

TEST(PlayerUIInput, ClickAndKeysReachTheScriptAndTheWindowShowsItsLayout) {
    if (!XdotoolInstalled()) GTEST_SKIP() << "xdotool is not installed: no X input can be sent";
    TemporaryDirectory run{"player_ui_input", false};
    TemporaryDirectory screenDirectory{"player_ui_input_screen", false};
    ASSERT_FALSE(run.Path().empty());
    ASSERT_FALSE(screenDirectory.Path().empty());
    XvfbServer server(screenDirectory.Path().string());
    ASSERT_TRUE(server.IsRunning());

    const CatalogueRow row =
        Row("UIInputOnGl2", {"t.zms", "-r", "gl2", "-m", "none", "-C", "small.cfg", "-time_live", "40"},
            UIInputFiles(), 0,
            {"[H] Starting OpenGL 3 renderer...", "[S] skin true", "[S] ready", "[S] button clicked",
             "[S] typed h", "[S] typed hi", "[S] done", FreeingCaches, "Done."},
            {MissingResources, Matching("\\[\\|\\] Exception.*")}, {"[S] button clicked", "[S] done"});

    // Once the script is ready: the screen, when two reads agree, then the
    // input, each press held long enough for the frames that poll it.
    Frame screen;
    std::string screenBytes;
    std::string inputResult = "no input sent";
    auto lastRead = std::chrono::steady_clock::now();
    auto watch = [&]() {
        if (std::chrono::steady_clock::now() - lastRead < std::chrono::milliseconds(100)) return false;
        lastRead = std::chrono::steady_clock::now();
        const std::string output = ReadFile(run.Path() / "stdout.txt");
        if (output.find("[S] ready\n") == std::string::npos) return false;
        std::string bytes = ReadFile(screenDirectory.Path() / "Xvfb_screen0");
        Frame now = FrameOfScreen(bytes, WindowOrigin, WindowOrigin, UIWidth, UIHeight);
        const bool steady = !now.rgb.empty() && now.rgb == screen.rgb;
        screen = std::move(now);
        screenBytes = std::move(bytes);
        if (!steady) return false;
        LayoutRect window, button;
        if (!LayoutOf(output, "window", window) || !LayoutOf(output, "button", button)) {
            inputResult = "no layout printed";
            return true;
        }
        const LayoutRect onScreen = Offset(button, window);
        const int clickX = int(WindowOrigin) + (onScreen.x0 + onScreen.x1) / 2;
        const int clickY = int(WindowOrigin) + (onScreen.y0 + onScreen.y1) / 2;
        // The pointer stays over the window: with no window manager, the
        // keyboard follows the pointer.
        const std::string command = "DISPLAY=" + server.Display() + " xdotool mousemove " +
                                    std::to_string(clickX) + " " + std::to_string(clickY) +
                                    " sleep 0.3 mousedown 1 sleep 0.3 mouseup 1 sleep 0.3"
                                    " keydown h sleep 0.3 keyup h sleep 0.3 keydown i sleep 0.3 keyup i";
        inputResult = std::system(command.c_str()) == 0 ? "" : "xdotool failed: " + command;
        return true;
    };
    const RunResult result =
        RunRow(run.Path(), row, {"DISPLAY=" + server.Display(), "SDL_VIDEODRIVER=x11"}, watch);
    SCOPED_TRACE("console:\n" + result.output + "\nerrors:\n" + result.errors);
    EXPECT_EQ(inputResult, "");
    ExpectConsole(row, result);
    ASSERT_EQ(screen.width, UIWidth);

    // The screen as a PNG in the build folder, for a person to look at.
    const std::filesystem::path pictures = std::filesystem::path(ZE_BUILD_DIRECTORY) / "pictures";
    std::filesystem::create_directories(pictures);
    WriteFile(run.Path() / "screen.xwd", screenBytes);
    const std::string convert = "python3 '" + std::string(ZE_PICTURE_TO_PNG) + "' '" +
                                (run.Path() / "screen.xwd").string() + "' '" +
                                (pictures / "ui_input_gl2.png").string() + "' --crop 320x240+32+32";
    EXPECT_EQ(std::system(convert.c_str()), 0) << convert;

    LayoutRect window, text, picture;
    ASSERT_TRUE(LayoutOf(result.output, "window", window));
    ASSERT_TRUE(LayoutOf(result.output, "text", text));
    ASSERT_TRUE(LayoutOf(result.output, "picture", picture));
    text = Offset(text, window);
    picture = Offset(picture, window);
    ASSERT_GT(text.x1, text.x0);
    ASSERT_GT(picture.x1, picture.x0);
    auto near = [](const AreaColour& colour, const uint8_t expected[3]) {
        for (int c = 0; c < 3; ++c)
            if (std::abs(colour.mean[c] - expected[c]) > 12.0) return false;
        return true;
    };
    auto describe = [](const AreaColour& colour) {
        std::ostringstream out;
        out << "mean (" << colour.mean[0] << ", " << colour.mean[1] << ", " << colour.mean[2] << "), bright "
            << colour.bright;
        return out.str();
    };
    // Regions are inset by two pixels from the layout's edges (filtering).
    const AreaColour titleLeft =
        ColourOf(screen, window.x0 + 6, window.y0 + 2, window.x0 + 50, window.y0 + TitleBand - 2);
    EXPECT_TRUE(near(titleLeft, TitleColour)) << "title band: " << describe(titleLeft);
    const int middle = (window.x0 + window.x1) / 2;
    const AreaColour titleText =
        ColourOf(screen, middle - 30, window.y0 + 2, middle + 30, window.y0 + TitleBand - 2);
    EXPECT_GT(titleText.bright, 0.03) << "title text: " << describe(titleText);
    const AreaColour below =
        ColourOf(screen, window.x0 + 6, window.y0 + TitleBand + 2, window.x1 - 6, window.y0 + TitleBand + 6);
    EXPECT_FALSE(near(below, TitleColour)) << "under the title band: " << describe(below);
    const AreaColour textArea = ColourOf(screen, text.x0, text.y0, text.x1, text.y1);
    EXPECT_GT(textArea.bright, 0.05) << "text: " << describe(textArea);
    const AreaColour underText = ColourOf(screen, text.x0, text.y1 + 2, text.x1, picture.y0 - 2);
    EXPECT_EQ(underText.bright, 0.0) << "under the text: " << describe(underText);
    const AreaColour pictureArea =
        ColourOf(screen, picture.x0 + 2, picture.y0 + 2, picture.x1 - 2, picture.y1 - 2);
    EXPECT_TRUE(near(pictureArea, PictureColour)) << "picture: " << describe(pictureArea);
    for (const LayoutRect& beside : {LayoutRect{picture.x0 - 8, picture.y0, picture.x0 - 2, picture.y1},
                                     LayoutRect{picture.x1 + 2, picture.y0, picture.x1 + 8, picture.y1},
                                     LayoutRect{picture.x0, picture.y1 + 2, picture.x1, picture.y1 + 8}}) {
        const AreaColour outside = ColourOf(screen, beside.x0, beside.y0, beside.x1, beside.y1);
        EXPECT_LT(outside.mean[0], 100.0)
            << "beside the picture at " << beside.x0 << ", " << beside.y0 << ": " << describe(outside);
    }
    const uint8_t sceneBlue[3] = {0, 0, 102};
    const AreaColour outsideWindow = ColourOf(screen, 2, 2, window.x0 - 2, window.y0 - 2);
    EXPECT_TRUE(near(outsideWindow, sceneBlue)) << "outside the window: " << describe(outsideWindow);
}

} // namespace
