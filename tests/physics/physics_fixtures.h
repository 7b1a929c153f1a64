// Fixtures of the physics tests: a world with a recording tick callback,
// bodies built with Bullet itself (the test harness may include it; the
// library's headers never do), and geometry files in the memory file cache.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <BulletCollision/CollisionShapes/btBoxShape.h>
#include <BulletCollision/CollisionShapes/btSphereShape.h>
#include <BulletDynamics/Dynamics/btDiscreteDynamicsWorld.h>
#include <BulletDynamics/Dynamics/btRigidBody.h>
#include <LinearMath/btDefaultMotionState.h>

#include "engine/engine.h"
#include "io/file_road.h"
#include "physics/bullet_world.h"
#include "tests/support/memory_files.h"

// Records every tick; the post-tick walks the contacts as the scene does.
struct RecordingWorldCallback : zPhysicWorldCallback {
    zPhysicWorld* world = nullptr;
    int preTicks = 0;
    int postTicks = 0;
    std::vector<f32> steps;
    // One entry per post-tick: the contacts seen.
    std::vector<std::vector<zPhysicContact>> contacts;
    // Called for each contact, after it was recorded.
    std::function<void(const zPhysicContact&)> onContact;
    std::function<void(bool preTick)> onTick;

    void OnTick(f32 timeStep, bool preTick) override {
        steps.push_back(timeStep);
        if (preTick) {
            ++preTicks;
        } else {
            ++postTicks;
            contacts.emplace_back();
            world->ForEachContact([this](const zPhysicContact& contact) {
                contacts.back().push_back(contact);
                if (onContact) onContact(contact);
            });
        }
        if (onTick) onTick(preTick);
    }
};

struct WorldFixture {
    zEngine engine;
    zBulletWorld world{&engine};
    RecordingWorldCallback callback;
    std::vector<std::unique_ptr<zPhysicItem>> items;

    WorldFixture() {
        EXPECT_TRUE(world.Create());
        callback.world = &world;
        world.SetCallback(&callback);
    }
    ~WorldFixture() {
        // Items die before their world.
        items.clear();
    }

    // A body of that shape at position, added to the world; mass 0 is static.
    zBulletPhysicItem* AddBody(std::unique_ptr<btCollisionShape> shape, f32 mass, const zVector& position,
                               bool add = true) {
        btTransform start;
        start.setIdentity();
        start.setOrigin(btVector3(position.x, position.y, position.z));
        auto motion = std::make_unique<btDefaultMotionState>(start);
        btVector3 inertia(0, 0, 0);
        if (mass > 0.0f) shape->calculateLocalInertia(mass, inertia);
        btRigidBody::btRigidBodyConstructionInfo info(mass, motion.get(), shape.get(), inertia);
        auto body = std::make_unique<btRigidBody>(info);
        auto* item = static_cast<zBulletPhysicItem*>(world.CreatePhysicItem());
        items.emplace_back(item);
        item->AdoptBody(std::move(body), std::move(motion), std::move(shape));
        if (add) world.AddPhysicItem(item);
        return item;
    }
    zBulletPhysicItem* AddBox(const zVector& position, f32 halfSize, f32 mass, bool add = true) {
        return AddBody(std::make_unique<btBoxShape>(btVector3(halfSize, halfSize, halfSize)), mass, position,
                       add);
    }
    zBulletPhysicItem* AddSphere(const zVector& position, f32 radius, f32 mass) {
        return AddBody(std::make_unique<btSphereShape>(radius), mass, position);
    }

    static zVector MotionStatePosition(zBulletPhysicItem* item) {
        btTransform transform;
        item->GetRigidBody()->getMotionState()->getWorldTransform(transform);
        const btVector3& origin = transform.getOrigin();
        return zVector(origin.x(), origin.y(), origin.z());
    }
};

struct PolygonCorners {
    std::vector<u32> corners;
};

// A geometry document with those vertices and polygons, in the text forms.
inline std::string GeometryText(const std::vector<zVector>& vertices,
                                const std::vector<PolygonCorners>& polygons) {
    std::string text = "<ZML=1.0>\n<Geometry=\n  <Materials=<Material=<Id=\"paint\">>>\n  <AVertex=<Count=" +
                       std::to_string(vertices.size()) + "><Data=";
    for (const zVector& v : vertices)
        text += "<V=<X=" + std::to_string(v.x) + "><Y=" + std::to_string(v.y) + "><Z=" + std::to_string(v.z) +
                ">>";
    text += ">>\n";
    size_t bindings = 0;
    for (const PolygonCorners& p : polygons)
        bindings += p.corners.size();
    if (!polygons.empty()) {
        text += "  <APolygon=<Count=" + std::to_string(polygons.size()) +
                "><BindingCount=" + std::to_string(bindings) + "><Data=";
        for (const PolygonCorners& p : polygons) {
            text += "<P=<Count=" + std::to_string(p.corners.size()) + "><Material=0>";
            for (u32 corner : p.corners)
                text += "<Index=" + std::to_string(corner) + ">";
            text += ">";
        }
        text += ">>\n";
    }
    return text + ">\n";
}
