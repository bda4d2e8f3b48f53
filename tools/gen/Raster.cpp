#include "tools/gen/Raster.h"

#include <algorithm>
#include <cmath>

Rgba MakeRgba(int r, int g, int b, float a) {
    return {r / 255.0f, g / 255.0f, b / 255.0f, a};
}

Rgba Mix(Rgba p, Rgba q, float t) {
    return {p.r + (q.r - p.r) * t, p.g + (q.g - p.g) * t, p.b + (q.b - p.b) * t, p.a + (q.a - p.a) * t};
}

Rgba Scaled(Rgba c, float k) {
    return {c.r * k, c.g * k, c.b * k, c.a};
}

float Mask::Get(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0.0f;
    return at(x, y);
}

float Coverage(float d, float pixel) {
    return std::clamp(0.5f - d / pixel, 0.0f, 1.0f);
}

namespace {

void Over(Rgba* dst, Rgba src, float weight) {
    float a = std::clamp(src.a * weight, 0.0f, 1.0f);
    if (a <= 0.0f) return;
    float outA = a + dst->a * (1.0f - a);
    if (outA <= 0.0f) return;
    float k = dst->a * (1.0f - a);
    dst->r = (src.r * a + dst->r * k) / outA;
    dst->g = (src.g * a + dst->g * k) / outA;
    dst->b = (src.b * a + dst->b * k) / outA;
    dst->a = outA;
}

}  // namespace

void PaintMask(Image* image, const Mask& mask, const std::function<Rgba(float x, float y)>& paint) {
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            float m = mask.Get(x, y);
            if (m <= 0.0f) continue;
            Over(&image->at(x, y), paint(x + 0.5f, y + 0.5f), m);
        }
    }
}

void PaintAll(Image* image, const std::function<Rgba(float x, float y)>& paint) {
    for (int y = 0; y < image->height; ++y)
        for (int x = 0; x < image->width; ++x) Over(&image->at(x, y), paint(x + 0.5f, y + 0.5f), 1.0f);
}

void Composite(Image* dst, const Image& src, int x0, int y0) {
    for (int y = 0; y < src.height; ++y) {
        for (int x = 0; x < src.width; ++x) {
            int tx = x0 + x;
            int ty = y0 + y;
            if (tx < 0 || ty < 0 || tx >= dst->width || ty >= dst->height) continue;
            Over(&dst->at(tx, ty), src.at(x, y), 1.0f);
        }
    }
}

Mask MaskFromDistance(int w, int h, const std::function<float(float x, float y)>& distance) {
    Mask m(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) m.at(x, y) = Coverage(distance(x + 0.5f, y + 0.5f), 1.0f);
    return m;
}

namespace {

// One box-blur pass along rows (horizontal) or columns.
Mask BoxPass(const Mask& in, int radius, bool horizontal) {
    Mask out(in.width, in.height);
    float scale = 1.0f / (2 * radius + 1);
    int lines = horizontal ? in.height : in.width;
    int length = horizontal ? in.width : in.height;
    for (int line = 0; line < lines; ++line) {
        auto get = [&](int i) { return horizontal ? in.Get(i, line) : in.Get(line, i); };
        float sum = 0.0f;
        for (int i = -radius; i <= radius; ++i) sum += get(i);
        for (int i = 0; i < length; ++i) {
            float& dst = horizontal ? out.at(i, line) : out.at(line, i);
            dst = sum * scale;
            sum += get(i + radius + 1) - get(i - radius);
        }
    }
    return out;
}

}  // namespace

Mask BlurMask(const Mask& mask, int radius, int passes) {
    Mask m = mask;
    for (int p = 0; p < passes; ++p) m = BoxPass(BoxPass(m, radius, true), radius, false);
    return m;
}

Mask ShiftMask(const Mask& mask, int dx, int dy) {
    Mask out(mask.width, mask.height);
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) out.at(x, y) = mask.Get(x - dx, y - dy);
    return out;
}

Mask DilateMask(const Mask& mask, int radius) {
    Mask out(mask.width, mask.height);
    for (int y = 0; y < mask.height; ++y) {
        for (int x = 0; x < mask.width; ++x) {
            float best = 0.0f;
            for (int j = -radius; j <= radius; ++j)
                for (int i = -radius; i <= radius; ++i)
                    if (i * i + j * j <= radius * radius) best = std::max(best, mask.Get(x + i, y + j));
            out.at(x, y) = best;
        }
    }
    return out;
}

Mask UnionMask(const Mask& a, const Mask& b) {
    Mask out = a;
    for (size_t i = 0; i < out.v.size(); ++i) out.v[i] = std::min(1.0f, a.v[i] + b.v[i]);
    return out;
}

Mask SubtractMask(const Mask& a, const Mask& b) {
    Mask out = a;
    for (size_t i = 0; i < out.v.size(); ++i) out.v[i] = a.v[i] * (1.0f - b.v[i]);
    return out;
}

float HashNoise(int x, int y, int seed) {
    uint32_t h = static_cast<uint32_t>(x) * 0x8DA6B343u ^ static_cast<uint32_t>(y) * 0xD8163841u ^
                 static_cast<uint32_t>(seed) * 0xCB1AB31Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return (h & 0xFFFFFFu) / 16777215.0f;
}

float ValueNoise(float x, float y, float cell, int seed) {
    float fx = x / cell;
    float fy = y / cell;
    int ix = static_cast<int>(std::floor(fx));
    int iy = static_cast<int>(std::floor(fy));
    float tx = fx - ix;
    float ty = fy - iy;
    tx = tx * tx * (3.0f - 2.0f * tx);
    ty = ty * ty * (3.0f - 2.0f * ty);
    float a = HashNoise(ix, iy, seed);
    float b = HashNoise(ix + 1, iy, seed);
    float c = HashNoise(ix, iy + 1, seed);
    float d = HashNoise(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

namespace {

// 4 x 4 ordered dither, offsets in -0.5..0.5.
float DitherAt(int x, int y) {
    static const int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return (kBayer[y & 3][x & 3] + 0.5f) / 16.0f - 0.5f;
}

}  // namespace

uint8_t ToByte(float v, float d) {
    float scaled = std::floor(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f + d);
    return static_cast<uint8_t>(std::clamp(scaled, 0.0f, 255.0f));
}

std::vector<uint8_t> BottomUpRgb(const Image& image) {
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(image.width) * image.height * 3);
    for (int row = image.height - 1; row >= 0; --row) {
        for (int x = 0; x < image.width; ++x) {
            const Rgba& c = image.at(x, row);
            float d = DitherAt(x, row);
            out.push_back(ToByte(c.r, d));
            out.push_back(ToByte(c.g, d));
            out.push_back(ToByte(c.b, d));
        }
    }
    return out;
}

std::vector<uint8_t> TopDownBytes(const Image& image, bool alpha) {
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(image.width) * image.height * (alpha ? 4 : 3));
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const Rgba& c = image.at(x, y);
            float d = DitherAt(x, y);
            out.push_back(ToByte(c.r, d));
            out.push_back(ToByte(c.g, d));
            out.push_back(ToByte(c.b, d));
            if (alpha) out.push_back(ToByte(c.a, 0.0f));
        }
    }
    return out;
}
