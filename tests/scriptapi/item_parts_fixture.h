// A small scene for the Light, Camera, Object and Material natives: a point
// light "lamp", a camera "eye" at the origin looking along +z, and an object
// "box" ten units in front of it showing a box geometry of half size 1. Each
// managed item is bound twice, as its own kind (g_light, g_camera, g_object)
// and as an Item (g_lampItem, g_eyeItem, g_boxItem); g_noLight, g_noCamera
// and g_noObject hold nothing. The value probes make and show Vectors and
// matrices.
#pragma once

#include "render/geometry.h"
#include "render/texture.h"
#include "scene/managed_camera.h"
#include "scene/managed_object.h"
#include "scene/scene.h"
#include "tests/scriptapi/api_fixture.h"
#include "tests/scriptapi/value_probe.h"

class ItemPartsApi : public ScriptApiFixture {
  public:
    void SetUp() override {
        ScriptApiFixture::SetUp();
        value_probe::Register(V());
        scene = zSharedPtr<zScene>(new zScene(&engine, &vm));
        lamp = scene->AddLight("lamp", LightTypePoint, 1.0f);
        eye = scene->AddCamera("eye");
        box = scene->AddObject("box", BoxGeometry().Get());
        ASSERT_TRUE(lamp && eye && box);
        box->SetPosition(zVector(0.0f, 0.0f, 10.0f, 1.0f));
        Bind("g_light", lamp, ScriptKindLight);
        Bind("g_camera", eye, ScriptKindCamera);
        Bind("g_object", box, ScriptKindObject);
        Bind("g_lampItem", lamp, ScriptKindItem);
        Bind("g_eyeItem", eye, ScriptKindItem);
        Bind("g_boxItem", box, ScriptKindItem);
        SetHandle("g_noLight", nullptr, ScriptKindLight);
        SetHandle("g_noCamera", nullptr, ScriptKindCamera);
        SetHandle("g_noObject", nullptr, ScriptKindObject);
        log.Reset();
    }

    void TearDown() override {
        vm.Close();
        scene = zSharedPtr<zScene>();
        ScriptApiFixture::TearDown();
    }

    // Handles hold the managed item, whatever their kind.
    void Bind(const char* name, zMItem* item, i32 kind) { SetHandle(name, item, kind); }

    // A geometry whose stored box has half size 1 around its origin.
    zSharedPtr<zGeometry> BoxGeometry() {
        zSharedPtr<zGeometry> geometry(new zGeometry(&engine));
        geometry->SetBounds(zMinMax(zVector(-1.0f, -1.0f, -1.0f, 1.0f), zVector(1.0f, 1.0f, 1.0f, 1.0f)));
        return geometry;
    }

    zSharedPtr<zTexture> NewTexture() { return zSharedPtr<zTexture>(new zTexture(&engine)); }

    zSharedPtr<zScene> scene;
    zMLight* lamp = nullptr;
    zMCamera* eye = nullptr;
    zMObject* box = nullptr;
};
