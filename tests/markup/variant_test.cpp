#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "markup/block_allocator.h"
#include "markup/variant.h"

namespace {

struct BoolCase {
    const char* label;
    std::function<void(zVariant&)> set;
    bool convertible;
    bool expected;
};

}  // namespace

TEST(Variant, GetBoolConvertsNumbersOnly) {
    const std::vector<BoolCase> cases = {
        {"int 0", [](zVariant& v) { v.SetInt(0); }, true, false},
        {"int -3", [](zVariant& v) { v.SetInt(-3); }, true, true},
        {"float 0", [](zVariant& v) { v.SetFloat(0.0f); }, true, false},
        {"float 0.25", [](zVariant& v) { v.SetFloat(0.25f); }, true, true},
        {"bool true", [](zVariant& v) { v.SetBool(true); }, true, true},
        {"bool false", [](zVariant& v) { v.SetBool(false); }, true, false},
        {"string", [](zVariant& v) { v.SetString("True"); }, false, false},
        {"none", [](zVariant&) {}, false, false},
        {"binary", [](zVariant& v) { v.SetBinary("ab", 2); }, false, false},
    };
    for (const BoolCase& c : cases) {
        zVariant value;
        c.set(value);
        bool out = !c.expected;
        EXPECT_EQ(value.GetBool(out), c.convertible) << c.label;
        if (c.convertible) {
            EXPECT_EQ(out, c.expected) << c.label;
        }
    }
}

TEST(Variant, TypedGettersRefuseOtherTypes) {
    zVariant value;
    value.SetInt(7);
    f32 f = 1.0f;
    const char* s = nullptr;
    i32 i = 0;
    EXPECT_FALSE(value.GetFloat(f));
    EXPECT_FALSE(value.GetString(s));
    EXPECT_EQ(value.GetBinarySize(), 0u);
    ASSERT_TRUE(value.GetInt(i));
    EXPECT_EQ(i, 7);
    value.SetFloat(2.5f);
    EXPECT_FALSE(value.GetInt(i));
    ASSERT_TRUE(value.GetFloat(f));
    EXPECT_EQ(f, 2.5f);
}

TEST(Variant, NumbersAreFloatsOrInts) {
    zVariant value;
    f32 out = -1.0f;
    value.SetInt(-3);
    ASSERT_TRUE(value.GetNumber(out));
    EXPECT_EQ(out, -3.0f);
    value.SetFloat(0.25f);
    ASSERT_TRUE(value.GetNumber(out));
    EXPECT_EQ(out, 0.25f);
    value.SetString("4");
    out = 9.0f;
    EXPECT_FALSE(value.GetNumber(out));
    EXPECT_EQ(out, 9.0f);
}

TEST(Variant, SettingIntOverStringFreesTheString) {
    zVariant value;
    value.SetString("a string long enough to live on the heap");
    value.SetInt(4);
    EXPECT_EQ(value.GetType(), VariantInt);
    EXPECT_TRUE(value.GetStringValue().IsEmpty());
    // Under LeakSanitizer a string kept alive would be reported.
}

TEST(Variant, SetCopiesScalarsAndStringsOnly) {
    zVariant source;
    zVariant target;
    source.SetString("abc");
    target.Set(source);
    const char* text = nullptr;
    ASSERT_TRUE(target.GetString(text));
    EXPECT_STREQ(text, "abc");

    source.SetBinary("xyz", 3);
    target.Set(source);
    EXPECT_EQ(target.GetType(), VariantNone);

    source.SetList();
    target.SetInt(3);
    target.Set(source);
    EXPECT_EQ(target.GetType(), VariantNone);

    source.SetBool(true);
    target.Set(source);
    bool flag = false;
    EXPECT_TRUE(target.GetBool(flag));
    EXPECT_TRUE(flag);
}

TEST(Variant, BinaryIsCopiedInAndOut) {
    u8 bytes[4] = {1, 2, 3, 4};
    zVariant value;
    ASSERT_TRUE(value.SetBinary(bytes, 4));
    bytes[0] = 9;
    EXPECT_EQ(value.GetBinarySize(), 4u);
    EXPECT_EQ(static_cast<const u8*>(value.GetBinaryData())[0], 1);

    void* copy = nullptr;
    u32 size = 0;
    ASSERT_TRUE(value.GetBinary(copy, size));
    ASSERT_EQ(size, 4u);
    EXPECT_NE(copy, value.GetBinaryData());
    EXPECT_EQ(std::memcmp(copy, "\x01\x02\x03\x04", 4), 0);
    std::free(copy);
}

TEST(Variant, EmptyBinaryHasTypeButNoData) {
    zVariant value;
    ASSERT_TRUE(value.SetBinary(nullptr, 0));
    EXPECT_EQ(value.GetType(), VariantBinary);
    EXPECT_EQ(value.GetBinarySize(), 0u);
    void* copy = reinterpret_cast<void*>(1);
    u32 size = 5;
    EXPECT_TRUE(value.GetBinary(copy, size));
    EXPECT_EQ(copy, nullptr);
    EXPECT_EQ(size, 0u);
}

TEST(Variant, SetBinaryReportsAllocationFailure) {
    zVariant value;
    value.SetInt(1);
    ArmBlockAllocationFailure(0);
    EXPECT_FALSE(value.SetBinary("abc", 3));
    EXPECT_EQ(value.GetType(), VariantNone);
    DisarmBlockAllocationFailure();

    ASSERT_TRUE(value.SetBinary("abc", 3));
    ArmBlockAllocationFailure(0);
    void* copy = nullptr;
    u32 size = 0;
    EXPECT_FALSE(value.GetBinary(copy, size));
    DisarmBlockAllocationFailure();
    EXPECT_EQ(copy, nullptr);
}

TEST(Variant, RawWordReadsWithoutConversion) {
    zVariant value;
    value.SetFloat(1.0f);
    EXPECT_EQ(value.GetRawInt(), 0x3F800000);
    value.SetInt(0x40490FDB);
    EXPECT_FLOAT_EQ(value.GetRawFloat(), 3.14159274f);
}

TEST(Variant, ComparisonTable) {
    struct Case {
        const char* label;
        std::function<void(zVariant&)> left;
        std::function<void(zVariant&)> right;
        bool equal;
        bool less;
    };
    const std::vector<Case> cases = {
        {"int 1 / float 1.7", [](zVariant& v) { v.SetInt(1); }, [](zVariant& v) { v.SetFloat(1.7f); }, true, false},
        {"int 1 / float 2.2", [](zVariant& v) { v.SetInt(1); }, [](zVariant& v) { v.SetFloat(2.2f); }, false, true},
        {"float 2.5 / int 2", [](zVariant& v) { v.SetFloat(2.5f); }, [](zVariant& v) { v.SetInt(2); }, true, false},
        {"int 2 / int 3", [](zVariant& v) { v.SetInt(2); }, [](zVariant& v) { v.SetInt(3); }, false, true},
        {"float / float", [](zVariant& v) { v.SetFloat(0.5f); }, [](zVariant& v) { v.SetFloat(0.5f); }, true, false},
        {"bool f / bool t", [](zVariant& v) { v.SetBool(false); }, [](zVariant& v) { v.SetBool(true); }, false, true},
        {"string / string", [](zVariant& v) { v.SetString("ab"); }, [](zVariant& v) { v.SetString("ab"); }, true,
         false},
        {"string / other", [](zVariant& v) { v.SetString("ab"); }, [](zVariant& v) { v.SetString("ac"); }, false,
         false},
        {"string / int", [](zVariant& v) { v.SetString("1"); }, [](zVariant& v) { v.SetInt(1); }, false, false},
        {"bool / int", [](zVariant& v) { v.SetBool(true); }, [](zVariant& v) { v.SetInt(1); }, false, false},
        {"none / none", [](zVariant&) {}, [](zVariant&) {}, false, false},
    };
    for (const Case& c : cases) {
        zVariant left;
        zVariant right;
        c.left(left);
        c.right(right);
        EXPECT_EQ(left == right, c.equal) << c.label;
        EXPECT_EQ(left != right, !c.equal) << c.label;
        EXPECT_EQ(left < right, c.less) << c.label;
        EXPECT_EQ(left >= right, !c.less) << c.label;
    }
}

TEST(Variant, NamedConstructors) {
    zVariant text("Name", "value");
    zVariant number("Count", 3);
    zVariant ratio("Ratio", 0.5f);
    zVariant unnamed(1.5f);
    EXPECT_TRUE(text.GetName() == "Name");
    EXPECT_EQ(text.GetType(), VariantString);
    EXPECT_EQ(number.GetRawInt(), 3);
    EXPECT_EQ(ratio.GetRawFloat(), 0.5f);
    EXPECT_TRUE(unnamed.GetName().IsEmpty());
    EXPECT_EQ(unnamed.GetRawFloat(), 1.5f);
}

TEST(Variant, ListHoldsUnownedVariants) {
    zVariant a("a", 1);
    zVariant b("b", 2);
    zVariant list;
    list.SetList();
    list.GetList().Add(&a);
    list.GetList().Add(&b);
    EXPECT_EQ(list.GetList().GetCount(), 2u);
    list.SetInt(0);  // empties the list without touching a and b
    EXPECT_EQ(list.GetList().GetCount(), 0u);
    EXPECT_EQ(a.GetRawInt(), 1);
}
