#include "core/alloc_category.h"

#include <gtest/gtest.h>

TEST(AllocCategory, ScopedSetterRestoresThePreviousValue) {
    u32 outside = GetAllocCategory();
    {
        zScopedAllocCategory scene(AllocCategoryScene);
        EXPECT_EQ(GetAllocCategory(), 8u);
        {
            zScopedAllocCategory sound(AllocCategorySound);
            EXPECT_EQ(GetAllocCategory(), 6u);
        }
        EXPECT_EQ(GetAllocCategory(), 8u);
    }
    EXPECT_EQ(GetAllocCategory(), outside);
}

TEST(AllocCategory, SetReturnsThePreviousValue) {
    u32 outside = SetAllocCategory(AllocCategoryPicture);
    EXPECT_EQ(SetAllocCategory(AllocCategoryShaderGraph), 7u);
    EXPECT_EQ(GetAllocCategory(), 1u);
    SetAllocCategory(outside);
}
