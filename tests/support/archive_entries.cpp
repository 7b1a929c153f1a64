#include "tests/support/archive_entries.h"

#include "io/archive_fs.h"

std::string ReadArchiveEntry(zIOArchiveFS& fs, const char* name) {
    zIORecord* record = fs.Open(name, true, false, false);
    if (!record) return "<missing>";
    std::string text(fs.GetSize(record), '\0');
    text.resize(fs.Read(record, &text[0], u32(text.size())));
    fs.Close(record);
    return text;
}

std::string ArchiveU32(u32 value) {
    return std::string{char(value), char(value >> 8), char(value >> 16), char(value >> 24)};
}

std::string ArchiveRawEntry(const std::string& name, const std::string& data) {
    return ArchiveU32(u32(name.size())) + name + std::string(1, '\0') + ArchiveU32(u32(data.size())) + data;
}
