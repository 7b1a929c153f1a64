// The "ScriptUnit" tag on any bytes: the first root of the parsed document
// goes to zScriptUnit::Parse; a unit that reads is written, read and written
// again, and the second text must equal the first.
#include <string>

#include "fuzz/fuzz_support.h"
#include "fuzz/tag_text.h"
#include "script/script_unit.h"

namespace {

std::string ReadAndWrite(const zMetaTag* root, bool /*first*/) {
    zScriptUnit unit(nullptr);
    if (!unit.Parse(nullptr, root)) return std::string();
    return TagText(unit.Serialize(nullptr), "a read script unit cannot be written");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    CheckTagRoundTrip(data, size, ReadAndWrite, "script unit");
    return 0;
}
