#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"

namespace {

TEST(FilesTest, ExecutablePathNamesThisProgram) {
    const std::string path = OsExecutablePath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), '/');
    const std::string name = "/platform_tests";
    ASSERT_GE(path.size(), name.size());
    EXPECT_EQ(path.substr(path.size() - name.size()), name);
    EXPECT_EQ(OsGetPathKind(path.c_str()), OsPathKind::File);
}

} // namespace
