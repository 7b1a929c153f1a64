// The UI group's fixture: the script API over a 2D scene the test owns
// ("ui"; "nui" is a UI handle holding nothing), the font system over the
// DejaVuSans file as "default.ttf" (package fonts-dejavu-core), null handles
// of the widget kinds ("nw" Widget, "ntext", "ncheck", "ncanvas",
// "ncontainer") and of a texture ("ntex"), and the value probe natives.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "script/script_api.h"
#include "tests/scriptapi/api_fixture.h"
#include "tests/scriptapi/value_probe.h"
#include "ui/font_system.h"
#include "ui/scene2d.h"
#include "ui/sprite.h"
#include "ui/widget.h"

class UIApiFixture : public ScriptApiFixture {
  public:
    void SetUp() override {
        ScriptApiFixture::SetUp();
        std::filesystem::copy_file("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", Folder() / "default.ttf");
        ASSERT_TRUE(FontSystemOpen());
        value_probe::Register(V());
        ui = new zScene2D(&engine, &vm);
        SetHandle("ui", ui.Get(), ScriptKindWindowSystem);
        SetHandle("nui", nullptr, ScriptKindWindowSystem);
        SetHandle("ntex", nullptr, ScriptKindTexture);
        const struct {
            const char* name;
            i32 kind;
        } nullWidgets[] = {{"nw", ScriptKindWidget},
                           {"ntext", ScriptKindTextWidget},
                           {"ncheck", ScriptKindCheckWidget},
                           {"ncanvas", ScriptKindCanvasWidget},
                           {"ncontainer", ScriptKindContainerWidget}};
        for (const auto& row : nullWidgets)
            SetHandle(row.name, nullptr, row.kind);
        log.Reset();
    }

    void TearDown() override {
        ui = nullptr;
        FontSystemShutdown();
        ScriptApiFixture::TearDown();
    }

    // The engine object of the handle in a root slot (null when none).
    void* Held(const char* name) {
        const SQInteger top = sq_gettop(V());
        void* object = nullptr;
        sq_pushroottable(V());
        sq_pushstring(V(), name, -1);
        if (SQ_SUCCEEDED(sq_get(V(), -2))) FetchScriptObject(V(), -1, &object, 0);
        sq_settop(V(), top);
        return object;
    }
    zSprite2D* HeldSprite(const char* name) { return static_cast<zSprite2D*>(Held(name)); }
    zWidget* HeldWidget(const char* name) { return static_cast<zWidget*>(Held(name)); }

    zSharedPtr<zScene2D> ui;
};
