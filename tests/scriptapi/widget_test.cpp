// The UI group, widgets: scripts make widgets of every kind in a 2D scene the
// test owns, cast their handles, lay them out in sizers and containers,
// apply text-parameter tables and bind handlers the scene then calls.
#include <gtest/gtest.h>

#include "tests/scriptapi/ui_fixture.h"
#include "ui/check_widget.h"
#include "ui/layout_widgets.h"
#include "ui/text_layout.h"
#include "ui/text_widget.h"

namespace {

using WidgetApi = UIApiFixture;

TEST_F(WidgetApi, KindsAndCasts) {
    const ScriptRow rows[] = {
        {"WidgetToText(UIAddStaticTextWidget(ui, 1, \"a\", \"f\"))", "error: Expected 'Widget' got 'Text Widget'"},
        {"local t = WidgetToText(CastToWidget(UIAddStaticTextWidget(ui, 1, \"a\", \"f\")));"
         " print(TextSetText(t, \"b\") == null)",
         "true"},
        {"WidgetIsHidden(g_engine)", "error: Object is not a widget"},
        {"WidgetIsHidden(ntext)", "error: Widget is null"},
        {"CastToWidget(NullWindow)", "error: Object is not a widget"},
        {"TextSetText(ntext, \"x\")", "error: CObject is null"},
        {"TextSetText(CastToWidget(UIAddSpacerWidget(ui, 1)), \"x\")",
         "error: Expected 'Text Widget' got 'Widget'"},
        // A cast changes the kind only; the class is still checked where it
        // matters.
        {"CheckWidgetSetState(WidgetToCheck(CastToWidget(UIAddBitmapWidget(ui, 1, \"b.tga\"))), true)",
         "error: Widget is not a Check Widget"},
        {"print(ObjectIsValid(WidgetToBitmap(nw)))", "false"},
        {"print(ObjectIsValid(UIAddCanvasWidget(nui, 1, 8, 8)) + \" \" + ObjectIsValid(UIAddSpacerWidget(nui, 1)))",
         "false false"},
        {"UIAddSpacerWidget(g_engine, 1)", "error: Expected 'Window System' got 'Engine'"},
        {"print(SizerSetDrawDelimiter(UIAddHorizontalSizerWidget(ui, 1), true) == null)", "true"},
    };
    ExpectScripts(rows);
}

TEST_F(WidgetApi, NullHandlesOfSingleKinds) {
    const ScriptRow rows[] = {
        {"TextSetSize(ntext, 3); TextSetParameters(ntext, {size = 3}); CheckWidgetSetState(ncheck, true);"
         " CanvasWidgetUnlock(ncanvas); print(CheckWidgetGetState(ncheck))",
         "false"},
        {"print(ObjectIsValid(CheckWidgetGetText(ncheck)) + \" \" + ObjectIsValid(CanvasWidgetLock(ncanvas)))",
         "false false"},
        {"ContainerWidgetSetPosition(ncontainer, UIAddSpacerWidget(ui, 1), 0, 0)", "error: CObject is null"},
        {"WidgetGetScreenPosition(nw)", "error: CObject is null"},
        {"print(ObjectIsValid(ContainerAddWidget(ncontainer, UIAddSpacerWidget(ui, 1), 0, 0, 4, 4)))", "true"},
    };
    ExpectScripts(rows);
}

TEST_F(WidgetApi, SizersAndContainers) {
    const char* build = "s <- UIAddVerticalSizerWidget(ui, 1); SizerSetBorderSize(s, 1, 2, 3, 4);"
                        " c <- UIAddContainerWidget(ui, 2); x <- UIAddSpacerWidget(ui, 3);"
                        " local back = ContainerAddWidget(c, x, 10.7, 20.2, 30, 40);"
                        " local added = SizerAddWidget(s, UIAddStaticTextWidget(ui, 4, \"t\", \"f\"));"
                        " print(ObjectIsSame(back, x) + \" \" + (TextSetText(added, \"kept kind\") == null))";
    ASSERT_EQ(Printed(build), "true true");
    const f32* margins = HeldWidget("s")->GetMargins();
    EXPECT_EQ(margins[0], 2.0f);
    EXPECT_EQ(margins[1], 4.0f);
    EXPECT_EQ(margins[2], 1.0f);
    EXPECT_EQ(margins[3], 3.0f);
    EXPECT_EQ(HeldWidget("s")->GetChildren().GetCount(), 1u);
    auto* container = dynamic_cast<zContainerWidget*>(HeldWidget("c"));
    ASSERT_NE(container, nullptr);
    const zContainerCell* cell = container->FindCell(HeldWidget("x"));
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->rect.left, 10);
    EXPECT_EQ(cell->rect.top, 20);
    EXPECT_EQ(cell->rect.right, 40);
    EXPECT_EQ(cell->rect.bottom, 60);
    const ScriptRow rows[] = {
        {"ContainerWidgetSetPosition(c, UIAddSpacerWidget(ui, 9), 0, 0)", "error: Widget not in container"},
        {"print(ContainerWidgetSetPosition(c, x, 1, 2) == null)", "true"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(cell->rect.left, 1);
    EXPECT_EQ(cell->rect.top, 2);
    EXPECT_EQ(cell->rect.right, 31);
    EXPECT_EQ(cell->rect.bottom, 42);
}

TEST_F(WidgetApi, LayoutStateOfAnyWidget) {
    ASSERT_EQ(Printed("b <- UIAddBitmapWidget(ui, 5, \"b.tga\"); print(\"made\")"), "made");
    const ScriptRow rows[] = {
        {"print(WidgetIsHidden(b))", "false"},
        {"WidgetSetHidden(b, true); print(WidgetIsHidden(b))", "true"},
        {"WidgetSetHAlign(b, WidgetAlignRight); WidgetSetVAlign(b, WidgetAlignBottom);"
         " WidgetSetFormattingSize(b, 2.5, 3); WidgetSetSensitive(b, false); print(\"set\")",
         "set"},
        {"local r = WidgetGetRect(b); print(r.sx + \",\" + r.sy + \",\" + r.ex + \",\" + r.ey)", "0,0,0,0"},
        {"print(TestShow(WidgetGetScreenPosition(CastToWidget(b))))", "0 0 0 0"},
    };
    ExpectScripts(rows);
    zWidget* bitmap = HeldWidget("b");
    EXPECT_EQ(bitmap->GetHAlign(), WidgetAlignRight);
    EXPECT_EQ(bitmap->GetVAlign(), WidgetAlignBottom);
    EXPECT_EQ(bitmap->GetWeights().x, 2.5f);
    EXPECT_EQ(bitmap->GetWeights().y, 3.0f);
    EXPECT_EQ(bitmap->GetEnabled(), 0u);
    EXPECT_TRUE(bitmap->NeedsRedraw());
}

TEST_F(WidgetApi, TextWidgetSetters) {
    ASSERT_EQ(Printed("t <- UIAddStaticTextWidget(ui, 1, \"Hello\", \"no font\"); print(\"made\")"), "made");
    auto* text = static_cast<zTextWidget*>(HeldWidget("t"));
    EXPECT_EQ(text->GetParameters().font, FontSystemGetDefaultFont());
    EXPECT_EQ(text->GetParameters().size, 16);
    ASSERT_EQ(Printed("TextSetAlignment(t, TextAlignRight); TextSetFormat(t, TextFormatParagraph);"
                      " TextSetSize(t, 20); TextSetColor(t, 255, 0, 51, 255); print(\"set\")"),
              "set");
    const zTextParameters& parameters = text->GetParameters();
    EXPECT_EQ(parameters.align, TextAlignRight);
    EXPECT_EQ(parameters.format, TextFormatParagraph);
    EXPECT_EQ(parameters.size, 20);
    EXPECT_EQ(parameters.color[0], 255);
    EXPECT_EQ(parameters.color[1], 0);
    EXPECT_EQ(parameters.color[2], 51);
    EXPECT_EQ(parameters.color[3], 255);
}

TEST_F(WidgetApi, TextParameterTables) {
    struct Case {
        const char* table;
        i32 align, format, size;
        f32 tracking, heading;
        const char* logged; // the warning, or empty
    };
    const Case cases[] = {
        {"{align = \"center\", format = \"column\", size = 24}", 2, 2, 24, 0, 0, ""},
        {"{align = \"middle\", size = 18}", 0, 0, 18, 0, 0, "[*] unknown text alignment command 'middle'."},
        {"{format = \"bold\"}", 0, 0, 16, 0, 0, "[*] unknown text format command 'bold'."},
        {"{Size = 30}", 0, 0, 16, 0, 0, "[*] unknown text attribute 'Size'."},
        {"{size = \"big\", tracking = 2, heading = 3.5}", 0, 0, 16, 2, 3, ""},
        {"{[1] = \"x\", format = \"paragraph\", align = \"justify\"}", 3, 1, 16, 0, 0, ""},
    };
    for (const Case& row : cases) {
        ASSERT_EQ(Printed(std::string("t <- UIAddStaticTextWidget(ui, 1, \"Hello\", \"f\"); print(TextSetParameters(t, ") +
                          row.table + ") == null)"),
                  "true")
            << row.table;
        const zTextParameters& parameters = static_cast<zTextWidget*>(HeldWidget("t"))->GetParameters();
        EXPECT_EQ(parameters.align, row.align) << row.table;
        EXPECT_EQ(parameters.format, row.format) << row.table;
        EXPECT_EQ(parameters.size, row.size) << row.table;
        EXPECT_EQ(parameters.letterSpacing, row.tracking) << row.table;
        EXPECT_EQ(parameters.lineSpacing, row.heading) << row.table;
        EXPECT_EQ(log.Text().find("unknown") != std::string::npos, *row.logged != 0) << log.Text();
        if (*row.logged) {
            EXPECT_NE(log.Text().find(row.logged), std::string::npos) << log.Text();
        }
    }
    // Colour words take the packed colour's components in reverse order.
    ASSERT_EQ(Printed("TextSetParameters(t, {color = 0x11223344}); TextSetParameters(t, {color = 1.5});"
                      " print(\"set\")"),
              "set");
    const zTextParameters& parameters = static_cast<zTextWidget*>(HeldWidget("t"))->GetParameters();
    EXPECT_EQ(parameters.color[0], 0x11);
    EXPECT_EQ(parameters.color[1], 0x22);
    EXPECT_EQ(parameters.color[2], 0x33);
    EXPECT_EQ(parameters.color[3], 0x44);
}

TEST_F(WidgetApi, TextComputeRectLaysOutWithTheTable) {
    const zRect area{0, 0, 400, 300};
    zTextParameters parameters = DefaultTextParameters();
    const zRect standard = ComputeTextRect("Hello there", parameters, area);
    parameters.size = 32;
    const zRect large = ComputeTextRect("Hello there", parameters, area);
    ASSERT_LT(standard.bottom, large.bottom);
    const std::string show = "local r = Rect(); r.ex = 400; r.ey = 300; local b = TextComputeRect(r, \"Hello there\", "
                             "\"no font\", %s); print(b.sx + \",\" + b.sy + \",\" + b.ex + \",\" + b.ey)";
    const auto expected = [](const zRect& r) {
        return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
               std::to_string(r.bottom);
    };
    const auto script = [&](const char* table) {
        std::string text = show;
        return text.replace(text.find("%s"), 2, table);
    };
    EXPECT_EQ(Printed(script("{}")), expected(standard));
    EXPECT_EQ(Printed(script("{size = 32}")), expected(large));
}

TEST_F(WidgetApi, CheckBoxes) {
    ASSERT_EQ(Printed("k <- UIAddCheckWidget(ui, 4, \"Label\", \"no font\", true); print(CheckWidgetGetState(k))"),
              "true");
    const ScriptRow rows[] = {
        {"CheckWidgetSetState(k, false); print(CheckWidgetGetState(k))", "false"},
        {"CheckWidgetSetLabel(k, \"New\"); CheckWidgetSetLabelSize(k, 22); CheckWidgetSetLabelFont(k, \"x\");"
         " print(\"set\")",
         "set"},
    };
    ExpectScripts(rows);
    auto* check = static_cast<zCheckWidget*>(HeldWidget("k"));
    ASSERT_NE(check->GetLabel(), nullptr);
    EXPECT_EQ(check->GetLabel()->GetText(), zString("New"));
    EXPECT_EQ(check->GetLabel()->GetParameters().size, 22);
    ASSERT_EQ(Printed("print(TextSetText(CheckWidgetGetText(k), \"Via label\") == null)"), "true");
    EXPECT_EQ(check->GetLabel()->GetText(), zString("Via label"));
}

TEST_F(WidgetApi, CanvasesHandTheirPicture) {
    const ScriptRow rows[] = {
        {"c <- UIAddCanvasWidget(ui, 1, 32, 16); print(ObjectIsValid(CanvasWidgetLock(c)))", "true"},
        {"print(CanvasWidgetUnlock(c) == null)", "true"},
    };
    ExpectScripts(rows);
    auto* canvas = static_cast<zCanvasWidget*>(HeldWidget("c"));
    ASSERT_NE(canvas->GetPicture(), nullptr);
    EXPECT_TRUE(canvas->NeedsRedraw());
}

TEST_F(WidgetApi, HandlersRunWithTheirContextAndArguments) {
    const char* build = "w <- UIAddWindow(ui, 1, 0, 0, 200, 100); local s = UIAddHorizontalSizerWidget(ui, 2);"
                        " t <- UIAddStaticTextWidget(ui, 3, \"Hi\", \"f\"); SizerAddWidget(s, t);"
                        " WindowSetBaseWidget(w, s);"
                        " WidgetSetEventHandlerWithContext(t, EventLeftMouseClick, {n = \"ctx\"},"
                        "   function(id, info) { print(this.n + \" \" + id + \" \" + info.id + \" \" + info.x); });"
                        " WidgetSetEventHandler(s, EventMouseEnter, function(id, info) { print(\"enter \" + id); });"
                        " print(ObjectIsSame(WindowGetChild(w, 3), t))";
    ASSERT_EQ(Printed(build), "true");
    zUIInputState state;
    state.window = HeldSprite("w");
    state.x = 5;
    log.Reset();
    EXPECT_TRUE(ui->DispatchWidgetEvent(HeldWidget("t"), EventLeftMouseClick, state));
    EXPECT_NE(log.Text().find("[S] ctx 1 3 5"), std::string::npos) << log.Text();
    zWidget* sizer = HeldWidget("t")->GetParent();
    EXPECT_TRUE(ui->DispatchWidgetEvent(sizer, EventMouseEnter, state));
    EXPECT_NE(log.Text().find("[S] enter 10"), std::string::npos) << log.Text();
    EXPECT_EQ(Printed("WidgetSetEventHandler(nw, 1, function(id, info) {})"), "error: Widget is null");
}

TEST_F(WidgetApi, DeletingAWidgetDetachesItAndKillsItsHandles) {
    const char* build = "w <- UIAddWindow(ui, 1, 0, 0, 200, 100); s <- UIAddVerticalSizerWidget(ui, 2);"
                        " t <- UIAddStaticTextWidget(ui, 3, \"Hi\", \"f\"); u <- UIAddSpacerWidget(ui, 4);"
                        " SizerAddWidget(s, t); SizerAddWidget(s, u); WindowSetBaseWidget(w, s);"
                        " c <- UIAddContainerWidget(ui, 5); x <- UIAddSpacerWidget(ui, 6);"
                        " ContainerAddWidget(c, x, 0, 0, 4, 4); print(\"built\")";
    ASSERT_EQ(Printed(build), "built");
    auto* window = static_cast<zWindow*>(HeldSprite("w"));
    auto* container = dynamic_cast<zContainerWidget*>(HeldWidget("c"));
    ASSERT_NE(container, nullptr);
    const ScriptRow rows[] = {
        {"UIDeleteWidget(ui, t); print(ObjectIsValid(t) + \" \" + ObjectIsValid(s))", "false true"},
        {"UIDeleteWidget(ui, t)", "error: Object is not a widget"},
        {"UIDeleteWidget(nui, u)", "error: CObject is null"},
        {"UIDeleteWidget(ui, x); print(ObjectIsValid(x))", "false"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(HeldWidget("s")->GetChildren().GetCount(), 1u);
    EXPECT_EQ(container->GetCells().GetCount(), 0u);
    // The base widget leaves its window and takes its children along.
    ASSERT_EQ(Printed("UIDeleteWidget(ui, s); print(ObjectIsValid(s) + \" \" + ObjectIsValid(u))"), "false false");
    EXPECT_EQ(window->GetBaseWidget(), nullptr);
}

TEST_F(WidgetApi, WidgetsNothingHoldsDieWithTheirScene) {
    ASSERT_EQ(Printed("f <- UIAddSpacerWidget(ui, 1); g <- UIAddCanvasWidget(ui, 2, 4, 4);"
                      " local s = UIAddHorizontalSizerWidget(ui, 3); SizerAddWidget(s, g); print(\"made\")"),
              "made");
    ui->Clear();
    EXPECT_EQ(Printed("print(ObjectIsValid(f) + \" \" + ObjectIsValid(g))"), "false false");
}

// A widget made in one 2D scene and held by a window of another outlives
// its own scene, whose handle dies; the widget still dies cleanly, its
// handle with it.
TEST_F(WidgetApi, AWidgetOutlivingItsSceneDiesCleanly) {
    zSharedPtr<zScene2D> other(new zScene2D(&engine, &vm));
    SetHandle("other", other.Get(), ScriptKindWindowSystem);
    ASSERT_EQ(Printed("w <- UIAddWindow(ui, 1, 0, 0, 64, 64); b <- UIAddSpacerWidget(other, 2);"
                      " WindowSetBaseWidget(w, b); print(ObjectIsValid(b))"),
              "true");
    other = nullptr;
    EXPECT_EQ(Printed("print(ObjectIsValid(other) + \" \" + ObjectIsValid(b)); UIDeleteWindow(ui, w);"
                      " print(ObjectIsValid(b))"),
              "false true\nfalse");
}

TEST_F(WidgetApi, Constants) {
    const ScriptRow rows[] = {
        {"print(WidgetAlignDefault + \" \" + WidgetAlignLeft + \" \" + WidgetAlignTop + \" \" + WidgetAlignMiddle +"
         " \" \" + WidgetAlignRight + \" \" + WidgetAlignBottom)",
         "0 1 2 3 4 5"},
        {"print(TextAlignLeft + \" \" + TextAlignRight + \" \" + TextAlignCenter + \" \" + TextAlignJustify)",
         "0 1 2 3"},
        {"print(TextFormatStandard + \" \" + TextFormatLine + \" \" + TextFormatParagraph + \" \" + TextFormatColumn)",
         "0 0 1 2"},
        {"print(EventLeftMouseClick + \" \" + EventMiddleMouseUp + \" \" + EventMouseMove + \" \" + EventMove +"
         " \" \" + EventShade + \" \" + EventUnshade)",
         "1 9 12 13 14 15"},
    };
    ExpectScripts(rows);
}

} // namespace
