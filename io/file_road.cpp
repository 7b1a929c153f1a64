#include "io/file_road.h"

#include <cstdlib>
#include <cstring>

#include "core/log.h"
#include "io/disk_fs.h"
#include "io/memory_fs.h"

namespace {

// Created on first use and never destroyed, so the road works during static
// destruction and from threads that outlive main.
struct RoadState {
    zMutex mutex;
    zIODiskFS disk;
    zIOMemoryFS memory;
    zIOBaseFS* current = &disk;
    zList<zString> searchPaths;
    zList<zIOBaseFS*> fallbacks;
};

RoadState& Road() {
    static RoadState* state = new RoadState;
    return *state;
}

constexpr const char* DiskPrefix = "disc:";
constexpr size_t DiskPrefixLength = 5;

bool HasDiskPrefix(const char* path) {
    return path && std::strncmp(path, DiskPrefix, DiskPrefixLength) == 0;
}

} // namespace

zMutex& GetFileSystemMutex() {
    return Road().mutex;
}

zIODiskFS* GetDiskFileSystem() {
    return &Road().disk;
}

zIOMemoryFS* GetMemoryFileSystem() {
    return &Road().memory;
}

zIOBaseFS* FileSystemSetCurrent(zIOBaseFS* fs) {
    RoadState& road = Road();
    zScopedLock lock(road.mutex);
    zIOBaseFS* previous = road.current;
    road.current = fs ? fs : &road.disk;
    return previous;
}

zIOBaseFS* FileSystemGetCurrent() {
    RoadState& road = Road();
    zScopedLock lock(road.mutex);
    return road.current;
}

bool FileSystemResolvePrefix(const char* path, zIOBaseFS*& fs, const char*& rest) {
    RoadState& road = Road();
    zScopedLock lock(road.mutex);
    fs = road.current;
    rest = path;
    if (!path) {
        GetLog() << "[!] Invalid argument.\n";
        return false;
    }
    if (HasDiskPrefix(path)) {
        fs = &road.disk;
        rest = path + DiskPrefixLength;
    }
    return true;
}

bool FileSystemFindInSearchPaths(zIOBaseFS* fs, zString& path) {
    RoadState& road = Road();
    zScopedLock lock(road.mutex);
    if (!fs || !path.NormalizePath()) return false;
    if (fs->Exists(path)) return true;
    for (zList<zString>::Node* node = road.searchPaths.GetHead(); node; node = node->next) {
        zString candidate;
        candidate.Format("%s/%s", node->value.CStr() ? node->value.CStr() : "", path.CStr());
        if (fs->Exists(candidate)) {
            path = candidate;
            return true;
        }
    }
    return false;
}

bool FileSystemStripSearchPath(zString& path) {
    RoadState& road = Road();
    zScopedLock lock(road.mutex);
    if (path.IsEmpty() || !path.NormalizePath()) return false;
    for (zList<zString>::Node* node = road.searchPaths.GetHead(); node; node = node->next) {
        const zString& prefix = node->value;
        const u32 length = prefix.GetLength();
        if (length == 0 || length > path.GetLength()) continue;
        if (std::memcmp(prefix.CStr(), path.CStr(), length) != 0) continue;
        // Only whole leading components match, and the separator goes with the
        // prefix: "data" strips "data/a.tga" to "a.tga", never to the absolute
        // "/a.tga", and leaves "database/a.tga" alone.
        const char* rest = path.CStr() + length;
        if (prefix.CStr()[length - 1] != '/') {
            if (*rest != '/' && *rest != '\0') continue;
            if (*rest == '/') ++rest;
        }
        zString remainder(rest);
        path = remainder;
        return true;
    }
    return false;
}

zIORecord* FileSystemOpenOn(zIOBaseFS* fs, const char* path, bool read, bool write, bool append) {
    RoadState& road = Road();
    zScopedLock lock(road.mutex);
    if (!fs || !path) return nullptr;
    zIORecord* record = fs->Open(path, read, write, append);
    if (record || !read) return record;
    zString found(path);
    if (!FileSystemFindInSearchPaths(fs, found)) return nullptr;
    return fs->Open(found, read, write, append);
}

zIORecord* FileSystemOpen(const char* path, zIOBaseFS** outFs, bool read, bool write, bool append) {
    RoadState& road = Road();
    zScopedLock lock(road.mutex);
    if (read && path && road.memory.Exists(path)) {
        if (outFs) *outFs = &road.memory;
        return road.memory.Open(path, true, false, false);
    }
    zIOBaseFS* fs = nullptr;
    const char* rest = nullptr;
    if (!FileSystemResolvePrefix(path, fs, rest)) return nullptr;
    bool prefixed = HasDiskPrefix(path);
    // A read-mode archive cannot take writes; output files go to the disk.
    if ((write || append) && !prefixed && !fs->CanWriteNow()) fs = &road.disk;
    if (zIORecord* record = FileSystemOpenOn(fs, rest, read, write, append)) {
        if (outFs) *outFs = fs;
        return record;
    }
    if (!read || prefixed) return nullptr;
    for (zList<zIOBaseFS*>::Node* node = road.fallbacks.GetHead(); node; node = node->next) {
        if (zIORecord* record = FileSystemOpenOn(node->value, rest, read, write, append)) {
            if (outFs) *outFs = node->value;
            return record;
        }
    }
    return nullptr;
}

bool FileSystemExists(const char* path) {
    RoadState& road = Road();
    zScopedLock lock(road.mutex);
    zIOBaseFS* fs = nullptr;
    const char* rest = nullptr;
    if (!FileSystemResolvePrefix(path, fs, rest)) return false;
    if (fs->Exists(rest)) return true;
    if (HasDiskPrefix(path)) return false;
    for (zList<zIOBaseFS*>::Node* node = road.fallbacks.GetHead(); node; node = node->next) {
        if (node->value->Exists(rest)) return true;
    }
    return false;
}

bool FileSystemExistsInSearchPaths(zString& path) {
    RoadState& road = Road();
    zScopedLock lock(road.mutex);
    if (FileSystemFindInSearchPaths(road.current, path)) return true;
    for (zList<zIOBaseFS*>::Node* node = road.fallbacks.GetHead(); node; node = node->next) {
        if (FileSystemFindInSearchPaths(node->value, path)) return true;
    }
    return false;
}

bool FileSystemLoadFile(const char* path, void*& buffer, u32& size) {
    RoadState& road = Road();
    zScopedLock lock(road.mutex);
    buffer = nullptr;
    size = 0;
    zIOBaseFS* fs = nullptr;
    zIORecord* record = FileSystemOpen(path, &fs, true, false, false);
    if (!record) return false;
    u32 fileSize = fs->GetSize(record);
    u8* data = static_cast<u8*>(std::malloc(size_t(fileSize) + 1));
    if (!data) {
        GetLog() << "[!] Failed to allocate " << fileSize << " bytes for file '" << path << "'.\n";
        fs->Close(record);
        return false;
    }
    u32 got = fileSize ? fs->Read(record, data, fileSize) : 0;
    fs->Close(record);
    if (got != fileSize) {
        GetLog() << "[!] Short read of file '" << path << "' (" << got << " of " << fileSize << " bytes).\n";
        std::free(data);
        return false;
    }
    data[fileSize] = 0;
    buffer = data;
    size = fileSize;
    return true;
}

u32 FileSystemLoadFile(const char* path, void*& buffer) {
    u32 size = 0;
    if (!FileSystemLoadFile(path, buffer, size)) return 0;
    if (size == 0) {
        std::free(buffer);
        buffer = nullptr;
    }
    return size;
}

u32 FileSystemSaveFile(const char* path, const void* buffer, u32 size) {
    RoadState& road = Road();
    zScopedLock lock(road.mutex);
    zIOBaseFS* fs = nullptr;
    zIORecord* record = FileSystemOpen(path, &fs, false, true, false);
    if (!record) return 0;
    // One write even for an empty file: an archive makes its entry on it.
    u32 written = fs->Write(record, buffer, size);
    if (!fs->Close(record)) GetLog() << "[!] File system failed to close handle.\n";
    return written;
}

u32 FileSystemGetFileSize(const char* path) {
    RoadState& road = Road();
    zScopedLock lock(road.mutex);
    zIOBaseFS* fs = nullptr;
    zIORecord* record = FileSystemOpen(path, &fs, true, false, false);
    if (!record) return 0;
    u32 size = fs->GetSize(record);
    fs->Close(record);
    return size;
}

u32 FileSystemCopyFile(const char* source, const char* destination) {
    RoadState& road = Road();
    zScopedLock lock(road.mutex);
    void* buffer = nullptr;
    u32 size = 0;
    if (!FileSystemLoadFile(source, buffer, size)) return 0;
    u32 written = FileSystemSaveFile(destination, buffer, size);
    std::free(buffer);
    return written;
}

bool FileSystemCacheFile(const char* path) {
    RoadState& road = Road();
    zScopedLock lock(road.mutex);
    if (!path) return false;
    if (road.memory.FindFile(path)) {
        GetLog() << "[!] File '" << path << "' already exists.\n";
        return false;
    }
    if (FileSystemGetFileSize(path) == 0) {
        GetLog() << "[!] File source '" << path << "' not found.\n";
        return false;
    }
    void* buffer = nullptr;
    u32 size = 0;
    if (!FileSystemLoadFile(path, buffer, size) || size == 0) {
        std::free(buffer);
        GetLog() << "[!] Failed to load '" << path << "' from current file system.\n";
        return false;
    }
    if (!road.memory.AdoptFile(path, static_cast<u8*>(buffer), size)) return false;
    GetLog() << "[|] Caching file " << path << ", memory consumption = " << road.memory.GetMemoryConsumption()
             << "...\n";
    return true;
}

bool FileSystemAddFallback(zIOBaseFS* fs) {
    RoadState& road = Road();
    zScopedLock lock(road.mutex);
    // The road calls every listed file system without checking it.
    if (!fs) return false;
    if (road.fallbacks.Find(fs)) {
        GetLog() << "[*] Fallback file system already queued.\n";
        return true;
    }
    return road.fallbacks.Add(fs) != nullptr;
}

void FileSystemRemoveFallback(zIOBaseFS* fs) {
    RoadState& road = Road();
    zScopedLock lock(road.mutex);
    road.fallbacks.Remove(fs);
}

u32 FileSystemGetFallbackCount() {
    RoadState& road = Road();
    zScopedLock lock(road.mutex);
    return road.fallbacks.GetCount();
}

void FileSystemAddSearchPath(const char* path) {
    RoadState& road = Road();
    zScopedLock lock(road.mutex);
    road.searchPaths.Add(zString(path));
}

void FileSystemSetSearchPaths(const zList<zString>& paths) {
    RoadState& road = Road();
    zScopedLock lock(road.mutex);
    road.searchPaths.Clear();
    for (zList<zString>::Node* node = paths.GetHead(); node; node = node->next)
        road.searchPaths.Add(node->value);
}

u32 FileSystemGetSearchPathCount() {
    RoadState& road = Road();
    zScopedLock lock(road.mutex);
    return road.searchPaths.GetCount();
}

void FileSystemReset() {
    RoadState& road = Road();
    zScopedLock lock(road.mutex);
    road.current = &road.disk;
    road.searchPaths.Clear();
    road.fallbacks.Clear();
    road.memory.Clear();
}
