#include "script/script_kind.h"

#include "core/log.h"

const ScriptObjectKindRow g_ScriptObjectKinds[ScriptKindCount] = {
    {"Undefined", "objectTypeUndefined"},
    {"Deleted native", "objectTypeDeleted"},
    {"C Thread", "objectTypeCThread"},
    {"Engine", "objectTypeEngine"},
    {"Resource Set", "objectTypeResourceCache"},
    {"Project", "objectTypeProject"},
    {"Renderer", "objectTypeRenderer"},
    {"Raytracer", "objectTypeRaytracer"},
    {"Mixer", "objectTypeMixer"},
    {"Scene", "objectTypeScene"},
    {"Truetype Font", "objectTypeFont"},
    {"Raster Font", "objectTypeRasterFont"},
    {"Window System", "objectTypeWindowSystem"},
    {"Window", "objectTypeWindow"},
    {"Widget", "objectTypeWidget"},
    {"Base Sizer", "objectTypeSizerWidget"},
    {"Container Widget", "objectTypeContainerWidget"},
    {"Spacer Widget", "objectTypeSpacerWidget"},
    {"Canvas Widget", "objectTypeCanvasWidget"},
    {"Text Widget", "objectTypeTextWidget"},
    {"Bitmap Widget", "objectTypeBitmapWidget"},
    {"Check Widget", "objectTypeCheckWidget"},
    {"Picture", "objectTypePicture"},
    {"Scene Group", "objectTypeGroup"},
    {"Item", "objectTypeItem"},
    {"Camera", "objectTypeCamera"},
    {"Object", "objectTypeObject"},
    {"Light", "objectTypeLight"},
    {"Instance", "objectTypeInstance"},
    {"Emitter", nullptr},
    {"Motion", "objectTypeMotion"},
    {"Trigger", "objectTypeTrigger"},
    {"Path", "objectTypePath"},
    {"Sound", "objectTypeSound"},
    {"Texture", "objectTypeTexture"},
    {"Geometry", "objectTypeGeometry"},
    {"Material", "objectTypeMaterial"},
    {"Collision Shape", "objectTypeColShape"},
    {"Physic Constraint", "objectTypeConstraint"},
    {"Metafile", "objectTypeMetafile"},
    {"Metatag", "objectTypeMetatag"},
    {"Joypad", "objectTypeJoypad"},
    {"HID", "objectTypeHidDevice"},
    {"Editor Plugin", "objectTypeEditorPlugin"},
    {"Project Scene", "objectTypeProjectScene"},
    {"Project Layer", "objectTypeProjectLayer"},
    {"Animation Source", "objectTypeAnimationSource"},
};

const char* ScriptObjectKindName(i32 kind) {
    if (kind >= 0 && kind < ScriptKindCount) return g_ScriptObjectKinds[kind].description;
    GetLog() << "[!] No matching description string for type " << kind << ".\n";
    return "Unknown";
}

zString ScriptEngineTypeConstantName(i32 kind) {
    zString name("EngineType");
    zString description(ScriptObjectKindName(kind));
    name.AppendString(description.RemoveChar(' '));
    return name;
}

bool IsScriptItemKind(i32 kind) {
    return kind == ScriptKindItem || kind == ScriptKindCamera || kind == ScriptKindObject ||
           kind == ScriptKindLight || kind == ScriptKindTrigger;
}
