#include "host/desktop/DesktopPicture.h"

#include <sys/stat.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/FileIO.h"
#include "host/desktop/DesktopSettingsFiles.h"
#include "host/desktop/DesktopSettingsReaders.h"
#include "host/desktop/WlrootsWallpapers.h"

namespace {

enum class Source {
    kGnome,
    kCinnamon,
    kMate,
    kXfce,
    kPlasma,
    kFeh,
    kNitrogen,
    kSwaybg,
    kSway,
    kHyprpaper,
    kNone
};

// The source of the desktop named in $XDG_CURRENT_DESKTOP (a list separated
// by ':', the first name known here wins), or kNone.
Source RunningDesktop(const std::string& currentDesktop) {
    static const struct {
        const char* name;
        Source source;
    } kDesktops[] = {{"GNOME", Source::kGnome},       {"X-Cinnamon", Source::kCinnamon},
                     {"Cinnamon", Source::kCinnamon}, {"MATE", Source::kMate},
                     {"XFCE", Source::kXfce},         {"KDE", Source::kPlasma},
                     {"sway", Source::kSwaybg},       {"Hyprland", Source::kHyprpaper}};
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
        case Source::kSwaybg:
            return SwaybgWallpapers(monitorName, sources.procDir);
        case Source::kSway:
            return SwayWallpapers(monitorName, sources.home, sources.configHome, sources.swaySystemConfig);
        case Source::kHyprpaper:
            return HyprpaperWallpapers(monitorName, sources.configHome);
        case Source::kNone:
            break;
    }
    return {};
}

}  // namespace

// True when GSettings can be read without starting anything: the user's
// settings live in dconf, whose library connects to the session bus and,
// finding none, has one started (dbus-launch and a dbus-daemon that outlive
// the program). A bus is there when its address is set or its socket lies
// in the runtime folder; a settings backend other than dconf needs none.
bool GSettingsReadableWithoutStartingABus() {
    const char* backend = getenv("GSETTINGS_BACKEND");
    if (backend != nullptr && backend[0] != '\0' && std::strcmp(backend, "dconf") != 0) return true;
    const char* address = getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address != nullptr && address[0] != '\0') return true;
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || runtime[0] != '/') return false;
    struct stat info;
    return stat((std::string(runtime) + "/bus").c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

DesktopPictureSources DesktopPictureSourcesFromEnvironment() {
    DesktopPictureSources sources;
    sources.useGSettings = GSettingsReadableWithoutStartingABus();
    sources.home = HomeFolder();
    const char* config = getenv("XDG_CONFIG_HOME");
    sources.configHome = config != nullptr && config[0] == '/' ? config : sources.home + "/.config";
    const char* desktop = getenv("XDG_CURRENT_DESKTOP");
    sources.currentDesktop = desktop != nullptr ? desktop : "";
    return sources;
}

std::string FindDesktopPicture(int monitorIndex, const std::string& monitorName,
                               const DesktopPictureSources& sources) {
    std::vector<Source> order = {Source::kGnome,  Source::kCinnamon, Source::kMate,     Source::kXfce,
                                 Source::kPlasma, Source::kFeh,      Source::kNitrogen, Source::kSwaybg,
                                 Source::kSway,   Source::kHyprpaper};
    Source running = RunningDesktop(sources.currentDesktop);
    auto found = std::find(order.begin(), order.end(), running);
    // On sway, what swaybg shows and then sway's own config.
    auto last = found != order.end() && running == Source::kSwaybg ? found + 2 : found + 1;
    if (found != order.end()) std::rotate(order.begin(), found, last);
    for (Source source : order) {
        for (const std::string& value :
             Wallpapers(source, source == running, monitorIndex, monitorName, sources)) {
            std::string path = ExistingPicture(value, sources.home);
            if (!path.empty()) return path;
        }
    }
    return "";
}
