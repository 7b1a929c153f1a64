#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "markup/block_allocator.h"
#include "markup/metafile.h"
#include "tests/support/log_capture.h"
#include "tests/markup/tree_dump.h"

namespace {

// Roots A (children B, C:D) and Width (int 5).
void BuildSample(zMetafile& doc) {
    zMetaTag* a = doc.AddRoot(new zMetaTag("A"));
    a->AddChild(new zMetaTag("B", 1));
    zMetaTag* c = a->AddChild(new zMetaTag("C"));
    c->AddChild(new zMetaTag("D", "d"));
    doc.AddRoot(new zMetaTag("Width", 5));
}

}  // namespace

TEST(MetaTagPath, LookupTable) {
    struct Case {
        const char* path;
        const char* found;  // name of the tag found, null for none
        const char* log;
    };
    const std::vector<Case> cases = {
        {"A:B;", "B", ""},
        {"A:B", "B", "[*] incomplete path 'A:B' (missing ';').\n"},
        {"A::B;", "B", ""},
        {":A:B;", "B", ""},
        {"A:C:D;", "D", ""},
        {"A;", "A", ""},
        {";", nullptr, ""},
        {"", nullptr, ""},
        {"Width:X;", nullptr, "[*] 'Width:X;' is deeper than lowest tree node.\n"},
        {"A:Z;", nullptr, "[*] LListID failed to find 'Z'.\n!! Error 'Z' in 'A:Z;' not found.\n"},
        {"A:", nullptr,
         "[!] unexpected end of path'A:'.\n[*] LListID failed to find ''.\n!! Error '' in 'A:' not found.\n"},
    };
    zMetafile doc;
    BuildSample(doc);
    for (const Case& c : cases) {
        LogCapture capture;
        const zMetaTag* tag = doc.GetTag(c.path, true);
        if (c.found) {
            ASSERT_NE(tag, nullptr) << c.path;
            EXPECT_TRUE(tag->GetName() == c.found) << c.path;
        } else {
            EXPECT_EQ(tag, nullptr) << c.path;
        }
        EXPECT_EQ(capture.Text(), c.log) << c.path;
    }
}

TEST(MetaTagPath, SilentWithoutLogging) {
    zMetafile doc;
    BuildSample(doc);
    LogCapture capture;
    EXPECT_NE(doc.GetTag("A:B", false), nullptr);
    EXPECT_EQ(doc.GetTag("A:Z;", false), nullptr);
    EXPECT_EQ(doc.GetTag("Width:X;", false), nullptr);
    EXPECT_EQ(FindMetaTagByPath(nullptr, "A;", false), nullptr);
    EXPECT_EQ(FindMetaTagByPath(&doc.GetRoots(), nullptr, true), nullptr);
    EXPECT_EQ(capture.Text(), "");
}

TEST(MetaTagPath, TypedLookupMatchesTheValueType) {
    zMetafile doc;
    BuildSample(doc);
    const zMetaTag* a = doc.GetTag("A;");
    ASSERT_NE(a, nullptr);
    EXPECT_NE(a->GetTypedTag("B;", VariantInt), nullptr);
    EXPECT_EQ(a->GetTypedTag("B;", VariantFloat), nullptr);
    EXPECT_NE(a->GetTypedTag("C:D;", VariantString), nullptr);
    EXPECT_EQ(doc.GetTypedTag("Width;", VariantInt)->GetRawInt(), 5);
    EXPECT_EQ(doc.GetTypedTag("A;", VariantInt), nullptr);
}

TEST(MetaTag, ValueTagRefusesChildren) {
    zMetaTag tag("T", 1.5f);
    zMetaTag child("C");
    LogCapture capture;
    EXPECT_EQ(tag.AddChild(&child), nullptr);
    EXPECT_EQ(tag.InsertChild(&child, nullptr, true), nullptr);
    EXPECT_EQ(capture.Text(),
              "[!] Cannot add child to tag 'T' as it is neither a pure tag or a node.\n"
              "[!] Cannot add child to tag 'T' as it is neither a pure tag or a node.\n");
    EXPECT_EQ(tag.GetChildCount(), 0u);
    EXPECT_EQ(tag.AddChild(nullptr), nullptr);
}

TEST(MetaTag, ChildOrderWithFrontAndInsert) {
    zMetafile doc;
    zMetaTag* root = doc.AddRoot(new zMetaTag("R"));
    zMetaTag* b = root->AddChild(new zMetaTag("B"));
    root->AddChild(new zMetaTag("A"), true);
    root->InsertChild(new zMetaTag("C"), b, false);
    root->InsertChild(new zMetaTag("Bb"), b, true);
    root->InsertChild(new zMetaTag("Z"), nullptr, true);
    EXPECT_EQ(DumpTree(doc), "R\n  A\n  Bb\n  B\n  C\n  Z\n");
}

TEST(MetaTag, IterationSurvivesRemovalOfTheCurrentChild) {
    zMetaTag root("R");
    for (const char* name : {"a", "b", "c", "d"}) root.AddChild(new zMetaTag(name, 1));
    std::string visited;
    zLinkedListIterator iterator;
    while (zMetaTag* child = root.GetNextChild(iterator)) {
        visited += child->GetName().CStr();
        if (child->GetName() == "b") root.GetChildren().Remove(child, true);
    }
    EXPECT_EQ(visited, "abcd");
    EXPECT_EQ(root.GetChildCount(), 3u);
}

TEST(MetaTag, DeepCloneCopiesTheTree) {
    zMetafile doc;
    doc.SetFileName("scene.zms");
    BuildSample(doc);
    doc.GetTag("A;")->AddChild(new zMetaTag("Blob", "xy", 2));
    zMetafile* copy = doc.Clone();
    EXPECT_EQ(DumpTree(*copy), "A\n  B = int 1\n  C\n    D = string \"d\"\n  Blob\nWidth = int 5\n");
    EXPECT_NE(copy->GetTag("A:B;"), doc.GetTag("A:B;"));
    EXPECT_TRUE(copy->GetFileName() == "scene.zms");
    delete copy;

    zMetaTag* shallow = doc.GetTag("A;")->Clone(false);
    EXPECT_EQ(shallow->GetChildCount(), 0u);
    delete shallow;
}

// A clone that runs out of memory part way is given up whole: null, logged,
// nothing left behind.
TEST(MetaTag, CloneGivesUpWhenMemoryRunsOut) {
    zMetafile doc;
    doc.SetFileName("scene.zms");
    BuildSample(doc);
    for (u32 successes = 0;; ++successes) {
        LogCapture capture;
        ArmBlockAllocationFailure(successes);
        zMetafile* copy = doc.Clone();
        DisarmBlockAllocationFailure();
        if (copy) {
            EXPECT_EQ(DumpTree(*copy), DumpTree(doc));
            EXPECT_EQ(capture.Text(), "");
            delete copy;
            break;
        }
        EXPECT_NE(capture.Text().find("[!] Failed to allocate "), std::string::npos) << capture.Text();
        ASSERT_LT(successes, 20u);
    }
}

// A value tag that came to hold children (they were linked in directly) has a
// clone that takes the value and refuses each child.
TEST(MetaTag, DeepCloneOfAValueTagRefusesItsChildren) {
    zMetaTag tag("T", 2.5f);
    tag.GetChildren().Add(new zMetaTag("C", 1), true, true);
    tag.GetChildren().Add(new zMetaTag("D"), true, true);
    LogCapture capture;
    zMetaTag* clone = tag.Clone(true);
    EXPECT_EQ(clone->GetRawFloat(), 2.5f);
    EXPECT_EQ(clone->GetChildCount(), 0u);
    EXPECT_EQ(capture.Text(),
              "[!] Cannot add child to tag 'T' as it is neither a pure tag or a node.\n"
              "[!] Cannot add child to tag 'T' as it is neither a pure tag or a node.\n");
    delete clone;
}

TEST(MetaTag, ConstructorsAndBool) {
    struct Case {
        zMetaTag* tag;
        u32 type;
        bool boolValue;
    };
    const u8 bytes[3] = {1, 2, 3};
    std::vector<Case> cases = {
        {new zMetaTag("N"), VariantNone, false},
        {new zMetaTag("I", 0), VariantInt, false},
        {new zMetaTag("J", 2), VariantInt, true},
        {new zMetaTag("B", true), VariantBool, true},
        {new zMetaTag("F", 0.5f), VariantFloat, true},
        {new zMetaTag("S", "yes"), VariantString, false},
        {new zMetaTag("X", bytes, 3), VariantBinary, false},
    };
    for (Case& c : cases) {
        EXPECT_EQ(c.tag->GetValue().GetType(), c.type) << c.tag->GetName().CStr();
        EXPECT_EQ(c.tag->GetBool(), c.boolValue) << c.tag->GetName().CStr();
        delete c.tag;
    }
}

TEST(MetaTag, ClearValueAndChildrenMakesAPureTag) {
    zMetaTag tag("T");
    tag.AddChild(new zMetaTag("C", 1));
    tag.ClearValueAndChildren();
    EXPECT_EQ(tag.GetChildCount(), 0u);
    tag.GetValue().SetInt(3);
    tag.ClearValueAndChildren();
    EXPECT_TRUE(tag.IsNode());
}

TEST(Metafile, TypedGettersFallBackToTheDefault) {
    zMetafile doc;
    zMetaTag* root = doc.AddRoot(new zMetaTag("R"));
    root->AddChild(new zMetaTag("I", 4));
    root->AddChild(new zMetaTag("F", 0.25f));
    root->AddChild(new zMetaTag("B", true));
    root->AddChild(new zMetaTag("S", "text"));

    LogCapture capture;
    EXPECT_EQ(doc.GetInt("R:I;", -1), 4);
    EXPECT_EQ(doc.GetInt("R:F;", -1), -1);
    EXPECT_EQ(doc.GetFloat("R:F;", 9.0f), 0.25f);
    EXPECT_EQ(doc.GetFloat("R:I;", 9.0f), 9.0f);
    EXPECT_TRUE(doc.GetBool("R:B;", false));
    // Only a bool tag answers GetBool; an int keeps the default.
    EXPECT_FALSE(doc.GetBool("R:I;", false));
    EXPECT_STREQ(doc.GetString("R:S;", "none"), "text");
    EXPECT_STREQ(doc.GetString("R:Missing;", "none"), "none");
    EXPECT_EQ(capture.Text(), "");

    EXPECT_EQ(doc.GetInt("R:Missing;", 7, MetafileLookupLog), 7);
    EXPECT_EQ(capture.Text(), "[*] LListID failed to find 'Missing'.\n!! Error 'Missing' in 'R:Missing;' not found.\n");
}

TEST(Metafile, DetachAndClear) {
    zMetafile doc;
    doc.SetFileName("scene.zms");
    zMetaTag* a = doc.AddRoot(new zMetaTag("A"));
    doc.AddRoot(new zMetaTag("B"));
    EXPECT_EQ(doc.AddRoot(nullptr), nullptr);
    EXPECT_TRUE(doc.DetachRoot(a));
    EXPECT_FALSE(doc.DetachRoot(a));
    EXPECT_EQ(doc.GetRootCount(), 1u);
    delete a;
    doc.Clear();
    EXPECT_EQ(doc.GetRootCount(), 0u);
    EXPECT_TRUE(doc.GetFileName().IsEmpty());
    EXPECT_EQ(doc.GetBinaryMethod(), static_cast<u32>(BinaryMethodYEnc));
}
