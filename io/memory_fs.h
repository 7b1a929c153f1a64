// zIOMemoryFS: a store of named in-memory files, used as the file cache that
// the file road consults first for reads.
//
// A file opened for writing is exclusive: no other handle on it may be open.
// Append only matters with write (the end is kept); alone it opens nothing.
// Write buffers start at 4096 bytes and grow to position + count + 8192.
#pragma once

#include "io/filesystem.h"

class zIOMemoryFile : public zLinkedListEntryId {
  public:
    zIOMemoryFile() = default;
    ~zIOMemoryFile() override;

    u8* data = nullptr; // malloc'ed, owned
    u32 size = 0;       // bytes of content
    u32 capacity = 0;   // bytes allocated
};

class zIOMemoryFS : public zIOBaseFS {
  public:
    zIOMemoryFS() = default;
    ~zIOMemoryFS() override;

    const char* GetName() const override { return "Memory"; }
    u32 GetCapabilities() const override { return 15; }
    bool ListDirectory(const char* /*pattern*/, zList<zString*>& /*out*/) override { return false; }
    zIORecord* Open(const char* path, bool read, bool write, bool append) override;
    u32 Read(zIORecord* record, void* buffer, u32 count) override;
    // Returns count, or 0 when the buffer cannot grow (nothing written).
    u32 Write(zIORecord* record, const void* buffer, u32 count) override;
    bool Exists(const char* path) override;
    u32 GetSize(zIORecord* record) override;
    bool Seek(zIORecord* record, i32 offset, u32 origin) override;
    u32 Rewind(zIORecord* record) override;
    u32 Tell(zIORecord* record) override;
    bool Close(zIORecord* record) override;

    // Stores a file loaded elsewhere (the file road's cache, FileSystemCacheFile):
    // takes the malloc'ed bytes, kept as they are (capacity = size), and frees
    // them when the file cannot be stored. An id already stored logs
    // "[!] File '<id>' already exists.\n".
    bool AdoptFile(const char* id, u8* data, u32 size);
    // The sum over stored files of size + 36.
    u32 GetMemoryConsumption() const;
    // Writes a stored file whole to a host path ("wb"); false when the file is
    // not stored or the host file cannot be written.
    bool SaveFileToDisk(const char* id, const char* hostPath);
    zIOMemoryFile* FindFile(const char* id) const;
    u32 GetFileCount() const { return m_files.GetCount(); }
    // CloseAll, then every file deleted.
    void Clear();

  private:
    zLinkedListId m_files;
};
