// What an output shows, copied by the compositor into shared memory through
// the wlroots screen copy (sway, Hyprland, other wlroots compositors).
#pragma once

#include "host/view/ViewBackend.h"
#include "host/wayland/WaylandDisplay.h"

// Copies the output with index outputIndex as 8-bit RGBA rows from the
// bottom up, at its size in pixels. False where the compositor offers no
// screen copy, refuses, or sends a frame in a format not read here.
bool CopyOutput(WaylandDisplay* d, int outputIndex, SnapshotImage* out);
