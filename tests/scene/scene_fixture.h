// A scene over an engine and a script VM opened on a scratch folder, with a
// managed test kind whose node is a plain item and which records what the
// scene asks of it.
#pragma once

#include <string>
#include <vector>

#include "engine/engine.h"
#include "scene/item.h"
#include "scene/managed_item.h"
#include "scene/scene.h"
#include "tests/script/script_fixture.h"

class TestItem : public zMItem, public zItem {
  public:
    explicit TestItem(zScene* scene, u32 kind = ManagedKindObject)
        : zMItem(scene, kind), zItem(scene ? scene->GetEngine() : nullptr) {
        SetNode(this);
    }
    ~TestItem() override {
        Teardown();
        if (deleted) *deleted = true;
    }

    void ForgetItem(zMItem* item) override {
        forgotten.push_back(item);
        if (held == item) held = nullptr;
    }
    f32 GetLightSortKey() const override { return key; }
    void Update() override { ++updates; }
    void SetupTemplate() override { ++templates; }
    bool GetGeometryBox(zMinMax& out) override {
        if (!hasBox) return false;
        out = box;
        return true;
    }
    zRenderable* GetRenderable() override { return &renderable; }

    struct Drawable : zRenderable {
        void AppendPrimitives(zRenderViewItem*, zList<zRenderablePrimitive*>&, u32) override {}
    } renderable;

    std::vector<zMItem*> forgotten;
    zMItem* held = nullptr; // a back-reference, as a trigger or constraint keeps
    f32 key = 0.0f;
    int updates = 0;
    int templates = 0;
    bool hasBox = false;
    zMinMax box{zVector(-1.0f, -1.0f, -1.0f, 1.0f), zVector(1.0f, 1.0f, 1.0f, 1.0f)};
    bool* deleted = nullptr;
};

struct ListenerLog : zSceneListener {
    void OnSceneEvent(u32 event, void*) override { events.push_back(event); }
    std::vector<u32> events;
};

class SceneFixture : public ScriptFixture {
  public:
    TestItem* Add(const char* name, u32 kind = ManagedKindObject) {
        return scene->AddItem(name, "[!] test item\n", [&] { return new TestItem(scene.Get(), kind); });
    }
    // Steps the engine clock by a fixed frame time (clock units).
    void SetFrameTime(i32 units) {
        engine.SetFixedStep(units);
        engine.StepClock();
        engine.StepClock();
    }

    // The scene goes first, while its units' script objects can still be
    // released in an open VM.
    void TearDown() override {
        scene = static_cast<zScene*>(nullptr);
        ScriptFixture::TearDown();
    }

    zEngine engine;
    zSharedPtr<zScene> scene{new zScene(&engine, &vm)};
};

using SceneTest = SceneFixture;
