// Loading, including and saving through the file road, over the memory file
// system made current.
#include <gtest/gtest.h>

#include <string>

#include "io/file_road.h"
#include "io/handle.h"
#include "io/memory_fs.h"
#include "markup/block_allocator.h"
#include "markup/reader.h"
#include "markup/writer.h"
#include "tests/markup/tree_dump.h"
#include "tests/support/log_capture.h"

namespace {

const std::string Header = "<ZML=1.0>\n";

class MetafileFiles : public ::testing::Test {
protected:
    void SetUp() override {
        FileSystemReset();
        FileSystemSetCurrent(GetMemoryFileSystem());
    }
    void TearDown() override { FileSystemReset(); }

    static void Put(const char* path, const std::string& text) {
        ASSERT_EQ(FileSystemSaveFile(path, text.data(), static_cast<u32>(text.size())), text.size()) << path;
    }
    static std::string Get(const char* path) {
        void* buffer = nullptr;
        u32 size = 0;
        if (!FileSystemLoadFile(path, buffer, size)) return "<missing>";
        std::string text(static_cast<const char*>(buffer), size);
        std::free(buffer);
        return text;
    }
};

bool Contains(const std::string& text, const std::string& piece) {
    return text.find(piece) != std::string::npos;
}

}  // namespace

TEST_F(MetafileFiles, LoadSetsTheFileName) {
    Put("a.zml", Header + "<A=1>");
    zMetafile doc;
    ASSERT_TRUE(LoadMetafileFromFile("a.zml", doc));
    EXPECT_TRUE(doc.GetFileName() == "a.zml");
    EXPECT_EQ(DumpTree(doc), "A = int 1\n");
}

TEST_F(MetafileFiles, LoadFailures) {
    Put("bad.zml", Header + "<A=1><B=?>");
    Put("empty.zml", "");
    zMetafile doc;
    {
        LogCapture capture;
        EXPECT_FALSE(LoadMetafileFromFile(nullptr, doc));
        EXPECT_EQ(capture.Text(), "[!] No filename specified.\n");
    }
    {
        LogCapture capture;
        EXPECT_FALSE(LoadMetafileFromFile("missing.zml", doc));
        EXPECT_TRUE(Contains(capture.Text(), "[*] Could not access file 'missing.zml'.\n")) << capture.Text();
    }
    {
        LogCapture capture;
        EXPECT_FALSE(LoadMetafileFromFile("bad.zml", doc));
        EXPECT_EQ(capture.Text(), "[!] In file 'bad.zml': Unexpected '63' in assignation, metatag 'B'.\n"
                                  "[*] Failed to load metafile 'bad.zml'.\n");
        // What was read before the failure stays.
        EXPECT_EQ(DumpTree(doc), "A = int 1\nB\n");
    }
    {
        LogCapture capture;
        // An empty file has no data to read, as a missing one.
        EXPECT_FALSE(LoadMetafileFromFile("empty.zml", doc));
        EXPECT_EQ(capture.Text(), "[*] Could not access file 'empty.zml'.\n");
    }
    LogCapture quiet;
    EXPECT_EQ(NewMetafileFromFile("bad.zml"), nullptr);
}

// A load or an include that runs out of memory for its tags fails with the
// allocation line and frees the file it read (the leak checker sees the rest).
TEST_F(MetafileFiles, AllocationFailureFailsTheLoad) {
    Put("main.zml", Header + "<R=<A>>");
    Put("outer.zml", Header + "<R=#include(\"main.zml\")>");
    {
        zMetafile doc;
        LogCapture capture;
        ArmBlockAllocationFailure(0);
        EXPECT_FALSE(LoadMetafileFromFile("main.zml", doc));
        DisarmBlockAllocationFailure();
        EXPECT_EQ(capture.Text(), "[!] In file 'main.zml': Failed to allocate memory.\n"
                                  "[*] Failed to load metafile 'main.zml'.\n");
    }
    {
        zMetafile doc;
        LogCapture capture;
        ArmBlockAllocationFailure(1);  // the outer root's chunk, then nothing for the included file
        EXPECT_TRUE(LoadMetafileFromFile("outer.zml", doc));
        DisarmBlockAllocationFailure();
        EXPECT_EQ(capture.Text(), "[!] In file 'main.zml': Failed to allocate memory.\n"
                                  "[*] Failed to load metafile 'main.zml'.\n"
                                  "[!] Failed to include external ZML file 'main.zml' from file 'outer.zml'.\n");
        EXPECT_EQ(DumpTree(doc), "R\n");
    }
    LogCapture quiet;
    ArmBlockAllocationFailure(0);
    EXPECT_EQ(NewMetafileFromFile("main.zml"), nullptr);
    DisarmBlockAllocationFailure();
}

TEST_F(MetafileFiles, NewMetafileFromFile) {
    Put("a.zml", Header + "<A=\"x\">");
    zMetafile* doc = NewMetafileFromFile("a.zml");
    ASSERT_NE(doc, nullptr);
    EXPECT_STREQ(doc->GetString("A;", ""), "x");
    delete doc;
}

TEST_F(MetafileFiles, IncludeTakesTheLastNameAndKeepsOrder) {
    Put("a.zml", Header + "<Wrong>");
    Put("b.zml", Header + "<X=1><Y=<Z>>");
    Put("main.zml", Header + "<R=<First>#include(\"a.zml\" \"b.zml\")<Last>>");
    zMetafile doc;
    LogCapture capture;
    ASSERT_TRUE(LoadMetafileFromFile("main.zml", doc));
    EXPECT_EQ(DumpTree(doc), "R\n  First\n  X = int 1\n  Y\n    Z\n  Last\n");
    EXPECT_EQ(capture.Text(), "");
}

TEST_F(MetafileFiles, AppendInsideAnIncludedFileSeesThatFile) {
    Put("b.zml", Header + "<S=\"in\"><T=#append(<S> \"!\")>");
    Put("main.zml", Header + "<S=\"out\"><R=#include(\"b.zml\")>");
    zMetafile doc;
    ASSERT_TRUE(LoadMetafileFromFile("main.zml", doc));
    EXPECT_EQ(DumpTree(doc), "S = string \"out\"\nR\n  S = string \"in\"\n  T = string \"in!\"\n");
}

TEST_F(MetafileFiles, FailedIncludeIsLoggedAndParsingGoesOn) {
    Put("broken.zml", Header + "<A=?>");
    Put("main.zml", Header + "<R=#include(\"missing.zml\")#include(\"broken.zml\")<After>>");
    zMetafile doc;
    LogCapture capture;
    ASSERT_TRUE(LoadMetafileFromFile("main.zml", doc));
    EXPECT_EQ(DumpTree(doc), "R\n  After\n");
    EXPECT_TRUE(Contains(capture.Text(),
                         "[!] Failed to include external ZML file 'missing.zml' from file 'main.zml'.\n"));
    EXPECT_TRUE(Contains(capture.Text(), "[!] In file 'broken.zml': Unexpected '63' in assignation, metatag 'A'.\n"
                                         "[*] Failed to load metafile 'broken.zml'.\n"
                                         "[!] Failed to include external ZML file 'broken.zml' from file "
                                         "'main.zml'.\n"));
}

TEST_F(MetafileFiles, SelfIncludeIsRefused) {
    Put("self.zml", Header + "<R=#include(\"self.zml\")<Kept>>");
    zMetafile doc;
    LogCapture capture;
    ASSERT_TRUE(LoadMetafileFromFile("self.zml", doc));
    EXPECT_EQ(DumpTree(doc), "R\n  Kept\n");
    EXPECT_EQ(capture.Text(), "[!] Recursive #include of 'self.zml' refused in file 'self.zml'.\n");
}

TEST_F(MetafileFiles, IncludeCycleThroughOtherFilesIsRefused) {
    Put("a.zml", Header + "<A=#include(\"b.zml\")>");
    Put("b.zml", Header + "<B=#include(\"c.zml\")>");
    Put("c.zml", Header + "<C=#include(\"a.zml\")>");
    zMetafile doc;
    LogCapture capture;
    ASSERT_TRUE(LoadMetafileFromFile("a.zml", doc));
    EXPECT_EQ(DumpTree(doc), "A\n  B\n    C\n");
    EXPECT_EQ(capture.Text(), "[!] Recursive #include of 'a.zml' refused in file 'c.zml'.\n");
}

TEST_F(MetafileFiles, IncludeChainsAreCapped) {
    // f0 includes f1, which includes f2, and so on: all names differ.
    const u32 files = MetafileMaxIncludeDepth + 4;
    for (u32 i = 0; i < files; ++i) {
        const std::string next = "f" + std::to_string(i + 1) + ".zml";
        Put(("f" + std::to_string(i) + ".zml").c_str(), Header + "<L=#include(\"" + next + "\")>");
    }
    zMetafile doc;
    LogCapture capture;
    ASSERT_TRUE(LoadMetafileFromFile("f0.zml", doc));
    const std::string refused = "f" + std::to_string(MetafileMaxIncludeDepth + 1) + ".zml";
    EXPECT_EQ(capture.Text(), "[!] Too many nested #include levels for '" + refused + "' in file 'f" +
                                  std::to_string(MetafileMaxIncludeDepth) + ".zml'.\n");
    std::string path;
    for (u32 i = 0; i <= MetafileMaxIncludeDepth; ++i) path += "L:";
    path += ";";
    EXPECT_NE(doc.GetTag(path.c_str()), nullptr);
}

TEST_F(MetafileFiles, IncludedTagsCountTowardsTheNestingCap) {
    std::string deep = Header;
    for (u32 i = 0; i + 2 < MetafileMaxDepth; ++i) deep += "<T=";
    deep += "<T>";
    for (u32 i = 0; i + 2 < MetafileMaxDepth; ++i) deep += ">";
    Put("deep.zml", deep);
    Put("fits.zml", Header + "<I=#include(\"deep.zml\")>");
    Put("over.zml", Header + "<O=<I=#include(\"deep.zml\")>>");
    zMetafile doc;
    EXPECT_TRUE(LoadMetafileFromFile("fits.zml", doc));
    LogCapture capture;
    ASSERT_TRUE(LoadMetafileFromFile("over.zml", doc));
    EXPECT_TRUE(Contains(capture.Text(), "[!] In file 'deep.zml': Tags nested too deep, metatag 'T'.\n"));
    EXPECT_TRUE(Contains(capture.Text(), "[!] Failed to include external ZML file 'deep.zml' from file 'over.zml'.\n"));
}

TEST_F(MetafileFiles, SaveThenLoadGivesTheSameTree) {
    zMetafile doc;
    zMetaTag* root = doc.AddRoot(new zMetaTag("Scene"));
    root->AddChild(new zMetaTag("Name", "c:\\levels\\"));
    root->AddChild(new zMetaTag("Scale", 1e-8f));
    root->AddChild(new zMetaTag("Data", "\x00\xD6\x13\xE0", 4));
    ASSERT_TRUE(SaveMetafile("out.zml", doc));
    EXPECT_EQ(Get("out.zml"),
              Header + "<Scene=\n\t<Name=\"c:\\levels\\\\\">\n\t<Scale=0.00000001>\n\t<Data==7:4@\n*=@=}=J>\n>\n");
    zMetafile back;
    ASSERT_TRUE(LoadMetafileFromFile("out.zml", back));
    EXPECT_EQ(DumpTree(back), DumpTree(doc));
}

TEST_F(MetafileFiles, SaveFailures) {
    zMetafile doc;
    doc.AddRoot(new zMetaTag("B", "abc", 3));
    EXPECT_FALSE(SaveMetafile(nullptr, doc));
    {
        LogCapture capture;
        EXPECT_FALSE(SaveMetafile("disc:/nonexistent-directory-for-tests/out.zml", doc));
        EXPECT_TRUE(Contains(capture.Text(),
                             "[!] Failed to open ML output 'disc:/nonexistent-directory-for-tests/out.zml'.\n"))
            << capture.Text();
    }
    {
        // Data lost in one tag: the file is still written whole, the save says false.
        doc.SetBinaryMethod(9);
        doc.AddRoot(new zMetaTag("After", 2));
        LogCapture capture;
        EXPECT_FALSE(SaveMetafile("lost.zml", doc));
        EXPECT_EQ(Get("lost.zml"), Header + "<B>\n<After=2>\n");
    }
    {
        zMetafile listDoc;
        listDoc.AddRoot(new zMetaTag("L"))->GetValue().SetList();
        LogCapture capture;
        EXPECT_FALSE(SaveMetafile("list.zml", listDoc));
        EXPECT_EQ(Get("list.zml"), Header + "<L");
    }
}

TEST_F(MetafileFiles, WriteTagThroughAHandle) {
    zMetafile doc;
    zMetaTag* tag = doc.AddRoot(new zMetaTag("N"));
    zIOHandle handle;
    ASSERT_TRUE(handle.Open("tag.zml", false, true));
    EXPECT_FALSE(WriteTag(handle, doc, nullptr, 0));
    EXPECT_TRUE(WriteTag(handle, doc, tag, 2));
    handle.Close();
    EXPECT_EQ(Get("tag.zml"), "\t\t<N>\n");
}
