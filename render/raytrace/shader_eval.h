// The CPU evaluation of a material's shader-block graph at a ray hit: each
// block is computed from its inputs, the hit standing in for the shader
// inputs (geometry attributes, view, matrices, clock). Blocks that read
// nothing on the CPU (skinning, tangent frame, render buffer, screen UV,
// viewport) and operand kinds an operation does not take leave the value
// untouched, kind none.
#pragma once

#include "core/matrix.h"
#include "core/types.h"
#include "core/vector.h"

class zGeometry;
class zMaterial;
class zShaderBlock;
class zTexture;

enum : u32 {
    ShaderValueNone = 0,
    ShaderValueVector = 1,
    ShaderValueMatrix3 = 2,
    ShaderValueMatrix4 = 3,
    ShaderValueSampler = 4,
};

struct zShaderValue {
    u32 kind = ShaderValueNone;
    zVector vector{0.0f, 0.0f, 0.0f, 0.0f}; // a scalar is its x
    zMatrix3 matrix3;
    zMatrix4 matrix4;
    zTexture* sampler = nullptr; // held by the Texture block

    void SetScalar(f32 value) {
        kind = ShaderValueVector;
        vector = zVector(value, 0.0f, 0.0f, 0.0f);
    }
    void SetVector(const zVector& value) {
        kind = ShaderValueVector;
        vector = value;
    }
    void SetMatrix3(const zMatrix3& value) {
        kind = ShaderValueMatrix3;
        matrix3 = value;
    }
    void SetMatrix4(const zMatrix4& value) {
        kind = ShaderValueMatrix4;
        matrix4 = value;
    }
    void SetSampler(zTexture* value) {
        kind = ShaderValueSampler;
        sampler = value;
    }
};

// The hit as the graph sees it.
struct zShaderHitContext {
    const zGeometry* geometry = nullptr;
    zVector origin;    // ray origin, world
    zVector direction; // ray direction, world
    u32 polygon = 0;
    u32 fanTriangle = 0; // k: the triangle (Q0, Q(k+1), Q(k+2))
    f32 w1 = 0.0f;
    f32 w2 = 0.0f;
    f32 w0 = 0.0f;
    zVector localPoint; // the hit in the item's space
    const zMaterial* material = nullptr;
    zMatrix4 world;   // the item's world matrix
    zMatrix4 inverse; // and its inverse
};

// Who evaluates: gives the engine clock.
class zShaderEvaluationOwner {
  public:
    // Clock units of 100 microseconds.
    virtual u64 GetClockTicks() const = 0;

  protected:
    ~zShaderEvaluationOwner() = default;
};

// Evaluates block into out; false only when an input's evaluation failed
// (a graph deeper than the evaluator follows counts as failed). A null
// block gives true and leaves out untouched.
bool EvaluateBlock(const zShaderEvaluationOwner& owner, const zShaderHitContext& context,
                   const zShaderBlock* block, zShaderValue& out);

// The per-binding values of the hit triangle, weighted by the hit's
// barycentric weights: A[f] w0 + A[f + k + 1] w1 + A[f + k + 2] w2.
zVector InterpolateBinding(const zVector* values, const zGeometry& geometry, u32 polygon, u32 fanTriangle,
                           f32 w0, f32 w1, f32 w2);
