#include <gtest/gtest.h>

#include "markup/script_value.h"

namespace {

struct ProbeObject : zScriptObject {
    explicit ProbeObject(int& deletions) : m_deletions(deletions) {}
    ~ProbeObject() override { ++m_deletions; }
    int& m_deletions;
};

}  // namespace

TEST(ScriptValue, OwnedObjectIsDeletedByTheNextSetter) {
    int deletions = 0;
    zScriptValue value(new ProbeObject(deletions), true);
    EXPECT_EQ(value.GetKind(), static_cast<u32>(ScriptValueObject));
    value.SetInt(3);
    EXPECT_EQ(deletions, 1);
    EXPECT_EQ(value.GetKind(), static_cast<u32>(ScriptValueVariant));
    EXPECT_EQ(value.GetVariant().GetRawInt(), 3);
    EXPECT_EQ(value.GetObject(), nullptr);
}

TEST(ScriptValue, BorrowedObjectSurvives) {
    int deletions = 0;
    ProbeObject object(deletions);
    {
        zScriptValue value(&object, false);
        value.Clear();
        value.SetObject(&object, false);
    }
    EXPECT_EQ(deletions, 0);
}

TEST(ScriptValue, DestructorAndClearDropOwnedObjects) {
    int deletions = 0;
    { zScriptValue value(new ProbeObject(deletions), true); }
    EXPECT_EQ(deletions, 1);
    zScriptValue value(new ProbeObject(deletions), true);
    value.Clear();
    EXPECT_EQ(deletions, 2);
    EXPECT_EQ(value.GetKind(), static_cast<u32>(ScriptValueNone));
}

TEST(ScriptValue, SettingTheSameOwnedObjectAgainKeepsItAlive) {
    int deletions = 0;
    ProbeObject* object = new ProbeObject(deletions);
    zScriptValue value(object, true);
    value.SetObject(object, true);
    EXPECT_EQ(deletions, 0);
    EXPECT_EQ(value.GetObject(), object);
}

TEST(ScriptValue, NativeObjectCarriesItsKind) {
    int native = 0;
    zScriptValue value(&native, 24u);
    EXPECT_EQ(value.GetKind(), static_cast<u32>(ScriptValueNative));
    EXPECT_EQ(value.GetNative(), &native);
    EXPECT_EQ(value.GetTypeId(), 24u);
    value.SetString("x");
    EXPECT_EQ(value.GetNative(), nullptr);
    const char* text = nullptr;
    ASSERT_TRUE(value.GetVariant().GetString(text));
    EXPECT_STREQ(text, "x");
}

TEST(ScriptValue, ConstructorsForPlainValues) {
    zVariant source("", 2.5f);
    zScriptValue fromVariant(source);
    zScriptValue fromBool(true);
    zScriptValue fromInt(5);
    zScriptValue fromFloat(1.5f);
    zScriptValue fromString("s");
    zScriptValue empty;
    EXPECT_EQ(fromVariant.GetVariant().GetRawFloat(), 2.5f);
    EXPECT_EQ(fromBool.GetVariant().GetType(), VariantBool);
    EXPECT_EQ(fromInt.GetVariant().GetRawInt(), 5);
    EXPECT_EQ(fromFloat.GetVariant().GetRawFloat(), 1.5f);
    EXPECT_EQ(fromString.GetVariant().GetType(), VariantString);
    EXPECT_EQ(empty.GetKind(), static_cast<u32>(ScriptValueNone));
}
