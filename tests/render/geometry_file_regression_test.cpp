// Geometry files that once broke the reader or the writer, each with the
// smallest input that broke it.
#include <gtest/gtest.h>

#include <string>

#include "tests/render/geometry_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

// The geometry's file text, as the writer gives it.
std::string WrittenText(zGeometry& geometry) {
    zMetafile doc;
    EXPECT_TRUE(geometry.SaveToMetafile(doc));
    std::string text;
    EXPECT_TRUE(SerializeMetafile(doc, text));
    return text;
}

} // namespace

// A polygon without corners leaves no bindings, so the UV channel read for
// them has no array; the writer used to write its count without a Data
// block, and the file did not read back.
TEST(GeometryFileRegression, UVChannelWithoutBindingsWritesAFileThatReadsBack) {
    LogCapture log;
    GeometryHost host;
    zGeometry geometry(&host);
    ASSERT_TRUE(LoadTree(geometry, {QuadVertexTag(), QuadPolygonTag(1, 0, {0, 0}),
                                    Node("AUV", {Int("Count", 1), Node("Data", {})})}));
    ASSERT_EQ(geometry.GetBindingCount(), 0u);

    const std::string text = WrittenText(geometry);
    zGeometry copy(&host);
    ASSERT_TRUE(LoadText(copy, text)) << text;
    EXPECT_EQ(copy.GetVertexCount(), 4u);
    EXPECT_EQ(copy.GetPolygonCount(), 1u);
    EXPECT_EQ(copy.GetPolygons()[0].cornerCount, 0u);
    EXPECT_EQ(copy.GetUVChannelCount(), 0u);
    EXPECT_EQ(log.Text().find("Cannot serialize UV channel"), std::string::npos);
}
