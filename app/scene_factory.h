// Making a 3D scene for the player: the scene with its embedded 2D user
// interface (the 2D scene lives above the scene's folder, so it is handed in
// here), and the reading of its file with every load flag.
#pragma once

#include "core/shared_object.h"
#include "core/types.h"

class zEngine;
class zMetaTag;
class zMetafile;
class zScene;
class zScriptVM;

// The optimisation parameter a scene is set up with.
constexpr u32 SceneOptimisationParameter = 1024;

// Null, with failureLine logged, when it cannot be made.
zSharedPtr<zScene> NewPlayerScene(zEngine* engine, zScriptVM* vm, const char* failureLine);
// The scene file at path, read from the document's first root (which must
// be "Scene") with every load flag; false when it cannot be read (the file
// road's or the reader's line is logged).
bool LoadSceneFile(zScene& scene, const char* path);
// A "Scene" root of a document read already.
bool LoadSceneTag(zScene& scene, zMetafile& doc, zMetaTag* root);
