// A temporary directory that is the file road's only search path while the
// object lives, so scripts and files written there are found by bare name.
#pragma once

#include <fstream>
#include <string>

#include "io/file_road.h"
#include "tests/support/temporary_directory.h"

class ScratchSearchPath {
  public:
    explicit ScratchSearchPath(const char* prefix) : m_directory(prefix, false) {
        zList<zString> paths;
        paths.Add(zString(m_directory.Path().string().c_str()));
        FileSystemSetSearchPaths(paths);
    }
    ~ScratchSearchPath() {
        zList<zString> none;
        FileSystemSetSearchPaths(none);
    }
    ScratchSearchPath(const ScratchSearchPath&) = delete;
    ScratchSearchPath& operator=(const ScratchSearchPath&) = delete;

    const std::filesystem::path& Path() const { return m_directory.Path(); }
    void Write(const char* name, const std::string& text) const {
        std::ofstream(m_directory.Path() / name, std::ios::binary) << text;
    }

  private:
    TemporaryDirectory m_directory;
};
