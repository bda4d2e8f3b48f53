#include "host/ResourcePath.h"

#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace {

std::string Canonical(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    if (real == nullptr) return path;
    std::string result = real;
    free(real);
    return result;
}

}  // namespace

std::string ResourceFolderFor(const std::string& exePath) {
    size_t slash = exePath.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : exePath.substr(0, slash);
    if (folder.empty()) folder = "/";
    std::string data = Canonical(folder + "/../share/dovel");
    if (data.empty() || data.back() != '/') data += '/';
    return data;
}

std::string ResourceFolderOfExecutable() {
    char exe[PATH_MAX + 1];
    ssize_t n = readlink("/proc/self/exe", exe, PATH_MAX);
    if (n <= 0) return ResourceFolderFor("./dovel");
    exe[n] = '\0';
    return ResourceFolderFor(exe);
}
