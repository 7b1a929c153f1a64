#include "scene/terrain.h"

#include <cmath>
#include <cstdlib>
#include <new>

#include "core/log.h"
#include "engine/engine.h"
#include "io/file_road.h"
#include "markup/meta_tag.h"
#include "physics/physic_item.h"
#include "picture/picture.h"
#include "render/geometry.h"
#include "render/material.h"
#include "render/texture.h"
#include "scene/managed_tags.h"
#include "scene/scene.h"

namespace {

const char* const AxisNames[] = {"XZ", "XY", "ZY"};

const zManagedTagNames TerrainTagNames = {"MTerrain", "managed terrain", "Terrain",
                                          "[!] Could not create managed root tag to serialize.\n"};

// The float of a tag; integers are taken as well.
bool ReadNumber(const zMetaTag* tag, f32& out) {
    return tag && tag->GetValue().GetNumber(out);
}

const char* ReadText(const zMetaTag* tag) {
    const char* text = nullptr;
    return tag && tag->GetValue().GetString(text) ? text : nullptr;
}

// floor(value) as a cell index when it is one (finite, within i32); the
// cell is then -1 for anything below 0 and left out of range above.
bool ToCell(f64 value, i32& out) {
    if (!std::isfinite(value) || value < -1.0 || value >= 2147483647.0) return false;
    out = static_cast<i32>(std::floor(value));
    return true;
}

zEngine* EngineOf(zScene* scene) {
    return scene ? scene->GetEngine() : nullptr;
}

} // namespace

f32 zTerrainNode::GetSpacing() const {
    return terrain ? terrain->GetUnitsPerSample() : 0.0f;
}

zTerrain::zTerrain(zEngine* engine) : zItem(engine) {
    if (engine) m_material = new (std::nothrow) zMaterial(engine, engine);
}

zTerrain::~zTerrain() = default;

void zTerrain::Clear() {
    // Patches name samples of the grid; none outlives it.
    m_root.reset();
    m_worldWidth = m_worldDepth = 0.0f;
    m_heights.reset();
    m_normals.reset();
    m_samplesAcross = m_samplesDown = 0;
}

bool zTerrain::AllocateHeightmap(i32 columns, i32 rows, f32 samplesPerUnit) {
    Clear();
    m_unitsPerSample = 0.0f;
    if (columns <= 0 || rows <= 0 || columns > TerrainMaximumSamples || rows > TerrainMaximumSamples ||
        !std::isfinite(samplesPerUnit) || samplesPerUnit <= 0.0f) {
        GetLog() << "[!] Invalid terrain heightmap size (" << columns << " x " << rows << ", " << samplesPerUnit
                 << " samples per unit).\n";
        return false;
    }
    const size_t count = (size_t(columns) + 1) * (size_t(rows) + 1);
    m_normals.reset(new (std::nothrow) i8[count * 3]());
    m_heights.reset(new (std::nothrow) i16[count]());
    if (!m_normals || !m_heights) {
        m_normals.reset();
        m_heights.reset();
        GetLog() << "[!] Failed to allocate terrain heightmap.\n";
        return false;
    }
    m_samplesAcross = columns;
    m_samplesDown = rows;
    m_worldWidth = f32(columns) / samplesPerUnit;
    m_worldDepth = f32(rows) / samplesPerUnit;
    m_unitsPerSample = 1.0f / samplesPerUnit;
    return true;
}

void zTerrain::FillBorder() {
    if (!m_heights) return;
    const i32 columns = m_samplesAcross;
    for (i32 row = 0; row < m_samplesDown; ++row)
        Sample(columns, row) = Sample(columns - 1, row);
    for (i32 column = 0; column <= columns; ++column)
        Sample(column, m_samplesDown) = Sample(column, m_samplesDown - 1);
}

bool zTerrain::LoadHeightmap(const char* path) {
    void* buffer = nullptr;
    u32 size = 0;
    if (!FileSystemLoadFile(path, buffer, size) || !buffer) {
        GetLog() << "[!] Failed to allocate heightmap load buffer.\n";
        return false;
    }
    const u64 expected = u64(m_samplesAcross) * u64(m_samplesDown) * 2u;
    if (u64(size) != expected || !m_heights) {
        GetLog() << "[*] Corrupt heightmap data in " << (path ? path : "") << ", incorrect data size.\n";
        std::free(buffer);
        return true;
    }
    const u8* bytes = static_cast<const u8*>(buffer);
    for (i32 row = 0; row < m_samplesDown; ++row) {
        for (i32 column = 0; column < m_samplesAcross; ++column) {
            const u8* at = bytes + (size_t(row) * size_t(m_samplesAcross) + size_t(column)) * 2;
            Sample(column, row) = static_cast<i16>(u16(at[0] | (u16(at[1]) << 8)));
        }
    }
    std::free(buffer);
    FillBorder();
    return true;
}

bool zTerrain::SaveHeightmap(const char* path) const {
    if (!m_heights) return false;
    const size_t size = size_t(m_samplesAcross) * size_t(m_samplesDown) * 2;
    std::unique_ptr<u8[]> bytes(new (std::nothrow) u8[size]);
    if (!bytes) return false;
    u8* at = bytes.get();
    for (i32 row = 0; row < m_samplesDown; ++row) {
        for (i32 column = 0; column < m_samplesAcross; ++column) {
            const u16 sample = static_cast<u16>(Sample(column, row));
            *at++ = static_cast<u8>(sample & 0xff);
            *at++ = static_cast<u8>(sample >> 8);
        }
    }
    return FileSystemSaveFile(path, bytes.get(), static_cast<u32>(size)) == size;
}

bool zTerrain::LoadHeightmapFromPicture(const char* path, i32 passes) {
    if (!m_heights) return false;
    zPicture picture;
    if (!picture.Load(path)) return false;
    for (i32 row = 0; row <= m_samplesDown; ++row) {
        for (i32 column = 0; column <= m_samplesAcross; ++column) {
            f32 colour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
            picture.Sample(f32(column) / f32(m_samplesAcross), f32(row) / f32(m_samplesDown), colour);
            Sample(column, row) = static_cast<i16>(static_cast<i32>(colour[0] * 256.0f * TerrainHeightScale));
        }
    }
    Smooth(passes);
    return true;
}

void zTerrain::Smooth(i32 passes) {
    if (!m_heights) return;
    for (i32 pass = 0; pass < passes; ++pass) {
        for (i32 row = 1; row < m_samplesDown; ++row) {
            for (i32 column = 1; column < m_samplesAcross; ++column) {
                const i32 sum = Sample(column, row) + Sample(column - 1, row) + Sample(column + 1, row) +
                                Sample(column, row - 1) + Sample(column, row + 1);
                Sample(column, row) = static_cast<i16>(sum / 5);
            }
        }
    }
}

void zTerrain::ComputeNormals(i32 x, i32 y, i32 width, i32 height) {
    if (!m_heights || !m_normals) return;
    if (x == 0 && y == 0 && width == 0 && height == 0) {
        width = m_samplesAcross;
        height = m_samplesDown;
    }
    const i64 left = x < 0 ? 0 : x;
    const i64 top = y < 0 ? 0 : y;
    const i64 right = i64(x) + i64(width) > m_samplesAcross ? m_samplesAcross : i64(x) + i64(width);
    const i64 bottom = i64(y) + i64(height) > m_samplesDown ? m_samplesDown : i64(y) + i64(height);
    for (i64 row = top; row < bottom; ++row) {
        for (i64 column = left; column < right; ++column) {
            const i32 c = static_cast<i32>(column), r = static_cast<i32>(row);
            const f32 here = Sample(c, r);
            const f32 dx = (f32(Sample(c + 1, r)) - here) / TerrainHeightScale;
            const f32 dz = (f32(Sample(c, r + 1)) - here) / TerrainHeightScale;
            const zVector normal = zVector(-dx, 1.0f, dz, 0.0f).Normalize();
            i8* out = m_normals.get() + (size_t(r) * size_t(GetRowStride()) + size_t(c)) * 3;
            out[0] = static_cast<i8>(static_cast<i32>(normal.x * 127.0f));
            out[1] = static_cast<i8>(static_cast<i32>(normal.y * 127.0f));
            out[2] = static_cast<i8>(static_cast<i32>(normal.z * 127.0f));
        }
    }
}

zVector zTerrain::GetNormal(i32 column, i32 row) const {
    if (!m_normals || column < 0 || row < 0 || column > m_samplesAcross || row > m_samplesDown)
        return zVector(0.0f, 0.0f, 0.0f, 1.0f);
    const i8* at = m_normals.get() + (size_t(row) * size_t(GetRowStride()) + size_t(column)) * 3;
    return zVector(f32(at[0]) / 127.0f, f32(at[1]) / 127.0f, f32(at[2]) / 127.0f, 1.0f);
}

bool zTerrain::WorldToSample(const zVector& position, i32& column, i32& row) const {
    column = row = -1;
    const bool cells = ToCell(f64(position.x) / f64(m_worldWidth) * m_samplesAcross, column) &&
                       ToCell(-f64(position.z) / f64(m_worldDepth) * m_samplesDown, row);
    return cells && column >= 0 && column < m_samplesAcross && row >= 0 && row < m_samplesDown;
}

f32 zTerrain::GetHeight(const zVector& position) const {
    i32 column = 0, row = 0;
    if (!m_heights || !WorldToSample(position, column, row)) return 0.0f;
    return f32(Sample(column, row)) / TerrainHeightScale;
}

bool zTerrain::WorldToTexel(const zVector& position, const zPicture& texture, i32& u, i32& v) const {
    u = v = -1;
    const i64 width = texture.GetWidth(), height = texture.GetHeight();
    const bool cells = ToCell(f64(position.x) / f64(m_worldWidth) * f64(width), u) &&
                       ToCell((f64(position.z) / f64(m_worldDepth) + 1.0) * f64(height), v);
    return cells && u >= 0 && u < width && v >= 0 && v < height;
}

// The quadtree

std::unique_ptr<zTerrainNode> zTerrain::BuildNode(i32 x0, i32 y0, i32 width, i32 height, i32 step, i32 depth) {
    if (step <= 0 || depth >= TerrainMaximumDepth || width <= 0 || height <= 0 || !m_heights) return nullptr;
    std::unique_ptr<zTerrainNode> node(new (std::nothrow) zTerrainNode);
    if (!node) return nullptr;
    node->terrain = this;
    node->x0 = x0;
    node->y0 = y0;
    node->width = width;
    node->height = height;
    node->step = step;
    i16 low = Sample(x0, y0), high = low;
    for (i32 row = y0; row < y0 + height; row += step) {
        for (i32 column = x0; column < x0 + width; column += step) {
            const i16 sample = Sample(column, row);
            if (sample < low) low = sample;
            if (sample > high) high = sample;
        }
    }
    const f32 unit = m_unitsPerSample;
    node->minimum = zVector(f32(x0) * unit, f32(low) / TerrainHeightScale, -f32(y0 + height) * unit, 1.0f);
    node->maximum = zVector(f32(x0 + width) * unit, f32(high) / TerrainHeightScale, -f32(y0) * unit, 1.0f);
    const i32 halfWidth = width / 2, halfHeight = height / 2;
    const i32 childStep = step / 2;
    node->children[0] = BuildNode(x0, y0, halfWidth, halfHeight, childStep, depth + 1);
    node->children[1] = BuildNode(x0 + halfWidth, y0, width - halfWidth, halfHeight, childStep, depth + 1);
    node->children[2] = BuildNode(x0, y0 + halfHeight, halfWidth, height - halfHeight, childStep, depth + 1);
    node->children[3] =
        BuildNode(x0 + halfWidth, y0 + halfHeight, width - halfWidth, height - halfHeight, childStep, depth + 1);
    return node;
}

void zTerrain::BuildQuadtree() {
    m_root.reset();
    m_root = BuildNode(0, 0, m_samplesAcross, m_samplesDown, m_samplesAcross / TerrainRootDivisions, 0);
}

bool zTerrain::BuildNodeGeometry(zTerrainNode& node) {
    zEngine* engine = GetEngine();
    if (!m_heights || !engine || node.step <= 0 || node.x0 < 0 || node.y0 < 0 || node.width < 0 ||
        node.height < 0 || i64(node.x0) + node.width > m_samplesAcross || i64(node.y0) + node.height > m_samplesDown)
        return false;
    const i32 across = node.width / node.step + 1;
    const i32 down = node.height / node.step + 1;
    zSharedPtr<zGeometry> geometry(new (std::nothrow) zGeometry(engine));
    if (!geometry || !geometry->AllocateVertices(u32(across * down)) ||
        !geometry->AllocatePolygons(u32((across - 1) * (down - 1))))
        return false;
    zVector* vertex = geometry->GetVertices();
    for (i32 j = 0; j < down; ++j) {
        for (i32 i = 0; i < across; ++i) {
            const i32 column = node.x0 + i * node.step, row = node.y0 + j * node.step;
            *vertex++ = zVector(f32(column) * m_unitsPerSample, f32(Sample(column, row)) / TerrainHeightScale,
                                -f32(row) * m_unitsPerSample, 1.0f);
        }
    }
    zPolygon* polygons = geometry->GetPolygons();
    for (u32 p = 0; p < geometry->GetPolygonCount(); ++p)
        polygons[p].cornerCount = 4;
    if (!geometry->AllocateBindings()) return false;
    zPolygon* polygon = polygons;
    for (i32 j = 0; j + 1 < down; ++j) {
        for (i32 i = 0; i + 1 < across; ++i, ++polygon) {
            const u32 here = u32(j * across + i);
            polygon->bindings[0] = here;
            polygon->bindings[1] = here + 1;
            polygon->bindings[2] = here + u32(across) + 1;
            polygon->bindings[3] = here + u32(across);
        }
    }
    if (!geometry->ComputePolygonNormals(true) || !geometry->ComputeVertexNormals(true)) return false;
    node.geometry = geometry;
    return true;
}

zTerrainLayer& zTerrain::GetLayer(i32 index) {
    return m_layers[index >= 0 && index < 4 ? index : 0];
}

const zTerrainLayer& zTerrain::GetLayer(i32 index) const {
    return m_layers[index >= 0 && index < 4 ? index : 0];
}

zVector zTerrain::GetNodeCentre(const zTerrainNode& node) {
    return zVector((node.minimum.x + node.maximum.x) * 0.5f, (node.minimum.y + node.maximum.y) * 0.5f,
                   (node.minimum.z + node.maximum.z) * 0.5f, 1.0f);
}

void zTerrain::AppendPrimitives(zRenderViewItem* viewItem, zList<zRenderablePrimitive*>& out, u32 flags) {
    if (flags == RenderPassNormal && viewItem) {
        const zMatrix4* viewWorld = viewItem->GetTransformBlock();
        m_viewPosition = viewWorld ? viewWorld->GetRow(3, true) : zVector(0.0f, 0.0f, 0.0f, 1.0f);
        m_viewFrustum = viewItem->GetCameraBlock().frustum;
        m_hasView = true;
    }
    if (!m_root) return;
    zVector viewPosition = m_viewPosition;
    zFrustum frustum = m_viewFrustum;
    if (!m_hasView) {
        if (!viewItem) return;
        const zMatrix4* viewWorld = viewItem->GetTransformBlock();
        viewPosition = viewWorld ? viewWorld->GetRow(3, true) : zVector(0.0f, 0.0f, 0.0f, 1.0f);
        frustum = viewItem->GetCameraBlock().frustum;
    }
    const zMatrix4 world = *GetWorldMatrix();
    // The tree is at most TerrainMaximumDepth deep: the walk holds at most
    // three waiting siblings per level and the four children just pushed.
    zTerrainNode* pending[4 * TerrainMaximumDepth + 1];
    u32 count = 0;
    pending[count++] = m_root.get();
    while (count > 0) {
        zTerrainNode* node = pending[--count];
        const zMinMax bounds(node->minimum, node->maximum);
        if (frustum.ClassifyMinMax(bounds, &world) == ClassifyOutside) continue;
        zVector centre = GetNodeCentre(*node);
        world.TransformPoints(&centre, &centre, 1);
        const f32 distance = centre.Sub(viewPosition).Length();
        const f32 extent = node->maximum.Sub(node->minimum).Length();
        if (distance <= extent && node->children[0]) {
            for (i32 index = 3; index >= 0; --index)
                if (node->children[index]) pending[count++] = node->children[index].get();
            continue;
        }
        auto* entry = new (std::nothrow) zRenderablePrimitive;
        if (!entry || !out.Add(entry)) {
            delete entry;
            GetLog() << "[!] Failed to allocate terrain render entry.\n";
            return;
        }
        entry->kind = PrimitiveTerrainPatch;
        entry->renderable = this;
        entry->sortKey = 0.0f;
        entry->payload = node;
    }
}

bool zTerrain::GetPatchGrid(const void* patch, zTerrainPatchGrid& out) {
    const auto* node = static_cast<const zTerrainNode*>(patch);
    if (!node || node->terrain != this || !m_heights || !m_normals) return false;
    out.heights = m_heights.get();
    out.normals = m_normals.get();
    out.rowStride = GetRowStride();
    out.lastColumn = m_samplesAcross;
    out.lastRow = m_samplesDown;
    out.column = node->GetColumn();
    out.row = node->GetRow();
    out.step = node->GetStep() > 0 ? node->GetStep() : 1;
    out.spacing = m_unitsPerSample;
    out.extentX = m_worldWidth;
    out.extentZ = m_worldDepth;
    out.world = *GetWorldMatrix();
    out.material = m_material.Get();
    return true;
}

// Tags

zSharedPtr<zTexture> zTerrain::LoadLayerTexture(const char* name) const {
    zEngine* engine = GetEngine();
    if (!engine || !name) return zSharedPtr<zTexture>();
    return engine->LoadSharedTexture(name, false);
}

void zTerrain::ParseLayers(const zMetaTag* tag) {
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        if (child->GetName() != "Layer") continue;
        const zMetaTag* indexTag = child->GetTypedTag("Index;", VariantInt);
        zTerrainLayer& layer = GetLayer(indexTag ? indexTag->GetRawInt() : 0);
        if (const char* name = ReadText(child->GetTag("Diffuse;"))) layer.diffuse = LoadLayerTexture(name);
        if (const char* name = ReadText(child->GetTag("Normal;"))) layer.normal = LoadLayerTexture(name);
        ReadNumber(child->GetTag("UVAngle;"), layer.uvAngle);
        ReadNumber(child->GetTag("UVTiling;"), layer.uvTiling);
        if (const char* axis = ReadText(child->GetTag("UVAxis;"))) {
            for (i32 index = 0; index < 3; ++index)
                if (zString(axis) == AxisNames[index]) layer.uvAxis = index;
        }
    }
}

void zTerrain::ParseHeightmap(const zMetaTag* tag) {
    const zMetaTag* widthTag = tag->GetTypedTag("Width;", VariantInt);
    const zMetaTag* heightTag = tag->GetTypedTag("Height;", VariantInt);
    const char* data = ReadText(tag->GetTag("Data;"));
    f32 samplesPerUnit = 0.0f;
    if (!widthTag || !heightTag || !data || !ReadNumber(tag->GetTag("Ppm;"), samplesPerUnit)) return;
    if (!AllocateHeightmap(widthTag->GetRawInt(), heightTag->GetRawInt(), samplesPerUnit)) return;
    m_heightmapPath.Set(data);
    zString found(m_heightmapPath);
    zEngine* engine = GetEngine();
    if (!FileSystemExistsInSearchPaths(found) && engine && engine->missingHeightFileCallback)
        engine->missingHeightFileCallback(m_heightmapPath);
    if (!LoadHeightmap(m_heightmapPath.CStr())) return;
    ComputeNormals(0, 0, 0, 0);
    BuildQuadtree();
}

bool zTerrain::ParseTag(const zMetafile* /*document*/, const zMetaTag* tag) {
    if (!tag || tag->GetName() != "Terrain") {
        GetLog() << "[!] Could not parse terrain. Root tag id is incorrect ("
                 << (tag ? TextOf(tag->GetName()) : "") << ").\n";
        return false;
    }
    zEngine* engine = GetEngine();
    bool blendMapSeen = false;
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        const zString& name = child->GetName();
        if (name == "Item") {
            zItem::ParseTag(child);
        } else if (name == "Width") {
            ReadNumber(child, m_worldWidth);
        } else if (name == "Height") {
            ReadNumber(child, m_worldDepth);
        } else if (name == "Material") {
            if (m_material) m_material->Parse(child);
        } else if (name == "Layers") {
            ParseLayers(child);
        } else if (name == "Blendmap") {
            blendMapSeen = true;
            const char* texture = ReadText(child);
            if (!texture) continue;
            m_blendMap = LoadLayerTexture(texture);
            if (m_blendMap && m_blendMap->GetWidth() != TerrainBlendMapWidth)
                GetLog() << "[!] Terrain blend map '" << texture << "' is corrupted.\n";
        } else if (name == "Heightmap") {
            ParseHeightmap(child);
        } else {
            GetLog() << "[*] Unknown tag '" << name << "' in <Terrain>.\n";
        }
    }
    if (!blendMapSeen && engine && engine->missingTextureCallback) {
        zString name("blendmap.tga");
        engine->missingTextureCallback(name);
        if (name != "blendmap.tga") m_blendMap = LoadLayerTexture(name.CStr());
    }
    return true;
}

zMetaTag* zTerrain::SerializeTag(const zMetafile* /*document*/) const {
    std::unique_ptr<zMetaTag> root(new (std::nothrow) zMetaTag("Terrain"));
    bool complete = root != nullptr;
    if (complete) complete = AttachTag(root.get(), zItem::SerializeTag());
    if (complete) complete = AttachTag(root.get(), new (std::nothrow) zMetaTag("Width", m_worldWidth));
    if (complete) complete = AttachTag(root.get(), new (std::nothrow) zMetaTag("Height", m_worldDepth));
    if (complete && m_material) complete = AttachTag(root.get(), m_material->Serialize());
    zMetaTag* layers = complete ? new (std::nothrow) zMetaTag("Layers") : nullptr;
    if (complete) complete = AttachTag(root.get(), layers);
    if (!complete) {
        GetLog() << "[!] Could not serialize terrain. Failed to create root tag.\n";
        return nullptr;
    }
    for (i32 index = 0; index < 4; ++index) {
        const zTerrainLayer& layer = m_layers[index];
        if (!layer.diffuse && !layer.normal) continue;
        std::unique_ptr<zMetaTag> tag(new (std::nothrow) zMetaTag("Layer"));
        bool made = tag && AttachTag(tag.get(), new (std::nothrow) zMetaTag("Index", index));
        if (made && layer.diffuse)
            made = AttachTag(tag.get(), new (std::nothrow) zMetaTag("Diffuse", TextOf(layer.diffuse->GetName())));
        if (made && layer.normal)
            made = AttachTag(tag.get(), new (std::nothrow) zMetaTag("Normal", TextOf(layer.normal->GetName())));
        if (made) made = AttachTag(tag.get(), new (std::nothrow) zMetaTag("UVAngle", layer.uvAngle));
        if (made) made = AttachTag(tag.get(), new (std::nothrow) zMetaTag("UVTiling", layer.uvTiling));
        const i32 axis = layer.uvAxis >= 0 && layer.uvAxis < 3 ? layer.uvAxis : TerrainAxisXZ;
        if (made) made = AttachTag(tag.get(), new (std::nothrow) zMetaTag("UVAxis", AxisNames[axis]));
        if (!made || !AttachTag(layers, tag.release()))
            GetLog() << "[!] Failed to serialize terrain layer " << index << ".\n";
    }
    // A terrain without a blend map or a grid writes no tag for it: reading
    // "Blendmap" or "Heightmap" back needs a name and a valid size.
    if (m_blendMap)
        complete = AttachTag(root.get(), new (std::nothrow) zMetaTag("Blendmap", TextOf(m_blendMap->GetName())));
    if (complete && m_heights) {
        std::unique_ptr<zMetaTag> heightmap(new (std::nothrow) zMetaTag("Heightmap"));
        complete = heightmap != nullptr;
        if (complete) complete = AttachTag(heightmap.get(), new (std::nothrow) zMetaTag("Width", m_samplesAcross));
        if (complete) complete = AttachTag(heightmap.get(), new (std::nothrow) zMetaTag("Height", m_samplesDown));
        if (complete)
            complete = AttachTag(heightmap.get(), new (std::nothrow) zMetaTag("Ppm", 1.0f / m_unitsPerSample));
        if (complete)
            complete = AttachTag(heightmap.get(), new (std::nothrow) zMetaTag("Data", TextOf(m_heightmapPath)));
        if (complete) complete = AttachTag(root.get(), heightmap.release());
    }
    if (!complete) {
        GetLog() << "[!] Could not serialize terrain. Failed to create root tag.\n";
        return nullptr;
    }
    return root.release();
}

// zMTerrain

zMTerrain::zMTerrain(zScene* scene) : zMItem(scene, ManagedKindTerrain), zTerrain(EngineOf(scene)) {
    SetNode(this);
}

zMTerrain::~zMTerrain() {
    Teardown();
}

void zMTerrain::SetParent(zItem* parent) {
    SetManagedParent(*this, parent);
}

void zMTerrain::Setup() {
    if (zMaterial* material = GetMaterial()) material->Setup();
    ComputeNormals(0, 0, 0, 0);
    BuildQuadtree();
    zMItem::Setup();
}

bool zMTerrain::ParseTag(const zMetafile* document, const zMetaTag* tag) {
    if (!tag || tag->GetName() != "MTerrain") {
        GetLog() << "[!] could not parse managed terrain. Root tag id is incorrect ("
                 << (tag ? TextOf(tag->GetName()) : "") << ").\n";
        return false;
    }
    const i32 creationUid = GetUid();
    bool complete = true;
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        const zString& name = child->GetName();
        if (name == "MItem") {
            complete = zMItem::ParseTag(document, child) && complete;
        } else if (name == "Terrain") {
            complete = zTerrain::ParseTag(document, child) && complete;
        } else {
            GetLog() << "[*] Unknown tag '" << name << "' in <MTerrain>.\n";
        }
    }
    if (!complete) SetUid(creationUid);
    if (zPhysicItem* physics = GetPhysicItem()) {
        for (auto* node = physics->GetShapes().GetHead(); node; node = node->next) {
            if (node->value->type != PhysicShapeHeightmap) continue;
            node->value->SetHeightmap(GetHeights(), GetRowStride(), GetRowCount(), GetUnitsPerSample());
        }
    }
    return complete;
}

zMetaTag* zMTerrain::SerializeTag() const {
    return SerializeManagedTag(*this, TerrainTagNames, zTerrain::SerializeTag(nullptr));
}

// The scene's add operation of this kind.
zMTerrain* zScene::AddTerrain(const char* name) {
    return AddItem(name, "[!] Scene could not allocate new terrain.\n",
                   [this] { return new (std::nothrow) zMTerrain(this); });
}
