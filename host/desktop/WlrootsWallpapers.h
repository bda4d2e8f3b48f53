// Wallpapers of wlroots sessions (sway, Hyprland, others running swaybg):
// the settings that may name the picture of one output, best first, as
// they stand (paths, "~/..."); the caller takes the first naming an
// existing picture.
#pragma once

#include <string>
#include <vector>

// sway: "output NAME bg FILE MODE" (also "background", and inside an
// "output NAME { ... }" block) of the first config sway would read
// ($XDG_CONFIG_HOME/sway/config, ~/.sway/config, /etc/sway/config),
// following "include" lines (globs, "~", relative to the including file)
// at most 8 deep, with "set $VAR value" applied. This output's last setting
// first, then the last for "*", then the others; colours
// ("solid_color") are left out.
std::vector<std::string> SwayWallpapers(const std::string& outputName, const std::string& home,
                                        const std::string& configHome, const std::string& systemConfig);

// Hyprland's hyprpaper ($XDG_CONFIG_HOME/hypr/hyprpaper.conf):
// "wallpaper = MONITOR,PATH" for this output first, then the one for every
// output (empty MONITOR), then the others, then the "preload" pictures.
std::vector<std::string> HyprpaperWallpapers(const std::string& outputName, const std::string& configHome);

// A running swaybg of this user (the command lines under procDir, normally
// /proc): "-i FILE" after "-o NAME" for this output first, then those for
// every output ("*", or none given), then the others.
std::vector<std::string> SwaybgWallpapers(const std::string& outputName, const std::string& procDir);
