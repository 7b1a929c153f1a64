#include "markup/archive_index.h"

#include <new>
#include <utility>

#include "core/log.h"
#include "markup/reader.h"
#include "markup/writer.h"

namespace {

const char* MethodName(u8 method) {
    return method == ArchiveMethodZlib ? "Zlib" : "Raw";
}

} // namespace

bool zZmlArchiveIndex::Load(const char* path, zList<zArchiveEntry>& out) {
    zMetafile doc;
    if (!path || !LoadMetafileFromFile(path, doc)) return false;
    zMetaTag* index = nullptr;
    zLinkedListIterator roots;
    while (zMetaTag* root = doc.GetNextRoot(roots)) {
        if (root->GetName() == "Index") {
            index = root;
            break;
        }
    }
    if (!index) {
        GetLog() << "[!] No archive index tag found in '" << path << "'.\n";
        return false;
    }
    zLinkedListIterator children;
    while (zMetaTag* child = index->GetNextChild(children)) {
        if (child->GetName() != "Entry") {
            GetLog() << "[*] Unexpected tag <" << child->GetName() << "> in <Index>.\n";
            continue;
        }
        zMetaTag* id = child->GetTypedTag("ID;", VariantString);
        zMetaTag* storedLength = child->GetTypedTag("CompLen;", VariantInt);
        zMetaTag* length = child->GetTypedTag("Len;", VariantInt);
        zMetaTag* method = child->GetTypedTag("Method;", VariantString);
        zMetaTag* offset = child->GetTypedTag("Offset;", VariantInt);
        if (!id || !storedLength || !length || !method || !offset) {
            GetLog() << "[!] Incomplete index entry.\n";
            continue;
        }
        const zString& methodName = method->GetValue().GetStringValue();
        if (methodName != "Raw" && methodName != "Zlib") {
            GetLog() << "[!] Unknown method '" << methodName << "' in index entry '"
                     << id->GetValue().GetStringValue() << "'.\n";
            continue;
        }
        zArchiveEntry entry;
        entry.name = id->GetValue().GetStringValue();
        entry.method = methodName == "Zlib" ? ArchiveMethodZlib : ArchiveMethodRaw;
        entry.storedLength = u32(storedLength->GetRawInt());
        entry.length = u32(length->GetRawInt());
        entry.offset = u32(offset->GetRawInt());
        if (!out.Add(std::move(entry))) GetLog() << "[!] Could not allocate new index entry.\n";
    }
    return true;
}

bool zZmlArchiveIndex::Save(const char* path, const zList<zArchiveEntry>& entries) {
    zMetafile doc;
    zMetaTag* index = doc.AddRoot(new (std::nothrow) zMetaTag("Index"));
    if (!index) return false;
    for (zList<zArchiveEntry>::Node* node = entries.GetHead(); node; node = node->next) {
        const zArchiveEntry& entry = node->value;
        zMetaTag* tag = index->AddChild(new (std::nothrow) zMetaTag("Entry"));
        if (!tag) return false;
        tag->AddChild(new (std::nothrow) zMetaTag("ID", entry.name.CStr() ? entry.name.CStr() : ""));
        tag->AddChild(new (std::nothrow) zMetaTag("CompLen", i32(entry.storedLength)));
        tag->AddChild(new (std::nothrow) zMetaTag("Len", i32(entry.length)));
        tag->AddChild(new (std::nothrow) zMetaTag("Offset", i32(entry.offset)));
        tag->AddChild(new (std::nothrow) zMetaTag("Method", MethodName(entry.method)));
        if (tag->GetChildCount() != 5) return false;
    }
    return SaveMetafile(path, doc);
}

void InstallZmlArchiveIndex() {
    static zZmlArchiveIndex* format = new zZmlArchiveIndex;
    SetArchiveIndexFormat(format);
}
