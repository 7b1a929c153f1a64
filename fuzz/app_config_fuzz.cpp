// The player's outside input before any scene: engine.cfg, bootstrap.txt and
// the command line. The input is split at 0 bytes into engine.cfg, then
// bootstrap.txt, then the arguments after the program name (none: the
// bootstrap road). The renderer settings read from engine.cfg are written
// and read again into a fresh engine, which must give the same flag words.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/player_application.h"
#include "core/log.h"
#include "fuzz_support.h"
#include "markup/metafile.h"
#include "render/renderer.h"

namespace {

constexpr size_t MaxParts = 40;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zFuzzRound round;
    std::vector<std::string> parts = SplitAtZeroBytes(data, size, MaxParts);
    if (!parts.empty()) round.AddFile("engine.cfg", parts[0]);
    if (parts.size() > 1) round.AddFile("bootstrap.txt", parts[1]);
    std::vector<const char*> argv{"player"};
    for (size_t i = 2; i < parts.size(); ++i)
        argv.push_back(parts[i].c_str());

    const u8 mask = GetLog().GetLevelMask();
    {
        zApplicationWin32 app;
        app.ParseCommandLine(int(argv.size()), argv.data());
        app.LoadConfig("engine.cfg");
        zEngine& engine = app.GetEngine();
        if (!engine.LoadRenderSettings(nullptr, &app.configuration)) FuzzFail("settings from a tree");
        zMetafile saved;
        if (!engine.SaveRenderSettings(nullptr, &saved)) FuzzFail("settings saved");
        zEngine reread;
        if (!reread.LoadRenderSettings(nullptr, &saved)) FuzzFail("settings read back");
        const zRenderer* first = engine.GetRenderer();
        const zRenderer* second = reread.GetRenderer();
        if (first->GetSystemWordValue() != second->GetSystemWordValue() ||
            first->GetControlWordValue() != second->GetControlWordValue() ||
            engine.GetDebugChannel() != reread.GetDebugChannel()) {
            FuzzFail("renderer settings changed by a save and reload");
        }
    }
    GetLog().SetLevelMask(mask);
    return 0;
}
