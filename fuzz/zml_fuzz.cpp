// The ZML text reader on any bytes. The input is split at its first 0 byte
// into two files, "0.zml" (the document) and "1.zml" (a file it may
// #include), both stored in the memory file system; only two files, so that
// nested includes cannot multiply the tree beyond what the input spells out.
//
// A document that loads is written back; the writer's text must read back and
// write again to the same bytes.
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "markup/reader.h"
#include "markup/writer.h"

namespace {

u32 DepthOf(const zLinkedListId& tags) {
    u32 deepest = 0;
    for (zLinkedListEntry* entry = tags.GetHead(); entry; entry = entry->GetNext()) {
        u32 depth = 1 + DepthOf(static_cast<zMetaTag*>(entry)->GetChildren());
        if (depth > deepest) deepest = depth;
    }
    return deepest;
}

void CheckWriterRoundTrip(const zMetafile& doc) {
    // Trees grown past the reader's nesting cap through #include cannot read back.
    if (DepthOf(doc.GetRoots()) > MetafileMaxDepth) return;
    std::string written;
    SerializeMetafile(doc, written);
    zMetafile again;
    again.SetFileName("again.zml");
    if (!ParseMetafile(written.data(), written.size(), again)) FuzzFail("written ZML does not read back");
    std::string rewritten;
    SerializeMetafile(again, rewritten);
    if (rewritten != written) FuzzFail("written ZML reads back to another tree");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    std::vector<std::string> files = SplitAtZeroBytes(data, size, 2);
    round.AddFile("0.zml", files[0]);
    if (files.size() > 1) round.AddFile("1.zml", files[1]);

    zMetafile doc;
    if (LoadMetafileFromFile("0.zml", doc)) CheckWriterRoundTrip(doc);
    return 0;
}
