#include "host/desktop/DesktopPicture.h"

#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "base/FileIO.h"
#include "host/desktop/DesktopSettingsFiles.h"
#include "host/desktop/DesktopSettingsReaders.h"

namespace {

enum class Source { kGnome, kCinnamon, kMate, kXfce, kPlasma, kFeh, kNitrogen, kNone };

// The source of the desktop named in $XDG_CURRENT_DESKTOP (a list separated
// by ':', the first name known here wins), or kNone.
Source RunningDesktop(const std::string& currentDesktop) {
    static const struct {
        const char* name;
        Source source;
    } kDesktops[] = {{"GNOME", Source::kGnome},       {"X-Cinnamon", Source::kCinnamon},
                     {"Cinnamon", Source::kCinnamon}, {"MATE", Source::kMate},
                     {"XFCE", Source::kXfce},         {"KDE", Source::kPlasma}};
    size_t from = 0;
    while (from <= currentDesktop.size()) {
        size_t end = std::min(currentDesktop.find(':', from), currentDesktop.size());
        std::string name = currentDesktop.substr(from, end - from);
        for (const auto& desktop : kDesktops)
            if (strcasecmp(name.c_str(), desktop.name) == 0) return desktop.source;
        from = end + 1;
    }
    return Source::kNone;
}

std::vector<std::string> Wallpapers(Source source, bool running, int monitorIndex,
                                    const std::string& monitorName, const DesktopPictureSources& sources) {
    bool gsettings = sources.useGSettings;
    switch (source) {
        case Source::kGnome:
            return gsettings ? GnomeWallpapers(sources.gsettings, running) : std::vector<std::string>{};
        case Source::kCinnamon:
            return gsettings ? CinnamonWallpapers(sources.gsettings, running) : std::vector<std::string>{};
        case Source::kMate:
            return gsettings ? MateWallpapers(sources.gsettings, running) : std::vector<std::string>{};
        case Source::kXfce:
            return XfceWallpapers(monitorIndex, monitorName, sources.configHome);
        case Source::kPlasma:
            return PlasmaWallpapers(monitorIndex, sources.configHome);
        case Source::kFeh:
            return FehWallpapers(monitorIndex, sources.home);
        case Source::kNitrogen:
            return NitrogenWallpapers(monitorIndex, sources.configHome);
        case Source::kNone:
            break;
    }
    return {};
}

}  // namespace

DesktopPictureSources DesktopPictureSourcesFromEnvironment() {
    DesktopPictureSources sources;
    sources.home = HomeFolder();
    const char* config = getenv("XDG_CONFIG_HOME");
    sources.configHome = config != nullptr && config[0] == '/' ? config : sources.home + "/.config";
    const char* desktop = getenv("XDG_CURRENT_DESKTOP");
    sources.currentDesktop = desktop != nullptr ? desktop : "";
    return sources;
}

std::string FindDesktopPicture(int monitorIndex, const std::string& monitorName,
                               const DesktopPictureSources& sources) {
    std::vector<Source> order = {Source::kGnome,  Source::kCinnamon, Source::kMate,    Source::kXfce,
                                 Source::kPlasma, Source::kFeh,      Source::kNitrogen};
    Source running = RunningDesktop(sources.currentDesktop);
    auto found = std::find(order.begin(), order.end(), running);
    if (found != order.end()) std::rotate(order.begin(), found, found + 1);
    for (Source source : order) {
        for (const std::string& value :
             Wallpapers(source, source == running, monitorIndex, monitorName, sources)) {
            std::string path = ExistingPicture(value, sources.home);
            if (!path.empty()) return path;
        }
    }
    return "";
}
