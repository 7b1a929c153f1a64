// Documents on disk with their expected trees.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "io/file_road.h"
#include "markup/reader.h"
#include "markup/writer.h"
#include "tests/markup/tree_dump.h"
#include "tests/support/log_capture.h"

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace

TEST(ZmlSampleFiles, SceneLoadsToTheExpectedTreeAndSurvivesASave) {
    FileSystemReset();
    // Includes name their files relative to the data folder.
    FileSystemAddSearchPath(ZE_TEST_DATA);
    LogCapture capture;
    zMetafile doc;
    ASSERT_TRUE(LoadMetafileFromFile(ZE_TEST_DATA "/sample_scene.zml", doc));
    EXPECT_EQ(DumpTree(doc), ReadText(ZE_TEST_DATA "/sample_scene.tree"));
    EXPECT_EQ(capture.Text(), "");

    std::string text;
    ASSERT_TRUE(SerializeMetafile(doc, text));
    zMetafile back;
    ASSERT_TRUE(ParseMetafile(text.data(), text.size(), back));
    EXPECT_EQ(DumpTree(back), DumpTree(doc));
    FileSystemReset();
}
