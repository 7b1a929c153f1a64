// The registrars of the script API's groups, one file each in scriptapi/,
// called by RegisterScriptApi in the order of its table.
#pragma once

#include "squirrel/squirrel.h"

// Adds the CObject methods that reach scenes, items, shapes and the engine to
// the class the VM's open made; before any CObject exists.
bool RegisterCObjectMethods(HSQUIRRELVM vm);

bool RegisterMathScriptApi(HSQUIRRELVM vm);
bool RegisterAnimationSourceScriptApi(HSQUIRRELVM vm);
bool RegisterAIPathScriptApi(HSQUIRRELVM vm);
bool RegisterSystemScriptApi(HSQUIRRELVM vm);
bool RegisterEngineScriptApi(HSQUIRRELVM vm);
bool RegisterRendererScriptApi(HSQUIRRELVM vm);
bool RegisterMixerScriptApi(HSQUIRRELVM vm);
bool RegisterSceneScriptApi(HSQUIRRELVM vm);
bool RegisterInstanceScriptApi(HSQUIRRELVM vm);
bool RegisterGroupScriptApi(HSQUIRRELVM vm);
bool RegisterCameraScriptApi(HSQUIRRELVM vm);
bool RegisterObjectScriptApi(HSQUIRRELVM vm);
bool RegisterMaterialScriptApi(HSQUIRRELVM vm);
bool RegisterLightScriptApi(HSQUIRRELVM vm);
bool RegisterItemScriptApi(HSQUIRRELVM vm);
bool RegisterMotionScriptApi(HSQUIRRELVM vm);
bool RegisterCollisionShapeScriptApi(HSQUIRRELVM vm);
bool RegisterConstraintScriptApi(HSQUIRRELVM vm);
bool RegisterPictureScriptApi(HSQUIRRELVM vm);
bool RegisterTextureScriptApi(HSQUIRRELVM vm);
bool RegisterSoundScriptApi(HSQUIRRELVM vm);
bool RegisterGeometryScriptApi(HSQUIRRELVM vm);
bool RegisterInputScriptApi(HSQUIRRELVM vm);
bool RegisterUIScriptApi(HSQUIRRELVM vm);
bool RegisterThreadedScriptApi(HSQUIRRELVM vm);
bool RegisterMetafileScriptApi(HSQUIRRELVM vm);
bool RegisterRaytracerScriptApi(HSQUIRRELVM vm);
bool RegisterProjectScriptApi(HSQUIRRELVM vm);
bool RegisterTriggerScriptApi(HSQUIRRELVM vm);
bool RegisterEmitterScriptApi(HSQUIRRELVM vm);
