#include "markup/math_tags.h"

#include <new>

#include "core/log.h"

namespace {

// The number values of the first count children of tag; false when one is
// missing or holds no number. found, when given, gets how many were numbers
// before the first failure.
bool ReadNumbers(const zMetaTag* tag, f32* values, u32 count, u32* found = nullptr) {
    if (found) *found = 0;
    if (!tag) return false;
    zLinkedListIterator iterator;
    for (u32 index = 0; index < count; ++index) {
        const zMetaTag* child = tag->GetNextChild(iterator);
        if (!child) return false;
        const zVariant& value = child->GetValue();
        i32 integer = 0;
        if (value.GetFloat(values[index])) {
        } else if (value.GetInt(integer)) {
            values[index] = static_cast<f32>(integer);
        } else {
            return false;
        }
        if (found) *found = index + 1;
    }
    return true;
}

// The first count children themselves; false when there are fewer.
bool GetChildren(const zMetaTag* tag, const zMetaTag** children, u32 count) {
    if (!tag) return false;
    zLinkedListIterator iterator;
    for (u32 index = 0; index < count; ++index) {
        children[index] = tag->GetNextChild(iterator);
        if (!children[index]) return false;
    }
    return true;
}

// A new tag, or null after logging the allocation failure.
template <class... Value>
zMetaTag* NewTag(const char* name, Value... value) {
    zMetaTag* tag = new (std::nothrow) zMetaTag(name, value...);
    if (!tag) GetLog() << "[!] Failed to allocate tag '" << name << "'.\n";
    return tag;
}

// Adds the children to tag in order. A null child (its allocation failed)
// gives the whole tag up: tag and the children made are deleted, null is
// returned.
zMetaTag* WithChildren(zMetaTag* tag, std::initializer_list<zMetaTag*> children) {
    bool complete = tag != nullptr;
    for (zMetaTag* child : children) complete = complete && child;
    if (!complete) {
        for (zMetaTag* child : children) delete child;
        delete tag;
        return nullptr;
    }
    for (zMetaTag* child : children) tag->AddChild(child);
    return tag;
}

} // namespace

bool ParseVector(const zMetaTag* tag, zVector& out) {
    f32 values[4];
    u32 found = 0;
    ReadNumbers(tag, values, 4, &found);
    if (found < 3) return false;
    out.x = values[0];
    out.y = values[1];
    out.z = values[2];
    if (found == 4) out.w = values[3];
    return true;
}

zMetaTag* SerializeVector(const zVector& value, const char* name, bool withW) {
    zMetaTag* tag = WithChildren(NewTag(name), {NewTag("X", value.x), NewTag("Y", value.y), NewTag("Z", value.z)});
    if (tag && withW && !WithChildren(tag, {NewTag("W", value.w)})) return nullptr;
    return tag;
}

bool ParseVector2(const zMetaTag* tag, zVector2& out) {
    f32 values[2];
    if (!ReadNumbers(tag, values, 2)) return false;
    out.x = values[0];
    out.y = values[1];
    return true;
}

zMetaTag* SerializeVector2(const zVector2& value, const char* name) {
    return WithChildren(NewTag(name), {NewTag("X", value.x), NewTag("Y", value.y)});
}

bool ParseMatrix3(const zMetaTag* tag, zMatrix3& out) {
    const zMetaTag* rows[3];
    if (!GetChildren(tag, rows, 3)) return false;
    zMatrix3 result;
    for (int r = 0; r < 3; ++r) {
        zVector row;
        if (!ParseVector(rows[r], row)) return false;
        result.SetRow(r, row);
    }
    out = result;
    return true;
}

zMetaTag* SerializeMatrix3(const zMatrix3& value, const char* name) {
    static const char* const RowNames[3] = {"R0", "R1", "R2"};
    zMetaTag* tag = NewTag(name);
    for (int r = 0; r < 3 && tag; ++r) tag = WithChildren(tag, {SerializeVector(value.GetRow(r), RowNames[r], false)});
    return tag;
}

bool ParseMatrix4(const zMetaTag* tag, zMatrix4& out) {
    const zMetaTag* rows[4];
    if (!GetChildren(tag, rows, 4)) return false;
    zMatrix4 result;
    for (int r = 0; r < 4; ++r) {
        zVector row(0.0f, 0.0f, 0.0f, r == 3 ? 1.0f : 0.0f);
        if (!ParseVector(rows[r], row)) return false;
        result.SetRow(r, row, false);
    }
    out = result;
    return true;
}

zMetaTag* SerializeMatrix4(const zMatrix4& value, const char* name) {
    static const char* const RowNames[4] = {"R0", "R1", "R2", "R3"};
    zMetaTag* tag = NewTag(name);
    for (int r = 0; r < 4 && tag; ++r)
        tag = WithChildren(tag, {SerializeVector(value.GetRow(r, false), RowNames[r], true)});
    return tag;
}

bool ParseMatrixPair(const zMetaTag* tag, zMatrixPair& out) {
    zMatrix4 matrix;
    if (!ParseMatrix4(tag, matrix)) return false;
    out.Set(matrix);
    return true;
}

zMetaTag* SerializeMatrixPair(const zMatrixPair& value, const char* name) {
    return SerializeMatrix4(value.matrix, name);
}

zMetaTag* SerializeMinMax(const zMinMax& value, const char* name) {
    return WithChildren(NewTag(name),
                        {SerializeVector(value.min, "Min", false), SerializeVector(value.max, "Max", false)});
}

namespace {

// Centre and size from the first two children.
bool ParseCenterAndSize(const zMetaTag* const* children, zVector& center, zVector& size) {
    return ParseVector(children[0], center) && ParseVector(children[1], size);
}

} // namespace

bool ParseAABB(const zMetaTag* tag, zOrientedBox& out) {
    const zMetaTag* children[2];
    if (!GetChildren(tag, children, 2)) return false;
    zVector center = out.center, size = out.size;
    if (!ParseCenterAndSize(children, center, size)) return false;
    out.center = center;
    out.size = size;
    return true;
}

zMetaTag* SerializeAABB(const zOrientedBox& value) {
    return WithChildren(NewTag("AABB"), {SerializeVector(value.center, "Position", false),
                                         SerializeVector(value.size, "Scale", false)});
}

bool ParseOBB(const zMetaTag* tag, zOrientedBox& out) {
    const zMetaTag* children[3];
    if (!GetChildren(tag, children, 3)) return false;
    zVector center = out.center, size = out.size;
    zMatrix3 rotation;
    if (!ParseCenterAndSize(children, center, size) || !ParseMatrix3(children[2], rotation)) return false;
    out.center = center;
    out.size = size;
    out.rotation = rotation;
    return true;
}

zMetaTag* SerializeOBB(const zOrientedBox& value) {
    return WithChildren(NewTag("OBB"), {SerializeVector(value.center, "Position", false),
                                        SerializeVector(value.size, "Scale", false),
                                        SerializeMatrix3(value.rotation, "Matrix")});
}

bool ParseQuaternion(const zMetaTag* tag, zQuaternion& out) {
    f32 values[4];
    if (!ReadNumbers(tag, values, 4)) return false;
    out = zQuaternion(values[0], values[1], values[2], values[3]);
    return true;
}
