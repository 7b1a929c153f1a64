// Fixtures of the geometry and triangle-list tests: a host that also serves
// geometries by path (proxies), a renderer that journals set-up calls, a
// builder of small meshes, and helpers that turn ZML trees into the
// (bytes, size) buffers the geometry reader takes.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "markup/metafile.h"
#include "markup/reader.h"
#include "markup/writer.h"
#include "render/geometry.h"
#include "render/geometry_file.h"
#include "render/material.h"
#include "tests/render/material_fixtures.h"

struct GeometryHost : FakeMaterialHost, zGeometryHost {
    // ZML documents by path; a proxy load reads one into a new geometry.
    std::map<std::string, std::string> files;
    std::map<std::string, zSharedPtr<zGeometry>> cache;
    std::vector<std::string> proxyLoads;

    ~GeometryHost() {
        // Proxies may refer to each other: drop them before the cache.
        for (auto& entry : cache) {
            entry.second->SetLodProxy(nullptr);
            entry.second->SetShadowProxy(nullptr);
        }
        cache.clear();
    }

    zGeometry* LoadProxyGeometry(const char* path) override {
        proxyLoads.push_back(path);
        auto cached = cache.find(path);
        if (cached != cache.end()) return cached->second.Get();
        auto file = files.find(path);
        if (file == files.end()) return nullptr;
        zGeometry* geometry = new zGeometry(this);
        geometry->SetName(path);
        zSharedPtr<zGeometry> hold(geometry);
        LoadGeometryFromBuffer(*geometry, file->second.data(), file->second.size());
        cache[path] = hold;
        return geometry;
    }
};

struct GeometryJournalRenderer : RecordingRenderer {
    GeometryJournalRenderer(zRenderHost* host, std::vector<std::string>* journal)
        : RecordingRenderer(host, true, journal) {}
    bool SetupGeometry(zGeometry*) override {
        Note("SetupGeometry");
        return true;
    }
    void FreeGeometry(zGeometry*) override { Note("FreeGeometry"); }
    bool SetupMaterial(zMaterial* material) override {
        Note((std::string("SetupMaterial ") + std::to_string(material->GetFlags())).c_str());
        return true;
    }
    void UpdateMaterial(zMaterial*) override { Note("UpdateMaterial"); }
};

struct PolygonSpec {
    std::vector<u32> corners;
    u16 material = 0;
};

// A geometry of those vertices and polygons with materialCount new materials.
inline zSharedPtr<zGeometry> MakeGeometry(zRenderHost* host, const std::vector<zVector>& vertices,
                                          const std::vector<PolygonSpec>& polygons, u32 materialCount = 1) {
    zSharedPtr<zGeometry> geometry(new zGeometry(host));
    geometry->SetName("mesh");
    EXPECT_TRUE(geometry->AllocateVertices(u32(vertices.size())));
    for (size_t i = 0; i < vertices.size(); ++i)
        geometry->GetVertices()[i] = vertices[i];
    EXPECT_TRUE(geometry->AllocatePolygons(u32(polygons.size())));
    for (size_t p = 0; p < polygons.size(); ++p) {
        geometry->GetPolygons()[p].cornerCount = u16(polygons[p].corners.size());
        geometry->GetPolygons()[p].material = polygons[p].material;
    }
    EXPECT_TRUE(geometry->AllocateBindings());
    for (size_t p = 0; p < polygons.size(); ++p) {
        for (size_t c = 0; c < polygons[p].corners.size(); ++c) {
            geometry->GetPolygons()[p].bindings[c] = polygons[p].corners[c];
        }
    }
    if (materialCount) {
        EXPECT_TRUE(geometry->AllocateMaterials(materialCount, true));
    }
    return geometry;
}

// A strip of count triangles along x in the z = 0 plane, two per unit cell
// (cell i spans x = i .. i + 1, y = 0 .. 1), facing -z, with one material.
inline zSharedPtr<zGeometry> TriangleStrip(zRenderHost* host, u32 count) {
    const u32 cells = (count + 1) / 2;
    std::vector<zVector> vertices;
    for (u32 i = 0; i <= cells; ++i) {
        vertices.push_back(zVector(f32(i), 0.0f, 0.0f));
        vertices.push_back(zVector(f32(i), 1.0f, 0.0f));
    }
    std::vector<PolygonSpec> polygons;
    for (u32 i = 0; i < cells; ++i) {
        const u32 a = 2 * i, b = 2 * i + 2, c = 2 * i + 1, d = 2 * i + 3;
        polygons.push_back({{a, b, d}});
        if (polygons.size() < count) polygons.push_back({{a, d, c}});
    }
    return MakeGeometry(host, vertices, polygons);
}

// The unit quad in the xy plane, counter-clockwise seen from -z.
inline std::vector<zVector> QuadVertices() {
    return {zVector(0, 0, 0), zVector(1, 0, 0), zVector(1, 1, 0), zVector(0, 1, 0)};
}

// ---- ZML trees and buffers ---------------------------------------------------

inline std::vector<u8> Words(const std::vector<u32>& words) {
    std::vector<u8> bytes(words.size() * 4);
    for (size_t i = 0; i < words.size(); ++i) {
        for (int b = 0; b < 4; ++b)
            bytes[i * 4 + b] = u8(words[i] >> (8 * b));
    }
    return bytes;
}

inline std::vector<u8> Floats(const std::vector<f32>& values) {
    std::vector<u32> words(values.size());
    for (size_t i = 0; i < values.size(); ++i)
        std::memcpy(&words[i], &values[i], 4);
    return Words(words);
}

inline zMetaTag* Block(const char* name, const std::vector<u8>& bytes) {
    return new zMetaTag(name, bytes.data(), u32(bytes.size()));
}

inline zMetaTag* Node(const char* name, std::vector<zMetaTag*> children) {
    zMetaTag* tag = new zMetaTag(name);
    for (zMetaTag* child : children)
        tag->AddChild(child);
    return tag;
}

inline zMetaTag* Int(const char* name, i32 value) {
    return new zMetaTag(name, value);
}

// The document text of one root tag (the tag is consumed).
inline std::string ZmlText(zMetaTag* root) {
    zMetafile doc;
    doc.AddRoot(root);
    std::string text;
    EXPECT_TRUE(SerializeMetafile(doc, text));
    return text;
}

// The binary parts of a valid geometry: the unit quad, one polygon.
inline zMetaTag* QuadVertexTag(i32 count = 4, std::vector<f32> data = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}) {
    return Node("Vertex", {Int("Count", count), Block("Data", Floats(data))});
}

inline zMetaTag* QuadPolygonTag(i32 count = 1, i32 bindings = 4, std::vector<u32> data = {4, 0, 1, 2, 3, 0}) {
    return Node("Polygon", {Int("Count", count), Int("BindingCount", bindings), Block("Data", Words(data))});
}

inline bool LoadText(zGeometry& geometry, const std::string& text) {
    return LoadGeometryFromBuffer(geometry, text.data(), text.size());
}

// Reads a geometry root built from children.
inline bool LoadTree(zGeometry& geometry, std::vector<zMetaTag*> children) {
    return LoadText(geometry, ZmlText(Node("Geometry", std::move(children))));
}
