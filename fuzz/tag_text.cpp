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

namespace {

std::string ReadBackAndWrite(const std::string& written, const zTagReadAndWrite& readAndWrite,
                             const std::string& failure) {
    zMetafile doc;
    const zMetaTag* root = FirstRoot(doc, written.data(), written.size());
    if (!root) FuzzFail((failure + " does not parse as ZML").c_str());
    const std::string again = readAndWrite(root, false);
    if (again.empty()) FuzzFail((failure + " does not read back").c_str());
    return again;
}

} // namespace

void CheckTagRoundTrip(const u8* data, size_t size, const zTagReadAndWrite& readAndWrite, const char* what) {
    std::string written;
    {
        zMetafile doc;
        const zMetaTag* root = FirstRoot(doc, reinterpret_cast<const char*>(data), size);
        if (!root) return;
        written = readAndWrite(root, true);
        if (written.empty()) return;
    }
    const std::string failure = std::string("a written ") + what;
    const std::string again = ReadBackAndWrite(written, readAndWrite, failure);
    if (again == written) return;
    // Numbers are written with six decimals, so a value within that of its
    // default (2e-6 written as 0.000000) is kept by the first writer and left
    // out by the second. The text must be stable from then on.
    FuzzExpectSame(again, ReadBackAndWrite(again, readAndWrite, failure),
                   (failure + " reads back to another one").c_str());
}
