#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

#include <BulletDynamics/ConstraintSolver/btPoint2PointConstraint.h>

#include "render/geometry.h"
#include "tests/physics/physics_fixtures.h"
#include "tests/support/log_capture.h"
#include "tests/support/recording_renderer.h"

TEST(BulletWorld, DefaultsBeforeCreate) {
    zEngine engine;
    zBulletWorld world(&engine);
    EXPECT_FLOAT_EQ(world.GetFixedTimeStep(), 1.0f / 60.0f);
    EXPECT_EQ(world.GetGravity().y, -9.8f);
    EXPECT_EQ(world.GetGravity().w, 1.0f);
    EXPECT_EQ(world.GetCallback(), nullptr);
    EXPECT_EQ(world.GetDynamicsWorld(), nullptr);
    // Everything that needs the Bullet world is a no-op without it.
    zPhysicRayResult result;
    EXPECT_FALSE(world.Raytrace(zVector(0, 0, 0), zVector(1, 0, 0), result, 1, 0, 0.0f));
    EXPECT_EQ(world.GetContactCount(), 0u);
    zPhysicContact contact;
    EXPECT_FALSE(world.GetContact(0, contact));
    world.Step(0.1f);
    world.DebugDraw(0);
    FakeRenderHost host;
    RecordingRenderer renderer(&host, false);
    world.SetDebugDrawer(&renderer);
    EXPECT_EQ(world.GetDebugDrawMode(), -1);
}

TEST(BulletWorld, CreateSetsUpTheWorld) {
    WorldFixture f;
    btDiscreteDynamicsWorld* bullet = f.world.GetDynamicsWorld();
    ASSERT_NE(bullet, nullptr);
    EXPECT_EQ(bullet->getSolverInfo().m_solverMode, 260);
    EXPECT_FALSE(bullet->getLatencyMotionStateInterpolation());
    EXPECT_EQ(bullet->getWorldUserInfo(), &f.world);
    f.world.Destroy();
    EXPECT_EQ(f.world.GetDynamicsWorld(), nullptr);
    EXPECT_TRUE(f.world.Create());
}

TEST(BulletWorld, StepRunsAtMostFourSubSteps) {
    WorldFixture f;
    f.world.Step(0.1f);
    EXPECT_EQ(f.callback.preTicks, 4);
    EXPECT_EQ(f.callback.postTicks, 4);
    for (f32 step : f.callback.steps)
        EXPECT_FLOAT_EQ(step, 1.0f / 60.0f);
    // Counted over a span: 30 frames of 1/30 s are 60 sub-steps.
    WorldFixture span;
    for (int frame = 0; frame < 30; ++frame)
        span.world.Step(1.0f / 30.0f);
    EXPECT_NEAR(span.callback.preTicks, 60, 1);
    EXPECT_EQ(span.callback.preTicks, span.callback.postTicks);
}

TEST(BulletWorld, FixedStepTakesOnlyPositiveFiniteValues) {
    struct Case {
        f32 step;
        bool taken;
    };
    const Case cases[] = {{0.05f, true}, {0.0f, false}, {-0.1f, false}, {NAN, false}, {INFINITY, false}};
    for (const Case& c : cases) {
        WorldFixture f;
        LogCapture log;
        EXPECT_EQ(f.world.SetFixedTimeStep(c.step), c.taken) << c.step;
        EXPECT_EQ(log.Text().empty(), c.taken) << c.step;
        EXPECT_FLOAT_EQ(f.world.GetFixedTimeStep(), c.taken ? c.step : 1.0f / 60.0f);
        f.world.Step(0.1f);
        EXPECT_EQ(f.callback.preTicks, c.taken ? 2 : 4) << c.step;
    }
}

TEST(BulletWorld, FreeFallFollowsTheFixedStep) {
    WorldFixture f;
    zBulletPhysicItem* ball = f.AddSphere(zVector(0, 10, 0), 0.5f, 1.0f);
    ball->GetRigidBody()->setDamping(0, 0);
    const btVector3 gravity = ball->GetRigidBody()->getGravity();
    EXPECT_FLOAT_EQ(gravity.y(), -9.8f);
    for (int frame = 0; frame < 60; ++frame)
        f.world.Step(1.0f / 60.0f);
    // Velocity first, then position: 10 - g dt^2 (1 + ... + 60).
    const f32 dt = 1.0f / 60.0f;
    EXPECT_NEAR(WorldFixture::MotionStatePosition(ball).y, 10.0f - 9.8f * dt * dt * (60.0f * 61.0f / 2.0f),
                1e-3f);
}

TEST(BulletWorld, RaytraceCastsAlongTheUnnormalisedDirection) {
    struct Case {
        f32 boxX;
        zVector direction;
        f32 maxDistance;
        u32 group;
        bool hit;
    };
    const Case cases[] = {
        {4000.0f, zVector(1, 0, 0), 0.0f, 1, true},    {9000.0f, zVector(2, 0, 0), 0.0f, 1, true},
        {6000.0f, zVector(1, 0, 0), 0.0f, 1, false},   {6000.0f, zVector(1, 0, 0), -3.0f, 1, false},
        {6000.0f, zVector(1, 0, 0), 7000.0f, 1, true}, {50.0f, zVector(0, 1, 0), 0.0f, 1, false},
    };
    for (const Case& c : cases) {
        WorldFixture f;
        zBulletPhysicItem* box = f.AddBox(zVector(c.boxX, 0, 0), 1.0f, 0.0f);
        zPhysicRayResult result;
        result.position = zVector(-7, -7, -7);
        const bool hit = f.world.Raytrace(zVector(0, 0, 0), c.direction, result, c.group, 0, c.maxDistance);
        EXPECT_EQ(hit, c.hit) << c.boxX;
        if (hit) {
            EXPECT_EQ(result.item, box);
            EXPECT_NEAR(result.position.x, c.boxX - 1.0f, 1e-2f);
            EXPECT_NEAR(result.normal.x, -1.0f, 1e-4f);
            EXPECT_EQ(result.normal.w, 1.0f);
        } else {
            EXPECT_EQ(result.position.x, -7.0f);
            EXPECT_EQ(result.item, nullptr);
        }
    }
}

TEST(BulletWorld, RaytraceGroupIsSixteenBits) {
    WorldFixture f;
    zBulletPhysicItem* box = f.AddBox(zVector(10, 0, 0), 1.0f, 0.0f);
    box->GetRigidBody()->getBroadphaseHandle()->m_collisionFilterMask = 2;
    struct Case {
        u32 group;
        bool hit;
    };
    for (const Case& c : {Case{1, false}, Case{2, true}, Case{0x10001, false}, Case{0x10002, true}}) {
        zPhysicRayResult result;
        EXPECT_EQ(f.world.Raytrace(zVector(0, 0, 0), zVector(1, 0, 0), result, c.group, 0, 0.0f), c.hit)
            << c.group;
    }
}

TEST(BulletWorld, ContactsOfARestingBox) {
    WorldFixture f;
    zBulletPhysicItem* ground = f.AddBox(zVector(0, -1, 0), 1.0f, 0.0f);
    zBulletPhysicItem* box = f.AddBox(zVector(0, 0.5f, 0), 0.5f, 1.0f);
    for (int frame = 0; frame < 6; ++frame)
        f.world.Step(1.0f / 60.0f);
    ASSERT_FALSE(f.callback.contacts.empty());
    // Once touching, every post-tick sees the pair (in either order).
    const auto& last = f.callback.contacts.back();
    ASSERT_EQ(last.size(), 1u);
    const std::set<zPhysicItem*> pair = {last[0].itemA, last[0].itemB};
    EXPECT_EQ(pair, (std::set<zPhysicItem*>{ground, box}));
    EXPECT_GE(last[0].pointCount, 1u);
    EXPECT_LE(last[0].pointCount, PhysicContactMaxPoints);
    for (u32 i = 0; i < last[0].pointCount; ++i) {
        EXPECT_NEAR(last[0].positions[i].y, 0.0f, 0.05f);
        EXPECT_NEAR(std::abs(last[0].normals[i].y), 1.0f, 1e-3f);
        EXPECT_EQ(last[0].positions[i].w, 1.0f);
    }
    zPhysicContact contact;
    EXPECT_TRUE(f.world.GetContact(0, contact));
    EXPECT_FALSE(f.world.GetContact(f.world.GetContactCount(), contact));
}

// A visitor that removes the bodies while contacts are walked: the walk
// re-reads the count and the record it holds is a copy.
TEST(BulletWorld, BodiesRemovedDuringTheContactWalk) {
    WorldFixture f;
    zBulletPhysicItem* ground = f.AddBox(zVector(0, -1, 0), 1.0f, 0.0f);
    zBulletPhysicItem* box = f.AddBox(zVector(0, 0.5f, 0), 0.5f, 1.0f);
    int visited = 0;
    f.callback.onContact = [&](const zPhysicContact& contact) {
        ++visited;
        f.world.RemovePhysicItem(ground);
        f.world.RemovePhysicItem(box);
        EXPECT_TRUE(contact.itemA == ground || contact.itemA == box);
    };
    for (int frame = 0; frame < 6; ++frame)
        f.world.Step(1.0f / 60.0f);
    EXPECT_EQ(visited, 1);
    EXPECT_EQ(f.world.GetContactCount(), 0u);
}

TEST(BulletWorld, WorkQueuedDuringAStepRunsAfterIt) {
    WorldFixture f;
    zBulletPhysicItem* box = f.AddBox(zVector(0, 0, 0), 0.5f, 1.0f);
    std::vector<std::string> order;
    f.callback.onTick = [&](bool preTick) {
        EXPECT_TRUE(f.world.IsStepping());
        if (preTick && f.callback.preTicks == 1)
            f.world.RunAfterStep([&] {
                order.push_back("removed");
                f.world.RemovePhysicItem(box);
                f.world.RunAfterStep([&] { order.push_back("nested"); });
            });
        if (!preTick) order.push_back("tick");
    };
    f.world.Step(0.05f);
    EXPECT_FALSE(f.world.IsStepping());
    EXPECT_EQ(order, (std::vector<std::string>{"tick", "tick", "tick", "removed", "nested"}));
    EXPECT_FALSE(box->GetRigidBody()->isInWorld());
    bool ran = false;
    f.world.RunAfterStep([&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST(BulletWorld, StepInsideAStepIsRefused) {
    WorldFixture f;
    LogCapture log;
    f.callback.onTick = [&](bool) { f.world.Step(0.1f); };
    f.world.Step(1.0f / 30.0f);
    EXPECT_EQ(f.callback.preTicks, 2);
    EXPECT_EQ(f.callback.postTicks, 2);
    EXPECT_NE(log.Text().find("[!] Physics step requested inside a physics step; ignored.\n"),
              std::string::npos);
}

// Items and constraints outliving Bullet's world (Destroy before them).
TEST(BulletWorld, DestroyBeforeItsItems) {
    WorldFixture f;
    zBulletPhysicItem* box = f.AddBox(zVector(0, 0, 0), 0.5f, 1.0f);
    std::unique_ptr<zPhysicConstraint> constraint(f.world.CreateConstraint());
    static_cast<zBulletConstraint*>(constraint.get())
        ->AdoptConstraint(
            std::make_unique<btPoint2PointConstraint>(*box->GetRigidBody(), btVector3(0, 1, 0)));
    f.world.AddConstraint(constraint.get());
    f.world.Destroy();
    EXPECT_FALSE(box->GetRigidBody()->isInWorld());
    f.world.AddPhysicItem(box);
    f.world.Step(0.1f);
    constraint.reset();
    f.items.clear();
}

TEST(BulletWorld, AddAndRemoveItemsAndConstraints) {
    WorldFixture f;
    btDiscreteDynamicsWorld* bullet = f.world.GetDynamicsWorld();
    zBulletPhysicItem* box = f.AddBox(zVector(0, 0, 0), 0.5f, 1.0f, false);
    EXPECT_EQ(bullet->getNumCollisionObjects(), 0);
    f.world.AddPhysicItem(box);
    EXPECT_EQ(bullet->getNumCollisionObjects(), 1);
    f.world.RemovePhysicItem(box);
    EXPECT_EQ(bullet->getNumCollisionObjects(), 0);
    // Items without a body change nothing.
    std::unique_ptr<zPhysicItem> empty(f.world.CreatePhysicItem());
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->GetMode(), PhysicModeNone);
    EXPECT_EQ(empty->GetWorld(), &f.world);
    f.world.AddPhysicItem(empty.get());
    f.world.AddPhysicItem(nullptr);
    EXPECT_EQ(bullet->getNumCollisionObjects(), 0);

    f.world.AddPhysicItem(box);
    std::unique_ptr<zPhysicConstraint> constraint(f.world.CreateConstraint());
    ASSERT_NE(constraint, nullptr);
    EXPECT_EQ(constraint->GetType(), PhysicConstraintPoint);
    EXPECT_EQ(constraint->GetItemA(), nullptr);
    EXPECT_FALSE(constraint->GetPivotB().DiffersFrom(zMatrix4::Identity));
    f.world.AddConstraint(constraint.get());
    EXPECT_EQ(bullet->getNumConstraints(), 0);
    static_cast<zBulletConstraint*>(constraint.get())
        ->AdoptConstraint(
            std::make_unique<btPoint2PointConstraint>(*box->GetRigidBody(), btVector3(0, 1, 0)));
    f.world.AddConstraint(constraint.get());
    EXPECT_EQ(bullet->getNumConstraints(), 1);
    f.world.RemoveConstraint(constraint.get());
    EXPECT_EQ(bullet->getNumConstraints(), 0);
    // A constraint destroyed while added leaves the world.
    f.world.AddConstraint(constraint.get());
    constraint.reset();
    EXPECT_EQ(bullet->getNumConstraints(), 0);
    // So does a body.
    f.items.clear();
    EXPECT_EQ(bullet->getNumCollisionObjects(), 0);
}

TEST(BulletWorld, DebugDrawDrawsWireframesOnlyWithADrawer) {
    WorldFixture f;
    RecordingRenderer renderer(&f.engine, false);
    f.AddBox(zVector(0, 5, 0), 0.5f, 0.0f);
    f.world.DebugDraw(0);
    EXPECT_EQ(f.world.GetDebugDrawMode(), -1);
    f.world.SetDebugDrawer(&renderer);
    EXPECT_EQ(f.world.GetDebugDrawMode(), 0);
    f.world.DebugDraw(0);
    EXPECT_EQ(renderer.lines.size(), 12u);
    EXPECT_EQ(f.world.GetDebugDrawMode(), 0);
    for (const RecordedLine& line : renderer.lines) {
        EXPECT_EQ(line.from.w, 1.0f);
        EXPECT_EQ(line.colorValue.rgba[3], 1.0f);
        EXPECT_NEAR(std::abs(line.from.y - 5.0f), 0.5f, 1e-4f);
    }
}

TEST(BulletWorld, DebugDrawShowsContactPointsAsCrosses) {
    WorldFixture f;
    RecordingRenderer renderer(&f.engine, false);
    ASSERT_TRUE(renderer.Open(64, 64, 32, false));
    f.AddBox(zVector(0, -1, 0), 1.0f, 0.0f);
    f.AddBox(zVector(0, 0.5f, 0), 0.5f, 1.0f);
    for (int frame = 0; frame < 6; ++frame)
        f.world.Step(1.0f / 60.0f);
    zPhysicContact contact;
    ASSERT_TRUE(f.world.GetContact(0, contact));
    f.world.SetDebugDrawer(&renderer);
    f.world.DebugDraw(0);
    // Two boxes of 12 edges, and a cross of three lines per contact point.
    EXPECT_EQ(renderer.lines.size(), 24u + 3u * contact.pointCount);
    for (u32 i = 0; i < contact.pointCount; ++i) {
        const zVector& p = contact.positions[i];
        int found = 0;
        for (const RecordedLine& line : renderer.lines)
            found += std::abs(line.from.x - (p.x - 1.0f)) < 1e-4f &&
                     std::abs(line.to.x - (p.x + 1.0f)) < 1e-4f && std::abs(line.from.y - p.y) < 1e-4f &&
                     std::abs(line.from.z - p.z) < 1e-4f;
        EXPECT_GE(found, 1) << i;
    }
    EXPECT_EQ(f.world.GetDebugDrawMode(), 0);
}
