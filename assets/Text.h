// Bitmap text from the font sheet: plain lines (DrawString) and captions
// whose letters fade in one by one, stay, and fade out again.
//
// The font sheet is a grid of 16 columns and 8 rows of equal cells; byte b
// (32 to 127) has glyph code b - 32 and lives in column code % 16 and row
// code / 16, counted from the top-left corner. Letters are drawn as square
// quads of the letter size, advancing by 0.75 of it, the line centred on the
// current origin. Bytes outside 32 to 127 have no glyph: they advance like a
// space and draw nothing.
//
// Both drawing operations translate the current modelview matrix letter by
// letter and leave it so: the caller pushes and pops around each call. They
// expect lighting and depth testing off and 2D texturing on.
#pragma once

#include <cstdint>

#include "maths/NiftyMaths.h"

// Size of one cell of the font sheet in texture units.
extern const float cWidth;   // 1/16
extern const float cHeight;  // 1/8

constexpr int kNumGlyphs = 96;
// (u, v) of each glyph cell's top-left corner: u across from the left edge,
// v down from the top edge. Filled by SetupText; shared by every scene.
extern float FontData[kNumGlyphs][2];

// Fills FontData (the same values every time).
void SetupText();

// Draws text centred on the current origin in red at the given opacity, with
// blending on; leaves blending off and the colour opaque white.
void DrawString(const char* text, float size, float opacity, uint32_t fontTex);

constexpr int kCaptionLength = 80;

struct Caption {
    VECTOR3D col;                 // colour of the letters
    char cap[kCaptionLength];     // the letters, not terminated
    float alpha[kCaptionLength];  // opacity of each letter; below 0 not yet visible
    int32_t length = 0;           // letters held
    float size = 0.0f;            // letter height in overlay units
    bool ACTIVE = false;          // on screen and animated
    float timer = 0.0f;           // seconds of showing left

    Caption();

    // Starts the caption: up to 80 letters of text (the rest is dropped), each
    // with a random start opacity in [-4.49, -2.5] (rand), shown for
    // showTime seconds once visible. Null text reads as empty.
    void Set(const char* text, VECTOR3D colour, float showTime, float letterSize);

    // Advances the fading by step seconds and draws the caption centred on
    // the current origin; switches it off once every letter has faded out
    // after the showing time. Does nothing while not ACTIVE.
    void Draw(uint32_t fontTex, double step);
};
