// A "gl2" renderer frame with one red quad over the middle of a fixed view,
// the scene answering ambient and lights, and the picture read back.
#pragma once

#include "render/material.h"
#include "tests/gl/gl_renderer_fixture.h"

inline const f32 Red[4] = {1.0f, 0.0f, 0.0f, 1.0f};
inline const f32 Green[4] = {0.0f, 1.0f, 0.0f, 1.0f};

struct GLRendererFrame : GLRendererFixture {
    FixedView view;
    AmbientScene scene;
    MeshRenderable mesh;
    zSharedPtr<zGeometry> quad;

    void TearDown() override {
        if (renderer) {
            renderer->ResetRenderQueue();
            renderer->SetViewItem(nullptr);
            renderer->SetSceneInterface(nullptr);
        }
        if (quad && renderer) renderer->FreeGeometry(quad.Get());
        quad = zSharedPtr<zGeometry>();
        GLRendererFixture::TearDown();
    }

    // A red quad over the middle of the view, its material set up.
    zMaterial* RedQuad(u32 materialFlags) {
        quad = Quad(-0.5f, -0.5f, 0.5f, 0.5f);
        zMaterial* material = quad->GetMaterial(0);
        material->SetColor(MaterialColorDiffuse, 1.0f, 0.0f, 0.0f, 1.0f);
        material->SetColor(MaterialColorSelfIllum, 0.0f, 0.0f, 0.0f, 1.0f);
        material->SetColor(MaterialColorAmbient, 1.0f, 0.0f, 0.0f, 1.0f);
        material->SetFlags(material->GetFlags() | materialFlags);
        renderer->SetCleanResourceOnSetup(false);
        LogCapture quiet;
        EXPECT_TRUE(renderer->SetupMaterial(material));
        EXPECT_TRUE(renderer->SetupGeometry(quad.Get()));
        mesh.geometry = quad.Get();
        return material;
    }

    // Clear (0.2, 0.4, 0.6), the queue, then the picture.
    zPicture DrawFrame() {
        renderer->SetViewItem(&view);
        renderer->SetSceneInterface(&scene);
        renderer->ApplyView();
        renderer->ResetRenderQueue();
        renderer->QueueRenderable(&mesh);
        LogCapture quiet;
        renderer->ClearFrame(0.2f, 0.4f, 0.6f, 1.0f, 1.0f, ClearAll);
        renderer->RenderQueue();
        return Grab();
    }
};
