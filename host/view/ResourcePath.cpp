#include "host/view/ResourcePath.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

namespace {

// The path with symbolic links and ".." resolved when it exists, else with
// "." and ".." taken out as written.
std::string Canonical(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    if (real == nullptr) return std::filesystem::path(path).lexically_normal().string();
    std::string result = real;
    free(real);
    return result;
}

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool IsFolder(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string RunningExecutable() {
    char exe[PATH_MAX + 1];
    ssize_t n = readlink("/proc/self/exe", exe, PATH_MAX);
    if (n <= 0) return "./dovel";
    exe[n] = '\0';
    return exe;
}

std::string DataDirFromEnvironment() {
    const char* dir = getenv("DOVEL_DATA_DIR");
    return dir != nullptr ? dir : "";
}

}  // namespace

std::vector<std::string> ResourceFolderCandidates(const std::string& exePath,
                                                  const std::string& dataDirOverride) {
    if (!dataDirOverride.empty()) return {WithSlash(Canonical(dataDirOverride))};
    std::string folder = FolderOf(exePath);
    // bin/ -> ../share/dovel; libexec/xscreensaver/ -> ../../share/dovel.
    std::vector<std::string> candidates{WithSlash(Canonical(folder + "/../share/dovel"))};
    std::string higher = WithSlash(Canonical(folder + "/../../share/dovel"));
    if (higher != candidates.front()) candidates.push_back(higher);
    return candidates;
}

bool FindResourceFolder(const std::string& exePath, const std::string& dataDirOverride, std::string* folder,
                        std::string* error) {
    std::vector<std::string> candidates = ResourceFolderCandidates(exePath, dataDirOverride);
    for (const std::string& candidate : candidates) {
        if (IsFolder(candidate)) {
            *folder = candidate;
            return true;
        }
    }
    if (!dataDirOverride.empty()) {
        *error = "data folder " + candidates.front() + " (named by DOVEL_DATA_DIR) does not exist";
        return false;
    }
    std::string where;
    for (const std::string& candidate : candidates) where += (where.empty() ? "" : " and ") + candidate;
    *error = "data folder not found: looked in " + where + " (reinstall dovel or set DOVEL_DATA_DIR)";
    return false;
}

bool LocateResourceFolder(std::string* folder, std::string* error) {
    return FindResourceFolder(RunningExecutable(), DataDirFromEnvironment(), folder, error);
}

std::string ResourceFolderOfExecutable() {
    std::string folder, error;
    if (LocateResourceFolder(&folder, &error)) return folder;
    return ResourceFolderCandidates(RunningExecutable(), DataDirFromEnvironment()).front();
}

std::string ResourceFolderFor(const std::string& exePath) {
    std::string folder = FolderOf(exePath) + "/../share/dovel";
    char* real = realpath(folder.c_str(), nullptr);
    if (real != nullptr) {
        folder = real;
        free(real);
    }
    return WithSlash(folder);
}
