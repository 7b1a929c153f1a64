// CObject records and their registry: counts, invalidation, owned objects and
// their destruction, copies, rebinding; SquirrelObject and zScriptStack.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <vector>

#include "engine/engine.h"
#include "markup/metafile.h"
#include "picture/picture.h"
#include "render/geometry.h"
#include "script/script_kind.h"
#include "script/script_object.h"
#include "script/squirrel_object.h"
#include "tests/script/script_fixture.h"

namespace {

class ScriptObjects : public ScriptFixture {
  public:
    void TearDown() override {
        ScriptFixture::TearDown();
        // The destroyers below are for the kinds of the tests only.
        SetScriptObjectDestroyer(ScriptKindScene, nullptr);
        SetScriptObjectDestroyer(ScriptKindRaytracer, nullptr);
    }
};

int g_destroyed = 0;
void CountDestroy(void* object) {
    ++g_destroyed;
    *static_cast<int*>(object) = -1;
}

TEST_F(ScriptObjects, TwoPushesOfOneObjectAreTwoRecords) {
    u32 before = GetScriptObjectCount();
    int object = 7;
    ASSERT_TRUE(PushScriptObject(V(), &object, ScriptKindItem, false));
    SetRoot("a");
    ASSERT_TRUE(PushScriptObject(V(), &object, ScriptKindItem, false));
    SetRoot("b");
    EXPECT_EQ(GetScriptObjectCount(), before + 2);
    EXPECT_EQ(vm.InvalidateScriptObjects(&object), 2u);
    EXPECT_EQ(vm.InvalidateScriptObjects(&object), 0u);
    ASSERT_TRUE(Run("print(a.type() + \" \" + b.type() + \" \" + a.isNull());"));
    EXPECT_EQ(log.Text(), "[S] 1 1 true\n");
    DropRoot("a");
    DropRoot("b");
    EXPECT_EQ(GetScriptObjectCount(), before);
    vm.Close();
    EXPECT_EQ(vm.InvalidateScriptObjects(&object), 0u);
}

TEST_F(ScriptObjects, ASetOfObjectsIsInvalidatedInOneCall) {
    int first = 1, second = 2, kept = 3;
    ASSERT_TRUE(PushScriptObject(V(), &first, ScriptKindPicture, false));
    SetRoot("a");
    ASSERT_TRUE(PushScriptObject(V(), &second, ScriptKindSound, false));
    SetRoot("b");
    ASSERT_TRUE(PushScriptObject(V(), &kept, ScriptKindPicture, false));
    SetRoot("c");
    EXPECT_EQ(InvalidateScriptRecords(std::unordered_set<const void*>{&first, &second}), 2u);
    EXPECT_EQ(InvalidateScriptRecords(std::unordered_set<const void*>{}), 0u);
    ASSERT_TRUE(Run("print(a.type() + \" \" + b.type() + \" \" + c.type());"));
    EXPECT_EQ(log.Text(), "[S] 1 1 22\n");
    DropRoot("a");
    DropRoot("b");
    DropRoot("c");
}

TEST_F(ScriptObjects, OwnedObjectsWithoutDestroyerAreKeptWithALogLine) {
    int item = 7;
    ASSERT_TRUE(PushScriptObject(V(), &item, ScriptKindItem, true));
    sq_pop(V(), 1);
    EXPECT_EQ(log.Text(), "[!] Type Item lifetime should not be managed by the VM.\n");
    EXPECT_EQ(item, 7);
    log.Reset();
    ASSERT_TRUE(PushScriptObject(V(), nullptr, ScriptKindItem, true));
    sq_pop(V(), 1);
    EXPECT_EQ(log.Text(), "");
}

TEST_F(ScriptObjects, OwnedPicturesAndMetafilesAreDestroyedWithTheirHandle) {
    ASSERT_TRUE(PushScriptObject(V(), new zPicture(), ScriptKindPicture, true));
    ASSERT_TRUE(PushScriptObject(V(), new zMetafile(), ScriptKindMetafile, true));
    sq_pop(V(), 2);
    EXPECT_EQ(log.Text(), "");
}

TEST_F(ScriptObjects, ResourceHandlesHoldAReference) {
    zEngine engine;
    zSharedPtr<zGeometry> geometry(new zGeometry(&engine));
    ASSERT_TRUE(PushScriptObject(V(), geometry.Get(), ScriptKindGeometry, false));
    EXPECT_EQ(geometry->GetRefCount(), 2u);
    sq_pop(V(), 1);
    EXPECT_EQ(geometry->GetRefCount(), 1u);
}

TEST_F(ScriptObjects, CopyOfAnOwnedHandleNeverOwns) {
    g_destroyed = 0;
    SetScriptObjectDestroyer(ScriptKindScene, CountDestroy);
    int scene = 1;
    ASSERT_TRUE(PushScriptObject(V(), &scene, ScriptKindScene, true));
    SQUserPointer record = nullptr;
    ASSERT_TRUE(SQ_SUCCEEDED(sq_getinstanceup(V(), -1, &record, nullptr)));
    ASSERT_TRUE(PushScriptObjectCopy(V(), static_cast<zCObject*>(record)));
    SQUserPointer copy = nullptr;
    ASSERT_TRUE(SQ_SUCCEEDED(sq_getinstanceup(V(), -1, &copy, nullptr)));
    EXPECT_EQ(static_cast<zCObject*>(copy)->owned, 0);
    EXPECT_EQ(static_cast<zCObject*>(copy)->object, &scene);
    {
        SquirrelObject held = MakeScriptObjectCopy(V(), static_cast<zCObject*>(record));
        EXPECT_EQ(held.GetType(), OT_INSTANCE);
    }
    sq_pop(V(), 2);
    EXPECT_EQ(g_destroyed, 1);
}

// Records of one object dropped from the front, the middle and the end of
// its chain leave the others to be invalidated; other objects keep theirs.
TEST_F(ScriptObjects, DroppedRecordsLeaveTheRestOfTheirObjectsHandles) {
    int object = 1, other = 2;
    const u32 before = GetScriptObjectCount();
    std::vector<std::unique_ptr<zCObject>> records;
    for (int i = 0; i < 6; ++i)
        records.emplace_back(new zCObject(ScriptKindItem, &object, false));
    zCObject kept(ScriptKindItem, &other, false);
    for (int dropped : {0, 2, 5})
        records[size_t(dropped)].reset();
    EXPECT_EQ(GetScriptObjectCount(), before + 4);
    EXPECT_EQ(InvalidateScriptRecords(&object), 3u);
    for (int left : {1, 3, 4}) {
        EXPECT_EQ(records[size_t(left)]->kind, ScriptKindDeleted);
        EXPECT_EQ(records[size_t(left)]->object, nullptr);
    }
    EXPECT_EQ(kept.object, &other);
    // Invalidated records go on counting until they die.
    records.clear();
    EXPECT_EQ(GetScriptObjectCount(), before + 1);
    EXPECT_EQ(InvalidateScriptRecords(&other), 1u);
}

// Invalidating an object costs its own handles, not every live handle.
TEST_F(ScriptObjects, InvalidationCostDoesNotGrowWithOtherHandles) {
    constexpr int Objects = 20000;
    std::vector<int> objects(Objects), others(100000);
    auto invalidateAll = [&](size_t otherCount) {
        std::vector<std::unique_ptr<zCObject>> background, records;
        for (size_t i = 0; i < otherCount; ++i)
            background.emplace_back(new zCObject(ScriptKindItem, &others[i], false));
        for (int& object : objects)
            records.emplace_back(new zCObject(ScriptKindItem, &object, false));
        const auto start = std::chrono::steady_clock::now();
        u32 count = 0;
        for (int& object : objects)
            count += InvalidateScriptRecords(&object);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(count, u32(Objects));
        return took.count();
    };
    const double alone = invalidateAll(0), crowded = invalidateAll(others.size());
    // One walk of every handle per call would make this about 5,000x.
    EXPECT_LT(crowded, std::max(alone, 1e-3) * 6.0);
}

// The destroyer of an owned object may run script callbacks that use the
// registry; another thread must be able to take the registry meanwhile.
TEST_F(ScriptObjects, OwnedDestructionRunsOutsideTheRegistryLock) {
    static bool otherThreadGotIn = false;
    otherThreadGotIn = false;
    SetScriptObjectDestroyer(ScriptKindRaytracer, [](void*) {
        auto count = std::async(std::launch::async, [] { return GetScriptObjectCount(); });
        otherThreadGotIn = count.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
        int other = 0;
        InvalidateScriptRecords(&other);
    });
    int raytracer = 0;
    ASSERT_TRUE(PushScriptObject(V(), &raytracer, ScriptKindRaytracer, true));
    sq_pop(V(), 1);
    EXPECT_TRUE(otherThreadGotIn);
}

SQInteger Rebind(HSQUIRRELVM vm) {
    static int target = 5;
    return BindScriptObject(vm, new zCObject(ScriptKindItem, &target, false));
}

TEST_F(ScriptObjects, RebindingFreesThePreviousRecord) {
    sq_pushroottable(V());
    sq_pushstring(V(), "CObject", -1);
    sq_get(V(), -2);
    sq_pushstring(V(), "rebind", -1);
    sq_newclosure(V(), Rebind, 0);
    sq_newslot(V(), -3, SQFalse);
    sq_pop(V(), 2);
    u32 before = GetScriptObjectCount();
    ASSERT_TRUE(Run(
        "h <- CObject(); print(h.type()); h.rebind(); h.rebind(); print(h.type() + \" \" + h.isValid());"));
    EXPECT_EQ(log.Text(), "[S] 0\n[S] 24 true\n");
    EXPECT_EQ(GetScriptObjectCount(), before + 1);
    DropRoot("h");
    EXPECT_EQ(GetScriptObjectCount(), before);
}

// The constructor reached through call() with another class's instance (or
// no instance) as this: the instance kept its block, and the new record leaked.
TEST_F(ScriptObjects, ConstructorCalledOnAnotherInstanceBindsNothing) {
    u32 before = GetScriptObjectCount();
    ASSERT_TRUE(
        Run("class Other { n = 1; }\n"
            "local o = Other();\n"
            "foreach (target in [o, 5, null]) {\n"
            "    try { CObject.constructor.call(target); print(\"bound\"); } catch (e) { print(e); }\n"
            "}\n"
            "print(o.n);"));
    EXPECT_EQ(log.Text(),
              "[S] Invalid instance type\n[S] Invalid instance type\n[S] Invalid instance type\n[S] 1\n");
    EXPECT_EQ(GetScriptObjectCount(), before);
}

TEST_F(ScriptObjects, InstanceUserPointerNeedsTheRightTag) {
    int object = 0;
    ASSERT_TRUE(PushScriptObject(V(), &object, ScriptKindItem, false));
    SquirrelObject handle(V());
    handle.SetFromStack(-1);
    sq_pop(V(), 1);
    auto* tag = const_cast<ScriptClassDescriptor*>(&g_CObjectClass);
    auto* record = static_cast<zCObject*>(handle.GetInstanceUserPointer(tag));
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->object, &object);
    EXPECT_EQ(handle.GetInstanceUserPointer(nullptr), record);
    int otherTag = 0;
    EXPECT_EQ(handle.GetInstanceUserPointer(&otherTag), nullptr);
    int replacement = 0;
    EXPECT_TRUE(handle.SetInstanceUserPointer(&replacement));
    EXPECT_EQ(handle.GetInstanceUserPointer(tag), &replacement);
    EXPECT_TRUE(handle.SetInstanceUserPointer(record));
    SquirrelObject number(V());
    number = (SQInteger)3;
    EXPECT_FALSE(number.SetInstanceUserPointer(&replacement));
    EXPECT_EQ(number.GetInstanceUserPointer(nullptr), nullptr);
}

TEST_F(ScriptObjects, SquirrelObjectConversionsAndCopies) {
    ASSERT_TRUE(
        Run("i <- 7; f <- 2.75; s <- \"text\"; b <- false; t <- { x = 1, y = 2.5, on = true, name = \"n\" }; "
            "arr <- [\"zero\", 1.5, true]; k <- \"name\";"));
    SquirrelObject root(V());
    sq_pushroottable(V());
    root.SetFromStack(-1);
    sq_pop(V(), 1);
    SquirrelObject i = root.GetValue("i"), f = root.GetValue("f"), s = root.GetValue("s"),
                   b = root.GetValue("b");
    EXPECT_TRUE(i.IsNumeric() && f.IsNumeric());
    EXPECT_FALSE(s.IsNumeric());
    EXPECT_EQ(f.ToInteger(), 2);
    EXPECT_EQ(i.ToFloat(), 7.0f);
    EXPECT_EQ(s.ToInteger(), 0);
    EXPECT_STREQ(s.ToString(), "text");
    EXPECT_EQ(i.ToString(), nullptr);
    EXPECT_TRUE(i.ToBool());
    EXPECT_FALSE(b.ToBool());
    EXPECT_EQ(s.GetSize(), 4);
    EXPECT_EQ(i.GetSize(), 0);
    EXPECT_TRUE(root.GetValue("missing").IsNull());

    SquirrelObject t = root.GetValue("t");
    EXPECT_EQ(t.GetInt("x"), 1);
    EXPECT_EQ(t.GetFloat("y"), 2.5f);
    EXPECT_TRUE(t.GetBool("on"));
    EXPECT_STREQ(t.GetString("name"), "n");
    EXPECT_EQ(t.GetFloat("missing"), 0.0f);
    SquirrelObject arr = root.GetValue("arr");
    EXPECT_STREQ(arr.GetString((SQInteger)0), "zero");
    EXPECT_EQ(arr.GetFloat((SQInteger)1), 1.5f);
    EXPECT_TRUE(arr.GetBool((SQInteger)2));
    EXPECT_TRUE(arr.Exists((SQInteger)2));
    EXPECT_FALSE(arr.Exists((SQInteger)3));
    EXPECT_TRUE(arr.SetValue((SQInteger)1, (SQFloat)4.5f));
    EXPECT_TRUE(arr.SetValue((SQInteger)2, false));
    // A set never creates a slot.
    EXPECT_FALSE(t.SetValue(root.GetValue("s"), i));
    EXPECT_FALSE(t.Exists("text"));
    EXPECT_TRUE(t.SetValue(root.GetValue("k"), i));
    EXPECT_EQ(t.GetInt("name"), 7);
    EXPECT_TRUE(t.SetValue("x", (SQFloat)9.5f));
    EXPECT_EQ(t.GetFloat("x"), 9.5f);

    SquirrelObject copy(t);
    SquirrelObject assigned(V());
    assigned = t;
    SquirrelObject& same = assigned;
    assigned = same;
    EXPECT_EQ(copy.GetObjectHandle()._unVal.pTable, t.GetObjectHandle()._unVal.pTable);
    EXPECT_EQ(assigned.GetFloat("x"), 9.5f);
    SquirrelObject clone = t.Clone();
    EXPECT_TRUE(clone.SetValue("x", (SQInteger)1));
    EXPECT_EQ(t.GetFloat("x"), 9.5f);
    EXPECT_TRUE(i.Clone().IsNull());
    SquirrelObject raw(V(), t.GetObjectHandle());
    EXPECT_EQ(raw.GetSize(), 4);

    SquirrelObject delegate = root.GetValue("arr");
    EXPECT_FALSE(t.SetDelegate(delegate));
    EXPECT_TRUE(t.SetDelegate(root.GetValue("t").Clone()));
    EXPECT_EQ(t.GetDelegate().GetType(), OT_TABLE);
    EXPECT_TRUE(t.SetDelegate(SquirrelObject(V())));
    EXPECT_TRUE(t.GetDelegate().IsNull());
    EXPECT_FALSE(arr.SetDelegate(SquirrelObject(V())));
}

TEST_F(ScriptObjects, AttributesOfClassesAndMembers) {
    ASSERT_TRUE(Run("class Tagged </ kind = \"unit\" /> { </ min = 1 /> speed = 0; }"));
    SquirrelObject root(V());
    sq_pushroottable(V());
    root.SetFromStack(-1);
    sq_pop(V(), 1);
    SquirrelObject tagged = root.GetValue("Tagged");
    EXPECT_STREQ(tagged.GetAttributes(nullptr).GetString("kind"), "unit");
    EXPECT_EQ(tagged.GetAttributes("speed").GetInt("min"), 1);
    EXPECT_TRUE(tagged.GetAttributes("nothing").IsNull());
}

SQInteger ReadStack(HSQUIRRELVM vm) {
    zScriptStack stack(vm);
    // Arguments: this, 2.5, 7, "s", true.
    bool ok = stack.GetArgumentCount() == 5 && stack.GetFloat(2) == 2.5f && stack.GetInt(2) == 2 &&
              stack.GetInt(3) == 7 && stack.GetFloat(3) == 7.0f && std::string(stack.GetString(4)) == "s" &&
              stack.GetString(3) == nullptr && stack.GetBool(5) && !stack.GetBool(3) &&
              stack.GetType(4) == OT_STRING && stack.GetType(0) == -1 && stack.GetType(6) == -1 &&
              stack.GetInt(6) == 0 && stack.GetFloat(-1) == 0.0f && stack.GetString(9) == nullptr &&
              !stack.GetBool(0);
    return stack.ReturnString(ok ? "ok" : "bad");
}

SQInteger ReturnByKind(HSQUIRRELVM vm) {
    zScriptStack stack(vm);
    switch (stack.GetInt(2)) {
    case 0:
        return stack.ReturnInt(-7);
    case 1:
        return stack.ReturnFloat(0.5f);
    case 2:
        return stack.ReturnBool(true);
    case 3:
        return stack.ReturnString(nullptr);
    default: {
        SquirrelObject table(vm);
        sq_newtable(vm);
        table.SetFromStack(-1);
        sq_pop(vm, 1);
        return stack.ReturnObject(table);
    }
    }
}

TEST_F(ScriptObjects, ScriptStackReturnsOneValue) {
    AddNative("ReturnByKind", ReturnByKind);
    ASSERT_TRUE(Run("local r = []; for (local i = 0; i < 5; ++i) r.append(typeof ReturnByKind(i) + \"=\" + "
                    "ReturnByKind(i)); print(r[0] + \" \" + r[1] + \" \" + r[2] + \" \" + r[3]); "
                    "print(typeof ReturnByKind(4));"));
    EXPECT_EQ(log.Text(), "[S] integer=-7 float=0.5 bool=true null=(null : 0x(nil))\n[S] table\n");
}

TEST_F(ScriptObjects, ScriptStackReadsOnlyItsArguments) {
    AddNative("ReadStack", ReadStack);
    ASSERT_TRUE(Run("print(ReadStack(2.5, 7, \"s\", true));"));
    EXPECT_EQ(log.Text(), "[S] ok\n");
}

} // namespace
