#include "fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>

#include "core/log.h"
#include "io/file_road.h"
#include "io/handle.h"
#include "io/memory_fs.h"

namespace {

// Silent unless ZE_FUZZ_LOG is set, for reading the log of one input.
class zSilentLog : public zLog {
  public:
    void OutputLine(const char* text) override {
        if (m_shown) std::fputs(text, stderr);
    }

  private:
    bool m_shown = std::getenv("ZE_FUZZ_LOG") != nullptr;
};

zSilentLog& SilentLog() {
    static zSilentLog log;
    return log;
}

} // namespace

zFuzzRound::zFuzzRound() {
    SetLog(&SilentLog());
    GetLog().Clear();
    FileSystemReset();
    FileSystemSetCurrent(GetMemoryFileSystem());
}

zFuzzRound::~zFuzzRound() {
    FileSystemReset();
    GetLog().Clear();
}

bool zFuzzRound::AddFile(const char* path, const u8* bytes, size_t size) {
    if (size > 0xFFFFFFFFu) return false;
    zIOHandle handle;
    if (!handle.OpenOn(GetMemoryFileSystem(), path, false, true)) return false;
    bool whole = size == 0 || handle.Write(bytes, u32(size)) == size;
    handle.Close();
    return whole;
}

bool zFuzzRound::AddFile(const char* path, const std::string& bytes) {
    return AddFile(path, reinterpret_cast<const u8*>(bytes.data()), bytes.size());
}

std::string zFuzzRound::ReadFile(const char* path) {
    zIOMemoryFile* file = GetMemoryFileSystem()->FindFile(path);
    if (!file || !file->data) return std::string();
    return std::string(reinterpret_cast<const char*>(file->data), file->size);
}

void FuzzFail(const char* what) {
    std::fprintf(stderr, "fuzz property broken: %s\n", what);
    std::abort();
}

void FuzzExpectSame(const std::string& expected, const std::string& actual, const char* what) {
    if (expected == actual) return;
    std::fprintf(stderr, "---- expected\n%s\n---- actual\n%s\n----\n", expected.c_str(), actual.c_str());
    FuzzFail(what);
}

std::vector<std::string> SplitAtZeroBytes(const u8* data, size_t size, size_t maxParts) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0 && parts.size() < maxParts) {
            parts.emplace_back();
            continue;
        }
        parts.back().push_back(char(data[i]));
    }
    return parts;
}
