// The scene memory layout dump of the start-up banner: the sizes of the
// scene types as this build lays them out.
#pragma once

// Logs "Scene memory layout:", one "    sizeof(<type>) = <n>" line per
// type, then an empty line.
void DumpSceneMemoryLayout();
