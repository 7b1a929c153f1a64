// Entry lookup by name: exact and folded matches, the first of same-named
// entries, and tables large enough to grow many times.
#include <cctype>
#include <string>
#include <vector>

#include "io/archive_fs.h"
#include "io_fixture.h"
#include "tests/support/archive_entries.h"
#include "tests/support/log_capture.h"

namespace {

using ArchiveLookupTest = IoTest;

const std::string ZARC = "CRAZ";

// The data of the entry found, or "<none>".
std::string DataOf(zArchive& archive, zIOArchiveFS& fs, const char* name, zArchiveNameMatch match) {
    const zArchiveEntry* entry = archive.FindEntry(name, match);
    if (!entry) return "<none>";
    return ReadArchiveEntry(fs, entry->name.CStr() ? entry->name.CStr() : "");
}

} // namespace

TEST_F(ArchiveLookupTest, ExactAndFoldedLookupsFindTheFirstMatchInFileOrder) {
    WriteHostFile("l.ksa", ZARC + ArchiveRawEntry("Dir/A.txt", "1") + ArchiveRawEntry("dir\\a.TXT", "2") +
                               ArchiveRawEntry("a.txt", "3") + ArchiveRawEntry("a.txt", "4") + ArchiveRawEntry("", "5") +
                               ArchiveRawEntry("b", "6") + ArchiveRawEntry(std::string("c\0d", 3), "7"));
    zIOArchiveFS fs;
    ASSERT_TRUE(fs.Connect("l.ksa"));
    zArchive& archive = fs.GetArchive();
    ASSERT_EQ(archive.GetEntryCount(), 7u);

    struct Case {
        const char* name;
        zArchiveNameMatch match;
        const char* data;
    } cases[] = {
        {"Dir/A.txt", zArchiveNameMatch::Exact, "1"},
        {"dir\\a.TXT", zArchiveNameMatch::Exact, "2"},
        {"dir/a.txt", zArchiveNameMatch::Exact, "<none>"},
        {"DIR/A.TXT", zArchiveNameMatch::Exact, "<none>"},
        {"dir/a.txt", zArchiveNameMatch::Folded, "1"},
        {"dIr\\A.tXt", zArchiveNameMatch::Folded, "1"},
        {"a.txt", zArchiveNameMatch::Exact, "3"}, // the first of two same-named entries
        {"A.TXT", zArchiveNameMatch::Folded, "3"},
        {"a.txt/", zArchiveNameMatch::Folded, "<none>"},
        {"a.tx", zArchiveNameMatch::Folded, "<none>"},
        {"", zArchiveNameMatch::Exact, "5"},
        {"", zArchiveNameMatch::Folded, "5"},
        {"B", zArchiveNameMatch::Exact, "<none>"},
        {"B", zArchiveNameMatch::Folded, "6"},
        {"c", zArchiveNameMatch::Exact, "7"}, // a name is compared up to its first 0 byte
        {"c\\", zArchiveNameMatch::Folded, "<none>"},
        {"missing", zArchiveNameMatch::Folded, "<none>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DataOf(archive, fs, c.name, c.match), c.data);
    }
    EXPECT_EQ(archive.FindEntry(nullptr), nullptr);
    EXPECT_EQ(archive.FindEntry(nullptr, zArchiveNameMatch::Folded), nullptr);
    // The file system keeps exact names.
    EXPECT_TRUE(fs.Exists("Dir/A.txt"));
    EXPECT_FALSE(fs.Exists("dir/a.txt"));
    EXPECT_EQ(ReadArchiveEntry(fs, "a.txt"), "3");
}

TEST_F(ArchiveLookupTest, LargeTableFindsEveryEntryAndKeepsFirstDuplicates) {
    // Enough entries to grow the table many times; every 97th name appears a
    // second time with other data, and every 89th once more in upper case.
    constexpr u32 EntryCount = 20000;
    std::string bytes = ZARC;
    for (u32 i = 0; i < EntryCount; ++i) {
        std::string name = "data/dir" + std::to_string(i % 37) + "/file" + std::to_string(i) + ".bin";
        bytes += ArchiveRawEntry(name, "first" + std::to_string(i));
        if (i % 97 == 0) bytes += ArchiveRawEntry(name, "second");
        if (i % 89 == 0) {
            std::string upper = name;
            for (char& c : upper) c = char(std::toupper(u8(c)));
            bytes += ArchiveRawEntry(upper, "upper");
        }
    }
    WriteHostFile("big.ksa", bytes);
    zIOArchiveFS fs;
    ASSERT_TRUE(fs.Connect("big.ksa"));
    zArchive& archive = fs.GetArchive();
    for (u32 i = 0; i < EntryCount; ++i) {
        std::string name = "data/dir" + std::to_string(i % 37) + "/file" + std::to_string(i) + ".bin";
        std::string expected = "first" + std::to_string(i);
        const zArchiveEntry* exact = archive.FindEntry(name.c_str());
        ASSERT_NE(exact, nullptr) << name;
        ASSERT_EQ(ReadArchiveEntry(fs, name.c_str()), expected);
        std::string folded = name;
        for (char& c : folded) c = c == '/' ? '\\' : char(std::toupper(u8(c)));
        ASSERT_EQ(archive.FindEntry(folded.c_str(), zArchiveNameMatch::Folded), exact) << folded;
        if (i % 89 == 0) {
            for (char& c : folded) c = c == '\\' ? '/' : c;
            const zArchiveEntry* upper = archive.FindEntry(folded.c_str());
            ASSERT_NE(upper, nullptr);
            EXPECT_NE(upper, exact);
        } else {
            ASSERT_EQ(archive.FindEntry(folded.c_str()), nullptr) << folded;
        }
        std::string missing = name + "x";
        ASSERT_EQ(archive.FindEntry(missing.c_str(), zArchiveNameMatch::Folded), nullptr);
    }
}

TEST_F(ArchiveLookupTest, WrittenArchiveFindsEntriesAsTheyAreAdded) {
    zIOArchiveFS fs;
    ASSERT_TRUE(fs.Connect("w.ksa", nullptr, true));
    zArchive& archive = fs.GetArchive();
    for (u32 i = 0; i < 3000; ++i) {
        std::string name = "e" + std::to_string(i);
        ASSERT_TRUE(archive.AddFile(name.c_str(), name.data(), u32(name.size()), i % 2 ? 6 : -1));
        ASSERT_NE(archive.FindEntry(name.c_str()), nullptr);
        // Refused duplicates are found through the table too.
        if (i % 500 == 0) {
            LogCapture log;
            ASSERT_FALSE(archive.AddFile(name.c_str(), "x", 1, -1));
            EXPECT_EQ(log.Text(), "[!] An entry with alias '" + name + "' already exists.\n");
        }
    }
    ASSERT_EQ(archive.GetEntryCount(), 3000u);
    fs.Disconnect();
    ASSERT_TRUE(fs.Connect("w.ksa"));
    for (u32 i = 0; i < 3000; i += 7) {
        std::string name = "e" + std::to_string(i);
        ASSERT_EQ(ReadArchiveEntry(fs, name.c_str()), name);
    }
}
