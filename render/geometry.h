// zGeometry: the polygon mesh resource. Shared by reference, read from and
// written to a "Geometry" ZML tag (geometry_file.cpp), uploaded through the
// current renderer and cut into triangle lists for the GPU (trilist.h).
//
// Polygons have any number of corners (at most 65535); each corner is a
// binding, an entry of one pool of vertex indices, polygons in order.
// Normals, colours, UVs and tangent frames are stored per binding, so that one
// vertex can carry different attributes in different polygons.
//
// Orientation: the view is left-handed (x right, y up, z forward). A polygon
// faces the viewer when its corners run counter-clockwise as the viewer sees
// them, which is also the GL renderers' front face. Its unit normal is
// (Q2 - Q0) x (Q1 - Q0) from its first corners and points toward the viewer:
// the quad (0,0,0) (1,0,0) (1,1,0) (0,1,0) has the normal (0, 0, -1).
//
// Invariants kept by every reader: each vertex index is below the vertex
// count, the corner counts add up to the binding count, and every
// per-binding array holds the binding count of elements.
#pragma once

#include <memory>

#include "core/bounds.h"
#include "core/matrix.h"
#include "core/shared_object.h"
#include "core/vector.h"
#include "core/zstring.h"
#include "markup/meta_object.h"
#include "render/geometry_buffer.h"
#include "render/renderable.h"
#include "render/render_host.h"

class zGeometry;
class zMaterial;
class zMaterialHost;
class zOctreeNode;
struct zRayHit;

// MergeMaterials modes.
enum : u32 {
    MaterialMergeNames = 1,  // the names must be equal
    MaterialMergeStages = 2, // the usable texture stages must match
};

// Proxy flags (GetFlags).
enum : u32 {
    GeometryNotDrawn = 1,
    GeometryNotDrawnBeyondLod = 2, // "LodNull"
    GeometryNoShadow = 4,          // "ShadowNull"
};

// Keep mask: the parts FreeData keeps.
enum : u32 {
    GeometryKeepMaterials = 1,
    GeometryKeepMesh = 2, // vertices, polygons, bindings, normals, tangents, the tree
    GeometryKeepTables = 4,
    GeometryKeepOctree = 8,
    GeometryKeepProxies = 16,
    GeometryKeepRenderData = 32,
    GeometryKeepChannels = 64, // colours and UV channels
};

// Render word.
enum : u32 {
    GeometryRenderLit = 1,       // binding normals needed
    GeometryRenderUseNormal = 8, // the file's normals are used
    GeometryRenderTangents = 16, // tangent frames needed
};

enum : u32 {
    GeometryTreeBIH = 0,
    GeometryTreeKD = 1,
};

constexpr u32 GeometryMaxUVChannels = 3;
constexpr u32 GeometryMaxCorners = 0xFFFF;
constexpr u32 GeometryMaxNeighbourPairs = 1024;
constexpr f32 GeometryHomogeneousTolerance = 1.0000001e-5f;

struct zPolygon {
    u16 cornerCount = 0;
    u16 material = 0;
    u32* bindings = nullptr; // the polygon's run of the binding pool
};

struct zTangentFrame {
    zVector tangent{0.0f, 0.0f, 0.0f, 0.0f};
    zVector bitangent{0.0f, 0.0f, 0.0f, 0.0f};
};

// Up to four bone influences of one vertex.
struct zSkinWeight {
    f32 weights[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    u16 bones[4] = {0, 0, 0, 0};
};

// The polygons around a vertex (a polygon using the vertex twice is listed
// twice), polygons in order. The count is 32 bits: fan centres can be
// shared by more than 65535 polygons.
struct zVertexPolygons {
    u32 count = 0;
    u32* polygons = nullptr;
};

struct zPolygonCorner {
    u32 polygon = 0;
    u32 corner = 0;
};

// The corners next to a vertex in the polygons around it, at most
// GeometryMaxNeighbourPairs.
struct zVertexNeighbours {
    u32 count = 0;
    zPolygonCorner* pairs = nullptr;
};

// What a geometry needs of its engine besides zRenderHost: the geometry
// cache through which proxies load. The engine implements it; a geometry
// finds it on its engine object.
class zGeometryHost {
  public:
    // The shared geometry of that path from the cache, loaded and set up when
    // new; null when it cannot be made.
    virtual zGeometry* LoadProxyGeometry(const char* path) = 0;

  protected:
    ~zGeometryHost() = default;
};

// A ray tree over the geometry's polygons, in the geometry's own space.
class zGeometryTree {
  public:
    virtual ~zGeometryTree() = default;
    virtual bool Build(zGeometry* geometry) = 0;
    virtual void Clear() = 0;
    // The nearest hit of a ray given in the geometry's space, within
    // maxDistance (-1: no limit), into hit. The base finds nothing.
    virtual void Intersect(zRayHit& hit, const zVector& origin, const zVector& direction, f32 maxDistance);
};

// Makes the tree of a kind (GeometryTreeBIH or GeometryTreeKD), or null. The
// ray trees register it; until then BuildTree reports that it has no tree.
using zGeometryTreeFactory = zGeometryTree* (*)(u32 kind);
void SetGeometryTreeFactory(zGeometryTreeFactory factory);

class zGeometry : public zSharedObject, public zMetaObject {
  public:
    static constexpr f32 DefaultLodDistance = 100.0f;

    explicit zGeometry(zRenderHost* engine);
    // Events 5 and 6 around freeing everything; releases the proxies.
    ~zGeometry() override;
    zGeometry(const zGeometry&) = delete;
    zGeometry& operator=(const zGeometry&) = delete;

    // The "Geometry" tag reader and writer (geometry_file.cpp).
    bool ParseRootTag(zMetafile& doc, zMetaTag* root) override;
    zMetaTag* BuildRootTag(zMetafile& doc) override;

    // Material flags, centre, normals and tangents as the materials ask,
    // the materials' set-up, then the renderer's SetupGeometry, or the
    // leaves' set-up when optimised ("Geometry Setup" profiler section). An
    // empty geometry sets up only its leaves, if any, and succeeds; false
    // when the renderer refuses or there is none.
    bool Setup();
    // The renderer's FreeGeometry.
    void Free();
    // Frees the parts whose keep bit is clear (and the renderer data unless
    // GeometryKeepRenderData).
    void FreeData();

    // The bounds of the vertices, each transformed first when a matrix is
    // given; with no vertices, the stored box (its eight corners transformed
    // and re-bounded). Returns out.
    zMinMax& GetMinMax(zMinMax& out, const zMatrix4* matrix = nullptr) const;
    const zMinMax& GetBounds() const { return m_bounds; }
    void SetBounds(const zMinMax& box) { m_bounds = box; }
    const zVector& GetCenter() const { return m_center; }

    // Render word, material flags and rigid flag recomputed from the
    // materials.
    void UpdateMaterialFlags();

    // Releases the materials, then makes count empty slots, or count new
    // materials with create.
    bool AllocateMaterials(u32 count, bool create);
    u32 GetMaterialCount() const { return m_materials.GetCount(); }
    // Material index, or material 0 past the count; null without materials.
    zMaterial* GetMaterial(u32 index) const;
    // The first material of that name, else material 0.
    zMaterial* FindMaterial(const char* name) const;
    // index below the material count.
    void SetMaterial(u32 index, zMaterial* material);

    // Cuts the geometry into a tree of leaf geometries (render/octree.h): a
    // leaf holds at most twice max(leafBudget, OctreeMinimumLeafBudget)
    // polygons. The previous tree goes first; the box is recomputed; the
    // run logs each leaf and "Octree summary: <leaves> leaves referencing
    // <polygons> polygon(s).". Keeps materials, octree and proxies, and frees
    // the rest (FreeData) unless the engine keeps geometry sources. False,
    // logged, without polygons (the geometry then has an empty root).
    bool Optimize(u32 leafBudget);
    // The root of the leaf tree; null when not optimised.
    zOctreeNode* GetOctree() const { return m_octree.get(); }

    // Folds materials that match under mode (MaterialMergeNames,
    // MaterialMergeStages; geometry_merge.cpp) into the first of them: the
    // later ones are released, the kept ones renumbered in order and the
    // polygons remapped. Whatever the mode, materials merge only when
    // everything else they would write to a file (colours, factors, flags,
    // shader, shader map, physics) is the same. Returns how many were
    // removed; 0 below two materials.
    u32 MergeMaterials(u32 mode);

    // Builds the ray tree once; an existing tree is success.
    bool BuildTree(u32 kind);
    zGeometryTree* GetTree() const { return m_tree; }

    // Adjacency (geometry_tables.cpp).
    bool BuildVertexToPolygonTable();
    bool BuildVertexToVertexTable();
    // Homogeneous: the polygons around the vertex share one material (only
    // those of material are looked at when it is not -1) and its bindings
    // agree on normal, colour and UVs within GeometryHomogeneousTolerance
    // (squared distance). Rebuilt on every call.
    bool BuildHomogeneousTable(i32 material = -1);
    void FreeHomogeneousTable() { m_homogeneous.Free(); }

    // Normals and tangents (geometry_normals.cpp). Each is skipped when its
    // data exists, unless forced. A binding normal averages, with equal
    // weights, the unit normals of the polygons around its vertex that lie
    // within the maximum smoothing angle (degrees) of its own polygon's
    // material.
    bool ComputePolygonNormals(bool force);
    bool ComputeVertexNormals(bool force);
    bool ComputePolygonTangents();
    bool ComputeTangentFrames(bool force);

    // Storage. Each allocation also frees what was derived from the array
    // it replaces (tables, per-binding attributes, the tree), so that no
    // array is left sized for the old counts.
    // The binding count becomes the sum of the corner counts.
    void ComputeBindingTotal();
    // Also frees the vertex tables, and skin weights of another vertex count.
    bool AllocateVertices(u32 count);
    // Zeroed records; the binding count becomes 0 and the first-binding
    // table, the bindings and everything per polygon or binding are freed.
    bool AllocatePolygons(u32 count);
    // One pool for all corners; each polygon points at its run. The
    // first-binding table and the per-binding attributes are freed.
    bool AllocateBindings();
    // Entry i: the corners of the polygons before i. Built when missing.
    bool BuildFirstBindingTable();
    // Per-binding arrays sized by the binding count.
    bool AllocatePolygonNormals();
    bool AllocateBindingNormals();
    bool AllocateBindingColors();
    bool AllocateUVChannels(u32 count);
    bool AllocateBindingTangents();
    // Bone names, identity binds, and zeroed weights for every vertex.
    bool AllocateSkin(u32 boneCount);
    // Bone names and identity binds only; frees the skin first.
    bool AllocateSkinBones(u32 boneCount);
    // Zeroed weights for every vertex.
    bool AllocateSkinWeights();
    void FreeSkin();

    // Proxies, held by shared reference. A proxy that is this geometry or
    // reaches it through its own proxies is refused (logged, false).
    bool SetLodProxy(zGeometry* proxy);
    bool SetShadowProxy(zGeometry* proxy);
    zGeometry* GetLodProxy() const { return m_lodProxy.Get(); }
    zGeometry* GetShadowProxy() const { return m_shadowProxy.Get(); }
    f32 GetLodDistance() const { return m_lodDistance; }
    void SetLodDistance(f32 distance) { m_lodDistance = distance; }
    f32 GetFarDistance() const { return m_farDistance; }
    void SetFarDistance(f32 distance) { m_farDistance = distance; }
    // True when following the proxies from this geometry reaches target.
    bool ReachesThroughProxies(const zGeometry* target) const;

    zRenderHost* GetEngine() const { return m_engine; }
    zGeometryHost* GetHost() const { return m_host; }
    zMaterialHost* GetMaterialHost() const { return m_materialHost; }
    const zString& GetName() const { return m_name; }
    void SetName(const zString& name) { m_name = name; }
    u32 GetFlags() const { return m_flags; }
    void SetFlags(u32 flags) { m_flags = flags; }
    u32 GetKeepMask() const { return m_keepMask; }
    void SetKeepMask(u32 mask) { m_keepMask = mask; }
    u32 GetRenderWord() const { return m_renderWord; }
    void SetRenderWord(u32 word) { m_renderWord = word; }
    u32 GetMaterialFlags() const { return m_materialFlags; }
    u32 GetRigid() const { return m_rigid; }
    zRenderData* GetRenderData() const { return m_renderData; }
    void SetRenderData(zRenderData* data) { m_renderData = data; }

    u32 GetVertexCount() const { return m_vertices.GetCount(); }
    zVector* GetVertices() { return m_vertices.Get(); }
    const zVector* GetVertices() const { return m_vertices.Get(); }
    u32 GetPolygonCount() const { return m_polygons.GetCount(); }
    zPolygon* GetPolygons() { return m_polygons.Get(); }
    const zPolygon* GetPolygons() const { return m_polygons.Get(); }
    u32 GetBindingCount() const { return m_bindingCount; }
    u32* GetBindings() { return m_bindings.Get(); }
    const u32* GetBindings() const { return m_bindings.Get(); }
    const u32* GetFirstBindings() const { return m_firstBinding.Get(); }
    // Per binding; null when absent.
    zVector* GetBindingNormals() { return m_bindingNormals.Get(); }
    const zVector* GetBindingNormals() const { return m_bindingNormals.Get(); }
    zVector* GetBindingColors() { return m_bindingColors.Get(); }
    const zVector* GetBindingColors() const { return m_bindingColors.Get(); }
    u32 GetUVChannelCount() const { return m_uvCount; }
    zVector2* GetUVChannel(u32 channel) { return channel < m_uvCount ? m_uvs[channel].Get() : nullptr; }
    const zVector2* GetUVChannel(u32 channel) const {
        return channel < m_uvCount ? m_uvs[channel].Get() : nullptr;
    }
    zTangentFrame* GetTangentFrames() { return m_bindingTangents.Get(); }
    const zTangentFrame* GetTangentFrames() const { return m_bindingTangents.Get(); }
    // Per polygon; null when absent.
    zVector* GetPolygonNormals() { return m_polygonNormals.Get(); }
    const zVector* GetPolygonNormals() const { return m_polygonNormals.Get(); }
    const zTangentFrame* GetPolygonTangents() const { return m_polygonTangents.Get(); }
    // Skin.
    u32 GetBoneCount() const { return m_boneNames.GetCount(); }
    zString* GetBoneNames() { return m_boneNames.Get(); }
    const zString* GetBoneNames() const { return m_boneNames.Get(); }
    zMatrix4* GetBoneBinds() { return m_boneBinds.Get(); }
    const zMatrix4* GetBoneBinds() const { return m_boneBinds.Get(); }
    // Per vertex; null without a skin.
    zSkinWeight* GetSkinWeights() { return m_skinWeights.Get(); }
    const zSkinWeight* GetSkinWeights() const { return m_skinWeights.Get(); }
    // Tables; null until built.
    const zVertexPolygons* GetVertexToPolygonTable() const { return m_vertexPolygons.Get(); }
    const zVertexNeighbours* GetVertexToVertexTable() const { return m_vertexNeighbours.Get(); }
    const u8* GetHomogeneousTable() const { return m_homogeneous.Get(); }

  private:
    void FreeParts(u32 keep);
    void FreeTables();
    void FreeBindingData();

    zRenderHost* m_engine;
    zGeometryHost* m_host;
    zMaterialHost* m_materialHost;
    zString m_name;
    u32 m_keepMask = 0;
    zMinMax m_bounds;
    zGeometryBuffer<zSharedPtr<zMaterial>> m_materials;
    u32 m_renderWord = 0;
    u32 m_materialFlags = 0;
    zGeometryTree* m_tree = nullptr;
    std::unique_ptr<zOctreeNode> m_octree;
    u32 m_flags = 0;
    zVector m_center;
    f32 m_farDistance = -1.0f;
    zSharedPtr<zGeometry> m_lodProxy;
    f32 m_lodDistance = DefaultLodDistance;
    zSharedPtr<zGeometry> m_shadowProxy;
    zGeometryBuffer<u8> m_homogeneous;
    zGeometryBuffer<zVector> m_vertices;
    zGeometryBuffer<zVector> m_bindingNormals;
    zGeometryBuffer<zVector> m_bindingColors;
    u32 m_uvCount = 0;
    zGeometryBuffer<zVector2> m_uvs[GeometryMaxUVChannels];
    zGeometryBuffer<zPolygon> m_polygons;
    zGeometryBuffer<u32> m_bindings;
    u32 m_bindingCount = 0;
    zGeometryBuffer<u32> m_firstBinding;
    zGeometryBuffer<zVector> m_polygonNormals;
    zGeometryBuffer<zTangentFrame> m_polygonTangents;
    zGeometryBuffer<zTangentFrame> m_bindingTangents;
    zGeometryBuffer<zString> m_boneNames;
    zGeometryBuffer<zMatrix4> m_boneBinds;
    zGeometryBuffer<zSkinWeight> m_skinWeights;
    zGeometryBuffer<zVertexPolygons> m_vertexPolygons;
    zGeometryBuffer<u32> m_vertexPolygonPool;
    zGeometryBuffer<zVertexNeighbours> m_vertexNeighbours;
    zGeometryBuffer<zPolygonCorner> m_vertexNeighbourPool;
    u32 m_rigid = 1;
    zRenderData* m_renderData = nullptr;
};
