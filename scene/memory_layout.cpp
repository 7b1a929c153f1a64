#include "scene/memory_layout.h"

#include "core/log.h"
#include "scene/motion.h"

void DumpSceneMemoryLayout() {
    GetLog() << "Scene memory layout:\n\n";
    // The dump's order is zScene, zMItem, zChannel, zMotion, zMotionPlayer,
    // zMObject, zMCamera, zMLight, zManagerScriptUnit; a class joins with
    // one row in its place once it is built.
    // clang-format off
    struct TypeSize {
        const char* name;
        u64 size;
    } const sizes[] = {
        {"zMotion", sizeof(zMotion)},
    };
    // clang-format on
    for (const TypeSize& type : sizes) {
        GetLog() << "    sizeof(" << type.name << ") = " << type.size << "\n";
    }
    GetLog() << "\n";
}
