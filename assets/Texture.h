// The shared image record and the building of GL textures from it.
#pragma once

#include <cstdint>

// A decoded image and, once built, its GL texture. Created empty (no
// pixels, name 0). Cleanup frees the pixels and deletes the GL texture; it
// runs again harmlessly and also runs on destruction, so a table made with
// new Texture[n] is released with delete[]. Delete a table that holds GL
// names while the context that made them is current; a record with name 0
// makes no GL call.
struct Texture {
    uint8_t* imageData = nullptr;  // malloc'd R,G,B(,A) rows, row 0 at the bottom; or null
    uint32_t bpp = 0;              // 24 or 32
    uint32_t width = 0;            // pixels
    uint32_t height = 0;           // pixels
    uint32_t texID = 0;            // GL texture name, 0 for none
    uint32_t type = 0;             // GL_RGB or GL_RGBA

    Texture() = default;
    ~Texture() { Cleanup(); }
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;
    // Moving hands the pixels and the GL name over and leaves the source empty.
    Texture(Texture&& other) noexcept;
    Texture& operator=(Texture&& other) noexcept;

    // Frees the pixels (imageData null) and deletes the GL texture (texID 0).
    void Cleanup();
    // Frees only the pixels.
    void FreePixels();
};

// Alpha modes of BuildTexture.
constexpr int kAlphaOpaque = 0;      // every texel opaque
constexpr int kAlphaColourKey = 1;   // texels equal to the first pixel's colour are transparent
constexpr int kAlphaBrightness = 2;  // alpha is the largest of R, G and B

// Writes width x height RGBA texels made from the decoded pixels of
// texture (R, G, B copied, A by alphaMode) into rgba, which holds width x
// height x 4 bytes. This is what BuildTexture uploads.
void ExpandToRGBA(const Texture& texture, int alphaMode, uint8_t* rgba);

// Makes a GL texture (RGBA, linear filtering, clamped to the edge, no mipmaps) from the
// decoded pixels of texture, with alpha made by alphaMode (the image's own
// alpha is never used), stores its name in texID and frees the pixels.
// Needs a current GL context. False when there are no pixels or the RGBA
// buffer cannot be allocated.
bool BuildTexture(Texture* texture, int alphaMode);

// Like BuildTexture, with the colour of the 24-bit image texture and the
// alpha taken from the first byte of each pixel of the 24-bit image
// alphaImage, which must have the same size. Frees only texture's pixels.
bool BuildTGATextureWithAlpha(Texture* texture, const Texture* alphaImage);
