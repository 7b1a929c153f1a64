// The "PhysicItem" tag (and its legacy ids) on any bytes: the item read is
// built into a body in a small world with a resting box under it, stepped,
// pushed and queried, rebuilt under a point constraint, and deleted before its
// world. It is then written, read and written again: the second text must
// equal the first.
#include <memory>
#include <string>

#include "engine/engine.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/tag_text.h"
#include "physics/bullet_world.h"

namespace {

void Exercise(const zMetaTag* root) {
    zEngine engine;
    zBulletWorld world(&engine);
    if (!world.Create()) return;
    std::unique_ptr<zPhysicItem> floor(world.CreatePhysicItem());
    std::unique_ptr<zPhysicItem> item(world.CreatePhysicItem());
    if (!floor || !item) return;
    zPhysicShape* ground = floor->AddCollisionShape();
    if (ground) ground->SetPrimitive(PhysicShapeBox, zVector(10.0f, 1.0f, 10.0f, 1.0f));
    floor->SetMode(PhysicModeStatic);
    floor->UpdateInertiaTensorFromCollision();
    if (!item->ParseTag(&engine, 0, root)) return;
    item->SetWorldMatrixSource([] { return zMatrix4::Translation(zVector(0.0f, 2.0f, 0.0f, 1.0f)); });
    item->UpdateInertiaTensorFromCollision();
    std::unique_ptr<zPhysicConstraint> joint(world.CreateConstraint());
    if (joint) {
        joint->SetItemA(item.get());
        joint->SetItemB(floor.get());
    }
    const zVector point(0.5f, 2.0f, 0.0f, 1.0f);
    item->ApplyImpulse(zVector(0.0f, 1.0f, 0.0f, 1.0f), &point);
    item->ApplyForce(zVector(1.0f, 0.0f, 0.0f, 1.0f), &point);
    item->ApplyTorque(zVector(0.0f, 0.0f, 1.0f, 1.0f));
    world.Step(1.0f / 30.0f);
    zVector velocity;
    item->GetWorldPointVelocity(velocity, point);
    zMatrix4 matrix;
    item->GetMotionStateMatrix(matrix);
    item->ResetTransformation(matrix);
    item->CollisionActivate(false);
    item->CollisionActivate(true);
    item->SetMode(PhysicModeDynamic);
    item->UpdateInertiaTensorFromCollision();
    world.Step(1.0f / 30.0f);
    world.ForEachContact([](const zPhysicContact&) {});
    // The item goes first, under its constraint.
    item.reset();
    world.Step(1.0f / 30.0f);
}

std::string ReadAndWrite(const zMetaTag* root, bool first) {
    if (first) Exercise(root);
    zEngine engine;
    zBulletWorld world(&engine);
    std::unique_ptr<zPhysicItem> item(world.CreatePhysicItem());
    if (!item || !item->ParseTag(&engine, 0, root)) return std::string();
    return TagText(item->SerializeTag(), "a read physic item cannot be written");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    CheckTagRoundTrip(data, size, ReadAndWrite, "physic item");
    return 0;
}
