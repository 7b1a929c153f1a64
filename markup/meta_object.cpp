#include "markup/meta_object.h"

#include "core/log.h"
#include "markup/reader.h"
#include "markup/writer.h"

bool zMetaObject::SaveToMetafile(zMetafile& doc) {
    zMetaTag* root = BuildRootTag(doc);
    if (!root) return false;
    doc.AddRoot(root);
    return true;
}

bool zMetaObject::SaveToFile(const char* path) {
    zMetafile doc;
    if (!SaveToMetafile(doc)) return false;
    return SaveMetafile(path, doc);
}

bool zMetaObject::LoadFromMetafile(zMetafile& doc) {
    zLinkedListIterator iterator;
    zMetaTag* root = doc.GetNextRoot(iterator);
    if (!root) {
        GetLog() << "[!] No root tag in '" << doc.GetFileName() << "'.\n";
        return false;
    }
    return ParseRootTag(doc, root);
}

bool zMetaObject::LoadFromFile(const char* path) {
    zMetafile doc;
    if (!LoadMetafileFromFile(path, doc)) return false;
    return LoadFromMetafile(doc);
}
