// The resource archive reader with a separate index: the input is split at
// its first 0 byte into the ZML index "a.idx" and the archive file "a.ksa"
// (an index is text and holds no 0 byte). The entries the index names are
// then read as in the scan target.
#include <string>
#include <vector>

#include "fuzz/archive_check.h"
#include "fuzz/fuzz_support.h"
#include "io/archive_fs.h"
#include "markup/archive_index.h"

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    InstallZmlArchiveIndex();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    std::vector<std::string> files = SplitAtZeroBytes(data, size, 2);
    round.AddFile("a.idx", files[0]);
    if (files.size() > 1) round.AddFile("a.ksa", files[1]);
    zIOArchiveFS fs;
    if (fs.Connect("a.ksa", "a.idx", false, nullptr, true)) ExerciseArchive(fs);
    return 0;
}
