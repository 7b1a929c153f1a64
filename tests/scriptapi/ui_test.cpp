// The UI group, UI scene and windows: scripts make sprites and windows in a
// 2D scene the test owns, read back their geometry, styles and titles, bind
// handlers the scene then calls, and delete windows whose handles die with
// everything the window held.
#include <gtest/gtest.h>

#include <memory>

#include "scene/scene.h"
#include "scriptapi/script_api_groups.h"
#include "tests/scriptapi/ui_fixture.h"
#include "ui/scene2d_interface.h"
#include "ui/text_widget.h"

namespace {

using UIApi = UIApiFixture;

TEST_F(UIApi, ChecksKindsAndNullTargets) {
    const ScriptRow rows[] = {
        {"UIGetInternalResolution(g_engine)", "error: Expected 'Window System' got 'Engine'"},
        {"UIGetInternalResolution(nui)", "error: CObject is null"},
        {"WindowGetZOrder(ui)", "error: Expected 'Window' got 'Window System'"},
        {"WindowGetZOrder(NullWindow)", "error: CObject is null"},
        {"UIDeleteWindow(ui, NullWindow)", "error: CObject is null"},
        {"SpriteSetTexture(UIAddWindow(ui, 1, 0, 0, 8, 8), ntex)", "error: CObject is null"},
        {"WindowSetParent(NullWindow, NullWindow)", "error: CObject is null"},
        {"UIGetInternalResolution(ui, 1)", "error: wrong number of parameters"},
        // Rows whose null target does nothing or gives a default.
        {"print(TestShow(WindowGetPosition(NullWindow)))", "-1 -1 -1 1"},
        {"print(TestShow(WindowGetSize(NullWindow)) + \"|\" + TestShow(WindowGetPivot(NullWindow)))",
         "-1 -1 -1 1|-1 -1 -1 1"},
        {"print(WindowGetOpacity(NullWindow) + \" \" + WindowGetStyle(NullWindow))", "0 0"},
        {"print(WindowIsCommandListDone(NullWindow))", "true"},
        {"WindowShow(NullWindow, true); WindowSetPosition(NullWindow, 1, 2); WindowSetStyle(NullWindow, 3);"
         " UISetCursor(nui, \"c.tga\"); print(WindowSetTitle(NullWindow, \"t\") == null)",
         "true"},
        {"print(UISetSkin(nui, \"a\", \"b\", \"c\", \"d\", \"e\", \"f\", \"g\", \"h\", 1, 2, 3, 4, 5, \"x\"))",
         "false"},
        {"print(UIGetScriptInstance(nui) == null)", "true"},
        {"print(ObjectIsValid(UIAddSprite(nui, 1, ntex, 0, 0, 8, 8)) + \" \" + ObjectIsValid(UIAddWindow(nui, 1, 0, 0, 8, 8)))",
         "false false"},
        {"print(ObjectIsValid(WindowGetChild(NullWindow, 1)))", "false"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(ui->GetWindowCount(), 1u); // the SpriteSetTexture row's window
}

TEST_F(UIApi, UISceneSettings) {
    const ScriptRow rows[] = {
        {"UISetInternalResolution(ui, 640.7, 480.2); print(TestShow(UIGetInternalResolution(ui)))", "640 480 0 1"},
        {"UISetGlobalFadeColor(ui, 255, 0, 0); UISetGlobalFadeColor(nui, 1, 2, 3); print(\"ok\")", "ok"},
        {"UISetGlobalFadeEffect(ui, 3.0); UISetAceUseRawClock(ui, true); print(\"ok\")", "ok"},
        {"print(ObjectIsValid(UIGetFont(\"no such font\")))", "true"},
        {"print(ObjectIsSame(UIGetFont(\"no such font\"), UIGetFont(\"default.ttf\")))", "true"},
        {"print(ObjectIsValid(UILoadFont(\"missing.ttf\")))", "false"},
        {"print(UILoadBitmap(ui, \"missing.tga\") + \" \" + UIUnloadBitmap(ui, \"missing.tga\"))", "true false"},
        {"print(UIIsCommandListDone(ui))", "true"},
        {"print(UIGetScriptInstance(ui) == null)", "true"},
        {"print(ObjectIsValid(UIGetCursorWindow(ui)) + \" \" + ObjectIsValid(UIGetWindowBelowCursor(ui)))",
         "false false"},
    };
    ExpectScripts(rows);
    const f32* fade = ui->GetFadeColor();
    EXPECT_EQ(fade[0], 1.0f);
    EXPECT_EQ(fade[1], 0.0f);
    EXPECT_EQ(fade[2], 0.0f);
    EXPECT_EQ(fade[3], 1.0f);
    EXPECT_EQ(ui->GetGlobalFade(), 1.0f);
    EXPECT_TRUE(ui->GetUseRawFrameTime());
    EXPECT_EQ(ui->GetVirtualWidth(), 640.0f);
}

TEST_F(UIApi, WindowGeometryAndState) {
    ASSERT_EQ(Printed("w <- UIAddWindow(ui, 7, 10, 20, 300, 200); print(\"made\")"), "made");
    const ScriptRow rows[] = {
        {"print(TestShow(WindowGetPosition(w)) + \"|\" + TestShow(WindowGetSize(w)))",
         "10 20 -1 1|300 200 -1 1"},
        {"local r = WindowGetRect(w); print(r.sx + \",\" + r.sy + \",\" + r.ex + \",\" + r.ey)", "0,0,300,200"},
        {"local r = WindowGetScreenRect(w); print(r.sx + \",\" + r.sy + \",\" + r.ex + \",\" + r.ey)",
         "10,20,310,220"},
        {"WindowSetSize(w, 0.5, 64); print(TestShow(WindowGetSize(w)))", "1 64 -1 1"},
        {"WindowSetSize(w, 300, 200); WindowSetPivot(w, 4, 5); print(TestShow(WindowGetPivot(w)))", "4 5 -1 1"},
        {"WindowSetZOrder(w, 0.25); print(WindowGetZOrder(w))", "0.25"},
        {"WindowSetOpacity(w, 2.0); print(WindowGetOpacity(w))", "1"},
        {"print(WindowGetTitle(w))", "Window"},
        {"WindowSetTitle(w, \"Hello\"); print(WindowGetTitle(w))", "Hello"},
        {"WindowSetStyle(w, StyleMovable | StyleAlwaysOnTop); WindowAddStyle(w, StyleLockUV);"
         " WindowRemoveStyle(w, StyleAlwaysOnTop); print(WindowGetStyle(w))",
         "544"},
        {"print(WindowCompare(w, w) + \" \" + WindowCompare(w, UIAddWindow(ui, 8, 0, 0, 8, 8)) + \" \" +"
         " WindowCompare(NullWindow, NullWindow))",
         "true false true"},
        {"WindowSetFlip(w, true, false); print(\"ok\")", "ok"},
        {"WindowSetBackgroundColor(w, 0xFF0000FF); print(\"ok\")", "ok"},
        {"UISetInternalResolution(ui, 640, 480); WindowSetPivot(w, 0, 0); WindowCentre(w);"
         " print(TestShow(WindowGetPosition(w)))",
         "170 140 -1 1"},
        {"WindowSetCommandList(w, \"toalpha 0.5,0.5;\"); print(WindowIsCommandListDone(w))", "false"},
        {"WindowResetCommandList(w); print(WindowIsCommandListDone(w))", "true"},
        {"print(ObjectIsValid(WindowGetCacheTexture(w)) + \" \" + ObjectIsValid(WindowGetBackgroundPicture(w)))",
         "true false"},
        {"WindowCompose(w); WindowInvalidate(w); WindowForceLayout(w); print(\"ok\")", "ok"},
    };
    ExpectScripts(rows);
    zSprite2D* window = HeldSprite("w");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->GetFlags() & (SpriteFlipU | SpriteFlipV), u32(SpriteFlipU));
    const f32* background = static_cast<zWindow*>(window)->GetBackgroundColor();
    EXPECT_EQ(background[0], 1.0f);
    EXPECT_EQ(background[1], 0.0f);
    EXPECT_EQ(background[3], 1.0f);
}

TEST_F(UIApi, SpritesAreNotWindows) {
    ASSERT_EQ(Printed("s <- UIAddSprite(ui, 3, ntex, 1, 2, 16, 32); print(\"made\")"), "made");
    const ScriptRow rows[] = {
        {"print(TestShow(WindowGetPosition(s)) + \"|\" + TestShow(WindowGetSize(s)))", "1 2 -1 1|16 32 -1 1"},
        {"WindowSetTitle(s, \"x\"); print(\"quiet\")", "quiet"},
        {"WindowGetTitle(s)", "error: Sprite is not a window"},
        {"WindowCompose(s)", "error: Sprite is not a window"},
        {"WindowInvalidate(s)", "error: Sprite is not a window"},
        {"WindowGetCacheTexture(s)", "error: Sprite is not a window"},
        {"WindowGetBackgroundPicture(s)", "error: Sprite is not a window"},
        {"print(ObjectIsValid(WindowGetChild(s, 1)))", "false"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(HeldSprite("s")->GetName(), zString("3"));
}

TEST_F(UIApi, ParentsAndStackOrder) {
    const ScriptRow rows[] = {
        {"local p = UIAddWindow(ui, 1, 0, 0, 64, 64); local c = UIAddSprite(ui, 2, ntex, 0, 0, 8, 8);"
         " WindowSetParent(c, p); WindowShow(p, false);"
         " print(WindowIsShown(c) + \" \" + WindowCompare(WindowGetParent(c), p))",
         "false true"},
        {"local p = UIAddWindow(ui, 3, 0, 0, 64, 64); local c = UIAddSprite(ui, 4, ntex, 0, 0, 8, 8);"
         " WindowSetParent(c, p); WindowSetParent(c, NullWindow); print(ObjectIsValid(WindowGetParent(c)))",
         "false"},
    };
    ExpectScripts(rows);
    ASSERT_EQ(Printed("a <- UIAddWindow(ui, 10, 0, 0, 8, 8); b <- UIAddWindow(ui, 11, 0, 0, 8, 8);"
                      " WindowMoveToBack(b); print(\"ok\")"),
              "ok");
    EXPECT_EQ(ui->GetWindows().GetHead()->value, HeldSprite("b"));
    ASSERT_EQ(Printed("WindowMoveToFrontOf(b, a); print(\"ok\")"), "ok");
    EXPECT_EQ(ui->GetWindows().GetTail()->value, HeldSprite("b"));
}

TEST_F(UIApi, DeletingAWindowKillsItsHandlesAndItsWidgets) {
    const char* build = "w <- UIAddWindow(ui, 1, 0, 0, 200, 100);"
                        " local sizer = UIAddVerticalSizerWidget(ui, 2);"
                        " t <- UIAddStaticTextWidget(ui, 3, \"Hi\", \"default.ttf\");"
                        " SizerAddWidget(sizer, t); WindowSetBaseWidget(w, sizer);"
                        " print(TextSetText(t, \"Yo\") == null)";
    ASSERT_EQ(Printed(build), "true");
    EXPECT_EQ(static_cast<zTextWidget*>(HeldWidget("t"))->GetText(), zString("Yo"));
    const ScriptRow rows[] = {
        {"UIDeleteWindow(ui, w); print(ObjectIsValid(w) + \" \" + ObjectIsValid(t))", "false false"},
        {"WindowGetTitle(w)", "error: Expected 'Window' got 'Deleted native'"},
        {"TextSetText(t, \"x\")", "error: Expected 'Text Widget' got 'Deleted native'"},
        {"UIDeleteWindow(ui, w)", "error: Expected 'Window' got 'Deleted native'"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(ui->GetWindowCount(), 0u);
}

TEST_F(UIApi, WindowHandlersRunWithTheirContextAndArguments) {
    const char* bind = "w <- UIAddWindow(ui, 1, 10, 20, 64, 64);"
                       " WindowSetEventHandlerWithContext(w, EventMove, {name = \"ctx\"},"
                       "   function(id, info) { print(this.name + \" \" + id + \" \" + info.x + \" \" + info.y); });"
                       " WindowSetEventHandler(NullWindow, EventMove, function(id, info) {}); print(\"bound\")";
    ASSERT_EQ(Printed(bind), "bound");
    log.Reset();
    EXPECT_TRUE(ui->DispatchWindowEvent(HeldSprite("w"), EventMove));
    EXPECT_NE(log.Text().find("[S] ctx 13 10 20"), std::string::npos) << log.Text();
    // A second binding of the same id replaces the first.
    ASSERT_EQ(Printed("WindowSetEventHandler(w, EventMove, function(id, info) { print(\"new \" + id); });"
                      " print(\"rebound\")"),
              "rebound");
    log.Reset();
    EXPECT_TRUE(ui->DispatchWindowEvent(HeldSprite("w"), EventMove));
    EXPECT_NE(log.Text().find("[S] new 13"), std::string::npos) << log.Text();
    EXPECT_EQ(Printed("WindowSetEventHandler(w, 1, 5)"),
              "error: parameter 3 has an invalid type 'integer' ; expected: 'function|function'");
}

TEST_F(UIApi, SceneGetUIFindsTheSceneInterface) {
    auto scene = std::make_unique<zScene>(&engine, &vm);
    scene->SetUserInterface(std::make_unique<zScene2DInterface>(ui));
    auto bare = std::make_unique<zScene>(&engine, &vm);
    SetHandle("s", scene.get(), ScriptKindScene);
    SetHandle("bare", bare.get(), ScriptKindScene);
    const ScriptRow rows[] = {
        {"print(ObjectIsSame(SceneGetUI(s), ui))", "true"},
        {"print(ObjectIsValid(SceneGetUI(bare)))", "false"},
        {"SceneGetUI(ui)", "error: Expected 'Scene' got 'Window System'"},
    };
    ExpectScripts(rows);
}

TEST_F(UIApi, ConstantsAndRegistration) {
    const ScriptRow rows[] = {
        {"print(StyleBlendAdditive + \" \" + StyleAlwaysOnTop + \" \" + StyleAlwaysBehind + \" \" +"
         " StyleNonSensitive + \" \" + StyleResolutionInvariant)",
         "1 2 4 8 16"},
        {"print(StyleNoDecoration + \" \" + StyleLockUV + \" \" + StyleNoTitleBar + \" \" + StyleMovable + \" \" +"
         " StyleNonSkinned)",
         "64 32 256 512 64"},
        {"print(ObjectIsValid(NullWindow) + \" \" + WindowIsValid(NullWindow))", "false false"},
        {"UISetSkin(ui, \"a\")", "error: wrong number of parameters"},
    };
    ExpectScripts(rows);
}

// 115 natives and 40 constants (NullWindow, ten style bits and the 29 of
// the widgets), each name once, in a VM of their own.
TEST_F(UIApi, TheRegistrarAddsEveryNameOnce) {
    zSquirrelVM fresh(&engine);
    ASSERT_TRUE(fresh.Open());
    const auto rootSize = [&fresh]() {
        sq_pushroottable(fresh.GetHandle());
        const SQInteger size = sq_getsize(fresh.GetHandle(), -1);
        sq_pop(fresh.GetHandle(), 1);
        return size;
    };
    const SQInteger before = rootSize();
    ASSERT_TRUE(RegisterUIScriptApi(fresh.GetHandle()));
    EXPECT_EQ(rootSize() - before, 115 + 40);
    EXPECT_FALSE(RegisterUIScriptApi(fresh.GetHandle()));
    fresh.Close();
}

} // namespace
