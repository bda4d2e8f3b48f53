#include "scene/Settings.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "assets/Alerts.h"
#include "base/FileIO.h"
#include "base/Text.h"

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

// A user-dirs.dirs file larger than this is not read.
constexpr uint64_t kMaxUserDirsBytes = 64 * 1024;

// Reads XDG_PICTURES_DIR="..." from a user-dirs.dirs file; "$HOME" at the
// start of the value stands for the home folder. Empty when absent. Only a
// regular file of a sane size is read: a pipe or a device is not waited on.
std::string PicturesFromUserDirs(const std::string& file) {
    std::string text, error;
    if (ReadFileText(file, &text, &error, kMaxUserDirsBytes) == ReadStatus::kRefused)
        ERRORBOX((error + "; not read").c_str());
    std::string result;
    const std::string key = "XDG_PICTURES_DIR=";
    for (size_t from = 0; from < text.size();) {
        size_t end = text.find('\n', from);
        if (end == std::string::npos) end = text.size();
        std::string line = Trim(text.substr(from, end - from));
        from = end + 1;
        if (line.compare(0, key.size(), key) != 0) continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.compare(0, 5, "$HOME") == 0) value = HomeFolder() + value.substr(5);
        result = value;
    }
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
