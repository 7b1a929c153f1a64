// The terrain tags on any bytes: the input, split at its first 0 byte, is the
// tag and a height file "h.raw" it may name. A first root "MTerrain" reads
// into a managed terrain of a scene, with a physics world when its "MItem"
// holds a body (heightfield shapes take the heights); anything else into a
// bare "Terrain". What reads is exercised: normals over several rectangles,
// smoothing, the quadtree, patch meshes, heights, samples and texels at points
// in and around the grid, drawing in both passes (the shadow pass also after
// its camera is gone), the height file saved and read back to the same
// samples; a managed terrain is also set up, updated and its terrain data
// saved. It is then written, read into a fresh terrain and written again: the
// second text must equal the first.
#include <memory>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/tag_text.h"
#include "fuzz/terrain_budget.h"
#include "markup/meta_tag.h"
#include "render/geometry.h"
#include "render/texture.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "scene/terrain.h"

namespace {

void Draw(zTerrain& terrain, zEngine& engine) {
    zList<zRenderablePrimitive*> entries;
    {
        zCamera camera(&engine);
        camera.SetPosition(zVector(terrain.GetWorldWidth() * 0.5f, 2.0f, -terrain.GetWorldDepth() - 5.0f, 1.0f));
        camera.UpdateFrustum(nullptr, -1.0f, -1.0f);
        terrain.AppendPrimitives(&camera, entries, RenderPassNormal);
        terrain.AppendPrimitives(&camera, entries, RenderPassShadow);
    }
    terrain.AppendPrimitives(nullptr, entries, RenderPassShadow);
    for (auto* node = entries.GetHead(); node; node = node->next) {
        auto* patch = static_cast<zTerrainNode*>(node->value->payload);
        if (node->value->kind != PrimitiveTerrainPatch || !patch || patch->terrain != &terrain)
            FuzzFail("a terrain drew an entry that is not one of its patches");
    }
    while (auto* node = entries.GetHead())
        delete entries.Take(node);
}

void Exercise(zTerrain& terrain, zEngine& engine) {
    const i32 across = terrain.GetSamplesAcross(), down = terrain.GetSamplesDown();
    const f32 width = terrain.GetWorldWidth(), depth = terrain.GetWorldDepth();
    const f32 points[][2] = {{0.0f, 0.0f},   {0.5f, -0.5f}, {-1.0f, 1.0f}, {1.0f, 0.0f},
                             {0.999f, -0.999f}, {2.0f, -2.0f}, {0.25f, -0.75f}};
    for (const auto& point : points) {
        const zVector position(point[0] * width, 0.0f, point[1] * depth, 1.0f);
        i32 column = 0, row = 0;
        terrain.GetHeight(position);
        if (terrain.WorldToSample(position, column, row) &&
            (column < 0 || column >= across || row < 0 || row >= down))
            FuzzFail("a sample inside the grid is outside it");
        terrain.GetNormal(column, row);
        if (const zTexture* blendMap = terrain.GetBlendMap()) {
            i32 u = 0, v = 0;
            if (terrain.WorldToTexel(position, *blendMap, u, v) &&
                (u < 0 || v < 0 || u >= i32(blendMap->GetWidth()) || v >= i32(blendMap->GetHeight())))
                FuzzFail("a texel inside the texture is outside it");
        }
    }
    terrain.GetNormal(across, down);
    terrain.ComputeNormals(1, 1, 2, 2);
    terrain.ComputeNormals(-3, -3, 5, 5);
    terrain.ComputeNormals(across - 1, down - 1, 10, 10);
    terrain.ComputeNormals(0, 0, 0, 0);
    if (terrain.GetHeights() && terrain.SaveHeightmap("saved.raw")) {
        const std::vector<i16> before(terrain.GetHeights(),
                                      terrain.GetHeights() + size_t(across + 1) * size_t(down + 1));
        if (!terrain.LoadHeightmap("saved.raw") ||
            !std::equal(before.begin(), before.end(), terrain.GetHeights()))
            FuzzFail("a saved height file reads back to other samples");
    }
    terrain.Smooth(2);
    terrain.BuildQuadtree();
    if (const zTerrainNode* root = terrain.GetRoot()) {
        zTerrainNode copy;
        copy.terrain = &terrain;
        copy.x0 = root->x0;
        copy.y0 = root->y0;
        copy.width = root->width;
        copy.height = root->height;
        copy.step = root->step;
        terrain.BuildNodeGeometry(copy);
    }
    Draw(terrain, engine);
}

std::string ReadAndWrite(const zMetaTag* root, bool first) {
    if (ClaimedTerrainArea(root) > FuzzMaxTerrainArea) return std::string();
    zEngine engine;
    if (root->GetName() == "MTerrain") {
        zSharedPtr<zScene> scene(new zScene(&engine, nullptr));
        // A world costs more than the rest of a run: only an item with a body
        // gets one, in both reads alike.
        const bool body = root->GetTag("MItem:PhysicItem;") || root->GetTag("MItem:TauItem;") ||
                          root->GetTag("MItem:GColItem;");
        if (body && !scene->CreatePhysicWorld()) FuzzFail("a physics world cannot be made");
        zMTerrain* terrain = scene->AddTerrain("terrain");
        if (!terrain || !terrain->ParseTag(nullptr, root)) return std::string();
        const std::string text = TagText(terrain->SerializeTag(), "a read managed terrain cannot be written");
        if (first) {
            scene->Setup(false, 0);
            scene->Update(UpdateAll);
            Exercise(*terrain, engine);
            scene->SaveTerrainData();
            scene->Update(UpdateAll);
        }
        return text;
    }
    zTerrain terrain(&engine);
    if (!terrain.ParseTag(nullptr, root)) return std::string();
    const std::string text = TagText(terrain.SerializeTag(nullptr), "a read terrain cannot be written");
    if (first) Exercise(terrain, engine);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    const std::vector<std::string> parts = SplitAtZeroBytes(data, size, 2);
    if (parts.size() > 1 && !round.AddFile("h.raw", parts[1])) return 0;
    CheckTagRoundTrip(reinterpret_cast<const u8*>(parts[0].data()), parts[0].size(), ReadAndWrite, "terrain");
    return 0;
}
