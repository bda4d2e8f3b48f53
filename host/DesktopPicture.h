// Finding the picture file the desktop shows on a monitor, from the desktop
// environment's own settings (GNOME, Cinnamon, MATE, Xfce, KDE Plasma, feh,
// nitrogen).
#pragma once

#include <string>

// Where the desktop settings are read from. Tests point these at a fake home.
struct DesktopPictureSources {
    std::string home;        // the user's home folder ($HOME)
    std::string configHome;  // $XDG_CONFIG_HOME, else home + "/.config"
    bool useGSettings = true;  // read GNOME, Cinnamon and MATE through GSettings
};

// The sources of the running user, from the environment.
DesktopPictureSources DesktopPictureSourcesFromEnvironment();

// The path of an existing picture file that the desktop shows on the monitor
// with index monitorIndex (RandR output name monitorName, may be empty), or ""
// when no desktop setting names one; the caller then falls back to the
// distribution's default wallpaper and Dovel's own picture.
std::string FindDesktopPicture(int monitorIndex, const std::string& monitorName,
                               const DesktopPictureSources& sources);
