#include "io/memory_fs.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "core/log.h"
#include "io/disk_fs.h"

namespace {

constexpr u32 InitialCapacity = 4096;
constexpr u32 GrowthMargin = 8192;
// Bookkeeping counted per stored file in the memory consumption.
constexpr u32 FileOverhead = 36;

struct MemoryRecord : zIORecord {
    zIOMemoryFile* file = nullptr;
    zString path;
    u32 position = 0;
    bool writing = false;
};

MemoryRecord* AsMemory(zIORecord* record) {
    return static_cast<MemoryRecord*>(record);
}

} // namespace

zIOMemoryFile::~zIOMemoryFile() {
    std::free(data);
}

zIOMemoryFS::~zIOMemoryFS() {
    CloseAll();
}

zIOMemoryFile* zIOMemoryFS::FindFile(const char* id) const {
    if (!id) return nullptr;
    return static_cast<zIOMemoryFile*>(m_files.FindById(id, false));
}

bool zIOMemoryFS::Exists(const char* path) {
    return FindFile(path) != nullptr;
}

zIORecord* zIOMemoryFS::Open(const char* path, bool read, bool write, bool append) {
    if (!path) return nullptr;
    zIOMemoryFile* file = FindFile(path);
    if (read && !file) {
        GetLog() << "[!] File '" << path << "' does not exist.\n";
        return nullptr;
    }
    if (write && file) {
        for (zList<zIORecord*>::Node* node = m_handles.GetHead(); node; node = node->next) {
            if (AsMemory(node->value)->file == file) {
                GetLog() << "[!] Cannot write to file '" << path << "', exclusive access required.\n";
                return nullptr;
            }
        }
    }
    if (!read && !write) return nullptr;

    MemoryRecord* record = new (std::nothrow) MemoryRecord;
    if (!record) {
        GetLog() << "[!] Failed to create a new handle.\n";
        return nullptr;
    }
    record->path.Set(path);
    if (!read) {
        if (!file || !append) {
            u8* data = static_cast<u8*>(std::malloc(InitialCapacity));
            if (!data) {
                GetLog() << "[!] Failed to create a new handle.\n";
                delete record;
                return nullptr;
            }
            if (!file) {
                file = new (std::nothrow) zIOMemoryFile;
                if (!file) {
                    std::free(data);
                    GetLog() << "[!] Failed to create a new handle.\n";
                    delete record;
                    return nullptr;
                }
                file->id.Set(path);
                m_files.Add(file);
            }
            std::free(file->data);
            file->data = data;
            file->size = 0;
            file->capacity = InitialCapacity;
        }
        record->position = file->size;
        record->writing = true;
    }
    record->file = file;
    if (!m_handles.Add(record)) {
        delete record;
        return nullptr;
    }
    return record;
}

u32 zIOMemoryFS::Read(zIORecord* record, void* buffer, u32 count) {
    if (!record || !buffer) return 0;
    MemoryRecord* memory = AsMemory(record);
    zIOMemoryFile* file = memory->file;
    if (memory->position >= file->size) return 0;
    u32 available = file->size - memory->position;
    u32 copied = count < available ? count : available;
    std::memcpy(buffer, file->data + memory->position, copied);
    memory->position += copied;
    return copied;
}

u32 zIOMemoryFS::Write(zIORecord* record, const void* buffer, u32 count) {
    if (!record || !buffer) return 0;
    MemoryRecord* memory = AsMemory(record);
    zIOMemoryFile* file = memory->file;
    u64 end = u64(memory->position) + count;
    if (end > file->capacity) {
        u64 capacity = end + GrowthMargin;
        if (capacity > 0xFFFFFFFFu) return 0;
        u8* data = static_cast<u8*>(std::malloc(size_t(capacity)));
        if (!data) return 0;
        if (memory->position) std::memcpy(data, file->data, memory->position);
        std::free(file->data);
        file->data = data;
        file->capacity = u32(capacity);
    }
    if (count) std::memcpy(file->data + memory->position, buffer, count);
    memory->position = u32(end);
    if (memory->position > file->size) file->size = memory->position;
    return count;
}

u32 zIOMemoryFS::GetSize(zIORecord* record) {
    return record ? AsMemory(record)->file->size : 0;
}

bool zIOMemoryFS::Seek(zIORecord* record, i32 offset, u32 origin) {
    if (!record) return false;
    MemoryRecord* memory = AsMemory(record);
    i64 position = memory->position;
    if (origin == SeekFromStart) position = offset;
    if (origin == SeekFromCurrent) position += offset;
    if (origin == SeekFromEnd) position = i64(memory->file->size) + offset;
    if (position < 0 || position > i64(memory->file->size)) {
        GetLog() << "[!] Cannot seek outside of file boundaries.\n";
        return false;
    }
    memory->position = u32(position);
    return true;
}

u32 zIOMemoryFS::Rewind(zIORecord* record) {
    if (!record) return 0;
    AsMemory(record)->position = 0;
    return 0;
}

u32 zIOMemoryFS::Tell(zIORecord* record) {
    return record ? AsMemory(record)->position : 0;
}

bool zIOMemoryFS::Close(zIORecord* record) {
    if (!record || !m_handles.Remove(record)) {
        GetLog() << "[!] Trying to close a memory handle that was not opened on this file system.\n";
        return false;
    }
    delete AsMemory(record);
    return true;
}

bool zIOMemoryFS::AdoptFile(const char* id, u8* data, u32 size) {
    if (!id || FindFile(id)) {
        if (id) GetLog() << "[!] File '" << id << "' already exists.\n";
        std::free(data);
        return false;
    }
    zIOMemoryFile* file = new (std::nothrow) zIOMemoryFile;
    if (!file) {
        GetLog() << "[!] Failed to create a new toc entry.\n";
        std::free(data);
        return false;
    }
    file->data = data;
    file->size = size;
    file->capacity = size;
    file->id.Set(id);
    m_files.Add(file);
    return true;
}

u32 zIOMemoryFS::GetMemoryConsumption() const {
    u32 total = 0;
    for (zLinkedListEntry* entry = m_files.GetHead(); entry; entry = entry->GetNext()) {
        total += static_cast<zIOMemoryFile*>(entry)->size + FileOverhead;
    }
    return total;
}

bool zIOMemoryFS::SaveFileToDisk(const char* id, const char* hostPath) {
    zIOMemoryFile* file = FindFile(id);
    if (!file || !hostPath) return false;
    // A disk file system of its own: the store never goes through the file road.
    zIODiskFS disk;
    zIORecord* record = disk.Open(hostPath, false, true, false);
    if (!record) return false;
    u32 written = file->size ? disk.Write(record, file->data, file->size) : 0;
    bool closed = disk.Close(record);
    return written == file->size && closed;
}

void zIOMemoryFS::Clear() {
    CloseAll();
    m_files.Clear(true);
}
