// The file road: the global operations that pick a file system for a path.
//
// Reads look in the memory file cache first (exact path), then in the current
// file system (the disk unless an archive was made current; "disc:" forces the
// disk), then under each search-path prefix, then in each fallback file system
// in the order they were added. Writes go to the current file system, or to the
// disk with "disc:" or when the current file system cannot write (a mounted
// read-mode archive); never to the cache, the search paths or the fallbacks.
//
// All road state is guarded by one recursive file-system mutex, held for the
// whole of each operation; code under it may log (lock order: file system,
// then log).
#pragma once

#include "core/list.h"
#include "core/mutex.h"
#include "core/types.h"
#include "core/zstring.h"

class zIOBaseFS;
class zIODiskFS;
class zIOMemoryFS;
struct zIORecord;

zMutex& GetFileSystemMutex();
zIODiskFS* GetDiskFileSystem();
// The file cache.
zIOMemoryFS* GetMemoryFileSystem();

// Returns the previous current file system; null selects the disk.
zIOBaseFS* FileSystemSetCurrent(zIOBaseFS* fs);
zIOBaseFS* FileSystemGetCurrent();

// fs becomes the current file system (the disk for "disc:", rest then skips
// the prefix, result true); false with "[!] Invalid argument.\n" on a null argument.
bool FileSystemResolvePrefix(const char* path, zIOBaseFS*& fs, const char*& rest);
// Normalises path; true when fs has it as is or under a search path (path is
// then rewritten to "<search path>/<path>").
bool FileSystemFindInSearchPaths(zIOBaseFS* fs, zString& path);
// Normalises path and cuts the first search path that prefixes it.
bool FileSystemStripSearchPath(zString& path);
// A direct open on fs, then, for reads, under the search paths.
zIORecord* FileSystemOpenOn(zIOBaseFS* fs, const char* path, bool read, bool write, bool append);
// The road; outFs (may be null) receives the file system of the record.
zIORecord* FileSystemOpen(const char* path, zIOBaseFS** outFs, bool read, bool write, bool append);

// The current file system (or the disk for "disc:"), then the fallbacks.
bool FileSystemExists(const char* path);
// FindInSearchPaths on the current file system, then on each fallback.
bool FileSystemExistsInSearchPaths(zString& path);

// Loads a whole file into a new buffer of size + 1 bytes (the extra byte is 0)
// allocated with malloc; the caller frees it with free. Returns the size, 0
// (buffer null) when the file cannot be opened, the buffer cannot be allocated
// or the read delivers fewer bytes than the size ("[!] Short read of file
// '<path>'.\n"). An empty file also gives 0: use the three-argument form to
// tell it from a failure.
u32 FileSystemLoadFile(const char* path, void*& buffer);
// As above; true for an empty file too (size 0, buffer holding the one 0 byte).
bool FileSystemLoadFile(const char* path, void*& buffer, u32& size);
// Opens for writing through the road and writes once (also when size is 0);
// returns the bytes written.
u32 FileSystemSaveFile(const char* path, const void* buffer, u32 size);
// 0 when the file cannot be opened.
u32 FileSystemGetFileSize(const char* path);
// Returns the bytes written under the destination name.
u32 FileSystemCopyFile(const char* source, const char* destination);
// Reads the file whole through the road and hands the bytes to the memory file
// system, then logs the consumption. Null path, a file already cached ("[!] File
// '<path>' already exists.\n") and an empty or missing file ("[!] File source
// '<path>' not found.\n") give false.
bool FileSystemCacheFile(const char* path);

// A file system already listed is kept once ("[*] Fallback file system already
// queued.\n"), still true; false for null or when the list node cannot be
// allocated.
bool FileSystemAddFallback(zIOBaseFS* fs);
void FileSystemRemoveFallback(zIOBaseFS* fs);
u32 FileSystemGetFallbackCount();

// Appended as given, duplicates kept.
void FileSystemAddSearchPath(const char* path);
void FileSystemSetSearchPaths(const zList<zString>& paths);
u32 FileSystemGetSearchPathCount();

// Back to the start state, for tests: the disk is current, no search paths, no
// fallbacks, the memory store cleared.
void FileSystemReset();
