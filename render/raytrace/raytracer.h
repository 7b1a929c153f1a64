// zRaytracer: renders one frame of a scene on the CPU into a picture. It
// grabs the scene (raytrace_scene.h) into two trees, tree 0 for the rays
// that shade and tree 1 (without ShadowNull geometries, shadow proxies in
// place of their owners) for shadow rays, traces one primary ray per pixel,
// then supersamples the pixels that differ from a neighbour.
//
// Order-dependent: the antialiasing pass compares with neighbours already
// refined, and jitter, spread-table choice and global illumination draw from
// the engine's one random generator. Trace spreads work over the machine's
// cores only where every pixel stays what one thread makes of it:
// - pass 1 when no ray draws a random number (no global illumination, no
//   ambient occlusion): rows are independent;
// - pass 2 when, in addition, jitter is off: the pixels that may be refined
//   are traced ahead (a superset, found in rounds from the pixels that differ
//   from an unrefined neighbour), and the refinement decisions are then made
//   in order as one thread makes them, taking the traced results.
// Geometries build their trees on first use, which is one thread's work and
// logs: worker threads never build; work that meets a missing tree is traced
// again on the caller's thread in its order, so the same trees build in the
// same order. Counts, progress reports and the stop flag follow that order.
//
// Decisions where the shading rules leave room:
// - Front faces: a polygon faces the viewer when its normal
//   (Q2 - Q0) x (Q1 - Q0) points toward it (render/geometry.h), which is the
//   GL renderers' front face under the left-handed camera. Back faces are
//   culled unless the material is DoubleSided, for shadow rays too: a
//   single-sided sheet that faces the light casts no shadow.
// - Primary rays: row 0 is the top. Pixel (x, y) samples (x + 0.5, y + 0.5);
//   refinement samples (x + i s / g, y + j s / g) plus jitter. The camera
//   ray is (ndcX pa / zoom, ndcY / zoom, 1) with ndcX = 2 px / w - 1 and
//   ndcY = 1 - 2 py / h, normalised, carried by the camera's world matrix.
// - Pixel aspect: pa = (w / aspect) / h, aspect <= 0 counting as 1.0, so
//   non-square frames are never stretched.
// - Smoothing angles are degrees, per polygon material (geometry_normals.cpp).
// - A directional light's shadow rays are as long as its shadow distance
//   (the light's volume range, 500 by default).
// - Light intensity applies once: EvaluateLight's factors carry it, the
//   shading multiplies by the light's colours only.
// - The view vector of the specular term points from the surface to the eye.
// - Colours become bytes by truncation of value x 255 after clamping, NaN
//   counting as 0.
// - Geometries build a BIH on first use; the kd-tree serves tests and
//   benchmarks.
// - Light and primitive records hold pointers and named fields; no layout
//   here is stored in a file.
// Sound behaviour where the rules would fail:
// - World normals go through the inverse transpose and are normalised, so
//   scaled items shade like unscaled ones.
// - A shadow ray with no distance left reaches its light (a limit of 0 would
//   otherwise mean no limit).
// - Reflected rays keep the medium of the ray that spawned them.
// - The grid is clamped to 1..16, spread tables hold at least one direction,
//   sizes are computed in 64 bits, frames of a side <= 0 are refused, frames
//   below 3 x 3 get no refinement pass, and the ray rate is logged only when
//   time has passed.
// - A scene with nothing to trace is a valid, empty tree: a background frame.
// - An optimised geometry enters through its leaf geometries.
// - A skinned vertex with no weight keeps its bind position; the tree box is
//   that of the deformed copy.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "core/types.h"
#include "core/vector.h"
#include "core/zstring.h"
#include "picture/picture.h"
#include "render/raytrace/ray_hit.h"
#include "render/raytrace/raytrace_scene.h"
#include "render/raytrace/scene_bih.h"
#include "render/raytrace/shader_eval.h"

class zMaterial;

struct zRaytracerOptions {
    u32 shadowSurfaces = 32;    // transparent surfaces a shadow ray may pass
    u32 reflectionBudget = 2;   // of primary rays
    u32 transmissionBudget = 6; // of primary rays
    u32 giDepth = 1;
    u32 giSamples = 8; // a spread table holds samples x samples directions
    u32 aaGrid = 4;    // grid x grid sub-samples per refined pixel
    u8 shadows = 1;
    u8 globalIllumination = 0;
    u8 antialiasing = 1;
    u8 transparentShadows = 1;
    u8 reflections = 1;
    u8 spareFlag = 1; // read by nothing
    u8 ambientWhenGIUsedUp = 0;
    u8 aaJitter = 0;
    u8 ambientOcclusion = 0;
    u8 fresnel = 0;
    f32 aoDistance = 1.0f;
    f32 spreadAngle = 90.0f; // degrees
    u8 interlaced = 0;
    u8 firstField = 1;
    u8 halfHeightFields = 1;
    f32 aaThreshold = 0.0075f; // squared colour distance
};

// G, R, T: global-illumination depth, reflection and transmission budgets.
struct zRayDepth {
    u32 gi = 0;
    u32 reflection = 0;
    u32 transmission = 0;
};

struct zRaytraceProgress {
    zString label;
    f32 fraction = 0.0f;
};
using zRaytraceProgressCallback = void (*)(const zRaytraceProgress& progress, void* user);

class zRaytracer : public zShaderEvaluationOwner {
  public:
    static constexpr u32 SpreadTableCount = 32;
    static constexpr u32 MaxGrid = 16;

    zRaytracer();
    ~zRaytracer();
    zRaytracer(const zRaytracer&) = delete;
    zRaytracer& operator=(const zRaytracer&) = delete;

    // Copies the options and rebuilds the spread tables.
    void SetOptions(const zRaytracerOptions& options);
    const zRaytracerOptions& GetOptions() const { return m_options; }
    // Grabs the scene into both trees and takes its lights. The scene stays
    // the caller's and must outlive the raytracer's use of it.
    bool SetScene(const zRaytraceScene* scene);
    void StartInterlacedSequence();
    // Renders a frame into picture (RGBA8). False, with the picture
    // untouched, for a bad size or an odd interlaced height (logged) and
    // without a camera (silently).
    bool Trace(zPicture& picture, i32 width, i32 height);
    void Abort() { m_stop = 1; }
    // Threads of a frame; 0 (the default): one per core of the machine, and
    // fewer for small frames, where starting threads costs more than it saves.
    void SetThreadCount(u32 count) { m_threadCount = count; }
    u32 GetThreadCount() const;
    u32 GetThreadCount(u32 width, u32 height) const;
    void SetProgressCallback(zRaytraceProgressCallback callback, void* user) {
        m_progress = callback;
        m_progressUser = user;
    }

    // Traces one ray (unit direction) and shades its hit into result.
    void TraceRay(const zVector& origin, const zVector& direction, zVector& result, zRayDepth& depth,
                  zRayHit* parent);

    u64 GetRayCount() const { return m_rayCount; }
    u64 GetSecondaryRayCount() const { return m_secondaryRayCount; }
    const std::vector<zVector>& GetSpreadTable(u32 index) const { return m_spread[index]; }
    const zSceneBIH& GetTree(u32 pass) const { return m_trees[pass]; }
    u64 GetClockTicks() const override;

    // The light that reaches origin from distance along direction, in [0, 1].
    f32 ShadowTransmission(const zVector& origin, const zVector& direction, f32 distance, u32 budget);

  private:
    // One thread's counts and tree query states.
    struct Tally {
        u64 rays = 0;
        u64 secondary = 0;
        zSceneQueryState trees[2];
        bool Missed() const { return trees[0].missedTree || trees[1].missedTree; }
    };
    void Fold(const Tally& tally);
    void TraceRay(Tally& tally, const zVector& origin, const zVector& direction, zVector& result,
                  zRayDepth& depth, zRayHit* parent);
    f32 ShadowTransmission(Tally& tally, const zVector& origin, const zVector& direction, f32 distance,
                           u32 budget);
    bool GrabScene(zSceneBIH& tree, u32 pass);
    void Shade(Tally& tally, zRayHit& hit, zVector& result, zRayDepth& depth);
    zVector GetMaterialOutput(const zRayHit& hit, u32 output) const;
    zVector SampleStage(const zRayHit& hit, u32 type) const;
    f32 GetOpacity(const zRayHit& hit) const;
    zVector GetSurfaceVector(const zRayHit& hit, u32 mode) const;
    zShaderHitContext MakeContext(const zRayHit& hit) const;
    // The primary ray through a frame position (pixels, full-frame rows).
    void PrimaryRay(f32 x, f32 y, zVector& origin, zVector& direction) const;
    void TracePrimary(Tally& tally, f32 x, f32 y, zVector& colour);
    // The grid x grid sub-samples of pixel (x, y), averaged.
    zVector Refine(Tally& tally, u32 x, u32 y, u32 grid, f32 scale, f32 rowScale);
    // A traced row's top in full-frame rows.
    f32 RowTop(u32 y) const { return m_halfRows ? f32(2 * y + m_rowShift) : f32(y); }
    // The two passes of Trace, on one thread or on several.
    void RenderRows(zVector* frame, u32 w, u32 h);
    bool RenderRowsParallel(zVector* frame, u32 w, u32 h, u32 threads);
    void Antialias(zVector* frame, u32 w, u32 h);
    bool AntialiasParallel(zVector* frame, u32 w, u32 h, u32 threads);
    // Directions around N from a random spread table.
    const std::vector<zVector>& RandomSpread() const;
    void Report(const char* label, f32 fraction);
    // Builds the output frame from this field and the kept one.
    bool Interlace(zPicture& picture, const zPicture& field, u32 width, u32 height, u32 fullHeight);

    zRaytracerOptions m_options;
    const zRaytraceScene* m_scene = nullptr;
    zSceneBIH m_trees[2];
    std::vector<const zRayLight*> m_lights;
    std::vector<zVector> m_spread[SpreadTableCount];
    std::atomic<u8> m_stop{0};
    u32 m_threadCount = 0;
    f32 m_frameWidth = 1.0f;
    f32 m_frameHeight = 1.0f;
    f32 m_pixelAspect = 1.0f;
    u32 m_fullHeight = 1;
    u32 m_rowShift = 0; // the first frame row of this field
    bool m_halfRows = false;
    u8 m_fieldParity = 1;
    zPicture m_field;
    zRaytraceProgressCallback m_progress = nullptr;
    void* m_progressUser = nullptr;
    u64 m_rayCount = 0;
    u64 m_secondaryRayCount = 0;
};

// clamp(R0 + (1 - R0) (1 - |a . b|)^5, 0, 1), R0 = ((1 - n) / (1 + n))^2.
f32 Fresnel(const zVector& a, const zVector& b, f32 n);

// Writes a traced frame as dir/out_%05d.tga (uncompressed, rows top first).
bool WriteRaytracedFrame(const char* directory, u32 frameIndex, const zPicture& picture);
