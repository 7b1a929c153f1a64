// zIODiskFS: the host's files through stdio.
//
// Paths made for the original platform work unchanged: '\' separates like '/',
// and a path that does not exist as written is looked up again component by
// component without regard to letter case, so a data tree copied from Windows
// loads. Only regular files open for reading; directories never do.
#pragma once

#include "io/filesystem.h"

class zIODiskFS : public zIOBaseFS {
  public:
    zIODiskFS() = default;
    ~zIODiskFS() override;

    const char* GetName() const override { return "Disc"; }
    u32 GetCapabilities() const override { return 15; }
    // chdir.
    bool SetCurrentDirectory(const char* path) override;
    // pattern: a directory part and a file pattern of '*' and '?' matched
    // without regard to case; "*.*" means "*". Names come without directory.
    bool ListDirectory(const char* pattern, zList<zString*>& out) override;
    // Modes: read "rb", write "wb", read and write "r+b", append "a+".
    zIORecord* Open(const char* path, bool read, bool write, bool append) override;
    u32 Read(zIORecord* record, void* buffer, u32 count) override;
    u32 Write(zIORecord* record, const void* buffer, u32 count) override;
    // A regular file that can be opened for reading.
    bool Exists(const char* path) override;
    // Sizes beyond 4 GiB read as 0xFFFFFFFF.
    u32 GetSize(zIORecord* record) override;
    bool Seek(zIORecord* record, i32 offset, u32 origin) override;
    u32 Rewind(zIORecord* record) override;
    u32 Tell(zIORecord* record) override;
    bool Close(zIORecord* record) override;

    // The host path for a path of the engine: separators turned to '/', and,
    // when it does not exist as written, the existing path that matches it
    // without regard to case. When only the last component is missing (a file
    // about to be created) the directory part is still matched.
    static zString ResolvePath(const char* path);
};
