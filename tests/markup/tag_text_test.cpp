// Names and string values of parsed tags live in the tags' pool chunks:
// repeated texts are stored once, and a tag keeps its texts when its
// document is gone.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "markup/reader.h"
#include "markup/tag_pool.h"
#include "tests/markup/tree_dump.h"

namespace {

zMetaTag* Child(zMetaTag* tag, u32 index) {
    return static_cast<zMetaTag*>(tag->GetChildren().GetAt(index));
}

}  // namespace

TEST(ZmlTagTexts, RepeatedNamesAndStringsAreStoredOnce) {
    const std::string input =
        "<ZML=1.0>\n<Items=<Item=<X=1><Path=\"a/b.nut\">><Item=<X=2><Path=\"a/b.nut\">><Item=<X=3><Path=\"c\">>>";
    zMetafile doc;
    ASSERT_TRUE(ParseMetafile(input.data(), input.size(), doc));
    zMetaTag* items = doc.GetTag("Items;");
    ASSERT_NE(items, nullptr);
    zMetaTag* first = Child(items, 0);
    zMetaTag* second = Child(items, 1);
    zMetaTag* third = Child(items, 2);
    EXPECT_EQ(first->GetName().CStr(), second->GetName().CStr());
    EXPECT_EQ(Child(first, 0)->GetName().CStr(), Child(third, 0)->GetName().CStr());
    EXPECT_EQ(Child(first, 1)->GetValue().GetStringValue().CStr(),
              Child(second, 1)->GetValue().GetStringValue().CStr());
    EXPECT_STREQ(Child(third, 1)->GetValue().GetStringValue().CStr(), "c");
    // Lookups by name use the stored hashes.
    EXPECT_EQ(doc.GetTag("Items:Item:Path;"), Child(first, 1));
    EXPECT_EQ(Child(first, 0)->GetName().GetHash(), StringHash("X"));
}

TEST(ZmlTagTexts, DetachedTagsKeepTheirTextsAfterTheDocument) {
    // Long enough to fill several chunks, with texts past the stored limit.
    std::string input = "<ZML=1.0>\n<Root=";
    const std::string longText(300, 'q');
    for (int i = 0; i < 3000; ++i)
        input += "<Tag" + std::to_string(i % 7) + "=\"value " + std::to_string(i) + "\">";
    input += "<Long=\"" + longText + "\"><Escaped=\"a\\\"b\"><Empty=\"\"><=1>>";
    auto doc = std::make_unique<zMetafile>();
    ASSERT_TRUE(ParseMetafile(input.data(), input.size(), *doc));
    zMetaTag* root = doc->GetTag("Root;");
    ASSERT_NE(root, nullptr);
    const std::string expected = DumpTree(*doc);
    ASSERT_TRUE(doc->DetachRoot(root));
    doc.reset();
    std::unique_ptr<zMetaTag> kept(root);
    ASSERT_EQ(kept->GetChildCount(), 3004u);
    for (u32 i = 0; i < 3000; i += 211) {
        zMetaTag* tag = Child(kept.get(), i);
        EXPECT_EQ(std::string(tag->GetName().CStr()), "Tag" + std::to_string(i % 7));
        EXPECT_EQ(std::string(tag->GetValue().GetStringValue().CStr()), "value " + std::to_string(i));
    }
    EXPECT_EQ(std::string(Child(kept.get(), 3000)->GetValue().GetStringValue().CStr()), longText);
    EXPECT_STREQ(Child(kept.get(), 3001)->GetValue().GetStringValue().CStr(), "a\"b");
    EXPECT_STREQ(Child(kept.get(), 3002)->GetValue().GetStringValue().CStr(), "");
    EXPECT_EQ(Child(kept.get(), 3003)->GetName().CStr(), nullptr);
    // The same tree as before, rebuilt from the kept tag.
    zMetafile again;
    again.AddRoot(kept.release());
    EXPECT_EQ(DumpTree(again), expected);
    // Renaming and changing a value never touch the stored texts.
    zMetaTag* tag = Child(again.GetTag("Root;"), 0);
    tag->id.Set("Renamed");
    tag->GetValue().SetString("changed");
    EXPECT_STREQ(Child(again.GetTag("Root;"), 7)->GetName().CStr(), "Tag0");
    EXPECT_STREQ(tag->GetName().CStr(), "Renamed");
}

TEST(ZmlTagTexts, TagsOfALargeDocumentOutliveItsMemoryBeingUsedAgain) {
    // Past its first megabyte a document's tags live in blocks of large
    // pages, which a freed document leaves to the next one: a tag kept from
    // the first document keeps its own blocks out of that.
    std::string input = "<ZML=1.0>\n";
    for (const char* root : {"Keep", "Drop"}) {
        input += std::string("<") + root + "=";
        for (int i = 0; i < 20000; ++i)
            input += "<N" + std::to_string(i % 13) + "=<S=\"" + root + std::to_string(i) + "\"><I=" + std::to_string(i) + ">>";
        input += ">";
    }
    auto first = std::make_unique<zMetafile>();
    ASSERT_TRUE(ParseMetafile(input.data(), input.size(), *first));
    const std::string expected = DumpTree(*first);
    zMetaTag* root = first->GetTag("Keep;");
    ASSERT_NE(root, nullptr);
    ASSERT_TRUE(first->DetachRoot(root));
    std::unique_ptr<zMetaTag> kept(root);
    first.reset();
    for (int round = 0; round < 2; ++round) {
        zMetafile again;
        ASSERT_TRUE(ParseMetafile(input.data(), input.size(), again));
        EXPECT_EQ(DumpTree(again), expected);
        ASSERT_EQ(kept->GetChildCount(), 20000u);
        for (u32 i = 0; i < 20000; i += 997) {
            zMetaTag* tag = Child(kept.get(), i);
            EXPECT_EQ(std::string(tag->GetName().CStr()), "N" + std::to_string(i % 13));
            EXPECT_EQ(std::string(tag->GetTag("S;")->GetValue().GetStringValue().CStr()), "Keep" + std::to_string(i));
            EXPECT_EQ(tag->GetTag("I;")->GetRawInt(), static_cast<i32>(i));
        }
    }
}

TEST(ZmlTagTexts, TagsOutsideThePoolAreNeverReadBeforeTheirStartRegression) {
    // A tag outside any pool at the very start of a heap block, with nothing
    // readable in front of it.
    zMetaTagPool pool;
    std::unique_ptr<zMetaTag> pooled(pool.NewTag());
    ASSERT_NE(pooled, nullptr);
    std::unique_ptr<char[]> block(new char[sizeof(zMetaTag)]);
    zMetaTag* outside = ::new (block.get()) zMetaTag("Outside");
    const char text[] = "name";
    const char* stored = nullptr;
    EXPECT_FALSE(pool.StoreText(outside, text, text + 4, stored));
    EXPECT_EQ(stored, nullptr);
    std::unique_ptr<zMetaTag> heap(new zMetaTag("Heap"));
    EXPECT_FALSE(pool.StoreText(heap.get(), text, text + 4, stored));
    ASSERT_TRUE(pool.StoreText(pooled.get(), text, text + 4, stored));
    EXPECT_STREQ(stored, "name");
    outside->~zMetaTag();
    // A document whose only tag is the header stores nothing for it.
    const std::string input = "<ZML=1.0>";
    zMetafile doc;
    EXPECT_TRUE(ParseMetafile(input.data(), input.size(), doc));
    EXPECT_EQ(doc.GetRootCount(), 0u);
}

TEST(ZmlTagTexts, TagsMovedAndChangedAcrossDocumentsAreFreedOnceInAnyOrder) {
    // Tags of one document's memory changed to own heap texts, blocks and
    // heap children, and tags moved between documents both ways: whichever
    // document goes first, every tag stays readable until its own owner goes,
    // and nothing is freed twice or kept (the sanitizers check both).
    const std::string input = "<ZML=1.0>\n<A=<Name=\"first\"><Item=<X=1><Y=2.5>><Item=<X=3>>><B=<Z=True>>";
    for (const bool firstGoesFirst : {true, false}) {
        auto first = std::make_unique<zMetafile>();
        auto second = std::make_unique<zMetafile>();
        ASSERT_TRUE(ParseMetafile(input.data(), input.size(), *first));
        ASSERT_TRUE(ParseMetafile(input.data(), input.size(), *second));
        zMetaTag* a = first->GetTag("A;");
        ASSERT_NE(a, nullptr);
        // Changed in place: heap name, heap string, block, heap child.
        a->GetTag("Name;")->id.Set("Renamed");
        a->GetTag("Renamed;")->GetValue().SetString("a heap string");
        ASSERT_TRUE(a->GetTag("Item:X;")->GetValue().SetBinary("bytes", 5));
        ASSERT_NE(a->AddChild(new zMetaTag("Heap", "heap value")), nullptr);
        // A tag of the second document moved under the first, and one of the
        // first moved to the second.
        zMetaTag* b = second->GetTag("B;");
        ASSERT_TRUE(second->DetachRoot(b));
        ASSERT_NE(a->AddChild(b), nullptr);
        zMetaTag* item = a->GetTag("Item;");
        ASSERT_TRUE(a->GetChildren().Detach(item));
        second->AddRoot(item);
        const std::string firstDump = DumpTree(*first);
        const std::string secondDump = DumpTree(*second);
        EXPECT_NE(firstDump.find("Renamed = string \"a heap string\""), std::string::npos);
        EXPECT_NE(firstDump.find("Z = bool True"), std::string::npos);
        EXPECT_NE(secondDump.find("Y = float 2.5"), std::string::npos);
        if (firstGoesFirst) {
            first.reset();
            EXPECT_EQ(DumpTree(*second), secondDump);
            second.reset();
        } else {
            second.reset();
            EXPECT_EQ(DumpTree(*first), firstDump);
            first.reset();
        }
    }
}
