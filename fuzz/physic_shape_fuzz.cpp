// The "PhysicShape" tag (and "GColShape") on any bytes: the shape read is
// built alone and with a second box into dynamic and static bodies, stepped
// once, and its matrix taken apart and put together. It is then written, read
// and written again: the second text must equal the first.
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
    std::unique_ptr<zPhysicItem> item(world.CreatePhysicItem());
    if (!item) return;
    zPhysicShape* shape = item->AddCollisionShape();
    if (!shape || !shape->ParseTag(root)) return;
    shape->SetMatrix(shape->GetMatrix());
    for (u32 mode : {PhysicModeDynamic, PhysicModeKinematic, PhysicModeStatic}) {
        item->SetMode(mode);
        item->UpdateInertiaTensorFromCollision();
        world.Step(1.0f / 30.0f);
    }
    if (zPhysicShape* box = item->AddCollisionShape()) box->SetPrimitive(PhysicShapeBox, zVector(1, 1, 1, 1));
    item->SetMode(PhysicModeDynamic);
    item->UpdateInertiaTensorFromCollision();
    world.Step(1.0f / 30.0f);
}

std::string ReadAndWrite(const zMetaTag* root, bool first) {
    if (first) Exercise(root);
    zPhysicShape shape;
    if (!shape.ParseTag(root)) return std::string();
    return TagText(shape.SerializeTag(), "a read physic shape cannot be written");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size) {
    zFuzzRound round;
    CheckTagRoundTrip(data, size, ReadAndWrite, "physic shape");
    return 0;
}
