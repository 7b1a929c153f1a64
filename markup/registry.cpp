#include "markup/registry.h"

#include <new>
#include <string>

#include "core/log.h"

namespace {

// Calls visit(name) for each non-empty ':'-separated name of key with every
// ';' removed; stops and returns false as soon as visit does.
template <typename Visit> bool ForEachKeyName(const char* key, Visit visit) {
    std::string stripped;
    for (const char* c = key; *c; ++c) {
        if (*c != ';') stripped += *c;
    }
    size_t begin = 0;
    while (begin <= stripped.size()) {
        size_t end = stripped.find(':', begin);
        if (end == std::string::npos) end = stripped.size();
        if (end > begin) {
            const zString name(stripped.data() + begin, stripped.data() + end);
            if (!visit(name)) return false;
        }
        begin = end + 1;
    }
    return true;
}

}  // namespace

f32 zRegistry::GetFloat(const char* key, f32 defaultValue) const {
    const zMetaTag* tag = GetKey(key);
    f32 value = defaultValue;
    if (tag) tag->GetValue().GetFloat(value);
    return value;
}

bool zRegistry::GetBool(const char* key, bool defaultValue) const {
    const zMetaTag* tag = GetKey(key);
    bool value = defaultValue;
    if (tag && !tag->GetValue().GetBool(value)) value = defaultValue;
    return value;
}

zMetaTag* zRegistry::GetKey(const char* key) const {
    return FindMetaTagByPath(&GetRoots(), key, false);
}

zMetaTag* zRegistry::SetKey(const char* key, const zVariant* value, bool create) {
    if (!key) return nullptr;
    zMetaTag* current = nullptr;
    const bool walked = ForEachKeyName(key, [&](const zString& name) {
        zLinkedListId& list = current ? current->GetChildren() : GetRoots();
        zMetaTag* next = static_cast<zMetaTag*>(list.FindById(name, false));
        if (!next) {
            if (!create) return false;
            zMetaTag* created = new (std::nothrow) zMetaTag(name.CStr());
            if (!created) {
                GetLog() << "[!] Failed to allocate tag '" << name << "'.\n";
                return false;
            }
            next = current ? current->AddChild(created) : AddRoot(created);
            if (!next) {
                delete created;
                return false;
            }
        }
        current = next;
        return true;
    });
    if (!walked || !current) return nullptr;
    if (value) {
        if (current->GetChildCount() > 0) {
            GetLog() << "[!] Cannot set a value on tag '" << current->GetName() << "' as it has children.\n";
            return nullptr;
        }
        current->GetValue().Set(*value);
    }
    return current;
}

bool zRegistry::RemoveKey(const char* key) {
    if (!key) return false;
    zMetaTag* parent = nullptr;
    zMetaTag* current = nullptr;
    const bool walked = ForEachKeyName(key, [&](const zString& name) {
        const zLinkedListId& list = current ? current->GetChildren() : GetRoots();
        zMetaTag* next = static_cast<zMetaTag*>(list.FindById(name, false));
        if (!next) return false;
        parent = current;
        current = next;
        return true;
    });
    if (!walked || !current) return false;
    zLinkedListId& owner = parent ? parent->GetChildren() : GetRoots();
    owner.Remove(current, true);
    return true;
}
