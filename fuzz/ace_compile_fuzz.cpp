// The command-list compiler on any text (the bytes up to the first 0 byte),
// with the 3D scene's six verbs defined. A list that compiles must hold as
// many entries as it reports, start at its head, and run for a number of
// steps of several sizes; a list that fails must run nothing.
#include <string>

#include "fuzz/fuzz_support.h"
#include "scene/ace.h"

namespace {

struct CountingUnit : zACEUnit {
    u32 executed = 0;
    bool Execute(zACECommand* command, f32 share) override {
        ++executed;
        return zACEUnit::Execute(command, share);
    }
};

struct SceneVerbs : zACEManager {
    SceneVerbs() {
        for (const zACEVerb& verb : SceneACEVerbs)
            DefineCommand(verb.name, verb.code, verb.parameterCount);
    }
};

const f32 Steps[] = {0.25f, 0.0f, 0.016f, 3.0f, 1e-6f, 0.5f};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    const std::string text(reinterpret_cast<const char*>(data), size);
    static SceneVerbs manager;
    CountingUnit unit;
    const i32 count = manager.LoadCommandList(text.c_str(), unit);
    if (count >= 0) {
        if (u32(count) != unit.GetCommands().GetCount()) FuzzFail("the compiler reports a wrong entry count");
        if (unit.GetCursor() != unit.GetCommands().GetHead())
            FuzzFail("a compiled list does not start at its head");
    } else if (unit.GetCursor()) {
        FuzzFail("a list that failed to compile has a cursor");
    }
    for (u32 step = 0; step < 64; ++step)
        manager.UpdateUnit(unit, Steps[step % (sizeof(Steps) / sizeof(Steps[0]))]);
    if (count < 0 && unit.executed != 0) FuzzFail("a list that failed to compile ran");
    unit.DumpCommandList();
    return 0;
}
