// The user's settings: one record per view, filled by the host from the stored
// preferences of module qvDovelSS and read by the scene and the world.
#pragma once

#include <cstdint>

// Background kinds (the values of SETTINGS::BGTYPE and the items of the
// sheet's background pop-up).
enum : int32_t {
    BG_SNAPSHOT = 0,   // snapshot of the display, full screen
    BG_DESKTOP = 1,    // the desktop's picture file, full screen
    BG_SLIDESHOW = 2,  // random picture from BGPath cross-fading with a pack picture
    BG_COLOUR = 3      // plain background colour, no underlay
};

// Size of SETTINGS::BGPath: up to 1023 characters are kept, plus the terminator.
constexpr int kBGPathSize = 1025;
constexpr int kBGPathMaxLength = 1023;

// Fills out (size bytes) with the user's pictures folder, ending in "/":
// $XDG_PICTURES_DIR, else the XDG_PICTURES_DIR line of
// $XDG_CONFIG_HOME/user-dirs.dirs (default ~/.config/user-dirs.dirs), else
// $HOME/Pictures/. Cut to size - 1 characters at most. A user-dirs.dirs that
// is not a regular file (a pipe, a device) is not read; the error hook
// (ERRORBOX) says so.
void DefaultPicturesFolder(char* out, int size);

struct SETTINGS {
    int32_t BGTYPE = BG_SNAPSHOT;
    float BGCR = 0.6f;
    float BGCG = 0.8f;
    float BGCB = 1.0f;
    float HCR = 1.0f;
    float HCG = 0.0f;
    float HCB = 0.0f;
    bool FITSCREEN = true;
    int64_t SETPICDELAY = 20;
    bool RANDOMSHADES = true;
    bool HEARTCOLLISIONS = true;
    bool TRANSPARENTHEARTS = false;
    int64_t SETNUMHEARTS = 200;
    char BGPath[kBGPathSize] = {};
    bool SHOWCOUNTDOWN = true;
    int32_t BGRES = 1;

    // Copies path into BGPath, cut to 1023 characters; null reads as "".
    void SetBGPath(const char* path);
};

// Every field at its default, BGPath the user's pictures folder, looked up
// now (a default-constructed record reads nothing from disk and has an
// empty BGPath).
SETTINGS DefaultSettings();
