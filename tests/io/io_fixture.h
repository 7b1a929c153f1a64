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

class IoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/io_test_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_directory = pattern;
        m_previous = std::filesystem::current_path();
        std::filesystem::current_path(m_directory);
        FileSystemReset();
    }

    void TearDown() override {
        FileSystemReset();
        std::filesystem::current_path(m_previous);
        std::error_code ignored;
        std::filesystem::remove_all(m_directory, ignored);
    }

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

    std::filesystem::path m_directory;
    std::filesystem::path m_previous;
};
