#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "io/memory_fs.h"
#include "io_fixture.h"
#include "tests/support/log_capture.h"

namespace {

using MemoryFsTest = IoTest;

zIORecord* WriteFile(zIOMemoryFS& fs, const char* path, const std::string& bytes) {
    zIORecord* record = fs.Open(path, false, true, false);
    if (record) fs.Write(record, bytes.data(), u32(bytes.size()));
    return record;
}

std::string Content(zIOMemoryFS& fs, const char* path) {
    zIOMemoryFile* file = fs.FindFile(path);
    return file ? std::string(reinterpret_cast<char*>(file->data), file->size) : "<missing>";
}

} // namespace

TEST_F(MemoryFsTest, NameCapabilitiesAndNoDirectories) {
    zIOMemoryFS fs;
    EXPECT_STREQ(fs.GetName(), "Memory");
    EXPECT_EQ(fs.GetCapabilities(), 15u);
    zList<zString*> names;
    EXPECT_FALSE(fs.ListDirectory("*", names));
    EXPECT_FALSE(fs.SetCurrentDirectory("x"));
}

TEST_F(MemoryFsTest, LargeWriteGrowsToPositionPlusCountPlusMargin) {
    zIOMemoryFS fs;
    std::string bytes(10000, 'q');
    zIORecord* record = fs.Open("big", false, true, false);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(fs.FindFile("big")->capacity, 4096u);
    EXPECT_EQ(fs.Write(record, bytes.data(), 10000), 10000u);
    EXPECT_EQ(fs.FindFile("big")->capacity, 18192u);
    EXPECT_EQ(fs.FindFile("big")->size, 10000u);
    EXPECT_EQ(fs.GetSize(record), 10000u);
    fs.Close(record);
    EXPECT_EQ(Content(fs, "big"), bytes);
}

TEST_F(MemoryFsTest, WriteThatCannotGrowReturnsZero) {
    zIOMemoryFS fs;
    zIORecord* record = WriteFile(fs, "f", "abc");
    char byte = 'x';
    // Position + count + margin does not fit 32 bits: nothing is touched.
    EXPECT_EQ(fs.Write(record, &byte, 0xFFFFF000u), 0u);
    EXPECT_EQ(fs.GetSize(record), 3u);
    EXPECT_EQ(fs.Tell(record), 3u);
    fs.Close(record);
    EXPECT_EQ(Content(fs, "f"), "abc");
}

TEST_F(MemoryFsTest, SeekOutsideBoundsFailsAndKeepsPosition) {
    zIOMemoryFS fs;
    fs.Close(WriteFile(fs, "f", "0123456789"));
    zIORecord* record = fs.Open("f", true, false, false);
    fs.Seek(record, 4, SeekFromStart);
    struct Case {
        i32 offset;
        u32 origin;
        bool ok;
        u32 position;
    } cases[] = {
        {11, SeekFromStart, false, 4},     {10, SeekFromStart, true, 10},
        {-11, SeekFromCurrent, false, 10}, {-3, SeekFromCurrent, true, 7},
        {1, SeekFromEnd, false, 7},        {-10, SeekFromEnd, true, 0},
        {-1, SeekFromStart, false, 0},     {5, 9, true, 0},
    };
    for (const Case& c : cases) {
        LogCapture log;
        EXPECT_EQ(fs.Seek(record, c.offset, c.origin), c.ok) << c.offset << " " << c.origin;
        EXPECT_EQ(fs.Tell(record), c.position) << c.offset << " " << c.origin;
        EXPECT_EQ(log.Text(), c.ok ? "" : "[!] Cannot seek outside of file boundaries.\n");
    }
    fs.Close(record);
}

TEST_F(MemoryFsTest, MissingFileReadFailsWriteCreates) {
    zIOMemoryFS fs;
    LogCapture log;
    EXPECT_EQ(fs.Open("x", true, false, false), nullptr);
    EXPECT_EQ(log.Text(), "[!] File 'x' does not exist.\n");
    EXPECT_FALSE(fs.Exists("x"));
    zIORecord* record = fs.Open("x", false, true, false);
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(fs.Exists("x"));
    EXPECT_EQ(fs.GetSize(record), 0u);
    fs.Close(record);
}

TEST_F(MemoryFsTest, WriteRequiresExclusiveAccess) {
    zIOMemoryFS fs;
    zIORecord* writer = WriteFile(fs, "x", "abc");
    LogCapture log;
    EXPECT_EQ(fs.Open("x", false, true, false), nullptr);
    EXPECT_EQ(log.Text(), "[!] Cannot write to file 'x', exclusive access required.\n");
    fs.Close(writer);

    zIORecord* reader = fs.Open("x", true, false, false);
    ASSERT_NE(reader, nullptr);
    log.Reset();
    EXPECT_EQ(fs.Open("x", false, true, true), nullptr);
    EXPECT_EQ(log.Text(), "[!] Cannot write to file 'x', exclusive access required.\n");
    zIORecord* second = fs.Open("x", true, false, false);
    EXPECT_NE(second, nullptr);
    fs.Close(second);
    fs.Close(reader);
}

TEST_F(MemoryFsTest, WriteEmptiesAppendKeeps) {
    zIOMemoryFS fs;
    fs.Close(WriteFile(fs, "f", "abc"));
    zIORecord* append = fs.Open("f", false, true, true);
    EXPECT_EQ(fs.Tell(append), 3u);
    fs.Write(append, "de", 2);
    fs.Close(append);
    EXPECT_EQ(Content(fs, "f"), "abcde");
    fs.Close(WriteFile(fs, "f", "z"));
    EXPECT_EQ(Content(fs, "f"), "z");
}

// Append without write neither writes nor asks for exclusive access: alone it
// opens nothing and creates nothing; with read it is a plain reader.
TEST_F(MemoryFsTest, AppendWithoutWriteIsNoWrite) {
    zIOMemoryFS fs;
    zIORecord* writer = WriteFile(fs, "x", "abc");
    LogCapture log;
    EXPECT_EQ(fs.Open("x", false, false, true), nullptr);
    EXPECT_EQ(fs.Open("new", false, false, true), nullptr);
    EXPECT_EQ(fs.FindFile("new"), nullptr);
    EXPECT_EQ(fs.GetFileCount(), 1u);
    zIORecord* reader = fs.Open("x", true, false, true);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(fs.Tell(reader), 0u);
    char text[4] = {};
    EXPECT_EQ(fs.Read(reader, text, 3), 3u);
    EXPECT_EQ(std::string(text), "abc");
    fs.Close(reader);
    fs.Close(writer);
    EXPECT_EQ(Content(fs, "x"), "abc");
}

TEST_F(MemoryFsTest, ReadCopiesWhatIsLeft) {
    zIOMemoryFS fs;
    fs.Close(WriteFile(fs, "f", "hello"));
    zIORecord* record = fs.Open("f", true, true, false); // reads from 0 even when writing is asked too
    char text[8] = {};
    EXPECT_EQ(fs.Read(record, text, 3), 3u);
    EXPECT_EQ(fs.Read(record, text + 3, 8), 2u);
    EXPECT_EQ(fs.Read(record, text, 8), 0u);
    EXPECT_EQ(std::string(text), "hello");
    EXPECT_EQ(fs.Rewind(record), 0u);
    EXPECT_EQ(fs.Read(nullptr, text, 1), 0u);
    EXPECT_EQ(fs.Write(nullptr, text, 1), 0u);
    fs.Close(record);
}

TEST_F(MemoryFsTest, OpenWithNeitherReadNorWriteDoesNotLeak) {
    zIOMemoryFS fs;
    fs.Close(WriteFile(fs, "f", "a"));
    EXPECT_EQ(fs.Open("f", false, false, false), nullptr);
    EXPECT_EQ(fs.Open(nullptr, true, false, false), nullptr);
    EXPECT_EQ(fs.GetOpenHandleCount(), 0u);
}

TEST_F(MemoryFsTest, ClosingForeignRecordFails) {
    zIOMemoryFS fs;
    zIOMemoryFS other;
    zIORecord* record = WriteFile(other, "f", "a");
    LogCapture log;
    EXPECT_FALSE(fs.Close(record));
    EXPECT_EQ(log.Text(), "[!] Trying to close a memory handle that was not opened on this file system.\n");
    EXPECT_TRUE(other.Close(record));
}

TEST_F(MemoryFsTest, ConsumptionClearAndDestructionWithOpenHandles) {
    zIOMemoryFS fs;
    fs.Close(WriteFile(fs, "a", "12345"));
    WriteFile(fs, "b", ""); // left open
    EXPECT_EQ(fs.GetMemoryConsumption(), 5u + 36u + 36u);
    fs.Clear();
    EXPECT_EQ(fs.GetFileCount(), 0u);
    EXPECT_EQ(fs.GetOpenHandleCount(), 0u);
    EXPECT_EQ(fs.GetMemoryConsumption(), 0u);
    WriteFile(fs, "c", "left open at destruction");
}

TEST_F(MemoryFsTest, AdoptFileKeepsBytesAndRefusesSecondCopy) {
    zIOMemoryFS fs;
    u8* bytes = static_cast<u8*>(std::malloc(3));
    std::memcpy(bytes, "xyz", 3);
    LogCapture log;
    EXPECT_TRUE(fs.AdoptFile("a", bytes, 3));
    EXPECT_EQ(fs.FindFile("a")->data, bytes);
    EXPECT_EQ(fs.FindFile("a")->capacity, 3u);
    EXPECT_EQ(Content(fs, "a"), "xyz");
    // A refused copy is freed (the leak checker sees it otherwise).
    EXPECT_FALSE(fs.AdoptFile("a", static_cast<u8*>(std::malloc(1)), 1));
    EXPECT_FALSE(fs.AdoptFile(nullptr, static_cast<u8*>(std::malloc(1)), 1));
    EXPECT_EQ(log.Text(), "[!] File 'a' already exists.\n");
    EXPECT_EQ(fs.GetFileCount(), 1u);
}

TEST_F(MemoryFsTest, SaveStoredFileToDisk) {
    zIOMemoryFS fs;
    fs.Close(WriteFile(fs, "cache/a.bin", std::string("a\0b", 3)));
    EXPECT_TRUE(fs.SaveFileToDisk("cache/a.bin", "out.bin"));
    EXPECT_EQ(ReadHostFile("out.bin"), std::string("a\0b", 3));
    EXPECT_FALSE(fs.SaveFileToDisk("none", "none.bin"));
    EXPECT_FALSE(std::filesystem::exists("none.bin"));
    EXPECT_FALSE(fs.SaveFileToDisk("cache/a.bin", "no/such/dir/out.bin"));
}

TEST_F(MemoryFsTest, CacheFileHandsTheRoadBytesToTheStore) {
    WriteHostFile("data/a.txt", "cached");
    WriteHostFile("empty.txt", "");
    zIOMemoryFS* memory = GetMemoryFileSystem();
    LogCapture log;
    EXPECT_FALSE(FileSystemCacheFile(nullptr));
    EXPECT_TRUE(FileSystemCacheFile("data/a.txt"));
    EXPECT_EQ(Content(*memory, "data/a.txt"), "cached");
    EXPECT_EQ(memory->FindFile("data/a.txt")->capacity, 6u);
    EXPECT_FALSE(FileSystemCacheFile("empty.txt"));
    EXPECT_EQ(log.Text(), "[|] Caching file data/a.txt, memory consumption = 42...\n"
                          "[!] File source 'empty.txt' not found.\n");

    // The cache now answers even when the disk file is gone.
    std::filesystem::remove("data/a.txt");
    void* buffer = nullptr;
    EXPECT_EQ(FileSystemLoadFile("data/a.txt", buffer), 6u);
    std::free(buffer);
}
