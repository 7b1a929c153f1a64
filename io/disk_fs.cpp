#include "io/disk_fs.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "core/log.h"
#include "platform/files.h"

namespace {

struct DiskRecord : zIORecord {
    std::FILE* stream = nullptr;
};

DiskRecord* AsDisk(zIORecord* record) {
    return static_cast<DiskRecord*>(record);
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// The name in directory that matches component without regard to case; an
// exact match wins over the others.
bool FindNoCase(const std::string& directory, const std::string& component, std::string& found) {
    std::vector<OsDirectoryEntry> entries;
    if (!OsListDirectory(directory.empty() ? "." : directory.c_str(), entries)) return false;
    bool any = false;
    for (const OsDirectoryEntry& entry : entries) {
        if (entry.name == component) {
            found = entry.name;
            return true;
        }
        if (!any && EqualsNoCase(entry.name, component)) {
            found = entry.name;
            any = true;
        }
    }
    return any;
}

} // namespace

zIODiskFS::~zIODiskFS() {
    CloseAll();
}

zString zIODiskFS::ResolvePath(const char* path) {
    if (!path) return zString();
    std::string written(path);
    for (char& c : written) {
        if (c == '\\') c = '/';
    }
    if (written.empty() || OsGetPathKind(written.c_str()) != OsPathKind::Missing)
        return zString(written.c_str());

    // Walk the components; the first one that cannot be found ends the walk and
    // the rest stays as written.
    std::string resolved = written[0] == '/' ? "/" : "";
    size_t start = resolved.size();
    bool walking = true;
    while (start <= written.size()) {
        size_t end = written.find('/', start);
        if (end == std::string::npos) end = written.size();
        std::string component = written.substr(start, end - start);
        bool last = end == written.size();
        if (!component.empty()) {
            std::string candidate = resolved + component;
            if (walking && component != "." && component != ".." &&
                OsGetPathKind(candidate.c_str()) == OsPathKind::Missing) {
                std::string directory = resolved.empty() ? "." : resolved;
                std::string found;
                if (FindNoCase(directory, component, found)) {
                    candidate = resolved + found;
                } else {
                    walking = false;
                }
            }
            resolved = candidate;
            if (!last) resolved += '/';
        }
        start = end + 1;
    }
    return zString(resolved.c_str());
}

bool zIODiskFS::SetCurrentDirectory(const char* path) {
    if (!path) return false;
    return OsSetCurrentDirectory(ResolvePath(path).CStr());
}

bool zIODiskFS::ListDirectory(const char* pattern, zList<zString*>& out) {
    out.Clear();
    if (!pattern) return false;
    std::string text(pattern);
    for (char& c : text) {
        if (c == '\\') c = '/';
    }
    size_t slash = text.rfind('/');
    std::string directory = slash == std::string::npos ? "." : text.substr(0, slash);
    std::string filePattern = slash == std::string::npos ? text : text.substr(slash + 1);
    if (directory.empty()) directory = "/";
    if (filePattern.empty() || filePattern == "*.*") filePattern = "*";

    std::vector<OsDirectoryEntry> entries;
    if (!OsListDirectory(ResolvePath(directory.c_str()).CStr(), entries)) return false;
    for (const OsDirectoryEntry& entry : entries) {
        if (!OsMatchPattern(filePattern.c_str(), entry.name.c_str(), true)) continue;
        zString* name = new (std::nothrow) zString(entry.name.c_str());
        if (!name) return false;
        if (!out.Add(name)) {
            delete name;
            return false;
        }
    }
    return true;
}

zIORecord* zIODiskFS::Open(const char* path, bool read, bool write, bool append) {
    if (!path) return nullptr;
    DiskRecord* record = new (std::nothrow) DiskRecord;
    if (!record) {
        GetLog() << "[!] Failed to a create new handle.\n";
        return nullptr;
    }
    const char* mode = nullptr;
    if (append) {
        mode = "a+";
    } else if (read && write) {
        mode = "r+b";
    } else if (read) {
        mode = "rb";
    } else if (write) {
        mode = "wb";
    }
    zString hostPath = ResolvePath(path);
    OsPathKind kind = OsGetPathKind(hostPath.CStr());
    // Directories and devices are never files.
    if (!mode || hostPath.IsEmpty() || (kind != OsPathKind::Missing && kind != OsPathKind::File)) {
        delete record;
        return nullptr;
    }
    record->stream = std::fopen(hostPath.CStr(), mode);
    if (!record->stream || !m_handles.Add(record)) {
        if (record->stream) std::fclose(record->stream);
        delete record;
        return nullptr;
    }
    return record;
}

u32 zIODiskFS::Read(zIORecord* record, void* buffer, u32 count) {
    if (!record || !AsDisk(record)->stream || !buffer) return 0;
    return u32(std::fread(buffer, 1, count, AsDisk(record)->stream));
}

u32 zIODiskFS::Write(zIORecord* record, const void* buffer, u32 count) {
    if (!record || !AsDisk(record)->stream || !buffer) return 0;
    return u32(std::fwrite(buffer, 1, count, AsDisk(record)->stream));
}

bool zIODiskFS::Exists(const char* path) {
    if (!path) return false;
    zString hostPath = ResolvePath(path);
    if (OsGetPathKind(hostPath.CStr()) != OsPathKind::File) return false;
    std::FILE* stream = std::fopen(hostPath.CStr(), "r");
    if (!stream) return false;
    std::fclose(stream);
    return true;
}

u32 zIODiskFS::GetSize(zIORecord* record) {
    if (!record || !AsDisk(record)->stream) return 0;
    std::FILE* stream = AsDisk(record)->stream;
    long position = std::ftell(stream);
    std::fseek(stream, 0, SEEK_END);
    long end = std::ftell(stream);
    std::fseek(stream, position, SEEK_SET);
    if (end < 0) return 0;
    return u64(end) > 0xFFFFFFFFu ? 0xFFFFFFFFu : u32(end);
}

bool zIODiskFS::Seek(zIORecord* record, i32 offset, u32 origin) {
    if (!record || !AsDisk(record)->stream) return false;
    int whence = SEEK_SET;
    if (origin == SeekFromCurrent) whence = SEEK_CUR;
    if (origin == SeekFromEnd) whence = SEEK_END;
    return std::fseek(AsDisk(record)->stream, long(offset), whence) == 0;
}

u32 zIODiskFS::Rewind(zIORecord* record) {
    if (!record || !AsDisk(record)->stream) return 0;
    std::fseek(AsDisk(record)->stream, 0, SEEK_SET);
    return Tell(record);
}

u32 zIODiskFS::Tell(zIORecord* record) {
    if (!record || !AsDisk(record)->stream) return 0;
    long position = std::ftell(AsDisk(record)->stream);
    if (position < 0) return 0;
    return u64(position) > 0xFFFFFFFFu ? 0xFFFFFFFFu : u32(position);
}

bool zIODiskFS::Close(zIORecord* record) {
    if (!record || !AsDisk(record)->stream) return false;
    std::FILE* stream = AsDisk(record)->stream;
    u64 streamValue = u64(reinterpret_cast<std::uintptr_t>(stream));
    bool closed = std::fclose(stream) == 0;
    if (!m_handles.Remove(record)) {
        GetLog() << "[!] Trying to close a disk handle (" << streamValue
                 << ") that was not opened on this file system.\n";
    }
    delete AsDisk(record);
    return closed;
}
