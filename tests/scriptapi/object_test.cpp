// Object natives: casts, the geometry and the bone items of a skinned object.
#include <gtest/gtest.h>

#include <string>

#include "tests/scriptapi/item_parts_fixture.h"

namespace {

class ObjectApi : public ItemPartsApi {
  public:
    void SetUp() override {
        ItemPartsApi::SetUp();
        skinned = zSharedPtr<zGeometry>(new zGeometry(&engine));
        ASSERT_TRUE(skinned->AllocateVertices(2));
        ASSERT_TRUE(skinned->AllocateSkin(2));
        for (u16 bone = 0; bone < 2; ++bone) {
            skinned->GetSkinWeights()[bone].bones[0] = bone;
            skinned->GetSkinWeights()[bone].weights[0] = 1.0f;
        }
        SetHandle("g_skinned", skinned.Get(), ScriptKindGeometry);
        log.Reset();
    }

    bool Logged(const std::string& line) const { return log.Text().find(line) != std::string::npos; }

    zSharedPtr<zGeometry> skinned;
};

TEST_F(ObjectApi, CastsBetweenItemAndObject) {
    const ScriptRow rows[] = {
        {"print(ObjectIsSame(ObjectGetItem(g_object), g_boxItem))", "true"},
        {"local o = ItemCastToObject(g_boxItem);"
         "print(ObjectIsSame(o, g_object) + \" \" + ObjectSkinGetItemCount(o))",
         "true 0"},
        {"ObjectSkinGetItemCount(ObjectGetItem(g_object))", "error: Expected 'Object' got 'Item'"},
        {"ItemCastToObject(g_light)", "error: Expected 'Item' got 'Light'"},
        {"ObjectGetGeometry(g_camera)", "error: Expected 'Object' got 'Camera'"},
        {"ObjectGetGeometry(g_noObject)", "error: CObject is null"},
    };
    ExpectScripts(rows);
}

// Not an object: a notice and an empty handle, no error.
TEST_F(ObjectApi, ALightCastToAnObjectGivesAnEmptyHandle) {
    EXPECT_EQ(Printed("local o = ItemCastToObject(g_lampItem); print(ObjectIsValid(o));"
                      "ObjectGetGeometry(o)"),
              "false\nerror: CObject is null");
    EXPECT_TRUE(Logged("[!] Incorrect cast, item is not an object.\n")) << log.Text();
}

TEST_F(ObjectApi, TheGeometryIsGivenAndReadBack) {
    const ScriptRow rows[] = {
        {"print(ObjectIsValid(ObjectGetGeometry(g_object)))", "true"},
        {"ObjectSetGeometry(g_object, g_skinned);"
         "print(ObjectIsSame(ObjectGetGeometry(g_object), g_skinned) + \" \" + ObjectSkinGetItemCount(g_object))",
         "true 2"},
        {"ObjectSetGeometry(g_object, g_object)", "error: Expected 'Geometry' got 'Object'"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(box->GetGeometry(), skinned.Get());
    ASSERT_NE(box->GetSkinningMatrices(), nullptr);
}

TEST_F(ObjectApi, BoneItemsAreSetAndRead) {
    box->SetGeometry(skinned.Get(), true);
    const ScriptRow rows[] = {
        {"print(ObjectIsValid(ObjectSkinGetItem(g_object, 0)))", "false"},
        {"ObjectSkinSetItem(g_object, 1, g_lampItem);"
         "print(ObjectIsSame(ObjectSkinGetItem(g_object, 1), g_lampItem))",
         "true"},
        // Past the bones, or below them: an empty handle.
        {"print(ObjectIsValid(ObjectSkinGetItem(g_object, 2)) + \" \" + "
         "ObjectIsValid(ObjectSkinGetItem(g_object, -1)))",
         "false false"},
        {"ObjectSkinSetItem(g_object, 2, g_lampItem)", "error: Bone index out of range"},
        {"ObjectSkinSetItem(g_object, -1, g_lampItem)", "error: Bone index out of range"},
        {"ObjectSkinSetItem(g_object, 0, g_light)", "error: Expected 'Item' got 'Light'"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(box->GetBone(1), static_cast<zItem*>(lamp));
    EXPECT_EQ(box->GetBone(0), nullptr);
}

// The object clears the slot of a bone item that goes; the script sees an
// empty slot, never the freed item.
TEST_F(ObjectApi, ADeletedBoneLeavesAnEmptySlot) {
    box->SetGeometry(skinned.Get(), true);
    EXPECT_EQ(Printed("ObjectSkinSetItem(g_object, 0, g_eyeItem)"), "");
    delete eye;
    eye = nullptr;
    EXPECT_EQ(Printed("print(ObjectIsValid(ObjectSkinGetItem(g_object, 0)))"), "false");
}

TEST_F(ObjectApi, SkinMotionsAreNotSupported) {
    const ScriptRow rows[] = {
        {"ObjectSetSkinMotionClockScale(g_object, 1)",
         "error: parameter 2 has an invalid type 'integer' ; expected: 'float'"},
        {"ObjectSetSkinMotionClockScale(g_object, 1.0)",
         "error: ObjectSetSkinMotionClockScale is not supported: objects have no skin motions."},
        {"ObjectSetSkinMotion(g_object, \"walk\")",
         "error: ObjectSetSkinMotion is not supported: objects have no skin motions."},
        {"ObjectStopAllSkinMotion(g_light)", "error: Expected 'Object' got 'Light'"},
        {"ObjectStopAllSkinMotion(g_object)",
         "error: ObjectStopAllSkinMotion is not supported: objects have no skin motions."},
    };
    ExpectScripts(rows);
    EXPECT_TRUE(Logged("[!] ObjectStopAllSkinMotion is not supported: objects have no skin motions.\n"))
        << log.Text();
}

} // namespace
