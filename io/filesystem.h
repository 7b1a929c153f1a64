// zIOBaseFS, the one file-system interface behind every read and write of the
// engine: the disk, the in-memory file cache and the resource archive.
//
// A file system hands out opaque handle records (zIORecord) from Open and takes
// them back in every other slot. It keeps the records it opened and has not yet
// closed, so CloseAll can close whatever is left. Callers normally reach a file
// system through zIOHandle and the file road (io/handle.h, io/file_road.h).
#pragma once

#include "core/linked_list.h"
#include "core/list.h"
#include "core/types.h"
#include "core/zstring.h"
#include "io/handle.h"

// Base of every file system's handle record; the concrete record is private to
// the file system that created it.
struct zIORecord {};

// Capability bits. Disk and memory: read, write, directories, seek (15);
// archive: read, write, seek, packed (75).
constexpr u32 FileSystemCanRead = 1;
constexpr u32 FileSystemCanWrite = 2;
constexpr u32 FileSystemHasDirectories = 4;
constexpr u32 FileSystemCanSeek = 8;
constexpr u32 FileSystemIsPacked = 64;

class zIOBaseFS : public zLinkedListEntry {
  public:
    zIOBaseFS() = default;
    ~zIOBaseFS() override;

    virtual const char* GetName() const = 0;
    virtual u32 GetCapabilities() const = 0;
    // The base gives an empty string.
    virtual void GetCurrentDirectory(zString& out);
    // The base gives false.
    virtual bool SetCurrentDirectory(const char* path);
    // Appends a new zString per name found (the caller owns them).
    virtual bool ListDirectory(const char* pattern, zList<zString*>& out) = 0;
    // Null on failure.
    virtual zIORecord* Open(const char* path, bool read, bool write, bool append) = 0;
    virtual u32 Read(zIORecord* record, void* buffer, u32 count) = 0;
    virtual u32 Write(zIORecord* record, const void* buffer, u32 count) = 0;
    virtual bool Exists(const char* path) = 0;
    virtual u32 GetSize(zIORecord* record) = 0;
    // origin: SeekFromStart, SeekFromCurrent or SeekFromEnd.
    virtual bool Seek(zIORecord* record, i32 offset, u32 origin) = 0;
    virtual u32 Rewind(zIORecord* record) = 0;
    virtual u32 Tell(zIORecord* record) = 0;
    // Frees the record.
    virtual bool Close(zIORecord* record) = 0;
    // Closes every record still open; true.
    virtual bool CloseAll();

    // Whether an Open for writing can succeed now. The file road sends writes
    // to the disk when the current file system cannot take them.
    virtual bool CanWriteNow() const { return (GetCapabilities() & FileSystemCanWrite) != 0; }

    u32 GetOpenHandleCount() const { return m_handles.GetCount(); }

  protected:
    // Records opened on this file system and not yet closed.
    zList<zIORecord*> m_handles;

  private:
    zIOBaseFS(const zIOBaseFS&) = delete;
    zIOBaseFS& operator=(const zIOBaseFS&) = delete;
};
