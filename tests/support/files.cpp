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

std::string UncompressedTga(int width, int height, const std::string& pixels) {
    std::string bytes(18, '\0');
    bytes[2] = 2; // true colour, uncompressed
    bytes[12] = char(width);
    bytes[13] = char(width >> 8);
    bytes[14] = char(height);
    bytes[15] = char(height >> 8);
    bytes[16] = 32;
    bytes[17] = 0x28; // top-left origin, 8 alpha bits
    return bytes + pixels;
}

std::string SolidTga(int width, int height, unsigned char red, unsigned char green, unsigned char blue,
                     unsigned char alpha) {
    std::string pixels;
    for (int i = 0; i < width * height; ++i)
        pixels += std::string{char(blue), char(green), char(red), char(alpha)};
    return UncompressedTga(width, height, pixels);
}

std::string SmallTgaFile() {
    return UncompressedTga(2, 2, std::string(16, '\x7f'));
}
