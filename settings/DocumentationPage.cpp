#include "settings/DocumentationPage.h"

#include <cstring>
#include <spawn.h>
#include <sys/stat.h>

extern char** environ;

namespace {

bool IsFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}

}  // namespace

std::string DocumentationFile(const std::string& resourcePath) {
    std::string folder = resourcePath;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    // <prefix>/share/dovel/ -> <prefix>/share/
    const std::string own = "/dovel/";
    bool named =
        folder.size() >= own.size() && folder.compare(folder.size() - own.size(), own.size(), own) == 0;
    std::string share = named ? folder.substr(0, folder.size() - own.size() + 1) : folder + "../";
    // The HTML manual, with its pictures; README.md where it is missing.
    for (const char* name : {"manual.html", "README.md"}) {
        std::string file = share + "doc/dovel/" + name;
        if (IsFile(file)) return file;
    }
    return "";
}

std::string FileUri(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : path) {
        if (IsUnreserved(c)) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return uri;
}

bool OpenInBrowser(const std::string& address, pid_t* child, std::string* error) {
    std::string program = "xdg-open", argument = address;
    char* argv[] = {&program[0], &argument[0], nullptr};
    int result = posix_spawnp(child, "xdg-open", nullptr, nullptr, argv, environ);
    if (result == 0) return true;
    *error = std::string("cannot start xdg-open: ") + strerror(result);
    return false;
}
