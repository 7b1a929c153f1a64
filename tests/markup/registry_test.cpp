#include <gtest/gtest.h>

#include "markup/block_allocator.h"
#include "markup/registry.h"
#include "tests/support/log_capture.h"
#include "tests/markup/tree_dump.h"

TEST(Registry, SetKeyBuildsThePathAndCopiesTheValue) {
    struct Case {
        const char* key;
        const char* tree;
    };
    const Case cases[] = {
        {"Video:Width", "Video\n  Width = int 640\n"},
        {"Video:Width;", "Video\n  Width = int 640\n"},
        {"Video;Width", "VideoWidth = int 640\n"},
        {"Video::Width", "Video\n  Width = int 640\n"},
    };
    for (const Case& c : cases) {
        zRegistry registry;
        zVariant value("", 640);
        zMetaTag* tag = registry.SetKey(c.key, &value);
        ASSERT_NE(tag, nullptr) << c.key;
        EXPECT_EQ(tag->GetRawInt(), 640) << c.key;
        EXPECT_EQ(DumpTree(registry), c.tree) << c.key;
    }
}

TEST(Registry, SetKeyReusesExistingTags) {
    zRegistry registry;
    zVariant width("", 640);
    zVariant height("", 480);
    registry.SetKey("Video:Width;", &width);
    registry.SetKey("Video:Height;", &height);
    registry.SetKey("Video:Width;", &height);
    EXPECT_EQ(DumpTree(registry), "Video\n  Width = int 480\n  Height = int 480\n");
    EXPECT_NE(registry.SetKey("Video;", nullptr), nullptr);
    EXPECT_EQ(registry.SetKey("Video:Depth;", nullptr, false), nullptr);
    EXPECT_EQ(registry.GetKey("Video:Depth;"), nullptr);
}

TEST(Registry, SetKeyRefusesAValueOnANodeWithChildren) {
    zRegistry registry;
    zVariant value("", 1);
    registry.SetKey("Video:Width;", &value);
    LogCapture capture;
    EXPECT_EQ(registry.SetKey("Video;", &value), nullptr);
    EXPECT_EQ(capture.Text(), "[!] Cannot set a value on tag 'Video' as it has children.\n");
    EXPECT_NE(registry.GetKey("Video:Width;"), nullptr);
}

TEST(Registry, SetKeyThroughAValueTagFails) {
    zRegistry registry;
    zVariant value("", 1);
    registry.SetKey("Width", &value);
    LogCapture capture;
    EXPECT_EQ(registry.SetKey("Width:X", &value), nullptr);
    EXPECT_EQ(capture.Text(), "[!] Cannot add child to tag 'Width' as it is neither a pure tag or a node.\n");
    EXPECT_EQ(DumpTree(registry), "Width = int 1\n");
}

TEST(Registry, RemoveKeyAcceptsTheKeysSetKeyAccepts) {
    zRegistry registry;
    zVariant value("", 2.0f);
    registry.SetKey("PostProcess:Dof:FStop", &value);
    registry.SetKey("PostProcess:Bloom", &value);
    EXPECT_TRUE(registry.RemoveKey("PostProcess:Dof;"));
    EXPECT_EQ(DumpTree(registry), "PostProcess\n  Bloom = float 2\n");
    EXPECT_FALSE(registry.RemoveKey("PostProcess:Dof;"));
    EXPECT_FALSE(registry.RemoveKey("Missing:Bloom"));
    EXPECT_TRUE(registry.RemoveKey("PostProcess"));
    EXPECT_EQ(registry.GetRootCount(), 0u);

    registry.SetKey("Video;Width", &value);
    EXPECT_TRUE(registry.RemoveKey("Video;Width"));
    EXPECT_EQ(registry.GetRootCount(), 0u);
}

TEST(Registry, GettersConvertAndNeverLog) {
    zRegistry registry;
    zVariant flag("", 1);
    zVariant ratio("", 0.5f);
    zVariant text("", "yes");
    registry.SetKey("Antialising:Enable;", &flag);
    registry.SetKey("Ratio", &ratio);
    registry.SetKey("Text", &text);

    LogCapture capture;
    EXPECT_TRUE(registry.GetBool("Antialising:Enable;", false));
    EXPECT_TRUE(registry.GetBool("Antialising:Enable", false));
    EXPECT_TRUE(registry.GetBool("Ratio", false));
    EXPECT_TRUE(registry.GetBool("Text", true));
    EXPECT_FALSE(registry.GetBool("Text", false));
    EXPECT_FALSE(registry.GetBool("Missing", false));
    EXPECT_EQ(registry.GetFloat("Ratio", 2.0f), 0.5f);
    EXPECT_EQ(registry.GetFloat("Ratio;", 2.0f), 0.5f);
    EXPECT_EQ(registry.GetFloat("Antialising:Enable;", 2.0f), 2.0f);
    EXPECT_EQ(registry.GetFloat("Missing:Deep", 2.0f), 2.0f);
    EXPECT_EQ(capture.Text(), "");
}

TEST(Registry, SetKeyFailsWhenATagCannotBeMade) {
    zRegistry registry;
    zVariant value("", 640);
    ASSERT_NE(registry.SetKey("Video:Depth", &value), nullptr);
    LogCapture capture;
    ArmBlockAllocationFailure(0);
    EXPECT_EQ(registry.SetKey("Video:Width", &value), nullptr);
    DisarmBlockAllocationFailure();
    EXPECT_EQ(capture.Text(), "[!] Failed to allocate tag 'Width'.\n");
    EXPECT_EQ(DumpTree(registry), "Video\n  Depth = int 640\n");
}
