// The scene's debug drawing (markers, bones, triggers, brackets, constraint
// pivots, debug geometries, item labels) against a recording renderer, and
// its item list and audit in the log.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "physics/physic_constraint.h"
#include "physics/physic_item.h"
#include "render/debug_draw.h"
#include "render/geometry.h"
#include "render/render_font.h"
#include "render/renderer.h"
#include "scene/managed_camera.h"
#include "scene/managed_constraint.h"
#include "scene/managed_object.h"
#include "scene/trigger.h"
#include "tests/scene/scene_fixture.h"
#include "tests/support/recording_renderer.h"

namespace {

const f32 Highlight[4] = {1.0f, 0.65f, 0.16f, 1.0f};
const f32 Plain[4] = {0.72f, 0.72f, 0.72f, 1.0f};
const f32 MarkerDefault[4] = {0.75f, 0.75f, 0.75f, 1.0f};
const f32 Bracket[4] = {0.8f, 0.8f, 0.8f, 0.75f};
const f32 Green[4] = {0.0f, 1.0f, 0.0f, 1.0f};
const f32 Red[4] = {1.0f, 0.0f, 0.0f, 1.0f};

const char* const TriangleFile = R"(<ZML=1.0>
<Geometry=
  <AVertex=<Count=3><Data=
    <V=<X=0.0><Y=0.0><Z=0.0>>
    <V=<X=1.0><Y=0.0><Z=0.0>>
    <V=<X=0.0><Y=1.0><Z=0.0>>>>
  <APolygon=<Count=1><BindingCount=3><Data=
    <P=<Count=3><Material=0><Index=0><Index=1><Index=2>>>>
>
)";

// Every line of text has the width the test sets.
struct FixedWidthFont : zRenderFont {
    f32 width = 0.1f;
    const zRasterGlyph* GetGlyph(u8) const override { return nullptr; }
    f32 GetLineWidth(const char*, u32) const override { return width; }
    f32 GetTextWidth(const char*) const override { return width; }
    zTexture* GetPageTexture(i32) const override { return nullptr; }
    f32 GetHeight() const override { return 0.05f; }
};

class SceneDebug : public SceneFixture {
  public:
    void SetUp() override {
        SceneFixture::SetUp();
        renderer.Open(640, 480, 32, false);
    }
    TestItem* At(const char* name, const zVector& position, u32 kind = ManagedKindObject) {
        TestItem* item = Add(name, kind);
        item->zItem::SetPosition(position);
        return item;
    }
    // A geometry of the given vertices and one polygon over indices.
    zSharedPtr<zGeometry> Polygon(const std::vector<zVector>& vertices, const std::vector<u32>& indices) {
        zSharedPtr<zGeometry> geometry(new zGeometry(&engine));
        EXPECT_TRUE(geometry->AllocateVertices(static_cast<u32>(vertices.size())));
        for (size_t index = 0; index < vertices.size(); ++index)
            geometry->GetVertices()[index] = vertices[index];
        EXPECT_TRUE(geometry->AllocatePolygons(1));
        geometry->GetPolygons()[0].cornerCount = static_cast<u16>(indices.size());
        EXPECT_TRUE(geometry->AllocateBindings());
        for (size_t index = 0; index < indices.size(); ++index)
            geometry->GetPolygons()[0].bindings[index] = indices[index];
        return geometry;
    }
    // Lines drawn in exactly that colour.
    size_t LinesIn(const f32* color) const {
        return static_cast<size_t>(
            std::count_if(renderer.lines.begin(), renderer.lines.end(), [&](const RecordedLine& line) {
                return line.color && std::equal(color, color + 4, line.colorValue.rgba);
            }));
    }
    int Crosses(const zVector& at, f32 size, const f32* color) {
        return renderer.CountShape([&](zRenderer* r) { DrawCross(r, at, size, color); });
    }

    RecordingRenderer renderer{&engine, true};
};

TEST_F(SceneDebug, TriggersAreGreenWhenActiveAndRedWhenNot) {
    zTrigger* on = scene->AddTrigger("on");
    zTrigger* off = scene->AddTrigger("off");
    on->zItem::SetPosition(zVector(1.0f, 2.0f, 3.0f, 1.0f));
    off->zItem::SetScale(zVector(2.0f, 4.0f, 6.0f, 1.0f));
    off->SetActiveByte(0);
    scene->Debug(&renderer, nullptr, nullptr, SceneDebugAll);
    const zVector onCenter(1.0f, 2.0f, 3.0f, 1.0f), offCenter(0.0f, 0.0f, 0.0f, 1.0f);
    const zVector onSize(1.0f, 1.0f, 1.0f, 1.0f), offSize(2.0f, 4.0f, 6.0f, 1.0f);
    EXPECT_EQ(renderer.CountShape([&](zRenderer* r) { DrawBox(r, zOrientedBox(&onCenter, &onSize), Green); }),
              1);
    EXPECT_EQ(renderer.CountShape([&](zRenderer* r) { DrawBox(r, zOrientedBox(&offCenter, &offSize), Red); }),
              1);
    EXPECT_EQ(renderer.lines.size(), 24u);
}

TEST_F(SceneDebug, ObjectMarkersFollowTheHighlightList) {
    zSharedPtr<zGeometry> triangle = Polygon({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2});
    TestItem* listed = At("listed", zVector(1.0f, 0.0f, 0.0f, 1.0f));
    zMObject* shaped = scene->AddObject("shaped", triangle.Get());
    shaped->zItem::SetPosition(zVector(2.0f, 0.0f, 0.0f, 1.0f));
    TestItem* bare = At("bare", zVector(3.0f, 0.0f, 0.0f, 1.0f));
    // Pivots do not move the marker.
    bare->zItem::SetPivot(zMatrix4::Translation(zVector(0.0f, 9.0f, 0.0f, 1.0f)));
    const zVector positions[3] = {{1, 0, 0}, {2, 0, 0}, {3, 0, 0}};

    scene->Debug(&renderer, nullptr, nullptr, 0);
    for (const zVector& at : positions)
        EXPECT_EQ(Crosses(at, 0.05f, Highlight), 1) << at.x;
    EXPECT_EQ(renderer.lines.size(), 9u);

    renderer.ClearRecords();
    zList<zMItem*> highlight;
    highlight.Add(listed);
    scene->Debug(&renderer, &highlight, nullptr, 0);
    EXPECT_EQ(Crosses(positions[0], 0.05f, Highlight), 1);
    EXPECT_EQ(Crosses(positions[1], 0.05f, Highlight), 0);
    EXPECT_EQ(Crosses(positions[1], 0.05f, Plain), 0);
    EXPECT_EQ(Crosses(positions[2], 0.05f, Plain), 1);
    // The listed object's bounds as brackets: two strokes per edge.
    EXPECT_EQ(LinesIn(Bracket), 24u);

    // Excluded items draw nothing at all.
    renderer.ClearRecords();
    zList<zMItem*> exclusion;
    exclusion.Add(listed);
    exclusion.Add(bare);
    scene->Debug(&renderer, &highlight, &exclusion, SceneDebugAll);
    EXPECT_TRUE(renderer.lines.empty());
}

TEST_F(SceneDebug, VisualisationScaleSizesTheMarkers) {
    At("crate", zVector(0.0f, 1.0f, 0.0f, 1.0f));
    scene->visualisationScale = 2.0f;
    scene->Debug(&renderer, nullptr, nullptr, 0);
    EXPECT_EQ(Crosses(zVector(0.0f, 1.0f, 0.0f, 1.0f), 0.1f, Highlight), 1);
}

TEST_F(SceneDebug, BoundsDrawnWithTheirModeBit) {
    TestItem* crate = At("crate", zVector(4.0f, 0.0f, 0.0f, 1.0f));
    scene->Debug(&renderer, nullptr, nullptr, SceneDebugBounds);
    zMinMax bounds;
    crate->zItem::GetBounds(bounds);
    zOrientedBox box = OrientedBoxFromMinMax(bounds);
    box.Transform(*crate->GetWorldMatrix());
    EXPECT_EQ(renderer.CountShape([&](zRenderer* r) { DrawBox(r, box); }), 1);
    EXPECT_EQ(renderer.lines.size(), 15u);
}

TEST_F(SceneDebug, BonesWithAParentDrawTheirShape) {
    TestItem* root = At("root", zVector(0.0f, 0.0f, 0.0f, 1.0f));
    TestItem* bone = At("bone", zVector(0.0f, 0.0f, 2.0f, 1.0f));
    bone->zItem::SetFlags(bone->zItem::GetFlags() | ItemIsBone);
    bone->zItem::SetParent(root);
    const f32 boneColor[4] = {1.0f, 0.65f, 0.16f, 0.5f};

    scene->Debug(&renderer, nullptr, nullptr, SceneDebugBones);
    EXPECT_EQ(LinesIn(boneColor), 12u);
    EXPECT_EQ(renderer.lines.size(), 15u); // the root's cross
    // The tip is the bone's position, the ring a fifth of the way.
    const RecordedLine& toTip = renderer.lines[3 + 4];
    EXPECT_NEAR(toTip.to.z, 2.0f, 1e-5f);
    EXPECT_NEAR(toTip.from.z, 0.4f, 1e-5f);
    EXPECT_NEAR(std::abs(toTip.from.x), 0.2f, 1e-5f);

    renderer.ClearRecords();
    scene->Debug(&renderer, nullptr, nullptr, 0);
    EXPECT_EQ(renderer.lines.size(), 3u);

    renderer.ClearRecords();
    bone->zItem::SetParent(nullptr);
    scene->Debug(&renderer, nullptr, nullptr, SceneDebugBones);
    EXPECT_EQ(Crosses(zVector(0.0f, 0.0f, 2.0f, 1.0f), 0.05f, Highlight), 1);
    EXPECT_EQ(LinesIn(boneColor), 0u);
}

TEST_F(SceneDebug, DebugGeometriesOfLightsCamerasAndTriggers) {
    WriteScript("tri.zge", TriangleFile);
    ASSERT_TRUE(scene->LoadDebugGeometries("tri.zge", "tri.zge", "tri.zge", "tri.zge", "tri.zge", "tri.zge"));
    ASSERT_TRUE(scene->GetDebugGeometry(SceneDebugGeometryPointLight));
    scene->AddLight("point", LightTypePoint, 0.0f);
    scene->AddLight("area", LightTypeArea, 0.0f);
    scene->AddLight("none", LightTypeNone, 0.0f);
    scene->AddCamera("view");
    scene->AddTrigger("zone");
    scene->Debug(&renderer, nullptr, nullptr, SceneDebugAll);
    // Markers of the three lights and the camera in the marker default.
    EXPECT_EQ(LinesIn(MarkerDefault), 12u);
    EXPECT_EQ(LinesIn(Plain), 3u);
    EXPECT_EQ(LinesIn(Highlight), 6u);

    // A missing file gives an empty geometry, no path none.
    ASSERT_TRUE(
        scene->LoadDebugGeometries("missing.zge", nullptr, "tri.zge", "tri.zge", "tri.zge", "tri.zge"));
    ASSERT_TRUE(scene->GetDebugGeometry(SceneDebugGeometryPointLight));
    EXPECT_EQ(scene->GetDebugGeometry(SceneDebugGeometryPointLight)->GetPolygonCount(), 0u);
    EXPECT_FALSE(scene->GetDebugGeometry(SceneDebugGeometrySpotLight));
    renderer.ClearRecords();
    scene->Debug(&renderer, nullptr, nullptr, SceneDebugAll);
    EXPECT_EQ(LinesIn(Plain), 0u);
}

TEST_F(SceneDebug, DebugGeometryLinesScaleByTheVisualisationScale) {
    zSharedPtr<zGeometry> triangle = Polygon({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2});
    const zMatrix4 moved = zMatrix4::Translation(zVector(5.0f, 0.0f, 0.0f, 1.0f));
    scene->DrawDebugGeometry(&renderer, triangle.Get(), moved, Plain);
    ASSERT_EQ(renderer.lines.size(), 3u);
    const zVector expected[3][2] = {{{5, 0, 0}, {6, 0, 0}}, {{6, 0, 0}, {5, 1, 0}}, {{5, 1, 0}, {5, 0, 0}}};
    for (int line = 0; line < 3; ++line) {
        EXPECT_EQ(renderer.lines[line].from.x, expected[line][0].x) << line;
        EXPECT_EQ(renderer.lines[line].from.y, expected[line][0].y) << line;
        EXPECT_EQ(renderer.lines[line].to.x, expected[line][1].x) << line;
        EXPECT_EQ(renderer.lines[line].to.y, expected[line][1].y) << line;
        EXPECT_EQ(renderer.lines[line].color, Plain);
    }
    renderer.ClearRecords();
    scene->visualisationScale = 2.0f;
    scene->DrawDebugGeometry(&renderer, triangle.Get(), moved, nullptr);
    ASSERT_EQ(renderer.lines.size(), 3u);
    EXPECT_EQ(renderer.lines[0].to.x, 7.0f);
    EXPECT_EQ(renderer.lines[0].color, nullptr);
    renderer.ClearRecords();
    scene->DrawDebugGeometry(&renderer, nullptr, moved, Plain);
    EXPECT_TRUE(renderer.lines.empty());
}

// A polygon index past the vertices names no vertex: its lines are left out
// instead of reading past the vertex array.
TEST_F(SceneDebug, DebugGeometryIndexPastTheVerticesDrawsNoLine) {
    zSharedPtr<zGeometry> broken = Polygon({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 7});
    scene->DrawDebugGeometry(&renderer, broken.Get(), zMatrix4(), Plain);
    ASSERT_EQ(renderer.lines.size(), 1u);
    EXPECT_EQ(renderer.lines[0].to.x, 1.0f);
}

class SceneDebugPhysics : public SceneDebug {
  public:
    void SetUp() override {
        SceneDebug::SetUp();
        ASSERT_TRUE(scene->CreatePhysicWorld());
    }
};

TEST_F(SceneDebugPhysics, ConstraintPivots) {
    TestItem* a = At("a", zVector(0.0f, 0.0f, 0.0f, 1.0f));
    TestItem* b = At("b", zVector(3.0f, 0.0f, 0.0f, 1.0f));
    zMConstraint* joint = scene->AddPointConstraint("joint");
    ASSERT_TRUE(joint && joint->GetConstraint() && a->GetPhysicItem() && b->GetPhysicItem());
    zPhysicConstraint* constraint = joint->GetConstraint();
    constraint->SetItemA(a->GetPhysicItem());
    constraint->SetPivotA(zMatrix4::Translation(zVector(1.0f, 0.0f, 0.0f, 1.0f)));
    constraint->SetPivotB(zMatrix4::Translation(zVector(0.0f, 1.0f, 0.0f, 1.0f)));
    zList<zMItem*> exclusion;
    exclusion.Add(a);
    exclusion.Add(b);
    // One side only: nothing.
    scene->Debug(&renderer, nullptr, &exclusion, 0);
    EXPECT_TRUE(renderer.lines.empty());

    constraint->SetItemB(b->GetPhysicItem());
    scene->Debug(&renderer, nullptr, &exclusion, 0);
    const zVector pa(1.0f, 0.0f, 0.0f, 1.0f), pb(3.0f, 1.0f, 0.0f, 1.0f);
    EXPECT_EQ(renderer.CountShape([&](zRenderer* r) {
        DrawCross(r, pa, 0.19999999f);
        DrawCross(r, pb, 0.19999999f);
        r->DrawLine(pa, pb, nullptr);
    }),
              1);
    EXPECT_EQ(renderer.lines.size(), 7u);

    renderer.ClearRecords();
    exclusion.Add(joint);
    scene->Debug(&renderer, nullptr, &exclusion, 0);
    EXPECT_TRUE(renderer.lines.empty());
}

// A physics item that no managed item owns gives its pivot no position.
TEST_F(SceneDebugPhysics, ConstraintPivotOfAnOwnerlessBodyIsSkipped) {
    TestItem* a = At("a", zVector(0.0f, 0.0f, 0.0f, 1.0f));
    TestItem* b = At("b", zVector(3.0f, 0.0f, 0.0f, 1.0f));
    zMConstraint* joint = scene->AddPointConstraint("joint");
    ASSERT_TRUE(joint && joint->GetConstraint());
    joint->GetConstraint()->SetItemA(a->GetPhysicItem());
    joint->GetConstraint()->SetItemB(b->GetPhysicItem());
    zList<zMItem*> exclusion;
    exclusion.Add(a);
    exclusion.Add(b);
    b->GetPhysicItem()->SetOwner(nullptr);
    scene->Debug(&renderer, nullptr, &exclusion, 0);
    b->GetPhysicItem()->SetOwner(b);
    EXPECT_TRUE(renderer.lines.empty());
}

TEST_F(SceneDebug, PrintItemListOfAnEmptyScene) {
    log.Reset();
    scene->PrintItemList();
    EXPECT_EQ(log.Text(), "[|] Dumping scene content\n\n"
                          "[|] Camera list follows (0 entries) :\n[|] \n"
                          "[|] Object list follows (0 entries) :\n[|] \n"
                          "[|] Light list follows (0 entries) :\n[|] \n"
                          "[|] Group list follows (0 entries) :\n[|] \n"
                          "[|] -------------------\n[|] -------------------\n\n"
                          "[|] Global item list follows (0 entries) :\n"
                          "[|] \n");
}

TEST_F(SceneDebug, PrintItemListWithLinks) {
    TestItem* root = Add("root");
    TestItem* child = Add("child");
    scene->AddLight("sun", LightTypeParallel, 0.0f);
    scene->AddGroup("team");
    child->zItem::SetParent(root);
    child->zItem::SetFlags(child->zItem::GetFlags() | ItemInvisible);
    // A parent that no managed item owns.
    zItem loose;
    zMItem* lamp = scene->FindByName(ManagedKindLight, "sun");
    lamp->GetItem()->SetParent(&loose);
    log.Reset();
    scene->PrintItemList();
    lamp->GetItem()->SetParent(nullptr);
    EXPECT_EQ(log.Text(), "[|] Dumping scene content\n\n"
                          "[|] Camera list follows (0 entries) :\n[|] \n"
                          "[|] Object list follows (2 entries) :\n[|]   - root\n[|]   - child\n[|] \n"
                          "[|] Light list follows (1 entries) :\n[|]   - sun\n[|] \n"
                          "[|] Group list follows (1 entries) :\n[|]   - team\n[|] \n"
                          "[|] -------------------\n[|] -------------------\n\n"
                          "[|] Global item list follows (3 entries) :\n"
                          "[|]   - root \n"
                          "[|]   - child (Linked to 'root'), (Active: yes, Invisible: yes)\n"
                          "[*] Could not locate any instance of the provided item.\n"
                          "[|]   - sun \n"
                          "[|] \n");
}

TEST_F(SceneDebug, AuditOfAnEmptyScene) {
    log.Reset();
    scene->Audit();
    EXPECT_EQ(log.Text(), "\nRunning scene audit:\n--------------------\n\n(1/2) Geometry usage:\n\n"
                          "\n(2/2) Check for duplicate geometries:\n\n"
                          "\nAudit complete.\n\n");
}

TEST_F(SceneDebug, AuditReportsGeometryUseAndDuplicates) {
    zSharedPtr<zGeometry> rock = Polygon({{0, 0, 0}}, {0});
    zSharedPtr<zGeometry> tree = Polygon({{0, 0, 0}}, {0});
    rock->SetName(zString("rock"));
    tree->SetName(zString("tree"));
    zMObject* first = scene->AddObject("first", tree.Get());
    scene->AddObject("second", rock.Get());
    zMObject* third = scene->AddObject("third", tree.Get());
    Add("plain");
    first->zItem::SetPosition(zVector(1.0f, 2.0f, 3.0f, 1.0f));
    third->zItem::SetPosition(zVector(1.0f, 2.0f, 3.0f, 1.0f));
    log.Reset();
    scene->Audit();
    const std::string usage = "\nRunning scene audit:\n--------------------\n\n(1/2) Geometry usage:\n\n"
                              "'tree' used by 2 object(s).\n - Object 'first'\n - Object 'third'\n"
                              "'rock' used by 1 object(s).\n - Object 'second'\n"
                              "\n(2/2) Check for duplicate geometries:\n\n";
    EXPECT_EQ(log.Text(), usage + "[*]  - Object 'first' and 'third' might be duplicates.\n"
                                  "[*]  - Object 'third' and 'first' might be duplicates.\n"
                                  "\nAudit complete.\n\n");
    third->zItem::SetPosition(zVector(1.001f, 2.0f, 3.0f, 1.0f));
    log.Reset();
    scene->Audit();
    EXPECT_EQ(log.Text(), usage + "\nAudit complete.\n\n");
    // A different rotation is no duplicate either.
    third->zItem::SetPosition(zVector(1.0f, 2.0f, 3.0f, 1.0f));
    third->zItem::SetRotation(zVector(0.0f, 0.5f, 0.0f, 1.0f));
    log.Reset();
    scene->Audit();
    EXPECT_EQ(log.Text(), usage + "\nAudit complete.\n\n");
}

class SceneLabel : public SceneDebug {
  public:
    void SetUp() override {
        SceneDebug::SetUp();
        camera = scene->AddCamera("eye");
        renderer.SetViewItem(camera);
        renderer.SetViewport(0, 0, 640, 580);
        scene->SetProfilerFont(&font);
    }
    void TearDown() override {
        renderer.SetViewItem(nullptr);
        SceneDebug::TearDown();
    }
    // A screen point as DrawScreenTriangle places it.
    zVector World(f32 x, f32 y) {
        zVector out;
        camera->ScreenToWorld(out, x, y, 1.0f, -1.0f);
        return out;
    }
    void ExpectCorner(const zVector& corner, f32 x, f32 y) {
        const zVector expected = World(x, y);
        EXPECT_NEAR(corner.x, expected.x, 1e-5f);
        EXPECT_NEAR(corner.y, expected.y, 1e-5f);
        EXPECT_NEAR(corner.z, expected.z, 1e-5f);
    }

    zMCamera* camera = nullptr;
    FixedWidthFont font;
};

TEST_F(SceneLabel, LabelBoxAndText) {
    TestItem* crate = At("crate", zVector(1.0f, 0.5f, 10.0f, 1.0f));
    zVector screen;
    ASSERT_TRUE(camera->WorldToScreen(zVector(1.0f, 0.5f, 10.0f, 1.0f), screen, true));
    scene->DrawItemLabel(&renderer, crate);
    ASSERT_EQ(renderer.triangles.size(), 34u);
    const f32 x = screen.x, y = screen.y + 0.05f;
    // k = 290 / 580 = 0.5: a box 0.025 wide and 0.0375 high from y - 0.0075.
    ExpectCorner(renderer.triangles[0].corners[0], x - 0.0125f, y - 0.0075f);
    ExpectCorner(renderer.triangles[0].corners[1], x + 0.0125f, y - 0.0075f);
    ExpectCorner(renderer.triangles[0].corners[2], x + 0.0125f, y + 0.03f);
    ExpectCorner(renderer.triangles[1].corners[1], x - 0.0125f, y + 0.03f);
    // The ends: half ellipses from the bottom (angle 0) to the top (pi).
    ExpectCorner(renderer.triangles[2].corners[1], x - 0.0125f, y - 0.0075f);
    ExpectCorner(renderer.triangles[2].corners[2], x - 0.0125f, y);
    ExpectCorner(renderer.triangles[17].corners[0], x - 0.0125f, y + 0.03f);
    ExpectCorner(renderer.triangles[25].corners[2], x + 0.0125f + 0.25f * 0.0375f, y + 0.3f * 0.0375f);
    ExpectCorner(renderer.triangles[33].corners[2], x + 0.0125f, y + 0.03f);
    for (const RecordedTriangle& triangle : renderer.triangles) {
        EXPECT_EQ(triangle.flags, 0x6000u);
        EXPECT_EQ(triangle.uvs, nullptr);
        EXPECT_EQ(triangle.texture, nullptr);
        EXPECT_EQ(triangle.colorValue.rgba[0], 0.5f);
        EXPECT_EQ(triangle.colorValue.rgba[3], 0.7f);
    }
    ASSERT_EQ(renderer.writes.size(), 1u);
    const RecordedWrite& write = renderer.writes[0];
    EXPECT_EQ(write.text, "Object: crate");
    EXPECT_EQ(write.font, &font);
    EXPECT_EQ(write.x, x);
    EXPECT_EQ(write.y, y);
    EXPECT_EQ(write.size, 0.5f);
    EXPECT_TRUE(write.flag);
    EXPECT_EQ(write.value, 1);
    EXPECT_EQ(write.color.pointer, nullptr);
}

TEST_F(SceneLabel, PrefixesByKind) {
    struct Case {
        u32 kind;
        const char* text;
    };
    const Case cases[] = {{ManagedKindCamera, "Camera: thing"},
                          {ManagedKindLight, "Light: thing"},
                          {ManagedKindTrigger, "Trigger: thing"},
                          {ManagedKindEmitter, "thing"}};
    for (const Case& c : cases) {
        TestItem* item = At("thing", zVector(0.0f, 0.0f, 5.0f, 1.0f), c.kind);
        renderer.ClearRecords();
        scene->DrawItemLabel(&renderer, item);
        ASSERT_EQ(renderer.writes.size(), 1u);
        EXPECT_EQ(renderer.writes[0].text, c.text);
        delete item;
    }
}

TEST_F(SceneLabel, ItemBehindTheCameraDrawsNothing) {
    TestItem* crate = At("crate", zVector(0.0f, 0.0f, -5.0f, 1.0f));
    scene->DrawItemLabel(&renderer, crate);
    EXPECT_TRUE(renderer.triangles.empty());
    EXPECT_TRUE(renderer.writes.empty());
}

// A viewport without height gives the text no size: nothing is drawn
// rather than a box of infinite size.
TEST_F(SceneLabel, ViewportWithoutHeightDrawsNothing) {
    TestItem* crate = At("crate", zVector(0.0f, 0.0f, 5.0f, 1.0f));
    renderer.SetViewport(0, 0, 640, 0);
    camera->SetAspect(1.0f);
    scene->DrawItemLabel(&renderer, crate);
    EXPECT_TRUE(renderer.triangles.empty());
    EXPECT_TRUE(renderer.writes.empty());
}

} // namespace
