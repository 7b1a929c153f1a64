#include "scene/managed_emitter.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "markup/meta_tag.h"
#include "render/particle_model.h"
#include "scene/managed_object.h"
#include "tests/scene/scene_file_fixture.h"
#include "tests/scene/scene_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

using ManagedEmitterTest = SceneFileFixture;

TEST_F(ManagedEmitterTest, AddEmitterListsAManagedEmitter) {
    ListenerLog listener;
    scene->GetListeners().Add(&listener);
    zMEmitter* emitter = scene->AddEmitter("smoke");
    scene->GetListeners().Remove(&listener);
    ASSERT_NE(emitter, nullptr);
    EXPECT_EQ(emitter->GetKind(), ManagedKindEmitter);
    EXPECT_EQ(emitter->GetName(), "smoke");
    EXPECT_EQ(scene->FindByName(ManagedKindEmitter, "smoke"), emitter);
    EXPECT_EQ(scene->FindItem("smoke", nullptr), emitter);
    EXPECT_EQ(emitter->GetRenderable(), static_cast<zRenderable*>(emitter));
    EXPECT_EQ(listener.events, (std::vector<u32>{SceneEventItemAdding, SceneEventItemAdded}));
}

// The scene's set-up allocates the pool; its update steps the emitter by
// the engine's frame time through Refresh.
TEST_F(ManagedEmitterTest, SetupAllocatesAndTheSceneUpdateStepsByTheFrameTime) {
    zMEmitter* emitter = scene->AddEmitter("smoke");
    emitter->SetParticleModel(new zParticleModel(&engine, &engine));
    emitter->poolSize = 8;
    scene->Setup(false, 0);
    ASSERT_NE(emitter->GetPool(), nullptr);
    EXPECT_EQ(emitter->GetPoolCount(), 8u);
    SetFrameTime(500);
    scene->Update(UpdateAll);
    EXPECT_FLOAT_EQ(emitter->GetTime(), 0.05f);
    // Never drawn since: frozen.
    scene->Update(UpdateAll);
    EXPECT_FLOAT_EQ(emitter->GetTime(), 0.05f);
}

TEST_F(ManagedEmitterTest, TagReaderCases) {
    const struct {
        const char* body;
        bool result;
        const char* log;
    } cases[] = {
        {"<Emitter=<PoolSize=3>>", false,
         "[!] could not parse managed emitter. Root tag id is incorrect (Emitter).\n"},
        {"<MEmitter=<Light><MItem=<Id=\"fx\"><UId=4>><Emitter=<PoolSize=3>>>", true,
         "[*] Unknown tag 'Light' in <MEmitter>.\n"},
    };
    for (const auto& entry : cases) {
        zMEmitter* emitter = scene->AddEmitter("before");
        ZmlDocument document(entry.body);
        LogCapture log;
        EXPECT_EQ(emitter->ParseTag(nullptr, document.Root()), entry.result) << entry.body;
        EXPECT_EQ(log.Text(), entry.log) << entry.body;
        if (entry.result) {
            EXPECT_EQ(emitter->GetName(), "fx");
            EXPECT_EQ(emitter->GetUid(), 4);
            EXPECT_EQ(emitter->poolSize, 3u);
        }
    }
}

// A managed item without a valid uid fails the tag, so the scene file keeps
// the item's creation uid instead of taking it for a stored one (which
// could claim another item's slot of the remap table).
TEST_F(ManagedEmitterTest, AnMItemWithoutAUidFailsAndKeepsTheCreationUid) {
    zMEmitter* emitter = scene->AddEmitter("fx");
    const i32 uid = emitter->GetUid();
    ZmlDocument document("<MEmitter=<MItem=<Id=\"fx\">><Emitter=<PoolSize=3>>>");
    EXPECT_FALSE(emitter->ParseTag(nullptr, document.Root()));
    EXPECT_EQ(emitter->GetUid(), uid);
    EXPECT_EQ(emitter->poolSize, 3u);
}

TEST_F(ManagedEmitterTest, AnEmptyTagChangesNothing) {
    zMEmitter* emitter = scene->AddEmitter("kept");
    emitter->poolSize = 9;
    emitter->birthRate = 3.0f;
    const i32 uid = emitter->GetUid();
    ZmlDocument document("<MEmitter>");
    LogCapture log;
    EXPECT_TRUE(emitter->ParseTag(nullptr, document.Root()));
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(emitter->poolSize, 9u);
    EXPECT_EQ(emitter->birthRate, 3.0f);
    EXPECT_EQ(emitter->GetUid(), uid);
    EXPECT_EQ(emitter->GetName(), "kept");
}

TEST_F(ManagedEmitterTest, WriterPutsTheManagedItemFirst) {
    zMEmitter* emitter = scene->AddEmitter("fx");
    std::unique_ptr<zMetaTag> tag(emitter->SerializeTag());
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->GetName(), "MEmitter");
    zLinkedListIterator iterator{};
    const zMetaTag* first = tag->GetNextChild(iterator);
    const zMetaTag* second = tag->GetNextChild(iterator);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->GetName(), "MItem");
    EXPECT_EQ(second->GetName(), "Emitter");
    EXPECT_EQ(tag->GetChildCount(), 2u);
}

TEST_F(ManagedEmitterTest, SceneFileSaveLoadSaveKeepsEmitters) {
    zMEmitter* emitter = scene->AddEmitter("smoke");
    emitter->SetPosition(zVector(1.0f, 2.0f, 3.0f));
    emitter->birthRate = 25.0f;
    emitter->poolSize = 40;
    emitter->sprayAngle = 0.5f;
    emitter->SetParticleModel(engine.LoadParticleModel("fx/smoke.zml", false));
    zMObject* holder = scene->AddObject("holder", nullptr);
    emitter->SetParent(holder);
    scene->SetCurrentCamera(scene->AddCamera("eye"));

    const std::string first = SaveText(*scene);
    EXPECT_EQ(Count(first, "<MEmitter="), 1u);
    zScene* copy = Fresh();
    ASSERT_TRUE(LoadText(*copy, first));
    EXPECT_EQ(SaveText(*copy), first);
    auto* loaded = dynamic_cast<zMEmitter*>(copy->FindByName(ManagedKindEmitter, "smoke"));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->poolSize, 40u);
    EXPECT_EQ(loaded->birthRate, 25.0f);
    EXPECT_EQ(loaded->GetParticleModel(), emitter->GetParticleModel());
    EXPECT_EQ(loaded->GetParentItem(), copy->FindByName(ManagedKindObject, "holder"));

    // Without the emitter flag the kind is neither read nor written.
    zScene* masked = Fresh();
    ASSERT_TRUE(LoadText(*masked, first, SceneLoadAll & ~SceneLoadEmitters));
    EXPECT_EQ(masked->FindByName(ManagedKindEmitter, "smoke"), nullptr);
    EXPECT_EQ(Count(SaveText(*scene, SceneLoadAll & ~SceneLoadEmitters), "<MEmitter"), 0u);
}

} // namespace
