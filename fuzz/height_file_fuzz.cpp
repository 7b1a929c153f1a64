// Raw height files on any bytes: the first four bytes give the grid's columns
// and rows (1 to 512 each, little-endian 16-bit numbers), the fifth its
// samples per unit, the rest is the file. A file of exactly columns x rows x 2
// bytes must save back to the same bytes; any other size must leave the
// samples as they were. The grid is then smoothed, given normals, a quadtree
// and a patch mesh, and asked for heights across and around it.
#include <algorithm>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "fuzz/fuzz_support.h"
#include "scene/terrain.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    if (size < 5) return 0;
    zFuzzRound round;
    const i32 columns = 1 + (data[0] | (data[1] << 8)) % 512;
    const i32 rows = 1 + (data[2] | (data[3] << 8)) % 512;
    const f32 samplesPerUnit = 0.25f * f32(1 + data[4] % 16);
    const std::string file(reinterpret_cast<const char*>(data) + 5, size - 5);
    if (!round.AddFile("h.raw", file)) return 0;
    zEngine engine;
    zTerrain terrain(&engine);
    if (!terrain.AllocateHeightmap(columns, rows, samplesPerUnit)) FuzzFail("a valid grid is refused");
    if (!terrain.LoadHeightmap("h.raw")) FuzzFail("a stored height file does not load");
    const size_t count = size_t(columns + 1) * size_t(rows + 1);
    if (file.size() == size_t(columns) * size_t(rows) * 2) {
        if (!terrain.SaveHeightmap("saved.raw")) FuzzFail("a height file cannot be saved");
        FuzzExpectSame(file, round.ReadFile("saved.raw"), "a saved height file differs from the one read");
    } else if (std::any_of(terrain.GetHeights(), terrain.GetHeights() + count, [](i16 s) { return s != 0; })) {
        FuzzFail("a height file of the wrong size changed the samples");
    }
    terrain.Smooth(1);
    terrain.ComputeNormals(0, 0, 0, 0);
    terrain.BuildQuadtree();
    for (i32 step = 0; step <= 8; ++step) {
        const f32 share = f32(step) / 8.0f;
        terrain.GetHeight(zVector(share * terrain.GetWorldWidth(), 0.0f, -share * terrain.GetWorldDepth(), 1.0f));
        terrain.GetHeight(zVector(-share, 0.0f, share, 1.0f));
    }
    if (const zTerrainNode* root = terrain.GetRoot()) {
        zTerrainNode copy;
        copy.terrain = &terrain;
        copy.width = root->width;
        copy.height = root->height;
        copy.step = root->step;
        terrain.BuildNodeGeometry(copy);
    }
    return 0;
}
