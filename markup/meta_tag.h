// zMetaTag: one node of a ZML tree. A tag has a name (its list id), one value
// and an ordered list of owned children; it holds no link to its parent.
//
// A tag whose value has a type other than none is a value tag and takes no
// children. Tags are found by paths of names joined by ':' and ended by ';'
// ("Scene:Items;"), with FindMetaTagByPath.
#pragma once

#include <cstddef>
#include <new>

#include "core/linked_list.h"
#include "core/types.h"
#include "markup/variant.h"

class zMetaTagPool;

class zMetaTag : public zLinkedListEntryId {
public:
    // A tag lives in a heap block of its own or in the memory of a document
    // read through a zMetaTagPool (markup/tag_pool.h, NewTag); delete releases either
    // kind. 80 bytes, with no header in front.
    static void* operator new(size_t size);
    static void* operator new(size_t size, const std::nothrow_t&) noexcept;
    static void operator delete(void* memory) noexcept;
    static void operator delete(void* memory, const std::nothrow_t&) noexcept;

    explicit zMetaTag(const char* name);
    zMetaTag(const char* name, i32 value);
    zMetaTag(const char* name, bool value);
    zMetaTag(const char* name, f32 value);
    zMetaTag(const char* name, const char* value);
    // The block is copied; when the copy fails the tag has no value.
    zMetaTag(const char* name, const void* data, u32 size);
    // Deletes the children.
    ~zMetaTag() override;

    const zString& GetName() const { return id; }
    zVariant& GetValue() { return m_value; }
    const zVariant& GetValue() const { return m_value; }
    zLinkedListId& GetChildren() { return m_children; }
    const zLinkedListId& GetChildren() const { return m_children; }
    u32 GetChildCount() const { return m_children.GetCount(); }
    // A tag without a value: a pure tag or a node.
    bool IsNode() const { return m_value.IsNone(); }

    // Appends (or, atFront, puts first) and returns the child. Null for a null
    // tag, and for a value tag, which refuses children with a log line; on a
    // refusal the caller keeps the tag.
    zMetaTag* AddChild(zMetaTag* tag, bool atFront = false);
    // Before or after reference; no reference appends. Refuses as AddChild.
    zMetaTag* InsertChild(zMetaTag* tag, zMetaTag* reference, bool before);

    // The descendant at path below this tag, or null.
    zMetaTag* GetTag(const char* path, bool log = false) const;
    // The same, null unless its value has that type.
    zMetaTag* GetTypedTag(const char* path, u32 type, bool log = false) const;
    // Children in order; start with a zeroed iterator. The current child may
    // be removed during the iteration.
    zMetaTag* GetNextChild(zLinkedListIterator& iterator) const;

    // A new tag with the same name and value (zVariant::Set rules); deep also
    // clones the children. The caller owns the result; null, logged, when
    // memory runs out.
    zMetaTag* Clone(bool deep) const;
    void ClearValueAndChildren();

    // The value's GetBool; false when not convertible.
    bool GetBool() const;
    // The value word as an int or a float, untested; use on tags found by
    // GetTypedTag with the matching type.
    i32 GetRawInt() const { return m_value.GetRawInt(); }
    f32 GetRawFloat() const { return m_value.GetRawFloat(); }

private:
    friend class zMetaTagPool;
    friend struct zMetaTagAccess;  // markup/tag_pool.cpp

    // A nameless tag without value in a pool's memory of the given storage
    // kind, for zMetaTagPool::NewTag.
    struct PoolStorage {
        u8 kind;
    };
    explicit zMetaTag(PoolStorage storage) { m_value.m_tagStorage = storage.kind; }

    bool RefuseChild() const;
    // The kind of memory the tag lives in: 0 for a heap block, else the
    // pool's (markup/tag_pool.cpp).
    u8 GetStorage() const { return m_value.m_tagStorage; }

    zLinkedListId m_children;
    zVariant m_value;
};

// Adds child to parent for writers that build a tree from nothrow allocations:
// false, and the child deleted, when either is missing or the parent refuses it.
bool AttachTag(zMetaTag* parent, zMetaTag* child);

// The tag at path among the tags of list and their descendants, or null. With
// log, a path without its final ';', a step through a value tag and a missing
// name are logged.
zMetaTag* FindMetaTagByPath(const zLinkedListId* list, const char* path, bool log);
