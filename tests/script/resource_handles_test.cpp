// A VM opened over an engine hears of every texture and sound the engine
// destroys: handles that hold no reference on them (a texture as its
// picture, a sound) go dead, handles of other objects stay.
#include <gtest/gtest.h>

#include "audio/sound.h"
#include "engine/engine.h"
#include "engine/resource_cache.h"
#include "render/texture.h"
#include "script/script_kind.h"
#include "script/script_object.h"
#include "script/squirrel_vm.h"

namespace {

struct Handle {
    Handle(HSQUIRRELVM vm, void* object, i32 kind) : vm(vm) {
        EXPECT_TRUE(PushScriptObject(vm, object, kind, false));
        sq_getstackobj(vm, -1, &held);
        sq_addref(vm, &held);
        sq_pop(vm, 1);
    }
    ~Handle() { sq_release(vm, &held); }
    i32 Kind() const {
        sq_pushobject(vm, held);
        SQUserPointer record = nullptr;
        EXPECT_TRUE(SQ_SUCCEEDED(sq_getinstanceup(vm, -1, &record, nullptr)));
        sq_pop(vm, 1);
        return record ? static_cast<zCObject*>(record)->kind : -1;
    }

    HSQUIRRELVM vm;
    HSQOBJECT held;
};

TEST(ScriptResourceHandles, FreedTexturesAndSoundsLeaveDeadHandles) {
    zEngine engine;
    zSquirrelVM vm(&engine);
    ASSERT_TRUE(vm.Open());
    auto* texture = new zTexture(&engine);
    zSharedPtr<zTexture> held(texture);
    zSound* sound = engine.NewSound("beep");
    ASSERT_NE(sound, nullptr);
    int other = 0;
    Handle picture(vm.GetHandle(), static_cast<zPicture*>(texture), ScriptKindPicture);
    Handle noise(vm.GetHandle(), sound, ScriptKindSound);
    Handle item(vm.GetHandle(), &other, ScriptKindItem);

    held = zSharedPtr<zTexture>();
    EXPECT_EQ(picture.Kind(), ScriptKindDeleted);
    EXPECT_EQ(noise.Kind(), ScriptKindSound);
    engine.GetResourceCache()->Clear();
    EXPECT_EQ(noise.Kind(), ScriptKindDeleted);
    EXPECT_EQ(item.Kind(), ScriptKindItem);
}

} // namespace
