#include "render/raytrace/shader_eval.h"

#include <cmath>

#include "core/color.h"
#include "render/geometry.h"
#include "render/material.h"
#include "render/raytrace/ray_math.h"
#include "render/shader/shader_block.h"
#include "render/texture.h"

namespace {

// Graphs are acyclic (SetInput refuses cycles); this only bounds the stack.
constexpr u32 MaxGraphDepth = 256;

zVector Component4(const zVector& a, const zVector& b, f32 (*op)(f32, f32)) {
    return zVector(op(a.x, b.x), op(a.y, b.y), op(a.z, b.z), op(a.w, b.w));
}

f32 Channel(const zVector& v, u32 index) {
    switch (index) {
    case 0:
        return v.x;
    case 1:
        return v.y;
    case 2:
        return v.z;
    default:
        return v.w;
    }
}

void SetChannel(zVector& v, u32 index, f32 value) {
    switch (index) {
    case 0:
        v.x = value;
        break;
    case 1:
        v.y = value;
        break;
    case 2:
        v.z = value;
        break;
    default:
        v.w = value;
        break;
    }
}

// Turns the view along the ray: rows are the view axes in world space.
zMatrix3 ViewRotation(const zVector& direction) {
    return zMatrix3::FromDirection(direction).Transpose();
}

zMatrix3 NormalMatrix(const zMatrix4& inverse) {
    return zMatrix3::FromMatrix4(inverse).Transpose();
}

f32 Wrap(f32 value) {
    f32 wrapped = std::fmod(value, 1.0f);
    if (wrapped < 0.0f) wrapped += 1.0f;
    return wrapped;
}

bool Evaluate(const zShaderEvaluationOwner& owner, const zShaderHitContext& context,
              const zShaderBlock* block, zShaderValue& out, u32 depth) {
    if (!block) return true;
    if (depth >= MaxGraphDepth) return false;
    zShaderValue in[zShaderBlock::MaxInputs];
    const u32 inputCount = block->GetInputCount();
    for (u32 i = 0; i < inputCount && i < zShaderBlock::MaxInputs; ++i)
        if (!Evaluate(owner, context, block->GetInput(i), in[i], depth + 1)) return false;
    const bool vectors01 = in[0].kind == ShaderValueVector && in[1].kind == ShaderValueVector;
    const zGeometry* geometry = context.geometry;

    switch (block->GetType()) {
    case ShaderBlockGeometryVertex:
        out.SetVector(context.localPoint.ApplyMatrix(context.world));
        break;
    case ShaderBlockGeometryNormal:
        if (geometry && geometry->GetBindingNormals())
            out.SetVector(InterpolateBinding(geometry->GetBindingNormals(), *geometry, context.polygon,
                                             context.fanTriangle, context.w0, context.w1, context.w2));
        break;
    case ShaderBlockGeometryUV: {
        const u32 channel = static_cast<const zGeometryUVShaderBlock*>(block)->GetChannel();
        const zVector2* uvs = geometry ? geometry->GetUVChannel(channel) : nullptr;
        if (!uvs) break;
        const u32 first = u32(geometry->GetPolygons()[context.polygon].bindings - geometry->GetBindings());
        const zVector2& a = uvs[first];
        const zVector2& b = uvs[first + context.fanTriangle + 1];
        const zVector2& c = uvs[first + context.fanTriangle + 2];
        out.SetVector(zVector(a.x * context.w0 + b.x * context.w1 + c.x * context.w2,
                              a.y * context.w0 + b.y * context.w1 + c.y * context.w2, 0.0f, 0.0f));
        break;
    }
    case ShaderBlockGeometryVertexColor:
        if (geometry && geometry->GetBindingColors())
            out.SetVector(InterpolateBinding(geometry->GetBindingColors(), *geometry, context.polygon,
                                             context.fanTriangle, context.w0, context.w1, context.w2));
        break;
    case ShaderBlockTexture:
        out.SetSampler(static_cast<const zTextureShaderBlock*>(block)->GetTexture());
        break;
    case ShaderBlockSampler2d:
        if (in[0].kind != ShaderValueSampler) break;
        if (!in[0].sampler) {
            out.SetVector(zVector(0.0f, 0.0f, 0.0f, 1.0f));
        } else {
            const zColor color =
                zColor::FromRGBA32(in[0].sampler->SamplePacked(Wrap(in[1].vector.x), Wrap(in[1].vector.y)));
            out.SetVector(zVector(color.r, color.g, color.b, color.a));
        }
        break;
    case ShaderBlockConstant: {
        const auto* constant = static_cast<const zConstantShaderBlock*>(block);
        out.SetVector(zVector(constant->GetValue(0), constant->GetValue(1), constant->GetValue(2),
                              constant->GetValue(3)));
        break;
    }
    case ShaderBlockColor: {
        const auto* color = static_cast<const zColorShaderBlock*>(block);
        out.SetVector(
            zVector(color->GetValue(0), color->GetValue(1), color->GetValue(2), color->GetValue(3)));
        break;
    }
    case ShaderBlockMaterialParam: {
        const u32 param = static_cast<const zMaterialParamShaderBlock*>(block)->GetParam();
        const zMaterial* material = context.material;
        if (!material) break;
        if (param < MaterialColorCount) {
            const f32* c = material->GetColor(param);
            out.SetVector(zVector(c[0], c[1], c[2], c[3]));
        } else if (param == 4) {
            out.SetScalar(material->GetGlossiness());
        } else if (param == 5) {
            out.SetScalar(material->GetOpacity());
        }
        break;
    }
    case ShaderBlockViewVector:
        out.SetVector(context.direction);
        break;
    case ShaderBlockNormalViewMatrix:
        out.SetMatrix3(zMatrix3::Multiply(ViewRotation(context.direction), NormalMatrix(context.inverse)));
        break;
    case ShaderBlockNormalMatrix:
        out.SetMatrix3(NormalMatrix(context.inverse));
        break;
    case ShaderBlockModelViewMatrix: {
        const zMatrix4 view = zMatrix4::Multiply(zMatrix4::FromMatrix3(ViewRotation(context.direction)),
                                                 zMatrix4::Translation(context.origin.MulReal(-1.0f)));
        out.SetMatrix4(zMatrix4::Multiply(view, context.world));
        break;
    }
    case ShaderBlockModelMatrix:
        out.SetMatrix4(context.world);
        break;
    case ShaderBlockMix:
        if (vectors01 && in[2].kind == ShaderValueVector) {
            const f32 t = in[2].vector.x;
            zVector a = in[0].vector, b = in[1].vector;
            out.SetVector(zVector(a.x * t + b.x * (1 - t), a.y * t + b.y * (1 - t), a.z * t + b.z * (1 - t),
                                  a.w * t + b.w * (1 - t)));
        }
        break;
    case ShaderBlockAdd:
        if (vectors01)
            out.SetVector(Component4(in[0].vector, in[1].vector, [](f32 a, f32 b) { return a + b; }));
        break;
    case ShaderBlockSub:
        if (vectors01)
            out.SetVector(Component4(in[0].vector, in[1].vector, [](f32 a, f32 b) { return a - b; }));
        break;
    case ShaderBlockDiv:
        if (vectors01)
            out.SetVector(Component4(in[0].vector, in[1].vector, [](f32 a, f32 b) { return a / b; }));
        break;
    case ShaderBlockMul: {
        const u32 a = in[0].kind, b = in[1].kind;
        if (a == ShaderValueVector && b == ShaderValueVector)
            out.SetVector(Component4(in[0].vector, in[1].vector, [](f32 x, f32 y) { return x * y; }));
        else if (a == ShaderValueMatrix3 && b == ShaderValueMatrix3)
            out.SetMatrix3(zMatrix3::Multiply(in[0].matrix3, in[1].matrix3));
        else if (a == ShaderValueMatrix4 && b == ShaderValueMatrix4)
            out.SetMatrix4(zMatrix4::Multiply(in[0].matrix4, in[1].matrix4));
        else if (a == ShaderValueVector && b == ShaderValueMatrix3)
            out.SetVector(in[0].vector.ApplyRotationMatrix(in[1].matrix3));
        else if (a == ShaderValueMatrix3 && b == ShaderValueVector)
            out.SetVector(in[1].vector.ApplyRotationMatrix(in[0].matrix3));
        else if (a == ShaderValueVector && b == ShaderValueMatrix4)
            out.SetVector(in[0].vector.ApplyMatrix(in[1].matrix4));
        else if (a == ShaderValueMatrix4 && b == ShaderValueVector)
            out.SetVector(in[1].vector.ApplyMatrix(in[0].matrix4));
        break;
    }
    case ShaderBlockDot:
        if (vectors01) {
            const zVector& a = in[0].vector;
            const zVector& b = in[1].vector;
            out.SetScalar(a.x * b.x + a.y * b.y + a.z * b.z);
        }
        break;
    case ShaderBlockCross:
        if (vectors01) out.SetVector(in[0].vector.Cross(in[1].vector));
        break;
    case ShaderBlockClamp:
        if (vectors01 && in[2].kind == ShaderValueVector) {
            zVector v = in[0].vector;
            for (u32 i = 0; i < 4; ++i) {
                f32 c = Channel(v, i);
                const f32 lo = Channel(in[1].vector, i), hi = Channel(in[2].vector, i);
                c = c < lo ? lo : (c > hi ? hi : c);
                SetChannel(v, i, c);
            }
            out.SetVector(v);
        }
        break;
    case ShaderBlockNormalize:
        if (in[0].kind == ShaderValueVector) {
            zVector n = in[0].vector.Normalize();
            n.w = in[0].vector.w;
            out.SetVector(n);
        }
        break;
    case ShaderBlockSwizzle: {
        const auto* swizzle = static_cast<const zSwizzleShaderBlock*>(block);
        zVector v(0.0f, 0.0f, 0.0f, 1.0f);
        for (u32 i = 0; i < 4; ++i) {
            const u32 code = swizzle->GetComponent(i);
            if (code >= SwizzleX && code <= SwizzleW)
                SetChannel(v, i, Channel(in[0].vector, code - SwizzleX));
        }
        out.SetVector(v);
        break;
    }
    case ShaderBlockBuild: {
        const auto* build = static_cast<const zBuildShaderBlock*>(block);
        zVector v(0.0f, 0.0f, 0.0f, 0.0f);
        for (u32 i = 0; i < 4; ++i) {
            const u32 code = build->GetComponent(i);
            f32 value = code == BuildOne ? 1.0f : 0.0f;
            if (code >= BuildX && code <= BuildW) value = Channel(in[i].vector, code - BuildX);
            SetChannel(v, i, value);
        }
        out.SetVector(v);
        break;
    }
    case ShaderBlockSinus:
        out.SetScalar(std::sin(in[0].vector.x));
        break;
    case ShaderBlockCosinus:
        out.SetScalar(std::cos(in[0].vector.x));
        break;
    case ShaderBlockPow:
        out.SetScalar(std::pow(in[0].vector.x, in[1].vector.x));
        break;
    case ShaderBlockAbs:
        if (in[0].kind == ShaderValueVector) {
            const zVector& v = in[0].vector;
            out.SetVector(zVector(std::fabs(v.x), std::fabs(v.y), std::fabs(v.z), std::fabs(v.w)));
        }
        break;
    case ShaderBlockUnpackColorToVector: {
        const zVector& v = in[0].vector;
        out.SetVector(zVector((v.x - 0.5f) * 2.0f, (v.y - 0.5f) * 2.0f, v.z, 1.0f));
        break;
    }
    case ShaderBlockPackVectorToColor: {
        const zVector& v = in[0].vector;
        out.SetVector(zVector((v.x + 1.0f) * 0.5f, (v.y + 1.0f) * 0.5f, v.z, 1.0f));
        break;
    }
    case ShaderBlockClock:
        out.SetScalar(f32(f64(owner.GetClockTicks()) / 10000.0));
        break;
    default: // skinning, tangent frame, render buffer, screen UV, viewport
        break;
    }
    return true;
}

} // namespace

zVector InterpolateBinding(const zVector* values, const zGeometry& geometry, u32 polygon, u32 fanTriangle,
                           f32 w0, f32 w1, f32 w2) {
    const u32 first = u32(geometry.GetPolygons()[polygon].bindings - geometry.GetBindings());
    const zVector& a = values[first];
    const zVector& b = values[first + fanTriangle + 1];
    const zVector& c = values[first + fanTriangle + 2];
    return zVector(a.x * w0 + b.x * w1 + c.x * w2, a.y * w0 + b.y * w1 + c.y * w2,
                   a.z * w0 + b.z * w1 + c.z * w2, a.w * w0 + b.w * w1 + c.w * w2);
}

bool EvaluateBlock(const zShaderEvaluationOwner& owner, const zShaderHitContext& context,
                   const zShaderBlock* block, zShaderValue& out) {
    return Evaluate(owner, context, block, out, 0);
}
