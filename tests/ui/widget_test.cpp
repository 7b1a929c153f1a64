#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/engine.h"
#include "picture/blend.h"
#include "picture/picture.h"
#include "tests/support/files.h"
#include "tests/support/log_capture.h"
#include "tests/ui/font_fixture.h"
#include "ui/check_widget.h"
#include "ui/drawable_widget.h"
#include "ui/layout_widgets.h"
#include "ui/scene2d.h"
#include "ui/sprite.h"
#include "ui/text_widget.h"

namespace {

class Widgets : public FontFixture {
  public:
    void SetUp() override {
        FontFixture::SetUp();
        ASSERT_TRUE(target.Allocate(240, 160, PixelFormatRGBA8));
    }
    void TearDown() override {
        scene.Clear();
        FontFixture::TearDown();
    }

    // A canvas of one opaque colour, placed at the top left of its cell.
    zCanvasWidget* Swatch(i32 id, u8 red, i32 size = 256) {
        zCanvasWidget* canvas = new zCanvasWidget(&scene, id, size, size);
        canvas->GetPicture()->Fill(red / 255.0f, 0.0f, 0.0f, 1.0f);
        canvas->SetHAlign(WidgetAlignLeft);
        canvas->SetVAlign(WidgetAlignTop);
        return canvas;
    }
    const u8* Pixel(u32 x, u32 y) const { return target.GetPixels() + (u64(y) * target.GetWidth() + x) * 4; }

    zEngine engine;
    zScene2D scene{&engine, nullptr};
    zPicture target;
};

void ExpectRect(const zRect& rect, i32 left, i32 top, i32 right, i32 bottom, const std::string& what = "") {
    EXPECT_EQ(rect.left, left) << what;
    EXPECT_EQ(rect.top, top) << what;
    EXPECT_EQ(rect.right, right) << what;
    EXPECT_EQ(rect.bottom, bottom) << what;
}

} // namespace

TEST_F(Widgets, SizersSplitTheirInnerRectangleByWeight) {
    struct Case {
        bool horizontal;
        std::vector<f32> weights; // 0: the child is hidden
        std::vector<std::pair<i32, i32>> ranges;
    };
    const Case cases[] = {
        {true, {1, 1, 1}, {{0, 33}, {33, 66}, {66, 99}}},
        {true, {1, 0, 1}, {{0, 50}, {0, 0}, {50, 100}}},
        {true, {1, 2, 1}, {{0, 25}, {25, 75}, {75, 100}}},
        {false, {1, 1, 1}, {{0, 33}, {33, 66}, {66, 99}}},
    };
    for (const Case& c : cases) {
        target.Fill(0, 0, 0, 0);
        zSharedPtr<zSizerWidget> sizer(c.horizontal
                                           ? static_cast<zSizerWidget*>(new zHSizerWidget(&scene, 1))
                                           : static_cast<zSizerWidget*>(new zVSizerWidget(&scene, 1)));
        sizer->SetMargins(0, 0, 0, 0);
        std::vector<zWidget*> children;
        for (size_t i = 0; i < c.weights.size(); ++i) {
            zCanvasWidget* child = Swatch(i32(10 + i), 255);
            child->SetWeights(c.weights[i] ? c.weights[i] : 1.0f, c.weights[i] ? c.weights[i] : 1.0f);
            child->SetHidden(c.weights[i] == 0);
            sizer->AddWidget(child);
            children.push_back(child);
        }
        sizer->Layout();
        sizer->Draw(target, zRect{0, 0, 100, 100});
        ExpectRect(sizer->GetRect(), 0, 0, 100, 100);
        for (size_t i = 0; i < children.size(); ++i) {
            if (c.weights[i] == 0) continue;
            const zRect rect = children[i]->GetRect();
            EXPECT_EQ(c.horizontal ? rect.left : rect.top, c.ranges[i].first) << i;
            EXPECT_EQ(c.horizontal ? rect.right : rect.bottom, c.ranges[i].second) << i;
        }
        const bool lastEmpty = c.ranges.back().second == 99;
        EXPECT_EQ(c.horizontal ? Pixel(99, 50)[3] : Pixel(50, 99)[3], lastEmpty ? 0 : 255)
            << "the pixels lost to truncation stay empty";
        EXPECT_EQ(c.horizontal ? Pixel(98, 50)[3] : Pixel(50, 98)[3], 255);
    }
}

TEST_F(Widgets, SizerWithEveryChildHiddenDrawsNothing) {
    // Regression: no weight to share divided by zero.
    for (f32 weight : {1.0f, 0.0f, -1.0f}) {
        zSharedPtr<zHSizerWidget> sizer(new zHSizerWidget(&scene, 1));
        zCanvasWidget* child = Swatch(2, 255);
        sizer->AddWidget(child);
        child->SetWeights(weight, weight);
        child->SetHidden(weight == 1.0f);
        sizer->Layout();
        sizer->Draw(target, zRect{0, 0, 100, 100});
        EXPECT_FALSE(sizer->NeedsRedraw());
        EXPECT_EQ(Pixel(10, 10)[3], 0) << weight;
    }
}

TEST_F(Widgets, SizerWeightsNest) {
    zSharedPtr<zHSizerWidget> row(new zHSizerWidget(&scene, 1));
    zSharedPtr<zVSizerWidget> column(new zVSizerWidget(&scene, 2));
    for (zSizerWidget* sizer :
         {static_cast<zSizerWidget*>(row.Get()), static_cast<zSizerWidget*>(column.Get())}) {
        zSpacerWidget* a = new zSpacerWidget(&scene, 3);
        zSpacerWidget* b = new zSpacerWidget(&scene, 4);
        a->SetWeights(1, 2);
        b->SetWeights(3, 1);
        sizer->AddWidget(a);
        sizer->AddWidget(b);
    }
    EXPECT_EQ(row->GetWeight().x, 4.0f);
    EXPECT_EQ(row->GetWeight().y, 2.0f);
    EXPECT_EQ(column->GetWeight().x, 3.0f);
    EXPECT_EQ(column->GetWeight().y, 3.0f);
    row->SetWeights(2, 0.5f);
    EXPECT_EQ(row->GetWeight().x, 8.0f);
    EXPECT_EQ(row->GetWeight().y, 1.0f);
    const zSharedPtr<zSpacerWidget> spacer(new zSpacerWidget(&scene, 9));
    EXPECT_EQ(spacer->GetWeight().x, 0.5f);
}

TEST_F(Widgets, TreesFindLinkAndRefuseCycles) {
    zSharedPtr<zHSizerWidget> root(new zHSizerWidget(&scene, 1));
    zVSizerWidget* inner = new zVSizerWidget(&scene, 2);
    zSpacerWidget* leaf = new zSpacerWidget(&scene, 3);
    root->AddWidget(inner);
    inner->AddWidget(leaf);
    root->AddWidget(new zSpacerWidget(&scene, 3));
    EXPECT_EQ(root->FindById(1), root.Get()) << "itself first";
    EXPECT_EQ(root->FindById(3), leaf) << "depth first";
    EXPECT_EQ(root->FindById(7), nullptr);
    EXPECT_FALSE(leaf->AddChild(root.Get())) << "a cycle";
    EXPECT_FALSE(inner->AddChild(nullptr));
    root->AddWidget(inner);
    EXPECT_EQ(root->GetChildren().GetCount(), 2u) << "a child is not appended twice";
    zSharedPtr<zHSizerWidget> other(new zHSizerWidget(&scene, 5));
    other->AddWidget(leaf);
    EXPECT_EQ(leaf->GetParent(), other.Get()) << "moves to its new parent";
    EXPECT_EQ(inner->GetChildren().GetCount(), 0u);
}

TEST_F(Widgets, DrawablesAlignTheirPictureInTheRectangle) {
    struct Case {
        i32 hAlign, vAlign;
        zRect given;
        zRect expected;
    };
    const Case cases[] = {
        {WidgetAlignMiddle, WidgetAlignMiddle, {0, 0, 200, 100}, {68, 18, 132, 82}},
        {WidgetAlignMiddle, WidgetAlignMiddle, {10, 20, 210, 120}, {78, 38, 142, 102}},
        {WidgetAlignRight, WidgetAlignBottom, {0, 0, 200, 100}, {136, 36, 200, 100}},
        {WidgetAlignLeft, WidgetAlignTop, {0, 0, 200, 100}, {0, 0, 64, 64}},
        {WidgetAlignDefault, 7, {5, 5, 200, 100}, {5, 5, 69, 69}},
        {WidgetAlignMiddle, WidgetAlignMiddle, {0, 0, 32, 32}, {0, 0, 32, 32}},    // larger: clipped
        {WidgetAlignLeft, WidgetAlignTop, {-30, -40, 10, 10}, {-30, -40, 10, 10}}, // past the target
    };
    for (const Case& c : cases) {
        target.Fill(0, 0, 0, 0);
        zSharedPtr<zCanvasWidget> held(new zCanvasWidget(&scene, 1, 64, 64));
        zCanvasWidget& canvas = *held;
        // A horizontal ramp: red = source x.
        zPicture* picture = canvas.GetPicture();
        for (u32 y = 0; y < 64; ++y)
            for (u32 x = 0; x < 64; ++x) {
                u8* pixel = picture->GetPixels() + (y * 64 + x) * 4;
                pixel[0] = u8(x);
                pixel[3] = 255;
            }
        canvas.SetHAlign(c.hAlign);
        canvas.SetVAlign(c.vAlign);
        canvas.Draw(target, c.given);
        const zRect rect = canvas.GetRect();
        ExpectRect(rect, c.expected.left, c.expected.top, c.expected.right, c.expected.bottom);
        EXPECT_FALSE(canvas.NeedsRedraw());
        if (rect.left >= 0 && rect.top >= 0) {
            EXPECT_EQ(Pixel(u32(rect.left), u32(rect.top))[3], 255);
            // The centred larger picture shows its middle.
            if (c.given.right == 32) {
                EXPECT_EQ(Pixel(0, 0)[0], 16);
            }
        }
    }
}

TEST_F(Widgets, DrawablesBlendWithTheComposeRule) {
    struct Case {
        u8 source[4];
        u8 destination[4];
    };
    const Case cases[] = {
        {{200, 100, 50, 0}, {0, 0, 0, 0}},
        {{255, 0, 0, 128}, {0, 0, 255, 255}},
        {{10, 20, 30, 255}, {90, 90, 90, 60}},
        {{255, 255, 255, 1}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        zSharedPtr<zCanvasWidget> canvas(new zCanvasWidget(&scene, 1, 1, 1));
        std::copy(c.source, c.source + 4, canvas->GetPicture()->GetPixels());
        for (u32 y = 0; y < target.GetHeight(); ++y)
            for (u32 x = 0; x < target.GetWidth(); ++x)
                std::copy(c.destination, c.destination + 4,
                          target.GetPixels() + (y * target.GetWidth() + x) * 4);
        canvas->SetHAlign(WidgetAlignLeft);
        canvas->SetVAlign(WidgetAlignTop);
        canvas->Draw(target, zRect{0, 0, 10, 10});
        const u32 ra = BlendAlphaUnion(c.destination[3], c.source[3]);
        for (int channel = 0; channel < 3; ++channel) {
            EXPECT_EQ(Pixel(0, 0)[channel], BlendColorComponent(c.destination[channel], c.source[channel],
                                                                c.destination[3], c.source[3], ra));
        }
        EXPECT_EQ(Pixel(0, 0)[3], ra);
    }
    // Alpha 0 over alpha 0: colour 0, alpha 0.
    zSharedPtr<zCanvasWidget> clear(new zCanvasWidget(&scene, 1, 1, 1));
    clear->GetPicture()->GetPixels()[0] = 200;
    target.Fill(0, 0, 0, 0);
    clear->SetHAlign(WidgetAlignLeft);
    clear->SetVAlign(WidgetAlignTop);
    clear->Draw(target, zRect{0, 0, 4, 4});
    EXPECT_EQ(Pixel(0, 0)[0], 0);
    EXPECT_EQ(Pixel(0, 0)[3], 0);
}

TEST_F(Widgets, ContainersPlaceCellsFromTheirCorner) {
    LogCapture log;
    zSharedPtr<zContainerWidget> container(new zContainerWidget(&scene, 1));
    zCanvasWidget* a = Swatch(2, 255, 8);
    zCanvasWidget* b = Swatch(3, 255, 8);
    EXPECT_TRUE(container->AddWidget(a, zRect{0, 0, 10, 10}));
    EXPECT_TRUE(container->AddWidget(b, zRect{20, 30, 40, 50}));
    EXPECT_TRUE(container->AddWidget(b, zRect{20, 30, 40, 50}));
    EXPECT_EQ(container->GetCells().GetCount(), 2u) << "one cell per widget";
    EXPECT_FALSE(container->AddWidget(nullptr, zRect{}));
    EXPECT_EQ(log.Text(), "[!] Cannot create a cell for a NULL widget.\n");
    container->Layout();
    container->Draw(target, zRect{100, 50, 200, 150});
    ExpectRect(container->GetRect(), 100, 50, 200, 150);
    ExpectRect(a->GetRect(), 100, 50, 108, 58);
    ExpectRect(b->GetRect(), 120, 80, 128, 88);
    EXPECT_EQ(Pixel(121, 81)[3], 255);

    // A hidden cell is not drawn; a removed one is gone.
    target.Fill(0, 0, 0, 0);
    b->SetHidden(true);
    container->Invalidate();
    container->Draw(target, zRect{100, 50, 200, 150});
    EXPECT_EQ(Pixel(121, 81)[3], 0);
    EXPECT_EQ(Pixel(101, 51)[3], 255);
    EXPECT_TRUE(container->RemoveWidget(a));
    EXPECT_FALSE(container->RemoveWidget(a));
    EXPECT_EQ(container->GetCells().GetCount(), 1u);
    EXPECT_EQ(container->GetChildren().GetCount(), 1u);
    // Cells far outside the picture are cut, not written.
    EXPECT_TRUE(container->AddWidget(Swatch(4, 9, 8), zRect{2147483000, -2147483000, 2147483647, 0}));
    container->Invalidate();
    container->Draw(target, zRect{100000, 0, 0, 0});
}

// An empty container once stayed dirty, so its window composed every frame.
TEST_F(Widgets, EmptyContainerDrawClearsItsRedrawFlag) {
    zSharedPtr<zContainerWidget> container(new zContainerWidget(&scene, 1));
    container->Layout();
    EXPECT_TRUE(container->NeedsRedraw());
    container->Draw(target, zRect{10, 20, 30, 40});
    EXPECT_FALSE(container->NeedsRedraw());
    ExpectRect(container->GetRect(), 0, 0, 0, 0);
    // The same after its last cell is removed.
    zCanvasWidget* swatch = Swatch(2, 255, 8);
    EXPECT_TRUE(container->AddWidget(swatch, zRect{0, 0, 8, 8}));
    EXPECT_TRUE(container->RemoveWidget(swatch));
    container->Invalidate();
    container->Draw(target, zRect{10, 20, 30, 40});
    EXPECT_FALSE(container->NeedsRedraw());
}

TEST_F(Widgets, TextWidgetsMeasureDrawAndInvalidateOnChange) {
    zSharedPtr<zTextWidget> text(new zTextWidget(&scene, 1, "Hello", nullptr, 16));
    EXPECT_EQ(text->GetHAlign(), WidgetAlignStretch);
    EXPECT_EQ(text->GetParameters().color[0], 255);
    EXPECT_EQ(text->GetParameters().font, font);
    text->Layout();
    ExpectRect(text->GetRect(), 0, 0, Width("Hello"), i32(LineHeight64() / 64));
    text->Draw(target, zRect{10, 10, 200, 60});
    EXPECT_FALSE(text->NeedsRedraw());
    EXPECT_EQ(text->GetRect().left, 10);
    EXPECT_EQ(text->GetRect().right, 10 + Width("Hello"));
    int lit = 0;
    for (u32 y = 0; y < target.GetHeight(); ++y)
        for (u32 x = 0; x < target.GetWidth(); ++x)
            if (Pixel(x, y)[3]) {
                ++lit;
                EXPECT_GE(x, 10u);
                EXPECT_EQ(Pixel(x, y)[0], 255) << "white";
            }
    EXPECT_GT(lit, 20);

    // Unchanged values keep it clean; changes invalidate.
    text->SetText("Hello");
    text->SetColor(1.0f, 1.0f, 1.0f, 1.0f);
    text->SetParameters(text->GetParameters());
    EXPECT_FALSE(text->NeedsRedraw());
    text->SetColor(0.5f, 2.0f, -1.0f, 1.0f);
    EXPECT_TRUE(text->NeedsRedraw());
    EXPECT_EQ(text->GetParameters().color[0], 127);
    EXPECT_EQ(text->GetParameters().color[1], 255);
    EXPECT_EQ(text->GetParameters().color[2], 0);
    // A size past the clamp is kept, and laid out at the largest size.
    text->SetSize(100000);
    text->Layout();
    EXPECT_EQ(text->GetRect().Height(), i32(LineHeight64(TextSizeMax) / 64));
}

TEST_F(Widgets, CheckWidgetsSplitBoxAndLabel) {
    PutMemoryFile("ui/ui_check_true.tga", SolidTga(4, 4, 0, 255, 0, 255));
    zSharedPtr<zCheckWidget> check(new zCheckWidget(&scene, 1, "Sound", nullptr, 16));
    ASSERT_NE(check->GetBox(), nullptr);
    ASSERT_NE(check->GetLabel(), nullptr);
    check->SetState(true);
    EXPECT_TRUE(check->GetState());
    ASSERT_NE(check->GetBox()->GetPicture(), nullptr);
    check->Layout();
    check->Draw(target, zRect{0, 0, 100, 20});
    ExpectRect(check->GetRect(), 2, 2, 98, 18);
    // The box takes 3/2 of its picture's width, its picture centred there.
    ExpectRect(check->GetBox()->GetRect(), 3, 8, 7, 12);
    EXPECT_EQ(Pixel(4, 9)[1], 255);
    EXPECT_EQ(check->GetLabel()->GetRect().left, 8);

    check->SetState(false); // no such picture: the label takes everything
    EXPECT_EQ(check->GetBox()->GetPicture(), nullptr);
    check->Draw(target, zRect{0, 0, 100, 20});
    EXPECT_EQ(check->GetLabel()->GetRect().left, 2);
    check->SetHidden(true);
    check->Invalidate();
    check->Draw(target, zRect{0, 0, 100, 20});
    EXPECT_FALSE(check->NeedsRedraw());
}

TEST_F(Widgets, ScreenPositionGoesThroughTheWindow) {
    zWindow* window = new zWindow(&scene, nullptr, "w", "t", nullptr, nullptr);
    window->SetPosition(100.0f, 50.0f);
    window->UpdateMatrices();
    zSpacerWidget* base = new zSpacerWidget(&scene, 1);
    window->SetBaseWidget(base);
    EXPECT_EQ(base->GetWindow(), window);
    base->Draw(target, zRect{10, 20, 30, 40});
    const zVector2 at = base->GetScreenPosition(2.0f, 5.0f);
    EXPECT_EQ(at.x, 108.0f);
    EXPECT_EQ(at.y, 65.0f);
    zSharedPtr<zSpacerWidget> loose(new zSpacerWidget(&scene, 2));
    loose->Draw(target, zRect{10, 20, 30, 40});
    EXPECT_EQ(loose->GetScreenPosition(0.0f, 0.0f).x, 10.0f);
}

TEST_F(Widgets, WindowsDrawTheirTitleText) {
    const char* names[8] = {"s1.tga", "s2.tga", "s3.tga", "s4.tga", "s5.tga", "s6.tga", "s7.tga", "s8.tga"};
    for (const char* name : names)
        PutMemoryFile(name, SolidTga(4, 4, 0, 0, 0, 255));
    // Title colour white, title rectangle 2 down and 16 high, size 14.
    const i32 numbers[5] = {0, -1, 2, 16, 14};
    ASSERT_TRUE(scene.SetSkin(names, numbers, "Default"));
    const zVector2 size(120.0f, 60.0f);
    auto whitePixels = [](const zWindow* window, const zRect& area) {
        const zPicture* picture = window->GetPicture();
        int count = 0;
        for (i32 y = area.top; y < area.bottom; ++y)
            for (i32 x = area.left; x < area.right; ++x) {
                const u8* pixel = picture->GetPixels() + (u64(y) * picture->GetWidth() + u64(x)) * 4;
                if (pixel[0] > 200 && pixel[3] > 200) ++count;
            }
        return count;
    };
    zWindow* titled = new zWindow(&scene, nullptr, "w", "Title", nullptr, &size);
    EXPECT_EQ(titled->GetTitle(), "Title");
    ASSERT_NE(titled->GetTitleWidget(), nullptr);
    EXPECT_EQ(titled->GetTitleWidget()->GetId(), -1);
    EXPECT_EQ(titled->GetTitleWidget()->GetParameters().size, 14);
    EXPECT_EQ(titled->GetTitleWidget()->GetParameters().align, TextAlignCenter);
    ExpectRect(titled->GetTitleRect(), 4, 2, 116, 18);
    titled->Draw(nullptr);
    const int drawn = whitePixels(titled, zRect{0, 0, 120, 60});
    EXPECT_GT(drawn, 20);
    EXPECT_EQ(whitePixels(titled, zRect{0, 18, 120, 60}), 0) << "only in the title rectangle";
    titled->Draw(nullptr);
    EXPECT_EQ(whitePixels(titled, zRect{0, 0, 120, 60}), drawn) << "a clean title is not drawn again";
    titled->GetTitleWidget()->SetText("Title");
    titled->GetTitleWidget()->Invalidate();
    titled->Draw(nullptr);
    EXPECT_EQ(whitePixels(titled, zRect{0, 0, 120, 60}), drawn) << "a redrawn title is composed afresh";

    zWindow* untitled = new zWindow(&scene, nullptr, "u", "Title", nullptr, &size);
    untitled->SetStyle(StyleNoTitle);
    untitled->Draw(nullptr);
    EXPECT_EQ(whitePixels(untitled, zRect{0, 0, 120, 60}), 0);
}

TEST_F(Widgets, WindowsDrawTheirWidgetTreeIntoTheClientRectangle) {
    const zVector2 size(100.0f, 60.0f);
    zWindow* window = new zWindow(&scene, nullptr, "w", nullptr, nullptr, &size);
    zHSizerWidget* row = new zHSizerWidget(&scene, 1);
    row->SetMargins(0, 0, 0, 0);
    zCanvasWidget* left = Swatch(2, 255);
    zCanvasWidget* right = Swatch(3, 100);
    row->AddWidget(left);
    row->AddWidget(right);
    window->SetBaseWidget(row);
    EXPECT_EQ(left->GetWindow(), window);
    EXPECT_EQ(window->GetChild(3), right);
    window->Draw(nullptr);
    // Without a skin the client rectangle is the whole window.
    ExpectRect(left->GetRect(), 0, 0, 50, 60);
    ExpectRect(right->GetRect(), 50, 0, 100, 60);
    const zPicture* picture = window->GetPicture();
    auto red = [&](u32 x, u32 y) { return picture->GetPixels()[(u64(y) * picture->GetWidth() + x) * 4]; };
    EXPECT_EQ(red(10, 10), 255);
    EXPECT_EQ(red(60, 10), 100);
    EXPECT_FALSE(row->NeedsRedraw());

    // Hiding every child leaves the client area to the background.
    left->SetHidden(true);
    right->SetHidden(true);
    window->Invalidate();
    window->Draw(nullptr);
    EXPECT_EQ(picture->GetPixels()[(10 * picture->GetWidth() + 10) * 4 + 3], 0);
}
