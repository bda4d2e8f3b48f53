#include "host/DesktopPicture.h"

#include <cstdlib>

DesktopPictureSources DesktopPictureSourcesFromEnvironment() {
    DesktopPictureSources sources;
    const char* home = getenv("HOME");
    sources.home = home != nullptr ? home : "";
    const char* config = getenv("XDG_CONFIG_HOME");
    sources.configHome = config != nullptr && config[0] == '/' ? config : sources.home + "/.config";
    return sources;
}

// Interim: no desktop reader yet, so every view takes the fallback picture.
std::string FindDesktopPicture(int, const std::string&, const DesktopPictureSources&) { return ""; }
