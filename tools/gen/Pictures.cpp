#include "tools/gen/Pictures.h"

#include <algorithm>
#include <cmath>

#include "tools/gen/Shapes.h"

namespace {

struct Dir {
    float x, y, z;
};

Dir Normalised(float x, float y, float z) {
    float l = std::sqrt(x * x + y * y + z * z);
    return {x / l, y / l, z / l};
}

float Dot(Dir a, Dir b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Brightness of the surrounding seen along the eye-space direction r: a
// bright sky above, a softer floor below, a brighter ring behind the
// object (what grazing reflections see) and two lamps, one where the
// scene's light sits (above and behind the viewer).
float Surroundings(Dir r) {
    float sky = 0.9f + 0.1f * Smoothstep(0.0f, 0.9f, r.y);
    float floor = 0.7f + 0.08f * Smoothstep(-1.0f, -0.3f, r.y);
    float e = floor + (sky - floor) * Smoothstep(-0.35f, 0.25f, r.y);
    e *= 0.82f + 0.26f * Smoothstep(0.2f, -0.85f, r.z);
    e += 0.55f * Smoothstep(0.90f, 0.975f, Dot(r, Normalised(0.0f, 1.0f, 1.0f)));
    e += 0.45f * Smoothstep(0.965f, 0.99f, Dot(r, Normalised(0.75f, 0.35f, 0.6f)));
    return Clamp01(e);
}

}  // namespace

Image MakeHeartSphereMap(int size) {
    Image image(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            // Texel to the sphere-map disc: s across, t up (row 0 is the top).
            float nx = 2.0f * (x + 0.5f) / size - 1.0f;
            float ny = 1.0f - 2.0f * (y + 0.5f) / size;
            float rr = nx * nx + ny * ny;
            if (rr > 0.998f) {
                float k = std::sqrt(0.998f / rr);
                nx *= k;
                ny *= k;
                rr = 0.998f;
            }
            float nz = std::sqrt(1.0f - rr);
            Dir r{2.0f * nz * nx, 2.0f * nz * ny, 2.0f * nz * nz - 1.0f};
            float e = Surroundings(r);
            image.at(x, y) = {e, e * 0.98f, e * 0.97f, 1.0f};
        }
    }
    return image;
}

namespace {

const Rgba kBlushLight = MakeRgba(255, 236, 232);
const Rgba kBlushDeep = MakeRgba(232, 120, 150);
const Rgba kHeartRed = MakeRgba(236, 34, 74);
const Rgba kHeartDark = MakeRgba(160, 8, 44);
const Rgba kGold = MakeRgba(246, 196, 90);
const Rgba kGoldDark = MakeRgba(196, 136, 40);
const Rgba kCream = MakeRgba(255, 249, 238);

// Soft round "bokeh" hearts scattered over a picture.
void PaintFloatingHearts(Image* image, int count, float minSize, float maxSize, Rgba colour, int seed) {
    for (int i = 0; i < count; ++i) {
        float cx = HashNoise(i, 1, seed) * image->width;
        float cy = HashNoise(i, 2, seed) * image->height;
        float size = minSize + (maxSize - minSize) * HashNoise(i, 3, seed);
        float alpha = colour.a * (0.35f + 0.65f * HashNoise(i, 4, seed));
        float soft = size * 0.12f;
        int x0 = std::max(0, static_cast<int>(cx - size));
        int x1 = std::min(image->width, static_cast<int>(cx + size) + 1);
        int y0 = std::max(0, static_cast<int>(cy - size));
        int y1 = std::min(image->height, static_cast<int>(cy + size) + 1);
        Rgba c = colour;
        c.a = alpha;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                float d = HeartDistance(x + 0.5f, y + 0.5f, cx, cy, size);
                float m = Coverage(d, soft * 2.0f);
                if (m <= 0.0f) continue;
                Rgba& dst = image->at(x, y);
                dst = Mix(dst, {c.r, c.g, c.b, 1.0f}, m * c.a);
            }
        }
    }
}

void PaintGlossyHeart(Image* image, float cx, float cy, float size) {
    int w = image->width, h = image->height;
    // A soft shadow under the heart.
    Mask shadow = BlurMask(
        MaskFromDistance(w, h,
                         [&](float x, float y) { return HeartDistance(x, y, cx, cy + size * 0.04f, size); }),
        static_cast<int>(size * 0.035f) + 1, 3);
    PaintMask(image, shadow, [](float, float) { return MakeRgba(120, 10, 40, 0.45f); });
    Mask rim = MaskFromDistance(
        w, h, [&](float x, float y) { return HeartDistance(x, y, cx, cy, size) - size * 0.025f; });
    PaintMask(image, rim,
              [&](float, float y) { return Mix(kGold, kGoldDark, Clamp01((y - cy) / size + 0.5f)); });
    Mask heart = MaskFromDistance(w, h, [&](float x, float y) { return HeartDistance(x, y, cx, cy, size); });
    PaintMask(image, heart, [&](float x, float y) {
        float d = -HeartDistance(x, y, cx, cy, size) / size;  // depth inside, 0 at the edge
        float t = Clamp01((y - (cy - 0.55f * size)) / (1.1f * size));
        Rgba c = Mix(kHeartRed, kHeartDark, t * 0.8f);
        c = Mix(Scaled(c, 0.7f), c, Smoothstep(0.0f, 0.12f, d));  // rounded edge
        // Broad sheen from the upper left and a crisp highlight on the lobe.
        float sheen =
            Clamp01(1.0f - std::hypot(x - (cx - 0.2f * size), y - (cy - 0.22f * size)) / (0.45f * size));
        c = Mix(c, MakeRgba(255, 120, 150), sheen * sheen * 0.55f);
        // A window-shaped gloss on the left lobe: a slanted oval.
        float gx = (x - (cx - 0.25f * size)) / (0.09f * size),
              gy = (y - (cy - 0.29f * size)) / (0.05f * size);
        float rx = gx * 0.8f + gy * 0.6f, ry = -gx * 0.6f + gy * 0.8f;
        float spot = (std::sqrt(rx * rx + ry * ry * 2.2f) - 1.0f) * 0.05f * size;
        c = Mix(c, kCream, Coverage(spot, 1.2f) * 0.8f);
        return c;
    });
}

void PaintFrame(Image* image, float inset, float radius) {
    int w = image->width, h = image->height;
    float cx = w * 0.5f, cy = h * 0.5f;
    Mask frame = MaskFromDistance(w, h, [&](float x, float y) {
        float d = RoundedBoxDistance(x, y, cx, cy, cx - inset, cy - inset, radius);
        return std::fabs(d) - 1.6f;
    });
    PaintMask(image, frame, [&](float, float y) { return Mix(kGold, kGoldDark, y / h); });
}

void PaintGreeting(Image* image, FontFace* script, float cx, float cy, float size) {
    int w = image->width, h = image->height;
    Mask text(w, h);
    float big = size * 0.185f;
    float small = size * 0.13f;
    DrawTextCentred(script, &text, "Be my", cx, cy - size * 0.06f, small);
    DrawTextCentred(script, &text, "Valentine", cx, cy + size * 0.16f, big);
    Mask shadow = BlurMask(ShiftMask(text, 0, static_cast<int>(size * 0.012f) + 1), 2, 2);
    PaintMask(image, shadow, [](float, float) { return MakeRgba(90, 0, 25, 0.6f); });
    PaintMask(image, text, [&](float, float y) {
        return Mix(kCream, MakeRgba(255, 222, 170), Clamp01((y - cy) / size + 0.3f));
    });
}

}  // namespace

Image MakePartnerPicture(FontFace* script, int size) {
    Image image(size, size);
    float c = size * 0.5f;
    PaintAll(&image, [&](float x, float y) {
        float d = std::hypot(x - c, y - c * 0.85f) / (size * 0.75f);
        return Mix(kBlushLight, kBlushDeep, Smoothstep(0.1f, 1.0f, d));
    });
    PaintFloatingHearts(&image, 26, size * 0.03f, size * 0.09f, MakeRgba(255, 250, 250, 0.35f), 71);
    PaintFloatingHearts(&image, 10, size * 0.05f, size * 0.1f, MakeRgba(226, 60, 100, 0.25f), 72);
    PaintGlossyHeart(&image, c, c * 1.02f, size * 0.62f);
    PaintGreeting(&image, script, c, c * 0.98f, size * 0.62f);
    PaintFrame(&image, size * 0.035f, size * 0.05f);
    return image;
}

Image MakeHeartSprite(int size) {
    Image image(size, size);
    float c = size * 0.5f;
    Mask glow =
        BlurMask(MaskFromDistance(size, size,
                                  [&](float x, float y) { return HeartDistance(x, y, c, c, size * 0.6f); }),
                 std::max(1, size / 16), 3);
    PaintMask(&image, glow, [](float, float) { return MakeRgba(255, 120, 160, 0.8f); });
    Mask heart = MaskFromDistance(size, size,
                                  [&](float x, float y) { return HeartDistance(x, y, c, c, size * 0.5f); });
    PaintMask(&image, heart, [&](float x, float y) {
        float h = Clamp01(1.0f - std::hypot(x - c * 0.85f, y - c * 0.8f) / (size * 0.35f));
        return Mix(MakeRgba(255, 90, 130), MakeRgba(255, 240, 245), h);
    });
    return image;
}

Image MakeSparkleSprite(int size) {
    Image image(size, size);
    float c = size * 0.5f;
    PaintAll(&image, [&](float x, float y) {
        float g = Clamp01(1.0f - std::hypot(x - c, y - c) / (size * 0.5f));
        return Rgba{1.0f, 0.85f, 0.6f, g * g * 0.6f};
    });
    Mask star = MaskFromDistance(size, size,
                                 [&](float x, float y) { return SparkleDistance(x, y, c, c, size * 0.48f); });
    PaintMask(&image, star, [](float, float) { return MakeRgba(255, 250, 235); });
    return image;
}

Image MakeWallpaper(int width, int height) {
    Image image(width, height);
    const Rgba top = MakeRgba(255, 243, 234);
    const Rgba bottom = MakeRgba(246, 190, 202);
    PaintAll(&image, [&](float x, float y) {
        float t = y / height;
        Rgba c = Mix(top, bottom, Smoothstep(0.0f, 1.0f, t));
        // A warm golden glow in the upper left and a gentle vignette.
        float glow = Clamp01(1.0f - std::hypot(x - width * 0.22f, y - height * 0.18f) / (height * 0.9f));
        c = Mix(c, MakeRgba(255, 226, 170), glow * glow * 0.35f);
        float vx = (x / width - 0.5f) * 2.0f, vy = (t - 0.5f) * 2.0f;
        float v = Clamp01((vx * vx + vy * vy - 0.6f) * 0.5f);
        return Mix(c, MakeRgba(222, 120, 150), v * 0.35f);
    });
    float s = height / 1080.0f;
    PaintFloatingHearts(&image, 40, 40.0f * s, 150.0f * s, MakeRgba(255, 255, 255, 0.35f), 11);
    PaintFloatingHearts(&image, 22, 30.0f * s, 110.0f * s, MakeRgba(240, 110, 140, 0.16f), 12);
    return image;
}
