#include <algorithm>
#include <string>
#include <vector>

#include "io/disk_fs.h"
#include "io/handle.h"
#include "io_fixture.h"
#include "tests/support/log_capture.h"

namespace {

using DiskFsTest = IoTest;

std::vector<std::string> List(const char* pattern, bool* ok = nullptr) {
    zList<zString*> names;
    bool listed = GetDiskFileSystem()->ListDirectory(pattern, names);
    if (ok) *ok = listed;
    std::vector<std::string> out;
    for (auto* node = names.GetHead(); node; node = node->next) {
        out.push_back(node->value->CStr());
        delete node->value;
    }
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

TEST_F(DiskFsTest, NameAndCapabilities) {
    EXPECT_STREQ(GetDiskFileSystem()->GetName(), "Disc");
    EXPECT_EQ(GetDiskFileSystem()->GetCapabilities(), 15u);
}

TEST_F(DiskFsTest, OpenModes) {
    struct Case {
        const char* name;
        bool read, write, append;
        const char* writes;
        const char* expected; // file content afterwards; null when the open must fail
    } cases[] = {
        {"read", true, false, false, "zz", "abcdef"},     // "rb": writes refused
        {"write", false, true, false, "zz", "zz"},        // "wb": truncates
        {"update", true, true, false, "zz", "zzcdef"},    // "r+b": in place
        {"append", false, false, true, "zz", "abcdefzz"}, // "a+"
    };
    for (const Case& c : cases) {
        WriteHostFile("m.bin", "abcdef");
        zIODiskFS* disk = GetDiskFileSystem();
        zIORecord* record = disk->Open("m.bin", c.read, c.write, c.append);
        ASSERT_NE(record, nullptr) << c.name;
        disk->Write(record, c.writes, 2);
        EXPECT_TRUE(disk->Close(record));
        EXPECT_EQ(ReadHostFile("m.bin"), c.expected) << c.name;
    }
    EXPECT_EQ(GetDiskFileSystem()->Open("none.bin", true, true, false), nullptr);
    EXPECT_EQ(GetDiskFileSystem()->Open("m.bin", false, false, false), nullptr);
    EXPECT_EQ(GetDiskFileSystem()->Open(nullptr, true, false, false), nullptr);
}

TEST_F(DiskFsTest, DirectoriesAreNeverFiles) {
    std::filesystem::create_directories("textures");
    zIODiskFS* disk = GetDiskFileSystem();
    EXPECT_FALSE(disk->Exists("textures"));
    EXPECT_EQ(disk->Open("textures", true, false, false), nullptr);
    EXPECT_EQ(disk->Open("textures", false, true, false), nullptr);
    EXPECT_EQ(disk->Open("textures", false, false, true), nullptr);
    void* buffer = nullptr;
    EXPECT_EQ(FileSystemLoadFile("textures", buffer), 0u);
    EXPECT_EQ(FileSystemGetFileSize("textures"), 0u);
}

TEST_F(DiskFsTest, WindowsPathsFindFilesWhateverTheCase) {
    WriteHostFile("data/Textures/wall.tga", "wall");
    struct Case {
        const char* path;
        bool exists;
    } cases[] = {
        {"data/Textures/wall.tga", true},   {"data\\Textures\\wall.tga", true},
        {"Data\\TEXTURES\\Wall.TGA", true}, {"DATA/textures/WALL.tga", true},
        {"data/textures/wall.tg", false},   {"data/other/wall.tga", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GetDiskFileSystem()->Exists(c.path), c.exists) << c.path;
        zIOHandle handle;
        EXPECT_EQ(handle.Open(c.path, true), c.exists) << c.path;
    }
}

TEST_F(DiskFsTest, ExactNameWinsOverCaseVariant) {
    WriteHostFile("dir/a.txt", "lower");
    WriteHostFile("dir/A.txt", "upper");
    EXPECT_EQ(GetDiskFileSystem()->ResolvePath("DIR/A.txt"), "dir/A.txt");
    EXPECT_EQ(GetDiskFileSystem()->ResolvePath("DIR\\a.txt"), "dir/a.txt");
}

TEST_F(DiskFsTest, NewFileGoesIntoExistingDirectoryOfOtherCase) {
    std::filesystem::create_directories("Output/Frames");
    EXPECT_EQ(FileSystemSaveFile("output\\frames\\f0001.tga", "tga", 3), 3u);
    EXPECT_EQ(ReadHostFile("Output/Frames/f0001.tga"), "tga");
}

TEST_F(DiskFsTest, ListDirectoryMatchesPatterns) {
    WriteHostFile("a.txt", "");
    WriteHostFile("B.TXT", "");
    WriteHostFile("noext", "");
    WriteHostFile(".hidden", "");
    WriteHostFile("sub/c.txt", "");
    WriteHostFile("sub/d.tga", "");
    struct Case {
        const char* pattern;
        std::vector<std::string> names;
    } cases[] = {
        {"*.*", {".hidden", "B.TXT", "a.txt", "noext", "sub"}},
        {"*", {".hidden", "B.TXT", "a.txt", "noext", "sub"}},
        {"*.txt", {"B.TXT", "a.txt"}},
        {"?.TXT", {"B.TXT", "a.txt"}},
        {"sub/*.txt", {"c.txt"}},
        {"SUB\\*.*", {"c.txt", "d.tga"}},
        {"*.none", {}},
    };
    for (const Case& c : cases) {
        bool ok = false;
        EXPECT_EQ(List(c.pattern, &ok), c.names) << c.pattern;
        EXPECT_TRUE(ok) << c.pattern;
    }
    bool ok = true;
    EXPECT_TRUE(List("missing/*.*", &ok).empty());
    EXPECT_FALSE(ok);
}

TEST_F(DiskFsTest, ListDirectoryEmptiesOutputFirst) {
    WriteHostFile("a.txt", "");
    zList<zString*> names;
    zString stale("stale");
    names.Add(&stale);
    ASSERT_TRUE(GetDiskFileSystem()->ListDirectory("*.txt", names));
    ASSERT_EQ(names.GetCount(), 1u);
    EXPECT_EQ(*names.GetAt(0), "a.txt");
    delete names.GetAt(0);
}

TEST_F(DiskFsTest, SetCurrentDirectory) {
    std::filesystem::create_directories("Work/inner");
    WriteHostFile("Work/inner/x.txt", "x");
    EXPECT_TRUE(GetDiskFileSystem()->SetCurrentDirectory("work\\INNER"));
    EXPECT_TRUE(GetDiskFileSystem()->Exists("x.txt"));
    EXPECT_FALSE(GetDiskFileSystem()->SetCurrentDirectory("nowhere"));
    zString current("unchanged");
    GetDiskFileSystem()->GetCurrentDirectory(current);
    EXPECT_TRUE(current.IsEmpty());
}

TEST_F(DiskFsTest, SeekTellSizeAndCloseAll) {
    WriteHostFile("s.bin", "0123456789");
    zIODiskFS* disk = GetDiskFileSystem();
    zIORecord* record = disk->Open("s.bin", true, false, false);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(disk->GetSize(record), 10u);
    EXPECT_TRUE(disk->Seek(record, 4, SeekFromStart));
    EXPECT_EQ(disk->Tell(record), 4u);
    EXPECT_TRUE(disk->Seek(record, -2, SeekFromEnd));
    EXPECT_EQ(disk->Tell(record), 8u);
    EXPECT_TRUE(disk->Seek(record, 5, 7)); // unknown origin counts as the start
    EXPECT_EQ(disk->Tell(record), 5u);
    EXPECT_EQ(disk->GetSize(record), 10u);
    EXPECT_EQ(disk->Tell(record), 5u);
    EXPECT_EQ(disk->Rewind(record), 0u);
    EXPECT_FALSE(disk->Seek(nullptr, 0, SeekFromStart));
    EXPECT_FALSE(disk->Close(nullptr));
    EXPECT_EQ(disk->GetOpenHandleCount(), 1u);
    disk->CloseAll();
    EXPECT_EQ(disk->GetOpenHandleCount(), 0u);
}

namespace {

// Lets a test take a record off the handle list behind the file system's back.
class ForgetfulDiskFS : public zIODiskFS {
  public:
    void Forget(zIORecord* record) { m_handles.Remove(record); }
};

} // namespace

TEST_F(DiskFsTest, ClosingRecordNotOnTheListLogsItsStream) {
    WriteHostFile("a.txt", "a");
    ForgetfulDiskFS disk;
    zIORecord* record = disk.Open("a.txt", true, false, false);
    ASSERT_NE(record, nullptr);
    disk.Forget(record);
    LogCapture log;
    EXPECT_TRUE(disk.Close(record));
    const std::string text = log.Text();
    const std::string head = "[!] Trying to close a disk handle (";
    const std::string tail = ") that was not opened on this file system.\n";
    ASSERT_GT(text.size(), head.size() + tail.size()) << text;
    EXPECT_EQ(text.compare(0, head.size(), head), 0) << text;
    EXPECT_EQ(text.compare(text.size() - tail.size(), tail.size(), tail), 0) << text;
    std::string number = text.substr(head.size(), text.size() - head.size() - tail.size());
    EXPECT_EQ(number.find_first_not_of("0123456789"), std::string::npos) << number;
    EXPECT_NE(number, "0");
}

TEST_F(DiskFsTest, DevicesAreNeverFiles) {
    zIODiskFS* disk = GetDiskFileSystem();
    EXPECT_FALSE(disk->Exists("/dev/null"));
    EXPECT_EQ(disk->Open("/dev/null", true, false, false), nullptr);
    EXPECT_EQ(disk->GetOpenHandleCount(), 0u);
}

TEST_F(DiskFsTest, WritingAnotherCaseReplacesTheExistingFile) {
    WriteHostFile("Data/Level.ZML", "old");
    EXPECT_EQ(FileSystemSaveFile("data\\level.zml", "new", 3), 3u);
    EXPECT_EQ(ReadHostFile("Data/Level.ZML"), "new");
    EXPECT_FALSE(std::filesystem::exists("data"));
    EXPECT_FALSE(std::filesystem::exists("Data/level.zml"));
}

TEST_F(DiskFsTest, AbsolutePathsAreMatchedWithoutCase) {
    WriteHostFile("sub/a.txt", "abs");
    std::string exact = (m_directory / "sub/a.txt").string();
    std::string mixed = (m_directory / "SUB\\A.TXT").string();
    ASSERT_EQ(mixed.compare(0, 5, "/tmp/"), 0);
    mixed.replace(0, 5, "/TMP\\");
    zIODiskFS* disk = GetDiskFileSystem();
    EXPECT_TRUE(disk->Exists(exact.c_str()));
    EXPECT_TRUE(disk->Exists(mixed.c_str()));
    EXPECT_EQ(zIODiskFS::ResolvePath(mixed.c_str()), exact.c_str());
}
