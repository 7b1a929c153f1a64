#include "scene/terrain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "io/file_road.h"
#include "markup/meta_tag.h"
#include "markup/reader.h"
#include "physics/physic_item.h"
#include "picture/tga.h"
#include "render/geometry.h"
#include "render/texture.h"
#include "scene/camera.h"
#include "tests/scene/scene_file_fixture.h"

namespace {

// Raw little-endian samples, row by row.
std::string RawSamples(const std::vector<i16>& samples) {
    std::string bytes;
    for (i16 sample : samples) {
        bytes += static_cast<char>(static_cast<u16>(sample) & 0xff);
        bytes += static_cast<char>(static_cast<u16>(sample) >> 8);
    }
    return bytes;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const char* LastName = nullptr;
std::string CalledWith;
void RecordName(zString& name) {
    CalledWith = name.CStr() ? name.CStr() : "";
    if (LastName) name.Set(LastName);
}

class TerrainTest : public SceneFileFixture {
  public:
    void SetUp() override {
        SceneFileFixture::SetUp();
        static int serial = 0;
        dir = std::filesystem::temp_directory_path() /
              ("ze_terrain_" + std::to_string(getpid()) + "_" + std::to_string(++serial));
        std::filesystem::create_directories(dir);
        FileSystemAddSearchPath(dir.string().c_str());
        CalledWith.clear();
        LastName = nullptr;
        ClearMissingResourceFlag();
    }
    void TearDown() override {
        terrain.reset();
        SceneFileFixture::TearDown();
        std::filesystem::remove_all(dir);
        ClearMissingResourceFlag();
    }
    void Write(const char* name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
    }
    std::string Path(const char* name) const { return (dir / name).string(); }
    // A 32-bit picture of that size, every pixel's red at red (0..255).
    void WritePicture(const char* name, u32 width, u32 height, u8 red = 0) {
        zPicture picture;
        ASSERT_TRUE(picture.Allocate(width, height, PixelFormatRGBA8));
        for (u64 at = 0; at < picture.GetBufferSize(); at += 4)
            picture.GetPixels()[at] = red;
        ASSERT_TRUE(SaveTGA(Path(name).c_str(), picture));
    }
    // A W x H grid at one sample per unit, loaded from samples.
    zTerrain& Grid(i32 columns, i32 rows, const std::vector<i16>& samples) {
        terrain.reset(new zTerrain(&engine));
        EXPECT_TRUE(terrain->AllocateHeightmap(columns, rows, 1.0f));
        Write("grid.raw", RawSamples(samples));
        EXPECT_TRUE(terrain->LoadHeightmap("grid.raw"));
        return *terrain;
    }
    zTerrain& Flat(i32 columns, i32 rows) {
        return Grid(columns, rows, std::vector<i16>(size_t(columns) * size_t(rows), 0));
    }
    i16 At(const zTerrain& grid, i32 column, i32 row) const {
        return grid.GetHeights()[size_t(row) * size_t(grid.GetRowStride()) + size_t(column)];
    }
    bool ParseTerrain(zTerrain& into, const std::string& text) {
        Write("t.zml", "<ZML=1.0>\n" + text + "\n");
        zMetafile document;
        if (!LoadMetafileFromFile("t.zml", document)) return false;
        zLinkedListIterator iterator{};
        return into.ParseTag(&document, document.GetNextRoot(iterator));
    }

    std::filesystem::path dir;
    std::unique_ptr<zTerrain> terrain;
};

// ---- Height files -----------------------------------------------------------

TEST_F(TerrainTest, HeightFileFillsTheGridAndItsExtraColumnAndRow) {
    std::vector<i16> samples(16);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<i16>(i * 100 - 700);
    zTerrain& grid = Grid(4, 4, samples);
    EXPECT_EQ(log.Text(), "");
    for (i32 row = 0; row < 4; ++row) {
        for (i32 column = 0; column < 4; ++column)
            EXPECT_EQ(At(grid, column, row), samples[size_t(row * 4 + column)]);
        EXPECT_EQ(At(grid, 4, row), samples[size_t(row * 4 + 3)]) << "extra column of row " << row;
    }
    // The extra row repeats the last one, its extra sample included.
    for (i32 column = 0; column <= 4; ++column)
        EXPECT_EQ(At(grid, column, 4), At(grid, column, 3)) << column;
    EXPECT_FLOAT_EQ(grid.GetWorldWidth(), 4.0f);
    EXPECT_FLOAT_EQ(grid.GetWorldDepth(), 4.0f);
}

TEST_F(TerrainTest, HeightFileOfTheWrongSizeKeepsThePreviousSamples) {
    zTerrain& grid = Grid(4, 4, std::vector<i16>(16, 37));
    Write("short.raw", std::string(30, '\x01'));
    EXPECT_TRUE(grid.LoadHeightmap("short.raw"));
    EXPECT_EQ(log.Text(), "[*] Corrupt heightmap data in short.raw, incorrect data size.\n");
    for (i32 row = 0; row <= 4; ++row)
        for (i32 column = 0; column <= 4; ++column)
            EXPECT_EQ(At(grid, column, row), 37);
}

TEST_F(TerrainTest, MissingHeightFileIsAFailure) {
    zTerrain& grid = Flat(4, 4);
    EXPECT_FALSE(grid.LoadHeightmap("nowhere.raw"));
    EXPECT_EQ(log.Text(), "[!] Failed to allocate heightmap load buffer.\n");
}

TEST_F(TerrainTest, HeightmapSizesOutsideTheLimitsAreRefused) {
    const f32 infinity = std::numeric_limits<f32>::infinity();
    struct Case {
        i32 columns, rows;
        f32 ppm;
    } cases[] = {{0, 4, 1.0f},      {4, -1, 1.0f},   {-65536, -65536, 1.0f}, {16385, 4, 1.0f},
                 {4, 0x7fffffff, 1.0f}, {4, 4, 0.0f}, {4, 4, -2.0f},          {4, 4, std::nanf("")},
                 {4, 4, infinity}};
    for (const Case& c : cases) {
        zTerrain grid(&engine);
        ASSERT_TRUE(grid.AllocateHeightmap(4, 4, 1.0f));
        log.Reset();
        EXPECT_FALSE(grid.AllocateHeightmap(c.columns, c.rows, c.ppm)) << c.columns << " " << c.rows;
        EXPECT_EQ(log.Text().rfind("[!] Invalid terrain heightmap size (", 0), 0u) << log.Text();
        EXPECT_EQ(grid.GetHeights(), nullptr);
        EXPECT_EQ(grid.GetSamplesAcross(), 0);
        EXPECT_EQ(grid.GetWorldWidth(), 0.0f);
        EXPECT_EQ(grid.GetHeight(zVector(0.5f, 0.0f, -0.5f, 1.0f)), 0.0f);
    }
    zTerrain widest(&engine);
    EXPECT_TRUE(widest.AllocateHeightmap(16384, 1, 0.5f));
    EXPECT_FLOAT_EQ(widest.GetWorldWidth(), 32768.0f);
    EXPECT_FLOAT_EQ(widest.GetUnitsPerSample(), 2.0f);
}

TEST_F(TerrainTest, SavedHeightFileHoldsTheGridWithoutItsExtraColumn) {
    std::vector<i16> samples = {1, -2, 300, 4, -32768, 32767};
    zTerrain& grid = Grid(3, 2, samples);
    const std::string out = Path("saved.raw");
    ASSERT_TRUE(grid.SaveHeightmap(out.c_str()));
    EXPECT_EQ(ReadFile(out), RawSamples(samples));
    EXPECT_FALSE(grid.SaveHeightmap(Path("no/such/folder/x.raw").c_str()));
    zTerrain empty(&engine);
    EXPECT_FALSE(empty.SaveHeightmap(out.c_str()));
}

TEST_F(TerrainTest, PictureGivesTheHeightsOfItsRedChannel) {
    WritePicture("red.tga", 8, 8, 128);
    terrain.reset(new zTerrain(&engine));
    ASSERT_TRUE(terrain->AllocateHeightmap(4, 4, 1.0f));
    ASSERT_TRUE(terrain->LoadHeightmapFromPicture("red.tga", 0));
    const i16 expected = static_cast<i16>(static_cast<i32>(128.0f / 255.0f * 256.0f * 20.0f));
    for (i32 row = 0; row <= 4; ++row)
        for (i32 column = 0; column <= 4; ++column)
            EXPECT_EQ(At(*terrain, column, row), expected) << column << "," << row;
    EXPECT_FALSE(terrain->LoadHeightmapFromPicture("missing.tga", 0));
}

// ---- Heights, samples, texels -----------------------------------------------

TEST_F(TerrainTest, HeightAtAPositionIsItsSampleOverTwenty) {
    std::vector<i16> samples(16, 0);
    samples[2 * 4 + 1] = 200;
    zTerrain& grid = Grid(4, 4, samples);
    struct Case {
        zVector position;
        f32 height;
    } cases[] = {
        {zVector(1.5f, 0.0f, -2.5f, 1.0f), 10.0f},  {zVector(1.0f, 7.0f, -2.0f, 1.0f), 10.0f},
        {zVector(1.99f, 0.0f, -2.99f, 1.0f), 10.0f}, {zVector(2.0f, 0.0f, -2.5f, 1.0f), 0.0f},
        {zVector(1.5f, 0.0f, 0.5f, 1.0f), 0.0f},    {zVector(1.5f, 0.0f, 2.5f, 1.0f), 0.0f},
        {zVector(-0.5f, 0.0f, -2.5f, 1.0f), 0.0f},  {zVector(-3.5f, 0.0f, -2.5f, 1.0f), 0.0f},
        {zVector(4.0f, 0.0f, -2.5f, 1.0f), 0.0f},   {zVector(1.5f, 0.0f, -4.0f, 1.0f), 0.0f},
        {zVector(std::nanf(""), 0.0f, -2.5f, 1.0f), 0.0f}, {zVector(1e30f, 0.0f, -1e30f, 1.0f), 0.0f},
    };
    for (const Case& c : cases)
        EXPECT_EQ(grid.GetHeight(c.position), c.height) << c.position.x << "," << c.position.z;
    i32 column = 0, row = 0;
    EXPECT_TRUE(grid.WorldToSample(zVector(3.5f, 0.0f, -0.5f, 1.0f), column, row));
    EXPECT_EQ(column, 3);
    EXPECT_EQ(row, 0);
}

TEST_F(TerrainTest, TexelOfAPosition) {
    zTerrain& grid = Flat(4, 4);
    zPicture texture;
    ASSERT_TRUE(texture.Allocate(1024, 512, PixelFormatRGBA8));
    i32 u = 0, v = 0;
    EXPECT_TRUE(grid.WorldToTexel(zVector(1.0f, 0.0f, -1.0f, 1.0f), texture, u, v));
    EXPECT_EQ(u, 256);
    EXPECT_EQ(v, 384);
    EXPECT_TRUE(grid.WorldToTexel(zVector(0.0f, 0.0f, -4.0f, 1.0f), texture, u, v));
    EXPECT_EQ(u, 0);
    EXPECT_EQ(v, 0);
    EXPECT_FALSE(grid.WorldToTexel(zVector(4.0f, 0.0f, -1.0f, 1.0f), texture, u, v));
    EXPECT_FALSE(grid.WorldToTexel(zVector(1.0f, 0.0f, 0.5f, 1.0f), texture, u, v));
    EXPECT_FALSE(grid.WorldToTexel(zVector(-0.1f, 0.0f, -1.0f, 1.0f), texture, u, v));
}

// ---- Normals and smoothing --------------------------------------------------

TEST_F(TerrainTest, FlatGridHasUpNormals) {
    zTerrain& grid = Flat(4, 3);
    grid.ComputeNormals(0, 0, 0, 0);
    for (i32 row = 0; row < 3; ++row) {
        for (i32 column = 0; column < 4; ++column) {
            const i8* bytes = grid.GetNormals() + (size_t(row) * 5 + size_t(column)) * 3;
            EXPECT_EQ(bytes[0], 0);
            EXPECT_EQ(bytes[1], 127);
            EXPECT_EQ(bytes[2], 0);
        }
    }
    const zVector up = grid.GetNormal(2, 1);
    EXPECT_EQ(up.y, 1.0f);
    EXPECT_EQ(up.w, 1.0f);
}

TEST_F(TerrainTest, RampAlongTheColumnsTiltsTheNormals) {
    std::vector<i16> samples;
    for (i32 row = 0; row < 4; ++row)
        for (i32 column = 0; column < 4; ++column)
            samples.push_back(static_cast<i16>(20 * column));
    zTerrain& grid = Grid(4, 4, samples);
    grid.ComputeNormals(0, 0, 0, 0);
    const i8 tilt = static_cast<i8>(static_cast<i32>(127.0f / std::sqrt(2.0f)));
    for (i32 row = 0; row < 4; ++row) {
        for (i32 column = 0; column < 3; ++column) {
            const i8* bytes = grid.GetNormals() + (size_t(row) * 5 + size_t(column)) * 3;
            EXPECT_EQ(bytes[0], -tilt);
            EXPECT_EQ(bytes[1], tilt);
            EXPECT_EQ(bytes[2], 0);
        }
    }
}

// The extra row used to stay as allocated, so the last row's normals read
// whatever it held.
TEST_F(TerrainTest, LastRowNormalsReadTheRepeatedRow) {
    std::vector<i16> samples;
    for (i32 row = 0; row < 4; ++row)
        for (i32 column = 0; column < 4; ++column)
            samples.push_back(static_cast<i16>(20 * row + 100));
    zTerrain& grid = Grid(4, 4, samples);
    grid.ComputeNormals(0, 0, 0, 0);
    for (i32 column = 0; column < 4; ++column) {
        const i8* bytes = grid.GetNormals() + (size_t(3) * 5 + size_t(column)) * 3;
        EXPECT_EQ(bytes[1], 127) << column;
        EXPECT_EQ(bytes[2], 0) << column;
    }
}

TEST_F(TerrainTest, NormalsOverARectangleLeaveTheRestAlone) {
    std::vector<i16> samples;
    for (i32 row = 0; row < 4; ++row)
        for (i32 column = 0; column < 4; ++column)
            samples.push_back(static_cast<i16>(20 * column));
    zTerrain& grid = Grid(4, 4, samples);
    grid.ComputeNormals(1, 1, 100, 1);
    for (i32 row = 0; row < 4; ++row) {
        for (i32 column = 0; column < 4; ++column) {
            const bool inside = row == 1 && column >= 1;
            EXPECT_EQ(grid.GetNormal(column, row).y != 0.0f, inside) << column << "," << row;
        }
    }
    grid.ComputeNormals(-5, -5, 6, 6);
    EXPECT_NE(grid.GetNormal(0, 0).y, 0.0f);
    EXPECT_EQ(grid.GetNormal(99, 0).y, 0.0f);
}

TEST_F(TerrainTest, SmoothingUpdatesInPlaceRowByRow) {
    std::vector<i16> samples(25, 0);
    samples[2 * 5 + 2] = 500;
    zTerrain& grid = Grid(5, 5, samples);
    grid.Smooth(1);
    // Left and upper neighbours are already 100 when the spike is reached:
    // (500 + 100 + 0 + 100 + 0) / 5.
    EXPECT_EQ(At(grid, 2, 2), 140);
    EXPECT_EQ(At(grid, 2, 1), 100);
    EXPECT_EQ(At(grid, 1, 2), 100);
    EXPECT_EQ(At(grid, 3, 1), 20);
    EXPECT_EQ(At(grid, 3, 2), 32); // (0 + 140 + 0 + 20 + 0) / 5
    // The border is not touched.
    EXPECT_EQ(At(grid, 2, 0), 0);
    EXPECT_EQ(At(grid, 0, 2), 0);
}

// ---- Quadtree, patches, drawing ---------------------------------------------

TEST_F(TerrainTest, QuadtreeDepthFollowsTheWidth) {
    Flat(63, 63).BuildQuadtree();
    EXPECT_EQ(terrain->GetRoot(), nullptr);

    Flat(64, 64).BuildQuadtree();
    ASSERT_NE(terrain->GetRoot(), nullptr);
    EXPECT_EQ(terrain->GetRoot()->step, 1);
    for (const auto& child : terrain->GetRoot()->children)
        EXPECT_EQ(child, nullptr);

    Flat(256, 256).BuildQuadtree();
    const zTerrainNode* root = terrain->GetRoot();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->step, 4);
    const i32 corners[4][2] = {{0, 0}, {128, 0}, {0, 128}, {128, 128}};
    for (int index = 0; index < 4; ++index) {
        ASSERT_NE(root->children[index], nullptr);
        EXPECT_EQ(root->children[index]->step, 2);
        EXPECT_EQ(root->children[index]->x0, corners[index][0]);
        EXPECT_EQ(root->children[index]->y0, corners[index][1]);
        EXPECT_EQ(root->children[index]->width, 128);
    }
}

TEST_F(TerrainTest, NodeBoundsSpanTheSamplesAtItsStep) {
    std::vector<i16> samples(128 * 64, 40);
    samples[3 * 128 + 5] = 400;   // on no sample of the root's step 2
    samples[2 * 128 + 4] = -100;  // on one
    zTerrain& grid = Grid(128, 64, samples);
    ASSERT_TRUE(grid.AllocateHeightmap(128, 64, 2.0f));
    ASSERT_TRUE(grid.LoadHeightmap("grid.raw"));
    grid.BuildQuadtree();
    const zTerrainNode* root = grid.GetRoot();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->step, 2);
    EXPECT_FLOAT_EQ(root->minimum.x, 0.0f);
    EXPECT_FLOAT_EQ(root->minimum.y, -5.0f);
    EXPECT_FLOAT_EQ(root->minimum.z, -32.0f);
    EXPECT_FLOAT_EQ(root->maximum.x, 64.0f);
    EXPECT_FLOAT_EQ(root->maximum.y, 2.0f);
    EXPECT_FLOAT_EQ(root->maximum.z, 0.0f);
    const zVector centre = zTerrain::GetNodeCentre(*root);
    EXPECT_FLOAT_EQ(centre.x, 32.0f);
    EXPECT_FLOAT_EQ(centre.z, -16.0f);
    EXPECT_FLOAT_EQ(root->GetSpacing(), 0.5f);
}

TEST_F(TerrainTest, NodeGeometryIsAGridOfQuads) {
    std::vector<i16> samples(64 * 64, 0);
    samples[1 * 64 + 2] = 60;
    zTerrain& grid = Grid(64, 64, samples);
    grid.BuildQuadtree();
    zTerrainNode root = {};
    root.terrain = &grid;
    root.width = 4;
    root.height = 2;
    root.step = 2;
    ASSERT_TRUE(grid.BuildNodeGeometry(root));
    zGeometry* geometry = root.geometry.Get();
    ASSERT_NE(geometry, nullptr);
    // Columns 0, 2, 4 by rows 0, 2; the last column is the extra one.
    ASSERT_EQ(geometry->GetVertexCount(), 6u);
    ASSERT_EQ(geometry->GetPolygonCount(), 2u);
    const zVector& lifted = geometry->GetVertices()[1];
    EXPECT_EQ(lifted.x, 2.0f);
    EXPECT_EQ(lifted.y, 0.0f);
    EXPECT_EQ(lifted.z, 0.0f);
    const zVector& far = geometry->GetVertices()[5];
    EXPECT_EQ(far.x, 4.0f);
    EXPECT_EQ(far.z, -2.0f);
    const u32 expected[2][4] = {{0, 1, 4, 3}, {1, 2, 5, 4}};
    for (u32 p = 0; p < 2; ++p) {
        ASSERT_EQ(geometry->GetPolygons()[p].cornerCount, 4);
        for (u32 corner = 0; corner < 4; ++corner)
            EXPECT_EQ(geometry->GetPolygons()[p].bindings[corner], expected[p][corner]) << p << "," << corner;
    }
    root.step = 1;
    ASSERT_TRUE(grid.BuildNodeGeometry(root));
    EXPECT_EQ(root.geometry->GetVertices()[1 * 5 + 2].y, 3.0f);
    // Patches reaching past the grid make nothing.
    zTerrainNode outside;
    outside.terrain = &grid;
    outside.width = 4;
    outside.height = 2;
    outside.step = 1;
    outside.x0 = 62;
    EXPECT_FALSE(grid.BuildNodeGeometry(outside));
    outside.x0 = -1;
    EXPECT_FALSE(grid.BuildNodeGeometry(outside));
}

TEST_F(TerrainTest, NewGridOrClearDropsTheQuadtree) {
    Flat(64, 64).BuildQuadtree();
    ASSERT_NE(terrain->GetRoot(), nullptr);
    terrain->Clear();
    EXPECT_EQ(terrain->GetRoot(), nullptr);
    EXPECT_EQ(terrain->GetHeights(), nullptr);
    EXPECT_EQ(terrain->GetRowCount(), 0);
    ASSERT_TRUE(terrain->AllocateHeightmap(64, 64, 1.0f));
    terrain->BuildQuadtree();
    ASSERT_NE(terrain->GetRoot(), nullptr);
    ASSERT_TRUE(terrain->AllocateHeightmap(8, 8, 1.0f));
    EXPECT_EQ(terrain->GetRoot(), nullptr);
}

class TerrainDrawingTest : public TerrainTest {
  public:
    void SetUp() override {
        TerrainTest::SetUp();
        Flat(256, 256).BuildQuadtree();
    }
    void TearDown() override {
        Clear();
        TerrainTest::TearDown();
    }
    void Clear() {
        while (auto* node = entries.GetHead())
            delete entries.Take(node);
    }
    std::unique_ptr<zCamera> Camera(f32 z) {
        std::unique_ptr<zCamera> camera(new zCamera(&engine));
        camera->SetAspect(1.0f);
        camera->SetPosition(zVector(128.0f, 0.0f, z, 1.0f));
        camera->UpdateFrustum(nullptr, -1.0f, -1.0f);
        return camera;
    }
    std::vector<const zTerrainNode*> Draw(zCamera* camera, u32 pass) {
        Clear();
        terrain->AppendPrimitives(camera, entries, pass);
        std::vector<const zTerrainNode*> nodes;
        for (auto* node = entries.GetHead(); node; node = node->next) {
            EXPECT_EQ(node->value->kind, PrimitiveTerrainPatch);
            EXPECT_EQ(node->value->renderable, terrain.get());
            EXPECT_EQ(node->value->sortKey, 0.0f);
            nodes.push_back(static_cast<const zTerrainNode*>(node->value->payload));
        }
        return nodes;
    }
    zList<zRenderablePrimitive*> entries;
};

TEST_F(TerrainDrawingTest, FarViewDrawsTheRootAndNearViewTheLeaves) {
    auto far = Camera(-1200.0f);
    EXPECT_EQ(Draw(far.get(), RenderPassNormal), std::vector<const zTerrainNode*>{terrain->GetRoot()});
    auto near = Camera(-260.0f);
    const std::vector<const zTerrainNode*> nodes = Draw(near.get(), RenderPassNormal);
    ASSERT_GT(nodes.size(), 4u);
    size_t leaves = 0;
    for (const zTerrainNode* node : nodes) {
        EXPECT_NE(node, terrain->GetRoot());
        if (node->step == 1) ++leaves;
    }
    EXPECT_GT(leaves, 0u);
}

TEST_F(TerrainDrawingTest, ViewBehindTheCameraIsCulled) {
    // Looking along +z from in front of the terrain: it is behind.
    auto behind = Camera(100.0f);
    EXPECT_TRUE(Draw(behind.get(), RenderPassNormal).empty());
}

// The shadow pass used to read the normal pass's camera through a pointer,
// long after that camera could be gone.
TEST_F(TerrainDrawingTest, LaterPassesUseTheNormalPassViewAfterItsCameraIsGone) {
    auto shadowView = Camera(-260.0f);
    // No normal pass yet: the given view decides.
    EXPECT_GT(Draw(shadowView.get(), RenderPassShadow).size(), 1u);
    auto far = Camera(-1200.0f);
    ASSERT_EQ(Draw(far.get(), RenderPassNormal).size(), 1u);
    far.reset();
    EXPECT_EQ(Draw(shadowView.get(), RenderPassShadow), std::vector<const zTerrainNode*>{terrain->GetRoot()});
    EXPECT_EQ(Draw(nullptr, RenderPassShadow).size(), 1u);
}

// ---- The "Terrain" tag --------------------------------------------------------

TEST_F(TerrainTest, HeightmapBlockWithoutPpmIsIgnored) {
    Write("land.raw", RawSamples(std::vector<i16>(16, 20)));
    zTerrain parsed(&engine);
    ASSERT_TRUE(ParseTerrain(parsed, R"(<Terrain=<Blendmap="b.tga"><Heightmap=<Width=4><Height=4><Data="land.raw">>>)"));
    EXPECT_EQ(parsed.GetHeights(), nullptr);
    EXPECT_EQ(parsed.GetSamplesAcross(), 0);
    EXPECT_TRUE(parsed.GetHeightmapPath().IsEmpty());

    ASSERT_TRUE(ParseTerrain(parsed,
                             R"(<Terrain=<Blendmap="b.tga"><Heightmap=<Width=4><Height=4><Ppm=2><Data="land.raw">>>)"));
    ASSERT_NE(parsed.GetHeights(), nullptr);
    EXPECT_EQ(parsed.GetHeightmapPath(), "land.raw");
    EXPECT_FLOAT_EQ(parsed.GetWorldWidth(), 2.0f);
    EXPECT_EQ(parsed.GetHeight(zVector(1.0f, 0.0f, -1.0f, 1.0f)), 1.0f);
    EXPECT_EQ(parsed.GetNormal(1, 1).y, 1.0f);
    EXPECT_EQ(parsed.GetRoot(), nullptr); // 4 / 64 = 0
}

TEST_F(TerrainTest, HeightmapBlockOfAnInvalidSizeLeavesNoGrid) {
    Write("land.raw", RawSamples(std::vector<i16>(16, 20)));
    zTerrain parsed(&engine);
    ASSERT_TRUE(ParseTerrain(
        parsed, R"(<Terrain=<Blendmap="b.tga"><Heightmap=<Width=-65536><Height=-65536><Ppm=1.0><Data="land.raw">>>)"));
    EXPECT_EQ(parsed.GetHeights(), nullptr);
    ASSERT_TRUE(ParseTerrain(
        parsed, R"(<Terrain=<Blendmap="b.tga"><Heightmap=<Width=4><Height=4><Ppm=0.0><Data="land.raw">>>)"));
    EXPECT_EQ(parsed.GetHeights(), nullptr);
    EXPECT_EQ(parsed.GetWorldWidth(), 0.0f);
}

TEST_F(TerrainTest, MissingHeightFileGoesThroughTheEngineCallback) {
    Write("found.raw", RawSamples(std::vector<i16>(16, 40)));
    LastName = "found.raw";
    engine.missingHeightFileCallback = RecordName;
    zTerrain parsed(&engine);
    ASSERT_TRUE(ParseTerrain(parsed,
                             R"(<Terrain=<Blendmap="b.tga"><Heightmap=<Width=4><Height=4><Ppm=1.0><Data="lost.raw">>>)"));
    engine.missingHeightFileCallback = nullptr;
    EXPECT_EQ(CalledWith, "lost.raw");
    EXPECT_EQ(parsed.GetHeightmapPath(), "found.raw");
    EXPECT_EQ(parsed.GetHeight(zVector(0.5f, 0.0f, -0.5f, 1.0f)), 2.0f);
}

TEST_F(TerrainTest, LayersPickTheirIndexAndReadTheirSettings) {
    zTerrain parsed(&engine);
    ASSERT_TRUE(ParseTerrain(parsed, R"(<Terrain=<Blendmap="b.tga"><Layers=
        <Layer=<Index=7><Diffuse="grass.tga"><UVTiling=8.0><UVAxis="ZY">>
        <Layer=<Index=2><Normal="rock_n.tga"><UVAngle=0.5><UVAxis="Diagonal">>
        <Layer=<Index=3><UVAxis="XY">>
        <Other=1>>>)"));
    const zTerrainLayer& first = parsed.GetLayer(0);
    ASSERT_TRUE(first.diffuse);
    EXPECT_EQ(first.diffuse->GetName(), "grass.tga");
    EXPECT_FALSE(first.normal);
    EXPECT_EQ(first.uvTiling, 8.0f);
    EXPECT_EQ(first.uvAxis, TerrainAxisZY);
    const zTerrainLayer& third = parsed.GetLayer(2);
    ASSERT_TRUE(third.normal);
    EXPECT_EQ(third.normal->GetName(), "rock_n.tga");
    EXPECT_EQ(third.uvAngle, 0.5f);
    EXPECT_EQ(third.uvAxis, TerrainAxisXZ);
    EXPECT_EQ(parsed.GetLayer(3).uvAxis, TerrainAxisXY);
    EXPECT_EQ(&parsed.GetLayer(-1), &parsed.GetLayer(0));
    EXPECT_EQ(&parsed.GetLayer(4), &parsed.GetLayer(0));
}

TEST_F(TerrainTest, TagErrorsAndUnknownChildrenAreLogged) {
    zTerrain parsed(&engine);
    EXPECT_FALSE(ParseTerrain(parsed, "<Landscape=1>"));
    EXPECT_EQ(log.Text(), "[!] Could not parse terrain. Root tag id is incorrect (Landscape).\n");
    log.Reset();
    EXPECT_TRUE(ParseTerrain(parsed, R"(<Terrain=<Bumps=3><Blendmap="b.tga"><Width=12.5>>)"));
    EXPECT_EQ(log.Text(), "[*] Unknown tag 'Bumps' in <Terrain>.\n"
                          "[!] Failed to set texture content from 'b.tga'.\n"
                          "[!] Terrain blend map 'b.tga' is corrupted.\n");
    EXPECT_EQ(parsed.GetWorldWidth(), 12.5f);
    ASSERT_NE(parsed.GetBlendMap(), nullptr);
    EXPECT_EQ(parsed.GetBlendMap()->GetName(), "b.tga");
}

TEST_F(TerrainTest, BlendMapOfTheRightWidthIsQuiet) {
    WritePicture("blend.tga", 1024, 2);
    zTerrain parsed(&engine);
    ASSERT_TRUE(ParseTerrain(parsed, R"(<Terrain=<Blendmap="blend.tga">>)"));
    EXPECT_EQ(log.Text(), "");
    ASSERT_NE(parsed.GetBlendMap(), nullptr);
    EXPECT_EQ(parsed.GetBlendMap()->GetWidth(), 1024u);
    EXPECT_FALSE(IsMissingResourceFlagRaised());
}

TEST_F(TerrainTest, MissingBlendMapGoesThroughTheTextureCallback) {
    WritePicture("other.tga", 1024, 1);
    engine.missingTextureCallback = RecordName;
    zTerrain parsed(&engine);
    ASSERT_TRUE(ParseTerrain(parsed, "<Terrain=<Width=1.0>>"));
    EXPECT_EQ(CalledWith, "blendmap.tga");
    EXPECT_EQ(parsed.GetBlendMap(), nullptr);

    LastName = "other.tga";
    zTerrain renamed(&engine);
    ASSERT_TRUE(ParseTerrain(renamed, "<Terrain=<Width=1.0>>"));
    ASSERT_NE(renamed.GetBlendMap(), nullptr);
    EXPECT_EQ(renamed.GetBlendMap()->GetName(), "other.tga");
    engine.missingTextureCallback = nullptr;
}

TEST_F(TerrainTest, WriterLeavesOutLayersWithoutTextures) {
    zTerrain parsed(&engine);
    ASSERT_TRUE(ParseTerrain(parsed, R"(<Terrain=<Blendmap="b.tga"><Layers=
        <Layer=<Index=1><UVTiling=3.0>><Layer=<Index=3><Diffuse="d.tga">>>>)"));
    std::unique_ptr<zMetaTag> tag(parsed.SerializeTag(nullptr));
    ASSERT_NE(tag, nullptr);
    const zMetaTag* layers = tag->GetTag("Layers;");
    ASSERT_NE(layers, nullptr);
    ASSERT_EQ(layers->GetChildCount(), 1u);
    EXPECT_EQ(layers->GetTypedTag("Layer:Index;", VariantInt)->GetRawInt(), 3);
    EXPECT_EQ(tag->GetTag("Heightmap;"), nullptr);
}

// ---- Managed terrains in scenes ------------------------------------------------

const char* const TerrainScene = R"(<MTerrain=<MItem=<Id="Land"><UId=0><Active>><Terrain=<Width=4.0><Height=4.0><Material=<Id="ground">>
    <Layers=<Layer=<Index=0><Diffuse="grass.tga"><UVTiling=8.0><UVAxis="XY">>
            <Layer=<Index=2><Normal="rock_n.tga"><UVAngle=0.5>>>
    <Blendmap="blend.tga">
    <Heightmap=<Width=4><Height=4><Ppm=1.0><Data="land.raw">>>>)";

TEST_F(TerrainTest, AddTerrainMakesAKindSevenItem) {
    ListenerLog listener;
    scene->GetListeners().Add(&listener);
    zMTerrain* added = scene->AddTerrain("Hills");
    scene->GetListeners().Remove(&listener);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(listener.events, (std::vector<u32>{SceneEventItemAdding, SceneEventItemAdded}));
    EXPECT_EQ(added->GetKind(), ManagedKindTerrain);
    EXPECT_EQ(added->GetName(), "Hills");
    EXPECT_EQ(scene->FindByName(ManagedKindTerrain, "Hills"), added);
    EXPECT_EQ(added->GetItem(), static_cast<zItem*>(added));
    EXPECT_EQ(added->GetRenderable(), static_cast<zRenderable*>(added));
    zMItem* found = nullptr;
    EXPECT_EQ(scene->FindManagedItemOfItem(added, &found), ManagedKindTerrain);
    EXPECT_EQ(found, added);
}

TEST_F(TerrainTest, SceneRoundTripKeepsTheTerrainAndLeavesTheHeightFile) {
    WritePicture("blend.tga", 1024, 1);
    const std::string heights = RawSamples(std::vector<i16>{0, 20, 40, 60, 80, 100, 120, 140, 160, 180, 200, 220,
                                                            240, 260, 280, 300});
    Write("land.raw", heights);
    ASSERT_TRUE(LoadText(*scene, SceneFile(TerrainScene)));
    auto* land = dynamic_cast<zMTerrain*>(scene->FindByName(ManagedKindTerrain, "Land"));
    ASSERT_NE(land, nullptr);
    EXPECT_EQ(land->GetHeight(zVector(2.5f, 0.0f, -1.5f, 1.0f)), 6.0f);
    ASSERT_NE(land->GetBlendMap(), nullptr);
    EXPECT_EQ(land->GetLayer(0).uvAxis, TerrainAxisXY);
    // Samples changed in memory stay in memory: writing the scene writes tags.
    land->GetHeights()[0] = 999;
    const std::string first = SaveText(*scene);
    EXPECT_EQ(ReadFile(dir / "land.raw"), heights);
    EXPECT_EQ(Count(first, "<MTerrain="), 1u);
    EXPECT_EQ(Count(first, "<Layer="), 2u);
    EXPECT_NE(first.find("Blendmap=\"blend.tga\""), std::string::npos) << first;
    EXPECT_NE(first.find("Data=\"land.raw\""), std::string::npos) << first;
    EXPECT_NE(first.find("UVAxis=\"XY\""), std::string::npos) << first;

    zScene* again = Fresh();
    ASSERT_TRUE(LoadText(*again, first, SceneLoadAll, nullptr, "again.zms"));
    EXPECT_EQ(SaveText(*again), first);
    EXPECT_EQ(ReadFile(dir / "land.raw"), heights);

    // Without the terrain flag nothing is made.
    zScene* masked = Fresh();
    ASSERT_TRUE(LoadText(*masked, first, SceneLoadAll & ~SceneLoadTerrains, nullptr, "masked.zms"));
    EXPECT_EQ(masked->GetKindList(ManagedKindTerrain).GetCount(), 0u);
}

TEST_F(TerrainTest, ManagedTagErrors) {
    zMTerrain* land = scene->AddTerrain("Land");
    ASSERT_NE(land, nullptr);
    Write("m.zml", "<ZML=1.0>\n<MLand=1>\n<MTerrain=<MItem=<UId=3>><Rocks=1><Terrain=<Blendmap=\"b.tga\">>>\n");
    zMetafile document;
    ASSERT_TRUE(LoadMetafileFromFile("m.zml", document));
    zLinkedListIterator iterator{};
    const zMetaTag* wrong = document.GetNextRoot(iterator);
    const zMetaTag* right = document.GetNextRoot(iterator);
    log.Reset();
    EXPECT_FALSE(land->ParseTag(&document, wrong));
    EXPECT_EQ(log.Text(), "[!] could not parse managed terrain. Root tag id is incorrect (MLand).\n");
    log.Reset();
    EXPECT_TRUE(land->ParseTag(&document, right));
    EXPECT_NE(log.Text().find("[*] Unknown tag 'Rocks' in <MTerrain>.\n"), std::string::npos) << log.Text();
    EXPECT_EQ(land->GetUid(), 3);
}

TEST_F(TerrainTest, SetupBuildsNormalsAndQuadtree) {
    zMTerrain* land = scene->AddTerrain("Land");
    ASSERT_TRUE(land->AllocateHeightmap(64, 64, 1.0f));
    EXPECT_EQ(land->GetNormal(3, 3).y, 0.0f);
    scene->Setup(false, 0);
    EXPECT_EQ(land->GetNormal(3, 3).y, 1.0f);
    ASSERT_NE(land->GetRoot(), nullptr);
    EXPECT_EQ(land->GetRoot()->step, 1);
}

// Heightfield shapes used to point into the terrain's grid, which a new
// heightmap frees.
TEST_F(TerrainTest, HeightfieldShapesKeepTheirOwnCopyOfTheHeights) {
    ASSERT_TRUE(scene->CreatePhysicWorld());
    std::vector<i16> samples;
    for (i16 i = 0; i < 16; ++i)
        samples.push_back(static_cast<i16>(i * 10));
    Write("land.raw", RawSamples(samples));
    const std::string text = R"(<MTerrain=<MItem=<Id="Land"><UId=0><Active>
        <PhysicItem=<Mode="Static"><Shapes=<PhysicShape=<Type="Heightmap">><PhysicShape=<Type="Box">>>>>
        <Terrain=<Blendmap="b.tga"><Heightmap=<Width=4><Height=4><Ppm=2.0><Data="land.raw">>>>)";
    ASSERT_TRUE(LoadText(*scene, SceneFile(text)));
    auto* land = dynamic_cast<zMTerrain*>(scene->FindByName(ManagedKindTerrain, "Land"));
    ASSERT_NE(land, nullptr);
    ASSERT_NE(land->GetPhysicItem(), nullptr);
    const zPhysicShape* field = land->GetPhysicItem()->GetShapes().GetHead()->value.get();
    const zPhysicShape* box = land->GetPhysicItem()->GetShapes().GetHead()->next->value.get();
    EXPECT_EQ(box->type, PhysicShapeBox);
    EXPECT_EQ(box->heightmapSamples, nullptr);
    ASSERT_EQ(field->type, PhysicShapeHeightmap);
    EXPECT_EQ(field->heightmapColumns, 5);
    EXPECT_EQ(field->heightmapRows, 4);
    EXPECT_EQ(field->heightmapSpacing, 0.5f);
    ASSERT_NE(field->heightmapSamples, nullptr);
    EXPECT_NE(field->heightmapSamples.get(), land->GetHeights());
    ASSERT_TRUE(land->AllocateHeightmap(4, 4, 1.0f)); // frees the grid the shape was taken from
    for (i32 row = 0; row < 4; ++row) {
        for (i32 column = 0; column < 4; ++column)
            EXPECT_EQ(field->heightmapSamples[size_t(row * 5 + column)], samples[size_t(row * 4 + column)]);
        EXPECT_EQ(field->heightmapSamples[size_t(row * 5 + 4)], samples[size_t(row * 4 + 3)]);
    }
    scene->Setup(false, 0);
}

TEST_F(TerrainTest, SaveTerrainDataWritesHeightFilesAndBlendMaps) {
    WritePicture("blend.tga", 1024, 1, 9);
    const std::string heights = RawSamples(std::vector<i16>(16, 7));
    Write("land.raw", heights);
    std::string text = TerrainScene;
    ASSERT_TRUE(LoadText(*scene, SceneFile(text)));
    auto* land = dynamic_cast<zMTerrain*>(scene->FindByName(ManagedKindTerrain, "Land"));
    ASSERT_NE(land, nullptr);
    land->GetHeights()[0] = 300;
    land->SetHeightmapPath(Path("saved.raw").c_str());
    land->GetBlendMap()->SetName(zString(Path("saved.tga").c_str()));
    zMTerrain* bare = scene->AddTerrain("Bare");
    bare->SetHeightmapPath(Path("bare.raw").c_str());
    log.Reset();
    // A terrain that could not be written fails the save.
    EXPECT_FALSE(scene->SaveTerrainData());
    EXPECT_EQ(log.Text(), "[!] Failed to save height map '" + Path("bare.raw") + "' for terrain 'Bare'.\n");
    std::vector<i16> saved(16, 7);
    saved[0] = 300;
    EXPECT_EQ(ReadFile(dir / "saved.raw"), RawSamples(saved));
    zPicture written;
    ASSERT_TRUE(written.Load(Path("saved.tga").c_str()));
    EXPECT_EQ(written.GetWidth(), 1024u);

    scene->QueueForDeletion(bare);
    scene->FlushDeletionQueue();
    log.Reset();
    EXPECT_TRUE(scene->SaveTerrainData());
    EXPECT_EQ(log.Text(), "");

    land->GetBlendMap()->SetName(zString(Path("no/folder/b.tga").c_str()));
    land->SetHeightmapPath(Path("no/folder/h.raw").c_str());
    log.Reset();
    EXPECT_FALSE(scene->SaveTerrainData());
    EXPECT_EQ(log.Text(), "[!] Cannot write to '" + Path("no/folder/b.tga") +
                              "'.\n[!] Failed to save blend map '" + Path("no/folder/b.tga") +
                              "' for terrain 'Land'.\n[!] Failed to save height map '" + Path("no/folder/h.raw") +
                              "' for terrain 'Land'.\n");
}

} // namespace
