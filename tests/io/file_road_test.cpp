#include <cstdlib>
#include <cstring>

#include "io/archive_fs.h"
#include "io/disk_fs.h"
#include "io/handle.h"
#include "io/memory_fs.h"
#include "io_fixture.h"
#include "tests/support/memory_files.h"
#include "tests/support/log_capture.h"

namespace {

using FileRoadTest = IoTest;

std::string ReadAll(const char* path) {
    zIOHandle handle;
    if (!handle.Open(path, true)) return "<missing>";
    std::string text(handle.GetSize(), '\0');
    text.resize(handle.Read(&text[0], u32(text.size())));
    return text;
}

// Reports a size larger than what it delivers, like a file cut while read.
class ShortReadFS : public zIOMemoryFS {
  public:
    u32 GetSize(zIORecord* record) override { return zIOMemoryFS::GetSize(record) + 10; }
};

} // namespace

TEST_F(FileRoadTest, LoadsWholeFileWithTerminator) {
    WriteHostFile("a.txt", "hello");
    void* buffer = nullptr;
    EXPECT_EQ(FileSystemLoadFile("a.txt", buffer), 5u);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(std::string(static_cast<char*>(buffer)), "hello");
    std::free(buffer);
}

TEST_F(FileRoadTest, EmptyFileLoadsAsSuccessThroughSizedForm) {
    WriteHostFile("empty.txt", "");
    void* buffer = nullptr;
    u32 size = 99;
    ASSERT_TRUE(FileSystemLoadFile("empty.txt", buffer, size));
    EXPECT_EQ(size, 0u);
    ASSERT_NE(buffer, nullptr);
    std::free(buffer);
    EXPECT_FALSE(FileSystemLoadFile("missing.txt", buffer, size));
    EXPECT_EQ(buffer, nullptr);
}

TEST_F(FileRoadTest, LoadFileShorterThanSizeFails) {
    ShortReadFS shortFs;
    zIORecord* record = shortFs.Open("cut.bin", false, true, false);
    shortFs.Write(record, "abc", 3);
    shortFs.Close(record);
    FileSystemSetCurrent(&shortFs);
    LogCapture log;
    void* buffer = reinterpret_cast<void*>(1);
    EXPECT_EQ(FileSystemLoadFile("cut.bin", buffer), 0u);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(log.Text(), "[!] Short read of file 'cut.bin' (3 of 13 bytes).\n");
    FileSystemSetCurrent(nullptr);
}

TEST_F(FileRoadTest, CachedFileWinsForReadsButWritesGoToCurrent) {
    WriteHostFile("a.txt", "disk");
    PutMemoryFile("a.txt", "cache");
    EXPECT_EQ(ReadAll("a.txt"), "cache");

    zIOHandle out;
    ASSERT_TRUE(out.Open("a.txt", false, true));
    EXPECT_EQ(out.GetFileSystem(), GetDiskFileSystem());
    out.Write("new", 3);
    out.Close();
    EXPECT_EQ(ReadHostFile("a.txt"), "new");
    EXPECT_EQ(ReadAll("a.txt"), "cache");
}

TEST_F(FileRoadTest, DiscPrefixOpensDiskAndNeverTriesFallbacks) {
    WriteHostFile("data/a.txt", "on disk");
    zIOMemoryFS other;
    FileSystemSetCurrent(&other);
    EXPECT_EQ(ReadAll("disc:data/a.txt"), "on disk");

    zIOMemoryFS fallback;
    zIORecord* record = fallback.Open("data/b.txt", false, true, false);
    fallback.Write(record, "x", 1);
    fallback.Close(record);
    FileSystemAddFallback(&fallback);
    EXPECT_EQ(ReadAll("data/b.txt"), "x");
    EXPECT_EQ(ReadAll("disc:data/b.txt"), "<missing>");
    EXPECT_TRUE(FileSystemExists("data/b.txt"));
    EXPECT_FALSE(FileSystemExists("disc:data/b.txt"));
    FileSystemReset();
}

TEST_F(FileRoadTest, SearchPathsServeReadsOnly) {
    WriteHostFile("mods/a.txt", "modded");
    FileSystemAddSearchPath("mods");
    zIOHandle in;
    ASSERT_TRUE(in.Open("a.txt", true));
    char text[6];
    EXPECT_EQ(in.Read(text, 6), 6u);
    EXPECT_EQ(std::string(text, 6), "modded");

    EXPECT_TRUE(FileSystemSaveFile("a.txt", "top", 3) == 3);
    EXPECT_EQ(ReadHostFile("a.txt"), "top");
    EXPECT_EQ(ReadHostFile("mods/a.txt"), "modded");

    zString path("a.txt");
    EXPECT_TRUE(FileSystemExistsInSearchPaths(path));
    EXPECT_EQ(path, "a.txt");
    zString other("b.txt");
    WriteHostFile("mods/b.txt", "b");
    EXPECT_TRUE(FileSystemExistsInSearchPaths(other));
    EXPECT_EQ(other, "mods/b.txt");
}

TEST_F(FileRoadTest, StripSearchPathCutsFirstMatchingPrefix) {
    FileSystemAddSearchPath("mods/");
    FileSystemAddSearchPath("data/");
    struct Case {
        const char* path;
        bool stripped;
        const char* result;
    } cases[] = {
        {"mods/a.txt", true, "a.txt"},
        {"data\\x\\y.tga", true, "x/y.tga"},
        {"other/a.txt", false, "other/a.txt"},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        zString path(c.path);
        EXPECT_EQ(FileSystemStripSearchPath(path), c.stripped) << c.path;
        if (c.stripped || *c.path) {
            EXPECT_STREQ(path.CStr(), c.result) << c.path;
        }
    }
}

TEST_F(FileRoadTest, StripSearchPathWithoutSlashKeepsPathsRelative) {
    FileSystemAddSearchPath("data");
    struct Case {
        const char* path;
        bool stripped;
        const char* result;
    } cases[] = {
        {"data/a/b.tga", true, "a/b.tga"},
        {"database/a.tga", false, "database/a.tga"},
        {"data", true, ""},
    };
    for (const Case& c : cases) {
        zString path(c.path);
        EXPECT_EQ(FileSystemStripSearchPath(path), c.stripped) << c.path;
        EXPECT_STREQ(path.IsEmpty() ? "" : path.CStr(), c.result) << c.path;
    }
}

TEST_F(FileRoadTest, FallbackAddedTwiceIsKeptOnce) {
    zIOMemoryFS fallback;
    LogCapture log;
    EXPECT_TRUE(FileSystemAddFallback(&fallback));
    EXPECT_TRUE(FileSystemAddFallback(&fallback));
    EXPECT_EQ(FileSystemGetFallbackCount(), 1u);
    EXPECT_EQ(log.Text(), "[*] Fallback file system already queued.\n");
    FileSystemRemoveFallback(&fallback);
    EXPECT_EQ(FileSystemGetFallbackCount(), 0u);
}

TEST_F(FileRoadTest, CachingLogsConsumptionAndRefusesSecondCopy) {
    WriteHostFile("a.txt", "hello");
    LogCapture log;
    EXPECT_TRUE(FileSystemCacheFile("a.txt"));
    EXPECT_EQ(log.Text(), "[|] Caching file a.txt, memory consumption = 41...\n");
    log.Reset();
    EXPECT_FALSE(FileSystemCacheFile("a.txt"));
    EXPECT_EQ(log.Text(), "[!] File 'a.txt' already exists.\n");
    log.Reset();
    EXPECT_FALSE(FileSystemCacheFile("nothing.txt"));
    EXPECT_EQ(log.Text(), "[!] File source 'nothing.txt' not found.\n");
}

TEST_F(FileRoadTest, ResolvePrefixRefusesNullArguments) {
    zIOBaseFS* fs = nullptr;
    const char* rest = nullptr;
    LogCapture log;
    EXPECT_FALSE(FileSystemResolvePrefix(nullptr, fs, rest));
    EXPECT_EQ(log.Text(), "[!] Invalid argument.\n");
    EXPECT_TRUE(FileSystemResolvePrefix("disc:x/y", fs, rest));
    EXPECT_EQ(fs, GetDiskFileSystem());
    EXPECT_STREQ(rest, "x/y");
}

TEST_F(FileRoadTest, SetCurrentReturnsPreviousAndNullSelectsDisk) {
    zIOMemoryFS other;
    EXPECT_EQ(FileSystemSetCurrent(&other), GetDiskFileSystem());
    EXPECT_EQ(FileSystemGetCurrent(), &other);
    EXPECT_EQ(FileSystemSetCurrent(nullptr), &other);
    EXPECT_EQ(FileSystemGetCurrent(), GetDiskFileSystem());
}

TEST_F(FileRoadTest, SizeCopyAndMissingFiles) {
    WriteHostFile("src.bin", std::string("a\0b", 3));
    EXPECT_EQ(FileSystemGetFileSize("src.bin"), 3u);
    EXPECT_EQ(FileSystemGetFileSize("none.bin"), 0u);
    EXPECT_EQ(FileSystemCopyFile("src.bin", "dst.bin"), 3u);
    EXPECT_EQ(ReadHostFile("dst.bin"), std::string("a\0b", 3));
    EXPECT_EQ(FileSystemCopyFile("none.bin", "x.bin"), 0u);
    EXPECT_FALSE(std::filesystem::exists("x.bin"));
}

TEST_F(FileRoadTest, WriteWhileReadOnlyArchiveIsCurrentGoesToDisk) {
    // An archive holding one entry, mounted for reading as the current file system.
    zIOArchiveFS archive;
    ASSERT_TRUE(archive.Connect("res.ksa", nullptr, true));
    ASSERT_TRUE(archive.GetArchive().AddFile("in.txt", "abc", 3, -1));
    archive.Disconnect();
    ASSERT_TRUE(archive.Connect("res.ksa"));
    FileSystemSetCurrent(&archive);

    LogCapture log;
    EXPECT_EQ(FileSystemSaveFile("frame0001.tga", "pixels", 6), 6u);
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(ReadHostFile("frame0001.tga"), "pixels");
    EXPECT_EQ(ReadAll("in.txt"), "abc");
    FileSystemSetCurrent(nullptr);
}

TEST_F(FileRoadTest, ExistsAsksCurrentAndFallbacksOnly) {
    WriteHostFile("disk.txt", "d");
    WriteHostFile("mods/searched.txt", "s");
    PutMemoryFile("cached.txt", "c");
    zIOMemoryFS fallback;
    zIORecord* record = fallback.Open("late.txt", false, true, false);
    fallback.Close(record);
    FileSystemAddFallback(&fallback);
    FileSystemAddSearchPath("mods");
    struct Case {
        const char* path;
        bool exists;
    } cases[] = {
        {"disk.txt", true},       {"disc:disk.txt", true}, {"late.txt", true},
        {"disc:late.txt", false}, {"cached.txt", false},   {"searched.txt", false},
    };
    LogCapture log;
    for (const Case& c : cases)
        EXPECT_EQ(FileSystemExists(c.path), c.exists) << c.path;
    EXPECT_EQ(log.Text(), "");
    EXPECT_FALSE(FileSystemExists(nullptr));
    EXPECT_EQ(log.Text(), "[!] Invalid argument.\n");
}

TEST_F(FileRoadTest, ExistsInSearchPathsAsksFallbacksToo) {
    zIOMemoryFS fallback;
    fallback.Close(fallback.Open("mods/f.txt", false, true, false));
    FileSystemAddFallback(&fallback);
    FileSystemAddSearchPath("mods");
    zString path("f.txt");
    EXPECT_TRUE(FileSystemExistsInSearchPaths(path));
    EXPECT_EQ(path, "mods/f.txt");
    zString missing("g.txt");
    EXPECT_FALSE(FileSystemExistsInSearchPaths(missing));
}

TEST_F(FileRoadTest, SearchPathsKeepDuplicatesAndCanBeReplaced) {
    FileSystemAddSearchPath("a");
    FileSystemAddSearchPath("a");
    EXPECT_EQ(FileSystemGetSearchPathCount(), 2u);

    WriteHostFile("x/f.txt", "from x");
    WriteHostFile("y/f.txt", "from y");
    WriteHostFile("y/g.txt", "only y");
    zList<zString> paths;
    paths.Add(zString("x"));
    paths.Add(zString("y"));
    FileSystemSetSearchPaths(paths);
    EXPECT_EQ(FileSystemGetSearchPathCount(), 2u);
    EXPECT_EQ(ReadAll("f.txt"), "from x");
    EXPECT_EQ(ReadAll("g.txt"), "only y");
}

TEST_F(FileRoadTest, FallbacksAreTriedInOrderWithSearchPathsAndNeverWritten) {
    zIOMemoryFS first;
    zIOMemoryFS second;
    zIORecord* record = first.Open("mods/f.txt", false, true, false);
    first.Write(record, "first", 5);
    first.Close(record);
    record = second.Open("f.txt", false, true, false);
    second.Write(record, "second", 6);
    second.Close(record);
    FileSystemAddFallback(&first);
    FileSystemAddFallback(&second);
    FileSystemAddSearchPath("mods");

    zIOHandle handle;
    ASSERT_TRUE(handle.Open("f.txt", true));
    EXPECT_EQ(handle.GetFileSystem(), &first);
    char text[8] = {};
    EXPECT_EQ(handle.Read(text, 8), 5u);
    EXPECT_STREQ(text, "first");
    handle.Close();

    // A write that the current file system refuses goes nowhere else.
    EXPECT_EQ(FileSystemSaveFile("nodir/f.txt", "x", 1), 0u);
    EXPECT_FALSE(first.Exists("nodir/f.txt"));
    EXPECT_FALSE(second.Exists("nodir/f.txt"));
    EXPECT_FALSE(GetMemoryFileSystem()->Exists("nodir/f.txt"));
}

TEST_F(FileRoadTest, NullFallbackIsRefused) {
    EXPECT_FALSE(FileSystemAddFallback(nullptr));
    EXPECT_EQ(FileSystemGetFallbackCount(), 0u);
    EXPECT_FALSE(FileSystemExists("anything.txt"));
}

TEST_F(FileRoadTest, ReadModeArchiveSendsEveryWritingOpenToDisk) {
    zIOArchiveFS archive;
    ASSERT_TRUE(archive.Connect("res.ksa", nullptr, true));
    ASSERT_TRUE(archive.GetArchive().AddFile("in.txt", "abc", 3, -1));
    archive.Disconnect();
    ASSERT_TRUE(archive.Connect("res.ksa"));
    FileSystemSetCurrent(&archive);
    struct Case {
        const char* name;
        bool read, write, append;
        const char* expected; // host file afterwards
    } cases[] = {
        {"write", false, true, false, "zz"},
        {"update", true, true, false, "zzcdef"},
        {"append", false, false, true, "abcdefzz"},
        {"read append", true, false, true, "abcdefzz"},
    };
    LogCapture log;
    for (const Case& c : cases) {
        WriteHostFile("out.bin", "abcdef");
        zIOHandle handle;
        ASSERT_TRUE(handle.Open("out.bin", c.read, c.write, c.append)) << c.name;
        EXPECT_EQ(handle.GetFileSystem(), GetDiskFileSystem()) << c.name;
        EXPECT_EQ(handle.Write("zz", 2), 2u) << c.name;
        handle.Close();
        EXPECT_EQ(ReadHostFile("out.bin"), c.expected) << c.name;
    }
    EXPECT_EQ(log.Text(), "");
    // Reads still come from the archive.
    zIOHandle in;
    ASSERT_TRUE(in.Open("in.txt", true));
    EXPECT_EQ(in.GetFileSystem(), &archive);
    in.Close();
    FileSystemSetCurrent(nullptr);
}

TEST_F(FileRoadTest, SaveOfEmptyFileIntoWriteModeArchiveKeepsTheEntry) {
    zIOArchiveFS archive;
    ASSERT_TRUE(archive.Connect("out.ksa", nullptr, true));
    FileSystemSetCurrent(&archive);
    EXPECT_EQ(FileSystemSaveFile("empty.txt", "", 0), 0u);
    EXPECT_EQ(FileSystemSaveFile("full.txt", "abc", 3), 3u);
    FileSystemSetCurrent(nullptr);
    EXPECT_FALSE(std::filesystem::exists("empty.txt"));
    archive.Disconnect();

    ASSERT_TRUE(archive.Connect("out.ksa"));
    ASSERT_TRUE(archive.Exists("empty.txt"));
    EXPECT_TRUE(archive.Exists("full.txt"));
    FileSystemSetCurrent(&archive);
    void* buffer = nullptr;
    u32 size = 99;
    EXPECT_TRUE(FileSystemLoadFile("empty.txt", buffer, size));
    EXPECT_EQ(size, 0u);
    std::free(buffer);
    FileSystemSetCurrent(nullptr);

    // On the disk too an empty save leaves an empty file.
    EXPECT_EQ(FileSystemSaveFile("empty.txt", "", 0), 0u);
    EXPECT_TRUE(std::filesystem::exists("empty.txt"));
    EXPECT_EQ(FileSystemSaveFile("null.txt", nullptr, 0), 0u);
    EXPECT_TRUE(std::filesystem::exists("null.txt"));
}
