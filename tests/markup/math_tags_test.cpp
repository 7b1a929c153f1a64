#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "markup/block_allocator.h"
#include "markup/math_tags.h"
#include "markup/reader.h"
#include "markup/writer.h"
#include "tests/core/math_expect.h"
#include "tests/markup/tree_dump.h"
#include "tests/support/log_capture.h"

namespace {

// The first root of a ZML text, or a failed assertion.
struct ParsedText {
    zMetafile doc;
    const zMetaTag* root = nullptr;

    explicit ParsedText(const std::string& body) {
        std::string text = "<ZML=1.0>\n" + body;
        if (!ParseMetafile(text.data(), text.size(), doc)) return;
        zLinkedListIterator iterator;
        root = doc.GetNextRoot(iterator);
    }
};

// Writes the tag as a document, reads the text back and returns the new root.
struct TextRoundTrip {
    zMetafile written;
    zMetafile read;
    std::string text;
    const zMetaTag* root = nullptr;

    explicit TextRoundTrip(zMetaTag* tag) {
        written.AddRoot(tag);
        if (!SerializeMetafile(written, text)) return;
        if (!ParseMetafile(text.data(), text.size(), read)) return;
        zLinkedListIterator iterator;
        root = read.GetNextRoot(iterator);
    }
};

std::string Dump(zMetaTag* tag) {
    zMetafile doc;
    doc.AddRoot(tag);
    return DumpTree(doc);
}

// ---- Vector ----

TEST(MathTags, VectorReadsChildrenByPosition) {
    struct Case {
        const char* name;
        const char* text;
        bool parses;
        zVector expected; // from a start of (9, 9, 9, 7)
    } cases[] = {
        {"names in reverse order", "<V=<Z=1.0><Y=2.0><X=3.0>>", true, zVector(1, 2, 3, 7)},
        {"fourth child is w", "<V=<X=1.0><Y=2.0><Z=3.0><W=0.5>>", true, zVector(1, 2, 3, 0.5f)},
        {"integers taken as floats", "<V=<A=1><B=-2><C=3.5>>", true, zVector(1, -2, 3.5f, 7)},
        {"extra children ignored", "<V=<X=1.0><Y=2.0><Z=3.0><W=4.0><Q=5.0>>", true, zVector(1, 2, 3, 4)},
        {"non-number fourth keeps w", "<V=<X=1.0><Y=2.0><Z=3.0><W=\"x\">>", true, zVector(1, 2, 3, 7)},
        {"two children", "<V=<X=1.0><Y=2.0>>", false, zVector(9, 9, 9, 7)},
        {"no children", "<V>", false, zVector(9, 9, 9, 7)},
        {"a text child", "<V=<X=1.0><Y=\"two\"><Z=3.0>>", false, zVector(9, 9, 9, 7)},
        {"a node child", "<V=<X=1.0><Y><Z=3.0>>", false, zVector(9, 9, 9, 7)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ParsedText parsed(c.text);
        ASSERT_NE(parsed.root, nullptr);
        zVector v(9, 9, 9, 7);
        EXPECT_EQ(ParseVector(parsed.root, v), c.parses);
        EXPECT_TRUE(VectorNear(v, c.expected, 0.0f));
    }
    zVector v;
    EXPECT_FALSE(ParseVector(nullptr, v));
}

TEST(MathTags, VectorWriterNamesChildren) {
    EXPECT_EQ(Dump(SerializeVector(zVector(1, 2, 3, 4))),
              "Vector\n  X = float 1\n  Y = float 2\n  Z = float 3\n");
    EXPECT_EQ(Dump(SerializeVector(zVector(1, 2, 3, 4), "Position", true)),
              "Position\n  X = float 1\n  Y = float 2\n  Z = float 3\n  W = float 4\n");
}

TEST(MathTags, VectorRoundTripsThroughText) {
    zVector original(0.1f, -123456.7f, 3.4028235e38f, 1e-30f);
    TextRoundTrip trip(SerializeVector(original, "Vector", true));
    ASSERT_NE(trip.root, nullptr) << trip.text;
    zVector back;
    ASSERT_TRUE(ParseVector(trip.root, back));
    EXPECT_EQ(back.x, original.x);
    EXPECT_EQ(back.y, original.y);
    EXPECT_EQ(back.z, original.z);
    EXPECT_EQ(back.w, original.w);
}

TEST(MathTags, Vector2) {
    EXPECT_EQ(Dump(SerializeVector2(zVector2(1, 2))), "Vector2\n  X = float 1\n  Y = float 2\n");
    TextRoundTrip trip(SerializeVector2(zVector2(-0.25f, 8), "UV"));
    ASSERT_NE(trip.root, nullptr);
    zVector2 back;
    ASSERT_TRUE(ParseVector2(trip.root, back));
    EXPECT_EQ(back.x, -0.25f);
    EXPECT_EQ(back.y, 8.0f);
    ParsedText one("<V=<X=1.0>>");
    zVector2 unchanged(5, 6);
    EXPECT_FALSE(ParseVector2(one.root, unchanged));
    EXPECT_EQ(unchanged.x, 5.0f);
}

// ---- matrices ----

TEST(MathTags, Matrix3WritesRows) {
    EXPECT_EQ(Dump(SerializeMatrix3(zMatrix3(1, 2, 3, 4, 5, 6, 7, 8, 9))),
              "Mtx3\n"
              "  R0\n    X = float 1\n    Y = float 2\n    Z = float 3\n"
              "  R1\n    X = float 4\n    Y = float 5\n    Z = float 6\n"
              "  R2\n    X = float 7\n    Y = float 8\n    Z = float 9\n");
}

TEST(MathTags, Matrix3RoundTripsThroughText) {
    zMatrix3 original = zMatrix3::FromEulerAngles(0.3f, -1.2f, 2.5f, 4);
    TextRoundTrip trip(SerializeMatrix3(original, "Rotation"));
    ASSERT_NE(trip.root, nullptr) << trip.text;
    zMatrix3 back(0, 0, 0, 0, 0, 0, 0, 0, 0);
    ASSERT_TRUE(ParseMatrix3(trip.root, back));
    EXPECT_TRUE(MatrixNear(back, original, 0.0f));
}

TEST(MathTags, Matrix3MissingRowFails) {
    ParsedText parsed("<M=<R0=<X=1.0><Y=2.0><Z=3.0>><R1=<X=1.0><Y=2.0><Z=3.0>>>");
    ASSERT_NE(parsed.root, nullptr);
    zMatrix3 m(1, 2, 3, 4, 5, 6, 7, 8, 9);
    EXPECT_FALSE(ParseMatrix3(parsed.root, m));
    EXPECT_TRUE(MatrixNear(m, zMatrix3(1, 2, 3, 4, 5, 6, 7, 8, 9), 0.0f));
    ParsedText shortRow("<M=<R0=<X=1.0><Y=2.0><Z=3.0>><R1=<X=1.0>><R2=<X=1.0><Y=2.0><Z=3.0>>>");
    EXPECT_FALSE(ParseMatrix3(shortRow.root, m));
    EXPECT_TRUE(MatrixNear(m, zMatrix3(1, 2, 3, 4, 5, 6, 7, 8, 9), 0.0f));
}

TEST(MathTags, Matrix4WritesRowsWithW) {
    zMatrix4 m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    EXPECT_EQ(Dump(SerializeMatrix4(m)),
              "Mtx4\n"
              "  R0\n    X = float 1\n    Y = float 2\n    Z = float 3\n    W = float 4\n"
              "  R1\n    X = float 5\n    Y = float 6\n    Z = float 7\n    W = float 8\n"
              "  R2\n    X = float 9\n    Y = float 10\n    Z = float 11\n    W = float 12\n"
              "  R3\n    X = float 13\n    Y = float 14\n    Z = float 15\n    W = float 16\n");
}

TEST(MathTags, Matrix4RoundTripsThroughText) {
    zMatrix4 original = zMatrix4::Compose(zVector(1.5f, -2, 300), zVector(0.1f, 0.2f, 0.3f),
                                          zVector(2, 2, 0.5f), zVector(0, 0, 0));
    original.e[12] = 0.25f; // a non-affine w survives too
    TextRoundTrip trip(SerializeMatrix4(original, "BindMatrix"));
    ASSERT_NE(trip.root, nullptr) << trip.text;
    zMatrix4 back;
    ASSERT_TRUE(ParseMatrix4(trip.root, back));
    EXPECT_TRUE(MatrixNear(back, original, 0.0f));
}

TEST(MathTags, Matrix4RowsWithoutWAreAffine) {
    ParsedText parsed("<M=<R0=<X=1.0><Y=0.0><Z=0.0>><R1=<X=0.0><Y=1.0><Z=0.0>>"
                      "<R2=<X=0.0><Y=0.0><Z=1.0>><R3=<X=5.0><Y=6.0><Z=7.0>>>");
    ASSERT_NE(parsed.root, nullptr);
    zMatrix4 m(0, 0, 0, 9, 0, 0, 0, 9, 0, 0, 0, 9, 0, 0, 0, 9);
    ASSERT_TRUE(ParseMatrix4(parsed.root, m));
    EXPECT_TRUE(MatrixNear(m, zMatrix4::Translation(zVector(5, 6, 7)), 0.0f));
}

TEST(MathTags, Matrix4MissingRowFails) {
    ParsedText parsed("<M=<R0=<X=1.0><Y=0.0><Z=0.0>><R1=<X=0.0><Y=1.0><Z=0.0>><R2=<X=0.0><Y=0.0><Z=1.0>>>");
    zMatrix4 m = zMatrix4::Translation(zVector(1, 2, 3));
    EXPECT_FALSE(ParseMatrix4(parsed.root, m));
    EXPECT_TRUE(MatrixNear(m, zMatrix4::Translation(zVector(1, 2, 3)), 0.0f));
}

TEST(MathTags, MatrixPairReadsMatrixAndInverse) {
    zMatrixPair original;
    original.Set(zMatrix4::Compose(zVector(4, 5, 6), zVector(0, 1, 0), zVector(2, 2, 2), zVector(0, 0, 0)));
    TextRoundTrip trip(SerializeMatrixPair(original));
    ASSERT_NE(trip.root, nullptr);
    EXPECT_TRUE(trip.root->GetName() == "Mtx4");
    EXPECT_EQ(trip.root->GetChildCount(), 4u);
    zMatrixPair back;
    ASSERT_TRUE(ParseMatrixPair(trip.root, back));
    EXPECT_TRUE(MatrixNear(back.matrix, original.matrix, 0.0f));
    EXPECT_TRUE(MatrixNear(back.inverse, original.inverse, 1e-6f));
}

// ---- bounds ----

TEST(MathTags, MinMaxWriter) {
    EXPECT_EQ(Dump(SerializeMinMax(zMinMax(zVector(-1, -2, -3, 5), zVector(1, 2, 3, 5)))),
              "MinMax\n"
              "  Min\n    X = float -1\n    Y = float -2\n    Z = float -3\n"
              "  Max\n    X = float 1\n    Y = float 2\n    Z = float 3\n");
    EXPECT_EQ(Dump(SerializeMinMax(zMinMax(), "Bounds")).substr(0, 7), "Bounds\n");
}

TEST(MathTags, AABBRoundTripsThroughText) {
    zVector center(1, 2, 3), size(4, 5, 6);
    zOrientedBox original(&center, &size);
    TextRoundTrip trip(SerializeAABB(original));
    ASSERT_NE(trip.root, nullptr);
    EXPECT_EQ(DumpTree(trip.read), "AABB\n"
                                   "  Position\n    X = float 1\n    Y = float 2\n    Z = float 3\n"
                                   "  Scale\n    X = float 4\n    Y = float 5\n    Z = float 6\n");
    zOrientedBox back;
    ASSERT_TRUE(ParseAABB(trip.root, back));
    EXPECT_TRUE(VectorNear(back.center, center, 0.0f));
    EXPECT_TRUE(VectorNear(back.size, size, 0.0f));
}

TEST(MathTags, OBBRoundTripsThroughText) {
    zVector center(-1, 0.5f, 10), size(2, 3, 4);
    zMatrix3 rotation = zMatrix3::FromEulerAngles(0.5f, 0.25f, -1.0f, 4);
    zOrientedBox original(&center, &size, &rotation);
    TextRoundTrip trip(SerializeOBB(original));
    ASSERT_NE(trip.root, nullptr) << trip.text;
    EXPECT_TRUE(trip.root->GetName() == "OBB");
    zOrientedBox back;
    ASSERT_TRUE(ParseOBB(trip.root, back));
    EXPECT_TRUE(VectorNear(back.center, center, 0.0f));
    EXPECT_TRUE(VectorNear(back.size, size, 0.0f));
    EXPECT_TRUE(MatrixNear(back.rotation, rotation, 0.0f));
    std::string dump = DumpTree(trip.read);
    EXPECT_NE(dump.find("\n  Matrix\n    R0\n"), std::string::npos) << dump;
}

TEST(MathTags, OBBMissingChildFails) {
    ParsedText parsed("<OBB=<Position=<X=1.0><Y=2.0><Z=3.0>><Scale=<X=1.0><Y=1.0><Z=1.0>>>");
    ASSERT_NE(parsed.root, nullptr);
    zOrientedBox box;
    EXPECT_FALSE(ParseOBB(parsed.root, box));
    EXPECT_TRUE(VectorNear(box.center, zVector(0, 0, 0), 0.0f));
    // The same two children are a whole AABB.
    EXPECT_TRUE(ParseAABB(parsed.root, box));
    EXPECT_TRUE(VectorNear(box.center, zVector(1, 2, 3), 0.0f));
    ParsedText one("<AABB=<Position=<X=1.0><Y=2.0><Z=3.0>>>");
    zOrientedBox other;
    EXPECT_FALSE(ParseAABB(one.root, other));
    EXPECT_TRUE(VectorNear(other.center, zVector(0, 0, 0), 0.0f));
}

// ---- quaternion ----

TEST(MathTags, QuaternionReadsFourValuesByPosition) {
    ParsedText parsed("<Q=<W=0.5><X=0.5><Y=0.5><Z=0.5>>");
    zQuaternion q;
    ASSERT_TRUE(ParseQuaternion(parsed.root, q));
    EXPECT_TRUE(QuaternionNear(q, zQuaternion(0.5f, 0.5f, 0.5f, 0.5f), 0.0f));
    ParsedText ordered("<Q=<A=1.0><B=2.0><C=3.0><D=4>>");
    ASSERT_TRUE(ParseQuaternion(ordered.root, q));
    EXPECT_TRUE(QuaternionNear(q, zQuaternion(1, 2, 3, 4), 0.0f));
    ParsedText three("<Q=<X=0.0><Y=0.0><Z=0.0>>");
    EXPECT_FALSE(ParseQuaternion(three.root, q));
    EXPECT_TRUE(QuaternionNear(q, zQuaternion(1, 2, 3, 4), 0.0f));
}

} // namespace

// A tag that runs out of memory part way is given up whole: null with the
// allocation lines, never a tag with rows or axes missing.
TEST(MathTags, SerializeGivesUpWholeWhenMemoryRunsOut) {
    zVector center(1, 2, 3), size(4, 5, 6);
    zMatrix3 rotation = zMatrix3::FromEulerAngles(0.5f, 0.25f, -1.0f, 4);
    const zOrientedBox box(&center, &size, &rotation);
    const std::unique_ptr<zMetaTag> whole(SerializeOBB(box));
    ASSERT_NE(whole, nullptr);
    zMetafile expected;
    expected.AddRoot(whole->Clone(true));
    for (u32 successes = 0;; ++successes) {
        LogCapture capture;
        ArmBlockAllocationFailure(successes);
        std::unique_ptr<zMetaTag> tag(SerializeOBB(box));
        DisarmBlockAllocationFailure();
        if (tag) {
            zMetafile got;
            got.AddRoot(tag.release());
            EXPECT_EQ(DumpTree(got), DumpTree(expected));
            EXPECT_EQ(capture.Text(), "");
            break;
        }
        // One line for each tag that could not be made, and nothing else.
        const std::string log = capture.Text();
        ASSERT_FALSE(log.empty());
        for (size_t line = 0; line < log.size(); line = log.find('\n', line) + 1)
            EXPECT_EQ(log.compare(line, 28, "[!] Failed to allocate tag '"), 0) << log;
        ASSERT_LT(successes, 100u);
    }
}
