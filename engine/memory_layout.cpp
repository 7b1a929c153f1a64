// The memory layout dump: the sizes of the machine types and of the engine's
// own types, as this build lays them out.
#include "audio/sound.h"
#include "core/bounds.h"
#include "core/log.h"
#include "core/matrix.h"
#include "core/shared_object.h"
#include "core/vector.h"
#include "engine/engine.h"
#include "markup/meta_tag.h"
#include "render/geometry.h"
#include "render/material.h"
#include "render/renderable.h"
#include "render/texture.h"

namespace {

struct TypeSize {
    const char* name;
    size_t size;
};

// Rows of size 0 (types not built) are left out.
void PrintSizes(const TypeSize* sizes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (sizes[i].size == 0) continue;
        GetLog() << "    sizeof(" << sizes[i].name << ") = " << u64(sizes[i].size) << "\n";
    }
    GetLog() << "\n";
}

} // namespace

void PrintMemoryLayout(bool core, const zCoreTypeSizes* upper) {
    GetLog() << "Machine memory layout:\n\n";
    const TypeSize machine[] = {
        {"bool", sizeof(bool)}, {"char", sizeof(char)},   {"short", sizeof(short)},
        {"int", sizeof(int)},   {"float", sizeof(float)},
    };
    PrintSizes(machine, sizeof(machine) / sizeof(machine[0]));
    const TypeSize shared[] = {
        {"zSharedObject", sizeof(zSharedObject)},
        {"zSharedPtr<int>", sizeof(zSharedPtr<int>)},
        {"zWeakPtr<int>", sizeof(zWeakPtr<int>)},
        {"zRenderablePrimitive", sizeof(zRenderablePrimitive)},
    };
    PrintSizes(shared, sizeof(shared) / sizeof(shared[0]));
    if (core) {
        GetLog() << "Core memory layout:\n\n";
        const TypeSize maths[] = {
            {"zVector", sizeof(zVector)},
            {"zMatrix3", sizeof(zMatrix3)},
            {"zMatrix4", sizeof(zMatrix4)},
            {"zMinMax", sizeof(zMinMax)},
        };
        PrintSizes(maths, sizeof(maths) / sizeof(maths[0]));
        const zCoreTypeSizes above = upper ? *upper : zCoreTypeSizes();
        // clang-format off
        const TypeSize engine[] = {
            {"zEngine", sizeof(zEngine)},
            {"zItem", above.item},
            {"zACEUnit", above.aceUnit},
            {"zObj", above.object},
            {"zHierarchy", above.hierarchy},
            {"zTexture", sizeof(zTexture)},
            {"zSound", sizeof(zSound)},
            {"zGeometry", sizeof(zGeometry)},
            {"zLight", above.light},
            {"zEmitter", above.emitter},
            {"zMaterial", sizeof(zMaterial)},
            {"zCam", above.camera},
            {"zPolygon", sizeof(zPolygon)},
            {"zCurve", above.curve},
        };
        // clang-format on
        PrintSizes(engine, sizeof(engine) / sizeof(engine[0]));
        GetLog() << "    sizeof(zMetaTag) = " << u64(sizeof(zMetaTag)) << "\n";
    }
    GetLog() << "\n";
    GetLog() << "Compiled with " << zMaterial::StageCount << " logical texture stage(s), "
             << GeometryMaxUVChannels << " UV set(s).\n\n";
}
