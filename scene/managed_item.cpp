#include "scene/managed_item.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "core/log.h"
#include "core/random.h"
#include "engine/engine.h"
#include "markup/math_tags.h"
#include "markup/meta_tag.h"
#include "physics/physic_item.h"
#include "physics/physic_world.h"
#include "scene/item.h"
#include "scene/scene.h"
#include "script/script_dispatch.h"

namespace {

constexpr f32 DegreesToRadians = 3.1415927f / 180.0f;

// The behaviour flags with their tags, in the order they are written.
struct BehaviourTag {
    const char* name;
    u32 bit;
};
constexpr BehaviourTag BehaviourTags[] = {
    {"Billboard", BehaviourBillboard}, {"SolveOverlap", BehaviourSolveOverlap}, {"Ghost", BehaviourGhost},
    {"Static", BehaviourStatic},       {"TriggerDetected", BehaviourTriggerDetected},
};

// Children of "MItem" that other readers (or nobody) take.
constexpr const char* AcceptedTags[] = {"TauItem",    "GColItem",   "ScriptUnit", "Proxy",
                                        "ProxyScene", "ProxyGroup", "ProxyFlag",  "ProxyRootParamTo"};

f32 ReadFloat(const zMetaTag* tag, f32 fallback) {
    f32 value = fallback;
    return tag->GetValue().GetFloat(value) ? value : fallback;
}

} // namespace

// zScriptedObject

zScriptedObject::~zScriptedObject() = default;

zScriptUnit* zScriptedObject::AppendScriptUnit(std::unique_ptr<zScriptUnit> unit, const char* ownerName) {
    zScriptUnit* raw = unit.get();
    if (!unit || !m_scriptUnits.Add(std::move(unit))) {
        GetLog() << "[!] Failed to allocate script unit for item '" << ownerName << "'.\n";
        return nullptr;
    }
    return raw;
}

bool zScriptedObject::ParseTag(const zMetafile* document, const zMetaTag* tag) {
    if (!tag || tag->GetName() != "ScriptedObject") {
        GetLog() << "[!] Could not parse scripted object. Root tag id is incorrect ("
                 << (tag ? tag->GetName().CStr() : "") << ").\n";
        return false;
    }
    DeleteScriptUnits();
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        if (child->GetName() != "ScriptUnit") {
            GetLog() << "[*] Unknown tag '" << child->GetName() << "' in <ScriptedObject>.\n";
            continue;
        }
        if (zScriptUnit* unit = NewScriptUnit()) unit->Parse(document, child);
    }
    return true;
}

zMetaTag* zScriptedObject::SerializeTag() const {
    if (m_scriptUnits.GetCount() == 0) return nullptr;
    std::unique_ptr<zMetaTag> root(new (std::nothrow) zMetaTag("ScriptedObject"));
    bool complete = root != nullptr;
    for (auto* node = m_scriptUnits.GetHead(); complete && node; node = node->next)
        complete = node->value->Serialize(root.get()) != nullptr;
    if (!complete) {
        GetLog() << "[!] Could not create managed root tag to serialize.\n";
        return nullptr;
    }
    return root.release();
}

bool zScriptedObject::RemoveScriptUnit(zScriptUnit* unit) {
    if (!unit) return false;
    for (auto* node = m_scriptUnits.GetHead(); node; node = node->next) {
        if (node->value.get() != unit) continue;
        // Unlinked before it is destroyed: its destructor may run scripts.
        std::unique_ptr<zScriptUnit> owned = m_scriptUnits.Take(node);
        return true;
    }
    return false;
}

zScriptUnit* zScriptedObject::FindScriptUnit(const char* scriptPath, const char* className) const {
    for (auto* node = m_scriptUnits.GetHead(); node; node = node->next) {
        zScriptUnit* unit = node->value.get();
        if (unit->GetScriptPath() == (scriptPath ? scriptPath : "") &&
            unit->GetClassName() == (className ? className : ""))
            return unit;
    }
    return nullptr;
}

void zScriptedObject::DeleteScriptUnits() {
    while (auto* node = m_scriptUnits.GetHead())
        std::unique_ptr<zScriptUnit> owned = m_scriptUnits.Take(node);
}

// zMItem

zMItem::zMItem(zScene* scene, u32 kind)
    : m_scene(scene), m_kind(kind), m_dispatcher(&zItemScriptEventDispatcher::GetShared()) {
    if (!m_scene) return;
    m_scene->AddManagedItem(this);
    if (zPhysicWorld* world = m_scene->GetPhysicWorld()) {
        m_physicItem.reset(world->CreatePhysicItem());
        if (m_physicItem) {
            m_physicItem->SetOwner(this);
            m_physicItem->SetWorldMatrixSource(
                [this] { return m_item ? *m_item->GetWorldMatrix() : zMatrix4(); });
        }
    }
}

zMItem::~zMItem() {
    // A kind that did not run the teardown: its node is gone already, so the
    // scene is told without it.
    if (!m_tornDown) {
        m_item = nullptr;
        Teardown();
    }
}

bool zMItem::HearsEvents() const {
    if (!m_dispatcher) return false;
    return GetScriptUnits().GetHead() || m_dispatcher != &zItemScriptEventDispatcher::GetShared();
}

bool zMItem::IsQuiet() const {
    return !HasFrameHooks() && !GetCursor() && !IsPlaying() && !GetScriptUnits().GetHead() &&
           (!m_dispatcher || m_dispatcher == &zItemScriptEventDispatcher::GetShared()) &&
           !(m_behaviour & BehaviourBillboard);
}

void zMItem::Wake() {
    if (m_scene) m_scene->WakeItem(this);
}

void zMItem::NoteMoved() {
    if (m_scene) m_scene->NoteMovedItem(this);
}

void zMItem::SetBehaviour(u32 flags) {
    m_behaviour = flags;
    Wake();
    if (m_scene) m_scene->InvalidateRenderList();
}

void zMItem::SetDispatcher(zItemScriptEventDispatcher* dispatcher) {
    m_dispatcher = dispatcher;
    Wake();
}

void zMItem::SetUid(i32 uid) {
    m_uid = uid;
    if (m_scene) m_scene->InvalidateUidIndex();
}

void zMItem::SetNode(zItem* item) {
    m_item = item;
    if (m_item) m_item->SetOwner(this);
}

void zMItem::Teardown() {
    if (m_tornDown) return;
    m_tornDown = true;
    if (HearsEvents()) m_dispatcher->OnDelete(GetScriptUnits());
    DeleteScriptUnits();
    if (m_scene) m_scene->RemoveManagedItem(this);
    // The body reads the node's matrix; the node may be half gone from here.
    if (m_physicItem) m_physicItem->SetWorldMatrixSource(nullptr);
    m_physicItem.reset();
    if (m_item) m_item->SetOwner(nullptr);
}

bool zMItem::GetChannelValue(i32 channel, f32& out) {
    if (!m_item || channel < ChannelPositionX || channel > ChannelScaleZ) return false;
    const i32 index = (channel - 1) % 3;
    const zVector* vector = channel < ChannelRotationX  ? m_item->GetPosition()
                            : channel < ChannelScaleX ? m_item->GetRotation()
                                                      : m_item->GetScale();
    out = index == 0 ? vector->x : index == 1 ? vector->y : vector->z;
    return true;
}

bool zMItem::SetChannelValue(i32 channel, f32 value) {
    if (!m_item || channel < ChannelPositionX || channel > ChannelScaleZ) return false;
    const i32 index = (channel - 1) % 3;
    auto replace = [&](zVector vector) {
        (index == 0 ? vector.x : index == 1 ? vector.y : vector.z) = value;
        return vector;
    };
    if (channel < ChannelRotationX) {
        m_item->SetPosition(replace(*m_item->GetPosition()));
    } else if (channel < ChannelScaleX) {
        m_item->SetRotation(replace(*m_item->GetRotation()));
    } else {
        m_item->SetScale(replace(*m_item->GetScale()));
    }
    return true;
}

void zMItem::GetRotation(zQuaternion& out) {
    if (!m_item) return;
    const zVector* rotation = m_item->GetRotation();
    out = zQuaternion::FromEuler(rotation->x, rotation->y, rotation->z,
                                 static_cast<int>(m_item->GetRotationOrder()));
}

bool zMItem::SetRotation(const zQuaternion& rotation) {
    if (m_item) m_item->SetRotationQuaternion(rotation);
    return true;
}

void zMItem::Setup() {
    if (m_physicItem) m_physicItem->UpdateInertiaTensorFromCollision();
    if (m_dispatcher) m_dispatcher->OnSetupDone(GetScriptUnits());
}

bool zMItem::Execute(zACECommand* command, f32 share) {
    if (!command || !m_item || command->code < 0 || command->code > 5) return zACEUnit::Execute(command, share);
    if (share == 0.0f) return false;
    const f32* p = command->parameters;
    // The "to" verbs divide by the time left, so they land exactly on the
    // target when it runs out; offsetposition spreads over the duration.
    const f32 toShare = command->remaining > 0.0f ? share / command->remaining : 1.0f;
    auto toward = [&](const zVector& from, f32 x, f32 y, f32 z) {
        return zVector(from.x + (x - from.x) * toShare, from.y + (y - from.y) * toShare,
                       from.z + (z - from.z) * toShare, 1.0f);
    };
    switch (command->code) {
    case 0:
        m_item->SetPosition(toward(*m_item->GetPosition(), p[0], p[1], p[2]));
        break;
    case 1: {
        const f32 f = command->duration > 0.0f ? share / command->duration : 1.0f;
        const zVector* position = m_item->GetPosition();
        m_item->SetPosition(zVector(position->x + p[0] * f, position->y + p[1] * f, position->z + p[2] * f, 1.0f));
        break;
    }
    case 2: {
        zMatrix4 pivot = *m_item->GetPivot();
        pivot.SetRow(3, toward(pivot.GetRow(3, true), p[0], p[1], p[2]), true);
        m_item->SetPivot(pivot);
        break;
    }
    case 3:
        m_item->SetScale(toward(*m_item->GetScale(), p[0], p[1], p[2]));
        break;
    case 4:
        m_item->SetRotation(toward(*m_item->GetRotation(), p[0] * DegreesToRadians, p[1] * DegreesToRadians,
                                   p[2] * DegreesToRadians));
        break;
    case 5: {
        const f32 alpha = m_item->GetAlpha();
        m_item->SetAlpha(std::clamp(alpha + (p[0] - alpha) * toShare, 0.0f, 1.0f));
        break;
    }
    }
    return true;
}

zScriptUnit* zMItem::NewScriptUnit() {
    std::unique_ptr<zManagerScriptUnit> unit(new (std::nothrow)
                                                 zManagerScriptUnit(m_scene ? m_scene->GetVM() : nullptr));
    if (!unit) {
        GetLog() << "[!] Failed to allocate script unit for item '" << m_name << "'.\n";
        return nullptr;
    }
    unit->SetOwner(this, zScriptUnit::OwnerManagedItem);
    zScriptUnit* appended = AppendScriptUnit(std::move(unit), m_name.CStr());
    if (appended) Wake();
    return appended;
}

void zMItem::Activate(bool on, bool recursive) {
    if ((m_active != 0) != on) {
        if (on) m_logicCountdown = 0.0f;
        if (m_scene) m_scene->QueueActivation(this, on);
        if (m_dispatcher) m_dispatcher->OnActivate(GetScriptUnits(), on);
        m_active = on ? 1 : 0;
    }
    if (!recursive || !m_item) return;
    for (auto* node = m_item->GetChildren().GetHead(); node; node = node->next)
        if (zMItem* child = zItem::GetManagedItem(node->value)) child->Activate(on, true);
}

void zMItem::SetPriority(f32 priority) {
    m_priority = priority;
    if (m_kind == ManagedKindLight && m_scene) m_scene->SortLightsByKey();
}

void zMItem::SetupScript() {
    if (m_dispatcher) m_dispatcher->OnSetup(GetScriptUnits());
}

void zMItem::ResetScript() {
    if (m_dispatcher) m_dispatcher->OnReset(GetScriptUnits());
}

f32 zMItem::GetEffectiveLogicFrequency() const {
    if (!std::isfinite(m_logicFrequency)) return MinimumLogicFrequency;
    return std::max(m_logicFrequency, MinimumLogicFrequency);
}

void zMItem::Reset() {
    if (m_physicItem) {
        m_physicItem->ClearVelocities();
        if (m_item) m_physicItem->ResetTransformation(*m_item->GetWorldMatrix());
    }
    if (m_item) {
        m_logic = *m_item->GetLocalMatrix();
        m_previousLogic = m_logic;
    }
    // With the same floor as the update: a frequency of 0 would give an
    // infinite countdown and no logic update ever.
    m_logicCountdown = RandFloat(1.0f / GetEffectiveLogicFrequency());
}

void zMItem::StepLogic(f32 step) {
    const f32 period = 1.0f / GetEffectiveLogicFrequency();
    m_logicCountdown -= step;
    if (!std::isfinite(m_logicCountdown)) m_logicCountdown = 0.0f;
    u32 calls = 0;
    while (m_logicCountdown <= 0.0f) {
        if (calls == MaximumLogicCatchUp) {
            m_logicCountdown = period;
            break;
        }
        ++calls;
        m_previousLogic = m_logic;
        m_logicCountdown += period;
        if (m_dispatcher) m_dispatcher->OnLogicUpdate(GetScriptUnits(), period);
        if (m_tornDown || !m_item) return;
        m_logic = *m_item->GetLocalMatrix();
    }
}

void zMItem::RecordLocation() {
    if (!m_item) return;
    m_initialMatrix = zMatrix4::Multiply(m_item->GetPivot()->Inverse(), *m_item->GetLocalMatrix());
    m_hasInitialMatrix = 1;
}

void zMItem::RestoreLocation() {
    if (m_item && m_hasInitialMatrix) m_item->SnapshotMatrix(m_initialMatrix, true, false);
}

void zMItem::SetLogicTransformation(const zMatrix4& matrix) {
    m_logic = matrix;
    m_previousLogic = matrix;
}

void zMItem::UpdateAnimation() {
    zEngine* engine = m_scene ? m_scene->GetEngine() : nullptr;
    if (engine) zAnimationPlayer::UpdateAnimation(static_cast<f32>(engine->GetFrameTime()) / 10000.0f);
}

zMItem* zMItem::GetParentItem() const {
    return m_item ? zItem::GetManagedItem(m_item->GetParent()) : nullptr;
}

bool zMItem::ParseTag(const zMetafile* document, const zMetaTag* tag) {
    if (!tag || tag->GetName() != "MItem") {
        GetLog() << "[!] Could not parse managed item. Root tag id is incorrect ("
                 << (tag ? tag->GetName().CStr() : "") << ").\n";
        return false;
    }
    DeleteScriptUnits();
    m_helper = 0;
    m_active = 0;
    m_hasInitialMatrix = 0;
    m_initialMatrix = zMatrix4();
    m_logicCountdown = 0.0f;
    SetUid(-1);
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        const zString& name = child->GetName();
        const char* text = nullptr;
        i32 number = 0;
        bool known = true;
        if (name == "Id") {
            if (child->GetValue().GetString(text)) m_name.Set(text);
        } else if (name == "UId") {
            // Only an integer counts; anything else leaves the uid invalid.
            if (child->GetValue().GetInt(number)) SetUid(number);
        } else if (name == "Active") {
            m_active = 1;
        } else if (name == "Helper" || name == "ToolSpecific") {
            m_helper = 1;
        } else if (name == "InitialMatrix") {
            zMatrix4 matrix;
            if (ParseMatrix4(child, matrix)) {
                m_initialMatrix = matrix;
                m_hasInitialMatrix = 1;
            } else {
                GetLog() << "[*] Invalid matrix 'InitialMatrix' in <MItem>.\n";
            }
        } else if (name == "Priority") {
            m_priority = ReadFloat(child, m_priority);
        } else if (name == "ScriptLogicFq") {
            m_logicFrequency = ReadFloat(child, m_logicFrequency);
        } else if (name == "MotionPlayer") {
            zAnimationPlayer::ParseTag(child);
        } else if (name == "ScriptedObject") {
            zScriptedObject::ParseTag(document, child);
        } else if (name == "PhysicItem") {
            if (m_physicItem) m_physicItem->ParseTag(m_scene ? m_scene->GetEngine() : nullptr, 0, child);
        } else {
            known = false;
            for (const BehaviourTag& entry : BehaviourTags) {
                if (name == entry.name) {
                    m_behaviour |= entry.bit;
                    known = true;
                }
            }
            for (const char* accepted : AcceptedTags)
                if (name == accepted) known = true;
        }
        if (!known) GetLog() << "[*] Unknown tag '" << name << "' in <MItem>.\n";
    }
    Wake();
    if (m_scene) m_scene->InvalidateRenderList();
    if (m_uid < 0) {
        GetLog() << "[!] Managed item '" << m_name << "' Uid is invalid.\n";
        return false;
    }
    if (GetScriptUnits().GetCount() == 0) {
        if (const zMetaTag* unitTag = tag->GetTag("ScriptUnit;"))
            if (zScriptUnit* unit = NewScriptUnit()) unit->Parse(document, unitTag);
    }
    if (m_physicItem) ParseLegacyPhysics(tag);
    return true;
}

void zMItem::ParseLegacyPhysics(const zMetaTag* tag) {
    const zMetaTag* tau = tag->GetTag("TauItem;");
    const zMetaTag* gcol = tag->GetTag("GColItem");
    const bool rigid = tau && tau->GetTag("Mode:Rigid;");
    if (rigid || (gcol && gcol->GetTag("Shapes;"))) {
        if (gcol) {
            m_physicItem->ParseTag(m_scene ? m_scene->GetEngine() : nullptr, 0, gcol);
            i32 mask = 0;
            const zMetaTag* self = gcol->GetTag("SelfMask;");
            if (self && self->GetValue().GetInt(mask)) m_physicItem->SetSelfMask(u32(mask));
            const zMetaTag* collision = gcol->GetTag("Mask;");
            if (collision && collision->GetValue().GetInt(mask)) m_physicItem->SetCollisionMask(u32(mask));
        }
        if (tau && !rigid) {
            for (auto* node = m_physicItem->GetShapes().GetHead(); node; node = node->next)
                node->value->mass = 0.0f;
        } else if (tau) {
            m_physicItem->SetMode(PhysicModeDynamic);
        }
    }
    // A body described by shapes but no mode is static.
    if (m_physicItem->GetMode() == PhysicModeNone && m_physicItem->GetShapes().GetCount() > 0)
        m_physicItem->SetMode(PhysicModeStatic);
}

zMetaTag* zMItem::SerializeTag() const {
    std::unique_ptr<zMetaTag> root(new (std::nothrow) zMetaTag("MItem"));
    bool complete = root != nullptr;
    if (complete) complete = AppendChildTag(root.get(), new (std::nothrow) zMetaTag("Id", m_name.CStr() ? m_name.CStr() : ""));
    if (complete) complete = AppendChildTag(root.get(), new (std::nothrow) zMetaTag("UId", m_uid));
    if (complete && m_active) complete = AppendChildTag(root.get(), new (std::nothrow) zMetaTag("Active"));
    if (complete && m_helper) complete = AppendChildTag(root.get(), new (std::nothrow) zMetaTag("Helper"));
    for (const BehaviourTag& entry : BehaviourTags)
        if (complete && (m_behaviour & entry.bit))
            complete = AppendChildTag(root.get(), new (std::nothrow) zMetaTag(entry.name));
    if (complete && m_hasInitialMatrix)
        complete = AppendChildTag(root.get(), SerializeMatrix4(m_initialMatrix, "InitialMatrix"));
    if (complete) complete = AppendChildTag(root.get(), new (std::nothrow) zMetaTag("Priority", m_priority));
    if (complete) complete = AppendChildTag(root.get(), new (std::nothrow) zMetaTag("ScriptLogicFq", m_logicFrequency));
    // A player without motions writes nothing.
    if (complete && GetMotionCount() > 0) complete = AppendChildTag(root.get(), zAnimationPlayer::SerializeTag());
    if (complete && GetScriptUnits().GetCount() > 0) {
        complete = AppendChildTag(root.get(), zScriptedObject::SerializeTag());
        if (complete) complete = GetScriptUnits().GetHead()->value->Serialize(root.get()) != nullptr;
    }
    if (complete && m_physicItem) complete = AppendChildTag(root.get(), m_physicItem->SerializeTag());
    if (!complete) {
        GetLog() << "[!] Could not create managed root tag to serialize.\n";
        return nullptr;
    }
    return root.release();
}
