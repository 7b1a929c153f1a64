// A fresh directory under /tmp for one test, removed with everything in it
// when the object goes; with enter, also the working directory meanwhile.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

class TemporaryDirectory {
  public:
    TemporaryDirectory(const char* prefix, bool enter) {
        std::string pattern = "/tmp/" + std::string(prefix) + "_XXXXXX";
        if (!mkdtemp(&pattern[0])) return;
        m_path = pattern;
        if (enter) {
            m_previous = std::filesystem::current_path();
            std::filesystem::current_path(m_path);
        }
    }
    ~TemporaryDirectory() {
        std::error_code ignored;
        if (!m_previous.empty()) std::filesystem::current_path(m_previous, ignored);
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
    }
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    // Empty when the directory could not be made.
    const std::filesystem::path& Path() const { return m_path; }

  private:
    std::filesystem::path m_path;
    std::filesystem::path m_previous;
};
