// The project's environment file (.zgp) on any bytes: the bytes are parsed as
// a ZML document and its first root goes to the environment reader. What
// reads is written, read and written again: the second text must equal the
// first.
#include <string>

#include "app/project.h"
#include "engine/engine.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/tag_text.h"

namespace {

std::string ReadAndWrite(zEngine& engine, const zMetaTag* root) {
    zProject project(&engine);
    zMetafile doc;
    // The reader takes a writable tag; a copy keeps the document as parsed.
    zMetaTag* copy = root->Clone(true);
    if (!copy) return std::string();
    bool read = project.ParseRootTag(doc, copy);
    delete copy;
    if (!read) return std::string();
    return TagText(project.BuildRootTag(doc), "a read environment cannot be written");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    zEngine engine;
    CheckTagRoundTrip(
        data, size, [&engine](const zMetaTag* root, bool) { return ReadAndWrite(engine, root); },
        "environment");
    return 0;
}
