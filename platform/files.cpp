#include "platform/files.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

OsPathKind OsGetPathKind(const char* path) {
    if (!path || !*path) return OsPathKind::Missing;
    struct stat info;
    if (stat(path, &info) != 0) return OsPathKind::Missing;
    if (S_ISREG(info.st_mode)) return OsPathKind::File;
    if (S_ISDIR(info.st_mode)) return OsPathKind::Directory;
    return OsPathKind::Other;
}

bool OsSetCurrentDirectory(const char* path) {
    return path && chdir(path) == 0;
}

std::string OsExecutablePath() {
    std::string path(256, '\0');
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", &path[0], path.size());
        if (length < 0) return std::string();
        if (size_t(length) < path.size()) {
            path.resize(size_t(length));
            return path;
        }
        path.resize(path.size() * 2);
    }
}

bool OsListDirectory(const char* directory, std::vector<OsDirectoryEntry>& out) {
    if (!directory) return false;
    DIR* dir = opendir(*directory ? directory : ".");
    if (!dir) return false;
    while (struct dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        bool isDirectory = false;
        if (entry->d_type == DT_DIR) {
            isDirectory = true;
        } else if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            std::string full = std::string(*directory ? directory : ".") + "/" + entry->d_name;
            isDirectory = OsGetPathKind(full.c_str()) == OsPathKind::Directory;
        }
        out.push_back(OsDirectoryEntry{entry->d_name, isDirectory});
    }
    closedir(dir);
    return true;
}

bool OsMatchPattern(const char* pattern, const char* name, bool ignoreCase) {
    if (!pattern || !name) return false;
    return fnmatch(pattern, name, ignoreCase ? FNM_CASEFOLD : 0) == 0;
}
