// Writes the seed corpus of every fuzz target: small valid files made with the
// project's own writers (and, for formats the project only reads, built here
// byte by byte), plus truncated copies. Run from the fuzz build:
//   fuzz_make_seeds fuzz/corpus
// The corpus is kept in the repository; the failing inputs that fuzz runs
// add to it are not written here.
#include <cstdio>

#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "fuzz/render_stand_in.h"
#include "fuzz/squirrel_streams.h"
#include "io/archive.h"
#include "markup/archive_index.h"
#include "markup/math_tags.h"
#include "markup/metafile.h"
#include "markup/writer.h"
#include "picture/codec.h"
#include "picture/picture.h"
#include "picture/tga.h"
#include "render/geometry_file.h"
#include "render/shader/shader_map.h"
#include "scene/animation.h"
#include "render/curve.h"
#include "scene/camera.h"
#include "scene/item.h"
#include "scene/motion.h"
#include "tests/support/files.h"
#include "tests/support/jpeg_files.h"

namespace {

using Bytes = std::string;

std::filesystem::path g_root;
bool g_failed = false;

void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz_make_seeds: %s\n", what.c_str());
    g_failed = true;
}

void WriteSeed(const char* target, const std::string& name, const Bytes& bytes) {
    std::filesystem::path directory = g_root / target;
    std::filesystem::create_directories(directory);
    std::ofstream out(directory / name, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out) Fail("cannot write " + (directory / name).string());
}

// The file's first half and its first few bytes.
void WriteTruncations(const char* target, const std::string& stem, const std::string& extension,
                      const Bytes& bytes) {
    WriteSeed(target, stem + "-half" + extension, bytes.substr(0, bytes.size() / 2));
    WriteSeed(target, stem + "-head" + extension, bytes.substr(0, bytes.size() < 24 ? bytes.size() / 3 : 20));
}

// The file and its truncations.
void WriteWithTruncations(const char* target, const std::string& stem, const std::string& extension,
                          const Bytes& bytes) {
    WriteSeed(target, stem + extension, bytes);
    WriteTruncations(target, stem, extension, bytes);
}

void PutU16(Bytes& out, u32 value) {
    out.push_back(char(value & 0xFF));
    out.push_back(char((value >> 8) & 0xFF));
}

void PutU32(Bytes& out, u32 value) {
    PutU16(out, value & 0xFFFF);
    PutU16(out, value >> 16);
}

void PutU32BigEndian(Bytes& out, u32 value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(char((value >> shift) & 0xFF));
}

// ZML

Bytes Serialize(const zMetafile& doc) {
    Bytes text;
    if (!SerializeMetafile(doc, text)) Fail("cannot serialise a seed document");
    return text;
}

Bytes ValuesDocument(u32 binaryMethod) {
    zMetafile doc;
    doc.SetBinaryMethod(binaryMethod);
    zMetaTag* scene = doc.AddRoot(new zMetaTag("Scene"));
    zMetaTag* items = scene->AddChild(new zMetaTag("Items"));
    zMetaTag* item = items->AddChild(new zMetaTag("MItem"));
    item->AddChild(new zMetaTag("Id", "box \"one\" C:\\data\\"));
    item->AddChild(new zMetaTag("Count", i32(-42)));
    item->AddChild(new zMetaTag("Scale", 1.5f));
    item->AddChild(new zMetaTag("Tiny", 1.0e-7f));
    item->AddChild(new zMetaTag("Visible", true));
    item->AddChild(new zMetaTag("Hidden", false));
    item->AddChild(new zMetaTag("Empty"));
    std::vector<u8> block(100);
    for (size_t i = 0; i < block.size(); ++i) block[i] = u8(i * 37 + 214);
    item->AddChild(new zMetaTag("Data", block.data(), u32(block.size())));
    doc.AddRoot(new zMetaTag("Globals", "second root"));
    return Serialize(doc);
}

void MakeZmlSeeds() {
    WriteWithTruncations("zml", "values", ".zml", ValuesDocument(BinaryMethodYEnc));
    WriteWithTruncations("zml", "ascii-block", ".zml", ValuesDocument(BinaryMethodAscii));
    zMetafile empty;
    WriteSeed("zml", "empty.zml", Serialize(empty));

    // Directives are only ever written by hand; they are added to writer output.
    zMetafile included;
    zMetaTag* library = included.AddRoot(new zMetaTag("Library"));
    library->AddChild(new zMetaTag("Name", "lib"));
    included.AddRoot(new zMetaTag("Version", i32(3)));
    Bytes main = Serialize(empty) + "/* comment */ <Root=\n\t<Prefix=\"ab\">\n\t<Joined=#append(<Root:Prefix;> \"x\", "
                                    "\"y\")>\n\t<Inc=#include(\"1.zml\")>\n\t// line comment\n>\n";
    WriteSeed("zml", "include-append.zml", main + '\0' + Serialize(included));
    WriteSeed("zml", "include-cycle.zml",
              Serialize(empty) + "<A=#include(\"1.zml\")>\n" + '\0' + Serialize(empty) +
                  "<B=#include(\"0.zml\")>\n");

    // Long runs, for the readers' time: a quoted run of backslashes, one of
    // escaped quotes left open, and names alike at both ends.
    WriteSeed("zml", "long-backslashes.zml",
              Serialize(empty) + "<A=\"" + Bytes(262144, '\\') + "\">\n<B=#append(\"" + Bytes(4096, '\\') + "\")>\n");
    Bytes quotes = Serialize(empty) + "<A=\"";
    for (int i = 0; i < 65536; ++i) quotes += "\\\"";
    WriteSeed("zml", "long-escaped-quotes.zml", quotes + ">\n");
    Bytes names = Serialize(empty);
    char middle[16];
    for (int i = 0; i < 8000; ++i) {
        std::snprintf(middle, sizeof(middle), "%08d", i);
        names += std::string("<Nabcdefg") + middle + "zyxwvuts>\n";
    }
    WriteSeed("zml", "long-names.zml", names);
}

// Archives

Bytes ReadStored(zFuzzRound& round, const char* path) {
    Bytes bytes = round.ReadFile(path);
    if (bytes.empty()) Fail(std::string("cannot read back ") + path);
    return bytes;
}

Bytes MakeArchive(zFuzzRound& round, u32 alignment, const char* indexPath) {
    zArchive archive;
    archive.SetAlignment(alignment);
    if (!archive.OpenForWriting("a.ksa")) Fail("cannot write an archive");
    Bytes text = "alpha beta gamma\n";
    Bytes repeated(300, 'r');
    archive.AddFile("a.txt", text.data(), u32(text.size()), -1);
    archive.AddFile("dir/b.bin", repeated.data(), u32(repeated.size()), 6);
    archive.AddFile("empty", "", 0, -1);
    archive.AddFile("c.zml", "<ZML=1.0>\n", 10, 9);
    archive.Close();
    if (indexPath) {
        zArchive reread;
        if (!reread.OpenForReading("a.ksa") || !reread.SaveIndex(indexPath)) Fail("cannot write an index");
    }
    return ReadStored(round, "a.ksa");
}

void MakeArchiveSeeds() {
    zFuzzRound round;
    InstallZmlArchiveIndex();
    WriteWithTruncations("archive_scan", "plain", ".ksa", MakeArchive(round, 0, nullptr));
    WriteWithTruncations("archive_scan", "aligned4", ".ksa", MakeArchive(round, 4, nullptr));
    WriteSeed("archive_scan", "aligned16.ksa", MakeArchive(round, 16, nullptr));
    Bytes magicOnly = "CRAZ";
    WriteSeed("archive_scan", "magic-only.ksa", magicOnly);

    Bytes archive = MakeArchive(round, 0, "a.idx");
    Bytes index = ReadStored(round, "a.idx");
    WriteSeed("archive_index", "plain.bin", index + '\0' + archive);
    WriteSeed("archive_index", "index-half.bin", index.substr(0, index.size() / 2) + '\0' + archive);
    WriteSeed("archive_index", "archive-half.bin", index + '\0' + archive.substr(0, archive.size() / 2));
    archive = MakeArchive(round, 4, "a.idx");
    WriteSeed("archive_index", "aligned4.bin", ReadStored(round, "a.idx") + '\0' + archive);
    SetArchiveIndexFormat(nullptr);
}

// Pictures

void FillPattern(zPicture& picture) {
    u8* pixels = picture.GetPixels();
    for (u64 i = 0; i < picture.GetBufferSize(); ++i) pixels[i] = u8(i * 29 + i / 7);
}

Bytes EncodeTga(u32 width, u32 height, const zPixelFormat& format) {
    zPicture picture;
    if (!picture.Allocate(width, height, format)) Fail("cannot allocate a seed picture");
    FillPattern(picture);
    std::vector<u8> file;
    if (!EncodeTGA(picture, file)) Fail("cannot encode a seed TGA");
    return Bytes(file.begin(), file.end());
}

// TGA types the writer does not produce: 18-byte header, optional colour map,
// then the pixels (bottom row first unless descriptor bit 5 is set).
Bytes TgaHeader(u8 type, u8 mapType, u16 mapLength, u8 mapBits, u16 width, u16 height, u8 bits, u8 descriptor) {
    Bytes out;
    out.push_back(0);
    out.push_back(char(mapType));
    out.push_back(char(type));
    PutU16(out, 0);
    PutU16(out, mapLength);
    out.push_back(char(mapBits));
    PutU16(out, 0);
    PutU16(out, 0);
    PutU16(out, width);
    PutU16(out, height);
    out.push_back(char(bits));
    out.push_back(char(descriptor));
    return out;
}

Bytes TgaGrey() {
    Bytes out = TgaHeader(3, 0, 0, 0, 4, 2, 8, 0);
    for (int i = 0; i < 8; ++i) out.push_back(char(i * 30));
    return out;
}

Bytes TgaColourMapped(bool runLength) {
    Bytes out = TgaHeader(runLength ? 9 : 1, 1, 4, 24, 4, 2, 8, 0x20);
    for (int i = 0; i < 4; ++i) out += Bytes{char(i * 60), char(255 - i * 60), char(i * 20)};
    if (runLength) {
        out += Bytes{char(0x83), 2};        // four times index 2
        out += Bytes{3, 0, 1, 2, 3};        // four literal indices
    } else {
        for (int i = 0; i < 8; ++i) out.push_back(char(i % 4));
    }
    return out;
}

Bytes TgaRunLength(u8 bits) {
    Bytes out = TgaHeader(10, 0, 0, 0, 5, 2, bits, bits == 32 ? 0x28 : 0);
    u32 bytesPerPixel = bits / 8;
    out.push_back(char(0x84)); // five times one pixel
    for (u32 i = 0; i < bytesPerPixel; ++i) out.push_back(char(0x40 + i));
    out.push_back(char(4)); // five literal pixels
    for (u32 i = 0; i < 5 * bytesPerPixel; ++i) out.push_back(char(i * 13));
    return out;
}

// libjpeg in its baseline, sampled, greyscale and restart-marker forms; the
// project's writer only makes progressive files.
Bytes EncodeJpegBaseline(u32 width, u32 height, int components, int lumaH, int lumaV, int restartRows) {
    JpegFixtureOptions options;
    options.width = int(width);
    options.height = int(height);
    options.components = components;
    options.lumaHorizontal = lumaH;
    options.lumaVertical = lumaV;
    options.quality = 75;
    options.restartRows = restartRows;
    std::vector<u8> pixels(size_t(width) * height * components);
    const size_t rowSize = size_t(width) * components;
    for (size_t y = 0; y < height; ++y)
        for (size_t i = 0; i < rowSize; ++i) pixels[y * rowSize + i] = u8(i * 7 + y * 11);
    std::vector<u8> file = EncodeJpegFixture(options, pixels);
    return Bytes(file.begin(), file.end());
}

Bytes EncodeJpegProgressive(u32 width, u32 height) {
    std::vector<u8> pixels(width * height * 3);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = u8(i * 5 + i / 9);
    std::vector<u8> file;
    if (!zPictureIOJpeglibCodec::EncodeMemory(width, height, pixels.data(), 80, file))
        Fail("cannot encode a seed JPEG");
    return Bytes(file.begin(), file.end());
}

// PNG, BMP, PPM and Radiance HDR, which only the STB codec reads.
void PutPngChunk(Bytes& out, const char* type, const Bytes& data) {
    PutU32BigEndian(out, u32(data.size()));
    Bytes body = type + data;
    out += body;
    PutU32BigEndian(out, u32(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
}

Bytes EncodePng(u32 width, u32 height) {
    Bytes raw;
    for (u32 y = 0; y < height; ++y) {
        raw.push_back(char(y % 5)); // every filter type
        for (u32 x = 0; x < width * 3; ++x) raw.push_back(char(x * 17 + y * 3));
    }
    uLongf packedSize = compressBound(uLong(raw.size()));
    Bytes packed(packedSize, '\0');
    compress2(reinterpret_cast<Bytef*>(&packed[0]), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
              uLong(raw.size()), 9);
    packed.resize(packedSize);
    Bytes out = "\x89PNG\r\n\x1a\n";
    Bytes header;
    PutU32BigEndian(header, width);
    PutU32BigEndian(header, height);
    header += Bytes{8, 2, 0, 0, 0};
    PutPngChunk(out, "IHDR", header);
    PutPngChunk(out, "IDAT", packed);
    PutPngChunk(out, "IEND", "");
    return out;
}

Bytes EncodeBmp(u32 width, u32 height) {
    u32 rowSize = (width * 3 + 3) & ~3u;
    Bytes out = "BM";
    PutU32(out, 54 + rowSize * height);
    PutU32(out, 0);
    PutU32(out, 54);
    PutU32(out, 40);
    PutU32(out, width);
    PutU32(out, height);
    PutU16(out, 1);
    PutU16(out, 24);
    for (int i = 0; i < 6; ++i) PutU32(out, 0);
    for (u32 y = 0; y < height; ++y)
        for (u32 x = 0; x < rowSize; ++x) out.push_back(char(x < width * 3 ? x * 9 + y : 0));
    return out;
}

Bytes EncodePpm(u32 width, u32 height) {
    Bytes out = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    for (u32 i = 0; i < width * height * 3; ++i) out.push_back(char(i * 11));
    return out;
}

Bytes EncodeHdr(u32 width, u32 height) {
    Bytes out = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y " + std::to_string(height) + " +X " +
                std::to_string(width) + "\n";
    for (u32 i = 0; i < width * height; ++i) out += Bytes{char(100 + i), char(50), char(200), char(128)};
    return out;
}

void MakePictureSeeds() {
    WriteWithTruncations("tga", "bgra8", ".tga", EncodeTga(5, 3, PixelFormatBGRA8));
    WriteWithTruncations("tga", "rgb8", ".tga", EncodeTga(3, 2, PixelFormatRGB8));
    WriteSeed("tga", "rgb555.tga", EncodeTga(3, 2, PixelFormatRGB555));
    WriteSeed("tga", "grey.tga", TgaGrey());
    WriteSeed("tga", "mapped.tga", TgaColourMapped(false));
    WriteWithTruncations("tga", "mapped-rle", ".tga", TgaColourMapped(true));
    WriteWithTruncations("tga", "rle24", ".tga", TgaRunLength(24));
    WriteSeed("tga", "rle32.tga", TgaRunLength(32));
    WriteSeed("tga", "rle16.tga", TgaRunLength(16));

    struct JpegSeed {
        const char* name;
        Bytes bytes;
    };
    const JpegSeed jpegs[] = {
        {"progressive.jpg", EncodeJpegProgressive(19, 11)},
        {"baseline-444.jpg", EncodeJpegBaseline(9, 9, 3, 1, 1, 0)},
        {"baseline-420.jpg", EncodeJpegBaseline(17, 18, 3, 2, 2, 0)},
        {"baseline-422.jpg", EncodeJpegBaseline(16, 8, 3, 2, 1, 1)},
        {"baseline-440.jpg", EncodeJpegBaseline(8, 16, 3, 1, 2, 0)},
        {"grey-restart.jpg", EncodeJpegBaseline(24, 17, 1, 1, 1, 1)},
    };
    for (const JpegSeed& jpeg : jpegs) WriteSeed("jpeg_small", jpeg.name, jpeg.bytes);
    WriteTruncations("jpeg_small", "progressive", ".jpg", jpegs[0].bytes);
    WriteTruncations("jpeg_small", "baseline-420", ".jpg", jpegs[2].bytes);

    WriteSeed("picture_codecs", "bgra8.tga", EncodeTga(4, 4, PixelFormatBGRA8));
    WriteSeed("picture_codecs", "progressive.jpg", jpegs[0].bytes);
    WriteSeed("picture_codecs", "grey.jpg", jpegs[5].bytes);
    WriteWithTruncations("picture_codecs", "baseline", ".jpg", jpegs[2].bytes);
    WriteWithTruncations("picture_codecs", "rgb", ".png", EncodePng(5, 5));
    WriteWithTruncations("picture_codecs", "rgb", ".bmp", EncodeBmp(3, 2));
    WriteSeed("picture_codecs", "rgb.ppm", EncodePpm(3, 2));
    WriteWithTruncations("picture_codecs", "flat", ".hdr", EncodeHdr(3, 2));
}

// Geometries and materials

// A material with colours, factors, flags and stages over the stand-in
// host's textures; with its fixed-function shader map when withShaderMap.
zSharedPtr<zMaterial> MakeMaterial(zFuzzRenderHost& host, const char* name, bool withShaderMap) {
    zSharedPtr<zMaterial> material(new zMaterial(&host, &host));
    material->SetName(name);
    material->SetColor(MaterialColorDiffuse, 0.8f, 0.5f, 0.25f, 0.75f);
    material->SetColor(MaterialColorSpecular, 0.5f, 0.5f, 0.5f, 1.0f);
    material->SetGlossiness(2.5f);
    material->SetOpacity(0.5f);
    material->SetReflection(0.25f);
    material->SetMaxSmoothingAngle(60.0f);
    material->SetFlags(MaterialFlagSmoothing | MaterialFlagDoubleSided | MaterialFlagNormalMapTangent);
    material->SetShaderName("lit");
    material->mass = 2.0f;
    material->restitution = 0.5f;
    zSharedPtr<zTexture> alpha = host.LoadSharedTexture("alpha.tga", false);
    zSharedPtr<zTexture> normal = host.LoadSharedTexture("normal.tga", false);
    zSharedPtr<zTexture> light = host.LoadSharedTexture("light.tga", false);
    zSharedPtr<zTexture> opaque = host.LoadSharedTexture("opaque.tga", false);
    material->AddStage(StageTypeDiffuse, alpha.Get(), StageUVSourceUVMap, 0);
    material->AddStage(StageTypeNormal, normal.Get(), StageUVSourceUVMap, 0);
    material->AddStage(StageTypeLightmap, light.Get(), StageUVSourceUVMap, 1);
    if (zTextureStage* reflection =
            material->AddStage(StageTypeReflection, opaque.Get(), StageUVSourceFrontMap, 0)) {
        reflection->op = StageOperatorAdd;
        reflection->wrapU = 0;
    }
    material->CheckStages();
    if (withShaderMap) material->SetShaderMap(material->BuildShaderMapFromFixedFunction());
    return material;
}

Bytes MaterialText(const zMaterial& material) {
    zMetafile doc;
    doc.AddRoot(material.Serialize());
    return Serialize(doc);
}

// The unit quad and a triangle on top of it: two polygons, two materials.
zSharedPtr<zGeometry> MakeGeometry(zFuzzRenderHost& host, bool attributes) {
    zSharedPtr<zGeometry> geometry(new zGeometry(&host));
    geometry->SetName("0.zml");
    const zVector vertices[] = {zVector(0, 0, 0), zVector(1, 0, 0), zVector(1, 1, 0), zVector(0, 1, 0),
                                zVector(0.5f, 1.5f, 0.25f)};
    const u32 corners[][4] = {{0, 1, 2, 3}, {3, 2, 4, 0}};
    if (!geometry->AllocateVertices(5) || !geometry->AllocatePolygons(2))
        Fail("cannot allocate a seed geometry");
    for (u32 i = 0; i < 5; ++i)
        geometry->GetVertices()[i] = vertices[i];
    geometry->GetPolygons()[0].cornerCount = 4;
    geometry->GetPolygons()[1].cornerCount = 3;
    geometry->GetPolygons()[1].material = 1;
    if (!geometry->AllocateBindings()) Fail("cannot allocate seed bindings");
    for (u32 p = 0; p < 2; ++p)
        for (u32 c = 0; c < geometry->GetPolygons()[p].cornerCount; ++c)
            geometry->GetPolygons()[p].bindings[c] = corners[p][c];
    geometry->AllocateMaterials(2, false);
    geometry->SetMaterial(0, MakeMaterial(host, "paint", false).Get());
    geometry->SetMaterial(1, MakeMaterial(host, "glass", true).Get());
    if (!attributes) return geometry;
    geometry->SetRenderWord(GeometryRenderLit | GeometryRenderUseNormal);
    geometry->ComputePolygonNormals(true);
    geometry->ComputeVertexNormals(true);
    const u32 bindings = geometry->GetBindingCount();
    if (!geometry->AllocateBindingColors() || !geometry->AllocateUVChannels(2) || !geometry->AllocateSkin(2))
        Fail("cannot allocate seed attributes");
    for (u32 i = 0; i < bindings; ++i) {
        geometry->GetBindingColors()[i] = zVector(f32(i) / 8, 0.5f, 1.0f, i == 2 ? 0.5f : 1.0f);
        geometry->GetUVChannel(0)[i] = zVector2(f32(i % 2), f32(i / 4));
        geometry->GetUVChannel(1)[i] = zVector2(0.25f * f32(i), 0.75f);
    }
    geometry->GetBoneNames()[0] = "root";
    geometry->GetBoneNames()[1] = "tip";
    for (u32 v = 0; v < geometry->GetVertexCount(); ++v) {
        zSkinWeight& weight = geometry->GetSkinWeights()[v];
        weight.bones[0] = 0;
        weight.bones[1] = 1;
        weight.weights[0] = f32(v) / 4.0f;
        weight.weights[1] = 1.0f - weight.weights[0];
    }
    geometry->SetLodDistance(40.0f);
    geometry->SetFarDistance(500.0f);
    geometry->SetFlags(GeometryNoShadow);
    return geometry;
}

Bytes GeometryText(zGeometry& geometry) {
    zMetafile doc;
    if (!geometry.SaveToMetafile(doc)) Fail("cannot write a seed geometry");
    return Serialize(doc);
}

zMetaTag* IntTag(const char* name, i32 value) {
    return new zMetaTag(name, value);
}

zMetaTag* FloatTag(const char* name, f32 value) {
    return new zMetaTag(name, value);
}

// The same geometry in the text forms the writer never emits (AVertex,
// APolygon, ARGB, AUV).
Bytes TextFormGeometry() {
    zMetafile doc;
    zMetaTag* root = doc.AddRoot(new zMetaTag("Geometry"));
    root->AddChild(new zMetaTag("RenderWord"))->AddChild(new zMetaTag("Lit"));
    zMetaTag* material = root->AddChild(new zMetaTag("Materials"))->AddChild(new zMetaTag("Material"));
    material->AddChild(new zMetaTag("Id", "paint"));
    const zVector vertices[] = {zVector(0, 0, 0), zVector(1, 0, 0), zVector(1, 1, 0), zVector(0, 1, 0)};
    zMetaTag* vertexTag = root->AddChild(new zMetaTag("AVertex"));
    vertexTag->AddChild(IntTag("Count", 4));
    zMetaTag* vertexData = vertexTag->AddChild(new zMetaTag("Data"));
    for (const zVector& vertex : vertices)
        vertexData->AddChild(SerializeVector(vertex, "V"));
    zMetaTag* polygonTag = root->AddChild(new zMetaTag("APolygon"));
    polygonTag->AddChild(IntTag("Count", 2));
    polygonTag->AddChild(IntTag("BindingCount", 6));
    zMetaTag* polygonData = polygonTag->AddChild(new zMetaTag("Data"));
    const u32 triangles[2][3] = {{0, 1, 2}, {2, 3, 0}};
    for (const auto& triangle : triangles) {
        zMetaTag* polygon = polygonData->AddChild(new zMetaTag("P"));
        polygon->AddChild(IntTag("Count", 3));
        polygon->AddChild(IntTag("Material", 0));
        for (u32 index : triangle)
            polygon->AddChild(IntTag("Index", i32(index)));
    }
    zMetaTag* colorTag = root->AddChild(new zMetaTag("ARGB"));
    colorTag->AddChild(IntTag("Count", 6));
    zMetaTag* colorData = colorTag->AddChild(new zMetaTag("Data"));
    zMetaTag* uvTag = root->AddChild(new zMetaTag("AUV"));
    uvTag->AddChild(IntTag("Count", 1));
    zMetaTag* uvData = uvTag->AddChild(new zMetaTag("Data"));
    for (u32 i = 0; i < 6; ++i) {
        zMetaTag* color = colorData->AddChild(new zMetaTag("Value"));
        color->AddChild(FloatTag("R", f32(i) / 6));
        color->AddChild(FloatTag("G", 0.5f));
        color->AddChild(FloatTag("B", 1.0f));
        if (i == 1) color->AddChild(FloatTag("A", 0.25f));
        zMetaTag* uv = uvData->AddChild(new zMetaTag("Value"));
        uv->AddChild(FloatTag("U", f32(i % 2)));
        uv->AddChild(FloatTag("V", f32(i / 3)));
    }
    root->AddChild(new zMetaTag("LodDistance", i32(25)));
    root->AddChild(new zMetaTag("LodNull", true));
    return Serialize(doc);
}

void MakeGeometrySeeds() {
    zFuzzRound round;
    Bytes plain, full, proxy;
    {
        zFuzzRenderHost host;
        plain = GeometryText(*MakeGeometry(host, false));
        full = GeometryText(*MakeGeometry(host, true));
    }
    {
        // A quad whose proxies name the second file.
        zFuzzRenderHost host;
        host.AddGeometryFile("1.zml", plain);
        zSharedPtr<zGeometry> geometry = MakeGeometry(host, false);
        geometry->SetLodProxy(host.LoadProxyGeometry("1.zml"));
        geometry->SetShadowProxy(host.LoadProxyGeometry("1.zml"));
        proxy = GeometryText(*geometry);
    }
    // The valid seeds must load, or the target would never reach the writer.
    const Bytes* valid[] = {&plain, &full, &proxy};
    for (const Bytes* text : valid) {
        zFuzzRenderHost host;
        host.AddGeometryFile("1.zml", plain);
        zSharedPtr<zGeometry> geometry(new zGeometry(&host));
        if (!LoadGeometryFromBuffer(*geometry, text->data(), text->size()))
            Fail("a geometry seed does not load");
    }
    WriteWithTruncations("geometry", "quad", ".zml", plain);
    WriteWithTruncations("geometry", "attributes", ".zml", full);
    WriteWithTruncations("geometry", "text-forms", ".zml", TextFormGeometry());
    WriteSeed("geometry", "proxies.bin", proxy + '\0' + plain);
    WriteSeed("geometry", "proxy-names-itself.bin", proxy + '\0' + proxy);
}

void MakeMaterialSeeds() {
    zFuzzRound round;
    zFuzzRenderHost host;
    WriteWithTruncations("material", "stages", ".zml", MaterialText(*MakeMaterial(host, "paint", false)));
    WriteWithTruncations("material", "shader-map", ".zml", MaterialText(*MakeMaterial(host, "glass", true)));
    zSharedPtr<zMaterial> plain(new zMaterial(&host, &host));
    plain->SetName("plain");
    WriteSeed("material", "plain.zml", MaterialText(*plain));
}

// WAV: RIFF, "WAVE", then chunks of a 4-byte id, a u32 size and the data
// (padded to an even size).
void PutChunk(Bytes& out, const char* id, const Bytes& data) {
    out += Bytes(id, 4);
    PutU32(out, u32(data.size()));
    out += data;
    if (data.size() % 2) out.push_back(0);
}

Bytes EncodeWav(u16 format, u16 channels, u32 rate, u16 bits, u32 frames, bool extraChunk) {
    Bytes fmt;
    PutU16(fmt, format);
    PutU16(fmt, channels);
    PutU32(fmt, rate);
    PutU32(fmt, rate * channels * bits / 8);
    PutU16(fmt, u16(channels * bits / 8));
    PutU16(fmt, bits);
    Bytes samples;
    for (u32 i = 0; i < frames * channels * bits / 8; ++i) samples.push_back(char(i * 31));
    Bytes body = "WAVE";
    PutChunk(body, "fmt ", fmt);
    if (extraChunk) PutChunk(body, "LIST", "INFOabc");
    PutChunk(body, "data", samples);
    Bytes out = "RIFF";
    PutU32(out, u32(body.size()));
    return out + body;
}

void MakeWavSeeds() {
    WriteWithTruncations("wav", "stereo16", ".wav", EncodeWav(1, 2, 44100, 16, 6, false));
    WriteWithTruncations("wav", "mono8-list", ".wav", EncodeWav(1, 1, 8000, 8, 7, true));
    WriteSeed("wav", "float32.wav", EncodeWav(3, 1, 48000, 32, 3, false));
}

// Squirrel: every script fixture as source and, when it compiles, as a compiled
// closure; plus a few sources at the edges of the lexer and the compiler.

// The compiled closure of the source; empty when it does not compile.
Bytes CompileToStream(const Bytes& source, const char* name) {
    HSQUIRRELVM v = OpenQuietSquirrel();
    Bytes stream;
    if (SQ_SUCCEEDED(sq_compilebuffer(v, source.data(), SQInteger(source.size()), name, SQTrue)) &&
        !WriteClosure(v, stream))
        Fail(std::string("cannot write the compiled ") + name);
    sq_close(v);
    return stream;
}

// A source that must compile, and its compiled closure with truncations.
void WriteSourceAndStream(const std::string& stem, const Bytes& source) {
    const std::string fileName = stem + ".nut";
    WriteSeed("squirrel_compile", fileName, source);
    Bytes stream = CompileToStream(source, fileName.c_str());
    if (stream.empty()) Fail(fileName + " does not compile");
    WriteWithTruncations("squirrel_bytecode", stem, ".cnut", stream);
}

// The closure a script returns, written; empty when the script fails.
Bytes ReturnedClosureStream(const Bytes& source, const char* name) {
    HSQUIRRELVM v = OpenQuietSquirrel();
    Bytes stream;
    bool ran = SQ_SUCCEEDED(sq_compilebuffer(v, source.data(), SQInteger(source.size()), name, SQTrue));
    if (ran) {
        sq_pushroottable(v);
        ran = SQ_SUCCEEDED(sq_call(v, 1, SQTrue, SQFalse));
    }
    if (!ran || !WriteClosure(v, stream)) Fail(std::string("cannot write the closure returned by ") + name);
    sq_close(v);
    return stream;
}

// Lambdas: sources using them and getting them wrong, a script holding several, and a
// lambda written on its own.
void MakeLambdaSeeds() {
    const Bytes lambdas = "local add = @(a, b) a + b;\n"
                          "local scaled = @(x, f = 3) x * f, count = @(...) vargv.len();\n"
                          "local t = { twice = @(v) v * 2, nested = @(a) @(b) a <=> b };\n"
                          "local arr = [3, 1, 2];\n"
                          "arr.sort(@(a, b) a <=> b);\n"
                          "foreach (f in [@() 1, add]) arr.append(f(1, 2));\n"
                          "return arr.map(@(v) \"a\" in t == false ? scaled(v) : add(v, count(1)));\n";
    WriteSourceAndStream("lambda", lambdas);
    WriteSeed("squirrel_bytecode", "lambda-alone.cnut",
              ReturnedClosureStream("return @(a, b) (@(x, ...) x * b + vargv.len())(a, 1);", "lambda-alone.nut"));
    WriteSeed("squirrel_compile", "lambda-no-parenthesis.nut", "local f = @ a + 1;");
    WriteSeed("squirrel_compile", "lambda-at-end.nut", "local f = @");
    WriteSeed("squirrel_compile", "lambda-no-body.nut", "local f = @(a)");
    WriteSeed("squirrel_compile", "lambda-statement-body.nut", "local f = @(a) return a;");
    Bytes nested = "return ";
    for (int depth = 0; depth < 150; ++depth) nested += "@() ";
    WriteSeed("squirrel_compile", "lambda-nested.nut", nested + "1;");
}

void MakeSquirrelSeeds() {
    const std::string root = ZE_SQUIRREL_SCRIPTS;
    std::vector<std::string> scripts = FilesUnder(root, ".nut");
    if (scripts.empty()) Fail("no Squirrel scripts in " ZE_SQUIRREL_SCRIPTS);
    for (const std::string& script : scripts) {
        std::string stem = script;
        std::replace(stem.begin(), stem.end(), '/', '_');
        const std::string fileName = script.substr(script.find_last_of('/') + 1) + ".nut";
        Bytes source = ReadWholeFile(root + "/" + script + ".nut");
        WriteSeed("squirrel_compile", stem + ".nut", source);
        Bytes stream = CompileToStream(source, fileName.c_str());
        // Large streams slow the fuzzer down more than they add.
        if (!stream.empty() && stream.size() <= 12000) WriteSeed("squirrel_bytecode", stem + ".cnut", stream);
    }
    const Bytes small = "function f(a, ...) { local s = a; foreach (v in vargv) s += v; return s; }\n"
                        "function g(a, b = 2) { return a * b; }\n"
                        "class C { x = 1; function g() { return ::f(x, 3, 4) > 9 ? \"big\" : 0.5; } }\n"
                        "return C().g();\n";
    WriteSourceAndStream("small", small);
    WriteSeed("squirrel_bytecode", "empty-script.cnut", CompileToStream("", "empty.nut"));
    WriteSeed("squirrel_compile", "nested-parentheses.nut", "return " + Bytes(300, '(') + "1" + Bytes(300, ')') + ";");
    WriteSeed("squirrel_compile", "nested-blocks.nut", Bytes(300, '{') + Bytes(300, '}'));
    WriteSeed("squirrel_compile", "unterminated-string.nut", "local s = \"abc\\");
    WriteSeed("squirrel_compile", "unterminated-char.nut", "local c = 'a");
    WriteSeed("squirrel_compile", "unterminated-comment.nut", "/* never closed");
    WriteSeed("squirrel_compile", "verbatim-open.nut", "@\"");
    WriteSeed("squirrel_compile", "verbatim.nut", "return @\"two\nlines \"\"quoted\"\"\";");
    WriteSeed("squirrel_compile", "numbers.nut", "return [0x7FFFFFFF, 0xFFFFFFFFF, 1e39, 1.5e-3, 'x', 2147483648, -0];");
    WriteSeed("squirrel_compile", "octal.nut", "return [017, 08, 09, 08.5, 00, 0777];");
    MakeLambdaSeeds();
}

// Scene: curves, motions with their channels and quaternion keys, command lists.

// A curve with a key of every kind.
void FillSeedCurve(zCurve& curve, f32 scale) {
    const i32 kinds[] = {CurveKindLinear, CurveKindTCB, CurveKindTangent, CurveKindBezier, CurveKindStep,
                         CurveKindTangentAlt};
    for (u32 index = 0; index < 6; ++index) {
        auto point = std::make_unique<zCurvePoint>();
        point->type = kinds[index];
        point->time = 0.5f * f32(index);
        point->value = scale * f32(index % 3) - 1.0f;
        point->tension = 0.25f;
        point->continuity = -0.5f;
        point->bias = 0.125f;
        point->inTangentX = -0.1f;
        point->inTangentY = 0.5f;
        point->outTangentX = 0.1f;
        point->outTangentY = -0.25f;
        curve.AddPoint(std::move(point));
    }
}

Bytes TagDocument(zMetaTag* tag) {
    zMetafile doc;
    if (!tag) Fail("a scene seed tag cannot be written");
    doc.AddRoot(tag);
    return Serialize(doc);
}

void MakeSceneSeeds() {
    zCurve curve;
    FillSeedCurve(curve, 2.0f);
    WriteWithTruncations("curve", "binary", ".zml", TagDocument(curve.SerializeTag()));
    const Bytes header = "<ZML=1.0>\n";
    WriteSeed("curve", "text-knots.zml",
              header + "<Curve=\n\t<PostBehavior=\"OffsetRepeat\">\n\t<PreBehavior=\"Reset\">\n\t<Knot=\n"
                       "\t\t<Count=4>\n\t\t<Knot=\"0:1\">\n\t\t<Knot=\"1.5:-2\">\n"
                       "\t\t<KnotEx=\"2:3:4:0.1:0.2:0.3:-1:-2:1:2\">\n\t\t<KnotEx=\"3:5:1\">\n\t>\n>\n");
    WriteSeed("curve", "count-above-knots.zml", header + "<Curve=<Knot=<Count=3><Knot=\"0:1\"><Knot=\"1:3\">>>\n");
    WriteSeed("curve", "too-many-knots.zml",
              header + "<Curve=<Knot=<Count=1><Knot=\"0:1\"><KnotEx=\"1:2:3\"><Knot=\"2:2\">>>\n");

    zMotion motion("walk");
    motion.SetLoopMode(LoopModeOscillate);
    motion.SetUseQuaternion(true);
    motion.GetRotationKeys().AddKey(0.0f, zQuaternion());
    motion.GetRotationKeys().AddKey(1.0f, zQuaternion(0.0f, 0.7071068f, 0.0f, 0.7071068f));
    motion.GetRotationKeys().AddKey(2.5f, zQuaternion(0.5f, 0.5f, 0.5f, 0.5f));
    const i32 ids[] = {ChannelPositionX, ChannelPositionY, ChannelRotationZ, ChannelScaleX, ChannelAlpha};
    for (i32 id : ids) {
        zMotionChannel* channel = motion.AddChannel(id);
        if (channel) FillSeedCurve(*channel, f32(id));
    }
    WriteWithTruncations("motion", "motion", ".zml", TagDocument(motion.SerializeTag()));
    WriteSeed("motion", "channel.zml", TagDocument(motion.GetChannel(0)->SerializeChannelTag()));
    WriteWithTruncations("motion", "qchannel-binary", ".zml", TagDocument(motion.GetRotationKeys().SerializeTag()));
    WriteSeed("motion", "text-keys.zml",
              header + "<Motion=\n\t<Id=\"turn\">\n\t<UseQuaternion=True>\n\t<QChannel=\n\t\t<Keys=\n"
                       "\t\t\t<Key=\"0:0,0,0,1\">\n\t\t\t<Key=\"1.5:0,0.7071068,0,0.7071068\">\n\t\t>\n\t>\n"
                       "\t<Channel=<Id=\"PositionY\"><Curve=<PostBehavior=\"Repeat\"><Knot=<Count=2>"
                       "<Knot=\"0:0\"><Knot=\"1:3\">>>>\n>\n");
    WriteSeed("motion", "qchannel-mangled.zml", header + "<QChannel=<Keys=<Key=\"0:0,0,1\">>>\n");

    // AI paths: a route on all three position channels with keys shared and
    // not, text keys stored out of order, and a motion without Z.
    zMotion route("route");
    const f32 corners[][4] = {{0, 0, 0, 0}, {1, 30, 0, 0}, {2.5f, 30, 45, -5}, {4, -10, 45, 20}};
    for (i32 axis = 0; axis < 3; ++axis) {
        zMotionChannel* channel = route.AddChannel(ChannelPositionX + axis);
        for (const auto& corner : corners) {
            if (!channel || (axis == 2 && corner[0] == 1)) continue;
            auto point = std::make_unique<zCurvePoint>();
            point->time = corner[0];
            point->value = corner[1 + axis];
            channel->AddPoint(std::move(point));
        }
    }
    WriteWithTruncations("ai_path", "route", ".zml", TagDocument(route.SerializeTag()));
    const Bytes channel = "<Channel=<Id=\"Position";
    WriteSeed("ai_path", "text-keys-out-of-order.zml",
              header + "<Motion=<Id=\"back\">" + channel + "X\"><Curve=<Knot=<Count=3><Knot=\"2:4\">"
                       "<Knot=\"0:0\"><Knot=\"1:1\">>>>" + channel + "Y\"><Curve=<Knot=<Count=2>"
                       "<Knot=\"0.5:2\"><Knot=\"0.5:3\">>>>" + channel + "Z\"><Curve=<Knot=<Count=1>"
                       "<Knot=\"3:-1\">>>>>\n");
    WriteSeed("ai_path", "missing-z.zml",
              header + "<Motion=<Id=\"flat\">" + channel + "X\"><Curve=<Knot=<Count=2><Knot=\"0:0\">"
                       "<Knot=\"1:5\">>>>" + channel + "Y\"><Curve=<Knot=<Count=1><Knot=\"0:1\">>>>>\n");

    WriteSeed("ace_compile", "verbs.txt",
              "toposition 2, 10,0,0 + toscale 1, 2,2,2;\n"
              "// a comment\n/* block */ offsetposition 0.5, -1,-2.5e-1,3; torotation 1, 0,90,0;\n"
              "tooffset 1, 0,1,0; toalpha 0, 0.5; nop 0.25;\n");
    WriteSeed("ace_compile", "loop.txt", "loop 0; offsetposition 1, 1,0,0; next 0;");
    WriteSeed("ace_compile", "next-before-loop.txt", "nop 0.1; next 0 + loop 0;");
    WriteSeed("ace_compile", "errors.txt", "toposition 1, 1,2,3,4;");
    WriteSeed("ace_compile", "mangled.txt", "toposition 1, 1,2,3");
}

// Items and motion players.
void MakeItemSeeds() {
    const Bytes header = "<ZML=1.0>\n";
    zItem item;
    item.SetPosition(zVector(1.0f, -2.0f, 3.5f));
    item.SetRotation(zVector(0.25f, 1.5f, -0.75f));
    item.SetScale(zVector(2.0f, 0.5f, 1.0f));
    item.SetPivot(zMatrix4::Translation(zVector(0.0f, 1.0f, 0.0f)));
    item.SetRotationOrder(2);
    const zVector target(4.0f, 5.0f, 6.0f);
    item.SetTarget(&target);
    item.SetFlags(item.GetFlags() | ItemInvisible | ItemLinkOnlyPosition);
    zVariant team("Team", "red");
    item.GetRegistry().SetKey("Team", &team);
    item.GetRegistry().SetKey("Stats;Speed", nullptr);
    WriteWithTruncations("item", "full", ".zml", TagDocument(item.SerializeTag()));
    WriteSeed("item", "fresh.zml", TagDocument(zItem().SerializeTag()));
    WriteSeed("item", "offset-position.zml",
              header + "<Item=\n\t<OffsetPosition=<X=1.0><Y=2.0><Z=3.0>>\n\t<RotationOrder=\"XY\">\n"
                       "\t<ItemFlag=<HasTarget><Unknown>>\n\t<OrientationMatrix=1>\n\t<Colour=2>\n>\n");
    WriteSeed("item", "wrong-root.zml", header + "<Items=<Position=<X=1.0><Y=2.0><Z=3.0>>>\n");

    zAnimationPlayer player;
    for (const char* name : {"walk", "turn"}) {
        auto motion = std::make_unique<zMotion>(name);
        zMotionChannel* channel = motion->AddChannel(ChannelPositionX);
        if (channel) FillSeedCurve(*channel, 3.0f);
        if (motion->GetName() == "turn") {
            motion->SetUseQuaternion(true);
            motion->GetRotationKeys().AddKey(0.0f, zQuaternion());
            motion->GetRotationKeys().AddKey(1.0f, zQuaternion(0.0f, 0.7071068f, 0.0f, 0.7071068f));
            motion->SetLoopMode(LoopModeRepeat);
        }
        player.AddMotion(std::move(motion));
    }
    WriteWithTruncations("motion_player", "two-motions", ".zml", TagDocument(player.SerializeTag()));
    WriteSeed("motion_player", "odd-channels.zml",
              header + "<MotionPlayer=\n\t<Flag=1>\n\t<Motions=\n\t\t<Motion=<Id=\"odd\">"
                       "<Channel=<Id=\"FogB\"><Curve=<Knot=<Count=2><Knot=\"0:0\"><Knot=\"1:3\">>>>>\n"
                       "\t\t<Clip=1>\n\t>\n\t<Speed=2>\n>\n");
}

// Cameras: every field changed, the defaults, and the children a writer
// never emits.
void MakeCameraSeeds() {
    const std::string header = "<ZML=1.0>\n";
    zCamera camera;
    camera.SetPosition(zVector(1.0f, 2.0f, 3.0f));
    camera.SetRotation(zVector(0.3f, 1.1f, 0.0f));
    camera.SetZNear(0.5f);
    camera.SetZFar(900.0f);
    camera.SetZoom(2.0f);
    camera.SetViewport(0.25f, 0.5f, 0.5f, 0.5f);
    camera.SetOrthographic(true);
    camera.SetOrthographicSize(3.0f, 4.0f);
    camera.SetAspectRefYAxis(false);
    WriteWithTruncations("camera", "full", ".zml", TagDocument(camera.SerializeCamera()));
    WriteSeed("camera", "fresh.zml", TagDocument(zCamera().SerializeCamera()));
    WriteSeed("camera", "odd-values.zml",
              header + "<Camera=\n\t<FStop=2.8>\n\t<FocalDistance=12.5>\n\t<Item=<Target=<X=0.0><Y=0.0><Z=1.0>>>\n"
                       "\t<ZNear=0.05>\n\t<ZoomFactor=0.0>\n\t<Lens=1>\n\t<ZFar=\"far\">\n>\n");
    WriteSeed("camera", "wrong-root.zml", header + "<Light=<ZNear=1.0>>\n");
}

} // namespace

// Raster fonts: the description, a 0 byte, then the first page's picture.
void MakeRasterFontSeeds() {
    const Bytes description =
        "<ZML=1.0>\n<Font=<Common=<Height=16.0><BaseLine=12.0><PageCount=2>>"
        "<Char=<Id=32><U=0.0><V=0.0><W=4.0><H=16.0><OffsetU=0.0><OffsetV=0.0><Step=4.0><Page=0>>"
        "<Char=<Id=65><U=0.25><V=0.0><W=9.0><H=12.0><OffsetU=1.0><OffsetV=-2.0><Step=9.5><Page=1>>"
        "<Char=<Id=300><Step=1.0>><Char=<Id=66><Page=-1>>>\n";
    const Bytes page = EncodeTga(2, 2, PixelFormatBGRA8);
    WriteSeed("raster_font", "font.zml", description + '\0' + page);
    WriteTruncations("raster_font", "font", ".zml", description);
    WriteSeed("raster_font", "no-header.zml", "<ZML=1.0>\n<Font=<Char=<Id=32><Step=4.0>>>\n");
}

// Script units: paths, a class and typed parameters, bad declarations.
void MakeScriptUnitSeeds() {
    const Bytes unit = "<ZML=1.0>\n<ScriptUnit=<Script=\"scripts/walk.nut\"><Class=\"Walker\">"
                       "<ParmList=<Parm=<Id=\"speed\"><Value=2.5>><Parm=<Id=\"on\"><Value=True>>"
                       "<Parm=<Id=\"count\"><Value=3>><Parm=<Id=\"name\"><Value=\"bob\">>>>\n";
    WriteWithTruncations("script_unit", "unit", ".zml", unit);
    WriteSeed("script_unit", "bad-declarations.zml",
              "<ZML=1.0>\n<ScriptUnit=<ParmList=<Parm=<Value=1>><Parm=<Id=\"a\"><Value>>><Colour=1>>\n");
    // A class name written as a long Windows path.
    Bytes path;
    while (path.size() < 131072) path += "Units\\Cls";
    WriteSeed("script_unit", "long-class.zml",
              "<ZML=1.0>\n<ScriptUnit=<Script=\"scripts/walk.nut\"><Class=\"" + path + "\">>\n");
}

// Sprites and windows of the 2D scene.
void MakeSpriteSeeds() {
    const Bytes sprite =
        "<ZML=1.0>\n<Sprite2d=<Uid=7><Id=\"back\"><Position=<X=10.0><Y=20.0>><Size=<X=64.0><Y=32.0>>"
        "<Pivot=<X=0.5><Y=0.5>><Scale=<X=2.0><Y=-1.0>><ZOrder=0.25><Angle=0.5><Opacity=0.75>"
        "<Style=<Movable><AlwaysOnTop><Additive>><Flag=<Visible><FlipU><FlipV>><Texture=\"back.tga\">>\n";
    WriteWithTruncations("sprite", "sprite", ".zml", sprite);
    const Bytes window = "<ZML=1.0>\n<Window=<Sprite2d=<Uid=9><Id=\"panel\"><Size=<X=300.0><Y=200.0>>"
                         "<Style=<NoTitle>>><Colour=1>>\n";
    WriteWithTruncations("sprite", "window", ".zml", window);
    WriteSeed("sprite", "window-texture.zml", "<ZML=1.0>\n<Window=<Sprite2d=<Texture=\"x.tga\">>>\n");
}

// Text layout: eight parameter bytes (size, format, alignment, column width,
// letter and line spacing, rectangle left and width), then the text.
void MakeTextLayoutSeeds() {
    struct Seed {
        const char* name;
        Bytes header;
        Bytes text;
    };
    const Seed seeds[] = {
        {"plain.txt", Bytes("\x10\0\0\x50\0\0\0\x50", 8), "abcd AV"},
        {"colour.txt", Bytes("\x10\0\0\x50\0\0\0\x50", 8), "ab~~Color(255,0,0,255)cd"},
        {"size.txt", Bytes("\x10\1\2\x50\4\4\0\x30", 8), "~~Size(32)big ~~SIZE(8)small ~~Size(-3)tiny"},
        {"broken-command.txt", Bytes("\x10\0\0\x50\0\0\0\x50", 8), "ab~~Size(32"},
        {"paragraph.txt", Bytes("\x10\1\3\x50\0\0\0\x50", 8), "aaa bbb ccc ddd eee fff ggg"},
        {"column.txt", Bytes("\x10\2\1\x03\0\0\x05\x50", 8), "abcdefghij\\nklm\nnop"},
        {"utf8.txt", Bytes("\x10\0\2\x50\0\0\0\x50", 8), "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80 \xff\xc3"},
        {"spaces.txt", Bytes("\x10\1\0\x50\0\0\0\x50", 8), "      "},
    };
    for (const Seed& seed : seeds)
        WriteSeed("text_layout", seed.name, seed.header + seed.text);
    Bytes lines;
    for (int i = 0; i < 1100; ++i)
        lines += "a\n";
    WriteSeed("text_layout", "many-lines.txt", Bytes("\x08\0\0\x50\0\0\0\x50", 8) + lines);
}

// Widget trees: skin colour, title top, height and size, window width and
// height, the title (length, bytes), then one operation per byte (see
// widget_fuzz.cpp), each followed by four cell bytes.
void MakeWidgetSeeds() {
    const Bytes skin("\xff\x02\x10\x0e\x78\x50", 6);
    const Bytes title = Bytes(1, char(5)) + "Panel";
    const Bytes cell("\x01\x02\x08\x04", 4);
    auto text = [](const Bytes& t) { return Bytes(1, char(t.size())) + t; };
    // Three canvases in a row; a hidden one; a column with text and a check.
    const Bytes row = Bytes(1, char(0x10)) + cell + Bytes(1, char(5)) + cell + "\x10\x10" + Bytes(1, char(5)) +
                      cell + "\x08\x08" + Bytes(1, char(10)) + cell + "\x01" + Bytes(1, char(1)) + cell +
                      Bytes(1, char(4)) + cell + text("Hello ~~Color(255,0,0,255)red") + "\x10\x01\x03" +
                      Bytes(1, char(6)) + cell + text("Check") + "\x10\x01";
    WriteSeed("widget", "row.bin", skin + title + row);
    // A container with cells, one reaching far outside, then margins and weights.
    const Bytes container = Bytes(1, char(2)) + cell + Bytes(1, char(5)) + cell + "\x20\x20" + Bytes(1, char(3)) +
                            Bytes("\x80\x7f\x7f\x7f", 4) + Bytes(1, char(7)) + cell + "\xf0\x10\x7f\x80" +
                            Bytes(1, char(8)) + cell + "\x00\xfc" + Bytes(1, char(11)) + cell;
    WriteSeed("widget", "container.bin", skin + title + container);
    // Every child hidden.
    const Bytes hidden = Bytes(1, char(5)) + cell + "\x04\x04" + Bytes(1, char(10)) + cell + "\x01";
    WriteSeed("widget", "all-hidden.bin", skin + title + hidden);
    WriteSeed("widget", "huge-title.bin", Bytes("\xff\x80\x7f\x7f\xff\xff", 6) + text("~~Size(999)W"));
}

void MakeManagedItemSeeds() {
    const Bytes item = "<ZML=1.0>\n<MItem=<Id=\"door\"><UId=4><Active><Helper><Billboard><Ghost><TriggerDetected>"
                       "<InitialMatrix=<R0=<X=1.0><Y=0.0><Z=0.0><W=0.0>><R1=<X=0.0><Y=1.0><Z=0.0><W=0.0>>"
                       "<R2=<X=0.0><Y=0.0><Z=1.0><W=0.0>><R3=<X=2.0><Y=0.0><Z=-1.0><W=1.0>>>"
                       "<Priority=0.75><ScriptLogicFq=20.0>"
                       "<ScriptedObject=<ScriptUnit=<Script=\"door.nut\"><Class=\"Door\">>>>\n";
    WriteWithTruncations("managed_item", "item", ".zml", item);
    WriteSeed("managed_item", "no-uid.zml", "<ZML=1.0>\n<MItem=<Id=\"lost\"><Active>>\n");
    WriteSeed("managed_item", "legacy.zml",
              "<ZML=1.0>\n<MItem=<UId=0><ScriptLogicFq=0.0><ScriptUnit=<Script=\"a.nut\"><Class=\"A\">>"
              "<TauItem=<Mode=\"Rigid\">><GColItem=<Shapes>><Proxy><Wobble>>\n");
    WriteSeed("managed_item", "fast-logic.zml", "<ZML=1.0>\n<MItem=<UId=1><Active><ScriptLogicFq=1e30>>\n");
}

// Scene files: every section, uids out of order, links and groups naming
// uids the table does not cover, a template that instantiates itself.
void MakeSceneFileSeeds() {
    const Bytes scene =
        "<ZML=1.0>\n<Scene=<ScriptedObject=<ScriptUnit=<Script=\"s.nut\"><Class=\"S\">>>"
        "<Items=<MCamera=<MItem=<Id=\"eye\"><UId=0><Active>><Camera=<Item=<Position=<X=0.0><Y=1.0><Z=-5.0>>>>>"
        "<MObject=<MItem=<Id=\"base\"><UId=5><Active>><Object>>"
        "<MObject=<MItem=<Id=\"arm\"><UId=2><Active>><Object>>"
        "<MLight=<MItem=<Id=\"lamp\"><UId=3><Active>><Light=<Type=\"Spot\">>>"
        "<Trigger=<MItem=<Id=\"gate\"><UId=4><Active><Helper>><Item>>"
        "<Instance=<MItem=<Id=\"copy\"><UId=1><Active>><Template=\"self.zms\">>"
        "<MConstraint=<MItem=<UId=6>>>>"
        "<Links=<Link=<Item=2><Link=5>><Link=<Item=7><Link=0>><Link=<Item=-1>><Bogus>>"
        "<Skins=<Skin=<UId=5><Bone=<Index=0><UId=2>>>>"
        "<Constraints=<Constraint=<Uid=6><UidA=5>>>"
        "<Groups=<Group=<Id=\"pair\"><Item=2><Item=3><Item=9>><Group>>"
        "<Globals=<BackgroundColor=<X=0.5><Y=0.25><Z=1.0>><AmbientIntensity=2.0><VisualisationScale=2.0>"
        "<FogNear=1.0><FogFar=100.0><FogColor=<X=1.0><Y=1.0><Z=1.0>>>"
        "<Physics=<Frequency=30.0>><CurrentCamera=\"eye\">>\n";
    WriteWithTruncations("scene_file", "scene", ".zms", scene);
    // Bodies under constraints: a pendulum, a hinge to the world, one body
    // held on both sides, and entries naming masked, missing and foreign uids.
    const Bytes constraints =
        "<ZML=1.0>\n<Scene=<Items="
        "<MObject=<MItem=<Id=\"anchor\"><UId=3><Active><PhysicItem=<Mode=\"Static\">"
        "<Shapes=<PhysicShape=<Type=\"Sphere\"><Dimensions=<X=0.25><Y=0.25><Z=0.25>>>>>>"
        "<Object=<Item=<Position=<X=0.0><Y=10.0><Z=0.0>>>>>"
        "<MObject=<MItem=<Id=\"bob\"><UId=0><Active><PhysicItem=<Mode=\"Dynamic\">"
        "<Shapes=<PhysicShape=<Type=\"Box\"><Mass=1.0><Dimensions=<X=0.5><Y=0.5><Z=0.5>>>>>>"
        "<Object=<Item=<Position=<X=2.0><Y=10.0><Z=0.0>>>>>"
        "<MConstraint=<MItem=<Id=\"rod\"><UId=5><Active>><Constraint=<Type=\"Point\">"
        "<PivotA=<R0=<X=1.0><Y=0.0><Z=0.0><W=0.0>><R1=<X=0.0><Y=1.0><Z=0.0><W=0.0>>"
        "<R2=<X=0.0><Y=0.0><Z=1.0><W=0.0>><R3=<X=-2.0><Y=0.0><Z=0.0><W=1.0>>>>>"
        "<MConstraint=<MItem=<Id=\"hinge\"><UId=2><Active>><Constraint=<Type=\"Hinge\"><Spring>>>"
        "<MConstraint=<MItem=<Id=\"loose\"><UId=7><Active>><Constraint>>>"
        "<Constraints=<Constraint=<Uid=5><UidA=0><UidB=3>><Constraint=<Uid=2><UidA=6><UidB=-1>>"
        "<Constraint=<Uid=2><UidA=2>><Constraint=<Uid=2><UidA=3>><Constraint=<Uid=7><UidA=0><UidB=0>>"
        "<Constraint=<Uid=0><UidA=3>><Constraint=<Uid=4>><Constraint=<UidA=0>><Other>>"
        "<Physics=<Frequency=60.0>>>\n";
    WriteWithTruncations("scene_file", "constraints", ".zms", constraints);
    WriteSeed("scene_file", "huge-uid.zms",
              "<ZML=1.0>\n<Scene=<Items=<MObject=<MItem=<Id=\"far\"><UId=2147483647><Active>>>>"
              "<Links=<Link=<Item=2147483647><Link=0>>>>\n");
    WriteSeed("scene_file", "view.zms",
              "<ZML=1.0>\n<Scene=<ViewMatrix=<R0=<X=1.0><Y=0.0><Z=0.0><W=0.0>><R1=<X=0.0><Y=1.0><Z=0.0><W=0.0>>"
              "<R2=<X=0.0><Y=0.0><Z=1.0><W=0.0>><R3=<X=2.0><Y=3.0><Z=4.0><W=1.0>>><Tau=<Frequency=0.0>>>\n");
    WriteSeed("scene_file", "wrong-root.zms", "<ZML=1.0>\n<Environment=<Items>>\n");
    WriteSeed("scene_file", "terrain.zms",
              "<ZML=1.0>\n<Scene=<Items=<MTerrain=<MItem=<Id=\"land\"><UId=0><Active>"
              "<PhysicItem=<Mode=\"Static\"><Shapes=<PhysicShape=<Type=\"Heightmap\">>>>>"
              "<Terrain=<Width=4.0><Height=4.0><Layers=<Layer=<Index=1><Diffuse=\"grass.tga\">>>"
              "<Heightmap=<Width=4><Height=4><Ppm=1.0><Data=\"land.raw\">>>>>>\n");
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_make_seeds <corpus directory>\n");
        return 1;
    }
    g_root = argv[1];
    MakeZmlSeeds();
    MakeArchiveSeeds();
    MakePictureSeeds();
    MakeWavSeeds();
    MakeGeometrySeeds();
    MakeMaterialSeeds();
    MakeSquirrelSeeds();
    MakeSceneSeeds();
    MakeItemSeeds();
    MakeCameraSeeds();
    MakeRasterFontSeeds();
    MakeScriptUnitSeeds();
    MakeSpriteSeeds();
    MakeTextLayoutSeeds();
    MakeWidgetSeeds();
    MakeManagedItemSeeds();
    MakeSceneFileSeeds();
    return g_failed ? 1 : 0;
}
