// Finding the picture file the desktop shows on a monitor, from the desktop
// environment's own settings (GNOME, Cinnamon, MATE, Xfce, KDE Plasma, feh,
// nitrogen, swaybg, sway, Hyprland's hyprpaper).
#pragma once

#include <string>

#include "host/desktop/DesktopGSettings.h"

// Where the desktop settings are read from. Tests point these at a fake home.
struct DesktopPictureSources {
    std::string home;            // the user's home folder ($HOME)
    std::string configHome;      // $XDG_CONFIG_HOME, else home + "/.config"
    std::string currentDesktop;  // $XDG_CURRENT_DESKTOP, e.g. "GNOME" or "ubuntu:GNOME"
    std::string swaySystemConfig = "/etc/sway/config";
    std::string procDir = "/proc";  // where a running swaybg is looked for
    bool useGSettings = true;       // read GNOME, Cinnamon and MATE through GSettings
    GSettingsPlace gsettings;       // where GSettings reads from (the user's own by default)
};

// The sources of the running user, from the environment. GSettings is left
// out where reading it would start a session bus: without one, the user's
// dconf settings are not read (no process is ever left behind).
DesktopPictureSources DesktopPictureSourcesFromEnvironment();

// The path of an existing picture file that the desktop shows on the monitor
// with index monitorIndex (RandR output name monitorName, may be empty), or ""
// when no desktop setting names one; the caller then falls back to the
// distribution's default wallpaper and Dovel's own picture.
//
// The settings are tried in this order, the running desktop's own (from
// currentDesktop) moved to the front: GNOME, Cinnamon, MATE, Xfce, KDE
// Plasma, ~/.fehbg, nitrogen, a running swaybg, sway's config, hyprpaper
// (on sway the running swaybg and then sway's config come first). A setting naming a missing file is passed
// over. The GSettings schemas' defaults count only for the running desktop.
std::string FindDesktopPicture(int monitorIndex, const std::string& monitorName,
                               const DesktopPictureSources& sources);
