#include "io/archive_fs.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "core/log.h"
#include "io/file_road.h"

namespace {

// Level of the one Write a handle takes.
constexpr i32 WriteCompressionLevel = 6;

struct ArchiveRecord : zIORecord {
    zString name;
    // A copy, so that the handle outlives a closed archive; unset for a write
    // handle that has not written.
    zArchiveEntry entry;
    bool hasEntry = false;
    u32 position = 0;
    u8* buffer = nullptr; // inflated data of a zlib entry, owned
    bool wrote = false;   // a write handle takes one Write
};

ArchiveRecord* AsArchive(zIORecord* record) {
    return static_cast<ArchiveRecord*>(record);
}

u32 LengthOf(const ArchiveRecord* record) {
    return record->hasEntry ? record->entry.length : 0;
}

} // namespace

zIOArchiveFS::~zIOArchiveFS() {
    CloseAll();
    m_archive.Close();
}

bool zIOArchiveFS::Connect(const char* path, const char* indexPath, bool write, zIOHandle* userStream,
                           bool verbose) {
    zScopedLock lock(GetFileSystemMutex());
    CloseAll();
    m_archive.Close();
    GetLog() << "[H] Filesystem connecting to archive '" << (path ? path : "") << "'...\n";
    m_archive.SetVerbose(verbose);
    bool opened = write ? m_archive.OpenForWriting(path, userStream)
                        : m_archive.OpenForReading(path, indexPath, userStream);
    if (opened) m_writeMode = write;
    return opened;
}

bool zIOArchiveFS::Disconnect() {
    zScopedLock lock(GetFileSystemMutex());
    CloseAll();
    m_archive.Close();
    return true;
}

zIORecord* zIOArchiveFS::Open(const char* path, bool read, bool write, bool append) {
    zScopedLock lock(GetFileSystemMutex());
    if (read && m_writeMode) {
        GetLog() << "[!] Cannot create read handle (r/w mode error).\n";
        return nullptr;
    }
    if (write && !m_writeMode) {
        GetLog() << "[!] Cannot create write handle (r/w mode error).\n";
        return nullptr;
    }
    if (append) {
        GetLog() << "[!] Append mode is not supported.\n";
        return nullptr;
    }
    if (!path || (!read && !write)) return nullptr;
    zArchiveEntry* entry = nullptr;
    if (read) {
        entry = m_archive.FindEntry(path);
        if (!entry) return nullptr;
    }
    ArchiveRecord* record = new (std::nothrow) ArchiveRecord;
    if (!record) {
        GetLog() << "[!] Failed to create new archive handle.\n";
        return nullptr;
    }
    record->name.Set(path);
    if (entry) {
        record->entry = *entry;
        record->hasEntry = true;
    }
    if (entry && entry->method == ArchiveMethodZlib) {
        record->buffer = m_archive.Inflate(*entry);
        if (!record->buffer) {
            delete record;
            return nullptr;
        }
    }
    if (!m_handles.Add(record)) {
        std::free(record->buffer);
        delete record;
        return nullptr;
    }
    return record;
}

u32 zIOArchiveFS::Read(zIORecord* record, void* buffer, u32 count) {
    if (!record || !buffer) return 0;
    ArchiveRecord* archive = AsArchive(record);
    if (!archive->hasEntry) return 0;
    u32 length = archive->entry.length;
    if (archive->position >= length) return 0;
    u32 available = length - archive->position;
    u32 wanted = count < available ? count : available;
    u32 got = 0;
    if (archive->buffer) {
        std::memcpy(buffer, archive->buffer + archive->position, wanted);
        got = wanted;
    } else if (!m_writeMode) {
        got = m_archive.ReadRaw(archive->entry, archive->position, buffer, wanted);
    }
    archive->position += got;
    return got;
}

u32 zIOArchiveFS::Write(zIORecord* record, const void* buffer, u32 count) {
    if (!record) return 0;
    zScopedLock lock(GetFileSystemMutex());
    ArchiveRecord* archive = AsArchive(record);
    if (archive->wrote || archive->hasEntry) {
        GetLog()
            << "[!] Cannot perform subsequent write to file, this file system does not support streaming.\n";
        return 0;
    }
    archive->wrote = true;
    if (!m_archive.AddFile(archive->name, buffer, count, WriteCompressionLevel)) {
        GetLog() << "[!] Failed to compress data to archive.\n";
        return 0;
    }
    if (const zArchiveEntry* entry = m_archive.FindEntry(archive->name)) {
        archive->entry = *entry;
        archive->hasEntry = true;
    }
    return count;
}

bool zIOArchiveFS::Exists(const char* path) {
    zScopedLock lock(GetFileSystemMutex());
    return m_archive.FindEntry(path) != nullptr;
}

u32 zIOArchiveFS::GetSize(zIORecord* record) {
    return record ? LengthOf(AsArchive(record)) : 0;
}

bool zIOArchiveFS::Seek(zIORecord* record, i32 offset, u32 origin) {
    if (!record) return false;
    ArchiveRecord* archive = AsArchive(record);
    i64 length = LengthOf(archive);
    i64 position = archive->position;
    if (origin == SeekFromStart) {
        position = offset;
    } else if (origin == SeekFromCurrent) {
        position += offset;
    } else if (origin == SeekFromEnd) {
        position = length + offset;
    } else {
        return true;
    }
    // Refused seeks keep the position and log nothing.
    if (position < 0 || position > length) return false;
    archive->position = u32(position);
    return true;
}

u32 zIOArchiveFS::Rewind(zIORecord* record) {
    if (!record) return 0;
    AsArchive(record)->position = 0;
    return 0;
}

u32 zIOArchiveFS::Tell(zIORecord* record) {
    return record ? AsArchive(record)->position : 0;
}

bool zIOArchiveFS::Close(zIORecord* record) {
    if (!record) return true;
    zScopedLock lock(GetFileSystemMutex());
    ArchiveRecord* archive = AsArchive(record);
    if (!m_handles.Remove(record)) {
        GetLog() << "[!] Trying to close a handle (" << archive->name
                 << ") that was not opened on this file system.\n";
    }
    std::free(archive->buffer);
    delete archive;
    return true;
}
