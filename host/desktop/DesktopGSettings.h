// Wallpaper settings kept in GSettings by GNOME, Cinnamon and MATE, read
// only where the desktop's schema is installed (GSettings aborts the
// program on a schema it does not know).
#pragma once

#include <string>
#include <vector>

// Where the settings are read from: the installed schemas and the user's
// settings backend (dconf), or, for tests, compiled schemas in a folder and
// a GSettings keyfile.
struct GSettingsPlace {
    std::string schemaDir;  // "" for the installed schemas
    std::string keyfile;    // "" for the user's own settings backend
};

// The desktop's wallpaper settings, best first: for GNOME
// org.gnome.desktop.background "picture-uri-dark" when
// org.gnome.desktop.interface "color-scheme" is "prefer-dark", then
// "picture-uri"; for Cinnamon org.cinnamon.desktop.background "picture-uri";
// for MATE org.mate.background "picture-filename". A value the user set is
// always given; the schema's default only when withDefaults is true (the
// desktop is the one running), since a schema installed for some other
// program says nothing about the desktop in use.
std::vector<std::string> GnomeWallpapers(const GSettingsPlace& place, bool withDefaults);
std::vector<std::string> CinnamonWallpapers(const GSettingsPlace& place, bool withDefaults);
std::vector<std::string> MateWallpapers(const GSettingsPlace& place, bool withDefaults);
