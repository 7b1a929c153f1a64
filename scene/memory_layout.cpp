#include "scene/memory_layout.h"

#include "core/log.h"
#include "scene/managed_camera.h"
#include "scene/managed_item.h"
#include "scene/managed_object.h"
#include "scene/motion.h"
#include "scene/scene.h"
#include "script/script_unit.h"

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
        {"zScene", sizeof(zScene)},
        {"zMItem", sizeof(zMItem)},
        {"zMotion", sizeof(zMotion)},
        {"zMObject", sizeof(zMObject)},
        {"zMCamera", sizeof(zMCamera)},
        {"zMLight", sizeof(zMLight)},
        {"zManagerScriptUnit", sizeof(zManagerScriptUnit)},
    };
    // clang-format on
    for (const TypeSize& type : sizes) {
        GetLog() << "    sizeof(" << type.name << ") = " << type.size << "\n";
    }
    GetLog() << "\n";
}
