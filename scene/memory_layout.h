// The scene memory layout dump of the start-up banner: the sizes of the
// scene types as this build lays them out.
#pragma once

#include "engine/engine.h"

// Logs "Scene memory layout:", one "    sizeof(<type>) = <n>" line per
// type, then an empty line.
void DumpSceneMemoryLayout();

// The sizes of the scene's types that the engine's core dump lists
// (PrintMemoryLayout); the types not built stay 0.
zCoreTypeSizes SceneCoreTypeSizes();
