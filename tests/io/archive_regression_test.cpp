// Archive inputs that once broke a reader, each kept as the smallest file
// that showed the fault.
#include <string>

#include "io/archive_fs.h"
#include "io_fixture.h"
#include "tests/support/archive_entries.h"

namespace {

std::string U32(u32 value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i) bytes.push_back(char((value >> (8 * i)) & 0xFF));
    return bytes;
}

class ArchiveRegressionTest : public IoTest {};

} // namespace

// A name of length 0 was scanned into a string without buffer, which never
// compared equal to "": the entry could not be opened again.
TEST_F(ArchiveRegressionTest, EmptyEntryNameOpensAfterScan) {
    WriteHostFile("e.ksa", std::string("CRAZ") + U32(0) + '\0' + U32(1) + "x");
    zIOArchiveFS fs;
    ASSERT_TRUE(fs.Connect("e.ksa"));
    ASSERT_EQ(fs.GetArchive().GetEntryCount(), 1u);
    EXPECT_TRUE(fs.Exists(""));
    EXPECT_EQ(ReadArchiveEntry(fs, ""), "x");
}

TEST_F(ArchiveRegressionTest, EmptyEntryNameWrittenReadsBack) {
    for (i32 level : {-1, 6}) {
        zArchive archive;
        ASSERT_TRUE(archive.OpenForWriting("w.ksa"));
        ASSERT_TRUE(archive.AddFile("", "data", 4, level));
        ASSERT_TRUE(archive.AddFile("next", "more", 4, level));
        archive.Close();
        zIOArchiveFS fs;
        ASSERT_TRUE(fs.Connect("w.ksa"));
        EXPECT_EQ(ReadArchiveEntry(fs, ""), "data") << level;
        EXPECT_EQ(ReadArchiveEntry(fs, "next"), "more") << level;
    }
}
