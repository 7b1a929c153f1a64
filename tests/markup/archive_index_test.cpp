#include <string>
#include <vector>

#include "io/archive_fs.h"
#include "markup/archive_index.h"
#include "tests/io/io_fixture.h"
#include "tests/support/archive_entries.h"
#include "tests/support/log_capture.h"

namespace {

class ArchiveIndexTest : public IoTest {
  protected:
    void SetUp() override {
        IoTest::SetUp();
        InstallZmlArchiveIndex();
    }
    void TearDown() override {
        SetArchiveIndexFormat(nullptr);
        IoTest::TearDown();
    }

    // Two entries, "a.txt" raw and "b.txt" compressed.
    static void MakeArchive(const char* path) {
        zArchive archive;
        ASSERT_TRUE(archive.OpenForWriting(path));
        ASSERT_TRUE(archive.AddFile("a.txt", "alpha", 5, -1));
        std::string b(200, 'b');
        ASSERT_TRUE(archive.AddFile("b.txt", b.data(), u32(b.size()), 6));
        archive.Close();
    }
};

std::string Entry(const char* id, int compLen, int len, int offset, const char* method) {
    return std::string("\t<Entry=\n\t\t<ID=\"") + id + "\">\n\t\t<CompLen=" + std::to_string(compLen) +
           ">\n\t\t<Len=" + std::to_string(len) + ">\n\t\t<Offset=" + std::to_string(offset) +
           ">\n\t\t<Method=\"" + method + "\">\n\t>\n";
}

std::string Index(const std::string& body) {
    return "<ZML=1.0>\n<Index=\n" + body + ">\n";
}

} // namespace

TEST_F(ArchiveIndexTest, SavedIndexLoadsBackEqual) {
    MakeArchive("r.ksa");
    zIOArchiveFS fs;
    ASSERT_TRUE(fs.Connect("r.ksa"));
    ASSERT_TRUE(fs.GetArchive().SaveIndex("r.idx"));
    std::string text = ReadHostFile("r.idx");
    EXPECT_EQ(text.find("<ZML=1.0>\n<Index=\n\t<Entry=\n\t\t<ID=\"a.txt\">\n\t\t<CompLen=5>\n\t\t<Len=5>"
                        "\n\t\t<Offset=26>\n"
                        "\t\t<Method=\"Raw\">\n\t>\n"),
              0u);

    std::vector<zArchiveEntry> before;
    for (auto* node = fs.GetArchive().GetEntries().GetHead(); node; node = node->next)
        before.push_back(node->value);
    LogCapture log;
    ASSERT_TRUE(fs.GetArchive().LoadIndex("r.idx"));
    EXPECT_EQ(log.Text(), "[|] Loading archive index 'r.idx'...\n[|] Done, found 2 entries.\n");
    ASSERT_EQ(fs.GetArchive().GetEntryCount(), 2u);
    for (u32 i = 0; i < 2; ++i) {
        const zArchiveEntry* entry = &fs.GetArchive().GetEntries().GetNodeAt(i)->value;
        EXPECT_EQ(entry->name, before[i].name);
        EXPECT_EQ(entry->method, before[i].method);
        EXPECT_EQ(entry->offset, before[i].offset);
        EXPECT_EQ(entry->length, before[i].length);
        EXPECT_EQ(entry->storedLength, before[i].storedLength);
    }
    EXPECT_EQ(ReadArchiveEntry(fs, "b.txt"), std::string(200, 'b'));
}

TEST_F(ArchiveIndexTest, ConnectWithIndexUsesItInsteadOfScanning) {
    MakeArchive("r.ksa");
    // Only the raw entry is listed, so a scan would find more.
    WriteHostFile("one.idx", Index(Entry("a.txt", 0, 5, 26, "Raw")));
    zIOArchiveFS fs;
    LogCapture log;
    ASSERT_TRUE(fs.Connect("r.ksa", "one.idx", false, nullptr, true));
    EXPECT_EQ(
        log.Text(),
        "[H] Filesystem connecting to archive 'r.ksa'...\n[|] Loading archive index 'one.idx'...\n"
        "[|] Done, found 1 entries.\nNew entry: 'a.txt'\n[method = 0, len = 5, clen = 0, offset = 26].\n");
    EXPECT_EQ(ReadArchiveEntry(fs, "a.txt"), "alpha");
    EXPECT_FALSE(fs.Exists("b.txt"));
}

TEST_F(ArchiveIndexTest, UnusableIndexFallsBackToScanning) {
    MakeArchive("r.ksa");
    WriteHostFile("noindex.idx", "<ZML=1.0>\n<Other>\n");
    struct Case {
        const char* index;
        const char* message;
    } cases[] = {
        {"missing.idx", ""},
        {"noindex.idx", "[!] No archive index tag found in 'noindex.idx'.\n"},
    };
    for (const Case& c : cases) {
        zIOArchiveFS fs;
        LogCapture log;
        ASSERT_TRUE(fs.Connect("r.ksa", c.index)) << c.index;
        EXPECT_EQ(fs.GetArchive().GetEntryCount(), 2u) << c.index;
        EXPECT_NE(log.Text().find(c.message), std::string::npos) << log.Text();
        EXPECT_NE(log.Text().find(std::string("[*] Archive index '") + c.index +
                                  "' cannot be used, scanning 'r.ksa' instead.\n"),
                  std::string::npos)
            << log.Text();
        EXPECT_EQ(ReadArchiveEntry(fs, "a.txt"), "alpha");
    }
}

TEST_F(ArchiveIndexTest, NoInstalledFormatFallsBackToScanning) {
    MakeArchive("r.ksa");
    WriteHostFile("r.idx", Index(Entry("a.txt", 0, 5, 26, "Raw")));
    SetArchiveIndexFormat(nullptr);
    zIOArchiveFS fs;
    LogCapture log;
    ASSERT_TRUE(fs.Connect("r.ksa", "r.idx"));
    EXPECT_EQ(fs.GetArchive().GetEntryCount(), 2u);
    EXPECT_NE(log.Text().find("[!] No archive index format installed.\n"), std::string::npos);
    EXPECT_FALSE(fs.GetArchive().SaveIndex("x.idx"));
}

TEST_F(ArchiveIndexTest, BadIndexEntriesAreSkipped) {
    MakeArchive("r.ksa");
    std::string body =
        Entry("a.txt", 0, 5, 26, "Raw") + "\t<Entry=\n\t\t<ID=\"half\">\n\t\t<Len=5>\n\t>\n" + // incomplete
        "\t<Stray=1>\n" + Entry("odd", 0, 5, 26, "Lzma") + Entry("outside", 0, 5, 100000, "Raw") +
        Entry("wrapped", 0, 16, -8, "Raw") + Entry("bomb", 4, 0x7FFFFFFF, 26, "Zlib");
    WriteHostFile("bad.idx", Index(body));
    zIOArchiveFS fs;
    LogCapture log;
    ASSERT_TRUE(fs.Connect("r.ksa", "bad.idx"));
    EXPECT_EQ(log.Text(), "[H] Filesystem connecting to archive 'r.ksa'...\n"
                          "[|] Loading archive index 'bad.idx'...\n"
                          "[!] Incomplete index entry.\n"
                          "[*] Unexpected tag <Stray> in <Index>.\n"
                          "[!] Unknown method 'Lzma' in index entry 'odd'.\n"
                          "[!] Archive entry 'outside' lies outside archive 'r.ksa'.\n"
                          "[!] Archive entry 'wrapped' lies outside archive 'r.ksa'.\n"
                          "[!] Archive entry 'bomb' claims 2147483647 bytes from 4 compressed bytes.\n"
                          "[|] Done, found 1 entries.\n");
    EXPECT_EQ(ReadArchiveEntry(fs, "a.txt"), "alpha");
}
