// Readers of the wallpaper settings that desktops and wallpaper setters keep
// in files of their own. Each gives the settings that may name the picture
// of one monitor, best first, as they stand in the file (paths or URIs); the
// caller takes the first that names an existing picture.
#pragma once

#include <string>
#include <vector>

// Splits a shell script (or a shell-like configuration) into commands of
// words, undoing quotes and backslashes. Newlines, ';', '&' and '|' end a
// command; '#' at the start of a word begins a comment.
std::vector<std::vector<std::string>> ShellCommands(const std::string& script);

// Xfce: the "last-image" properties of channel xfce4-desktop
// ($XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml/xfce4-desktop.xml).
// This monitor's (monitor<OUTPUT>, or monitor<INDEX> as older versions name
// it) workspace 0 first, then its other workspaces, then the other monitors'.
std::vector<std::string> XfceWallpapers(int monitorIndex, const std::string& monitorName,
                                        const std::string& configHome);

// KDE Plasma: "Image=" of the wallpaper plugins of the desktop containments
// ($XDG_CONFIG_HOME/plasma-org.kde.plasma.desktop-appletsrc); the
// containment whose lastScreen is this monitor first.
std::vector<std::string> PlasmaWallpapers(int monitorIndex, const std::string& configHome);

// feh: the file arguments of the feh command in ~/.fehbg (shell quoting
// undone). feh gives the monitors the files in order, so this monitor's file
// comes first, then the others.
std::vector<std::string> FehWallpapers(int monitorIndex, const std::string& home);

// nitrogen: "file=" of $XDG_CONFIG_HOME/nitrogen/bg-saved.cfg, section
// [xin_N] of this monitor first, then [xin_-1] (the whole screen), then
// every other section in order.
std::vector<std::string> NitrogenWallpapers(int monitorIndex, const std::string& configHome);
