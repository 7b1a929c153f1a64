#include "markup/metafile.h"

#include <new>

#include "core/log.h"
#include "markup/tag_pool.h"

zMetafile::zMetafile() : m_binaryMethod(BinaryMethodYEnc) {}

zMetafile::~zMetafile() {
    ClearRoots();
}

zMetaTag* zMetafile::AddRoot(zMetaTag* tag) {
    if (!tag) return nullptr;
    return static_cast<zMetaTag*>(m_roots.Add(tag, true, true));
}

bool zMetafile::DetachRoot(zMetaTag* tag) {
    return tag && m_roots.Detach(tag);
}

void zMetafile::Clear() {
    ClearRoots();
    m_fileName.Clear();
}

void zMetafile::ClearRoots() {
    DeleteTagList(m_roots);
}

zMetaTag* zMetafile::GetTag(const char* path, bool log) const {
    return FindMetaTagByPath(&m_roots, path, log);
}

zMetaTag* zMetafile::GetTypedTag(const char* path, u32 type, bool log) const {
    zMetaTag* tag = GetTag(path, log);
    return tag && tag->GetValue().GetType() == type ? tag : nullptr;
}

zMetaTag* zMetafile::GetNextRoot(zLinkedListIterator& iterator) const {
    return static_cast<zMetaTag*>(m_roots.Next(iterator));
}

bool zMetafile::GetBool(const char* path, bool defaultValue) const {
    const zMetaTag* tag = GetTypedTag(path, VariantBool);
    return tag ? tag->GetBool() : defaultValue;
}

i32 zMetafile::GetInt(const char* path, i32 defaultValue, u32 flags) const {
    const zMetaTag* tag = GetTypedTag(path, VariantInt, (flags & MetafileLookupLog) != 0);
    i32 value = defaultValue;
    if (tag) tag->GetValue().GetInt(value);
    return value;
}

f32 zMetafile::GetFloat(const char* path, f32 defaultValue) const {
    const zMetaTag* tag = GetTypedTag(path, VariantFloat);
    f32 value = defaultValue;
    if (tag) tag->GetValue().GetFloat(value);
    return value;
}

const char* zMetafile::GetString(const char* path, const char* defaultValue) const {
    const zMetaTag* tag = GetTypedTag(path, VariantString);
    const char* value = defaultValue;
    if (tag) tag->GetValue().GetString(value);
    return value;
}

zMetafile* zMetafile::Clone() const {
    zMetafile* clone = new (std::nothrow) zMetafile();
    if (!clone) {
        GetLog() << "[!] Failed to allocate file.\n";
        return nullptr;
    }
    zLinkedListIterator iterator;
    while (const zMetaTag* root = GetNextRoot(iterator)) {
        zMetaTag* rootClone = root->Clone(true);
        if (!rootClone) {
            delete clone;
            return nullptr;
        }
        clone->AddRoot(rootClone);
    }
    clone->m_fileName = m_fileName;
    clone->m_binaryMethod = m_binaryMethod;
    return clone;
}
