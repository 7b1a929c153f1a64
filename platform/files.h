// Thin POSIX file and directory calls for the disk file system: path kinds,
// the working directory, directory enumeration, the program's own path and
// shell-pattern matching.
// Paths are host paths with '/' separators; nothing here logs.
#pragma once

#include <string>
#include <vector>

enum class OsPathKind { Missing, File, Directory, Other };

// What lies at the path (symbolic links followed).
OsPathKind OsGetPathKind(const char* path);

// chdir; true on success.
bool OsSetCurrentDirectory(const char* path);

struct OsDirectoryEntry {
    std::string name;
    bool isDirectory;
};

// Every entry of the directory except "." and "..", in the order the system
// gives them. False when the directory cannot be opened.
bool OsListDirectory(const char* directory, std::vector<OsDirectoryEntry>& out);

// The running program's own file (/proc/self/exe, links resolved as the
// kernel gives them); empty when the system does not tell.
std::string OsExecutablePath();

// fnmatch; ignoreCase folds ASCII letters. Leading dots match '*' like any
// other character, as on the original platform.
bool OsMatchPattern(const char* pattern, const char* name, bool ignoreCase);
