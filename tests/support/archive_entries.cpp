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
