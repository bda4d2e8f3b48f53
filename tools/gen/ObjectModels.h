// The two static models of the object pack: the arrow (lump 0) and the
// heart (lump 1). Both are designed in world units; the pack stores them at
// the size the scene's Scale call brings back (arrow x 0.05, heart x 0.1).
#pragma once

#include "tools/gen/Mesh.h"

constexpr float kArrowStoredScale = 20.0f;  // the scene scales the arrow by 0.05
constexpr float kHeartStoredScale = 10.0f;  // and the heart by 0.1 (size class 0)

constexpr float kArrowLength = 1.5f;  // world units, tip to nock
constexpr float kHeartWidth = 1.0f;   // world units across at size class 0

// Texture regions of the arrow's picture (texture 4 of the archer pack):
// wood, feather, the heart-shaped head and the gold nock.
struct ArrowAtlas {
    static constexpr float kWoodS0 = 0.0f, kWoodS1 = 0.5f, kWoodT0 = 0.0f, kWoodT1 = 0.5f;
    static constexpr float kFeatherS0 = 0.5f, kFeatherS1 = 1.0f, kFeatherT0 = 0.0f, kFeatherT1 = 0.5f;
    static constexpr float kHeadS0 = 0.0f, kHeadS1 = 0.5f, kHeadT0 = 0.5f, kHeadT1 = 1.0f;
    static constexpr float kGoldS0 = 0.5f, kGoldS1 = 1.0f, kGoldT0 = 0.5f, kGoldT1 = 1.0f;
};

// The arrow, pointing along +z with its origin at the tip: the head is a
// small red heart, the shaft runs back along -z to a gold nock, with three
// feather vanes. `material` is the group's material index.
ModelSheet MakeArrowModel(int material);
// The arrow's parts alone (for the archer's quiver or tests), in world units.
MeshPart ArrowParts(int material);

// The floating heart: rounded, symmetric, smooth, light enough to draw
// hundreds of times a frame.
ModelSheet MakeHeartModel();
