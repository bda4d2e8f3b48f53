#include "scene/Settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "assets/Alerts.h"

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

// A user-dirs.dirs file larger than this is not read.
constexpr off_t kMaxUserDirsBytes = 64 * 1024;

// Opens file for reading only when it is a regular file of a sane size: the
// open does not wait on a pipe or a device, and nothing else is read.
FILE* OpenRegularFile(const std::string& file) {
    int fd = open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kMaxUserDirsBytes) {
        close(fd);
        ERRORBOX((file + ": not a regular file of at most 64 KiB; not read").c_str());
        return nullptr;
    }
    FILE* f = fdopen(fd, "r");
    if (f == nullptr) close(fd);
    return f;
}

// Reads XDG_PICTURES_DIR="..." from a user-dirs.dirs file; "$HOME" at the
// start of the value stands for the home folder. Empty when absent.
std::string PicturesFromUserDirs(const std::string& file) {
    FILE* f = OpenRegularFile(file);
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

SETTINGS DefaultSettings() {
    SETTINGS defaults;
    DefaultPicturesFolder(defaults.BGPath, kBGPathSize);
    return defaults;
}

void SETTINGS::SetBGPath(const char* path) {
    if (path == nullptr) path = "";
    size_t n = strnlen(path, kBGPathMaxLength);
    memcpy(BGPath, path, n);
    BGPath[n] = '\0';
}
