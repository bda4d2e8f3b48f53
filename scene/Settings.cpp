#include "scene/Settings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Copies text into out (size bytes), cut to size - 1 characters, and makes
// sure a non-empty folder ends in "/" when there is room for it.
void CopyFolder(char* out, int size, const std::string& text) {
    if (size <= 0) return;
    std::string folder = text;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    size_t n = folder.size() < static_cast<size_t>(size - 1) ? folder.size() : static_cast<size_t>(size - 1);
    memcpy(out, folder.data(), n);
    out[n] = '\0';
}

std::string HomeFolder() {
    const char* home = getenv("HOME");
    return home != nullptr ? home : "";
}

// Reads XDG_PICTURES_DIR="..." from a user-dirs.dirs file; "$HOME" at the
// start of the value stands for the home folder. Empty when absent.
std::string PicturesFromUserDirs(const std::string& file) {
    FILE* f = fopen(file.c_str(), "r");
    if (f == nullptr) return "";
    std::string result;
    char line[2048];
    const char key[] = "XDG_PICTURES_DIR=";
    while (fgets(line, sizeof line, f) != nullptr) {
        const char* p = line;
        while (*p == ' ' || *p == '\t') ++p;
        if (strncmp(p, key, sizeof key - 1) != 0) continue;
        p += sizeof key - 1;
        std::string value = p;
        while (!value.empty() && (value.back() == '\n' || value.back() == '\r')) value.pop_back();
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.compare(0, 5, "$HOME") == 0) value = HomeFolder() + value.substr(5);
        result = value;
    }
    fclose(f);
    return result;
}

std::string UserDirsFile() {
    const char* config = getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') return std::string(config) + "/user-dirs.dirs";
    return HomeFolder() + "/.config/user-dirs.dirs";
}

}  // namespace

void DefaultPicturesFolder(char* out, int size) {
    const char* env = getenv("XDG_PICTURES_DIR");
    std::string folder = env != nullptr ? env : "";
    if (folder.empty()) folder = PicturesFromUserDirs(UserDirsFile());
    if (folder.empty()) folder = HomeFolder() + "/Pictures/";
    CopyFolder(out, size, folder);
}

void SETTINGS::SetBGPath(const char* path) {
    if (path == nullptr) path = "";
    size_t n = strnlen(path, kBGPathMaxLength);
    memcpy(BGPath, path, n);
    BGPath[n] = '\0';
}
