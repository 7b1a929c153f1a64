#include "fuzz/archive_check.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "io/archive_fs.h"
#include "io/handle.h"

namespace {

// Entries past this many are listed but not read: enough to reach every
// branch, few enough to keep an input fast.
constexpr u32 MaxEntriesRead = 64;

bool ReadWhole(zIOArchiveFS& fs, const char* name, std::string& bytes) {
    zIOHandle handle;
    if (!handle.OpenOn(&fs, name, true)) return false;
    u32 size = handle.GetSize();
    bytes.assign(size, '\0');
    u32 got = size ? handle.Read(&bytes[0], size) : 0;
    char extra = 0;
    if (got != size || handle.Read(&extra, 1) != 0) return false;
    // Seeks from every origin, inside and outside the entry.
    const i32 offsets[] = {0, 1, -1, i32(size), i32(size) + 1, -i32(size)};
    for (u32 origin = 0; origin < 4; ++origin) {
        for (i32 offset : offsets) {
            if (handle.Seek(offset, origin)) {
                char byte = 0;
                u32 position = handle.Tell();
                if (handle.Read(&byte, 1) == 1 && (position >= size || byte != bytes[position]))
                    FuzzFail("archive entry reads another byte after a seek");
            }
        }
    }
    handle.Close();
    return true;
}

} // namespace

void ExerciseArchive(zIOArchiveFS& fs) {
    std::vector<std::pair<std::string, std::string>> readable;
    u32 index = 0;
    for (auto* node = fs.GetArchive().GetEntries().GetHead(); node && index < MaxEntriesRead;
         node = node->next, ++index) {
        const zString& entryName = node->value.name;
        const char* name = entryName.CStr() ? entryName.CStr() : "";
        std::string bytes;
        if (!ReadWhole(fs, name, bytes)) continue;
        bool seen = false;
        for (const auto& entry : readable) seen = seen || entry.first == name;
        // Names with a 0 byte inside cannot be passed on as texts.
        if (!seen && std::strlen(name) == entryName.GetLength()) readable.emplace_back(name, bytes);
    }
    zArchive written;
    if (!written.OpenForWriting("b.ksa")) FuzzFail("cannot write an archive to memory");
    std::vector<std::pair<std::string, std::string>> added;
    for (size_t i = 0; i < readable.size(); ++i) {
        const std::string& bytes = readable[i].second;
        if (written.AddFile(readable[i].first.c_str(), bytes.data(), u32(bytes.size()), i % 2 ? 6 : -1))
            added.push_back(readable[i]);
    }
    written.Close();

    zIOArchiveFS again;
    if (!again.Connect("b.ksa")) FuzzFail("written archive does not connect");
    if (again.GetArchive().GetEntryCount() != added.size()) FuzzFail("written archive lost entries");
    for (const auto& entry : added) {
        std::string bytes;
        if (!ReadWhole(again, entry.first.c_str(), bytes) || bytes != entry.second)
            FuzzFail("written archive entry reads back other bytes");
    }
    again.Disconnect();
    fs.Disconnect();
}
