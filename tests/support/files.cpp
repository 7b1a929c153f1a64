#include "tests/support/files.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

std::string ReadWholeFile(const std::string& path, bool* found) {
    std::ifstream in(path, std::ios::binary);
    if (found) *found = bool(in);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> FilesUnder(const std::string& root, const std::string& suffix) {
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code error;
    for (fs::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file(error)) continue;
        std::string relative = it->path().lexically_relative(root).generic_string();
        if (relative.size() > suffix.size() &&
            relative.compare(relative.size() - suffix.size(), suffix.size(), suffix) == 0)
            names.push_back(relative.substr(0, relative.size() - suffix.size()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string SmallTgaFile() {
    std::string bytes(18, '\0');
    bytes[2] = 2;   // uncompressed true colour
    bytes[12] = 2;  // width
    bytes[14] = 2;  // height
    bytes[16] = 32; // bits per pixel
    bytes[17] = 0x28;
    bytes.append(16, '\x7f');
    return bytes;
}
