// A temporary working directory and a clean file road for every io test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "io/file_road.h"
#include "tests/support/temporary_directory.h"

class IoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(m_temporary.Path().empty());
        m_directory = m_temporary.Path();
        FileSystemReset();
    }

    void TearDown() override { FileSystemReset(); }

    // Writes bytes to a file under the temporary directory (relative path).
    static void WriteHostFile(const std::string& path, const std::string& bytes) {
        std::filesystem::path full(path);
        if (full.has_parent_path()) std::filesystem::create_directories(full.parent_path());
        std::ofstream out(path, std::ios::binary);
        out.write(bytes.data(), std::streamsize(bytes.size()));
    }

    static std::string ReadHostFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    TemporaryDirectory m_temporary{"io_test", true};
    std::filesystem::path m_directory;
};
