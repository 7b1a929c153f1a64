// The draw passes of the two primitive kinds besides meshes: particle
// emitters (camera-facing quads in one immediate batch) and terrain patches
// (one shared 65 x 65 vertex grid refilled for each patch).
#include <cmath>
#include <cstdint>
#include <new>

#include "core/log.h"
#include "render/gl/gl_renderer_data.h"
#include "render/material.h"
#include "render/texture.h"

namespace {

const void* BufferOffset(u32 offset) {
    return reinterpret_cast<const void*>(static_cast<uintptr_t>(offset));
}

constexpr u32 GridSide = zGL3Renderer::TerrainPatchCells + 1;
constexpr u32 GridVertices = zGL3Renderer::TerrainPatchVertices;
constexpr u32 GridIndexCount = zGL3Renderer::TerrainPatchCells * zGL3Renderer::TerrainPatchCells * 4;
// Positions, then normals, then texture coordinates: 8 floats a vertex.
constexpr u32 NormalsAt = GridVertices * 3;
constexpr u32 UVsAt = GridVertices * 6;
constexpr u32 GridFloats = GridVertices * 8;

} // namespace

// Particles.

void zGL3Renderer::DrawEmitterPrimitive(u32 pass, zParticleSource* emitter) {
    zMaterial* material = emitter ? emitter->GetParticleMaterial() : nullptr;
    if (!material || !m_context) return;
    const bool fixed = GetSystemWord(SystemDisableShader);
    const bool forward = fixed || (material->GetFlags() & MaterialFlagFixedFunction) != 0;
    const bool forwardPass = pass == PassForward || pass == PassForwardBlended;
    if (forwardPass != forward) return;
    // Like meshes, an opaque material in the opaque pass and a transparent
    // one in the pass drawn back to front: never both.
    if (forwardPass && (material->GetTransparent() != 0) != (pass == PassForwardBlended)) return;
    const GL3_RenderMap* map = nullptr;
    if (!forwardPass) {
        // Particles have no velocity of their own; passes 2, 3 and 5 need the
        // material's program.
        if (pass == PassVelocity) return;
        map = PassMap(material, pass);
        if (!map) return;
    } else if (!fixed) {
        map = PassMap(material, PassForward);
    }
    // Shadow passes see the particles from the shadow camera, which is the
    // view item while they run.
    const zMatrix4 camera = CameraWorld();
    const u32 count = emitter->SortParticles(camera);
    if (!count) return;

    SetModelMatrix(zMatrix4());
    m_gl.glPushAttrib(zgl::ColorBufferBit | zgl::DepthBufferBit | zgl::PolygonBit | zgl::EnableBit |
                      zgl::LightingBit);
    m_gl.glColorMask(1, 1, 1, 0);
    m_gl.glFrontFace(zgl::Ccw);
    m_gl.glCullFace(zgl::Front);
    m_gl.glEnable(zgl::CullFace);
    ResetUnits(0);
    if (pass != PassDepth) m_gl.glDepthMask(0);
    if (forwardPass) {
        if (material->GetFlags() & MaterialFlagShadeless) {
            m_gl.glDisable(zgl::Lighting);
        } else {
            m_gl.glEnable(zgl::Lighting);
        }
        ApplyMaterialState(material);
        if (material->GetTransparent()) ApplyBlendMode(material);
        if (!map) {
            const zTextureStage& first = material->GetStage(0);
            if (first.active && first.texture) {
                BindUnit(0, first.texture.Get());
            } else if (m_whiteTexture) {
                BindUnit(0, m_whiteTexture.Get());
            }
        }
    } else {
        ApplyMaterialState(material);
    }
    if (map) {
        UseProgram(map->program->GetProgram());
        BindMaterialUniforms(*map, zMatrix4());
        SetDrawUniforms(*map->program, *material);
    }

    // Corners at 3/4, 1/4, -1/4 and -3/4 of a half turn from the particle's
    // angle: clockwise on screen, as the front-face culling wants.
    const zVector right = camera.GetRow(0, false);
    const zVector up = camera.GetRow(1, false);
    static const f32 CornerUV[4][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, 1.0f}, {0.0f, 1.0f}};
    const f32 quarter = 1.5707964f;
    m_gl.glBegin(zgl::Quads);
    u32 drawn = 0;
    for (u32 index = 0; index < count; ++index) {
        zRenderParticle particle;
        if (!emitter->GetRenderParticle(index, particle)) break;
        if (particle.life < 0.0f || particle.color[3] < 0.01f) continue;
        const f32 reach = particle.size * 1.4142f;
        for (u32 corner = 0; corner < 4; ++corner) {
            const f32 angle = particle.angle + 1.5f * quarter - f32(corner) * quarter;
            const f32 x = std::cos(angle) * reach;
            const f32 y = std::sin(angle) * reach;
            for (u32 unit = 0; unit < 4; ++unit)
                m_gl.glMultiTexCoord2f(zgl::Texture0 + unit, CornerUV[corner][0], CornerUV[corner][1]);
            m_gl.glColor4fv(particle.color);
            m_gl.glNormal3f(0.0f, 0.0f, -1.0f);
            m_gl.glVertex3f(particle.position.x + right.x * x + up.x * y,
                            particle.position.y + right.y * x + up.y * y,
                            particle.position.z + right.z * x + up.z * y);
        }
        ++drawn;
    }
    m_gl.glEnd();
    if (map) UseProgram(0);
    ResetUnits(0);
    m_gl.glPopAttrib();
    AddStatistic(StatisticObjectDrawn, 1);
    AddStatistic(StatisticTriangleDrawn, drawn * 2);
}

// Terrain patches.

bool zGL3Renderer::MakeTerrainBuffers() {
    if (m_terrainIndexBuffer && m_terrainVertexBuffer && m_terrainScratch) return true;
    if (!m_gl.glGenBuffersARB || !m_gl.glBufferDataARB) return false;
    std::unique_ptr<u16[]> indices(new (std::nothrow) u16[GridIndexCount]);
    m_terrainScratch.reset(new (std::nothrow) f32[GridFloats]);
    if (!indices || !m_terrainScratch) {
        GetLog() << "[!] Failed to allocate the terrain patch buffers.\n";
        m_terrainScratch.reset();
        return false;
    }
    u16* at = indices.get();
    for (u32 row = 0; row < TerrainPatchCells; ++row) {
        for (u32 column = 0; column < TerrainPatchCells; ++column) {
            *at++ = u16(row * GridSide + column);
            *at++ = u16(row * GridSide + column + 1);
            *at++ = u16((row + 1) * GridSide + column + 1);
            *at++ = u16((row + 1) * GridSide + column);
        }
    }
    m_gl.glGenBuffersARB(1, &m_terrainIndexBuffer);
    m_gl.glGenBuffersARB(1, &m_terrainVertexBuffer);
    m_gl.glBindBufferARB(zgl::ElementArrayBuffer, m_terrainIndexBuffer);
    m_gl.glBufferDataARB(zgl::ElementArrayBuffer, GLsizeiptr(GridIndexCount * sizeof(u16)), indices.get(),
                         zgl::StaticDraw);
    m_gl.glBindBufferARB(zgl::ElementArrayBuffer, 0);
    m_gl.glBindBufferARB(zgl::ArrayBuffer, m_terrainVertexBuffer);
    m_gl.glBufferDataARB(zgl::ArrayBuffer, GLsizeiptr(GridFloats * sizeof(f32)), nullptr, zgl::DynamicDraw);
    m_gl.glBindBufferARB(zgl::ArrayBuffer, 0);
    AddGeometryBytes(i64(GridIndexCount * sizeof(u16) + GridFloats * sizeof(f32)));
    return m_terrainIndexBuffer && m_terrainVertexBuffer;
}

void zGL3Renderer::ReleaseTerrainBuffers() {
    if (m_gl.glDeleteBuffersARB) {
        for (GLuint* name : {&m_terrainIndexBuffer, &m_terrainVertexBuffer})
            if (*name) m_gl.glDeleteBuffersARB(1, name);
    }
    if (m_terrainScratch) AddGeometryBytes(-i64(GridIndexCount * sizeof(u16) + GridFloats * sizeof(f32)));
    m_terrainIndexBuffer = m_terrainVertexBuffer = 0;
    m_terrainScratch.reset();
}

void zGL3Renderer::DrawTerrainPatch(u32 pass, const zTerrainPatchGrid& patch) {
    if (!m_context) return;
    ResetUnits(0);
    if (pass != PassNormalDepth && pass != PassGBuffer && pass != PassDepth) return;
    const GL3_RenderMap* map = PassMap(patch.material, pass);
    if (!map || !patch.heights || !patch.normals || patch.rowStride <= patch.lastColumn) return;
    if (!MakeTerrainBuffers()) return;

    // The patch's samples, clamped to the grid at its edges.
    f32* positions = m_terrainScratch.get();
    f32* normals = positions + NormalsAt;
    f32* uvs = positions + UVsAt;
    const i32 step = patch.step > 0 ? patch.step : 1;
    const f32 normalScale = 1.0f / (f32(step) * patch.spacing);
    const f32 inverseX = patch.extentX != 0.0f ? 1.0f / patch.extentX : 0.0f;
    const f32 inverseZ = patch.extentZ != 0.0f ? 1.0f / patch.extentZ : 0.0f;
    for (u32 r = 0; r < GridSide; ++r) {
        i32 row = patch.row + i32(r) * step;
        row = row < 0 ? 0 : (row > patch.lastRow ? patch.lastRow : row);
        for (u32 c = 0; c < GridSide; ++c) {
            i32 column = patch.column + i32(c) * step;
            column = column < 0 ? 0 : (column > patch.lastColumn ? patch.lastColumn : column);
            const size_t sample = size_t(row) * size_t(patch.rowStride) + size_t(column);
            const i8* normal = patch.normals + sample * 3;
            const f32 x = f32(column) * patch.spacing;
            const f32 z = -f32(row) * patch.spacing;
            *positions++ = x;
            *positions++ = f32(patch.heights[sample]) / 20.0f;
            *positions++ = z;
            *normals++ = f32(normal[0]) / 127.0f;
            *normals++ = f32(normal[1]) / 127.0f * normalScale;
            *normals++ = f32(normal[2]) / 127.0f;
            *uvs++ = x * inverseX;
            *uvs++ = -z * inverseZ;
        }
    }

    SetModelMatrix(patch.world);
    m_gl.glPushAttrib(zgl::ColorBufferBit | zgl::DepthBufferBit | zgl::PolygonBit | zgl::EnableBit);
    ApplyMaterialState(patch.material);
    const GLhandleARB program = map->program->GetProgram();
    UseProgram(program);
    BindMaterialUniforms(*map, patch.world);
    SetDrawUniforms(*map->program, *patch.material);

    m_gl.glBindBufferARB(zgl::ArrayBuffer, m_terrainVertexBuffer);
    m_gl.glBufferDataARB(zgl::ArrayBuffer, GLsizeiptr(GridFloats * sizeof(f32)), m_terrainScratch.get(),
                         zgl::DynamicDraw);
    m_gl.glBindBufferARB(zgl::ElementArrayBuffer, m_terrainIndexBuffer);
    m_gl.glEnableClientState(zgl::VertexArray);
    m_gl.glVertexPointer(3, zgl::Float, 0, nullptr);
    if (pass != PassDepth) {
        m_gl.glEnableClientState(zgl::NormalArray);
        m_gl.glNormalPointer(zgl::Float, 0, BufferOffset(NormalsAt * sizeof(f32)));
    }
    // Every UV channel a material may read takes the grid's coordinates.
    for (u32 channel = 0; channel < 3; ++channel) {
        m_gl.glClientActiveTextureARB(zgl::Texture0 + channel);
        m_gl.glEnableClientState(zgl::TextureCoordArray);
        m_gl.glTexCoordPointer(2, zgl::Float, 0, BufferOffset(UVsAt * sizeof(f32)));
        m_unitWords[channel] |= UnitCoordArray;
    }
    m_gl.glClientActiveTextureARB(zgl::Texture0);
    m_gl.glDrawElements(zgl::Quads, GLsizei(GridIndexCount), zgl::UnsignedShort, nullptr);
    UnbindListArrays();
    UseProgram(0);
    ResetUnits(0);
    m_gl.glPopAttrib();
    AddStatistic(StatisticObjectDrawn, 1);
    AddStatistic(StatisticTriangleDrawn, TerrainPatchCells * TerrainPatchCells * 2);
}
