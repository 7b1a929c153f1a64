// Physic items and point constraints over a real Bullet world.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include <BulletCollision/CollisionShapes/btCompoundShape.h>
#include <BulletCollision/CollisionShapes/btSphereShape.h>
#include <BulletDynamics/ConstraintSolver/btPoint2PointConstraint.h>
#include <BulletDynamics/Dynamics/btDiscreteDynamicsWorld.h>
#include <BulletDynamics/Dynamics/btRigidBody.h>
#include <LinearMath/btDefaultMotionState.h>

#include "engine/engine.h"
#include "markup/meta_tag.h"
#include "physics/bullet_world.h"
#include "tests/support/log_capture.h"

namespace {

constexpr f32 HalfPi = 1.5707964f;

struct ItemWorld {
    zEngine engine;
    zBulletWorld world{&engine};
    std::vector<std::unique_ptr<zPhysicItem>> items;
    std::vector<zMatrix4> matrices;

    ItemWorld() {
        EXPECT_TRUE(world.Create());
        items.reserve(16);
        matrices.reserve(16);
    }
    ~ItemWorld() { items.clear(); }

    // An item of that mode placed by matrix; shapes are added by the caller.
    zBulletPhysicItem* Add(u32 mode, const zMatrix4& matrix = zMatrix4()) {
        auto* item = static_cast<zBulletPhysicItem*>(world.CreatePhysicItem());
        items.emplace_back(item);
        matrices.push_back(matrix);
        const size_t index = matrices.size() - 1;
        item->SetWorldMatrixSource([this, index] { return matrices[index]; });
        item->SetMode(mode);
        return item;
    }
    static zPhysicShape* AddShape(zPhysicItem* item, u32 type, const zVector& size, f32 mass,
                                  const zVector& position = zVector(0, 0, 0, 1)) {
        zPhysicShape* shape = item->AddCollisionShape();
        shape->SetPrimitive(type, size);
        shape->mass = mass;
        shape->position = position;
        return shape;
    }
    zBulletPhysicItem* Sphere(u32 mode, const zVector& at, f32 radius = 1.0f, f32 mass = 1.0f) {
        zBulletPhysicItem* item = Add(mode, zMatrix4::Translation(at));
        AddShape(item, PhysicShapeSphere, zVector(radius, radius, radius, 1), mass);
        item->UpdateInertiaTensorFromCollision();
        return item;
    }
    int ConstraintCount() const { return world.GetDynamicsWorld()->getNumConstraints(); }
    void Steps(int count) {
        for (int i = 0; i < count; ++i) world.Step(1.0f / 60.0f);
    }
};

void ExpectNear(const zVector& actual, f32 x, f32 y, f32 z, f32 tolerance = 1e-4f) {
    EXPECT_NEAR(actual.x, x, tolerance);
    EXPECT_NEAR(actual.y, y, tolerance);
    EXPECT_NEAR(actual.z, z, tolerance);
}

TEST(PhysicItem, DynamicWithoutShapesGetsAUnitBodyThatCollidesWithNothing) {
    ItemWorld w;
    zBulletPhysicItem* item = w.Add(PhysicModeDynamic);
    EXPECT_TRUE(item->UpdateInertiaTensorFromCollision());
    btRigidBody* body = item->GetRigidBody();
    ASSERT_NE(body, nullptr);
    EXPECT_FLOAT_EQ(body->getInvMass(), 1.0f);
    EXPECT_FLOAT_EQ(body->getInvInertiaDiagLocal().x(), 1.0f);
    EXPECT_FLOAT_EQ(body->getInvInertiaDiagLocal().z(), 1.0f);
    EXPECT_EQ(body->getBroadphaseHandle()->m_collisionFilterGroup, 0);
    EXPECT_EQ(body->getBroadphaseHandle()->m_collisionFilterMask, 0);
}

TEST(PhysicItem, ShapesThatBuildNothingLeaveNoBodyAndModeNone) {
    ItemWorld w;
    struct Case {
        u32 mode;
        u32 shapeType;
    };
    // Type 0, a heightmap without samples, a convex without a geometry
    // loader, and a static item with no shape.
    const Case cases[] = {{PhysicModeDynamic, PhysicShapeNone},
                          {PhysicModeStatic, PhysicShapeHeightmap},
                          {PhysicModeDynamic, PhysicShapeConvex},
                          {PhysicModeStatic, 99}};
    for (const Case& c : cases) {
        zBulletPhysicItem* item = w.Add(c.mode);
        ItemWorld::AddShape(item, c.shapeType, zVector(1, 1, 1, 1), 1.0f);
        item->UpdateInertiaTensorFromCollision();
        EXPECT_EQ(item->GetRigidBody(), nullptr) << c.shapeType;
        EXPECT_EQ(item->GetMode(), PhysicModeNone) << c.shapeType;
    }
    zBulletPhysicItem* none = w.Add(PhysicModeNone);
    ItemWorld::AddShape(none, PhysicShapeBox, zVector(1, 1, 1, 1), 1.0f);
    none->UpdateInertiaTensorFromCollision();
    EXPECT_EQ(none->GetRigidBody(), nullptr);
}

TEST(PhysicItem, CentreOfMassOffsetPlacesChildrenAndTheBody) {
    ItemWorld w;
    const zMatrix4 turned = zMatrix4::Compose(zVector(0, 0, 0, 1), zVector(0, HalfPi, 0, 1), zVector(1, 1, 1, 1),
                                              zVector(0, 0, 0, 1));
    zBulletPhysicItem* item = w.Add(PhysicModeDynamic);
    ItemWorld::AddShape(item, PhysicShapeBox, zVector(1, 1, 1, 1), 1.0f, zVector(0, 0, 0, 1));
    ItemWorld::AddShape(item, PhysicShapeBox, zVector(1, 1, 1, 1), 1.0f, zVector(2, 0, 0, 1));
    item->UpdateInertiaTensorFromCollision();
    ExpectNear(item->GetCenterOfMassOffset(), 1, 0, 0);
    auto* compound = static_cast<btCompoundShape*>(item->GetCompoundShape());
    ASSERT_EQ(compound->getNumChildShapes(), 2);
    EXPECT_FLOAT_EQ(compound->getChildTransform(0).getOrigin().x(), -1.0f);
    EXPECT_FLOAT_EQ(compound->getChildTransform(1).getOrigin().x(), 1.0f);
    EXPECT_FLOAT_EQ(item->GetRigidBody()->getInvMass(), 0.5f);
    item->ResetTransformation(turned);
    ExpectNear(item->GetCenterOfMass(), 0, 0, -1);
    // The motion state gives the item's own place back, without the offset.
    w.world.Step(1.0f / 60.0f);
    zMatrix4 motion;
    item->GetMotionStateMatrix(motion);
    EXPECT_NEAR(motion.GetRow(3, true).z, 0.0f, 1e-3f);
}

TEST(PhysicItem, DampingIsTheShareOfVelocityKept) {
    ItemWorld w;
    zBulletPhysicItem* item = w.Sphere(PhysicModeDynamic, zVector(0, 0, 0, 1));
    item->SetLinearDamping(0.2f);
    EXPECT_FLOAT_EQ(item->GetRigidBody()->getLinearDamping(), 0.8f);
    item->SetGravity(zVector(0, 0, 0, 1));
    item->SetLinearVelocity(zVector(10, 0, 0, 1));
    w.Steps(60);
    EXPECT_NEAR(item->GetLinearVelocity().x, 2.0f, 0.01f);
    item->SetLinearDamping(1.0f);
    EXPECT_FLOAT_EQ(item->GetRigidBody()->getLinearDamping(), 0.0f);
    // Kept across a rebuild.
    item->SetLinearDamping(0.5f);
    item->UpdateInertiaTensorFromCollision();
    EXPECT_FLOAT_EQ(item->GetRigidBody()->getLinearDamping(), 0.5f);
}

TEST(PhysicItem, PointImpulseIsTheVelocityChangeOfThePoint) {
    ItemWorld w;
    zBulletPhysicItem* item = w.Sphere(PhysicModeDynamic, zVector(0, 0, 0, 1));
    const zVector point(1, 0, 0, 1);
    item->ApplyImpulse(zVector(0, 1, 0, 1), &point);
    zVector velocity;
    item->GetWorldPointVelocity(velocity, point);
    ExpectNear(velocity, 0, 1, 0);
    EXPECT_NEAR(item->GetLinearVelocity().y, 0.2857143f, 1e-5f);
    item->GetPointVelocity(velocity, zVector(1, 0, 0, 1));
    ExpectNear(velocity, 0, 1, 0);

    zBulletPhysicItem* central = w.Sphere(PhysicModeDynamic, zVector(5, 0, 0, 1), 1.0f, 2.0f);
    central->ApplyImpulse(zVector(0, 1, 0, 1), nullptr);
    ExpectNear(central->GetLinearVelocity(), 0, 1, 0);
}

TEST(PhysicItem, ForcesOnlyMoveDynamicBodies) {
    ItemWorld w;
    for (u32 mode : {PhysicModeStatic, PhysicModeKinematic}) {
        zBulletPhysicItem* item = w.Sphere(mode, zVector(0, 0, 0, 1));
        item->Sleep(true);
        item->ApplyForce(zVector(0, 100, 0, 1), nullptr);
        item->ApplyImpulse(zVector(0, 100, 0, 1), nullptr);
        EXPECT_EQ(item->GetRigidBody()->getTotalForce().length(), 0.0f) << mode;
        EXPECT_EQ(item->GetLinearVelocity().y, 0.0f) << mode;
    }
    zBulletPhysicItem* dynamic = w.Sphere(PhysicModeDynamic, zVector(10, 0, 0, 1));
    dynamic->Sleep(true);
    dynamic->ApplyForce(zVector(0, 5, 0, 1), nullptr);
    EXPECT_FLOAT_EQ(dynamic->GetRigidBody()->getTotalForce().y(), 5.0f);
    EXPECT_FALSE(dynamic->IsSleeping());
}

TEST(PhysicItem, KinematicBodyFollowsItsItemAndPushes) {
    ItemWorld w;
    zBulletPhysicItem* pusher = w.Add(PhysicModeKinematic);
    ItemWorld::AddShape(pusher, PhysicShapeBox, zVector(1, 1, 1, 1), 0.0f);
    pusher->UpdateInertiaTensorFromCollision();
    zBulletPhysicItem* crate = w.Add(PhysicModeDynamic, zMatrix4::Translation(zVector(1.05f, 0, 0, 1)));
    ItemWorld::AddShape(crate, PhysicShapeBox, zVector(1, 1, 1, 1), 1.0f);
    crate->UpdateInertiaTensorFromCollision();
    crate->SetGravity(zVector(0, 0, 0, 1));
    EXPECT_TRUE(pusher->GetRigidBody()->isKinematicObject());
    w.matrices[0] = zMatrix4::Translation(zVector(0.5f, 0, 0, 1));
    w.Steps(10);
    EXPECT_NEAR(pusher->GetCenterOfMass().x, 0.5f, 1e-5f);
    EXPECT_GT(crate->GetCenterOfMass().x, 1.1f);
}

TEST(PhysicItem, CollisionSwitchAndMasks) {
    ItemWorld w;
    zBulletPhysicItem* item = w.Sphere(PhysicModeDynamic, zVector(0, 0, 0, 1));
    item->SetSelfMask(0x10003);
    item->SetCollisionMask(6);
    btBroadphaseProxy* handle = item->GetRigidBody()->getBroadphaseHandle();
    EXPECT_EQ(handle->m_collisionFilterGroup, 3);
    EXPECT_EQ(handle->m_collisionFilterMask, 6);
    EXPECT_EQ(item->GetSelfMask(), 0x10003u);
    EXPECT_TRUE(item->IsCollisionActive());
    item->CollisionActivate(false);
    EXPECT_FALSE(item->IsCollisionActive());
    EXPECT_EQ(handle->m_collisionFilterGroup, 0);
    item->CollisionActivate(true);
    EXPECT_TRUE(item->IsCollisionActive());
    EXPECT_EQ(handle->m_collisionFilterMask, 6);
    // A ray of a group the mask misses passes through.
    zPhysicRayResult hit;
    EXPECT_FALSE(w.world.Raytrace(zVector(0, 5, 0, 1), zVector(0, -1, 0, 1), hit, 1, 0, 10));
    EXPECT_TRUE(w.world.Raytrace(zVector(0, 5, 0, 1), zVector(0, -1, 0, 1), hit, 2, 0, 10));
    EXPECT_EQ(hit.item, item);
}

TEST(PhysicItem, HeightfieldRaysHitTheSampleHeights) {
    ItemWorld w;
    // 4 columns x 3 rows, row r at z = -r * 2.
    std::unique_ptr<i16[]> samples(new i16[12]{0, 20, 40, 60, 100, 80, 60, 40, -20, 0, 200, 20});
    zBulletPhysicItem* ground = w.Add(PhysicModeStatic);
    zPhysicShape* shape = ground->AddCollisionShape();
    shape->SetHeightmap(samples.get(), 4, 3, 2.0f);
    ground->UpdateInertiaTensorFromCollision();
    ASSERT_NE(ground->GetRigidBody(), nullptr);
    // The body keeps its own copy.
    const std::vector<i16> kept(samples.get(), samples.get() + 12);
    samples.reset();
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 4; ++column) {
            zPhysicRayResult hit;
            // Rays on the field's border are nudged inside; cells slope by
            // at most 5 per unit there.
            const f32 x = f32(column) * 2.0f + (column == 0 ? 1e-3f : column == 3 ? -1e-3f : 0.0f);
            const f32 z = -f32(row) * 2.0f + (row == 0 ? -1e-3f : row == 2 ? 1e-3f : 0.0f);
            ASSERT_TRUE(w.world.Raytrace(zVector(x, 50, z, 1), zVector(0, -1, 0, 1), hit, 1, 0, 100))
                << row << "," << column;
            EXPECT_NEAR(hit.position.y, f32(kept[size_t(row * 4 + column)]) * PhysicHeightScale, 1e-2f)
                << row << "," << column;
        }
    }
}

// The shape used to keep a pointer to the caller's samples, so a body built
// after they were freed (a terrain's new heightmap) read freed memory.
TEST(PhysicItem, HeightfieldShapeKeepsItsOwnSamplesUntilTheBodyIsBuilt) {
    ItemWorld w;
    std::unique_ptr<i16[]> samples(new i16[9]{40, 40, 40, 40, 40, 40, 40, 40, 40});
    zBulletPhysicItem* ground = w.Add(PhysicModeStatic);
    zPhysicShape* shape = ground->AddCollisionShape();
    ASSERT_TRUE(shape->SetHeightmap(samples.get(), 3, 3, 1.0f));
    EXPECT_NE(shape->heightmapSamples.get(), samples.get());
    samples.reset();
    ground->UpdateInertiaTensorFromCollision();
    ASSERT_NE(ground->GetRigidBody(), nullptr);
    zPhysicRayResult hit;
    ASSERT_TRUE(w.world.Raytrace(zVector(1, 50, -1, 1), zVector(0, -1, 0, 1), hit, 1, 0, 100));
    EXPECT_NEAR(hit.position.y, 2.0f, 1e-3f);

    // No samples: a heightmap shape without any, which builds no body part.
    ASSERT_TRUE(shape->SetHeightmap(nullptr, 3, 3, 1.0f));
    EXPECT_EQ(shape->type, PhysicShapeHeightmap);
    EXPECT_EQ(shape->heightmapSamples, nullptr);
    EXPECT_EQ(shape->heightmapColumns, 0);
}

TEST(PhysicItem, SphereComesToRestInAHeightfieldBowl) {
    ItemWorld w;
    // 3 x 3 samples, the middle one lowest.
    const i16 samples[9] = {100, 100, 100, 100, 0, 100, 100, 100, 100};
    zBulletPhysicItem* ground = w.Add(PhysicModeStatic);
    ground->AddCollisionShape()->SetHeightmap(samples, 3, 3, 2.0f);
    ground->UpdateInertiaTensorFromCollision();
    zBulletPhysicItem* ball = w.Sphere(PhysicModeDynamic, zVector(2, 8, -2, 1), 0.5f);
    w.Steps(240);
    // Resting on the faces around (2, 0, -2), which slope by 2.5.
    const zVector centre = ball->GetCenterOfMass();
    EXPECT_NEAR(centre.x, 2.0f, 0.05f);
    EXPECT_NEAR(centre.z, -2.0f, 0.05f);
    EXPECT_GT(centre.y, 0.5f);
    EXPECT_LT(centre.y, 2.5f);
    EXPECT_NEAR(ball->GetLinearVelocity().y, 0.0f, 0.05f);
}

TEST(PhysicShapeTag, ReadsAndWritesTheShape) {
    LogCapture log;
    zMetaTag tag("PhysicShape");
    tag.AddChild(new zMetaTag("Type", "Cuboid"));
    tag.AddChild(new zMetaTag("Radius", 3.0f));
    tag.AddChild(new zMetaTag("Mesh", "rock.zge"));
    tag.AddChild(new zMetaTag("Bogus", 1));
    tag.AddChild(new zMetaTag("Damping", 1.0f));
    zPhysicShape shape;
    ASSERT_TRUE(shape.ParseTag(&tag));
    EXPECT_EQ(shape.type, PhysicShapeBox);
    EXPECT_EQ(shape.mass, 1.0f);
    EXPECT_EQ(shape.dimensions.x, 3.0f);
    EXPECT_EQ(log.Text(), "[*] Unknown tag 'Bogus' in <PhysicShape>.\n");
    std::unique_ptr<zMetaTag> written(shape.SerializeTag());
    ASSERT_TRUE(written);
    const char* text = nullptr;
    ASSERT_TRUE(written->GetTag("Type")->GetValue().GetString(text));
    EXPECT_STREQ(text, "Box");
    // Not a convex or mesh: no "Mesh".
    EXPECT_EQ(written->GetTag("Mesh"), nullptr);
    // A massless shape stays massless through a round trip.
    shape.mass = 0.0f;
    shape.type = PhysicShapeNone;
    written.reset(shape.SerializeTag());
    EXPECT_EQ(written->GetTag("Type"), nullptr);
    zPhysicShape reread;
    ASSERT_TRUE(reread.ParseTag(written.get()));
    EXPECT_EQ(reread.mass, 0.0f);
    EXPECT_NE(written->GetTag("Restitution"), nullptr);

    const char* types[][2] = {{"PolyMesh", "Mesh"}, {"Heightmap", "Heightmap"}, {"Other", nullptr}};
    for (auto& pair : types) {
        zMetaTag typed("GColShape");
        typed.AddChild(new zMetaTag("Type", pair[0]));
        ASSERT_TRUE(shape.ParseTag(&typed));
        written.reset(shape.SerializeTag());
        zMetaTag* type = written->GetTag("Type");
        if (!pair[1]) {
            EXPECT_EQ(type, nullptr);
            continue;
        }
        ASSERT_TRUE(type && type->GetValue().GetString(text));
        EXPECT_STREQ(text, pair[1]);
    }
    zMetaTag wrong("Shape");
    log.Reset();
    EXPECT_FALSE(shape.ParseTag(&wrong));
    EXPECT_EQ(log.Text(), "[!] Could not parse physic shape. Root tag id is incorrect (Shape).\n");
}

TEST(PhysicItemTag, RoundTripAndErrors) {
    ItemWorld w;
    LogCapture log;
    zBulletPhysicItem* item = w.Add(PhysicModeNone);
    zMetaTag tag("GColItem");
    tag.AddChild(new zMetaTag("SelfMask", 4));
    tag.AddChild(new zMetaTag("Mode", "Kinematic"));
    tag.AddChild(new zMetaTag("LinearDamping", 0.25f));
    tag.AddChild(new zMetaTag("AngularDamping_v2", 0.75f));
    tag.AddChild(new zMetaTag("Flag", 1));
    auto* shapes = new zMetaTag("Shapes");
    auto* good = new zMetaTag("PhysicShape");
    good->AddChild(new zMetaTag("Type", "Sphere"));
    shapes->AddChild(good);
    shapes->AddChild(new zMetaTag("NotAShape"));
    tag.AddChild(shapes);
    tag.AddChild(new zMetaTag("Extra"));
    ASSERT_TRUE(item->ParseTag(&w.engine, 0, &tag));
    EXPECT_EQ(item->GetMode(), PhysicModeKinematic);
    EXPECT_EQ(item->GetSelfMask(), 4u);
    EXPECT_EQ(item->GetCollisionMask(), 1u);
    EXPECT_EQ(item->GetLinearDamping(), 0.25f);
    EXPECT_EQ(item->GetAngularDamping(), 0.75f);
    ASSERT_EQ(item->GetShapes().GetCount(), 1u);
    EXPECT_NE(log.Text().find("[*] Unknown tag 'Extra' in <zPhysicItem>.\n"), std::string::npos);
    std::unique_ptr<zMetaTag> written(item->SerializeTag());
    ASSERT_TRUE(written);
    EXPECT_EQ(written->GetName(), "PhysicItem");
    zBulletPhysicItem* copy = w.Add(PhysicModeNone);
    ASSERT_TRUE(copy->ParseTag(&w.engine, 0, written.get()));
    EXPECT_EQ(copy->GetMode(), PhysicModeKinematic);
    EXPECT_EQ(copy->GetSelfMask(), 4u);
    EXPECT_EQ(copy->GetShapes().GetCount(), 1u);
    EXPECT_EQ(copy->GetShapes().GetHead()->value->type, PhysicShapeSphere);
    zMetaTag wrong("Item");
    log.Reset();
    EXPECT_FALSE(copy->ParseTag(&w.engine, 0, &wrong));
    EXPECT_EQ(log.Text(), "[!] Could not parse physic item. Root tag id is incorrect (Item).\n");
}

TEST(PhysicConstraint, HangsABodyFromTheWorld) {
    ItemWorld w;
    zBulletPhysicItem* ball = w.Sphere(PhysicModeDynamic, zVector(0, 0, 0, 1), 0.25f);
    std::unique_ptr<zPhysicConstraint> joint(w.world.CreateConstraint());
    // Held 2 units below the pivot and pushed, so it swings.
    joint->SetPivotA(zMatrix4::Translation(zVector(0, 2, 0, 1)));
    joint->SetItemA(ball);
    EXPECT_EQ(w.ConstraintCount(), 1);
    ball->SetLinearVelocity(zVector(1, 0, 0, 1));
    for (int i = 0; i < 120; ++i) {
        w.world.Step(1.0f / 60.0f);
        const zVector centre = ball->GetCenterOfMass();
        const f32 distance =
            std::sqrt(centre.x * centre.x + (centre.y - 2) * (centre.y - 2) + centre.z * centre.z);
        ASSERT_NEAR(distance, 2.0f, 1e-2f) << i;
    }
}

TEST(PhysicConstraint, SetupNeedsABodyOnSideA) {
    ItemWorld w;
    zBulletPhysicItem* ball = w.Sphere(PhysicModeDynamic, zVector(0, 0, 0, 1));
    zBulletPhysicItem* bare = w.Add(PhysicModeNone);
    std::unique_ptr<zPhysicConstraint> joint(w.world.CreateConstraint());
    joint->SetItemB(ball);
    EXPECT_EQ(w.ConstraintCount(), 0);
    EXPECT_TRUE(joint->Setup());
    std::unique_ptr<zPhysicConstraint> loose(w.world.CreateConstraint());
    loose->SetItemA(bare);
    EXPECT_FALSE(loose->Setup());
    EXPECT_EQ(w.ConstraintCount(), 0);
    // A hinge is kept but builds nothing.
    std::unique_ptr<zPhysicConstraint> hinge(w.world.CreateConstraint());
    hinge->SetType(PhysicConstraintHinge);
    hinge->SetItemA(ball);
    EXPECT_TRUE(hinge->Setup());
    EXPECT_EQ(w.ConstraintCount(), 0);
}

TEST(PhysicConstraint, PivotMovesAtOnceByTheCentreOfMassOffset) {
    ItemWorld w;
    zBulletPhysicItem* item = w.Add(PhysicModeDynamic);
    ItemWorld::AddShape(item, PhysicShapeBox, zVector(1, 1, 1, 1), 1.0f, zVector(2, 0, 0, 1));
    item->UpdateInertiaTensorFromCollision();
    auto joint = std::unique_ptr<zBulletConstraint>(static_cast<zBulletConstraint*>(w.world.CreateConstraint()));
    joint->SetItemA(item);
    joint->SetPivotA(zMatrix4::Translation(zVector(3, 1, 0, 1)));
    auto* point = static_cast<btPoint2PointConstraint*>(joint->GetBulletConstraint());
    ASSERT_NE(point, nullptr);
    EXPECT_FLOAT_EQ(point->getPivotInA().x(), 1.0f);
    EXPECT_FLOAT_EQ(point->getPivotInA().y(), 1.0f);
}

// The faults: a body freed or rebuilt under a constraint.
TEST(PhysicConstraint, OutlivesNoBody) {
    for (int scenario = 0; scenario < 4; ++scenario) {
        ItemWorld w;
        zBulletPhysicItem* a = w.Sphere(PhysicModeDynamic, zVector(0, 0, 0, 1));
        zBulletPhysicItem* b = w.Sphere(PhysicModeDynamic, zVector(3, 0, 0, 1));
        std::unique_ptr<zPhysicConstraint> joint(w.world.CreateConstraint());
        joint->SetItemA(a);
        joint->SetItemB(b);
        ASSERT_EQ(w.ConstraintCount(), 1);
        switch (scenario) {
        case 0: // A dies: B hangs alone (B only builds nothing).
            w.items[0].reset();
            EXPECT_EQ(joint->GetItemA(), nullptr);
            EXPECT_EQ(w.ConstraintCount(), 0);
            break;
        case 1: // B dies: A is held to the world.
            w.items[1].reset();
            EXPECT_EQ(joint->GetItemB(), nullptr);
            EXPECT_EQ(w.ConstraintCount(), 1);
            break;
        case 2: // A rebuilt in another mode: the constraint follows the new body.
            a->SetMode(PhysicModeStatic);
            a->UpdateInertiaTensorFromCollision();
            EXPECT_EQ(w.ConstraintCount(), 1);
            break;
        case 3: // The constraint dies first.
            joint.reset();
            EXPECT_EQ(a->GetConstraintCount(), 0u);
            EXPECT_EQ(w.ConstraintCount(), 0);
            break;
        }
        w.Steps(5);
    }
}

bool SameBits(const zMatrix4& a, const zMatrix4& b) {
    return std::memcmp(a.e, b.e, sizeof a.e) == 0;
}

TEST(PhysicItem, MotionStampChangesWithTheMotionStateMatrixOnly) {
    ItemWorld w;
    zBulletPhysicItem* ball = w.Sphere(PhysicModeDynamic, zVector(0, 1.2f, 0, 1), 0.5f);
    zBulletPhysicItem* ground = w.Add(PhysicModeStatic);
    ItemWorld::AddShape(ground, PhysicShapeBox, zVector(20, 1, 20, 1), 0.0f);
    ground->UpdateInertiaTensorFromCollision();
    // Falling, landing and falling asleep: an unchanged stamp always means
    // the same matrix, and a moving body changes it.
    zMatrix4 matrix;
    ball->GetMotionStateMatrix(matrix);
    u64 stamp = ball->GetMotionStamp();
    int changes = 0;
    for (int step = 0; step < 600; ++step) {
        w.Steps(1);
        zMatrix4 now;
        ball->GetMotionStateMatrix(now);
        if (ball->GetMotionStamp() == stamp) {
            EXPECT_TRUE(SameBits(now, matrix)) << "step " << step;
        } else {
            EXPECT_FALSE(SameBits(now, matrix)) << "step " << step;
            ++changes;
        }
        matrix = now;
        stamp = ball->GetMotionStamp();
    }
    EXPECT_GT(changes, 10);
    ASSERT_EQ(ball->GetRigidBody()->getActivationState(), ISLAND_SLEEPING);
    EXPECT_NE(stamp, 0u);

    // The same place again changes nothing; another place, a rebuild or the
    // body's end does.
    ball->ResetTransformation(matrix);
    EXPECT_EQ(ball->GetMotionStamp(), stamp);
    ball->ResetTransformation(zMatrix4::Translation(zVector(3, 4, 5, 1)));
    EXPECT_GT(ball->GetMotionStamp(), stamp);
    stamp = ball->GetMotionStamp();
    ball->UpdateInertiaTensorFromCollision();
    EXPECT_GT(ball->GetMotionStamp(), stamp);
    stamp = ball->GetMotionStamp();
    ball->DestroyBody();
    EXPECT_GT(ball->GetMotionStamp(), stamp);

    // A motion state made elsewhere may change at any read: never a stamp.
    auto* adopted = static_cast<zBulletPhysicItem*>(w.world.CreatePhysicItem());
    w.items.emplace_back(adopted);
    auto shape = std::make_unique<btSphereShape>(1.0f);
    auto motion = std::make_unique<btDefaultMotionState>();
    btRigidBody::btRigidBodyConstructionInfo info(1.0f, motion.get(), shape.get());
    adopted->AdoptBody(std::make_unique<btRigidBody>(info), std::move(motion), std::move(shape));
    EXPECT_EQ(adopted->GetMotionStamp(), 0u);
    adopted->DestroyBody();
    EXPECT_NE(adopted->GetMotionStamp(), 0u);
}

TEST(PhysicItem, RebuildInsideAStepWaitsForTheStepToEnd) {
    ItemWorld w;
    zBulletPhysicItem* a = w.Sphere(PhysicModeDynamic, zVector(0, 0, 0, 1));
    w.Sphere(PhysicModeStatic, zVector(0, -1.5f, 0, 1));
    struct Rebuilder : zPhysicWorldCallback {
        zBulletPhysicItem* item;
        btRigidBody* during = nullptr;
        void OnTick(f32, bool preTick) override {
            if (preTick) return;
            item->SetMode(PhysicModeStatic);
            item->UpdateInertiaTensorFromCollision();
            during = item->GetRigidBody();
        }
    } rebuilder;
    rebuilder.item = a;
    btRigidBody* before = a->GetRigidBody();
    w.world.SetCallback(&rebuilder);
    w.world.Step(1.0f / 60.0f);
    EXPECT_EQ(rebuilder.during, before);
    EXPECT_TRUE(a->GetRigidBody()->isStaticObject());
    // Deleted before the queued rebuild runs: the rebuild is dropped.
    rebuilder.item = w.Sphere(PhysicModeDynamic, zVector(5, 0, 0, 1));
    struct Deleter : zPhysicWorldCallback {
        ItemWorld* w;
        void OnTick(f32, bool preTick) override {
            if (preTick || w->items.size() < 3 || !w->items[2]) return;
            w->items[2]->UpdateInertiaTensorFromCollision();
            w->items[2].reset();
        }
    } deleter;
    deleter.w = &w;
    w.world.SetCallback(&deleter);
    w.world.Step(1.0f / 60.0f);
    EXPECT_FALSE(w.items[2]);
}

} // namespace
