// Engine resources as GL objects: geometries as buffer objects per triangle
// list, textures, materials as one generated program per pass, and the core
// shaders of the library.
#include <cstring>
#include <new>

#include "core/log.h"
#include "render/geometry.h"
#include "render/gl/gl_renderer_data.h"
#include "render/material.h"
#include "render/shader/shader_library.h"
#include "render/shader/shader_map.h"
#include "render/texture.h"
#include "render/trilist.h"

namespace {

// The triangle limit handed to the list builder: 16-bit indices stay below 65536.
constexpr u32 TrilistTriangleLimit = 16384;

// Frees a buffer object name when it is set.
void DeleteBuffer(const zGLFunctions& gl, GLuint& name) {
    if (name && gl.glDeleteBuffersARB) gl.glDeleteBuffersARB(1, &name);
    name = 0;
}

} // namespace

zGL3Renderer::GL_GeometryData::~GL_GeometryData() = default;
zGL3Renderer::GL_TextureData::~GL_TextureData() = default;
zGL3Renderer::GL_MaterialData::~GL_MaterialData() = default;

GLuint zGL3Renderer::TextureName(const zTexture* texture) const {
    const auto* data = texture ? dynamic_cast<const GL_TextureData*>(texture->GetRenderData()) : nullptr;
    return data ? data->name : 0;
}

// Geometry.

bool zGL3Renderer::SetupGeometry(zGeometry* geometry) {
    if (!geometry) return false;
    if (geometry->GetRenderData()) return true;
    if (IsClosed()) {
        GetLog() << "[!] cannot setup geometry '" << geometry->GetName() << "', system not ready.\n";
        FreeGeometry(geometry);
        return false;
    }
    if (!geometry->GetVertexCount() || !geometry->GetPolygonCount() || !geometry->GetBindingCount()) {
        GetLog() << "[!] cannot setup geometry '" << geometry->GetName() << "', geometry is empty.\n";
        FreeGeometry(geometry);
        return false;
    }
    auto* data = new (std::nothrow) GL_GeometryData();
    if (!data) return false;
    geometry->SetRenderData(data);
    // Lists are cut so that their bones fit the programs' palette.
    std::unique_ptr<zLinkedList> lists(
        zTrilist::BuildForRenderer(geometry, TrilistTriangleLimit, GLSLSkinPaletteSize));
    if (!lists || !lists->GetCount()) {
        FreeGeometry(geometry);
        return false;
    }
    data->lists.reset(new (std::nothrow) GL_GeometryList[lists->GetCount()]);
    if (!data->lists) {
        FreeGeometry(geometry);
        return false;
    }
    data->listCount = lists->GetCount();
    u32 index = 0;
    for (auto* entry = lists->GetHead(); entry; entry = entry->GetNext(), ++index) {
        if (!UploadTrilist(data->lists[index], *static_cast<zTrilist*>(entry), *geometry)) {
            FreeGeometry(geometry);
            return false;
        }
    }
    if (GetCleanResourceOnSetup()) geometry->FreeData();
    return true;
}

bool zGL3Renderer::UploadTrilist(GL_GeometryList& record, const zTrilist& list, const zGeometry& geometry) {
    const u32 n = list.vertexCount;
    record.indexCount = list.triangleCount * 3;
    record.material = geometry.GetMaterial(list.materialIndex);
    record.materialIndex = list.materialIndex;

    std::unique_ptr<u16[]> indices(new (std::nothrow) u16[record.indexCount ? record.indexCount : 1]);
    if (!indices) return false;
    for (u32 i = 0; i < record.indexCount; ++i)
        indices[i] = u16(list.indices.Get()[i]);
    m_gl.glGenBuffersARB(1, &record.indexBuffer);
    if (!record.indexBuffer) {
        GetLog() << "[!] index VBO creation error.\n";
        return false;
    }
    m_gl.glBindBufferARB(zgl::ElementArrayBuffer, record.indexBuffer);
    m_gl.glBufferDataARB(zgl::ElementArrayBuffer, GLsizeiptr(record.indexCount) * 2, indices.get(),
                         zgl::StaticDraw);
    m_gl.glBindBufferARB(zgl::ElementArrayBuffer, 0);

    record.boneCount = list.boneCount;
    if (record.boneCount) {
        record.bones.reset(new (std::nothrow) u16[record.boneCount]);
        if (!record.bones) return false;
        std::memcpy(record.bones.get(), list.bonePalette.Get(), record.boneCount * sizeof(u16));
    }

    // The layout: positions, then each optional block of the list in turn.
    u32 size = n * 12;
    auto place = [&size](u32& offset, bool present, u32 bytesPerVertex, u32 count) {
        if (!present) return;
        offset = size;
        size += bytesPerVertex * count;
    };
    place(record.normalOffset, list.normals.Get() != nullptr, 12, n);
    place(record.tangentOffset, list.tangentFrames.Get() != nullptr, 12, n);
    place(record.bitangentOffset, list.tangentFrames.Get() != nullptr, 12, n);
    place(record.boneIndexOffset, list.skin.Get() != nullptr, 4, n);
    place(record.boneWeightOffset, list.skin.Get() != nullptr, 16, n);
    place(record.colorOffset, list.colors.Get() != nullptr, 16, n);
    for (u32 channel = 0; channel < 3; ++channel) {
        place(record.uvOffset[channel], channel < geometry.GetUVChannelCount() && list.uvs[channel].Get(), 8,
              n);
    }
    record.vertexBytes = size;

    // The scratch copy lives for this upload only.
    std::unique_ptr<u8[]> bytes(new (std::nothrow) u8[size ? size : 1]());
    if (!bytes) return false;
    auto floats = [&bytes](u32 offset) { return reinterpret_cast<f32*>(bytes.get() + offset); };
    for (u32 v = 0; v < n; ++v) {
        const zVector& p = list.vertices.Get()[v];
        f32* out = floats(v * 12);
        out[0] = p.x, out[1] = p.y, out[2] = p.z;
        if (record.normalOffset != Absent) {
            const zVector& q = list.normals.Get()[v];
            f32* o = floats(record.normalOffset + v * 12);
            o[0] = q.x, o[1] = q.y, o[2] = q.z;
        }
        if (record.tangentOffset != Absent) {
            const zTangentFrame& frame = list.tangentFrames.Get()[v];
            f32* t = floats(record.tangentOffset + v * 12);
            f32* b = floats(record.bitangentOffset + v * 12);
            t[0] = frame.tangent.x, t[1] = frame.tangent.y, t[2] = frame.tangent.z;
            b[0] = frame.bitangent.x, b[1] = frame.bitangent.y, b[2] = frame.bitangent.z;
        }
        if (record.boneIndexOffset != Absent) {
            const zTrilistSkin& skin = list.skin.Get()[v];
            std::memcpy(bytes.get() + record.boneIndexOffset + v * 4, skin.bones, 4);
            f32* w = floats(record.boneWeightOffset + v * 16);
            for (u32 k = 0; k < 4; ++k)
                w[k] = skin.weights[k] * 255.0f;
        }
        if (record.colorOffset != Absent) {
            const zVector& c = list.colors.Get()[v];
            f32* o = floats(record.colorOffset + v * 16);
            o[0] = c.x, o[1] = c.y, o[2] = c.z, o[3] = c.w;
        }
        for (u32 channel = 0; channel < 3; ++channel) {
            if (record.uvOffset[channel] == Absent) continue;
            const zVector2& uv = list.uvs[channel].Get()[v];
            f32* o = floats(record.uvOffset[channel] + v * 8);
            o[0] = uv.x, o[1] = uv.y;
        }
    }
    AddGeometryBytes(i64(size));
    m_gl.glGenBuffersARB(1, &record.vertexBuffer);
    if (!record.vertexBuffer) {
        GetLog() << "[!] Vertex VBO creation error.\n";
        return false;
    }
    m_gl.glBindBufferARB(zgl::ArrayBuffer, record.vertexBuffer);
    m_gl.glBufferDataARB(zgl::ArrayBuffer, GLsizeiptr(size), bytes.get(), zgl::StaticDraw);
    m_gl.glBindBufferARB(zgl::ArrayBuffer, 0);
    return true;
}

void zGL3Renderer::FreeGeometry(zGeometry* geometry) {
    auto* data = geometry ? dynamic_cast<GL_GeometryData*>(geometry->GetRenderData()) : nullptr;
    if (!data) return;
    for (u32 i = 0; i < data->listCount; ++i) {
        GL_GeometryList& record = data->lists[i];
        if (record.vertexBytes) AddGeometryBytes(-i64(record.vertexBytes));
        if (m_context) {
            DeleteBuffer(m_gl, record.indexBuffer);
            DeleteBuffer(m_gl, record.vertexBuffer);
        }
    }
    geometry->SetRenderData(nullptr);
    delete data;
}

void zGL3Renderer::UpdateGeometry(zGeometry* geometry, u32 /*first*/, u32 /*second*/) {
    // Geometries have no dynamic form yet: every update is refused.
    if (geometry) {
        GetLog() << "[*] !! Warning, you are trying to update a static geometry, make it dynamic first.\n";
    }
}

// Textures.

bool zGL3Renderer::SetupTexture(zTexture* texture) {
    if (!IsOpen() || !texture) return false;
    if (texture->GetRenderData()) return true;
    const u32 flags = texture->GetFlags();
    const bool releaseAfter = GetCleanResourceOnSetup() && !(flags & TextureFlagRendererOwn);
    auto* data = new (std::nothrow) GL_TextureData();
    if (!data) {
        GetLog() << "[!] Failed to allocate texture data structure.\n";
    } else {
        texture->SetRenderData(data);
        const u32 kind = texture->GetTargetFormat();
        const bool compress = !GetSystemWord(SystemTextureNoCompression) &&
                              !(flags & TextureFlagNoResample) && kind != KindDepth && kind != KindDepthFloat;
        zPicture* source = texture;
        std::unique_ptr<zTexture> copy;
        const bool floatPicture = texture->GetFormat().floatFlag != 0;
        const bool keepSource =
            !(flags & TextureFlagNoResample) && !releaseAfter && (flags & TextureFlagRendererOwn);
        if (!texture->IsVirtual() && texture->GetPixels() && !floatPicture &&
            texture->GetFormat() != PixelFormatRGBA8) {
            if (keepSource) {
                copy.reset(new (std::nothrow) zTexture(GetEngine(), 0, kind));
                if (copy && copy->Copy(*texture)) source = copy.get();
            }
            if (!source->Convert(PixelFormatRGBA8)) source = texture;
        }
        UploadTexture(*data, *source, *texture, compress);
    }
    if (releaseAfter && !texture->IsVirtual()) {
        const u32 width = texture->GetWidth(), height = texture->GetHeight();
        texture->FreeBuffer();
        texture->SetVirtualSize(width, height);
    }
    return data != nullptr;
}

void zGL3Renderer::UploadTexture(GL_TextureData& data, zPicture& picture, const zTexture& texture,
                                 bool compress) {
    m_gl.glGenTextures(1, &data.name);
    m_gl.glBindTexture(zgl::Texture2D, data.name);
    m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureMinFilter, zgl::Linear);
    m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureMagFilter, zgl::Linear);
    m_gl.glPixelStorei(zgl::UnpackAlignment, 1);
    const u32 width = picture.GetWidth(), height = picture.GetHeight();
    const u32 kind = texture.GetTargetFormat();
    const u32 flags = texture.GetFlags();
    const u8* pixels = picture.IsVirtual() ? nullptr : picture.GetPixels();
    u64 bytes = 0;
    if (!width || !height) {
        GetLog() << "[*] Invalid texture '" << texture.GetName() << "'. Uploading error bitmap.\n";
        static const u8 ErrorTexel[4] = {0x7F, 0x00, 0xFF, 0x7F};
        m_gl.glTexImage2D(zgl::Texture2D, 0, GLint(zgl::CompressedRgba), 1, 1, 0, zgl::Rgba,
                          zgl::UnsignedByte, ErrorTexel);
        bytes = 4;
    } else {
        if (m_gl.glGenerateMipmapEXT && texture.GetWord() != 1 &&
            !(flags & (TextureFlagRendererOwn | TextureFlagNoResample)) && kind != KindDepth &&
            kind != KindDepthFloat) {
            m_gl.glTexParameterf(zgl::Texture2D, zgl::TextureMaxAnisotropy, 16.0f);
            m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureMagFilter, zgl::Linear);
            m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureMinFilter, zgl::LinearMipmapLinear);
            m_gl.glTexParameteri(zgl::Texture2D, zgl::GenerateMipmap, 1);
        }
        const u64 area = u64(width) * height;
        switch (kind) {
        case KindRGBA16:
            m_gl.glTexImage2D(zgl::Texture2D, 0, GLint(zgl::Rgba16), GLsizei(width), GLsizei(height), 0,
                              zgl::Rgba, zgl::UnsignedByte, pixels);
            bytes = area * 8;
            break;
        case KindHalfFloat:
            if (picture.GetFormat().floatFlag) {
                m_gl.glTexImage2D(zgl::Texture2D, 0, GLint(zgl::Rgb16F), GLsizei(width), GLsizei(height), 0,
                                  zgl::Rgb, zgl::Float, pixels);
                bytes = area * 6;
            } else {
                m_gl.glTexImage2D(zgl::Texture2D, 0, GLint(zgl::Rgba16F), GLsizei(width), GLsizei(height), 0,
                                  zgl::Rgba, zgl::UnsignedByte, pixels);
                bytes = area * 8;
            }
            break;
        case KindDepth:
            // The fallback after an incomplete g-buffer is a 16-bit depth texture.
            m_gl.glTexImage2D(
                zgl::Texture2D, 0, GLint(m_depthFallback ? zgl::DepthComponent16 : zgl::DepthComponent24),
                GLsizei(width), GLsizei(height), 0, zgl::DepthComponent, zgl::UnsignedInt, nullptr);
            m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureMinFilter, zgl::Nearest);
            m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureMagFilter, zgl::Nearest);
            m_gl.glTexParameteri(zgl::Texture2D, zgl::DepthTextureMode, zgl::Luminance);
            bytes = area * (m_depthFallback ? 2 : 3);
            break;
        case KindDepthFloat:
            m_gl.glTexImage2D(zgl::Texture2D, 0, GLint(zgl::DepthComponent), GLsizei(width), GLsizei(height),
                              0, zgl::DepthComponent, zgl::Float, nullptr);
            bytes = area * 2;
            break;
        default:
            if (kind != KindRGBA8) GetLog() << "[!] Unsupported texture format.\n";
            if (!GetSystemWord(SystemTextureForceTrueColor) && compress) {
                m_gl.glTexImage2D(zgl::Texture2D, 0, GLint(zgl::Rgba4), GLsizei(width), GLsizei(height), 0,
                                  zgl::Rgba, zgl::UnsignedByte, pixels);
                bytes = area * 2;
            } else if (compress) {
                m_gl.glTexImage2D(zgl::Texture2D, 0, GLint(zgl::CompressedRgba), GLsizei(width),
                                  GLsizei(height), 0, zgl::Rgba, zgl::UnsignedByte, pixels);
                GLint compressed = 0;
                m_gl.glGetTexLevelParameteriv(zgl::Texture2D, 0, zgl::TextureCompressedImageSize,
                                              &compressed);
                bytes = compressed > 0 ? u64(compressed) : area * 4;
            } else {
                m_gl.glTexImage2D(zgl::Texture2D, 0, GLint(zgl::Rgba8), GLsizei(width), GLsizei(height), 0,
                                  zgl::Rgba, zgl::UnsignedByte, pixels);
                bytes = area * 4;
            }
            break;
        }
        m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureWrapS, zgl::ClampToEdge);
        m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureWrapT, zgl::ClampToEdge);
    }
    m_gl.glBindTexture(zgl::Texture2D, 0);
    data.bytes = u32(bytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : bytes);
    AddTextureBytes(i64(data.bytes));
    zString line;
    line.Format("Setup %s (%ux%u), VRAM: %.02fmo\n", texture.GetName().CStr(), width, height,
                f64(m_textureBytes) * (1.0 / 1048576.0));
    GetLog() << line;
}

void zGL3Renderer::FreeTexture(zTexture* texture) {
    auto* data = texture ? dynamic_cast<GL_TextureData*>(texture->GetRenderData()) : nullptr;
    if (!data) return;
    GetLog() << "Release texture '" << texture->GetName() << "'.\n";
    if (m_context && data->name) m_gl.glDeleteTextures(1, &data->name);
    AddTextureBytes(-i64(data->bytes));
    texture->SetRenderData(nullptr);
    delete data;
}

void zGL3Renderer::UpdateTexture(zTexture* texture, const u8* rgbaPixels, u32 width, u32 height, u32 x,
                                 u32 y) {
    const GLuint name = TextureName(texture);
    if (!name || !width || !height || !rgbaPixels) return;
    m_gl.glBindTexture(zgl::Texture2D, name);
    m_gl.glTexSubImage2D(zgl::Texture2D, 0, GLint(x), GLint(y), GLsizei(width), GLsizei(height), zgl::Rgba,
                         zgl::UnsignedByte, rgbaPixels);
    m_gl.glBindTexture(zgl::Texture2D, 0);
}

void zGL3Renderer::CopyDisplayToTexture(zTexture* texture) {
    const GLuint name = TextureName(texture);
    if (!name) return;
    f32 size[2];
    GetOutputSize(size);
    m_gl.glBindTexture(zgl::Texture2D, name);
    m_gl.glCopyTexSubImage2D(zgl::Texture2D, 0, 0, 0, 0, 0, GLsizei(size[0]), GLsizei(size[1]));
    m_gl.glBindTexture(zgl::Texture2D, 0);
}

// Core shaders.

namespace {

// Without any of these the deferred frame cannot be drawn.
const char* const RequiredCoreShaders[] = {
    "core::fog",
    "core::ambient",
    "core::pointlight",
    "core::pointlight_specular",
    "core::ssao",
    "core::spotlight",
    "core::projective_spotlight_shadow",
    "core::spotlight_specular",
    "core::projective_spotlight",
};

// An 8 x 8 ordered-dither threshold matrix (values 0..63).
const u8 BayerMatrix[64] = {0,  32, 8,  40, 2,  34, 10, 42, 48, 16, 56, 24, 50, 18, 58, 26,
                            12, 44, 4,  36, 14, 46, 6,  38, 60, 28, 52, 20, 62, 30, 54, 22,
                            3,  35, 11, 43, 1,  33, 9,  41, 51, 19, 59, 27, 49, 17, 57, 25,
                            15, 47, 7,  39, 13, 45, 5,  37, 63, 31, 55, 23, 61, 29, 53, 21};

} // namespace

bool zGL3Renderer::LoadCoreShaders() {
    if (!m_library) return false;
    for (const char* name : RequiredCoreShaders) {
        if (!m_library->Find(name)) {
            GetLog() << "[!] Failed to load one or more core shader.\n";
            return false;
        }
    }
    m_ambientShader = static_cast<zGL3Shader*>(m_library->Find("core::ambient"));
    m_velocityShader = static_cast<zGL3Shader*>(m_library->Find("core::velocity"));
    MakeCoreTextures();
    return true;
}

void zGL3Renderer::MakeCoreTextures() {
    // The noise (a hashed 64 x 64 grey) and the 8 x 8 ordered dither are made
    // here: the renderer has no road to the engine's texture cache.
    struct Core {
        zSharedPtr<zTexture>* slot;
        const char* path;
    };
    for (const Core& core : {Core{&m_noiseTexture, "noise.tga"}, Core{&m_ditherTexture, "dither.tga"}}) {
        zSharedPtr<zTexture> texture(new (std::nothrow) zTexture(GetEngine(), 0, KindRGBA8));
        if (!texture) continue;
        texture->SetFlags(TextureFlagRendererOwn | TextureFlagNoResample);
        texture->SetName(zString(core.path));
        {
            const bool dither = core.slot == &m_ditherTexture;
            const u32 size = dither ? 8 : 64;
            if (!texture->Allocate(size, size, PixelFormatRGBA8)) continue;
            u8* pixels = texture->GetPixels();
            u32 seed = 0x2545F491u;
            for (u32 i = 0; i < size * size; ++i) {
                seed = seed * 1664525u + 1013904223u;
                const u8 value = dither ? u8(BayerMatrix[i] * 4 + 2) : u8(seed >> 24);
                pixels[i * 4 + 0] = pixels[i * 4 + 1] = pixels[i * 4 + 2] = value;
                pixels[i * 4 + 3] = 255;
            }
        }
        if (!SetupTexture(texture.Get())) continue;
        m_gl.glBindTexture(zgl::Texture2D, TextureName(texture.Get()));
        m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureWrapS, zgl::Repeat);
        m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureWrapT, zgl::Repeat);
        if (core.slot == &m_ditherTexture) {
            // Thresholds are read texel by texel.
            m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureMinFilter, zgl::Nearest);
            m_gl.glTexParameteri(zgl::Texture2D, zgl::TextureMagFilter, zgl::Nearest);
        }
        m_gl.glBindTexture(zgl::Texture2D, 0);
        *core.slot = texture;
    }
}
