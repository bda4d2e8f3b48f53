// Turning a snapshot of the display into the desktop background texture.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/view/ViewBackend.h"

// Largest texture side for a snapshot detail: 512 for 0, 1024 for 1, the
// GL implementation's largest for any other.
int SnapshotMaxSide(int detail, int glMaxTextureSize);

// The power of two nearest to side on a logarithmic scale (1440 gives 1024,
// 600 gives 512, 768 gives 1024), limited to maxSide.
int SnapshotTextureSide(int side, int maxSide);

// True when red, green and blue are 0 in every one of the pixels (alpha is
// not considered): a display whose contents are not delivered reads black.
bool IsAllBlack(const uint8_t* rgba, size_t pixels);

// Scales shot into a power-of-two RGBA texture bound to *name (a name is
// generated when *name is 0), clamped to the edge, linear, no mipmaps. When the shot is
// empty or malformed, cannot be scaled, or is all black, the texture is
// deleted and *name is 0. Needs the view's GL context current.
void BuildSnapshotTexture(const SnapshotImage& shot, int detail, uint32_t* name);
