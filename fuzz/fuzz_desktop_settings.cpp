// Feeds arbitrary bytes to the desktop wallpaper settings readers: the first
// byte picks the file (Xfce's xfconf XML, Plasma's appletsrc, ~/.fehbg,
// nitrogen's bg-saved.cfg, a GNOME slideshow that nitrogen names, sway's
// config, hyprpaper.conf, or a process's command line for swaybg), the
// second the monitor, the rest is the file. Whatever the lookup returns must
// be an existing regular file whose path holds no NUL.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/FileIO.h"
#include "host/desktop/DesktopPicture.h"

namespace {

std::string home;

const char* const kFiles[] = {"/.config/xfce4/xfconf/xfce-perchannel-xml/xfce4-desktop.xml",
                              "/.config/plasma-org.kde.plasma.desktop-appletsrc",
                              "/.fehbg",
                              "/.config/nitrogen/bg-saved.cfg",
                              "/show.xml",
                              "/.config/sway/config",
                              "/.config/hypr/hyprpaper.conf",
                              "/proc/1/cmdline"};
constexpr size_t kFileCount = sizeof kFiles / sizeof kFiles[0];

void Write(const std::string& path, const void* data, size_t size) {
    if (!WriteFileAtomically(path, std::string(static_cast<const char*>(data), size), nullptr)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char pattern[] = "/tmp/dovel-fuzz-home-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    home = pattern;
    atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(home, ignored);
    });
    for (const char* folder :
         {"/.config", "/.config/xfce4", "/.config/xfce4/xfconf", "/.config/xfce4/xfconf/xfce-perchannel-xml",
          "/.config/nitrogen", "/.config/sway", "/.config/hypr", "/proc", "/proc/1"})
        mkdir((home + folder).c_str(), 0700);
    Write(home + "/picture.jpg", "x", 1);  // a picture the settings may name
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    for (const char* name : kFiles) unlink((home + name).c_str());
    size_t which = data[0] % kFileCount;
    Write(home + kFiles[which], data + 2, size - 2);
    if (which == 4) Write(home + kFiles[3], "[xin_0]\nfile=~/show.xml\n", 24);
    DesktopPictureSources sources;
    sources.home = home;
    sources.configHome = home + "/.config";
    sources.useGSettings = false;
    sources.procDir = home + "/proc";
    sources.swaySystemConfig = home + "/none";
    std::string path = FindDesktopPicture(data[1] % 4, data[1] & 4 ? "eDP-1" : "", sources);
    if (!path.empty() && (path.find('\0') != std::string::npos || !IsRegularFile(path))) std::abort();
    return 0;
}
