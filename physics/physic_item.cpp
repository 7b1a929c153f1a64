#include "physics/physic_item.h"

#include <algorithm>
#include <new>

#include "core/log.h"
#include "markup/math_tags.h"
#include "markup/meta_tag.h"
#include "physics/physic_constraint.h"

namespace {

constexpr int ShapeRotationOrder = 4;

struct NamedValue {
    const char* name;
    u32 value;
};

// Read by any of these names; written by the first name of a value.
constexpr NamedValue ShapeTypeNames[] = {
    {"None", PhysicShapeNone},         {"Box", PhysicShapeBox},         {"Sphere", PhysicShapeSphere},
    {"Convex", PhysicShapeConvex},     {"Cylinder", PhysicShapeCylinder}, {"Cone", PhysicShapeCone},
    {"Capsule", PhysicShapeCapsule},   {"Mesh", PhysicShapeMesh},       {"Heightmap", PhysicShapeHeightmap},
    {"Cuboid", PhysicShapeBox},        {"PolyMesh", PhysicShapeMesh},
};

constexpr NamedValue ModeNames[] = {
    {"None", PhysicModeNone},
    {"Static", PhysicModeStatic},
    {"Kinematic", PhysicModeKinematic},
    {"Dynamic", PhysicModeDynamic},
};

constexpr NamedValue ConstraintTypeNames[] = {
    {"Point", PhysicConstraintPoint},
    {"Hinge", PhysicConstraintHinge},
};

const char* NameOf(const NamedValue* table, size_t count, u32 value) {
    for (size_t i = 0; i < count; ++i)
        if (table[i].value == value) return table[i].name;
    return nullptr;
}

// False when the tag holds no string or the name is unknown.
bool ValueOf(const NamedValue* table, size_t count, const zMetaTag* tag, u32& out) {
    const char* text = nullptr;
    if (!tag->GetValue().GetString(text)) return false;
    const zString name(text);
    for (size_t i = 0; i < count; ++i) {
        if (name == table[i].name) {
            out = table[i].value;
            return true;
        }
    }
    return false;
}


bool ReadMask(const zMetaTag* tag, u32& out) {
    i32 value = 0;
    if (!tag->GetValue().GetInt(value)) return false;
    out = u32(value);
    return true;
}

const char* IdOf(const zMetaTag* tag) {
    return tag ? tag->GetName().CStr() : "";
}

} // namespace

const char* PhysicModeName(u32 mode) {
    return NameOf(ModeNames, std::size(ModeNames), mode);
}

// zPhysicShape

zMatrix4 zPhysicShape::GetMatrix() const {
    return zMatrix4::Compose(position, rotation, scale, zVector(0.0f, 0.0f, 0.0f, 1.0f));
}

void zPhysicShape::SetMatrix(const zMatrix4& matrix) {
    matrix.DecomposeEuler(&position, &scale, &rotation, ShapeRotationOrder);
    position.w = rotation.w = scale.w = 1.0f;
}

void zPhysicShape::SetPrimitive(u32 shapeType, const zVector& size) {
    type = shapeType;
    dimensions = size;
}

void zPhysicShape::SetMesh(u32 shapeType, const char* name) {
    type = shapeType;
    geometryName.Set(name ? name : "");
}

bool zPhysicShape::SetHeightmap(const i16* samples, i32 columns, i32 rows, f32 spacing) {
    type = PhysicShapeHeightmap;
    heightmapSamples.reset();
    heightmapColumns = heightmapRows = 0;
    heightmapSpacing = spacing;
    if (!samples || columns <= 0 || rows <= 0) return true;
    const size_t count = size_t(columns) * size_t(rows);
    heightmapSamples.reset(new (std::nothrow) i16[count]);
    if (!heightmapSamples) {
        GetLog() << "[!] Failed to allocate heightmap collision samples.\n";
        return false;
    }
    std::copy(samples, samples + count, heightmapSamples.get());
    heightmapColumns = columns;
    heightmapRows = rows;
    return true;
}

bool zPhysicShape::ParseTag(const zMetaTag* tag) {
    if (!tag || (tag->GetName() != "PhysicShape" && tag->GetName() != "GColShape")) {
        GetLog() << "[!] Could not parse physic shape. Root tag id is incorrect (" << IdOf(tag) << ").\n";
        return false;
    }
    mass = 1.0f;
    type = PhysicShapeNone;
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        const zString& name = child->GetName();
        const char* text = nullptr;
        if (name == "Type") {
            if (!ValueOf(ShapeTypeNames, std::size(ShapeTypeNames), child, type)) type = PhysicShapeNone;
        } else if (name == "Position") {
            ParseVector(child, position);
        } else if (name == "Rotation") {
            ParseVector(child, rotation);
        } else if (name == "Scale") {
            ParseVector(child, scale);
        } else if (name == "Dimensions") {
            ParseVector(child, dimensions);
        } else if (name == "Orientation") {
            zMatrix3 orientation;
            if (ParseMatrix3(child, orientation)) rotation = orientation.AsEuler(ShapeRotationOrder);
            rotation.w = 1.0f;
        } else if (name == "Radius") {
            child->GetValue().GetNumber(dimensions.x);
        } else if (name == "Mesh" || name == "Polymesh") {
            if (child->GetValue().GetString(text)) geometryName.Set(text);
        } else if (name == "Mass") {
            child->GetValue().GetNumber(mass);
        } else if (name == "StaticFriction") {
            child->GetValue().GetNumber(staticFriction);
        } else if (name == "DynamicFriction") {
            child->GetValue().GetNumber(dynamicFriction);
        } else if (name == "Restitution") {
            child->GetValue().GetNumber(restitution);
        } else if (name == "Active" || name == "Damping" || name == "AnisotropicFriction" ||
                   name == "VStaticFriction" || name == "VDynamicFriction") {
            // Known, but the shape keeps nothing of them.
        } else {
            GetLog() << "[*] Unknown tag '" << name << "' in <PhysicShape>.\n";
        }
    }
    return true;
}

zMetaTag* zPhysicShape::SerializeTag() const {
    std::unique_ptr<zMetaTag> root(new (std::nothrow) zMetaTag("PhysicShape"));
    bool complete = root != nullptr;
    if (complete && type != PhysicShapeNone) {
        const char* name = NameOf(ShapeTypeNames, std::size(ShapeTypeNames), type);
        complete = AttachTag(root.get(), new (std::nothrow) zMetaTag("Type", name ? name : "None"));
    }
    if (complete) complete = AttachTag(root.get(), SerializeVector(position, "Position"));
    if (complete) complete = AttachTag(root.get(), SerializeVector(rotation, "Rotation"));
    if (complete) complete = AttachTag(root.get(), SerializeVector(scale, "Scale"));
    if (complete) complete = AttachTag(root.get(), SerializeVector(dimensions, "Dimensions"));
    if (complete && (type == PhysicShapeConvex || type == PhysicShapeMesh) && geometryName.GetLength() > 0)
        complete = AttachTag(root.get(), new (std::nothrow) zMetaTag("Mesh", geometryName.CStr()));
    // Always written: the reader takes a missing "Mass" as 1, so leaving out
    // a zero would give a massless shape mass on the next load.
    if (complete) complete = AttachTag(root.get(), new (std::nothrow) zMetaTag("Mass", mass));
    if (complete) complete = AttachTag(root.get(), new (std::nothrow) zMetaTag("StaticFriction", staticFriction));
    if (complete)
        complete = AttachTag(root.get(), new (std::nothrow) zMetaTag("DynamicFriction", dynamicFriction));
    if (complete) complete = AttachTag(root.get(), new (std::nothrow) zMetaTag("Restitution", restitution));
    if (!complete) {
        GetLog() << "[!] Could not create collision shape root tag to serialize.\n";
        return nullptr;
    }
    return root.release();
}

// zPhysicItem

zPhysicItem::zPhysicItem(zPhysicWorld* world) : m_world(world) {}

zPhysicItem::~zPhysicItem() {
    ForgetConstraints();
}

void zPhysicItem::ForgetConstraints() {
    // ForgetItem detaches, so the head changes every round.
    while (auto* node = m_constraints.GetHead()) {
        zPhysicConstraint* constraint = node->value;
        constraint->ForgetItem(this);
        m_constraints.Remove(constraint);
    }
}

zPhysicShape* zPhysicItem::AddCollisionShape() {
    std::unique_ptr<zPhysicShape> shape(new (std::nothrow) zPhysicShape);
    zPhysicShape* raw = shape.get();
    if (!shape || !m_shapes.Add(std::move(shape))) {
        GetLog() << "[!] Failed to allocate collision shape.\n";
        return nullptr;
    }
    return raw;
}

bool zPhysicItem::RemoveCollisionShape(zPhysicShape* shape) {
    for (auto* node = m_shapes.GetHead(); node; node = node->next) {
        if (node->value.get() != shape) continue;
        std::unique_ptr<zPhysicShape> owned = m_shapes.Take(node);
        return true;
    }
    return false;
}

void zPhysicItem::ClearCollisionShapes() {
    m_shapes.Clear();
}

f32 zPhysicItem::GetMass() const {
    f32 mass = 0.0f;
    for (auto* node = m_shapes.GetHead(); node; node = node->next)
        mass += node->value->mass;
    return mass;
}

zMatrix4 zPhysicItem::GetOwnerWorldMatrix() const {
    return m_worldMatrixSource ? m_worldMatrixSource() : zMatrix4();
}

bool zPhysicItem::AttachConstraint(zPhysicConstraint* constraint) {
    if (!constraint || m_constraints.Find(constraint)) return true;
    if (m_constraints.Add(constraint)) return true;
    GetLog() << "[!] Failed to allocate constraint link.\n";
    return false;
}

void zPhysicItem::DetachConstraint(zPhysicConstraint* constraint) {
    m_constraints.Remove(constraint);
}

void zPhysicItem::ReleaseConstraints() {
    for (auto* node = m_constraints.GetHead(); node; node = node->next)
        node->value->Release();
}

void zPhysicItem::SetupConstraints() {
    for (auto* node = m_constraints.GetHead(); node; node = node->next)
        node->value->Setup();
}

bool zPhysicItem::ParseTag(zEngine* /*engine*/, u32 /*mode*/, const zMetaTag* tag) {
    if (!tag || (tag->GetName() != "PhysicItem" && tag->GetName() != "TauItem" && tag->GetName() != "GColItem")) {
        GetLog() << "[!] Could not parse physic item. Root tag id is incorrect (" << IdOf(tag) << ").\n";
        return false;
    }
    // The shapes dropped are destroyed; a built body keeps its own parts.
    ClearCollisionShapes();
    SetSelfMask(1);
    SetCollisionMask(1);
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        const zString& name = child->GetName();
        u32 value = 0;
        f32 number = 0.0f;
        if (name == "SelfMask") {
            if (ReadMask(child, value)) SetSelfMask(value);
        } else if (name == "Mask") {
            if (ReadMask(child, value)) SetCollisionMask(value);
        } else if (name == "Mode") {
            if (ValueOf(ModeNames, std::size(ModeNames), child, value)) SetMode(value);
        } else if (name == "Shapes") {
            zLinkedListIterator shapes{};
            while (const zMetaTag* shapeTag = child->GetNextChild(shapes)) {
                zPhysicShape* shape = AddCollisionShape();
                if (shape && !shape->ParseTag(shapeTag)) RemoveCollisionShape(shape);
            }
        } else if (name == "LinearDamping_v2" || name == "LinearDamping") {
            if (child->GetValue().GetNumber(number)) SetLinearDamping(number);
        } else if (name == "AngularDamping_v2" || name == "AngularDamping") {
            if (child->GetValue().GetNumber(number)) SetAngularDamping(number);
        } else if (name == "Flag" || name == "Active") {
            // Accepted without effect.
        } else {
            GetLog() << "[*] Unknown tag '" << name << "' in <zPhysicItem>.\n";
        }
    }
    return true;
}

zMetaTag* zPhysicItem::SerializeTag() const {
    std::unique_ptr<zMetaTag> root(new (std::nothrow) zMetaTag("PhysicItem"));
    bool complete = root != nullptr;
    if (complete) complete = AttachTag(root.get(), new (std::nothrow) zMetaTag("SelfMask", i32(GetSelfMask())));
    if (complete) complete = AttachTag(root.get(), new (std::nothrow) zMetaTag("Mask", i32(GetCollisionMask())));
    if (complete)
        complete = AttachTag(root.get(), new (std::nothrow) zMetaTag("LinearDamping_v2", GetLinearDamping()));
    if (complete)
        complete = AttachTag(root.get(), new (std::nothrow) zMetaTag("AngularDamping_v2", GetAngularDamping()));
    if (complete) {
        const char* mode = PhysicModeName(GetMode());
        complete = AttachTag(root.get(), new (std::nothrow) zMetaTag("Mode", mode ? mode : "None"));
    }
    zMetaTag* shapes = nullptr;
    if (complete) {
        shapes = new (std::nothrow) zMetaTag("Shapes");
        complete = AttachTag(root.get(), shapes);
    }
    for (auto* node = m_shapes.GetHead(); complete && node; node = node->next)
        complete = AttachTag(shapes, node->value->SerializeTag());
    if (!complete) {
        GetLog() << "[!] Could not create collision item root tag to serialize.\n";
        return nullptr;
    }
    return root.release();
}

// zPhysicConstraint

zPhysicConstraint::~zPhysicConstraint() {
    if (m_itemA) m_itemA->DetachConstraint(this);
    if (m_itemB && m_itemB != m_itemA) m_itemB->DetachConstraint(this);
}

bool zPhysicConstraint::StoreItem(zPhysicItem*& side, zPhysicItem* item) {
    if (side == item) return true;
    if (item && !item->AttachConstraint(this)) return false;
    zPhysicItem* previous = side;
    side = item;
    // The old item stays linked while the other side still holds it.
    if (previous && previous != m_itemA && previous != m_itemB) previous->DetachConstraint(this);
    return true;
}

void zPhysicConstraint::ForgetItem(zPhysicItem* item) {
    if (!item) return;
    if (m_itemA == item) SetItemA(nullptr);
    if (m_itemB == item) SetItemB(nullptr);
}

bool zPhysicConstraint::ParseTag(const zMetaTag* tag) {
    if (!tag || tag->GetName() != "Constraint") {
        GetLog() << "[!] Could not parse physic constraint. Root tag id is incorrect (" << IdOf(tag) << ").\n";
        return false;
    }
    Release();
    m_type = PhysicConstraintNone;
    StoreItem(m_itemA, nullptr);
    StoreItem(m_itemB, nullptr);
    m_pivotA = zMatrix4();
    m_pivotB = zMatrix4();
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator)) {
        const zString& name = child->GetName();
        if (name == "Type") {
            if (!ValueOf(ConstraintTypeNames, std::size(ConstraintTypeNames), child, m_type))
                m_type = PhysicConstraintNone;
        } else if (name == "PivotA") {
            ParseMatrix4(child, m_pivotA);
        } else if (name == "PivotB") {
            ParseMatrix4(child, m_pivotB);
        } else {
            GetLog() << "[*] Unknown tag '" << name << "' in <PhysicConstraint>.\n";
        }
    }
    return true;
}

zMetaTag* zPhysicConstraint::SerializeTag() const {
    std::unique_ptr<zMetaTag> root(new (std::nothrow) zMetaTag("Constraint"));
    bool complete = root != nullptr;
    if (complete && m_type != PhysicConstraintNone) {
        const char* name = NameOf(ConstraintTypeNames, std::size(ConstraintTypeNames), m_type);
        complete = AttachTag(root.get(), new (std::nothrow) zMetaTag("Type", name ? name : "None"));
    }
    if (complete) complete = AttachTag(root.get(), SerializeMatrix4(m_pivotA, "PivotA"));
    if (complete) complete = AttachTag(root.get(), SerializeMatrix4(m_pivotB, "PivotB"));
    if (!complete) {
        GetLog() << "[!] Could not create physic constraint root tag to serialize.\n";
        return nullptr;
    }
    return root.release();
}
