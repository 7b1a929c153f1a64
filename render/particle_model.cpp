#include "render/particle_model.h"

#include <cassert>
#include <memory>
#include <new>

#include "core/log.h"
#include "markup/math_tags.h"
#include "markup/meta_tag.h"
#include "markup/metafile.h"

const char* const zParticleModel::CurveTagNames[CurveCount] = {"AngleCurve", "SizeCurve", "RedCurve",
                                                               "GreenCurve", "BlueCurve", "OpacityCurve"};

zParticleModel::zParticleModel(zRenderHost* engine, zMaterialHost* host) : m_engine(engine) {
    assert(engine);
    m_material = new (std::nothrow) zMaterial(engine, host);
    if (!m_material) GetLog() << "[!] Could not allocate particle model material.\n";
    for (u32 index = CurveSize; index < CurveCount; ++index)
        m_curves[index].SetDefaultValue(1.0f);
}

bool zParticleModel::ParseRootTag(zMetafile& doc, zMetaTag* root) {
    m_name = doc.GetFileName();
    return ParseTag(root);
}

bool zParticleModel::ParseTag(const zMetaTag* root) {
    if (!root || root->GetName() != "ParticleModel") {
        GetLog() << "[!] Could not parse particle model. Root tag id is incorrect ("
                 << (root && root->GetName().CStr() ? root->GetName().CStr() : "") << ").\n";
        return false;
    }
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = root->GetNextChild(iterator)) {
        const zString& name = child->GetName();
        if (name == "Material") {
            if (m_material) m_material->Parse(child);
            continue;
        }
        if (name == "TTL") {
            child->GetValue().GetNumber(ttl);
            continue;
        }
        if (name == "Damping") {
            child->GetValue().GetNumber(damping);
            continue;
        }
        if (name == "Gravity") {
            ParseVector(child, gravity);
            continue;
        }
        bool known = false;
        for (u32 index = 0; index < CurveCount && !known; ++index) {
            if (name != CurveTagNames[index]) continue;
            // A curve tag without its "Curve" child counts as unknown.
            if (const zMetaTag* curve = child->GetTag("Curve;")) {
                m_curves[index].ParseTag(curve);
                known = true;
            }
        }
        if (!known) GetLog() << "[*] Unknown tag '" << name << "' in <ParticleModel>.\n";
    }
    if (m_material) m_material->SetFlags(m_material->GetFlags() | MaterialFlagParticle);
    return true;
}

zMetaTag* zParticleModel::BuildRootTag(zMetafile&) {
    return SerializeTag();
}

zMetaTag* zParticleModel::SerializeTag() const {
    std::unique_ptr<zMetaTag> root(new (std::nothrow) zMetaTag("ParticleModel"));
    if (!root) {
        GetLog() << "[!] Could not serialize particle model. Failed to create root tag.\n";
        return nullptr;
    }
    bool complete = !m_material || AttachTag(root.get(), m_material->Serialize());
    if (complete) complete = AttachTag(root.get(), new (std::nothrow) zMetaTag("TTL", ttl));
    if (complete) complete = AttachTag(root.get(), new (std::nothrow) zMetaTag("Damping", damping));
    if (complete) complete = AttachTag(root.get(), SerializeVector(gravity, "Gravity"));
    for (u32 index = 0; complete && index < CurveCount; ++index) {
        std::unique_ptr<zMetaTag> holder(new (std::nothrow) zMetaTag(CurveTagNames[index]));
        complete = holder && AttachTag(holder.get(), m_curves[index].SerializeTag()) &&
                   AttachTag(root.get(), holder.release());
    }
    if (!complete) {
        GetLog() << "[!] Could not serialize particle model. Failed to create root tag.\n";
        return nullptr;
    }
    return root.release();
}

void zParticleModel::AddColorKey(f32 time, f32 red, f32 green, f32 blue, f32 alpha) {
    const f32 values[4] = {red, green, blue, alpha};
    const u32 curves[4] = {CurveRed, CurveGreen, CurveBlue, CurveOpacity};
    for (u32 index = 0; index < 4; ++index) {
        std::unique_ptr<zCurvePoint> key(new (std::nothrow) zCurvePoint);
        if (!key) {
            GetLog() << "[!] Could not allocate particle model color key.\n";
            return;
        }
        key->type = CurveKindLinear;
        key->time = time;
        key->value = values[index];
        m_curves[curves[index]].AddPoint(std::move(key));
    }
}
