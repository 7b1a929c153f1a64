#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "markup/reader.h"
#include "markup/writer.h"
#include "tests/ui/scene2d_fixture.h"

namespace {

// Prints each event as "<event> <widget id>" or "<event> window <name>".
const char* const HandlerScript = R"(
function OnEvent(e, t) {
    if ("id" in t) print(e + " widget " + t.id + " at " + t.x + "," + t.y + (t.left_down ? " left" : ""))
    else print(e + " window " + t.x + "," + t.y)
}
)";

void ExpectRect(const zRect& rect, i32 left, i32 top, i32 right, i32 bottom) {
    EXPECT_EQ(rect.left, left);
    EXPECT_EQ(rect.top, top);
    EXPECT_EQ(rect.right, right);
    EXPECT_EQ(rect.bottom, bottom);
}

zWidget* AddWidget(zWidget* parent, i32 id, zRect rect) {
    zWidget* widget = new PlacedWidget(id);
    widget->SetRect(rect);
    EXPECT_TRUE(parent->AddChild(widget));
    return widget;
}

} // namespace

using Scene2D = Scene2DFixture;

TEST_F(Scene2D, SpriteQuadCoversItsVirtualRectangleCounterClockwise) {
    zTexture* texture = engine.LoadTexture("red.tga", false, false);
    const zVector2 position(0.0f, 0.0f);
    const zVector2 size(640.0f, 480.0f);
    zSprite2D* sprite = new zSprite2D(&scene, texture, nullptr, "quad", &position, &size);
    sprite->SetOpacity(0.75f);
    renderer.output[0] = 160.0f;
    renderer.output[1] = 120.0f;
    scene.Render(true);
    ASSERT_EQ(renderer.triangles.size(), 2u);
    f32 minX = 9, maxX = -9, minY = 9, maxY = -9;
    for (const auto& triangle : renderer.triangles) {
        EXPECT_GT(triangle.Area(), 0.0f) << "counter-clockwise";
        EXPECT_EQ(triangle.flags, DrawDepthAlways);
        EXPECT_EQ(triangle.texture, texture);
        EXPECT_EQ(triangle.color[3], 0.75f);
        for (const zVector& corner : triangle.corners) {
            minX = std::min(minX, corner.x);
            maxX = std::max(maxX, corner.x);
            minY = std::min(minY, corner.y);
            maxY = std::max(maxY, corner.y);
        }
    }
    // The top-left quarter of the virtual screen: x -1..0, y 0..1 (y up).
    EXPECT_FLOAT_EQ(minX, -1.0f);
    EXPECT_FLOAT_EQ(maxX, 0.0f);
    EXPECT_FLOAT_EQ(minY, 0.0f);
    EXPECT_FLOAT_EQ(maxY, 1.0f);
    // 4:3 virtual on a 4:3 output: no squeeze, restored after.
    ASSERT_GE(renderer.projections.size(), 2u);
    EXPECT_FLOAT_EQ(renderer.projections.front(), 1.0f);
    EXPECT_FLOAT_EQ(renderer.projections.back(), 1.0f);

    renderer.triangles.clear();
    sprite->SetStyle(StyleAdditive);
    sprite->SetFlags(sprite->GetFlags() | SpriteFlipU);
    sprite->SetScale(-1.0f, 1.0f); // mirrored: still counter-clockwise
    scene.Render(true);
    ASSERT_EQ(renderer.triangles.size(), 2u);
    for (const auto& triangle : renderer.triangles) {
        EXPECT_GT(triangle.Area(), 0.0f);
        EXPECT_EQ(triangle.flags, DrawDepthAlways | DrawAdditive);
    }
}

TEST_F(Scene2D, HiddenParentHidesAndOpacityMultipliesAlongTheChain) {
    zTexture* texture = engine.LoadTexture("t.tga", false, false);
    zSprite2D* parent = new zSprite2D(&scene, texture, nullptr, "parent", nullptr, nullptr);
    zSprite2D* child = new zSprite2D(&scene, texture, parent, "child", nullptr, nullptr);
    parent->SetOpacity(0.5f);
    child->SetOpacity(0.5f);
    scene.Render(true);
    ASSERT_EQ(renderer.triangles.size(), 4u);
    EXPECT_FLOAT_EQ(renderer.triangles[2].color[3], 0.25f);
    renderer.triangles.clear();
    parent->SetFlags(parent->GetFlags() & ~SpriteVisible);
    scene.Render(true);
    EXPECT_TRUE(renderer.triangles.empty());
    EXPECT_FALSE(child->IsShown());
    // Children follow their parent.
    parent->SetFlags(parent->GetFlags() | SpriteVisible);
    parent->SetPosition(100.0f, 50.0f);
    child->SetPosition(10.0f, 20.0f);
    parent->UpdateMatrices();
    child->UpdateMatrices();
    ExpectRect(child->GetBoundingBox(), 110, 70, 238, 198);
    ExpectRect(child->LocalRectToScreen(zRect{0, 0, 10, 10}), 110, 70, 120, 80);
    ExpectRect(child->ScreenRectToLocal(zRect{110, 70, 120, 80}), 0, 0, 10, 10);
}

TEST_F(Scene2D, WindowReservedOperationAnswersZero) {
    const zVector2 size(64.0f, 32.0f);
    zWindow* window = new zWindow(&scene, nullptr, "w", "Title", nullptr, &size);
    EXPECT_EQ(window->Reserved(), 0);
}

// The GPU renderers free the pixels of a texture they do not own once it is
// uploaded; a window composes its picture again after each upload, so its
// texture is theirs from the start (before its first setup) and keeps them.
TEST_F(Scene2D, WindowTextureKeepsItsPixelsOnTheRenderer) {
    const zVector2 size(64.0f, 32.0f);
    zWindow* window = new zWindow(&scene, nullptr, "w", nullptr, nullptr, &size);
    ASSERT_NE(window->GetTexture(), nullptr);
    EXPECT_TRUE(window->GetTexture()->GetFlags() & TextureFlagRendererOwn);
    EXPECT_NE(window->GetPicture()->GetPixels(), nullptr);
}

TEST_F(Scene2D, SizesAndWindowTextures) {
    zSprite2D* sprite = new zSprite2D(&scene, nullptr, nullptr, "s", nullptr, nullptr);
    EXPECT_EQ(sprite->GetSizeF().x, 128.0f);
    sprite->SetSize(0.3f, 5.0f);
    EXPECT_EQ(sprite->GetSizeF().x, 1.0f);
    EXPECT_EQ(sprite->GetSizeF().y, 5.0f);
    const zVector2 size(300.0f, 200.0f);
    zWindow* window = new zWindow(&scene, nullptr, "w", nullptr, nullptr, &size);
    struct Case {
        f32 width, height;
        u32 textureWidth, textureHeight;
    };
    const Case cases[] = {{300, 200, 512, 256}, {250, 120, 512, 256}, {600, 200, 1024, 256}, {1, 1, 1024, 256}};
    for (const Case& c : cases) {
        window->SetSize(c.width, c.height);
        ASSERT_NE(window->GetTexture(), nullptr);
        EXPECT_EQ(window->GetTexture()->GetWidth(), c.textureWidth) << c.width;
        EXPECT_EQ(window->GetTexture()->GetHeight(), c.textureHeight) << c.height;
        EXPECT_EQ(window->GetSize().right, i32(c.width));
    }
    EXPECT_EQ(window->GetTitle(), "Window");
    // Regression: a size that is not finite (a file's overlong number).
    for (f32 bad : {INFINITY, -INFINITY, NAN}) {
        sprite->SetSize(bad, 5.0f);
        EXPECT_EQ(sprite->GetSizeF().x, 1.0f) << bad;
        window->SetSize(4.0f, bad);
        EXPECT_EQ(window->GetSizeF().y, 1.0f) << bad;
    }
    window->SetSize(100000.0f, 8.0f);
    EXPECT_EQ(window->GetSizeF().x, f32(WindowSizeLimit)) << "window pictures are capped";
    EXPECT_EQ(window->GetTexture()->GetWidth(), WindowSizeLimit);
    EXPECT_EQ(WindowTextureSize(0.0f), 1u);
    EXPECT_EQ(WindowTextureSize(513.0f), 1024u);
}

TEST_F(Scene2D, StackOrderSortsByZOrderAndFrontIsDrawnLast) {
    zSprite2D* a = new zSprite2D(&scene, nullptr, nullptr, "a", nullptr, nullptr);
    zSprite2D* b = new zSprite2D(&scene, nullptr, nullptr, "b", nullptr, nullptr);
    zSprite2D* c = new zSprite2D(&scene, nullptr, nullptr, "c", nullptr, nullptr);
    auto order = [&] {
        std::string names;
        for (auto* node = scene.GetWindows().GetHead(); node; node = node->next)
            names += node->value->GetName().CStr();
        return names;
    };
    scene.Render(true);
    EXPECT_EQ(order(), "abc") << "equal z-orders keep their order";
    scene.MoveWindowToFront(a, nullptr);
    EXPECT_EQ(order(), "bca") << "the front is the tail: drawn last, hit first";
    scene.MoveWindowToBack(a, nullptr);
    EXPECT_EQ(order(), "abc");
    scene.MoveWindowToFront(a, b);
    EXPECT_EQ(order(), "bac");
    scene.MoveWindowToBack(c, a);
    EXPECT_EQ(order(), "bca");
    c->SetZOrder(0.9f);
    a->SetZOrder(0.1f);
    scene.Render(true);
    EXPECT_EQ(order(), "cba") << "largest z-order at the head";
    b->SetStyle(StyleAlwaysOnTop);
    c->SetStyle(StyleAlwaysBehind);
    scene.Render(true);
    EXPECT_EQ(order(), "cab");
    EXPECT_EQ(scene.FindWindowByUid(b->GetUid()), b);
    EXPECT_EQ(scene.FindWindowByUid(999), nullptr);
    scene.DeleteWindow(a);
    EXPECT_EQ(order(), "cb");
}

TEST_F(Scene2D, LockToWindowLocksAllButTheWindowAndItsDescendants) {
    zSprite2D* root = new zSprite2D(&scene, nullptr, nullptr, "root", nullptr, nullptr);
    zSprite2D* child = new zSprite2D(&scene, nullptr, root, "child", nullptr, nullptr);
    zSprite2D* grandchild = new zSprite2D(&scene, nullptr, child, "grandchild", nullptr, nullptr);
    zSprite2D* other = new zSprite2D(&scene, nullptr, nullptr, "other", nullptr, nullptr);
    scene.LockToWindow(child);
    EXPECT_TRUE(root->GetStyle() & StyleLocked);
    EXPECT_TRUE(other->GetStyle() & StyleLocked);
    EXPECT_FALSE(child->GetStyle() & StyleLocked);
    EXPECT_FALSE(grandchild->GetStyle() & StyleLocked);
    log.Reset();
    scene.LockToWindow(nullptr);
    EXPECT_EQ(log.Text(), "[*] Cannot lock UI to NULL window.\n");
    EXPECT_TRUE(root->GetStyle() & StyleLocked) << "a null lock changes nothing";
    scene.Unlock();
    EXPECT_FALSE(root->GetStyle() & StyleLocked);
    EXPECT_FALSE(root->SetParent(grandchild)) << "no cycles";
}

TEST_F(Scene2D, CursorMappingAndItsQuantisation) {
    struct Case {
        f32 nx, outputWidth, outputHeight;
        i32 x;
    };
    const Case cases[] = {{0.25f, 800, 600, 320}, {1.0f, 1600, 900, 1493}, {0.0f, 1600, 900, -213}, {0.5f, 800, 600, 640}};
    for (const Case& c : cases) {
        i32 x = 0, y = 0;
        scene.MapCursor(c.nx, 0.5f, c.outputWidth, c.outputHeight, 1.0f, x, y);
        EXPECT_EQ(x, c.x) << c.nx << " on " << c.outputWidth;
        EXPECT_EQ(y, 480);
    }
    // Client pixel (400, 300) of 800 x 600 records 32767: the cursor lands on
    // (639, 479), not (640, 480).
    mouse.Set(400 * 65535 / 800, 300 * 65535 / 600);
    renderer.output[0] = 800.0f;
    renderer.output[1] = 600.0f;
    scene.Render(true);
    EXPECT_EQ(scene.GetInputState().x, 639);
    EXPECT_EQ(scene.GetInputState().y, 479);
}

TEST_F(Scene2D, GlobalFadeQuadOnlyAboveTheThreshold) {
    for (f32 fade : {0.01f, 0.5f, 2.0f, -1.0f}) {
        renderer.triangles.clear();
        scene.SetGlobalFadeColor(1.0f, 0.5f, 0.25f);
        scene.SetGlobalFadeEffect(fade);
        scene.Render(true);
        const bool drawn = fade > 0.01f;
        ASSERT_EQ(renderer.triangles.size(), drawn ? 2u : 0u) << fade;
        if (drawn) {
            EXPECT_FLOAT_EQ(renderer.triangles[0].color[3], std::min(fade, 1.0f));
            EXPECT_EQ(renderer.triangles[0].color[1], 0.5f);
            EXPECT_EQ(renderer.triangles[0].texture, nullptr);
            EXPECT_EQ(renderer.triangles[0].flags, DrawDepthAlways);
        }
    }
    // The "globalfade" verb moves it over the command's time.
    scene.SetGlobalFadeEffect(0.0f);
    ASSERT_GT(scene.LoadCommandList("globalfade 1, 1;", scene), 0);
    engine.SetFixedStep(5000);
    engine.ResetClock();
    engine.StepClock();
    scene.Render(true);
    EXPECT_NEAR(scene.GetGlobalFade(), 0.5f, 1e-4f);
    engine.StepClock();
    scene.Render(true);
    EXPECT_NEAR(scene.GetGlobalFade(), 1.0f, 1e-4f);
}

TEST_F(Scene2D, SpriteVerbsAndCursorAutoHide) {
    zSprite2D* sprite = new zSprite2D(&scene, nullptr, nullptr, "s", nullptr, nullptr);
    ASSERT_GT(scene.LoadCommandList("toposition 1, 100,50 + toangle 1, 90 + toalpha 1, 0.5; hide 0;", *sprite), 0);
    engine.SetFixedStep(5000);
    engine.ResetClock();
    for (int frame = 0; frame < 3; ++frame) {
        engine.StepClock();
        scene.Render(true);
    }
    EXPECT_NEAR(sprite->GetPosition().x, 100.0f, 1e-3f);
    EXPECT_NEAR(sprite->GetPosition().y, 50.0f, 1e-3f);
    EXPECT_NEAR(sprite->GetRotation(), 3.14159265f / 2.0f, 1e-4f);
    EXPECT_NEAR(sprite->GetOpacity(), 0.5f, 1e-4f);
    engine.StepClock();
    scene.Render(true);
    EXPECT_FALSE(sprite->GetFlags() & SpriteVisible);

    // The cursor hides a second after it stopped moving, and shows on a move.
    PutMemoryFile("cursor.tga", std::string("\0\0\2\0\0\0\0\0\0\0\0\0\2\0\2\0\x20\x28", 18) + std::string(16, '\x7f'));
    scene.SetCursor("cursor.tga");
    zWindow* cursor = scene.GetCursorWindow();
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(cursor->GetStyle(), u32(StyleAlwaysOnTop | StyleResolutionInvariant));
    EXPECT_EQ(cursor->GetName(), "Cursor");
    scene.SetCursorAutoHideDelay(1.0f);
    engine.SetFixedStep(2500);
    Frame(10, 10);
    for (int frame = 0; frame < 12 && (cursor->GetFlags() & SpriteVisible); ++frame) {
        engine.StepClock();
        Frame(10, 10);
    }
    EXPECT_FALSE(cursor->GetFlags() & SpriteVisible) << "hidden after the delay";
    engine.StepClock();
    Frame(20, 10);
    EXPECT_TRUE(cursor->GetFlags() & SpriteVisible);
    EXPECT_EQ(cursor->GetOpacity(), 1.0f);
    scene.SetCursor(nullptr);
    EXPECT_EQ(scene.GetCursorWindow(), nullptr);
}

class Scene2DInput : public Scene2DFixture {
  public:
    void SetUp() override {
        Scene2DFixture::SetUp();
        RunScript(HandlerScript);
        const zVector2 position(100.0f, 100.0f);
        const zVector2 size(300.0f, 200.0f);
        window = new zWindow(&scene, nullptr, "win", "Title", &position, &size);
        window->SetPivot(0.0f, 0.0f);
        base = new PlacedWidget(0);
        base->SetRect(zRect{0, 0, 300, 200});
        a = AddWidget(base, 1, zRect{10, 10, 60, 60});
        b = AddWidget(base, 2, zRect{100, 10, 150, 60});
        window->SetBaseWidget(base);
        log.Reset();
    }
    void Handle(zEventTable& table, i32 event) { ASSERT_TRUE(table.SetEventHandler(event, Function("OnEvent"), nullptr)); }

    zWindow* window = nullptr;
    zWidget* base = nullptr;
    zWidget* a = nullptr;
    zWidget* b = nullptr;
};

TEST_F(Scene2DInput, ClicksNeedPressAndReleaseOverTheSameWidget) {
    for (i32 event : {1, 4, 7})
        Handle(*base, event);
    Frame(130, 130);
    Frame(130, 130, true);
    Frame(130, 130);
    EXPECT_EQ(log.Text(), "[S] 4 widget 0 at 130,130 left\n[S] 1 widget 0 at 130,130\n") << "bubbled to the base";
    EXPECT_EQ(scene.GetWindowBelowCursor(), window);

    // Press over A, release over B: an up event, no click.
    log.Reset();
    Frame(130, 130, true);
    Frame(230, 130, true);
    Frame(230, 130);
    EXPECT_EQ(log.Text(), "[S] 4 widget 0 at 130,130 left\n[S] 7 widget 0 at 230,130\n");

    // Press over A, leave, come back on the release frame: still an up event.
    log.Reset();
    Frame(130, 130, true);
    Frame(180, 180, true);
    Frame(130, 130);
    EXPECT_EQ(log.Text(), "[S] 4 widget 0 at 130,130 left\n[S] 7 widget 0 at 130,130\n");
}

TEST_F(Scene2DInput, EnterAndLeaveReachWidgetsOnce) {
    Handle(*a, 10);
    Handle(*a, 11);
    Handle(*window, 10);
    Handle(*window, 11);
    Frame(20, 20);
    Frame(130, 130);
    Frame(131, 131);
    Frame(230, 130);
    Frame(20, 20);
    EXPECT_EQ(log.Text(), "[S] 10 widget 1 at 130,130\n[S] 10 window 100,100\n[S] 11 widget 1 at 230,130\n"
                          "[S] 11 window 100,100\n");
}

TEST_F(Scene2DInput, LeftPressDragsAMovableWindowUnlessTheWidgetTakesClicks) {
    window->SetStyle(StyleMovable);
    Handle(*window, 13);
    Frame(130, 130);
    Frame(130, 130, true);
    EXPECT_EQ(scene.GetDraggedWindow(), window);
    Frame(150, 140, true);
    EXPECT_EQ(window->GetPosition().x, 120.0f);
    EXPECT_EQ(window->GetPosition().y, 110.0f);
    Frame(150, 140);
    EXPECT_EQ(scene.GetDraggedWindow(), nullptr);
    EXPECT_EQ(log.Text(), "[S] 13 window 120,110\n[S] 13 window 120,110\n");

    Handle(*a, 1);
    Frame(150, 140, true); // over A (moved with the window)
    EXPECT_EQ(scene.GetDraggedWindow(), nullptr);
    Frame(150, 140);
}

TEST_F(Scene2DInput, RightPressTogglesTheShadeOfADecoratedWindow) {
    Handle(*window, 14);
    Handle(*window, 15);
    Frame(130, 130);
    Frame(130, 130, false, true);
    EXPECT_TRUE(window->IsShaded());
    Frame(130, 130);
    Frame(130, 130, false, true);
    EXPECT_FALSE(window->IsShaded());
    EXPECT_EQ(log.Text(), "[S] 14 window 100,100\n[S] 15 window 100,100\n");
    window->SetStyle(StyleNoTitle);
    Frame(130, 130);
    Frame(130, 130, false, true);
    EXPECT_FALSE(window->IsShaded());
}

TEST_F(Scene2DInput, LockedWindowsGetNoEvents) {
    Handle(*base, 4);
    zSprite2D* other = new zSprite2D(&scene, nullptr, nullptr, "other", nullptr, nullptr);
    scene.LockToWindow(other);
    Frame(130, 130);
    Frame(130, 130, true);
    EXPECT_EQ(log.Text(), "");
    scene.Unlock();
    Frame(130, 130);
    Frame(130, 130, true);
    EXPECT_EQ(log.Text(), "[S] 4 widget 0 at 130,130 left\n");
}

TEST_F(Scene2DInput, WindowDeletedByItsHandlerLeavesNoDanglingState) {
    RunScript("function Delete(e, t) { DeleteIt() }");
    Handle(*window, 10);
    window->SetEventHandler(10, Function("Delete"), nullptr);
    static zScene2D* target;
    static zSprite2D* victim;
    target = &scene;
    victim = window;
    sq_pushroottable(vm.GetHandle());
    sq_pushstring(vm.GetHandle(), "DeleteIt", -1);
    sq_newclosure(vm.GetHandle(), [](HSQUIRRELVM) -> SQInteger {
        target->DeleteWindow(victim);
        return 0;
    }, 0);
    sq_newslot(vm.GetHandle(), -3, SQFalse);
    sq_pop(vm.GetHandle(), 1);
    Frame(130, 130);
    EXPECT_EQ(scene.GetWindowCount(), 0u);
    EXPECT_EQ(scene.GetWindowBelowCursor(), nullptr);
    Frame(131, 131, true);
    Frame(131, 131);
}

TEST_F(Scene2D, ScriptUnitEvents) {
    RunScript(R"(
class UI {
    function OnSetup(ui) { print("OnSetup " + ui.type()) }
    function OnReset(ui) { print("OnReset") }
    function OnUpdate(ui) { print("OnUpdate") }
    function OnDelete(ui) { print("OnDelete") }
}
)");
    PutMemoryFile("ui.nut", "class UI2 { function OnUpdate(ui) { print(\"u\") } }");
    scene.SetScriptPath("ui_test.nut");
    scene.SetClassName("UI");
    EXPECT_TRUE(scene.Setup());
    EXPECT_TRUE(scene.Reset());
    scene.Render(false);
    scene.Render(true);
    scene.Clear();
    EXPECT_EQ(log.Text(), "[S] OnSetup 12\n[S] OnReset\n[S] OnUpdate\n[S] OnDelete\n");
}

TEST_F(Scene2D, MarkupRoundTripKeepsUidsAndLinks) {
    const std::string text = R"(<ZML=1.0>
<Scene2d=
    <Sprites=
        <Sprite2d=<Uid=7><Id="back"><Position=<X=10.0><Y=20.0>><Size=<X=64.0><Y=32.0>><ZOrder=0.25>
            <Style=<Movable><AlwaysOnTop>><Flag=<Visible><FlipU>><Texture="back.tga">>
        <Window=<Sprite2d=<Uid=9><Id="panel"><Size=<X=300.0><Y=200.0>>>>
        <Window=<Sprite2d=<Uid=10><Texture="nope.tga">><Colour=1>>
        <Link=<Item=9><Link=7>>
        <Other=1>
    >
    <Links>
    <ScriptUnit=<Script="ui.nut"><Class="UI">>
    <Mystery=1>
>
)";
    zMetafile doc;
    ASSERT_TRUE(ParseMetafile(text.data(), text.size(), doc));
    doc.SetFileName("hud.zml");
    ASSERT_TRUE(scene.LoadFromMetafile(doc));
    const std::string logged = log.Text();
    EXPECT_NE(logged.find("[!] Unexpected <Texture> tag in sprite declaration.\n"), std::string::npos) << logged;
    EXPECT_NE(logged.find("[*] Unknown tag 'Colour' in <Window>.\n"), std::string::npos) << logged;
    EXPECT_NE(logged.find("[*] Unknown tag 'Mystery' in <Scene2d>.\n"), std::string::npos) << logged;
    EXPECT_EQ(scene.GetName(), "hud.zml");
    EXPECT_EQ(scene.GetClassName(), "UI");
    ASSERT_EQ(scene.GetWindowCount(), 3u);
    zSprite2D* back = scene.FindWindowByUid(7);
    zSprite2D* panel = scene.FindWindowByUid(9);
    ASSERT_NE(back, nullptr);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->GetParent(), back);
    EXPECT_TRUE(panel->IsWindow());
    EXPECT_EQ(back->GetStyle(), u32(StyleMovable | StyleAlwaysOnTop));
    EXPECT_TRUE(back->GetFlags() & SpriteFlipU);
    EXPECT_EQ(back->GetZOrder(), 0.25f);
    EXPECT_NE(back->GetTexture(), nullptr);

    zMetafile written;
    ASSERT_TRUE(scene.SaveToMetafile(written));
    std::string first;
    ASSERT_TRUE(SerializeMetafile(written, first));
    zScene2D again(&engine, &vm);
    zMetafile reread;
    ASSERT_TRUE(ParseMetafile(first.data(), first.size(), reread));
    ASSERT_TRUE(again.LoadFromMetafile(reread));
    ASSERT_NE(again.FindWindowByUid(9), nullptr);
    EXPECT_EQ(again.FindWindowByUid(9)->GetParent(), again.FindWindowByUid(7));
    zMetafile rewritten;
    ASSERT_TRUE(again.SaveToMetafile(rewritten));
    std::string second;
    ASSERT_TRUE(SerializeMetafile(rewritten, second));
    EXPECT_EQ(first, second);

    // A filter keeps only the links of listed pairs.
    zList<zSprite2D*> only;
    only.Add(panel);
    std::unique_ptr<zMetaTag> filtered(scene.SerializeScene(&only));
    ASSERT_NE(filtered, nullptr);
    EXPECT_EQ(filtered->GetTag("Sprites:Link;"), nullptr);

    log.Reset();
    zMetaTag wrong("Scene");
    EXPECT_FALSE(scene.ParseRootTag(doc, &wrong));
    EXPECT_EQ(log.Text(), "[!] Could not parse 2d scene. Root tag id is incorrect (Scene).\n");
    zSprite2D loose(nullptr, nullptr, nullptr, "", nullptr, nullptr);
    log.Reset();
    EXPECT_FALSE(loose.Parse(&wrong));
    EXPECT_EQ(log.Text(), "[!] Could not parse sprite. Root tag id is incorrect (Scene).\n");
}

TEST_F(Scene2D, SkinComposesTheFrameAndShadingFadesAboveTheTitle) {
    // Eight 4 x 4 skin pictures, one colour each; the first (the title) only
    // 4 rows high, under the ten rows the shading fades.
    const char* names[8] = {"s1.tga", "s2.tga", "s3.tga", "s4.tga", "s5.tga", "s6.tga", "s7.tga", "s8.tga"};
    for (int i = 0; i < 8; ++i) {
        std::string tga("\0\0\2\0\0\0\0\0\0\0\0\0\4\0\4\0\x20\x28", 18);
        for (int p = 0; p < 16; ++p)
            tga += std::string{char(10 * i), char(20 * i), char(30 * i), '\xff'};
        PutMemoryFile(names[i], tga);
    }
    const i32 numbers[5] = {0, -1, 12, 8, 28};
    EXPECT_TRUE(scene.SetSkin(names, numbers, "Default"));
    const char* missing[8] = {"s1.tga", nullptr};
    EXPECT_FALSE(scene.SetSkin(missing, numbers, nullptr));
    EXPECT_FALSE(scene.IsSkinLoaded());
    ASSERT_TRUE(scene.SetSkin(names, numbers, "Default"));

    const zVector2 size(20.0f, 16.0f);
    zWindow* window = new zWindow(&scene, nullptr, "w", nullptr, nullptr, &size);
    const f32 white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    window->SetBackgroundColor(white);
    window->Compose();
    ExpectRect(window->GetClientRect(), 4, 4, 16, 12);
    const zPicture* picture = window->GetPicture();
    auto pixel = [&](int x, int y) { return picture->GetPixels() + (y * picture->GetWidth() + x) * 4; };
    EXPECT_EQ(pixel(8, 8)[0], 255) << "inside: the background";
    EXPECT_EQ(pixel(0, 0)[3], 255) << "corners drawn";
    EXPECT_EQ(pixel(10, 0)[3], 255) << "top edge tiled";
    window->SetShaded(true);
    EXPECT_TRUE(window->IsShaded());
    EXPECT_EQ(window->GetSize().bottom, 4);
    // Rows 0..3 are the last four of the ten: factors 25 k below 255.
    EXPECT_EQ(pixel(10, 3)[3], 255 * 30 / 255);
    EXPECT_EQ(pixel(10, 0)[3], 255 * 105 / 255);
    EXPECT_EQ(pixel(10, 8)[3], 255) << "rows below the title are kept";
    const u8 before = pixel(10, 0)[3];
    window->SetShaded(true);
    EXPECT_EQ(pixel(10, 0)[3], before) << "shading a shaded window changes nothing";
    window->SetShaded(false);
    EXPECT_FALSE(window->IsShaded());
}

// Windows compose their surface and read their skin on the CPU: a renderer
// that frees pictures once uploaded must leave both their pixels.
TEST_F(Scene2D, WindowSurfaceAndSkinKeepTheirPixelsWhenUploadsFreePictures) {
    renderer.releaseOnSetup = true;
    const char* names[8] = {"t1.tga", "t2.tga", "t3.tga", "t4.tga", "t5.tga", "t6.tga", "t7.tga", "t8.tga"};
    for (const char* name : names) {
        std::string tga("\0\0\2\0\0\0\0\0\0\0\0\0\4\0\4\0\x20\x28", 18);
        for (int p = 0; p < 16; ++p)
            tga += std::string{'\x10', '\x20', '\x30', '\xff'}; // BGRA
        PutMemoryFile(name, tga);
    }
    const i32 numbers[5] = {0, -1, 12, 8, 28};
    ASSERT_TRUE(scene.SetSkin(names, numbers, "Default"));
    const zVector2 size(20.0f, 16.0f);
    zWindow* window = new zWindow(&scene, nullptr, "w", nullptr, nullptr, &size);
    const f32 white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    window->SetBackgroundColor(white);
    scene.Render(true);
    const zPicture* picture = window->GetPicture();
    ASSERT_NE(picture->GetPixels(), nullptr);
    const u8* top = picture->GetPixels() + 10 * 4;
    EXPECT_EQ((std::vector<int>{top[0], top[1], top[2], top[3]}), (std::vector<int>{0x30, 0x20, 0x10, 0xff}))
        << "top edge, RGBA";
    const u8* inside = picture->GetPixels() + (8 * picture->GetWidth() + 8) * 4;
    EXPECT_EQ(inside[0], 255) << "background";
    EXPECT_NE(std::find(renderer.uploads.begin(), renderer.uploads.end(), picture), renderer.uploads.end());
}

namespace {

struct RecordingListener : zScene2DListener {
    void OnSpriteEvent(u32 event, zSprite2D* sprite) override {
        events += std::to_string(event) + (sprite->GetScene()->GetWindows().Find(sprite) ? "in " : "out ");
    }
    std::string events;
};

} // namespace

TEST_F(Scene2D, ListenersHearOfNewSpritesBeforeAndAfterTheyJoin) {
    RecordingListener listener;
    scene.AddListener(&listener);
    scene.AddListener(&listener); // once only
    new zSprite2D(&scene, nullptr, nullptr, "s", nullptr, nullptr);
    EXPECT_EQ(listener.events, "1out 2in ");
    scene.RemoveListener(&listener);
    new zWindow(&scene, nullptr, "w", nullptr, nullptr, nullptr);
    EXPECT_EQ(listener.events, "1out 2in ");
}

TEST_F(Scene2D, WithoutAMouseTheStackIsStillSteppedAndDrawn) {
    scene.SetMouse(nullptr);
    zTexture* texture = engine.LoadTexture("t.tga", false, false);
    zSprite2D* sprite = new zSprite2D(&scene, texture, nullptr, "s", nullptr, nullptr);
    ASSERT_GT(scene.LoadCommandList("toalpha 1, 0.5;", *sprite), 0);
    engine.SetFixedStep(10000);
    engine.ResetClock();
    engine.StepClock();
    scene.Render(true);
    EXPECT_NEAR(sprite->GetOpacity(), 0.5f, 1e-4f);
    EXPECT_EQ(renderer.triangles.size(), 2u);
    EXPECT_EQ(scene.GetWindowBelowCursor(), nullptr);
}

TEST_F(Scene2D, VirtualResolutionAndUnloadBitmap) {
    scene.SetVirtualResolution(640.0f, 480.0f);
    EXPECT_EQ(scene.GetVirtualWidth(), 640.0f);
    scene.SetVirtualResolution(0.0f, NAN);
    EXPECT_EQ(scene.GetVirtualWidth(), 640.0f) << "a size of 0 is refused";
    EXPECT_EQ(scene.GetVirtualHeight(), 480.0f);
    i32 x = 0, y = 0;
    scene.MapCursor(1.0f, 1.0f, 640.0f, 480.0f, 1.0f, x, y);
    EXPECT_EQ(x, 640);
    EXPECT_EQ(y, 480);
    engine.LoadTexture("bitmap.tga", false, false);
    EXPECT_TRUE(scene.UnloadBitmap("bitmap.tga"));
    EXPECT_FALSE(scene.UnloadBitmap("bitmap.tga"));
}

TEST_F(Scene2DInput, HiddenWidgetsAndTheirSubtreesAreNotHit) {
    zWidget* inner = AddWidget(a, 3, zRect{20, 20, 30, 30});
    Frame(125, 125);
    EXPECT_EQ(scene.GetInputState().widget, inner);
    a->SetHidden(true);
    Frame(126, 126);
    EXPECT_EQ(scene.GetInputState().widget, base) << "the hidden widget and its child are skipped";
    a->SetHidden(false);
    inner->SetHidden(true);
    Frame(125, 125);
    EXPECT_EQ(scene.GetInputState().widget, a);
}

// A widget leaving its tree for good is dropped from the input records,
// with its subtree: pressed over a child of A, forgetting A clears both the
// widget under the cursor and the pressed one, not those of another tree.
TEST_F(Scene2DInput, ForgottenWidgetsLeaveTheInputRecords) {
    zWidget* inner = AddWidget(a, 3, zRect{20, 20, 30, 30});
    Frame(125, 125, true);
    ASSERT_EQ(scene.GetInputState().widget, inner);
    ASSERT_EQ(scene.GetInputState().pressed[0], inner);
    scene.ForgetWidget(b);
    EXPECT_EQ(scene.GetInputState().widget, inner);
    scene.ForgetWidget(a);
    EXPECT_EQ(scene.GetInputState().widget, nullptr);
    EXPECT_EQ(scene.GetInputState().pressed[0], nullptr);
}
