// One failed allocation at a time in the shape caches and the world's
// factories: each gives null with its log line, caches nothing and leaks
// nothing; once no allocation fails, the shape is built.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/physics/physics_fixtures.h"
#include "tests/support/failing_allocation.h"
#include "tests/support/log_capture.h"

namespace {

struct Row {
    const char* what;
    const char* failureLine;
    std::function<bool(zBulletWorld&)> build;
    std::function<u32(zBulletWorld&)> cached;
};

} // namespace

TEST(PhysicsAllocationFailure, ShapeCachesFailCleanly) {
    const Row rows[] = {
        {"convex", "[!] Failed to allocate bullet convex.\n",
         [](zBulletWorld& world) { return bool(world.GetConvex("quad.zml")); },
         [](zBulletWorld& world) { return world.GetConvexCacheCount(); }},
        {"mesh", "[!] Failed to allocate bullet mesh.\n",
         [](zBulletWorld& world) { return bool(world.GetMesh("quad.zml")); },
         [](zBulletWorld& world) { return world.GetMeshCacheCount(); }},
    };
    PutMemoryFile("quad.zml",
                  GeometryText({zVector(0, 0, 0), zVector(1, 0, 0), zVector(1, 1, 0), zVector(0, 1, 0)},
                               {{{0, 1, 2, 3}}}));
    for (const Row& row : rows) {
        bool built = false;
        for (int failing = 0; failing < 64 && !built; ++failing) {
            WorldFixture f;
            // Loaded first, so the failures fall on the shape.
            ASSERT_NE(f.engine.LoadGeometry("quad.zml", true, false), nullptr);
            LogCapture log;
            FailingAllocation failure(failing);
            built = row.build(f.world);
            if (built) {
                EXPECT_FALSE(FailingAllocation::HasFailed()) << row.what << " " << failing;
                EXPECT_EQ(row.cached(f.world), 1u);
            } else {
                // A failed cache node also says so itself, before.
                const std::string text = log.Text();
                const std::string line = row.failureLine;
                EXPECT_TRUE(text.size() >= line.size() &&
                            text.compare(text.size() - line.size(), line.size(), line) == 0)
                    << row.what << " " << failing << ": " << text;
                EXPECT_EQ(row.cached(f.world), 0u) << row.what << " " << failing;
            }
        }
        EXPECT_TRUE(built) << row.what;
    }
}

TEST(PhysicsAllocationFailure, FactoriesGiveNull) {
    WorldFixture f;
    {
        FailingAllocation failure(0);
        EXPECT_EQ(f.world.CreatePhysicItem(), nullptr);
    }
    {
        FailingAllocation failure(0);
        EXPECT_EQ(f.world.CreateConstraint(), nullptr);
    }
    LogCapture log;
    {
        FailingAllocation failure(0);
        EXPECT_TRUE(f.world.RunAfterStep([] {}));
    }
    // Inside a step the work must be queued: a failed queue drops it, logged.
    bool ran = false;
    f.callback.onTick = [&](bool preTick) {
        if (!preTick) return;
        FailingAllocation failure(0);
        EXPECT_FALSE(f.world.RunAfterStep([&] { ran = true; }));
    };
    f.world.Step(1.0f / 60.0f);
    EXPECT_FALSE(ran);
    EXPECT_EQ(log.Text(), "[!] Failed to queue physics work until the end of the step.\n");
}
