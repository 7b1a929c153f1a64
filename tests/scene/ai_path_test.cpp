#include "scene/ai_path.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "markup/meta_tag.h"
#include "markup/metafile.h"
#include "markup/writer.h"
#include "render/debug_draw.h"
#include "tests/scene/scene_file_fixture.h"
#include "tests/support/log_capture.h"
#include "tests/support/recording_renderer.h"

namespace {

struct Key {
    f32 time;
    f32 value;
};

// Linear keys on a channel of that id.
void AddKeys(zMotion& motion, i32 id, const std::vector<Key>& keys) {
    zMotionChannel* channel = motion.AddChannel(id);
    ASSERT_TRUE(channel);
    for (const Key& key : keys) {
        std::unique_ptr<zCurvePoint> point(new zCurvePoint);
        point->time = key.time;
        point->value = key.value;
        ASSERT_TRUE(channel->AddPoint(std::move(point)));
    }
}

struct Corner {
    f32 time, x, y, z;
};

// Keys at each corner's time on all three position channels.
void AddRoute(zMotion& motion, const std::vector<Corner>& corners) {
    std::vector<Key> x, y, z;
    for (const Corner& corner : corners) {
        x.push_back({corner.time, corner.x});
        y.push_back({corner.time, corner.y});
        z.push_back({corner.time, corner.z});
    }
    AddKeys(motion, ChannelPositionX, x);
    AddKeys(motion, ChannelPositionY, y);
    AddKeys(motion, ChannelPositionZ, z);
}

std::unique_ptr<zAIPath> Route(const char* name, const std::vector<Corner>& corners) {
    std::unique_ptr<zAIPath> path(new zAIPath(name));
    AddRoute(path->GetMotion(), corners);
    EXPECT_TRUE(path->BuildNodes());
    return path;
}

std::vector<Corner> Nodes(const zAIPath& path) {
    std::vector<Corner> out;
    for (zLinkedListEntry* entry = path.GetNodes().GetHead(); entry; entry = entry->GetNext()) {
        const auto* node = static_cast<const zAIPathNode*>(entry);
        out.push_back({node->time, node->x, node->y, node->z});
    }
    return out;
}

void ExpectNodes(const zAIPath& path, const std::vector<Corner>& expected) {
    const std::vector<Corner> nodes = Nodes(path);
    ASSERT_EQ(nodes.size(), expected.size());
    for (size_t index = 0; index < nodes.size(); ++index) {
        EXPECT_EQ(nodes[index].time, expected[index].time) << index;
        EXPECT_FLOAT_EQ(nodes[index].x, expected[index].x) << index;
        EXPECT_FLOAT_EQ(nodes[index].y, expected[index].y) << index;
        EXPECT_FLOAT_EQ(nodes[index].z, expected[index].z) << index;
    }
}

void ExpectPoint(const zVector& point, f32 x, f32 y, f32 z) {
    EXPECT_NEAR(point.x, x, 1e-5f);
    EXPECT_NEAR(point.y, y, 1e-5f);
    EXPECT_NEAR(point.z, z, 1e-5f);
}

u32 BucketTotal(const zAIPath& path) {
    u32 total = 0;
    for (u32 bucket = 0; bucket < AIPathBucketCount; ++bucket)
        total += path.GetBucket(bucket).GetCount();
    return total;
}

// The log text without the build time of the statistics line.
std::string WithoutTime(std::string text) {
    const size_t took = text.find(", took ");
    if (took == std::string::npos) return text;
    return text.erase(took, text.find(" ms.", took) - took);
}

TEST(AIPath, NodesAreTheDistinctKeyTimesOfThePositionChannels) {
    zAIPath path("walk");
    EXPECT_EQ(path.GetName(), "walk");
    AddKeys(path.GetMotion(), ChannelPositionX, {{0.0f, 0.0f}, {2.0f, 4.0f}});
    AddKeys(path.GetMotion(), ChannelPositionY, {{0.0f, 1.0f}, {1.0f, 3.0f}});
    AddKeys(path.GetMotion(), ChannelPositionZ, {{2.0f, 5.0f}});
    ASSERT_TRUE(path.BuildNodes());
    // Channels hold their end values outside their keys.
    ExpectNodes(path, {{0.0f, 0.0f, 1.0f, 5.0f}, {1.0f, 2.0f, 3.0f, 5.0f}, {2.0f, 4.0f, 3.0f, 5.0f}});
    for (const Corner& node : Nodes(path)) {
        f32 position[3] = {0.0f, 0.0f, 0.0f};
        path.GetMotion().EvaluatePosition(node.time, position, LoopModeConstant);
        EXPECT_EQ(position[0], node.x);
        EXPECT_EQ(position[1], node.y);
        EXPECT_EQ(position[2], node.z);
    }
    // Building again replaces the chain.
    ASSERT_TRUE(path.BuildNodes());
    EXPECT_EQ(path.GetNodes().GetCount(), 3u);
}

TEST(AIPath, EqualKeyTimesGiveOneNode) {
    // Across channels, and twice in one channel.
    zAIPath path;
    AddKeys(path.GetMotion(), ChannelPositionX, {{0.0f, 1.0f}, {1.0f, 2.0f}, {1.0f, 2.0f}});
    AddKeys(path.GetMotion(), ChannelPositionY, {{1.0f, 7.0f}, {0.0f, 6.0f}});
    AddKeys(path.GetMotion(), ChannelPositionZ, {{0.5f, 9.0f}, {1.0f, 9.0f}});
    ASSERT_TRUE(path.BuildNodes());
    ExpectNodes(path, {{0.0f, 1.0f, 6.0f, 9.0f}, {0.5f, 1.5f, 6.5f, 9.0f}, {1.0f, 2.0f, 7.0f, 9.0f}});
}

// A file stores keys in its own order; the chain is ascending all the same.
TEST(AIPath, KeysOutOfOrderStillGiveAnAscendingChain) {
    zAIPath path;
    zMotionChannel* x = path.GetMotion().AddChannel(ChannelPositionX);
    ASSERT_TRUE(x && x->SetKnotCount(3));
    const f32 times[3] = {1.0f, 2.0f, 0.0f};
    for (u32 index = 0; index < 3; ++index) {
        zCurvePoint point;
        point.time = times[index];
        point.value = 1.0f;
        ASSERT_TRUE(x->SetKnot(index, point));
    }
    AddKeys(path.GetMotion(), ChannelPositionY, {{0.5f, 0.0f}, {3.0f, 0.0f}});
    AddKeys(path.GetMotion(), ChannelPositionZ, {{0.0f, 0.0f}});
    ASSERT_TRUE(path.BuildNodes());
    std::vector<f32> nodeTimes;
    for (const Corner& node : Nodes(path))
        nodeTimes.push_back(node.time);
    EXPECT_EQ(nodeTimes, (std::vector<f32>{0.0f, 0.5f, 1.0f, 2.0f, 3.0f}));
}

TEST(AIPath, MissingPositionChannelLeavesNoNodes) {
    LogCapture log;
    zAIPath path("flat");
    AddKeys(path.GetMotion(), ChannelPositionX, {{0.0f, 0.0f}, {2.0f, 4.0f}});
    AddKeys(path.GetMotion(), ChannelPositionZ, {{0.0f, 1.0f}});
    EXPECT_FALSE(path.BuildNodes());
    EXPECT_EQ(log.Text(), "[!] Cannot convert motion to channel (missing X, Y or Z component).\n");
    EXPECT_EQ(path.GetNodes().GetCount(), 0u);
    // The motion still answers positions; y keeps its incoming value.
    zVector position(0.0f, 8.0f, 0.0f, 1.0f);
    path.GetPosition(1.0f, position);
    ExpectPoint(position, 2.0f, 8.0f, 1.0f);
    log.Reset();
    f32 time = 5.0f;
    EXPECT_FALSE(path.GetClosestPoint(zVector(0.0f, 0.0f, 0.0f, 1.0f), position, &time));
    EXPECT_EQ(time, -1.0f);
    EXPECT_EQ(log.Text(), "[!] Failed to query closest point to path.\n");
}

TEST(AIPath, GetPositionRepeatsPastTheLastKeyThroughTheMatrix) {
    auto path = Route("loop", {{0.0f, 0.0f, 0.0f, 0.0f}, {2.0f, 4.0f, 2.0f, 0.0f}});
    zVector position;
    path->GetPosition(1.0f, position);
    ExpectPoint(position, 2.0f, 1.0f, 0.0f);
    path->GetPosition(3.0f, position);
    ExpectPoint(position, 2.0f, 1.0f, 0.0f);
    *path->GetMatrix() = zMatrix4::Translation(zVector(10.0f, 0.0f, 0.0f, 1.0f));
    path->GetPosition(3.0f, position);
    ExpectPoint(position, 12.0f, 1.0f, 0.0f);
    EXPECT_EQ(position.w, 1.0f);
}

TEST(AIPath, ClosestPointTakesTheEarlierSegmentOnTies) {
    // A U: the query at (1, 0, 0) is 1 away from the first and last segments.
    auto path = Route("u", {{0.0f, 0.0f, 0.0f, 0.0f},
                            {1.0f, 0.0f, 2.0f, 0.0f},
                            {2.0f, 2.0f, 2.0f, 0.0f},
                            {3.0f, 2.0f, 0.0f, 0.0f}});
    struct Case {
        zVector query;
        zVector point;
        f32 time;
    };
    const Case cases[] = {
        {{1.0f, 0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 0.0f, 1.0f}, 0.0f},
        {{1.0f, 3.0f, 0.0f, 1.0f}, {1.0f, 2.0f, 0.0f, 1.0f}, 1.5f},
        {{3.0f, 0.5f, 0.0f, 1.0f}, {2.0f, 0.5f, 0.0f, 1.0f}, 2.75f},
        // Far away: times stay within the chain's.
        {{-50.0f, -50.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 0.0f, 1.0f}, 0.0f},
        {{50.0f, -50.0f, 0.0f, 1.0f}, {2.0f, 0.0f, 0.0f, 1.0f}, 3.0f},
    };
    for (const Case& c : cases) {
        zVector point;
        f32 time = 0.0f;
        ASSERT_TRUE(path->GetClosestPoint(c.query, point, &time));
        ExpectPoint(point, c.point.x, c.point.y, c.point.z);
        EXPECT_FLOAT_EQ(time, c.time);
        // Without a time output the point is the same.
        zVector alone;
        ASSERT_TRUE(path->GetClosestPoint(c.query, alone, nullptr));
        ExpectPoint(alone, c.point.x, c.point.y, c.point.z);
    }
}

TEST(AIPath, ClosestPointWorksInPathSpace) {
    auto path = Route("moved", {{0.0f, 1.0f, 2.0f, 3.0f}, {4.0f, 5.0f, 2.0f, 3.0f}});
    *path->GetMatrix() = zMatrix4::Translation(zVector(10.0f, 0.0f, 0.0f, 1.0f));
    zVector point;
    f32 time = 7.0f;
    ASSERT_TRUE(path->GetClosestPoint(zVector(11.0f, 2.0f, 3.0f, 1.0f), point, &time));
    ExpectPoint(point, 11.0f, 2.0f, 3.0f);
    EXPECT_EQ(time, 0.0f);
}

TEST(AIPath, OneNodeFailsEveryQuery) {
    LogCapture log;
    auto path = Route("dot", {{0.0f, 1.0f, 1.0f, 1.0f}});
    zVector point(3.0f, 4.0f, 5.0f, 1.0f);
    f32 time = 2.0f;
    EXPECT_FALSE(path->GetClosestPoint(zVector(0.0f, 0.0f, 0.0f, 1.0f), point, &time));
    EXPECT_EQ(time, -1.0f);
    EXPECT_EQ(log.Text(), "[!] Failed to query closest point to path.\n");
    // The output is the incoming value through the matrix.
    ExpectPoint(point, 3.0f, 4.0f, 5.0f);
}

TEST(AIPath, ClosestPointWithASingularMatrixGivesNoNaN) {
    auto path = Route("flat", {{0.0f, 0.0f, 0.0f, 0.0f}, {1.0f, 4.0f, 0.0f, 0.0f}});
    // Scale 0 folds the route onto the translation.
    zMatrix4 folded = zMatrix4::Scale(zVector(0.0f, 0.0f, 0.0f, 1.0f));
    folded.SetRow(3, zVector(5.0f, 6.0f, 7.0f, 1.0f), true);
    *path->GetMatrix() = folded;
    zVector point;
    f32 time = 0.0f;
    ASSERT_TRUE(path->GetClosestPoint(zVector(100.0f, 0.0f, 0.0f, 1.0f), point, &time));
    ExpectPoint(point, 5.0f, 6.0f, 7.0f);
    EXPECT_GE(time, 0.0f);
    EXPECT_LE(time, 1.0f);
}

TEST(AIPath, ClosestPointWithAMatrixThatIsNotFiniteFails) {
    LogCapture log;
    auto path = Route("lost", {{0.0f, 0.0f, 0.0f, 0.0f}, {1.0f, 4.0f, 0.0f, 0.0f}});
    path->GetMatrix()->SetRow(3, zVector(NAN, 0.0f, 0.0f, 1.0f), true);
    zVector point;
    f32 time = 0.0f;
    EXPECT_FALSE(path->GetClosestPoint(zVector(1.0f, 0.0f, 0.0f, 1.0f), point, &time));
    EXPECT_EQ(time, -1.0f);
    EXPECT_EQ(log.Text(), "[!] Failed to query closest point to path.\n");
}

TEST(AIPath, HashPosition) {
    struct Case {
        zVector position;
        u32 bucket;
    };
    const Case cases[] = {
        {{25.0f, -5.0f, 41.0f, 1.0f}, 3},
        {{-30.0f, 0.0f, 0.0f, 1.0f}, 511},
        {{19.9f, 19.9f, 19.9f, 1.0f}, 0},
        {{-19.9f, 0.0f, 0.0f, 1.0f}, 0},
        {{20.0f * 600.0f, 0.0f, 0.0f, 1.0f}, 600 & 511},
    };
    for (const Case& c : cases)
        EXPECT_EQ(zAIPath::HashPosition(c.position), c.bucket) << c.position.x;
}

// Coordinates whose cell lies beyond the integers saturate instead of
// converting out of range.
TEST(AIPath, HashPositionOfHugeCoordinatesSaturates) {
    struct Case {
        zVector position;
        u32 bucket;
    };
    const Case cases[] = {
        {{1e30f, 0.0f, 0.0f, 1.0f}, 511},   // INT32_MAX & 511
        {{-1e30f, 0.0f, 0.0f, 1.0f}, 0},    // INT32_MIN & 511
        {{INFINITY, 20.0f, 0.0f, 1.0f}, 0}, // INT32_MAX + 1 wraps
        {{NAN, 40.0f, 0.0f, 1.0f}, 2},      // NaN counts as cell 0
        {{1e30f, 1e30f, 1e30f, 1.0f}, 509}, // 3 INT32_MAX & 511
    };
    for (const Case& c : cases)
        EXPECT_EQ(zAIPath::HashPosition(c.position), c.bucket) << c.position.x << " " << c.position.y;
}

TEST(AIPath, QueryStructureStatistics) {
    LogCapture log;
    auto path = Route("short", {{0.0f, 0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 0.0f, 0.0f}});
    path->BuildQueryStructure();
    EXPECT_EQ(WithoutTime(log.Text()), "[H] Building AI path 'short' query structure (512 bucket(s))...\n"
                                       "   Done. Query structure statistics:\n"
                                       "         Low = 0, high = 1, avg = 0, original = 2, total = 1).\n"
                                       "         Memory usage = 10272 byte(s) ms.\n"
                                       "\n");
    EXPECT_NE(log.Text().find(", took "), std::string::npos);
    ASSERT_EQ(path->GetBucket(0).GetCount(), 1u);
    const auto* link = static_cast<const zAINodeLink*>(path->GetBucket(0).GetHead());
    EXPECT_EQ(link->node, path->GetNodes().GetHead());
    EXPECT_EQ(BucketTotal(*path), 1u);
    // Building the nodes again empties the buckets.
    ASSERT_TRUE(path->BuildNodes());
    EXPECT_EQ(BucketTotal(*path), 0u);
}

TEST(AIPath, QueryStructureOfAnEmptyChain) {
    LogCapture log;
    zAIPath path("none");
    path.BuildQueryStructure();
    EXPECT_EQ(log.Text(), "[H] Building AI path 'none' query structure (512 bucket(s))...\n"
                          "[*] Done, no node in path.\n");
}

TEST(AIPath, SegmentsLinkEveryCellTheyCross) {
    // 0 → 45 along x crosses the cells of sums 0, 1 and 2; then up to y 30
    // those of sums 2 and 3; a segment under 0.001 adds nothing.
    auto path = Route("bend", {{0.0f, 0.0f, 0.0f, 0.0f},
                               {1.0f, 45.0f, 0.0f, 0.0f},
                               {2.0f, 45.0f, 30.0f, 0.0f},
                               {3.0f, 45.0f, 30.0005f, 0.0f}});
    LogCapture log;
    path->BuildQueryStructure();
    const zLinkedListEntry* first = path->GetNodes().GetHead();
    const zLinkedListEntry* second = first->GetNext();
    std::vector<std::vector<const zLinkedListEntry*>> expected(AIPathBucketCount);
    expected[0] = {first};
    expected[1] = {first};
    expected[2] = {first, second};
    expected[3] = {second};
    for (u32 bucket = 0; bucket < AIPathBucketCount; ++bucket) {
        std::vector<const zLinkedListEntry*> nodes;
        for (zLinkedListEntry* entry = path->GetBucket(bucket).GetHead(); entry; entry = entry->GetNext())
            nodes.push_back(static_cast<zAINodeLink*>(entry)->node);
        EXPECT_EQ(nodes, expected[bucket]) << bucket;
    }
    path->ClearQueryStructure();
    EXPECT_EQ(BucketTotal(*path), 0u);
}

// A segment just over 2^32 steps of 0.001 long: the count saturates instead
// of wrapping to a few hundred steps, and the walk ends where the steps stop
// moving the point.
TEST(AIPath, SegmentOfMoreStepsThan32BitsSaturates) {
    auto path = Route("long", {{0.0f, 0.0f, 0.0f, 0.0f}, {1.0f, 4294967.5f, 0.0f, 0.0f}});
    LogCapture log;
    path->BuildQueryStructure();
    // The walk passes more than 512 cells before it stalls: one link in
    // every bucket.
    EXPECT_EQ(BucketTotal(*path), AIPathBucketCount);
    EXPECT_NE(log.Text().find("Low = 1, high = 1, avg = 1, original = 2, total = 512)."), std::string::npos);
}

TEST(AIPath, SegmentWithInfiniteEndIsBounded) {
    zAIPath path;
    AddKeys(path.GetMotion(), ChannelPositionX, {{0.0f, 0.0f}, {1.0f, INFINITY}});
    AddKeys(path.GetMotion(), ChannelPositionY, {{0.0f, 0.0f}});
    AddKeys(path.GetMotion(), ChannelPositionZ, {{0.0f, 0.0f}});
    ASSERT_TRUE(path.BuildNodes());
    LogCapture log;
    path.BuildQueryStructure();
    EXPECT_GE(BucketTotal(path), 1u);
}

class AIPathScene : public SceneFileFixture {
  public:
    // A file whose section (under "Scene") holds the motions' tags.
    std::string PathFile(const char* section, const std::vector<const zMotion*>& motions,
                         const char* extra = nullptr) {
        zMetafile document;
        zMetaTag* root = document.AddRoot(new zMetaTag("Scene"));
        zMetaTag* holder = root->AddChild(new zMetaTag(section));
        for (const zMotion* motion : motions)
            holder->AddChild(motion->SerializeTag());
        if (extra) holder->AddChild(new zMetaTag(extra, 1));
        std::string text;
        SerializeMetafile(document, text);
        return text;
    }
    static std::unique_ptr<zMotion> Motion(const char* name, f32 length) {
        std::unique_ptr<zMotion> motion(new zMotion(name));
        AddRoute(*motion,
                 {{0.0f, 0.0f, 0.0f, 0.0f}, {1.0f, length, 0.0f, 0.0f}, {2.0f, length, length, 0.0f}});
        return motion;
    }
};

TEST_F(AIPathScene, LoadAIPathCountsEveryPathOfTheScene) {
    auto a = Motion("a", 1.0f);
    auto b = Motion("b", 2.0f);
    auto c = Motion("c", 3.0f);
    WriteScript("paths.zml", PathFile("Paths", {a.get()}));
    WriteScript("motions.zml", PathFile("Motions", {b.get(), c.get()}, "Curve"));
    log.Reset();
    ASSERT_TRUE(scene->LoadAIPath("paths.zml"));
    EXPECT_EQ(log.Text(), "1 AI path(s) in world.\n");
    log.Reset();
    ASSERT_TRUE(scene->LoadAIPath("motions.zml"));
    EXPECT_EQ(log.Text(), "3 AI path(s) in world.\n");
    zAIPath* found = scene->FindAIPath("c");
    ASSERT_TRUE(found);
    ExpectNodes(*found, {{0.0f, 0.0f, 0.0f, 0.0f}, {1.0f, 3.0f, 0.0f, 0.0f}, {2.0f, 3.0f, 3.0f, 0.0f}});
    // Content deletion empties the list.
    scene->DeleteContent(true);
    EXPECT_EQ(scene->aiPaths.GetCount(), 0u);
}

TEST_F(AIPathScene, LoadAIPathWithoutPaths) {
    WriteScript("empty.zml", "<ZML=1.0>\n<Scene=<Items>>\n");
    log.Reset();
    EXPECT_FALSE(scene->LoadAIPath("empty.zml"));
    EXPECT_EQ(log.Text(), "[!] No AI path in 'empty.zml'.\n");
    EXPECT_EQ(scene->aiPaths.GetCount(), 0u);
}

TEST_F(AIPathScene, FindAIPath) {
    auto named = Motion("route", 1.0f);
    auto unnamed = Motion("", 1.0f);
    WriteScript("paths.zml", PathFile("Paths", {unnamed.get(), named.get()}));
    ASSERT_TRUE(scene->LoadAIPath("paths.zml"));
    zAIPath* first = static_cast<zAIPath*>(scene->aiPaths.GetHead());
    log.Reset();
    EXPECT_EQ(scene->FindAIPath("route"), first->GetNext());
    EXPECT_EQ(log.Text(), "");
    // A path without a name answers only a missing name.
    EXPECT_EQ(scene->FindAIPath(nullptr), first);
    EXPECT_EQ(scene->FindAIPath("nope"), nullptr);
    EXPECT_EQ(scene->FindAIPath(""), nullptr);
    EXPECT_EQ(scene->FindAIPath("Route"), nullptr);
    EXPECT_EQ(log.Text(), "[*] Could not find AI path 'nope'.\n"
                          "[*] Could not find AI path ''.\n"
                          "[*] Could not find AI path 'Route'.\n");
}

TEST_F(AIPathScene, DebugPathDrawsEachSegmentThroughTheMatrix) {
    FakeRenderHost host;
    RecordingRenderer renderer(&host, false);
    renderer.Open(640, 480, 32, false);
    auto motion = Motion("bent", 2.0f);
    WriteScript("paths.zml", PathFile("Paths", {motion.get()}));
    ASSERT_TRUE(scene->LoadAIPath("paths.zml"));
    zAIPath* path = scene->FindAIPath("bent");
    *path->GetMatrix() = zMatrix4::Translation(zVector(10.0f, 0.0f, 0.0f, 1.0f));
    scene->DebugPath(&renderer);
    const zVector nodes[3] = {{10.0f, 0.0f, 0.0f}, {12.0f, 0.0f, 0.0f}, {12.0f, 2.0f, 0.0f}};
    std::vector<RecordedLine> expected;
    for (int segment = 0; segment < 2; ++segment) {
        EXPECT_EQ(renderer.CountShape([&](zRenderer* r) {
            DrawCross(r, nodes[segment], 1.0f);
            r->DrawLine(nodes[segment], nodes[segment + 1], nullptr);
        }),
                  1)
            << segment;
    }
    EXPECT_EQ(renderer.lines.size(), 8u);
    // No cross at the last node.
    EXPECT_EQ(renderer.CountShape([&](zRenderer* r) { DrawCross(r, nodes[2], 1.0f); }), 0);
}

TEST_F(AIPathScene, PathsSectionRoundTrips) {
    auto a = Motion("first", 1.0f);
    auto b = Motion("second", 4.0f);
    const std::string file = PathFile("Paths", {a.get(), b.get()}, "Node");
    log.Reset();
    ASSERT_TRUE(LoadText(*scene, file));
    EXPECT_NE(log.Text().find("[*] Unexpected tag 'Node' in <Paths>.\n"), std::string::npos);
    ASSERT_EQ(scene->aiPaths.GetCount(), 2u);
    zAIPath* second = scene->FindAIPath("second");
    ASSERT_TRUE(second);
    EXPECT_EQ(second->GetNodes().GetCount(), 3u);
    // The matrix is not written.
    *second->GetMatrix() = zMatrix4::Translation(zVector(1.0f, 2.0f, 3.0f, 1.0f));
    const std::string saved = SaveText(*scene);
    EXPECT_EQ(Count(saved, "<Paths="), 1u);
    zScene* copy = Fresh();
    ASSERT_TRUE(LoadText(*copy, saved));
    EXPECT_EQ(SaveText(*copy), saved);
    zAIPath* reread = copy->FindAIPath("second");
    ASSERT_TRUE(reread);
    EXPECT_FALSE(reread->GetMatrix()->DiffersFrom(zMatrix4()));
    ExpectNodes(*reread, Nodes(*second));
}

TEST_F(AIPathScene, PathsFollowTheirFlag) {
    auto a = Motion("only", 1.0f);
    ASSERT_TRUE(LoadText(*scene, PathFile("Paths", {a.get()}), SceneLoadAll & ~SceneLoadPaths));
    EXPECT_EQ(scene->aiPaths.GetCount(), 0u);
    ASSERT_TRUE(LoadText(*scene, PathFile("Paths", {a.get()})));
    ASSERT_EQ(scene->aiPaths.GetCount(), 1u);
    EXPECT_EQ(Count(SaveText(*scene, SceneLoadAll & ~SceneLoadPaths), "Paths"), 0u);
    // An unnamed motion in the section keeps the reader's name.
    zMetaTag section("Paths");
    section.AddChild(new zMetaTag("Motion"));
    ASSERT_TRUE(scene->ParseAIPathsTag(nullptr, &section));
    EXPECT_EQ(static_cast<zAIPath*>(scene->aiPaths.GetTail())->GetName(), "Unnamed");
}

} // namespace
