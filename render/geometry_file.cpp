// The "Geometry" tag reader and writer of zGeometry.
#include "render/geometry_file.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "core/endian.h"
#include "core/log.h"
#include "core/stopwatch.h"
#include "markup/math_tags.h"
#include "markup/reader.h"
#include "render/geometry.h"
#include "render/material.h"

namespace {

// ---- Reading helpers --------------------------------------------------------

bool HostIsBigEndian() {
    return GetHostEndianness() == ByteOrderBigEndian;
}

u32 ReadWord(const u8* bytes) {
    u32 word;
    std::memcpy(&word, bytes, 4);
    if (HostIsBigEndian()) SwapEndian(4, &word);
    return word;
}

f32 ReadF32(const u8* bytes) {
    const u32 word = ReadWord(bytes);
    f32 value;
    std::memcpy(&value, &word, 4);
    return value;
}

void WriteWord(u8* bytes, u32 word) {
    if (HostIsBigEndian()) SwapEndian(4, &word);
    std::memcpy(bytes, &word, 4);
}

void WriteF32(u8* bytes, f32 value) {
    u32 word;
    std::memcpy(&word, &value, 4);
    WriteWord(bytes, word);
}

struct Payload {
    const u8* data = nullptr;
    u32 size = 0;
};

// The binary value of a tag.
bool GetPayload(const zMetaTag* tag, Payload& out) {
    if (!tag || tag->GetValue().GetType() != VariantBinary) return false;
    out.data = static_cast<const u8*>(tag->GetValue().GetBinaryData());
    out.size = tag->GetValue().GetBinarySize();
    return true;
}

enum class CountState { Missing, Negative, Valid };

// An integer count child; a float or other type counts as missing.
CountState ReadCount(const zMetaTag* parent, const char* path, u32& out) {
    const zMetaTag* tag = parent->GetTypedTag(path, VariantInt);
    if (!tag) return CountState::Missing;
    const i32 value = tag->GetRawInt();
    if (value < 0) return CountState::Negative;
    out = u32(value);
    return CountState::Valid;
}

// A float or integer value.
bool ReadNumber(const zMetaTag* tag, f32& out) {
    if (!tag) return false;
    if (tag->GetValue().GetType() == VariantFloat) {
        out = tag->GetRawFloat();
        return true;
    }
    if (tag->GetValue().GetType() == VariantInt) {
        out = f32(tag->GetRawInt());
        return true;
    }
    return false;
}

u32 CountChildren(const zMetaTag* parent, const char* name) {
    u32 count = 0;
    zLinkedListIterator iterator;
    while (const zMetaTag* child = parent->GetNextChild(iterator)) {
        if (child->GetName() == name) ++count;
    }
    return count;
}

zVector DecodeNormal(const u8* bytes) {
    const zVector raw(f32(i8(bytes[0])) / 127.0f, f32(i8(bytes[1])) / 127.0f, f32(i8(bytes[2])) / 127.0f);
    zVector normal = raw.Normalize();
    normal.w = 0.0f;
    return normal;
}

u8 EncodeNormalComponent(f32 value) {
    if (!(value >= -1.0f)) value = value > 0.0f ? 1.0f : -1.0f; // NaN and below -1
    if (value > 1.0f) value = 1.0f;
    return u8(i8(i32(value * 127.0f))); // truncation toward zero
}

// The geometries being read on this thread, by name: a proxy naming one of
// them would recurse forever.
thread_local std::vector<zString> g_geometriesBeingRead;

class ReadingMark {
  public:
    explicit ReadingMark(const zString& name) { g_geometriesBeingRead.push_back(name); }
    ~ReadingMark() { g_geometriesBeingRead.pop_back(); }
    ReadingMark(const ReadingMark&) = delete;
    ReadingMark& operator=(const ReadingMark&) = delete;
};

bool IsBeingRead(const zString& path) {
    for (const zString& name : g_geometriesBeingRead) {
        if (!name.IsEmpty() && name == path) return true;
    }
    return false;
}

// ---- The reader -------------------------------------------------------------

class GeometryReader {
  public:
    GeometryReader(zGeometry& geometry, const zString& name) : m_geometry(geometry), m_name(name) {}

    bool Read(const zMetaTag* root) {
        return ReadMaterials(root) && ReadRenderWord(root) && ReadVertices(root) && ReadPolygons(root) &&
               ReadPolygonNormals(root) && ReadBindingNormals(root) && ReadSkin(root) && ReadColors(root) &&
               ReadUVs(root) && ReadProxies(root);
    }

  private:
    zLog& Log() { return GetLog(); }

    bool Corrupt(const char* tag, const char* reason) {
        Log() << "[!] Corrupt <" << tag << "> tag in geometry '" << m_name << "': " << reason << ".\n";
        return false;
    }

    bool ReadMaterials(const zMetaTag* root) {
        const zMetaTag* materials = root->GetTag("Materials");
        if (!materials) return true;
        const u32 count = CountChildren(materials, "Material");
        if (!m_geometry.AllocateMaterials(count, true)) return false;
        u32 index = 0;
        zLinkedListIterator iterator;
        while (const zMetaTag* child = materials->GetNextChild(iterator)) {
            if (child->GetName() != "Material") continue;
            m_geometry.GetMaterial(index++)->Parse(child);
        }
        return true;
    }

    bool ReadRenderWord(const zMetaTag* root) {
        const zMetaTag* word = root->GetTag("RenderWord");
        u32 renderWord = 0;
        if (word) {
            zLinkedListIterator iterator;
            while (const zMetaTag* child = word->GetNextChild(iterator)) {
                if (child->GetName() == "Lit") {
                    renderWord |= GeometryRenderLit;
                } else if (child->GetName() == "UseNormal") {
                    renderWord |= GeometryRenderUseNormal;
                } else if (child->GetName() != "RGB") {
                    Log() << "[*] Unknown tag '" << child->GetName() << "' in geometry '" << m_name << "'.\n";
                }
            }
        }
        m_geometry.SetRenderWord(renderWord);
        return true;
    }

    bool IncompleteVertices() {
        Log() << "[!] Incomplete vertex chunk loading '" << m_name
              << "', expected vertex count integer tag.\n";
        return false;
    }

    bool ReadVertices(const zMetaTag* root) {
        bool read = true;
        if (const zMetaTag* tag = root->GetTag("Vertex")) {
            read = ReadBinaryVertices(tag);
        } else if (const zMetaTag* text = root->GetTag("AVertex")) {
            read = ReadTextVertices(text);
        }
        if (!read) return false;
        if (m_geometry.GetVertexCount() == 0) {
            Log() << "[!] No vertice in geometry '" << m_name << "'.\n";
            return false;
        }
        return true;
    }

    bool ReadBinaryVertices(const zMetaTag* tag) {
        u32 count = 0;
        const CountState state = ReadCount(tag, "Count", count);
        if (state == CountState::Negative) return Corrupt("Vertex", "negative count");
        if (state == CountState::Missing) return IncompleteVertices();
        Payload payload;
        if (!GetPayload(tag->GetTag("Data"), payload)) return IncompleteVertices();
        if (u64(payload.size) != u64(count) * 12)
            return Corrupt("Vertex", "data size does not match the count");
        if (!m_geometry.AllocateVertices(count)) return IncompleteVertices();
        zVector* vertices = m_geometry.GetVertices();
        for (u32 i = 0; i < count; ++i) {
            const u8* at = payload.data + u64(i) * 12;
            vertices[i] = zVector(ReadF32(at), ReadF32(at + 4), ReadF32(at + 8), 1.0f);
        }
        return true;
    }

    bool ReadTextVertices(const zMetaTag* tag) {
        u32 count = 0;
        const CountState state = ReadCount(tag, "Count", count);
        if (state == CountState::Negative) return Corrupt("AVertex", "negative count");
        const zMetaTag* data = tag->GetTag("Data");
        if (state == CountState::Missing || !data) return IncompleteVertices();
        if (data->GetChildCount() < count) return Corrupt("AVertex", "fewer vertice than its count");
        if (!m_geometry.AllocateVertices(count)) return IncompleteVertices();
        zVector* vertices = m_geometry.GetVertices();
        u32 index = 0;
        zLinkedListIterator iterator;
        while (const zMetaTag* child = data->GetNextChild(iterator)) {
            if (index >= count) {
                Log() << "[!] Corrupter <AVertex> tag, more vertice than expected.\n";
                break;
            }
            zVector vertex;
            if (!ParseVector(child, vertex)) return Corrupt("AVertex", "a vertex is not a vector");
            vertex.w = 1.0f;
            vertices[index++] = vertex;
        }
        return true;
    }

    bool IncompletePolygons() {
        Log() << "[!] Incomplete polygon chunk loading '" << m_name << "'.\n";
        return false;
    }

    bool PolygonAllocationFailed() {
        Log() << "[!] Could not allocate polygon/binding memory.\n";
        return false;
    }

    bool ReadPolygons(const zMetaTag* root) {
        bool read = true;
        if (const zMetaTag* tag = root->GetTag("Polygon")) {
            read = ReadBinaryPolygons(tag);
        } else if (const zMetaTag* text = root->GetTag("APolygon")) {
            read = ReadTextPolygons(text);
        }
        if (!read) return false;
        if (m_geometry.GetPolygonCount() == 0) {
            Log() << "[!] No polygon in geometry '" << m_name << "'.\n";
            return false;
        }
        return true;
    }

    bool ReadBinaryPolygons(const zMetaTag* tag) {
        u32 count = 0, bindingCount = 0;
        const CountState polygonState = ReadCount(tag, "Count", count);
        const CountState bindingState = ReadCount(tag, "BindingCount", bindingCount);
        if (polygonState == CountState::Negative || bindingState == CountState::Negative) {
            return Corrupt("Polygon", "negative count");
        }
        Payload payload;
        if (polygonState == CountState::Missing || bindingState == CountState::Missing ||
            !GetPayload(tag->GetTag("Data"), payload)) {
            return IncompletePolygons();
        }
        const u64 words = u64(bindingCount) + 2 * u64(count);
        if (payload.size % 4 != 0 || u64(payload.size) / 4 != words) {
            return Corrupt("Polygon", "data size does not match the counts");
        }
        // Validate the whole layout before anything is allocated.
        const u32 vertexCount = m_geometry.GetVertexCount();
        u64 at = 0, corners = 0;
        for (u32 p = 0; p < count; ++p) {
            if (at + 1 > words) return Corrupt("Polygon", "data ends inside a polygon");
            const u32 cornerCount = ReadWord(payload.data + at * 4);
            if (cornerCount > GeometryMaxCorners) return Corrupt("Polygon", "corner count above 65535");
            if (at + 1 + cornerCount + 1 > words) return Corrupt("Polygon", "data ends inside a polygon");
            for (u32 c = 0; c < cornerCount; ++c) {
                if (ReadWord(payload.data + (at + 1 + c) * 4) >= vertexCount) {
                    return Corrupt("Polygon", "vertex index out of range");
                }
            }
            if (ReadWord(payload.data + (at + 1 + cornerCount) * 4) > 0xFFFF) {
                return Corrupt("Polygon", "material index above 65535");
            }
            corners += cornerCount;
            at += cornerCount + 2;
        }
        if (corners != bindingCount || at != words)
            return Corrupt("Polygon", "corner counts do not add up to BindingCount");

        if (!m_geometry.AllocatePolygons(count)) return PolygonAllocationFailed();
        zPolygon* polygons = m_geometry.GetPolygons();
        at = 0;
        for (u32 p = 0; p < count; ++p) {
            polygons[p].cornerCount = u16(ReadWord(payload.data + at * 4));
            polygons[p].material = u16(ReadWord(payload.data + (at + 1 + polygons[p].cornerCount) * 4));
            at += polygons[p].cornerCount + 2;
        }
        if (!m_geometry.AllocateBindings()) return PolygonAllocationFailed();
        at = 0;
        for (u32 p = 0; p < count; ++p) {
            for (u32 c = 0; c < polygons[p].cornerCount; ++c) {
                polygons[p].bindings[c] = ReadWord(payload.data + (at + 1 + c) * 4);
            }
            at += polygons[p].cornerCount + 2;
        }
        return true;
    }

    struct TextPolygon {
        const zMetaTag* tag = nullptr; // null: no corners, material 0
        u32 cornerCount = 0;
        u32 material = 0;
    };

    bool ReadTextPolygons(const zMetaTag* tag) {
        u32 count = 0, bindingCount = 0;
        const CountState polygonState = ReadCount(tag, "Count", count);
        const CountState bindingState = ReadCount(tag, "BindingCount", bindingCount);
        if (polygonState == CountState::Negative || bindingState == CountState::Negative) {
            return Corrupt("APolygon", "negative count");
        }
        const zMetaTag* data = tag->GetTag("Data");
        if (polygonState == CountState::Missing || bindingState == CountState::Missing || !data) {
            return IncompletePolygons();
        }
        if (data->GetChildCount() < count) return Corrupt("APolygon", "fewer polygons than its count");
        const u32 vertexCount = m_geometry.GetVertexCount();
        std::vector<TextPolygon> read;
        u64 corners = 0;
        zLinkedListIterator iterator;
        while (const zMetaTag* child = data->GetNextChild(iterator)) {
            if (read.size() >= count) {
                Log() << "[!] Corrupted <APolygon> tag, too many polygons.\n";
                break;
            }
            TextPolygon polygon;
            const zMetaTag* cornerTag = child->GetTypedTag("Count;", VariantInt);
            const zMetaTag* materialTag = child->GetTypedTag("Material;", VariantInt);
            if (!cornerTag || !materialTag) {
                Log() << "[!] Corrupt <Polygon> tag in <APolygon>.\n";
                read.push_back(polygon);
                continue;
            }
            const i32 material = materialTag->GetRawInt();
            if (material < 0 || material > 0xFFFF) return Corrupt("APolygon", "material index out of range");
            u32 indexCount = 0;
            zLinkedListIterator indices;
            while (const zMetaTag* index = child->GetNextChild(indices)) {
                if (index->GetName() != "Index") continue;
                if (index->GetValue().GetType() != VariantInt || index->GetRawInt() < 0 ||
                    u32(index->GetRawInt()) >= vertexCount) {
                    return Corrupt("APolygon", "vertex index out of range");
                }
                ++indexCount;
            }
            if (cornerTag->GetRawInt() < 0 || u32(cornerTag->GetRawInt()) != indexCount) {
                return Corrupt("APolygon", "corner count does not match its <Index> tags");
            }
            if (indexCount > GeometryMaxCorners) return Corrupt("APolygon", "corner count above 65535");
            corners += indexCount;
            if (corners > bindingCount) return Corrupt("APolygon", "more <Index> tags than BindingCount");
            polygon.tag = child;
            polygon.cornerCount = indexCount;
            polygon.material = u32(material);
            read.push_back(polygon);
        }
        if (!m_geometry.AllocatePolygons(count)) return PolygonAllocationFailed();
        zPolygon* polygons = m_geometry.GetPolygons();
        for (u32 p = 0; p < count; ++p) {
            polygons[p].cornerCount = u16(read[p].cornerCount);
            polygons[p].material = u16(read[p].material);
        }
        if (!m_geometry.AllocateBindings()) return PolygonAllocationFailed();
        for (u32 p = 0; p < count; ++p) {
            if (!read[p].tag) continue;
            u32 corner = 0;
            zLinkedListIterator indices;
            while (const zMetaTag* index = read[p].tag->GetNextChild(indices)) {
                if (index->GetName() == "Index") polygons[p].bindings[corner++] = u32(index->GetRawInt());
            }
        }
        return true;
    }

    bool ReadPolygonNormals(const zMetaTag* root) {
        const zMetaTag* tag = root->GetTag("PNormal");
        if (!tag) return true;
        u32 count = 0;
        const CountState state = ReadCount(tag, "Count", count);
        if (state == CountState::Negative) return Corrupt("PNormal", "negative count");
        Payload payload;
        if (state == CountState::Missing || !GetPayload(tag->GetTag("Data"), payload)) {
            Log() << "[!] Incomplete polygon normal chunk loading '" << m_name << "'.\n";
            return true;
        }
        if (count != m_geometry.GetPolygonCount())
            return Corrupt("PNormal", "count differs from the polygon count");
        if (u64(payload.size) != u64(count) * 3)
            return Corrupt("PNormal", "data size does not match the count");
        if (!m_geometry.AllocatePolygonNormals()) {
            Log() << "[!] Incomplete polygon normal chunk loading '" << m_name << "'.\n";
            return true;
        }
        zVector* normals = m_geometry.GetPolygonNormals();
        for (u32 i = 0; i < count; ++i)
            normals[i] = DecodeNormal(payload.data + u64(i) * 3);
        return true;
    }

    bool ReadBindingNormals(const zMetaTag* root) {
        const zMetaTag* tag = root->GetTag("VNormal");
        if (!tag) return true;
        u32 count = 0;
        const CountState state = ReadCount(tag, "Count;", count);
        if (state == CountState::Negative) return Corrupt("VNormal", "negative count");
        if (state == CountState::Missing) {
            Log() << "[!] No count tag in <VNormal>.\n";
            return true;
        }
        Payload payload;
        if (!GetPayload(tag->GetTag("Data;"), payload)) {
            Log() << "[!] No data tag in <VNormal>.\n";
            return true;
        }
        if (count == 0) {
            Log() << "[!] Incomplete vertex normal chunk loading '" << m_name << "'.\n";
            return true;
        }
        if (count != m_geometry.GetBindingCount())
            return Corrupt("VNormal", "count differs from the binding count");
        if (u64(payload.size) != u64(count) * 3)
            return Corrupt("VNormal", "data size does not match the count");
        if (!m_geometry.AllocateBindingNormals()) {
            Log() << "[!] Could not allocate vertex normal memory.\n";
            return true;
        }
        zVector* normals = m_geometry.GetBindingNormals();
        for (u32 i = 0; i < count; ++i)
            normals[i] = DecodeNormal(payload.data + u64(i) * 3);
        return true;
    }

    bool ReadSkin(const zMetaTag* root) {
        const zMetaTag* skin = root->GetTag("Skin");
        if (!skin) return true;
        const zMetaTag* bones = skin->GetTag("Bones");
        const u32 boneCount = bones ? bones->GetChildCount() : 0;
        if (boneCount < 1) {
            Log() << "[*] Invalid bone count in skin (" << boneCount << ").\n";
            return true;
        }
        if (!m_geometry.AllocateSkinBones(boneCount)) {
            Log() << "[!] Failed to allocate bone id list.\n";
            return true;
        }
        zString* names = m_geometry.GetBoneNames();
        u32 index = 0;
        zLinkedListIterator iterator;
        while (const zMetaTag* bone = bones->GetNextChild(iterator)) {
            const char* text = nullptr;
            if (bone->GetValue().GetString(text)) names[index] = text;
            ++index;
        }
        const zMetaTag* binds = skin->GetTag("Binds");
        if (binds && binds->GetChildCount() == boneCount) {
            zMatrix4* matrices = m_geometry.GetBoneBinds();
            index = 0;
            zLinkedListIterator bindIterator;
            while (const zMetaTag* bind = binds->GetNextChild(bindIterator))
                ParseMatrix4(bind, matrices[index++]);
        }
        if (const zMetaTag* weights = skin->GetTag("Weights")) return ReadWeights(weights, boneCount);
        return true;
    }

    bool ReadWeights(const zMetaTag* weights, u32 boneCount) {
        const u32 vertexCount = m_geometry.GetVertexCount();
        const u32 count = CountChildren(weights, "W");
        if (count != vertexCount) {
            Log() << "[*] Incoherent weight count (" << count << " for " << vertexCount
                  << " vertice (is the skin being declared before the vertice?)).\n";
        }
        if (!m_geometry.AllocateSkinWeights()) {
            Log() << "[!] Failed to allocate skin weights array.\n";
            return true;
        }
        zSkinWeight* skin = m_geometry.GetSkinWeights();
        u32 vertex = 0;
        zLinkedListIterator iterator;
        while (const zMetaTag* child = weights->GetNextChild(iterator)) {
            if (child->GetName() != "W") continue;
            if (vertex >= vertexCount) break; // the skin is sized by the vertices
            const char* text = nullptr;
            if (!child->GetValue().GetString(text)) return Corrupt("Skin", "a weight is not a string");
            u32 numbers[8] = {};
            ParseNumbers(text, numbers);
            zSkinWeight& weight = skin[vertex++];
            for (int i = 0; i < 4; ++i) {
                weight.weights[i] = f32(numbers[4 + i]) / 255.0f;
                if (numbers[i] >= boneCount) {
                    if (numbers[4 + i] != 0) return Corrupt("Skin", "bone id out of range");
                    numbers[i] = 0; // an unused influence
                }
                weight.bones[i] = u16(numbers[i]);
            }
        }
        return true;
    }

    // Up to eight decimal numbers separated by any non-digit characters;
    // missing ones stay 0, values are capped far above any valid one.
    static void ParseNumbers(const char* text, u32 numbers[8]) {
        int found = 0;
        const char* cursor = text;
        while (*cursor && found < 8) {
            if (*cursor < '0' || *cursor > '9') {
                ++cursor;
                continue;
            }
            u32 value = 0;
            while (*cursor >= '0' && *cursor <= '9') {
                if (value < 100000000u) value = value * 10 + u32(*cursor - '0');
                ++cursor;
            }
            numbers[found++] = value;
        }
    }

    bool ReadColors(const zMetaTag* root) {
        const u32 bindings = m_geometry.GetBindingCount();
        if (const zMetaTag* tag = root->GetTag("RGB")) {
            Payload payload;
            if (!GetPayload(tag->GetTag("Data"), payload)) {
                Log() << "[!] Expected <Data> tag under <RGB> tag.\n";
                return true;
            }
            u32 floats = 0;
            if (u64(payload.size) == u64(bindings) * 12) {
                floats = 3;
            } else if (u64(payload.size) == u64(bindings) * 16) {
                floats = 4;
            } else {
                return Corrupt("RGB", "data size does not match the binding count");
            }
            if (!m_geometry.AllocateBindingColors()) {
                Log() << "[!] Could not allocate RGB channel for geometry '" << m_name << "'.\n";
                return true;
            }
            zVector* colors = m_geometry.GetBindingColors();
            for (u32 i = 0; i < bindings; ++i) {
                const u8* at = payload.data + u64(i) * floats * 4;
                colors[i] = zVector(ReadF32(at), ReadF32(at + 4), ReadF32(at + 8),
                                    floats == 4 ? ReadF32(at + 12) : 1.0f);
            }
            return true;
        }
        const zMetaTag* tag = root->GetTag("ARGB");
        if (!tag) return true;
        u32 count = 0;
        const CountState state = ReadCount(tag, "Count;", count);
        if (state == CountState::Negative) return Corrupt("ARGB", "negative count");
        if (state == CountState::Missing) {
            Log() << "[!] No count tag in <ARGB>.\n";
            return true;
        }
        const zMetaTag* data = tag->GetTag("Data;");
        if (!data) {
            Log() << "[!] No data tag in <ARGB>.\n";
            return true;
        }
        if (count != bindings) return Corrupt("ARGB", "count differs from the binding count");
        if (!m_geometry.AllocateBindingColors()) {
            Log() << "[!] Could not allocate RGB for geometry '" << m_name << "'.\n";
            return true;
        }
        zVector* colors = m_geometry.GetBindingColors();
        for (u32 i = 0; i < bindings; ++i)
            colors[i] = zVector(0.0f, 0.0f, 0.0f, 1.0f);
        u32 index = 0;
        zLinkedListIterator iterator;
        while (const zMetaTag* child = data->GetNextChild(iterator)) {
            if (index >= bindings) {
                Log() << "[!] Too many <Value> tags in RGB list of geometry '" << m_name << "'.\n";
                break;
            }
            zVector& color = colors[index++];
            ReadNumber(child->GetTag("R;"), color.x);
            ReadNumber(child->GetTag("G;"), color.y);
            ReadNumber(child->GetTag("B;"), color.z);
            ReadNumber(child->GetTag("A;"), color.w);
        }
        if (index < bindings)
            Log() << "[*] Not enough <Value> tags in RGB list of geometry '" << m_name << "'.\n";
        return true;
    }

    bool ReadUVs(const zMetaTag* root) {
        const zMetaTag* tag = root->GetTag("UV");
        const bool binary = tag != nullptr;
        if (!tag) tag = root->GetTag("AUV");
        if (!tag) return true;
        const char* tagName = binary ? "UV" : "AUV";
        u32 count = 0;
        const CountState state = ReadCount(tag, "Count", count);
        if (state == CountState::Negative) return Corrupt(tagName, "negative count");
        if (state == CountState::Missing) {
            Log() << "[!] Could not locate Count tag in UV tag while loading '" << m_name << "'.\n";
            return true;
        }
        if (count > GeometryMaxUVChannels) {
            Log() << "[*] '" << m_name << "' requires more UV channels than this build can handle.\n";
            Log()
                << "[*]    Please increase zUVMapCount and recompile zEngine to fully import this object.\n";
            count = GeometryMaxUVChannels;
        }
        if (CountChildren(tag, "Data") < count) return Corrupt(tagName, "fewer <Data> tags than channels");
        const u32 bindings = m_geometry.GetBindingCount();
        std::vector<const zMetaTag*> channels;
        zLinkedListIterator iterator;
        while (const zMetaTag* child = tag->GetNextChild(iterator)) {
            if (child->GetName() != "Data" || channels.size() == count) continue;
            Payload payload;
            if (binary && (!GetPayload(child, payload) || u64(payload.size) != u64(bindings) * 8)) {
                return Corrupt(tagName, "data size does not match the binding count");
            }
            channels.push_back(child);
        }
        if (!m_geometry.AllocateUVChannels(count)) {
            Log() << "[!] could not allocate UV channel for geometry '" << m_name << "'.\n";
            return true;
        }
        for (u32 channel = 0; channel < count; ++channel) {
            zVector2* uvs = m_geometry.GetUVChannel(channel);
            if (binary) {
                Payload payload;
                GetPayload(channels[channel], payload);
                for (u32 i = 0; i < bindings; ++i) {
                    uvs[i] =
                        zVector2(ReadF32(payload.data + u64(i) * 8), ReadF32(payload.data + u64(i) * 8 + 4));
                }
                continue;
            }
            u32 index = 0;
            zLinkedListIterator values;
            while (const zMetaTag* value = channels[channel]->GetNextChild(values)) {
                if (index >= bindings) {
                    Log() << "[!] Too many <Value> tags in UV channel " << channel << " of geometry '"
                          << m_name << "'.\n";
                    break;
                }
                ReadNumber(value->GetTag("U;"), uvs[index].x);
                ReadNumber(value->GetTag("V;"), uvs[index].y);
                ++index;
            }
        }
        return true;
    }

    zGeometry* LoadProxy(const zMetaTag* tag) {
        const char* text = nullptr;
        if (!tag->GetValue().GetString(text) || !text || !*text) return nullptr;
        zString path(text);
        zString normalized(text);
        normalized.NormalizePath();
        if (IsBeingRead(normalized) || IsBeingRead(path)) {
            Log() << "[!] Proxy '" << path << "' of geometry '" << m_name
                  << "' refers back to it, proxy refused.\n";
            return nullptr;
        }
        zGeometryHost* host = m_geometry.GetHost();
        if (!host) {
            Log() << "[*] No geometry cache to load proxy '" << path << "' of geometry '" << m_name << "'.\n";
            return nullptr;
        }
        return host->LoadProxyGeometry(path.CStr());
    }

    bool ReadProxies(const zMetaTag* root) {
        if (const zMetaTag* tag = root->GetTag("LodProxy")) m_geometry.SetLodProxy(LoadProxy(tag));
        if (const zMetaTag* tag = root->GetTag("ShadowProxy")) m_geometry.SetShadowProxy(LoadProxy(tag));
        f32 value = 0.0f;
        if (ReadNumber(root->GetTag("LodDistance"), value)) m_geometry.SetLodDistance(value);
        if (ReadNumber(root->GetTag("ZFar"), value)) m_geometry.SetFarDistance(value);
        u32 flags = m_geometry.GetFlags();
        if (const zMetaTag* tag = root->GetTag("LodNull")) {
            flags = tag->GetBool() ? flags | GeometryNotDrawnBeyondLod : flags & ~GeometryNotDrawnBeyondLod;
        }
        if (const zMetaTag* tag = root->GetTag("ShadowNull")) {
            flags = tag->GetBool() ? flags | GeometryNoShadow : flags & ~GeometryNoShadow;
        }
        m_geometry.SetFlags(flags);
        return true;
    }

    zGeometry& m_geometry;
    const zString& m_name;
};

// ---- The writer -------------------------------------------------------------

class GeometryWriter {
  public:
    explicit GeometryWriter(const zGeometry& geometry) : m_geometry(geometry) {}

    zMetaTag* Write() {
        const zGeometry& g = m_geometry;
        if (g.GetVertexCount() == 0 || g.GetPolygonCount() == 0 || g.GetMaterialCount() == 0) {
            GetLog() << "[!] Cannot serialize '" << g.GetName() << "', geometry is empty.\n";
            return nullptr;
        }
        zMetaTag* root = new (std::nothrow) zMetaTag("Geometry");
        if (!root) {
            GetLog() << "[!] Could not create root tag to serialize geometry '" << g.GetName() << "'.\n";
            return nullptr;
        }
        const bool written = WriteRenderWord(root) && WriteVertices(root) && WritePolygons(root) &&
                             WriteNormals(root) && WriteColors(root) && WriteUVs(root) && WriteSkin(root) &&
                             WriteProxies(root) && WriteMaterials(root);
        if (!written) {
            delete root;
            return nullptr;
        }
        return root;
    }

  private:
    // Adds the child, or deletes it and fails.
    bool Add(zMetaTag* parent, zMetaTag* child) {
        if (child && parent->AddChild(child)) return true;
        delete child;
        GetLog() << "[!] Could not create a tag to serialize geometry '" << m_geometry.GetName() << "'.\n";
        return false;
    }

    bool AddBlock(zMetaTag* parent, const char* name, const std::vector<u8>& bytes) {
        zMetaTag* tag = new (std::nothrow) zMetaTag(name, bytes.data(), u32(bytes.size()));
        if (tag && tag->GetValue().GetType() != VariantBinary) {
            delete tag;
            tag = nullptr;
        }
        return Add(parent, tag);
    }

    // A zeroed byte buffer; false (logged) when it cannot be allocated.
    static bool MakeBuffer(std::vector<u8>& bytes, u64 size, const char* message) {
        try {
            bytes.assign(size_t(size), 0);
        } catch (const std::bad_alloc&) {
            GetLog() << message;
            return false;
        }
        return true;
    }

    bool WriteRenderWord(zMetaTag* root) {
        zMetaTag* word = new (std::nothrow) zMetaTag("RenderWord");
        if (!Add(root, word)) return false;
        if ((m_geometry.GetRenderWord() & GeometryRenderLit) &&
            !Add(word, new (std::nothrow) zMetaTag("Lit"))) {
            return false;
        }
        if ((m_geometry.GetRenderWord() & GeometryRenderUseNormal) &&
            !Add(word, new (std::nothrow) zMetaTag("UseNormal"))) {
            return false;
        }
        return true;
    }

    bool WriteVertices(zMetaTag* root) {
        const u32 count = m_geometry.GetVertexCount();
        std::vector<u8> bytes;
        if (!MakeBuffer(bytes, u64(count) * 12, "[!] Failed to allocate raw vertice buffer.\n")) return false;
        const zVector* vertices = m_geometry.GetVertices();
        for (u32 i = 0; i < count; ++i) {
            WriteF32(&bytes[size_t(i) * 12], vertices[i].x);
            WriteF32(&bytes[size_t(i) * 12 + 4], vertices[i].y);
            WriteF32(&bytes[size_t(i) * 12 + 8], vertices[i].z);
        }
        zMetaTag* tag = new (std::nothrow) zMetaTag("Vertex");
        return Add(root, tag) && Add(tag, new (std::nothrow) zMetaTag("Count", i32(count))) &&
               AddBlock(tag, "Data", bytes);
    }

    bool WritePolygons(zMetaTag* root) {
        const u32 count = m_geometry.GetPolygonCount();
        const zPolygon* polygons = m_geometry.GetPolygons();
        u64 corners = 0;
        for (u32 p = 0; p < count; ++p)
            corners += polygons[p].cornerCount;
        std::vector<u8> bytes;
        if (!MakeBuffer(bytes, (corners + 2 * u64(count)) * 4,
                        "[!] Failed to allocate raw polygon buffer.\n")) {
            return false;
        }
        size_t at = 0;
        for (u32 p = 0; p < count; ++p) {
            WriteWord(&bytes[at], polygons[p].cornerCount);
            at += 4;
            for (u32 c = 0; c < polygons[p].cornerCount; ++c, at += 4)
                WriteWord(&bytes[at], polygons[p].bindings[c]);
            WriteWord(&bytes[at], polygons[p].material);
            at += 4;
        }
        zMetaTag* tag = new (std::nothrow) zMetaTag("Polygon");
        return Add(root, tag) && Add(tag, new (std::nothrow) zMetaTag("Count", i32(count))) &&
               Add(tag, new (std::nothrow) zMetaTag("BindingCount", i32(corners))) &&
               AddBlock(tag, "Data", bytes);
    }

    bool WriteNormalTag(zMetaTag* root, const char* name, const zVector* normals, u32 count) {
        std::vector<u8> bytes;
        if (!MakeBuffer(bytes, u64(count) * 3, "[!] Failed to allocate raw normal buffer.\n")) return false;
        for (u32 i = 0; i < count; ++i) {
            bytes[size_t(i) * 3] = EncodeNormalComponent(normals[i].x);
            bytes[size_t(i) * 3 + 1] = EncodeNormalComponent(normals[i].y);
            bytes[size_t(i) * 3 + 2] = EncodeNormalComponent(normals[i].z);
        }
        zMetaTag* tag = new (std::nothrow) zMetaTag(name);
        return Add(root, tag) && Add(tag, new (std::nothrow) zMetaTag("Count", i32(count))) &&
               AddBlock(tag, "Data", bytes);
    }

    bool WriteNormals(zMetaTag* root) {
        if (const zVector* normals = m_geometry.GetPolygonNormals()) {
            if (!WriteNormalTag(root, "PNormal", normals, m_geometry.GetPolygonCount())) return false;
        }
        if (const zVector* normals = m_geometry.GetBindingNormals()) {
            if (!WriteNormalTag(root, "VNormal", normals, m_geometry.GetBindingCount())) return false;
        }
        return true;
    }

    bool WriteColors(zMetaTag* root) {
        const zVector* colors = m_geometry.GetBindingColors();
        if (!colors) return true;
        const u32 count = m_geometry.GetBindingCount();
        u32 floats = 3;
        for (u32 i = 0; i < count; ++i) {
            if (colors[i].w < 1.0f) floats = 4;
        }
        std::vector<u8> bytes;
        if (!MakeBuffer(bytes, u64(count) * floats * 4, "[!] Failed to allocate raw RGB buffer.\n"))
            return false;
        for (u32 i = 0; i < count; ++i) {
            u8* at = &bytes[size_t(i) * floats * 4];
            WriteF32(at, colors[i].x);
            WriteF32(at + 4, colors[i].y);
            WriteF32(at + 8, colors[i].z);
            if (floats == 4) WriteF32(at + 12, colors[i].w);
        }
        zMetaTag* tag = new (std::nothrow) zMetaTag("RGB");
        return Add(root, tag) && AddBlock(tag, "Data", bytes);
    }

    bool WriteUVs(zMetaTag* root) {
        const u32 channels = m_geometry.GetUVChannelCount();
        // Without bindings the channels hold no array: there is nothing to
        // write, and a count without its Data blocks would not read back.
        if (channels == 0 || m_geometry.GetBindingCount() == 0) return true;
        zMetaTag* tag = new (std::nothrow) zMetaTag("UV");
        if (!Add(root, tag) || !Add(tag, new (std::nothrow) zMetaTag("Count", i32(channels)))) return false;
        const u32 count = m_geometry.GetBindingCount();
        for (u32 channel = 0; channel < channels; ++channel) {
            const zVector2* uvs = m_geometry.GetUVChannel(channel);
            if (!uvs) {
                GetLog() << "[!] Cannot serialize UV channel as it does not exist.\n";
                continue;
            }
            std::vector<u8> bytes;
            if (!MakeBuffer(bytes, u64(count) * 8, "[!] Failed to allocate raw UVs buffer.\n")) return false;
            for (u32 i = 0; i < count; ++i) {
                WriteF32(&bytes[size_t(i) * 8], uvs[i].x);
                WriteF32(&bytes[size_t(i) * 8 + 4], uvs[i].y);
            }
            if (!AddBlock(tag, "Data", bytes)) return false;
        }
        return true;
    }

    // Weights are written as the nearest 1/255 step, so that reading and
    // writing again keeps every value.
    static i32 WeightToByte(f32 weight) {
        if (!(weight > 0.0f)) return 0;
        const f32 scaled = weight * 255.0f;
        return scaled > 65535.0f ? 65535 : i32(std::lround(scaled));
    }

    bool WriteSkin(zMetaTag* root) {
        const u32 bones = m_geometry.GetBoneCount();
        if (bones == 0) return true;
        zMetaTag* skin = new (std::nothrow) zMetaTag("Skin");
        if (!Add(root, skin)) return false;
        zMetaTag* ids = new (std::nothrow) zMetaTag("Bones");
        if (!Add(skin, ids)) return false;
        for (u32 i = 0; i < bones; ++i) {
            zMetaTag* id = new (std::nothrow) zMetaTag("Id", m_geometry.GetBoneNames()[i].CStr());
            if (!id) GetLog() << "[!] Failed to allocate bone id tag.\n";
            if (!Add(ids, id)) return false;
        }
        zMetaTag* binds = new (std::nothrow) zMetaTag("Binds");
        if (!Add(skin, binds)) return false;
        for (u32 i = 0; i < bones; ++i) {
            zMetaTag* bind = SerializeMatrix4(m_geometry.GetBoneBinds()[i], "Matrix");
            if (!bind) GetLog() << "[!] Failed to allocate bone binding tag.\n";
            if (!Add(binds, bind)) return false;
        }
        const zSkinWeight* weights = m_geometry.GetSkinWeights();
        if (!weights) return true;
        zMetaTag* list = new (std::nothrow) zMetaTag("Weights");
        if (!Add(skin, list)) return false;
        for (u32 v = 0; v < m_geometry.GetVertexCount(); ++v) {
            const zSkinWeight& w = weights[v];
            char text[128];
            std::snprintf(text, sizeof(text), "%d,%d,%d,%d:%d,%d,%d,%d", w.bones[0], w.bones[1], w.bones[2],
                          w.bones[3], WeightToByte(w.weights[0]), WeightToByte(w.weights[1]),
                          WeightToByte(w.weights[2]), WeightToByte(w.weights[3]));
            if (!Add(list, new (std::nothrow) zMetaTag("W", text))) return false;
        }
        return true;
    }

    bool WriteProxies(zMetaTag* root) {
        const zGeometry& g = m_geometry;
        if (g.GetLodProxy() &&
            !Add(root, new (std::nothrow) zMetaTag("LodProxy", g.GetLodProxy()->GetName().CStr()))) {
            return false;
        }
        if (g.GetLodDistance() != zGeometry::DefaultLodDistance &&
            !Add(root, new (std::nothrow) zMetaTag("LodDistance", g.GetLodDistance()))) {
            return false;
        }
        if ((g.GetFlags() & GeometryNotDrawnBeyondLod) &&
            !Add(root, new (std::nothrow) zMetaTag("LodNull", true))) {
            return false;
        }
        if (g.GetShadowProxy() &&
            !Add(root, new (std::nothrow) zMetaTag("ShadowProxy", g.GetShadowProxy()->GetName().CStr()))) {
            return false;
        }
        if ((g.GetFlags() & GeometryNoShadow) &&
            !Add(root, new (std::nothrow) zMetaTag("ShadowNull", true))) {
            return false;
        }
        if (g.GetFarDistance() >= 0.0f &&
            !Add(root, new (std::nothrow) zMetaTag("ZFar", g.GetFarDistance()))) {
            return false;
        }
        return true;
    }

    bool WriteMaterials(zMetaTag* root) {
        zMetaTag* list = new (std::nothrow) zMetaTag("Materials");
        if (!Add(root, list)) return false;
        for (u32 i = 0; i < m_geometry.GetMaterialCount(); ++i) {
            const zMaterial* material = m_geometry.GetMaterial(i);
            if (!material) continue;
            if (!Add(list, material->Serialize())) return false;
        }
        return true;
    }

    const zGeometry& m_geometry;
};

} // namespace

bool zGeometry::ParseRootTag(zMetafile& doc, zMetaTag* root) {
    const zString& path = doc.GetFileName().IsEmpty() ? m_name : doc.GetFileName();
    GetLog() << "Loading geometry '" << path << "'.\n";
    zStopwatch timer;
    timer.Start();
    m_bounds = zMinMax();
    if (!root || root->GetName() != "Geometry") {
        GetLog() << "[!] Could not parse material. Root tag id is incorrect ("
                 << (root ? root->GetName().CStr() : "") << ")...\n";
        return false;
    }
    zString readingName(path);
    readingName.NormalizePath();
    ReadingMark mark(readingName);
    FreeParts(0);
    FreeSkin();
    GeometryReader reader(*this, m_name.IsEmpty() ? path : m_name);
    if (!reader.Read(root)) {
        FreeParts(0);
        FreeSkin();
        m_renderWord = 0;
        return false;
    }
    if (m_materials.IsEmpty()) {
        AllocateMaterials(1, true);
        GetLog() << "[*] Expected at least one material in geometry '" << m_name << "'.\n";
    }
    GetMinMax(m_bounds);
    GetLog() << "Done in " << timer.GetElapsedMs() << "ms. " << GetVertexCount() << " vertice, "
             << GetPolygonCount() << " polygon(s), " << GetMaterialCount() << " material(s).\n";
    return true;
}

zMetaTag* zGeometry::BuildRootTag(zMetafile&) {
    return GeometryWriter(*this).Write();
}

bool LoadGeometryFromBuffer(zGeometry& geometry, const char* data, size_t size) {
    zMetafile doc;
    if (!ParseMetafile(data, size, doc)) return false;
    return geometry.LoadFromMetafile(doc);
}
