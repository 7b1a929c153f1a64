#include <string>

#include "markup/meta_object.h"
#include "markup/reader.h"
#include "tests/io/io_fixture.h"
#include "tests/support/log_capture.h"

namespace {

using MetaObjectTest = IoTest;

// Remembers the root it parsed and builds a root with one int child.
class Sample : public zMetaObject {
  public:
    bool ParseRootTag(zMetafile& /*doc*/, zMetaTag* root) override {
        parsed = root->GetName().CStr();
        ++parseCount;
        return parsed == "Sample";
    }
    zMetaTag* BuildRootTag(zMetafile& /*doc*/) override {
        if (!buildable) return nullptr;
        zMetaTag* root = new zMetaTag("Sample");
        root->AddChild(new zMetaTag("Value", i32(7)));
        return root;
    }

    std::string parsed;
    int parseCount = 0;
    bool buildable = true;
};

} // namespace

TEST_F(MetaObjectTest, LoadReadsOnlyTheFirstRoot) {
    WriteHostFile("two.zml", "<ZML=1.0>\n<Sample=\n\t<Value=1>\n>\n<Other>\n");
    Sample sample;
    EXPECT_TRUE(sample.LoadFromFile("two.zml"));
    EXPECT_EQ(sample.parsed, "Sample");
    EXPECT_EQ(sample.parseCount, 1);

    WriteHostFile("other.zml", "<ZML=1.0>\n<Other>\n<Sample>\n");
    EXPECT_FALSE(sample.LoadFromFile("other.zml"));
    EXPECT_EQ(sample.parsed, "Other");
}

TEST_F(MetaObjectTest, DocumentWithoutRootsFails) {
    WriteHostFile("empty.zml", "<ZML=1.0>\n");
    Sample sample;
    LogCapture log;
    EXPECT_FALSE(sample.LoadFromFile("empty.zml"));
    EXPECT_EQ(log.Text(), "[!] No root tag in 'empty.zml'.\n");
    EXPECT_EQ(sample.parseCount, 0);
    log.Reset();
    EXPECT_FALSE(sample.LoadFromFile("missing.zml"));
    EXPECT_EQ(sample.parseCount, 0);
}

// A document that fails to parse keeps the tags read so far; none of them may
// reach the object.
TEST_F(MetaObjectTest, DocumentThatFailsToParseIsNotRead) {
    WriteHostFile("broken.zml", "<ZML=1.0>\n<Sample=\n\t<Value=?>\n>\n");
    Sample sample;
    LogCapture log;
    EXPECT_FALSE(sample.LoadFromFile("broken.zml"));
    EXPECT_EQ(sample.parseCount, 0);
    EXPECT_EQ(log.Text(), "[!] In file 'broken.zml': Unexpected '63' in assignation, metatag 'Value'.\n"
                          "[*] Failed to load metafile 'broken.zml'.\n");
}

TEST_F(MetaObjectTest, SaveToFileFailsWhenTheFileCannotBeWritten) {
    Sample sample;
    LogCapture log;
    EXPECT_FALSE(sample.SaveToFile("missing-directory/out.zml"));
    EXPECT_NE(log.Text().find("[!] Failed to open ML output 'missing-directory/out.zml'.\n"), std::string::npos)
        << log.Text();
    EXPECT_FALSE(sample.SaveToFile(nullptr));
}

TEST_F(MetaObjectTest, SaveWritesHeaderAndOneRoot) {
    Sample sample;
    ASSERT_TRUE(sample.SaveToFile("out.zml"));
    EXPECT_EQ(ReadHostFile("out.zml"), "<ZML=1.0>\n<Sample=\n\t<Value=7>\n>\n");

    zMetafile doc;
    ASSERT_TRUE(sample.SaveToMetafile(doc));
    ASSERT_TRUE(sample.SaveToMetafile(doc));
    EXPECT_EQ(doc.GetRootCount(), 2u);
    EXPECT_TRUE(sample.LoadFromMetafile(doc));
}

TEST_F(MetaObjectTest, NothingBuiltNothingSaved) {
    Sample sample;
    sample.buildable = false;
    zMetafile doc;
    EXPECT_FALSE(sample.SaveToMetafile(doc));
    EXPECT_EQ(doc.GetRootCount(), 0u);
    EXPECT_FALSE(sample.SaveToFile("none.zml"));
    EXPECT_FALSE(std::filesystem::exists("none.zml"));
}
