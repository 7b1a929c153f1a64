#include <gtest/gtest.h>

#include <vector>

#include "core/random.h"
#include "render/raytrace/bih.h"
#include "render/raytrace/ray_hit.h"
#include "tests/support/log_capture.h"

namespace {

struct LeafCall {
    const zBIHNode* leaf;
    f32 tnear;
    f32 tfar;
};

// Records the leaves a ray reaches; optionally reports a hit at a distance.
struct RecordingBIH : zBIH {
    std::vector<LeafCall> calls;
    f32 hitAt = -1.0f;
    void IntersectLeaf(const zBIHNode& leaf, f32 tnear, f32 tfar, zBIHTraversal& frame, void*) override {
        calls.push_back({&leaf, tnear, tfar});
        if (hitAt > 0.0f) {
            frame.found = 1;
            frame.hitDistance = hitAt;
        }
    }
};

std::vector<zVector> Boxes(const std::vector<std::pair<zVector, zVector>>& pairs) {
    std::vector<zVector> boxes;
    for (const auto& pair : pairs) {
        boxes.push_back(pair.first);
        boxes.push_back(pair.second);
    }
    return boxes;
}

// Boxes [i, i + 0.5] x [0, 1] x [0, 1], i = 0..8.
std::vector<zVector> NineBoxes() {
    std::vector<std::pair<zVector, zVector>> pairs;
    for (int i = 0; i < 9; ++i)
        pairs.push_back({zVector(f32(i), 0, 0), zVector(f32(i) + 0.5f, 1, 1)});
    return Boxes(pairs);
}

std::vector<zVector> IdenticalBoxes(u32 count) {
    return Boxes(std::vector<std::pair<zVector, zVector>>(count, {zVector(0, 0, 0), zVector(1, 1, 1)}));
}

void Walk(RecordingBIH& tree, const zVector& origin, const zVector& direction, f32 max = -1.0f,
          u8 mode = RaySearchNearest) {
    zBIHTraversal frame;
    frame.searchMode = mode;
    tree.Traverse(frame, origin, direction, max, nullptr);
}

TEST(BIHBuild, NodeLeafAndDepthCounts) {
    struct Case {
        const char* name;
        std::vector<zVector> boxes;
        u32 leafLimit;
        u32 nodes, leaves, depth;
    };
    const std::vector<Case> cases = {
        {"three boxes under the limit", IdenticalBoxes(3), 3, 1, 1, 0},
        {"nine boxes split once", NineBoxes(), 8, 3, 2, 1},
        // Identical boxes never separate: one empty child per level to the limit.
        {"ten identical boxes", IdenticalBoxes(10), 8, 129, 65, 64},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        RecordingBIH tree;
        tree.SetLeafLimit(c.leafLimit);
        ASSERT_TRUE(tree.Build(u32(c.boxes.size() / 2), c.boxes.data()));
        EXPECT_EQ(tree.GetNodeCount(), c.nodes);
        EXPECT_EQ(tree.GetLeafCount(), c.leaves);
        EXPECT_EQ(tree.GetDepth(), c.depth);
        EXPECT_EQ(log.Text().rfind("Building bounding interval hierarchy BIH...\nDone in ", 0), 0u)
            << log.Text();
        const std::string tail = std::to_string(c.nodes) + " nodes, " + std::to_string(c.leaves) +
                                 " leaves, depth = " + std::to_string(c.depth) + "\n";
        EXPECT_NE(log.Text().find(tail), std::string::npos) << log.Text();
    }
}

TEST(BIHBuild, RootBoxIsTheUnionWidenedAndClipsBoundEachSide) {
    RecordingBIH tree;
    const std::vector<zVector> boxes = NineBoxes();
    ASSERT_TRUE(tree.Build(9, boxes.data()));
    EXPECT_FLOAT_EQ(tree.GetRootMin().x, -0.0001f);
    EXPECT_FLOAT_EQ(tree.GetRootMin().y, -0.0001f);
    EXPECT_FLOAT_EQ(tree.GetRootMax().x, 8.5001f);
    EXPECT_FLOAT_EQ(tree.GetRootMax().z, 1.0001f);
    const zBIHNode* root = tree.GetRoot();
    ASSERT_EQ(root->kind, 0);
    EXPECT_FLOAT_EQ(root->leftClip, 4.5001f);
    EXPECT_FLOAT_EQ(root->rightClip, 4.9999f);
    EXPECT_EQ(root->children[0].count, 5u);
    EXPECT_EQ(root->children[1].count, 4u);
}

TEST(BIHBuild, NoPrimitivesIsAnEmptyTreeThatEveryRayMisses) {
    RecordingBIH tree;
    EXPECT_TRUE(tree.Build(0, nullptr));
    EXPECT_EQ(tree.GetRoot(), nullptr);
    Walk(tree, zVector(0, 0, -1), zVector(0, 0, 1));
    EXPECT_TRUE(tree.calls.empty());
}

TEST(BIHTraverse, RayMissingTheRootBoxReachesNoLeaf) {
    RecordingBIH tree;
    const std::vector<zVector> boxes = NineBoxes();
    ASSERT_TRUE(tree.Build(9, boxes.data()));
    zBIHTraversal frame;
    tree.Traverse(frame, zVector(-1, 5, 0.5f), zVector(1, 0, 0), -1.0f, nullptr);
    EXPECT_TRUE(tree.calls.empty());
    EXPECT_EQ(frame.hitDistance, -1.0f);
}

TEST(BIHTraverse, LeavesComeNearFirstWithOrderedIntervals) {
    RecordingBIH tree;
    const std::vector<zVector> boxes = NineBoxes();
    ASSERT_TRUE(tree.Build(9, boxes.data()));
    const zBIHNode* root = tree.GetRoot();

    Walk(tree, zVector(-1, 0.5f, 0.5f), zVector(1, 0, 0));
    ASSERT_EQ(tree.calls.size(), 2u);
    EXPECT_EQ(tree.calls[0].leaf, &root->children[0]);
    EXPECT_EQ(tree.calls[1].leaf, &root->children[1]);
    EXPECT_NEAR(tree.calls[0].tnear, 0.9999f, 1e-5);
    EXPECT_NEAR(tree.calls[0].tfar, 5.5001f, 1e-5);
    EXPECT_NEAR(tree.calls[1].tnear, 5.9999f, 1e-5);
    EXPECT_NEAR(tree.calls[1].tfar, 9.5001f, 1e-5);

    // The reversed ray sees the right leaf first.
    tree.calls.clear();
    Walk(tree, zVector(10, 0.5f, 0.5f), zVector(-1, 0, 0));
    ASSERT_EQ(tree.calls.size(), 2u);
    EXPECT_EQ(tree.calls[0].leaf, &root->children[1]);
    EXPECT_EQ(tree.calls[1].leaf, &root->children[0]);
    EXPECT_LE(tree.calls[0].tfar, tree.calls[1].tnear);
}

TEST(BIHTraverse, MaximumDistanceStopsBeforeTheFarLeaf) {
    RecordingBIH tree;
    const std::vector<zVector> boxes = NineBoxes();
    ASSERT_TRUE(tree.Build(9, boxes.data()));
    Walk(tree, zVector(-1, 0.5f, 0.5f), zVector(1, 0, 0), 2.0f);
    ASSERT_EQ(tree.calls.size(), 1u);
    EXPECT_EQ(tree.calls[0].leaf, &tree.GetRoot()->children[0]);
    EXPECT_FLOAT_EQ(tree.calls[0].tfar, 2.0f);
    // Starting beyond the limit: nothing.
    tree.calls.clear();
    Walk(tree, zVector(-5, 0.5f, 0.5f), zVector(1, 0, 0), 2.0f);
    EXPECT_TRUE(tree.calls.empty());
}

TEST(BIHTraverse, ParallelRayInTheGapVisitsNeitherChild) {
    RecordingBIH tree;
    const std::vector<zVector> boxes = NineBoxes();
    ASSERT_TRUE(tree.Build(9, boxes.data()));
    Walk(tree, zVector(4.7f, -1, 0.5f), zVector(0, 1, 0));
    EXPECT_TRUE(tree.calls.empty());
    // Inside a side it reaches that side only.
    Walk(tree, zVector(4.2f, -1, 0.5f), zVector(0, 1, 0));
    ASSERT_EQ(tree.calls.size(), 1u);
    EXPECT_EQ(tree.calls[0].leaf, &tree.GetRoot()->children[0]);
}

TEST(BIHTraverse, AHitSkipsLaterNodes) {
    struct Case {
        const char* name;
        u8 mode;
        f32 hitAt;
        size_t leaves;
    };
    const Case cases[] = {
        {"any hit ends the walk", RaySearchAny, 50.0f, 1},
        {"a nearest hit before the far leaf skips it", RaySearchNearest, 3.0f, 1},
        {"a nearest hit beyond the far leaf's entry keeps it", RaySearchNearest, 7.0f, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingBIH tree;
        const std::vector<zVector> boxes = NineBoxes();
        ASSERT_TRUE(tree.Build(9, boxes.data()));
        tree.hitAt = c.hitAt;
        Walk(tree, zVector(-1, 0.5f, 0.5f), zVector(1, 0, 0), -1.0f, c.mode);
        EXPECT_EQ(tree.calls.size(), c.leaves);
    }
}

TEST(BIHTraverse, DegenerateDeepTreeKeepsItsStackInBounds) {
    RecordingBIH tree;
    const std::vector<zVector> boxes = IdenticalBoxes(10);
    ASSERT_TRUE(tree.Build(10, boxes.data()));
    ASSERT_EQ(tree.GetDepth(), 64u);
    SeedRand(7);
    size_t reached = 0;
    for (int i = 0; i < 1000; ++i) {
        zVector origin, direction;
        origin.Randomize(-2.0f, 3.0f);
        direction.Randomize(-1.0f, 1.0f);
        tree.calls.clear();
        Walk(tree, origin, direction.Normalize());
        for (const LeafCall& call : tree.calls)
            EXPECT_LE(call.tnear, call.tfar);
        reached += tree.calls.empty() ? 0 : 1;
    }
    EXPECT_GT(reached, 0u);
}

} // namespace
