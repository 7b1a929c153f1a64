// The resource archive reader on any bytes: the input is the archive file
// "a.ksa" in the memory file system, connected through the file road without
// an index so that its entry table is scanned; every entry is then read,
// whole and by seeks.
//
// Every entry that reads whole is written into a new archive (alternately
// stored and compressed); scanning that archive must give the same entries.
#include "fuzz/archive_check.h"
#include "fuzz/fuzz_support.h"
#include "io/archive_fs.h"

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    round.AddFile("a.ksa", data, size);
    zIOArchiveFS fs;
    if (fs.Connect("a.ksa", nullptr, false, nullptr, true)) ExerciseArchive(fs);
    return 0;
}
