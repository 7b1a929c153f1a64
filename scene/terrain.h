// zTerrain: an item carrying a regular grid of 16-bit height samples, a
// normal per sample, four texture layers mixed by a blend map, a material and
// a quadtree of patches for culling and level of detail. zMTerrain is its
// managed form (kind 7), the "MTerrain" tag of scene files.
//
// The grid: W columns by H rows come from the height file (raw little-endian
// i16, row by row, exactly W x H x 2 bytes); the grid keeps one extra column
// and one extra row, (W + 1) x (H + 1) samples with a row stride of W + 1.
// The extra column repeats each row's last sample and the extra row repeats
// row H - 1, so the normals and patch geometry of the last column and row
// read defined samples. A height in world units is sample / 20; sample
// (column, row) stands at x = column / Ppm, z = -row / Ppm in the item's
// frame. Sizes are limited to 0 < W, H <= TerrainMaximumSamples and a finite
// Ppm > 0, and are computed in 64 bits.
//
// The quadtree: the root covers the grid at a sample step of W / 64 and each
// level halves the step; there are no nodes of step 0 and no more than
// TerrainMaximumDepth levels. AppendPrimitives hands the renderer one
// kind-2 primitive per patch: visible patches far enough from the view,
// leaves close to it. The shadow and later passes decide with the view of the
// last normal pass, which each terrain keeps by value (position and frustum),
// so a camera deleted since then is never read.
#pragma once

#include <memory>

#include "core/bounds.h"
#include "core/frustum.h"
#include "core/shared_object.h"
#include "core/types.h"
#include "core/vector.h"
#include "core/zstring.h"
#include "render/renderable.h"
#include "scene/item.h"
#include "scene/managed_item.h"

class zEngine;
class zGeometry;
class zMaterial;
class zMetafile;
class zMetaTag;
class zPicture;
class zScene;
class zTerrain;
class zTexture;

constexpr i32 TerrainMaximumSamples = 16384;
// Height in world units = sample / TerrainHeightScale.
constexpr f32 TerrainHeightScale = 20.0f;
constexpr i32 TerrainRootDivisions = 64;
constexpr i32 TerrainMaximumDepth = 8;
// The blend map's required width.
constexpr u32 TerrainBlendMapWidth = 1024;

// Layer UV axes, with their tag names "XZ", "XY", "ZY".
enum : i32 {
    TerrainAxisXZ = 0,
    TerrainAxisXY = 1,
    TerrainAxisZY = 2,
};

struct zTerrainLayer {
    zSharedPtr<zTexture> diffuse;
    zSharedPtr<zTexture> normal;
    // No tag reads or writes it.
    zSharedPtr<zTexture> third;
    i32 uvAxis = TerrainAxisXZ;
    f32 uvAngle = 0.0f;
    f32 uvTiling = 1.0f;
};

// One patch: columns x0 .. x0 + width and rows y0 .. y0 + height of the grid
// sampled every step samples. The renderer draws it from the terrain's
// heights and normals at GetOrigin, GetStep and GetSpacing.
struct zTerrainNode {
    zTerrain* terrain = nullptr;
    i32 x0 = 0;
    i32 y0 = 0;
    i32 width = 0;
    i32 height = 0;
    i32 step = 0;
    // In the item's frame, w = 1.
    zVector minimum{0.0f, 0.0f, 0.0f, 1.0f};
    zVector maximum{0.0f, 0.0f, 0.0f, 1.0f};
    zSharedPtr<zGeometry> geometry; // null unless BuildNodeGeometry made it
    std::unique_ptr<zTerrainNode> children[4];

    i32 GetColumn() const { return x0; }
    i32 GetRow() const { return y0; }
    i32 GetStep() const { return step; }
    // World units between two adjacent samples.
    f32 GetSpacing() const;
};

class zTerrain : public zItem, public zRenderable, public zTerrainPatchSource {
  public:
    explicit zTerrain(zEngine* engine = nullptr);
    ~zTerrain() override;

    // Frees the grid and zeroes the extents first. False (logged) for sizes
    // outside the limits or when the grid cannot be allocated; the terrain
    // then has no grid. The samples start at 0.
    bool AllocateHeightmap(i32 columns, i32 rows, f32 samplesPerUnit);
    // A file of another size than W x H x 2 is logged and leaves the samples
    // as they were (true); no data at all is false.
    bool LoadHeightmap(const char* path);
    // W x H samples without the extra column; false without a grid or when
    // the file is not written whole.
    bool SaveHeightmap(const char* path) const;
    // Every grid sample from the red channel of the picture (trunc(red x 256
    // x 20) at (column / W, row / H)), then Smooth(passes). False when the
    // picture does not load or there is no grid.
    bool LoadHeightmapFromPicture(const char* path, i32 passes);
    // Each pass replaces every interior sample by the integer mean of itself
    // and its four neighbours, in place, row by row.
    void Smooth(i32 passes);
    // Over the rectangle clamped to the W x H area; all zero: the whole area.
    void ComputeNormals(i32 x, i32 y, i32 width, i32 height);
    // The stored normal, bytes / 127, w = 1; zero outside the grid.
    zVector GetNormal(i32 column, i32 row) const;
    // False (with the cell still computed) outside the W x H area.
    bool WorldToSample(const zVector& position, i32& column, i32& row) const;
    // 0 outside the W x H area.
    f32 GetHeight(const zVector& position) const;
    bool WorldToTexel(const zVector& position, const zPicture& texture, i32& u, i32& v) const;
    void BuildQuadtree();
    // The patch's mesh at its step, kept in the node; false for a patch
    // outside the grid or when it cannot be made.
    bool BuildNodeGeometry(zTerrainNode& node);
    // No grid, no extents, no quadtree.
    void Clear();

    // Layer index for 0..3, layer 0 otherwise.
    zTerrainLayer& GetLayer(i32 index);
    const zTerrainLayer& GetLayer(i32 index) const;
    static zVector GetNodeCentre(const zTerrainNode& node);

    // The renderable: kind-2 primitives, payload the node.
    void AppendPrimitives(zRenderViewItem* viewItem, zList<zRenderablePrimitive*>& out, u32 flags) override;
    // The grid of one of this terrain's nodes, for the renderer.
    bool GetPatchGrid(const void* patch, zTerrainPatchGrid& out) override;

    // The "Terrain" tag.
    bool ParseTag(const zMetafile* document, const zMetaTag* tag);
    // A new tag the caller owns, or null (logged).
    zMetaTag* SerializeTag(const zMetafile* document) const;

    f32 GetWorldWidth() const { return m_worldWidth; }
    f32 GetWorldDepth() const { return m_worldDepth; }
    void SetWorldSize(f32 width, f32 depth) {
        m_worldWidth = width;
        m_worldDepth = depth;
    }
    i32 GetSamplesAcross() const { return m_samplesAcross; }
    i32 GetSamplesDown() const { return m_samplesDown; }
    // The grid's row count (H) and row stride (W + 1).
    i32 GetRowCount() const { return m_samplesDown; }
    i32 GetRowStride() const { return m_samplesAcross + 1; }
    f32 GetUnitsPerSample() const { return m_unitsPerSample; }
    // (W + 1) x (H + 1) samples, null without a grid.
    i16* GetHeights() { return m_heights.get(); }
    const i16* GetHeights() const { return m_heights.get(); }
    // Three signed bytes per grid sample.
    const i8* GetNormals() const { return m_normals.get(); }
    const zTerrainNode* GetRoot() const { return m_root.get(); }
    zMaterial* GetMaterial() const { return m_material.Get(); }
    zTexture* GetBlendMap() const { return m_blendMap.Get(); }
    const zString& GetHeightmapPath() const { return m_heightmapPath; }
    void SetHeightmapPath(const char* path) { m_heightmapPath.Set(path); }

  private:
    zTerrain(const zTerrain&) = delete;
    zTerrain& operator=(const zTerrain&) = delete;

    std::unique_ptr<zTerrainNode> BuildNode(i32 x0, i32 y0, i32 width, i32 height, i32 step, i32 depth);
    // The extra column of every row and the extra row from the grid's
    // W x H part.
    void FillBorder();
    void ParseLayers(const zMetaTag* tag);
    void ParseHeightmap(const zMetaTag* tag);
    zSharedPtr<zTexture> LoadLayerTexture(const char* name) const;
    i16& Sample(i32 column, i32 row) { return m_heights[size_t(row) * size_t(GetRowStride()) + size_t(column)]; }
    i16 Sample(i32 column, i32 row) const {
        return m_heights[size_t(row) * size_t(GetRowStride()) + size_t(column)];
    }

    f32 m_worldWidth = 0.0f;
    f32 m_worldDepth = 0.0f;
    std::unique_ptr<i16[]> m_heights;
    std::unique_ptr<i8[]> m_normals;
    i32 m_samplesAcross = 0;
    i32 m_samplesDown = 0;
    f32 m_unitsPerSample = 0.0f;
    std::unique_ptr<zTerrainNode> m_root;
    // Null without an engine.
    zSharedPtr<zMaterial> m_material;
    zTerrainLayer m_layers[4];
    zString m_heightmapPath;
    zSharedPtr<zTexture> m_blendMap;
    // The view of the last normal pass.
    bool m_hasView = false;
    zVector m_viewPosition{0.0f, 0.0f, 0.0f, 1.0f};
    zFrustum m_viewFrustum{};
};

class zMTerrain : public zMItem, public zTerrain {
  public:
    explicit zMTerrain(zScene* scene);
    ~zMTerrain() override;
    bool HoldsItems() const override { return false; }

    void SetParent(zItem* parent) override;
    zRenderable* GetRenderable() override { return this; }
    // The material's set-up, the normals, the quadtree, then the managed
    // set-up.
    void Setup() override;

    // The "MTerrain" tag: "MItem" and "Terrain". Afterwards every heightfield
    // shape of the physics item takes a copy of the heights (W + 1 columns,
    // H rows).
    bool ParseTag(const zMetafile* document, const zMetaTag* tag);
    zMetaTag* SerializeTag() const;
};
