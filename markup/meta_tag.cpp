#include "markup/meta_tag.h"

#include "core/log.h"
#include "markup/tag_pool.h"

zMetaTag::zMetaTag(const char* name) {
    if (name) id.Set(name);
}

zMetaTag::zMetaTag(const char* name, i32 value) : zMetaTag(name) {
    m_value.SetInt(value);
}

zMetaTag::zMetaTag(const char* name, bool value) : zMetaTag(name) {
    m_value.SetBool(value);
}

zMetaTag::zMetaTag(const char* name, f32 value) : zMetaTag(name) {
    m_value.SetFloat(value);
}

zMetaTag::zMetaTag(const char* name, const char* value) : zMetaTag(name) {
    m_value.SetString(value);
}

zMetaTag::zMetaTag(const char* name, const void* data, u32 size) : zMetaTag(name) {
    m_value.SetBinary(data, size);
}

zMetaTag::~zMetaTag() {
    ClearValueAndChildren();
    NoteTagDestroyed(this, GetStorage());
}

bool zMetaTag::RefuseChild() const {
    if (IsNode()) return false;
    GetLog() << "[!] Cannot add child to tag '" << id << "' as it is neither a pure tag or a node.\n";
    return true;
}

zMetaTag* zMetaTag::AddChild(zMetaTag* tag, bool atFront) {
    if (!tag) return nullptr;
    if (RefuseChild()) return nullptr;
    return static_cast<zMetaTag*>(m_children.Add(tag, !atFront, true));
}

zMetaTag* zMetaTag::InsertChild(zMetaTag* tag, zMetaTag* reference, bool before) {
    if (!tag) return nullptr;
    if (RefuseChild()) return nullptr;
    if (!reference) return static_cast<zMetaTag*>(m_children.Add(tag, true, true));
    if (before) return static_cast<zMetaTag*>(m_children.InsertBefore(tag, reference, true));
    return static_cast<zMetaTag*>(m_children.InsertAfter(tag, reference, true));
}

zMetaTag* zMetaTag::GetTag(const char* path, bool log) const {
    return FindMetaTagByPath(&m_children, path, log);
}

zMetaTag* zMetaTag::GetTypedTag(const char* path, u32 type, bool log) const {
    zMetaTag* tag = GetTag(path, log);
    return tag && tag->m_value.GetType() == type ? tag : nullptr;
}

zMetaTag* zMetaTag::GetNextChild(zLinkedListIterator& iterator) const {
    return static_cast<zMetaTag*>(m_children.Next(iterator));
}

zMetaTag* zMetaTag::Clone(bool deep) const {
    zMetaTag* clone = new (std::nothrow) zMetaTag(id.CStr());
    if (!clone) {
        GetLog() << "[!] Failed to allocate clone of tag '" << id << "'.\n";
        return nullptr;
    }
    clone->m_value.Set(m_value);
    if (deep) {
        zLinkedListIterator iterator;
        while (const zMetaTag* child = GetNextChild(iterator)) {
            zMetaTag* childClone = child->Clone(true);
            if (!childClone) {
                delete clone;
                return nullptr;
            }
            if (!clone->AddChild(childClone)) delete childClone;
        }
    }
    return clone;
}

void zMetaTag::ClearValueAndChildren() {
    m_value.ResetValue();
    DeleteTagList(m_children);
}

bool zMetaTag::GetBool() const {
    bool value = false;
    return m_value.GetBool(value) && value;
}

zMetaTag* FindMetaTagByPath(const zLinkedListId* list, const char* path, bool log) {
    if (!path || *path == '\0') return nullptr;
    zMetaTag* found = nullptr;
    const char* cursor = path;
    for (;;) {
        while (*cursor == ':') ++cursor;
        if (*cursor == ';') return found;
        const char* nameBegin = cursor;
        while (*cursor != '\0' && *cursor != ':' && *cursor != ';') ++cursor;
        const bool atEnd = *cursor == '\0';
        if (atEnd && log) {
            if (cursor != nameBegin) {
                GetLog() << "[*] incomplete path '" << path << "' (missing ';').\n";
            } else {
                GetLog() << "[!] unexpected end of path'" << path << "'.\n";
            }
        }
        if (!list) {
            if (log) GetLog() << "[*] '" << path << "' is deeper than lowest tree node.\n";
            return nullptr;
        }
        const zString name(nameBegin, cursor);
        found = static_cast<zMetaTag*>(list->FindById(name, log));
        if (!found) {
            if (log) GetLog() << "!! Error '" << name << "' in '" << path << "' not found.\n";
            return nullptr;
        }
        list = found->IsNode() ? &found->GetChildren() : nullptr;
        if (atEnd) return found;
    }
}

bool AttachTag(zMetaTag* parent, zMetaTag* child) {
    if (!child) return false;
    if (parent && parent->AddChild(child)) return true;
    delete child;
    return false;
}
