#include <zlib.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "io/archive_fs.h"
#include "io/memory_fs.h"
#include "io_fixture.h"
#include "tests/support/archive_entries.h"
#include "tests/support/log_capture.h"

namespace {

using ArchiveTest = IoTest;

std::string ZlibEntry(const std::string& name, const std::string& packed, u32 length) {
    return ArchiveU32(u32(name.size())) + name + std::string(1, '\1') + ArchiveU32(length) + ArchiveU32(u32(packed.size())) +
           packed;
}

std::string Deflate(const std::string& data) {
    uLongf size = compressBound(uLong(data.size()));
    std::string packed(size, '\0');
    compress2(reinterpret_cast<Bytef*>(&packed[0]), &size, reinterpret_cast<const Bytef*>(data.data()),
              uLong(data.size()), 6);
    packed.resize(size);
    return packed;
}

const std::string ZARC = "CRAZ";
const std::string ZARD = "DRAZ";

std::vector<std::string> Names(const zArchive& archive) {
    std::vector<std::string> names;
    for (auto* node = archive.GetEntries().GetHead(); node; node = node->next)
        names.push_back(node->value.name.CStr());
    return names;
}

} // namespace

TEST_F(ArchiveTest, ScansRawEntryOfZarcArchive) {
    WriteHostFile("a.ksa", ZARC + ArchiveRawEntry("a.txt", "hello"));
    zIOArchiveFS fs;
    ASSERT_TRUE(fs.Connect("a.ksa"));
    ASSERT_EQ(fs.GetArchive().GetEntryCount(), 1u);
    const zArchiveEntry* entry = fs.GetArchive().FindEntry("a.txt");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->method, ArchiveMethodRaw);
    EXPECT_EQ(entry->length, 5u);
    EXPECT_EQ(entry->storedLength, 5u);
    EXPECT_EQ(entry->offset, 18u);
    EXPECT_EQ(ReadArchiveEntry(fs, "a.txt"), "hello");
    EXPECT_TRUE(fs.Exists("a.txt"));
    EXPECT_FALSE(fs.Exists("A.TXT"));
    EXPECT_FALSE(fs.GetArchive().HasAlignedHeader());
}

TEST_F(ArchiveTest, WrittenRawArchiveHasExactBytes) {
    zIOArchiveFS fs;
    LogCapture log;
    ASSERT_TRUE(fs.Connect("out.ksa", nullptr, true));
    ASSERT_TRUE(fs.GetArchive().AddFile("a.txt", "hello", 5, -1));
    EXPECT_EQ(fs.GetArchive().FindEntry("a.txt")->offset, 26u);
    EXPECT_EQ(fs.GetArchive().FindEntry("a.txt")->storedLength, 0u);
    fs.Disconnect();
    EXPECT_EQ(log.Text(), "[H] Filesystem connecting to archive 'out.ksa'...\nArchive complete, closing.\n");
    std::string expected = ZARD + ArchiveU32(0) + ArchiveU32(0) + ArchiveRawEntry("a.txt", "hello") + "\xFF\xFF\xFF\xFF";
    EXPECT_EQ(ReadHostFile("out.ksa"), expected);
    EXPECT_EQ(expected.size(), 35u);
}

TEST_F(ArchiveTest, AlignedArchivePutsEveryFieldOnMultiples) {
    zIOArchiveFS fs;
    fs.GetArchive().SetAlignment(16);
    fs.GetArchive().SetSecondHeaderWord(0xABCD);
    ASSERT_TRUE(fs.Connect("al.ksa", nullptr, true));
    ASSERT_TRUE(fs.GetArchive().AddFile("raw.txt", "raw data", 8, -1));
    ASSERT_TRUE(fs.GetArchive().AddFile("packed.txt", std::string(300, 'p').data(), 300, 9));
    fs.Disconnect();

    std::string bytes = ReadHostFile("al.ksa");
    auto Word = [&](size_t at) {
        return u32(u8(bytes[at])) | u32(u8(bytes[at + 1])) << 8 | u32(u8(bytes[at + 2])) << 16 |
               u32(u8(bytes[at + 3])) << 24;
    };
    EXPECT_EQ(bytes.substr(0, 4), ZARD);
    EXPECT_EQ(Word(4), 16u);      // alignment right after the magic
    EXPECT_EQ(Word(16), 0xABCDu); // second word padded
    EXPECT_EQ(Word(32), 7u);      // name length
    EXPECT_EQ(bytes.substr(48, 7), "raw.txt");
    EXPECT_EQ(bytes[64], '\0'); // flags
    EXPECT_EQ(Word(80), 8u);    // L
    EXPECT_EQ(bytes.substr(96, 8), "raw data");
    EXPECT_EQ(Word(112), 10u);
    EXPECT_EQ(bytes.substr(128, 10), "packed.txt");
    EXPECT_EQ(bytes[144], '\1');
    EXPECT_EQ(Word(160), 300u);
    u32 stored = Word(176);
    EXPECT_LT(stored, 300u);
    size_t marker = 192 + stored;
    marker += (16 - marker % 16) % 16;
    EXPECT_EQ(Word(marker), 0xFFFFFFFFu);
    EXPECT_EQ(bytes.size(), marker + 4 + 12);
    EXPECT_EQ(bytes.substr(marker + 4), std::string(12, '\xFF'));

    LogCapture log;
    ASSERT_TRUE(fs.Connect("al.ksa"));
    EXPECT_EQ(log.Text(), "[H] Filesystem connecting to archive 'al.ksa'...\n");
    EXPECT_EQ(Names(fs.GetArchive()), (std::vector<std::string>{"raw.txt", "packed.txt"}));
    EXPECT_EQ(fs.GetArchive().GetAlignment(), 16u);
    EXPECT_EQ(fs.GetArchive().GetSecondHeaderWord(), 0xABCDu);
    for (auto* node = fs.GetArchive().GetEntries().GetHead(); node; node = node->next) {
        EXPECT_EQ(node->value.offset % 16, 0u) << node->value.name.CStr();
    }
    EXPECT_EQ(ReadArchiveEntry(fs, "raw.txt"), "raw data");
    EXPECT_EQ(ReadArchiveEntry(fs, "packed.txt"), std::string(300, 'p'));
}

TEST_F(ArchiveTest, EndMarkerPadsFullAlignmentWhenAligned) {
    zIOArchiveFS fs;
    fs.GetArchive().SetAlignment(4);
    ASSERT_TRUE(fs.Connect("a4.ksa", nullptr, true));
    ASSERT_TRUE(fs.GetArchive().AddFile("abcd", "wxyz", 4, -1));
    fs.Disconnect();
    std::string bytes = ReadHostFile("a4.ksa");
    ASSERT_GE(bytes.size(), 8u);
    EXPECT_EQ(bytes.substr(bytes.size() - 8), std::string(8, '\xFF'));
    EXPECT_EQ(bytes.substr(bytes.size() - 12, 4), "wxyz");
}

TEST_F(ArchiveTest, NameLengthAbove511EndsTheTable) {
    struct Case {
        u32 nameLength;
        u32 entries;
    } cases[] = {{511, 2}, {512, 1}, {0xFFFFFFFF, 1}};
    for (const Case& c : cases) {
        std::string name(c.nameLength == 511 ? 511 : 0, 'n');
        std::string second = c.nameLength == 511 ? ArchiveRawEntry(name, "2") : ArchiveU32(c.nameLength) + "junk";
        WriteHostFile("n.ksa", ZARC + ArchiveRawEntry("first", "1") + second);
        zIOArchiveFS fs;
        LogCapture log;
        ASSERT_TRUE(fs.Connect("n.ksa"));
        EXPECT_EQ(fs.GetArchive().GetEntryCount(), c.entries) << c.nameLength;
        EXPECT_EQ(log.Text(), "[H] Filesystem connecting to archive 'n.ksa'...\n");
    }
}

TEST_F(ArchiveTest, CompressedRoundTripInflatesAtOpen) {
    std::string text;
    for (int i = 0; i < 100; ++i)
        text += "hello";
    zIOArchiveFS fs;
    ASSERT_TRUE(fs.Connect("c.ksa", nullptr, true));
    zIORecord* writer = fs.Open("h.txt", false, true, false);
    ASSERT_NE(writer, nullptr);
    EXPECT_EQ(fs.Write(writer, text.data(), u32(text.size())), u32(text.size()));
    fs.Close(writer);
    fs.Disconnect();

    ASSERT_TRUE(fs.Connect("c.ksa"));
    const zArchiveEntry* entry = fs.GetArchive().FindEntry("h.txt");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->method, ArchiveMethodZlib);
    EXPECT_LT(entry->storedLength, entry->length);
    zIORecord* reader = fs.Open("h.txt", true, false, false);
    ASSERT_NE(reader, nullptr);
    // The data is in memory now: the archive file can go away.
    fs.GetArchive().Close();
    std::string back(text.size(), '\0');
    EXPECT_EQ(fs.Read(reader, &back[0], u32(back.size())), u32(text.size()));
    EXPECT_EQ(back, text);
    fs.Close(reader);
}

TEST_F(ArchiveTest, SeekTableForRawAndCompressedEntries) {
    WriteHostFile("s.ksa",
                  ZARC + ArchiveRawEntry("raw", "0123456789") + ZlibEntry("zip", Deflate("0123456789"), 10));
    zIOArchiveFS fs;
    ASSERT_TRUE(fs.Connect("s.ksa"));
    struct Case {
        i32 offset;
        u32 origin;
        bool ok;
        u32 position;
    } cases[] = {
        {4, SeekFromStart, true, 4},    {11, SeekFromStart, false, 4},   {-1, SeekFromStart, false, 4},
        {6, SeekFromCurrent, true, 10}, {1, SeekFromCurrent, false, 10}, {-11, SeekFromCurrent, false, 10},
        {-3, SeekFromCurrent, true, 7}, {-10, SeekFromEnd, true, 0},     {-11, SeekFromEnd, false, 0},
        {1, SeekFromEnd, false, 0},     {0, SeekFromEnd, true, 10},      {3, 5, true, 10},
    };
    for (const char* name : {"raw", "zip"}) {
        zIORecord* record = fs.Open(name, true, false, false);
        ASSERT_NE(record, nullptr);
        LogCapture log;
        for (const Case& c : cases) {
            EXPECT_EQ(fs.Seek(record, c.offset, c.origin), c.ok)
                << name << " " << c.offset << " " << c.origin;
            EXPECT_EQ(fs.Tell(record), c.position) << name << " " << c.offset << " " << c.origin;
        }
        EXPECT_EQ(log.Text(), "");
        fs.Seek(record, 7, SeekFromStart);
        char rest[8] = {};
        EXPECT_EQ(fs.Read(record, rest, 8), 3u);
        EXPECT_STREQ(rest, "789");
        EXPECT_EQ(fs.Rewind(record), 0u);
        fs.Close(record);
    }
}

TEST_F(ArchiveTest, ModeAndMessageErrors) {
    WriteHostFile("bad.ksa", "XXXX" + ArchiveRawEntry("a", "b"));
    WriteHostFile("r.ksa", ZARC + ArchiveRawEntry("a.txt", "x"));
    zIOArchiveFS fs;
    LogCapture log;
    EXPECT_FALSE(fs.Connect("bad.ksa"));
    EXPECT_EQ(log.Text(),
              "[H] Filesystem connecting to archive 'bad.ksa'...\n[!] Invalid archive type 'bad.ksa'.\n");

    struct Case {
        bool write;
        bool read, writeHandle, append;
        const char* message;
    } cases[] = {
        {true, true, false, false, "[!] Cannot create read handle (r/w mode error).\n"},
        {false, false, true, false, "[!] Cannot create write handle (r/w mode error).\n"},
        {false, true, false, true, "[!] Append mode is not supported.\n"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(c.write ? fs.Connect("w.ksa", nullptr, true) : fs.Connect("r.ksa"));
        log.Reset();
        EXPECT_EQ(fs.Open("a.txt", c.read, c.writeHandle, c.append), nullptr);
        EXPECT_EQ(log.Text(), c.message);
    }
    log.Reset();
    EXPECT_EQ(fs.Open("missing.txt", true, false, false), nullptr);
    EXPECT_EQ(log.Text(), "");
    EXPECT_FALSE(fs.Connect("nothing.ksa"));
    EXPECT_EQ(
        log.Text(),
        "[H] Filesystem connecting to archive 'nothing.ksa'...\n[!] Failed to open archive 'nothing.ksa'.\n");
}

TEST_F(ArchiveTest, DuplicateAliasWritesNothing) {
    zIOArchiveFS fs;
    ASSERT_TRUE(fs.Connect("d.ksa", nullptr, true));
    ASSERT_TRUE(fs.GetArchive().AddFile("a.txt", "one", 3, -1));
    LogCapture log;
    EXPECT_FALSE(fs.GetArchive().AddFile("a.txt", "two", 3, 6));
    EXPECT_EQ(log.Text(), "[!] An entry with alias 'a.txt' already exists.\n");
    EXPECT_EQ(fs.GetArchive().GetEntryCount(), 1u);
    fs.Disconnect();
    std::string bytes = ReadHostFile("d.ksa");
    EXPECT_EQ(bytes, ZARD + ArchiveU32(0) + ArchiveU32(0) + ArchiveRawEntry("a.txt", "one") + "\xFF\xFF\xFF\xFF");
}

TEST_F(ArchiveTest, SecondWriteOnOneHandleFails) {
    zIOArchiveFS fs;
    ASSERT_TRUE(fs.Connect("w.ksa", nullptr, true));
    zIORecord* record = fs.Open("f", false, true, false);
    EXPECT_EQ(fs.Write(record, "abc", 3), 3u);
    LogCapture log;
    EXPECT_EQ(fs.Write(record, "def", 3), 0u);
    EXPECT_EQ(log.Text(),
              "[!] Cannot perform subsequent write to file, this file system does not support streaming.\n");
    EXPECT_EQ(fs.GetSize(record), 3u);
    fs.Close(record);
}

TEST_F(ArchiveTest, WriteReportsBytesAcceptedEvenWhenStoredRaw) {
    zIOArchiveFS fs;
    ASSERT_TRUE(fs.Connect("w.ksa", nullptr, true));
    FileSystemSetCurrent(&fs);
    // Incompressible bytes still count as written.
    std::string noise;
    u32 x = 1;
    for (u32 i = 0; i < 256; ++i) {
        x = x * 1103515245 + 12345;
        noise += char(x >> 8);
    }
    EXPECT_EQ(FileSystemSaveFile("noise.bin", noise.data(), u32(noise.size())), 256u);
    EXPECT_EQ(FileSystemSaveFile("empty.bin", "", 0), 0u);
    FileSystemSetCurrent(nullptr);
    fs.Disconnect();
    ASSERT_TRUE(fs.Connect("w.ksa"));
    EXPECT_EQ(ReadArchiveEntry(fs, "noise.bin"), noise);
}

TEST_F(ArchiveTest, VerboseWriterAndReader) {
    zIOArchiveFS fs;
    LogCapture log;
    ASSERT_TRUE(fs.Connect("v.ksa", nullptr, true, nullptr, true));
    ASSERT_TRUE(fs.GetArchive().AddFile("empty", "", 0, 6)); // nothing to divide by
    ASSERT_TRUE(fs.GetArchive().AddFile("big", std::string(4000, 'a').data(), 4000, 6));
    ASSERT_TRUE(fs.GetArchive().AddFile("raw", "xy", 2, 42)); // no such level: stored raw
    fs.Disconnect();
    std::string text = log.Text();
    EXPECT_NE(text.find("[H] Adding 'empty' to archive...\nWas 0 KB, is now 0 KB (100%).\n"),
              std::string::npos);
    EXPECT_NE(text.find("[H] Adding 'big' to archive...\nWas 4 KB, is now 0 KB ("), std::string::npos);
    EXPECT_NE(text.find("No compression achieved for 'raw', adding uncompressed.\n"), std::string::npos);

    log.Reset();
    ASSERT_TRUE(fs.Connect("v.ksa", nullptr, false, nullptr, true));
    text = log.Text();
    EXPECT_NE(text.find("No index provided, please wait while scanning archive...\nNew entry: "
                        "'empty'\n[method = 1, len = 0, clen = "),
              std::string::npos);
    EXPECT_NE(text.find("New entry: 'raw'\n[method = 0, len = 2, clen = 2, offset = "), std::string::npos);
    EXPECT_NE(text.find("Done, index table built.\n\n"), std::string::npos);
    EXPECT_EQ(ReadArchiveEntry(fs, "empty"), "");
    EXPECT_EQ(ReadArchiveEntry(fs, "raw"), "xy");
}

TEST_F(ArchiveTest, AddFileRefusalsAndRoadSource) {
    zArchive archive;
    LogCapture log;
    EXPECT_FALSE(archive.AddFile("a", "x", 1, -1));
    EXPECT_EQ(log.Text(), "[!] Cannot write 'a' (r/w mode error).\n");
    ASSERT_TRUE(archive.OpenForWriting("x.ksa"));
    log.Reset();
    std::string longName(512, 'n');
    EXPECT_FALSE(archive.AddFile(longName.c_str(), "x", 1, -1));
    EXPECT_EQ(log.Text(), "[!] Entry name '" + longName + "' is longer than 511 bytes.\n");
    WriteHostFile("src.txt", "source");
    EXPECT_TRUE(archive.AddFileFromRoad("src.txt", nullptr, 6));
    EXPECT_TRUE(archive.AddFileFromRoad("src.txt", "alias.txt", -1));
    EXPECT_FALSE(archive.AddFileFromRoad("none.txt", nullptr, -1));
    archive.Close();
    ASSERT_TRUE(archive.OpenForReading("x.ksa"));
    EXPECT_EQ(Names(archive), (std::vector<std::string>{"src.txt", "alias.txt"}));
}

TEST_F(ArchiveTest, UserStreamIsUsedAndLeftOpen) {
    zIOMemoryFS* memory = GetMemoryFileSystem();
    zIORecord* record = memory->Open("mem.ksa", false, true, false);
    std::string bytes = ZARC + ArchiveRawEntry("m", "memory");
    memory->Write(record, bytes.data(), u32(bytes.size()));
    memory->Close(record);

    zIOHandle stream;
    zIOArchiveFS fs;
    LogCapture log;
    EXPECT_FALSE(fs.Connect("mem.ksa", nullptr, false, &stream));
    EXPECT_NE(log.Text().find("[!] Cannot open archive for reading, user stream is not open.\n"),
              std::string::npos);
    EXPECT_FALSE(fs.Connect("mem.ksa", nullptr, true, &stream));
    EXPECT_NE(log.Text().find("[!] Cannot open archive for writing, user stream is not open.\n"),
              std::string::npos);
    ASSERT_TRUE(stream.Open("mem.ksa", true));
    stream.Seek(3, SeekFromStart);
    ASSERT_TRUE(fs.Connect("mem.ksa", nullptr, false, &stream));
    EXPECT_EQ(ReadArchiveEntry(fs, "m"), "memory");
    fs.Disconnect();
    EXPECT_TRUE(stream.IsOpen());
}

// ---- outside data that lies ----

TEST_F(ArchiveTest, EntryPastEndIsRefusedAndEarlierEntriesStay) {
    struct Case {
        const char* what;
        std::string tail;
        const char* message;
    } cases[] = {
        {"raw length past end", ArchiveU32(1) + "b" + std::string(1, '\0') + ArchiveU32(1000) + "short",
         "[!] Archive entry 'b' lies outside archive 't.ksa'.\n"},
        {"stored length wraps", ArchiveU32(1) + "b" + std::string(1, '\1') + ArchiveU32(10) + ArchiveU32(0xFFFFFFF0) + "xx",
         "[!] Archive entry 'b' lies outside archive 't.ksa'.\n"},
        {"truncated name", ArchiveU32(100) + "abc", "[!] Truncated entry table in archive 't.ksa'.\n"},
        {"truncated length", ArchiveU32(1) + "b" + std::string(1, '\0') + "\x01\x00",
         "[!] Truncated entry table in archive 't.ksa'.\n"},
    };
    for (const Case& c : cases) {
        WriteHostFile("t.ksa", ZARC + ArchiveRawEntry("a", "good") + c.tail);
        zIOArchiveFS fs;
        LogCapture log;
        ASSERT_TRUE(fs.Connect("t.ksa")) << c.what;
        EXPECT_EQ(Names(fs.GetArchive()), std::vector<std::string>{"a"}) << c.what;
        EXPECT_EQ(log.Text(), std::string("[H] Filesystem connecting to archive 't.ksa'...\n") + c.message)
            << c.what;
        EXPECT_EQ(ReadArchiveEntry(fs, "a"), "good");
    }
}

TEST_F(ArchiveTest, ImpossibleInflatedLengthIsRefusedAndNextEntryUsable) {
    std::string packed = Deflate("abc");
    WriteHostFile("t.ksa", ZARC + ZlibEntry("bomb", packed, 0x7FFFFFFF) + ArchiveRawEntry("next", "ok"));
    zIOArchiveFS fs;
    LogCapture log;
    ASSERT_TRUE(fs.Connect("t.ksa"));
    EXPECT_EQ(Names(fs.GetArchive()), std::vector<std::string>{"next"});
    EXPECT_NE(log.Text().find("[!] Archive entry 'bomb' claims 2147483647 bytes from "), std::string::npos);
    EXPECT_EQ(ReadArchiveEntry(fs, "next"), "ok");
}

TEST_F(ArchiveTest, FailedInflateFailsTheOpen) {
    std::string packed = Deflate("hello world");
    std::string corrupt = packed;
    corrupt[corrupt.size() / 2] ^= 0x55;
    struct Case {
        const char* what;
        std::string data;
        u32 length;
    } cases[] = {
        {"corrupt stream", corrupt, 11},
        {"shorter than claimed", packed, 12},
        {"longer than claimed", packed, 10},
        {"not zlib at all", "plain text here", 15},
    };
    for (const Case& c : cases) {
        WriteHostFile("z.ksa", ZARC + ZlibEntry("z", c.data, c.length) + ArchiveRawEntry("r", "fine"));
        zIOArchiveFS fs;
        ASSERT_TRUE(fs.Connect("z.ksa")) << c.what;
        LogCapture log;
        EXPECT_EQ(fs.Open("z", true, false, false), nullptr) << c.what;
        EXPECT_EQ(log.Text(), "[!] Failed to inflate 'z' from archive 'z.ksa'.\n"
                              "[!] Failed to allocate stream buffer (size = " +
                                  std::to_string(c.length) + ").\n")
            << c.what;
        EXPECT_EQ(fs.GetOpenHandleCount(), 0u);
        EXPECT_EQ(ReadArchiveEntry(fs, "r"), "fine") << c.what;
    }
}

TEST_F(ArchiveTest, TruncatedHeaders) {
    struct Case {
        std::string bytes;
        const char* message;
    } cases[] = {
        {"", "[!] Invalid archive type 'h.ksa'.\n"},
        {"CRA", "[!] Invalid archive type 'h.ksa'.\n"},
        {ZARD + "\x10\x00", "[!] Truncated archive header in 'h.ksa'.\n"},
        {ZARD + ArchiveU32(16) + "\x00\x00\x00\x00", "[!] Truncated archive header in 'h.ksa'.\n"},
        {ZARD + ArchiveU32(0xFFFFFFFF) + ArchiveU32(0), "[!] Truncated archive header in 'h.ksa'.\n"},
    };
    for (const Case& c : cases) {
        WriteHostFile("h.ksa", c.bytes);
        zIOArchiveFS fs;
        LogCapture log;
        EXPECT_FALSE(fs.Connect("h.ksa"));
        EXPECT_EQ(log.Text(), std::string("[H] Filesystem connecting to archive 'h.ksa'...\n") + c.message);
        EXPECT_FALSE(fs.GetArchive().IsOpen());
    }
}

TEST_F(ArchiveTest, ZardHeaderReadWithFreshState) {
    WriteHostFile("z.ksa", ZARD + ArchiveU32(0) + ArchiveU32(7) + ArchiveRawEntry("a", "A"));
    zIOArchiveFS fs;
    fs.GetArchive().SetAlignment(64); // left over from an earlier archive
    ASSERT_TRUE(fs.Connect("z.ksa"));
    EXPECT_EQ(fs.GetArchive().GetAlignment(), 0u);
    EXPECT_EQ(fs.GetArchive().GetSecondHeaderWord(), 7u);
    EXPECT_EQ(ReadArchiveEntry(fs, "a"), "A");
}

TEST_F(ArchiveTest, RawReadsAreSafeWhileOtherThreadsUseTheRoad) {
    zIOArchiveFS fs;
    ASSERT_TRUE(fs.Connect("mt.ksa", nullptr, true));
    std::vector<std::string> contents;
    for (int i = 0; i < 8; ++i) {
        contents.push_back(std::string(4096 + i, char('a' + i)));
        ASSERT_TRUE(fs.GetArchive().AddFile(("f" + std::to_string(i)).c_str(), contents.back().data(),
                                            u32(contents.back().size()), -1));
    }
    fs.Disconnect();
    ASSERT_TRUE(fs.Connect("mt.ksa"));
    FileSystemSetCurrent(&fs);

    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 50; ++round) {
                int index = (t + round) % 8;
                zIOHandle handle;
                if (!handle.Open(("f" + std::to_string(index)).c_str(), true)) {
                    ++mismatches;
                    continue;
                }
                std::string data;
                char chunk[97];
                while (u32 got = handle.Read(chunk, sizeof(chunk)))
                    data.append(chunk, got);
                if (data != contents[index]) ++mismatches;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches.load(), 0);
    FileSystemSetCurrent(nullptr);
}
