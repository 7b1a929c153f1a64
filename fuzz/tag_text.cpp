#include "fuzz/tag_text.h"

#include "fuzz/fuzz_support.h"
#include "markup/reader.h"
#include "markup/writer.h"

const zMetaTag* FirstRoot(zMetafile& doc, const char* data, size_t size) {
    if (!ParseMetafile(data, size, doc)) return nullptr;
    zLinkedListIterator iterator{};
    return doc.GetNextRoot(iterator);
}

std::string TagText(zMetaTag* tag, const char* what) {
    if (!tag) FuzzFail(what);
    zMetafile doc;
    doc.AddRoot(tag);
    std::string text;
    if (!SerializeMetafile(doc, text)) FuzzFail(what);
    return text;
}
