#include "scene/memory_layout.h"

#include "core/log.h"
#include "scene/ace.h"
#include "scene/animation.h"
#include "scene/camera.h"
#include "scene/emitter.h"
#include "render/curve.h"
#include "scene/item.h"
#include "scene/light.h"
#include "scene/managed_camera.h"
#include "scene/managed_item.h"
#include "scene/managed_object.h"
#include "scene/motion.h"
#include "scene/object.h"
#include "scene/scene.h"
#include "script/script_unit.h"

void DumpSceneMemoryLayout() {
    GetLog() << "Scene memory layout:\n\n";
    // The dump's names; its channel is our zMotionChannel and its motion
    // player our zAnimationPlayer.
    // clang-format off
    struct TypeSize {
        const char* name;
        u64 size;
    } const sizes[] = {
        {"zScene", sizeof(zScene)},
        {"zMItem", sizeof(zMItem)},
        {"zChannel", sizeof(zMotionChannel)},
        {"zMotion", sizeof(zMotion)},
        {"zMotionPlayer", sizeof(zAnimationPlayer)},
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

zCoreTypeSizes SceneCoreTypeSizes() {
    // zHierarchy has no class of its own (zItem holds the links).
    zCoreTypeSizes sizes;
    sizes.item = sizeof(zItem);
    sizes.aceUnit = sizeof(zACEUnit);
    sizes.object = sizeof(zObject);
    sizes.light = sizeof(zLight);
    sizes.emitter = sizeof(zEmitter);
    sizes.camera = sizeof(zCamera);
    sizes.curve = sizeof(zCurve);
    return sizes;
}
