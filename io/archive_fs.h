// zIOArchiveFS: the file system over one resource archive (io/archive.h).
//
// Connected for reading, it serves the entries by exact name: a zlib entry is
// inflated whole when it is opened, a raw entry is read from the archive file
// on each Read under the file-system mutex. Connected for writing, each handle
// takes exactly one Write, which becomes one entry compressed at level 6.
#pragma once

#include "io/archive.h"
#include "io/filesystem.h"

class zIOArchiveFS : public zIOBaseFS {
  public:
    zIOArchiveFS() = default;
    ~zIOArchiveFS() override;

    // Closes every handle and the archive, logs "[H] Filesystem connecting to
    // archive '<path>'...\n", then opens it for writing or reading.
    bool Connect(const char* path, const char* indexPath = nullptr, bool write = false,
                 zIOHandle* userStream = nullptr, bool verbose = false);
    // Closes every handle and the archive; true.
    bool Disconnect();

    zArchive& GetArchive() { return m_archive; }
    // The mode of the last successful connection.
    bool IsWriteMode() const { return m_writeMode; }

    const char* GetName() const override { return "Archive"; }
    u32 GetCapabilities() const override { return 75; }
    bool SetCurrentDirectory(const char* /*path*/) override { return false; }
    bool ListDirectory(const char* /*pattern*/, zList<zString*>& /*out*/) override { return false; }
    zIORecord* Open(const char* path, bool read, bool write, bool append) override;
    u32 Read(zIORecord* record, void* buffer, u32 count) override;
    // Returns count when the entry was added, else 0.
    u32 Write(zIORecord* record, const void* buffer, u32 count) override;
    bool Exists(const char* path) override;
    u32 GetSize(zIORecord* record) override;
    bool Seek(zIORecord* record, i32 offset, u32 origin) override;
    u32 Rewind(zIORecord* record) override;
    u32 Tell(zIORecord* record) override;
    bool Close(zIORecord* record) override;
    bool CanWriteNow() const override { return m_writeMode && m_archive.IsWriting(); }

  private:
    zArchive m_archive;
    bool m_writeMode = false;
};
