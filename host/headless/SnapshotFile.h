// A picture file standing for what a display shows (dovel -snapshot FILE).
#pragma once

#include <string>

#include "host/view/ViewBackend.h"

// Decodes the picture at path (a JPEG, PNG, GIF, SVG or WebP file, within
// the limits of the picture decoder), scaled to width x height, into out as
// RGBA rows from the bottom up. False with *error (one line) when it cannot
// be read.
bool LoadSnapshotFile(const std::string& path, int width, int height, SnapshotImage* out, std::string* error);
