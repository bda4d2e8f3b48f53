// Pixels for the artwork generator: a floating-point RGBA picture and a
// coverage mask, both stored top row first, and the few operations the
// pictures are painted with. Everything here is deterministic: no clock, no
// unseeded randomness; noise comes from a hash of integer coordinates.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// A colour with straight (not premultiplied) alpha, components 0..1.
struct Rgba {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 1.0f;
};

Rgba MakeRgba(int r, int g, int b, float a = 1.0f);  // from 0..255 components
Rgba Mix(Rgba p, Rgba q, float t);                   // p + (q - p) t, every component
Rgba Scaled(Rgba c, float k);                        // colour times k, alpha kept

// A coverage mask: one value 0..1 per pixel, top row first.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<float> v;

    Mask() = default;
    Mask(int w, int h) : width(w), height(h), v(static_cast<size_t>(w) * h, 0.0f) {}
    float& at(int x, int y) { return v[static_cast<size_t>(y) * width + x]; }
    float at(int x, int y) const { return v[static_cast<size_t>(y) * width + x]; }
    // The value at (x, y), or 0 outside the mask.
    float Get(int x, int y) const;
};

// A picture: RGBA, top row first.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgba> px;

    Image() = default;
    Image(int w, int h, Rgba fill = {0, 0, 0, 1})
        : width(w), height(h), px(static_cast<size_t>(w) * h, fill) {}
    Rgba& at(int x, int y) { return px[static_cast<size_t>(y) * width + x]; }
    const Rgba& at(int x, int y) const { return px[static_cast<size_t>(y) * width + x]; }
};

// Coverage of a pixel by a shape whose signed distance (negative inside) at
// the pixel centre is d, for a pixel of size `pixel` in the same units.
float Coverage(float d, float pixel);

// Paints every pixel with `paint` (given the pixel centre's coordinates in
// pixels) over what is there, weighted by the mask value and the paint's
// alpha ("source over").
void PaintMask(Image* image, const Mask& mask, const std::function<Rgba(float x, float y)>& paint);
// Paints `paint` over the whole image.
void PaintAll(Image* image, const std::function<Rgba(float x, float y)>& paint);
// Lays `src` over `dst` with its top-left corner at (x0, y0).
void Composite(Image* dst, const Image& src, int x0, int y0);

// Fills a mask from a signed distance function given in pixel coordinates.
Mask MaskFromDistance(int w, int h, const std::function<float(float x, float y)>& distance);
// Separable box blur of the given radius (in pixels), run `passes` times: a
// cheap approximation of a Gaussian for soft shadows and glows.
Mask BlurMask(const Mask& mask, int radius, int passes);
// Moves the mask by whole pixels (new area is empty).
Mask ShiftMask(const Mask& mask, int dx, int dy);
// Grows the mask: each value becomes the largest within the given radius.
Mask DilateMask(const Mask& mask, int radius);
// min(1, a + b) and a * (1 - b) per pixel.
Mask UnionMask(const Mask& a, const Mask& b);
Mask SubtractMask(const Mask& a, const Mask& b);

// A hash of integer coordinates to 0..1: repeatable noise.
float HashNoise(int x, int y, int seed);
// Smooth value noise (bilinear, smoothstep) at the given cell size.
float ValueNoise(float x, float y, float cell, int seed);

// Image bytes for the encoders. RGB rows from the bottom up, as OpenGL and
// the TGA writer take them, with an ordered dither of one step so that soft
// gradients do not band.
std::vector<uint8_t> BottomUpRgb(const Image& image);
// RGB or RGBA rows from the top down (for PNG), dithered likewise.
std::vector<uint8_t> TopDownBytes(const Image& image, bool alpha);
// One component in 0..1 to a byte, with the dither offset d in -0.5..0.5.
uint8_t ToByte(float v, float d);
