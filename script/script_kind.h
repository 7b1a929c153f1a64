// Script object kinds: the kind of engine object a CObject handle stands for.
// One table gives each kind its description, its objectType root constant
// (kind 29 has none) and, through the description, its EngineType constant.
#pragma once

#include "core/types.h"
#include "core/zstring.h"

enum ScriptObjectKind : i32 {
    ScriptKindUndefined = 0,
    ScriptKindDeleted = 1,
    ScriptKindCThread = 2,
    ScriptKindEngine = 3,
    ScriptKindResourceSet = 4,
    ScriptKindProject = 5,
    ScriptKindRenderer = 6,
    ScriptKindRaytracer = 7,
    ScriptKindMixer = 8,
    ScriptKindScene = 9,
    ScriptKindTruetypeFont = 10,
    ScriptKindRasterFont = 11,
    ScriptKindWindowSystem = 12,
    ScriptKindWindow = 13,
    ScriptKindWidget = 14,
    ScriptKindBaseSizer = 15,
    ScriptKindContainerWidget = 16,
    ScriptKindSpacerWidget = 17,
    ScriptKindCanvasWidget = 18,
    ScriptKindTextWidget = 19,
    ScriptKindBitmapWidget = 20,
    ScriptKindCheckWidget = 21,
    ScriptKindPicture = 22,
    ScriptKindGroup = 23,
    ScriptKindItem = 24,
    ScriptKindCamera = 25,
    ScriptKindObject = 26,
    ScriptKindLight = 27,
    ScriptKindInstance = 28,
    ScriptKindEmitter = 29,
    ScriptKindMotion = 30,
    ScriptKindTrigger = 31,
    ScriptKindPath = 32,
    ScriptKindSound = 33,
    ScriptKindTexture = 34,
    ScriptKindGeometry = 35,
    ScriptKindMaterial = 36,
    ScriptKindCollisionShape = 37,
    ScriptKindPhysicConstraint = 38,
    ScriptKindMetafile = 39,
    ScriptKindMetatag = 40,
    ScriptKindJoypad = 41,
    ScriptKindHID = 42,
    ScriptKindEditorPlugin = 43,
    ScriptKindProjectScene = 44,
    ScriptKindProjectLayer = 45,
    ScriptKindAnimationSource = 46,
    ScriptKindCount = 47,
};

struct ScriptObjectKindRow {
    const char* description;
    // Name of the root-table constant set by the VM's open; null for none.
    const char* rootConstant;
};

// The item family: Item, Camera, Object, Light and Trigger handles all stand
// for a managed item; an operation on "an item" accepts each of them.
bool IsScriptItemKind(i32 kind);

// Rows 0 to ScriptKindCount - 1, indexed by kind.
extern const ScriptObjectKindRow g_ScriptObjectKinds[ScriptKindCount];

// The kind's description; an undefined kind logs
// "[!] No matching description string for type <kind>." and gives "Unknown".
const char* ScriptObjectKindName(i32 kind);

// "EngineType" followed by the description with every blank removed.
zString ScriptEngineTypeConstantName(i32 kind);
