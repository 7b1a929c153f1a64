#include "scene/object.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "markup/meta_tag.h"
#include "render/geometry.h"
#include "render/octree.h"
#include "render/renderer.h"
#include "scene/camera.h"
#include "scene/managed_camera.h"
#include "scene/managed_constraint.h"
#include "scene/managed_object.h"
#include "scene/trigger.h"
#include "script/script_dispatch.h"
#include "tests/render/geometry_fixtures.h"
#include "tests/scene/scene_fixture.h"
#include "tests/scene/scene_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

const char* const QuadFile = R"(<ZML=1.0>
<Geometry=
  <AVertex=<Count=4><Data=
    <V=<X=0.0><Y=0.0><Z=0.0>>
    <V=<X=1.0><Y=0.0><Z=0.0>>
    <V=<X=1.0><Y=1.0><Z=0.0>>
    <V=<X=0.0><Y=1.0><Z=0.0>>>>
  <APolygon=<Count=1><BindingCount=4><Data=
    <P=<Count=4><Material=0><Index=0><Index=1><Index=2><Index=3>>>>
>
)";

struct Influence {
    zVector position;
    u16 bone;
    f32 weight;
};

class ObjectTest : public SceneFixture {
  public:
    // A geometry with boneCount bones and one vertex per influence.
    zSharedPtr<zGeometry> SkinnedGeometry(u32 boneCount, const std::vector<Influence>& influences) {
        zSharedPtr<zGeometry> geometry(new zGeometry(&engine));
        EXPECT_TRUE(geometry->AllocateVertices(static_cast<u32>(influences.size())));
        EXPECT_TRUE(geometry->AllocateSkin(boneCount));
        for (size_t vertex = 0; vertex < influences.size(); ++vertex) {
            geometry->GetVertices()[vertex] = influences[vertex].position;
            geometry->GetSkinWeights()[vertex].bones[0] = influences[vertex].bone;
            geometry->GetSkinWeights()[vertex].weights[0] = influences[vertex].weight;
        }
        return geometry;
    }
    // A geometry with a stored box of half size 1 around the origin.
    zSharedPtr<zGeometry> BoxGeometry(const char* name = "box") {
        zSharedPtr<zGeometry> geometry(new zGeometry(&engine));
        geometry->SetName(zString(name));
        geometry->SetBounds(zMinMax(zVector(-1.0f, -1.0f, -1.0f, 1.0f), zVector(1.0f, 1.0f, 1.0f, 1.0f)));
        return geometry;
    }
};

zVector Point(f32 x, f32 y, f32 z) {
    return zVector(x, y, z, 1.0f);
}

void ExpectBox(const zMinMax& box, zVector min, zVector max) {
    EXPECT_NEAR(box.min.x, min.x, 1e-5f);
    EXPECT_NEAR(box.min.y, min.y, 1e-5f);
    EXPECT_NEAR(box.min.z, min.z, 1e-5f);
    EXPECT_NEAR(box.max.x, max.x, 1e-5f);
    EXPECT_NEAR(box.max.y, max.y, 1e-5f);
    EXPECT_NEAR(box.max.z, max.z, 1e-5f);
}

// ---- Skinning ---------------------------------------------------------------

TEST_F(ObjectTest, BoneSlotsRefuseIndicesFromTheCountOn) {
    zObject object(&engine);
    object.SetGeometry(SkinnedGeometry(3, {{Point(0, 0, 0), 0, 1.0f}}).Get(), true);
    ASSERT_EQ(object.GetBoneCount(), 3u);
    zItem bone;
    EXPECT_FALSE(object.SetBone(3, &bone));
    EXPECT_EQ(bone.GetFlags() & ItemIsBone, 0u);
    EXPECT_TRUE(object.SetBone(2, &bone));
    EXPECT_EQ(bone.GetFlags() & ItemIsBone, u32(ItemIsBone));
    EXPECT_EQ(object.GetBone(2), &bone);
    EXPECT_EQ(object.GetBone(3), nullptr);
    EXPECT_TRUE(object.SetBone(2, nullptr));
    EXPECT_EQ(object.GetBone(2), nullptr);
    EXPECT_FALSE(object.GetBoneMatrix(3).DiffersFrom(zMatrix4()));
}

TEST_F(ObjectTest, ABoneAtTheInverseOfItsBindGivesTheIdentity) {
    zSharedPtr<zGeometry> geometry = SkinnedGeometry(1, {{Point(0, 0, 0), 0, 1.0f}});
    zMatrix4 bind =
        zMatrix4::Compose(Point(-1, -2, -3), zVector(0.0f, 0.5f, 0.0f, 1.0f), Point(1, 1, 1), Point(0, 0, 0));
    geometry->GetBoneBinds()[0] = bind;
    zObject object(&engine);
    object.SetGeometry(geometry.Get(), true);
    zItem bone;
    bone.SetMatrix(bind.Inverse());
    ASSERT_TRUE(object.SetBone(0, &bone));
    object.UpdateSkinning();
    EXPECT_FALSE(object.GetSkinningMatrices()[0].DiffersFrom(zMatrix4())) << "not the identity";
    // An empty slot gives the identity as well.
    object.SetBone(0, nullptr);
    bone.SetPosition(Point(5, 5, 5));
    object.UpdateSkinning();
    EXPECT_FALSE(object.GetSkinningMatrices()[0].DiffersFrom(zMatrix4()));
}

TEST_F(ObjectTest, SkinnedBoundsUniteOnlyTheBonesSomeVertexTouches) {
    // Bone 2 is touched by nobody (a zero weight does not count); bone 7 does
    // not exist, as in a corrupt file, and is skipped.
    zSharedPtr<zGeometry> geometry = SkinnedGeometry(3, {{Point(2, 2, 2), 0, 1.0f},
                                                         {Point(3, 2, 2), 0, 0.5f},
                                                         {Point(2, 5, 2), 1, 1.0f},
                                                         {Point(-50, -50, -50), 2, 0.0f},
                                                         {Point(-90, -90, -90), 7, 1.0f}});
    zObject object(&engine);
    object.SetGeometry(geometry.Get(), true);
    zItem bone;
    bone.SetPosition(Point(10, 0, 0));
    ASSERT_TRUE(object.SetBone(0, &bone));
    object.UpdateSkinning();
    zMinMax box;
    ASSERT_TRUE(object.GetBoneBounds(0, box));
    ExpectBox(box, Point(12, 2, 2), Point(13, 2, 2));
    ASSERT_TRUE(object.GetBoneBounds(1, box));
    ExpectBox(box, Point(2, 5, 2), Point(2, 5, 2));
    EXPECT_FALSE(object.GetBoneBounds(2, box));
    EXPECT_FALSE(object.GetBoneBounds(3, box));
    zMinMax bounds;
    object.GetBounds(bounds);
    ExpectBox(bounds, Point(2, 2, 2), Point(13, 5, 2));
}

TEST_F(ObjectTest, BoundsWithoutGeometryOrSkinning) {
    zObject object(&engine);
    object.SetPosition(Point(4, 5, 6));
    object.GetWorldMatrix();
    zMinMax bounds;
    object.GetBounds(bounds);
    ExpectBox(bounds, Point(4, 5, 6), Point(4, 5, 6));
    object.SetGeometry(BoxGeometry().Get(), true);
    object.GetBounds(bounds);
    ExpectBox(bounds, Point(-1, -1, -1), Point(1, 1, 1));
}

TEST_F(ObjectTest, SetGeometryRebuildsSkinningOnlyWhenAsked) {
    zSharedPtr<zGeometry> skinned = SkinnedGeometry(2, {{Point(0, 0, 0), 1, 1.0f}});
    zObject object(&engine);
    object.SetGeometry(skinned.Get(), false);
    EXPECT_EQ(object.GetBoneCount(), 0u);
    EXPECT_EQ(object.GetSkinningMatrices(), nullptr);
    EXPECT_TRUE(object.BuildSkinning());
    EXPECT_EQ(object.GetBoneCount(), 2u);
    zItem bone;
    object.SetBone(1, &bone);
    // The same geometry again changes nothing.
    object.SetGeometry(skinned.Get(), true);
    EXPECT_EQ(object.GetBone(1), &bone);
    object.SetGeometry(BoxGeometry().Get(), true);
    EXPECT_EQ(object.GetBoneCount(), 0u);
    EXPECT_EQ(skinned->GetRefCount(), 1u);
    object.SetGeometry(nullptr, true);
    EXPECT_EQ(object.GetGeometry(), nullptr);
}

TEST_F(ObjectTest, DestroyingABoneItemClearsItsSlot) {
    zMObject* object = scene->AddObject("body", SkinnedGeometry(1, {{Point(0, 0, 0), 0, 1.0f}}).Get());
    ASSERT_TRUE(object);
    ASSERT_EQ(object->GetBoneCount(), 1u);
    TestItem* bone = Add("arm");
    ASSERT_TRUE(object->SetBone(0, bone));
    scene->QueueForDeletion(bone);
    scene->Update(UpdateAll);
    EXPECT_EQ(object->GetBone(0), nullptr);
    TestItem* other = Add("leg");
    ASSERT_TRUE(object->SetBone(0, other));
    delete other;
    EXPECT_EQ(object->GetBone(0), nullptr);
    scene->Update(UpdateAll);
}

TEST_F(ObjectTest, ABoneTakenAfterTheObjectWasSeenWithoutOneIsStillCleared) {
    // The object had no bone slot when the first deletion looked at it.
    zMObject* object = scene->AddObject("body", nullptr);
    ASSERT_TRUE(object);
    delete Add("first");
    zSharedPtr<zGeometry> geometry = SkinnedGeometry(1, {{Point(0, 0, 0), 0, 1.0f}});
    object->SetGeometry(geometry.Get(), true);
    TestItem* bone = Add("arm");
    ASSERT_TRUE(object->SetBone(0, bone));
    delete bone;
    EXPECT_EQ(object->GetBone(0), nullptr);
    scene->Update(UpdateAll);
}

// ---- Drawing entries --------------------------------------------------------

class DrawingTest : public ObjectTest {
  public:
    void SetUp() override {
        ObjectTest::SetUp();
        geometry = BoxGeometry();
        object.SetGeometry(geometry.Get(), true);
        camera.SetAspect(1.0f);
        camera.SetPosition(Point(0, 0, -5));
        camera.UpdateFrustum(nullptr, -1.0f, -1.0f);
    }
    void TearDown() override {
        Clear();
        ObjectTest::TearDown();
    }
    void Clear() {
        while (auto* node = entries.GetHead())
            delete entries.Take(node);
    }
    // The payloads of the entries for the object at position.
    std::vector<void*> Draw(zVector position, u32 pass = RenderPassNormal) {
        Clear();
        object.SetPosition(position);
        object.AppendPrimitives(&camera, entries, pass);
        std::vector<void*> payloads;
        for (auto* node = entries.GetHead(); node; node = node->next)
            payloads.push_back(node->value->payload);
        return payloads;
    }

    zSharedPtr<zGeometry> geometry;
    zObject object{&engine};
    zCamera camera;
    zList<zRenderablePrimitive*> entries;
};

TEST_F(DrawingTest, OneEntryWithTheDepthAlongTheViewAxis) {
    ASSERT_EQ(Draw(Point(3, 0, 10)), std::vector<void*>{geometry.Get()});
    const zRenderablePrimitive* entry = entries.GetHead()->value;
    EXPECT_EQ(entry->kind, PrimitiveObjectPart);
    EXPECT_EQ(entry->renderable, &object);
    // Along the view's Z axis, not the straight distance.
    EXPECT_FLOAT_EQ(entry->sortKey, 15.0f);
}

// Renderers draw the entry at the object's place, and read where it stood
// the frame before for motion blur.
TEST_F(DrawingTest, EntryCarriesTheWorldMatrixAndThePreviousOne) {
    object.SetPosition(Point(1, 0, 10));
    const zMatrix4 before = *object.GetWorldMatrix();
    object.SetPreviousMatrix(before.e);
    ASSERT_EQ(Draw(Point(3, 0, 10)).size(), 1u);
    const auto* mesh = dynamic_cast<const zMeshPrimitive*>(entries.GetHead()->value);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->world.e[3], 3.0f);
    EXPECT_EQ(mesh->world.e[11], 10.0f);
    EXPECT_EQ(mesh->previousWorld.e[3], 1.0f);
}

// A skinned object's entry carries its skinning matrices, one per bone, for
// the renderer to pose the mesh; a proxy drawn instead keeps its bind pose.
TEST_F(DrawingTest, SkinnedEntryCarriesTheSkinningMatricesOfItsOwnGeometryOnly) {
    zSharedPtr<zGeometry> skinned =
        SkinnedGeometry(3, {{Point(0, 0, 0), 0, 1.0f}, {Point(1, 0, 0), 1, 1.0f}, {Point(0, 1, 0), 2, 1.0f}});
    zSharedPtr<zGeometry> coarse = BoxGeometry("coarse");
    skinned->SetLodDistance(20.0f);
    skinned->SetLodProxy(coarse.Get());
    object.SetGeometry(skinned.Get(), true);
    ASSERT_EQ(object.GetBoneCount(), 3u);
    zItem bone;
    bone.SetPosition(Point(0, 2, 0));
    ASSERT_TRUE(object.SetBone(1, &bone));
    object.UpdateSkinning();
    const struct {
        const char* name;
        zVector position;
        zGeometry* drawn;
        bool posed;
    } cases[] = {{"near: its own geometry", Point(0, 0, 10), skinned.Get(), true},
                 {"far: the proxy", Point(0, 0, 30), coarse.Get(), false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Draw(c.position), std::vector<void*>{c.drawn});
        const auto* mesh = dynamic_cast<const zMeshPrimitive*>(entries.GetHead()->value);
        ASSERT_NE(mesh, nullptr);
        EXPECT_EQ(mesh->skinning, c.posed ? object.GetSkinningMatrices() : nullptr);
        EXPECT_EQ(mesh->boneCount, c.posed ? 3u : 0u);
    }
    object.SetBone(1, nullptr);
    skinned->SetLodProxy(nullptr);
}

// An optimised geometry is drawn as the leaves in view, never as itself.
TEST_F(DrawingTest, OptimisedGeometryGivesOneEntryPerLeafInView) {
    LogCapture quiet;
    zSharedPtr<zGeometry> strip = TriangleStrip(&engine, 4096); // x 0 .. 2048: four leaves of 512
    ASSERT_TRUE(strip->Optimize(512));
    std::vector<zGeometry*> leaves;
    strip->GetOctree()->GetLeafGeometries(leaves);
    ASSERT_EQ(leaves.size(), 4u);
    object.SetGeometry(strip.Get(), true);
    const struct {
        const char* name;
        zVector position;
        std::vector<void*> drawn;
    } cases[] = {
        {"near: the first leaf", Point(-10, 0, 10), {leaves[0]}},
        {"far: the three last leaves", Point(-1500, 0, 2000), {leaves[1], leaves[2], leaves[3]}},
        {"all out of view", Point(5000, 0, 10), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Draw(c.position), c.drawn);
    }
}

TEST_F(DrawingTest, NothingOutsideTheFrustumOrWithoutGeometry) {
    EXPECT_TRUE(Draw(Point(0, 0, -20)).empty());
    EXPECT_TRUE(Draw(Point(500, 0, 10)).empty());
    object.SetGeometry(nullptr, true);
    EXPECT_TRUE(Draw(Point(0, 0, 10)).empty());
}

TEST_F(DrawingTest, LevelOfDetail) {
    zSharedPtr<zGeometry> coarse = BoxGeometry("coarse");
    geometry->SetLodDistance(20.0f);
    // The distance is measured between the positions: 15 and 25 away.
    EXPECT_EQ(Draw(Point(0, 0, 10)), std::vector<void*>{geometry.Get()});
    EXPECT_EQ(Draw(Point(0, 0, 20)), std::vector<void*>{geometry.Get()});
    ASSERT_TRUE(geometry->SetLodProxy(coarse.Get()));
    EXPECT_EQ(Draw(Point(0, 0, 15)), std::vector<void*>{coarse.Get()}); // exactly at the distance
    EXPECT_EQ(Draw(Point(0, 0, 14)), std::vector<void*>{geometry.Get()});
    geometry->SetFlags(GeometryNotDrawnBeyondLod);
    EXPECT_TRUE(Draw(Point(0, 0, 20)).empty());
    EXPECT_EQ(Draw(Point(0, 0, 10)), std::vector<void*>{geometry.Get()});
    // The shadow pass ignores the distance.
    EXPECT_EQ(Draw(Point(0, 0, 20), RenderPassShadow), std::vector<void*>{geometry.Get()});
}

TEST_F(DrawingTest, ShadowPass) {
    zSharedPtr<zGeometry> caster = BoxGeometry("caster");
    ASSERT_TRUE(geometry->SetShadowProxy(caster.Get()));
    EXPECT_EQ(Draw(Point(0, 0, 10), RenderPassShadow), std::vector<void*>{caster.Get()});
    EXPECT_EQ(Draw(Point(0, 0, 10)), std::vector<void*>{geometry.Get()});
    geometry->SetFlags(GeometryNoShadow);
    EXPECT_TRUE(Draw(Point(0, 0, 10), RenderPassShadow).empty());
    EXPECT_EQ(Draw(Point(0, 0, 10)), std::vector<void*>{geometry.Get()});
}

TEST_F(DrawingTest, AGeometryFlaggedNotDrawnGivesNothing) {
    geometry->SetFlags(GeometryNotDrawn);
    EXPECT_TRUE(Draw(Point(0, 0, 10)).empty());
    EXPECT_TRUE(Draw(Point(0, 0, 10), RenderPassShadow).empty());
}

// ---- The "Object" tag -------------------------------------------------------

TEST_F(ObjectTest, GeometryThroughOrPastTheCache) {
    WriteScript("quad.zge", QuadFile);
    ClearMissingResourceFlag();
    zMObject* first = scene->AddObject("first", nullptr);
    zMObject* second = scene->AddObject("second", nullptr);
    const char* const uncached = "<Object= <Geometry=\"quad.zge\"> <CacheGeometry=False> >";
    ASSERT_TRUE(ParseObject(*first, ZmlDocument(uncached).Root()));
    ASSERT_TRUE(ParseObject(*second, ZmlDocument(uncached).Root()));
    ASSERT_TRUE(first->GetGeometry() && second->GetGeometry());
    EXPECT_NE(first->GetGeometry(), second->GetGeometry());
    EXPECT_EQ(first->GetGeometry()->GetVertexCount(), 4u);
    EXPECT_FALSE(first->GetCacheGeometry());
    std::unique_ptr<zMetaTag> written(SerializeObject(*first));
    ASSERT_TRUE(written);
    bool cache = true;
    ASSERT_TRUE(written->GetTag("CacheGeometry;"));
    ASSERT_TRUE(written->GetTag("CacheGeometry;")->GetValue().GetBool(cache));
    EXPECT_FALSE(cache);

    const char* const cached = "<Object= <Geometry=\"quad.zge\"> >";
    ASSERT_TRUE(ParseObject(*first, ZmlDocument(cached).Root()));
    ASSERT_TRUE(ParseObject(*second, ZmlDocument(cached).Root()));
    EXPECT_EQ(first->GetGeometry(), second->GetGeometry());
    EXPECT_TRUE(first->GetCacheGeometry());
    written.reset(SerializeObject(*first));
    EXPECT_EQ(written->GetTag("CacheGeometry;"), nullptr);
    EXPECT_FALSE(IsMissingResourceFlagRaised());
}

TEST_F(ObjectTest, AMissingGeometryRaisesTheMissingResourceFlag) {
    ClearMissingResourceFlag();
    zMObject* object = scene->AddObject("ghost", nullptr);
    ASSERT_TRUE(ParseObject(*object, ZmlDocument("<Object= <Geometry=\"nowhere.zge\"> >").Root()));
    EXPECT_TRUE(IsMissingResourceFlagRaised());
    ASSERT_TRUE(object->GetGeometry());
    EXPECT_EQ(object->GetGeometry()->GetName(), "nowhere.zge");
    ClearMissingResourceFlag();
}

zItem* g_contextSeen = nullptr;
zEngine* g_contextEngine = nullptr;

TEST_F(ObjectTest, TheObjectIsTheLoadContextWhileItsTagIsRead) {
    WriteScript("quad.zge", QuadFile);
    g_contextEngine = &engine;
    engine.geometryLoadedCallback = [](zGeometry*) {
        g_contextSeen = g_contextEngine->GetLoadContext().object;
    };
    zMObject* object = scene->AddObject("body", nullptr);
    const i32 depth = engine.GetLoadContextIndex();
    ASSERT_TRUE(ParseObject(
        *object, ZmlDocument("<Object= <Geometry=\"quad.zge\"> <Occluder=\"quad.zge\"> >").Root()));
    engine.geometryLoadedCallback = nullptr;
    EXPECT_EQ(g_contextSeen, static_cast<zItem*>(object));
    EXPECT_EQ(engine.GetLoadContextIndex(), depth);
    EXPECT_EQ(object->GetOccluder(), object->GetGeometry());
    std::unique_ptr<zMetaTag> written(SerializeObject(*object));
    const char* text = nullptr;
    ASSERT_TRUE(written->GetTag("Occluder;")->GetValue().GetString(text));
    EXPECT_STREQ(text, "quad.zge");
    object->SetOccluder(nullptr);
    EXPECT_EQ(object->GetOccluder(), nullptr);
}

TEST_F(ObjectTest, ObjectTagErrors) {
    zObject object(&engine);
    EXPECT_FALSE(ParseObject(object, ZmlDocument("<Mesh>").Root()));
    EXPECT_TRUE(ParseObject(object, ZmlDocument("<Object= <Shape=1> <Geometry=3> >").Root()));
    EXPECT_EQ(log.Text(), "[!] Could not parse object. Root tag id is incorrect (Mesh).\n"
                          "[*] Unknown tag 'Shape' in <Object>.\n"
                          "[*] Invalid value of 'Geometry' in <Object>.\n");
    std::unique_ptr<zMetaTag> written(SerializeObject(object));
    ASSERT_TRUE(written);
    // Only the item part: no geometry, occluder or cache flag to write.
    zLinkedListIterator iterator{};
    const zMetaTag* first = written->GetNextChild(iterator);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->GetName(), "Item");
    EXPECT_EQ(written->GetNextChild(iterator), nullptr);
}

// ---- "MObject" and the add operation ----------------------------------------

TEST_F(ObjectTest, AddObjectTellsListenersAndBuildsTheSkinning) {
    ListenerLog listener;
    scene->GetListeners().Add(&listener);
    zMObject* object = scene->AddObject("body", SkinnedGeometry(2, {{Point(0, 0, 0), 1, 1.0f}}).Get());
    scene->GetListeners().Remove(&listener);
    ASSERT_TRUE(object);
    EXPECT_EQ(listener.events, (std::vector<u32>{SceneEventItemAdding, SceneEventItemAdded}));
    EXPECT_EQ(object->GetName(), "body");
    EXPECT_EQ(object->GetKind(), ManagedKindObject);
    EXPECT_TRUE(scene->GetKindList(ManagedKindObject).Find(object));
    EXPECT_EQ(object->GetUid(), 0);
    EXPECT_EQ(object->GetBoneCount(), 2u);
    EXPECT_EQ(object->GetRenderable(), static_cast<zRenderable*>(object));
    zMItem* found = nullptr;
    EXPECT_EQ(scene->FindManagedItemOfItem(object, &found), ManagedKindObject);
    EXPECT_EQ(found, object);
    zTrigger* trigger = scene->AddTrigger("door");
    ASSERT_TRUE(trigger);
    EXPECT_EQ(trigger->GetUid(), 1);
    EXPECT_EQ(scene->FindByName(ManagedKindTrigger, "door"), trigger);
}

TEST_F(ObjectTest, ReparentingAManagedKindTellsListeners) {
    ListenerLog listener;
    zMObject* object = scene->AddObject("body", nullptr);
    zMLight* light = scene->AddLight("lamp", LightTypePoint, 1.0f);
    zTrigger* trigger = scene->AddTrigger("door");
    scene->GetListeners().Add(&listener);
    light->SetParent(object);
    trigger->SetParent(object);
    object->SetParent(nullptr);
    scene->GetListeners().Remove(&listener);
    EXPECT_EQ(listener.events, (std::vector<u32>{13, 14, 13, 14, 13, 14}));
    EXPECT_EQ(light->GetParentItem(), object);
    EXPECT_EQ(trigger->GetParentItem(), object);
}

TEST(ObjectReferenceTable, AllocateGivesEmptyEntriesAndSetEntryStopsAtTheCount) {
    zObjectReferenceTable table;
    EXPECT_EQ(table.GetCount(), 0u);
    EXPECT_FALSE(table.SetEntry(0, nullptr));
    zItem first;
    zItem second;
    ASSERT_TRUE(table.Allocate(3));
    EXPECT_EQ(table.GetCount(), 3u);
    for (u32 index = 0; index < 3; ++index)
        EXPECT_EQ(table.GetEntry(index), nullptr) << index;
    struct Case {
        u32 index;
        zItem* value;
        bool stored;
    } const cases[] = {
        {0, &first, true}, {2, &second, true}, {3, &first, false}, {0xFFFFFFFFu, &first, false}};
    for (const Case& entry : cases) {
        EXPECT_EQ(table.SetEntry(entry.index, entry.value), entry.stored) << entry.index;
        EXPECT_EQ(table.GetEntry(entry.index), entry.stored ? entry.value : nullptr) << entry.index;
    }
    EXPECT_EQ(table.GetEntry(1), nullptr);
    EXPECT_TRUE(table.SetEntry(2, nullptr));
    EXPECT_EQ(table.GetEntry(2), nullptr);
    // A new allocation starts empty again.
    ASSERT_TRUE(table.Allocate(2));
    EXPECT_EQ(table.GetCount(), 2u);
    EXPECT_EQ(table.GetEntry(0), nullptr);
    EXPECT_FALSE(table.SetEntry(2, &first));
    EXPECT_TRUE(table.Allocate(0));
    EXPECT_EQ(table.GetCount(), 0u);
    EXPECT_FALSE(table.SetEntry(0, &first));
}

TEST_F(ObjectTest, ReparentingAConstraintTellsListeners) {
    ListenerLog listener;
    zMObject* object = scene->AddObject("body", nullptr);
    zMConstraint* constraint = scene->AddPointConstraint("joint");
    ASSERT_TRUE(constraint);
    scene->GetListeners().Add(&listener);
    constraint->SetParent(object);
    EXPECT_EQ(listener.events, (std::vector<u32>{13, 14}));
    EXPECT_EQ(constraint->GetParentItem(), object);
    // Through the node's own interface as well, as groups and the scene file
    // re-link items.
    static_cast<zItem*>(constraint)->SetParent(nullptr);
    scene->GetListeners().Remove(&listener);
    EXPECT_EQ(listener.events, (std::vector<u32>{13, 14, 13, 14}));
    EXPECT_EQ(constraint->GetParentItem(), nullptr);
}

// OnDelete still sees the whole item: its name and world matrix.
class WholeOnDelete : public zItemScriptEventDispatcher {
  public:
    void OnDelete(zScriptUnitList&) override {
        names.push_back(item->GetName().CStr());
        positions.push_back(item->GetItem()->GetWorldMatrix()->e[3]);
    }
    zMItem* item = nullptr;
    std::vector<std::string> names;
    std::vector<f32> positions;
};

TEST_F(ObjectTest, OnDeleteSeesTheWholeItemOfEveryKind) {
    WholeOnDelete seen;
    std::vector<zMItem*> items = {scene->AddObject("body", BoxGeometry().Get()),
                                  scene->AddLight("lamp", LightTypeSpot, 1.0f), scene->AddTrigger("door"),
                                  scene->AddCamera("eye")};
    f32 x = 1.0f;
    for (zMItem* item : items) {
        ASSERT_TRUE(item);
        item->SetDispatcher(&seen);
        item->GetItem()->SetPosition(Point(x, 0, 0));
        x += 1.0f;
    }
    for (zMItem* item : items) {
        seen.item = item;
        delete item;
    }
    EXPECT_EQ(seen.names, (std::vector<std::string>{"body", "lamp", "door", "eye"}));
    EXPECT_EQ(seen.positions, (std::vector<f32>{1.0f, 2.0f, 3.0f, 4.0f}));
}

TEST_F(ObjectTest, ManagedTagsRoundTripAndRefuseWrongRoots) {
    WriteScript("quad.zge", QuadFile);
    zMObject* object = scene->AddObject("body", nullptr);
    ASSERT_TRUE(ParseObject(*object, ZmlDocument("<Object= <Geometry=\"quad.zge\"> >").Root()));
    object->zItem::SetPosition(Point(1, 2, 3));
    object->SetBehaviour(BehaviourStatic);
    std::unique_ptr<zMetaTag> tag(object->SerializeTag());
    ASSERT_TRUE(tag);
    zMObject* copy = scene->AddObject("copy", nullptr);
    ASSERT_TRUE(copy->ParseTag(nullptr, tag.get()));
    EXPECT_EQ(copy->GetName(), "body");
    EXPECT_EQ(copy->GetGeometry(), object->GetGeometry());
    std::unique_ptr<zMetaTag> again(copy->SerializeTag());
    EXPECT_EQ(DumpOne(again.get()), DumpOne(tag.get()));

    zMCamera* camera = scene->AddCamera("eye");
    camera->SetZoom(2.0f);
    tag.reset(camera->SerializeTag());
    ASSERT_TRUE(tag);
    zMCamera* cameraCopy = scene->AddCamera("copy");
    ASSERT_TRUE(cameraCopy->ParseTag(nullptr, tag.get()));
    EXPECT_EQ(cameraCopy->GetZoom(), 2.0f);
    again.reset(cameraCopy->SerializeTag());
    EXPECT_EQ(DumpOne(again.get()), DumpOne(tag.get()));

    struct Case {
        const char* text;
        const char* logLine;
    } const cases[] = {
        {"<Object>", "[!] Could not parse managed object. Root tag id is incorrect (Object).\n"},
        {"<MObject= <MItem= <UId=2> > <Light> >", "[*] Unknown tag 'Light' in <MObject>.\n"},
    };
    for (const Case& entry : cases) {
        log.Reset();
        copy->ParseTag(nullptr, ZmlDocument(entry.text).Root());
        EXPECT_EQ(log.Text(), entry.logLine) << entry.text;
    }
    log.Reset();
    EXPECT_FALSE(cameraCopy->ParseTag(nullptr, ZmlDocument("<Camera>").Root()));
    EXPECT_TRUE(cameraCopy->ParseTag(nullptr, ZmlDocument("<MCamera= <MItem= <UId=7> > <Zoom> >").Root()));
    EXPECT_EQ(log.Text(), "[!] Could not parse managed camera. Root tag id is incorrect (Camera).\n"
                          "[*] Unknown tag 'Zoom' in <MCamera>.\n");
}

// A read that fails gives the item its uid back: never -1, never the file's
// unmapped value.
TEST_F(ObjectTest, AFailedReadKeepsTheCreationUid) {
    zMObject* object = scene->AddObject("body", nullptr);
    zMLight* light = scene->AddLight("lamp", LightTypePoint, 1.0f);
    zTrigger* trigger = scene->AddTrigger("door");
    zMCamera* camera = scene->AddCamera("eye");
    using Read = std::function<bool(const zMetaTag*)>;
    struct Case {
        zMItem* item;
        Read read;
        const char* root;
    } const cases[] = {
        {object, [&](const zMetaTag* tag) { return object->ParseTag(nullptr, tag); }, "MObject"},
        {light, [&](const zMetaTag* tag) { return light->ParseTag(nullptr, tag); }, "MLight"},
        {trigger, [&](const zMetaTag* tag) { return trigger->ParseTag(nullptr, tag); }, "Trigger"},
        {camera, [&](const zMetaTag* tag) { return camera->ParseTag(nullptr, tag); }, "MCamera"},
    };
    for (const Case& entry : cases) {
        const i32 uid = entry.item->GetUid();
        for (const char* mitem : {"<MItem= <Id=\"x\"> >", "<MItem= <UId=-5> >"}) {
            const std::string text = std::string("<") + entry.root + "= " + mitem + " >";
            EXPECT_FALSE(entry.read(ZmlDocument(text).Root())) << text;
            EXPECT_EQ(entry.item->GetUid(), uid) << text;
        }
        const std::string good = std::string("<") + entry.root + "= <MItem= <UId=42> > >";
        EXPECT_TRUE(entry.read(ZmlDocument(good).Root()));
        EXPECT_EQ(entry.item->GetUid(), 42);
    }
}

} // namespace

namespace {

TEST_F(ObjectTest, TheSceneQueuesObjectsAndBoundsTheirGeometry) {
    zMObject* object = scene->AddObject("body", BoxGeometry().Get());
    ASSERT_TRUE(object);
    object->zItem::SetPosition(Point(10, 0, 0));
    scene->AddLight("lamp", LightTypePoint, 1.0f);
    scene->AddTrigger("door");
    scene->AddCamera("eye");
    zRenderer* renderer = engine.GetRenderer();
    ASSERT_TRUE(renderer);
    renderer->ResetRenderQueue();
    scene->RenderToQueue(0);
    ASSERT_EQ(renderer->GetRenderQueue().size(), 1u);
    EXPECT_EQ(renderer->GetRenderQueue().front(), static_cast<zRenderable*>(object));
    renderer->ResetRenderQueue();
    zMinMax bounds;
    scene->GetBounds(bounds);
    ExpectBox(bounds, Point(9, -1, -1), Point(11, 1, 1));
}

} // namespace

// ---- Settled objects --------------------------------------------------------

// A still object leaves the update's walks; every change that moves it, or
// writes its previous matrix, brings it back: after the next update the
// previous matrix is the new world matrix again.
TEST_F(ObjectTest, EveryChangeToASettledObjectReachesItsPreviousMatrix) {
    const f32 garbage[16] = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
    struct Case {
        const char* name;
        std::function<void(zMObject&, TestItem&)> change;
    } const cases[] = {
        {"position", [](zMObject& object, TestItem&) { object.zItem::SetPosition(Point(1, 2, 3)); }},
        {"parent", [](zMObject&, TestItem& parent) { parent.zItem::SetPosition(Point(4, 0, 0)); }},
        {"matrix", [](zMObject& object, TestItem&) { object.SetMatrix(zMatrix4::Translation(Point(0, 5, 0))); }},
        {"previous", [&](zMObject& object, TestItem&) { object.SetPreviousMatrix(garbage); }},
        {"flags",
         [](zMObject& object, TestItem&) {
             // The part written behind the setters' back: only the dirty bits tell.
             *const_cast<zVector*>(object.zItem::GetPosition()) = Point(0, 0, 6);
             object.SetFlags(object.GetFlags() | ItemLocalDirty | ItemWorldDirty);
         }},
    };
    for (const Case& entry : cases) {
        TestItem* parent = Add("parent");
        zMObject* object = scene->AddObject("o", nullptr);
        object->zItem::SetParent(parent);
        scene->Update(UpdateAll);
        scene->Update(UpdateAll);
        ASSERT_TRUE(object->IsSettled()) << entry.name;
        ASSERT_FALSE(object->IsInSceneList(zMItem::SceneListMoved)) << entry.name;
        entry.change(*object, *parent);
        scene->Update(UpdateAll);
        const zMatrix4 world = *object->GetWorldMatrix();
        EXPECT_FALSE(object->GetPreviousWorldPosition()->DiffersFrom(world)) << entry.name;
        EXPECT_TRUE(world.DiffersFrom(zMatrix4()) || entry.name == std::string("previous")) << entry.name;
        scene->DeleteContent(false);
    }
}

// An object given a skinned geometry after the update dropped it from the
// skinning walk is skinned again.
TEST_F(ObjectTest, AnObjectThatGainsBonesIsSkinnedByTheUpdate) {
    zMObject* object = scene->AddObject("o", nullptr);
    TestItem* bone = Add("bone");
    bone->zItem::SetPosition(Point(7, 0, 0));
    scene->Update(UpdateAll);
    ASSERT_FALSE(object->IsInSceneList(zMItem::SceneListSkinned));
    zSharedPtr<zGeometry> geometry = SkinnedGeometry(1, {{Point(0, 0, 0), 0, 1.0f}});
    object->SetGeometry(geometry.Get(), true);
    ASSERT_TRUE(object->SetBone(0, bone));
    scene->Update(UpdateAll);
    ASSERT_TRUE(object->GetSkinningMatrices());
    EXPECT_EQ(object->GetSkinningMatrices()[0].GetRow(3, true).x, 7.0f);
    object->SetGeometry(nullptr, true);
    scene->Update(UpdateAll);
    EXPECT_FALSE(object->IsInSceneList(zMItem::SceneListSkinned));
}
