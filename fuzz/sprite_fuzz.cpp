// The "Sprite2d" and "Window" tags on any bytes: the first root of the parsed
// document is read into a sprite or a window of a 2D scene (over an engine
// whose texture cache reads the memory file road), drawn once through the
// null renderer, then written, read and written again: the second text must
// equal the first.
#include <string>

#include "engine/engine.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/tag_text.h"
#include "ui/scene2d.h"

namespace {

zEngine* g_engine = nullptr;

std::string ReadAndWrite(const zMetaTag* root, bool first) {
    zScene2D scene(g_engine, nullptr);
    scene.SetMouse(nullptr);
    zSprite2D* sprite = nullptr;
    if (root->GetName() == "Window") {
        sprite = new zWindow(&scene, nullptr, "", nullptr, nullptr, nullptr);
    } else {
        sprite = new zSprite2D(&scene, nullptr, nullptr, "", nullptr, nullptr);
    }
    if (!sprite->Parse(root)) return std::string();
    if (first) scene.Render(true);
    return TagText(sprite->Serialize(), "a read sprite cannot be written");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    zEngine engine;
    g_engine = &engine;
    CheckTagRoundTrip(data, size, ReadAndWrite, "sprite");
    g_engine = nullptr;
    return 0;
}
