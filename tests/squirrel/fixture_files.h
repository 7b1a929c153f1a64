// The script fixtures in SQ_SCRIPTS and whole files read into strings.
#pragma once

#include <algorithm>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// The names, without ".nut", of the fixtures in SQ_SCRIPTS, sorted.
inline std::vector<std::string> ScriptNames() {
    std::vector<std::string> names;
    if (DIR *dir = opendir(SQ_SCRIPTS)) {
        while (dirent *e = readdir(dir)) {
            std::string n = e->d_name;
            if (n.size() > 4 && n.compare(n.size() - 4, 4, ".nut") == 0) names.push_back(n.substr(0, n.size() - 4));
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The bytes of the file at path; empty, with found false, when it cannot be opened.
inline std::string ReadFile(const std::string &path, bool *found = nullptr) {
    std::ifstream in(path, std::ios::binary);
    if (found) *found = (bool)in;
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
