#include "settings/DocumentationPage.h"

#include <cstring>
#include <spawn.h>

#include "base/FileIO.h"
#include "base/Text.h"

extern char** environ;

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
        if (IsRegularFile(file)) return file;
    }
    return "";
}

std::string FileUri(const std::string& path) {
    return "file://" + PercentEncode(path, "/");
}

bool OpenInBrowser(const std::string& address, pid_t* child, std::string* error) {
    std::string program = "xdg-open", argument = address;
    char* argv[] = {&program[0], &argument[0], nullptr};
    int result = posix_spawnp(child, "xdg-open", nullptr, nullptr, argv, environ);
    if (result == 0) return true;
    *error = std::string("cannot start xdg-open: ") + strerror(result);
    return false;
}
