#include "tools/gen/Strips.h"

#include <algorithm>
#include <cmath>

#include "tools/gen/Shapes.h"

const char* const kCornerBannerText = "Happy Valentine's Day!";
const char* const kMessageStripText4 = "You make my heart take flight";
const char* const kMessageStripText5 = "Every day with you is Valentine's Day";

namespace {

const Rgba kRibbonTop = MakeRgba(244, 74, 118);
const Rgba kRibbonBottom = MakeRgba(222, 26, 72);
const Rgba kRibbonGloss = MakeRgba(255, 170, 195);
const Rgba kGoldLight = MakeRgba(255, 222, 120);
const Rgba kGoldDeep = MakeRgba(222, 158, 44);
const Rgba kCream = MakeRgba(255, 248, 234);
const Rgba kCreamDeep = MakeRgba(255, 224, 206);
const Rgba kShadow = MakeRgba(150, 8, 44, 0.7f);
const Rgba kHeartLight = MakeRgba(255, 252, 248);
const Rgba kHeartDeep = MakeRgba(255, 196, 212);

struct Ribbon {
    float cx, cy, hw, hh;
    float Distance(float x, float y) const { return RoundedBoxDistance(x, y, cx, cy, hw, hh, hh); }
};

void PaintBody(Image* image, const Ribbon& r) {
    Mask body =
        MaskFromDistance(image->width, image->height, [&](float x, float y) { return r.Distance(x, y); });
    PaintMask(image, body, [&](float, float y) {
        float t = Clamp01((y - (r.cy - r.hh)) / (2.0f * r.hh));
        Rgba c = Mix(kRibbonTop, kRibbonBottom, t);
        // A soft gloss along the upper third, as on satin.
        float gloss = (1.0f - Smoothstep(0.08f, 0.42f, t)) * 0.45f;
        return Mix(c, kRibbonGloss, gloss);
    });
}

void PaintEdge(Image* image, const Ribbon& r, float k) {
    float inner = std::max(1.0f, 2.6f * k);
    float outer = std::max(0.6f, 0.7f * k);
    Mask edge = MaskFromDistance(image->width, image->height, [&](float x, float y) {
        float d = r.Distance(x, y);
        return std::max(d + outer, -(d + inner));
    });
    PaintMask(image, edge, [&](float, float y) {
        float t = Clamp01((y - (r.cy - r.hh)) / (2.0f * r.hh));
        return Mix(kGoldLight, kGoldDeep, t);
    });
}

void PaintHeart(Image* image, float cx, float cy, float size) {
    Mask heart = MaskFromDistance(image->width, image->height,
                                  [&](float x, float y) { return HeartDistance(x, y, cx, cy, size); });
    float ring = std::max(1.0f, size * 0.09f);
    Mask rim = MaskFromDistance(image->width, image->height,
                                [&](float x, float y) { return HeartDistance(x, y, cx, cy, size) - ring; });
    PaintMask(image, rim,
              [&](float, float y) { return Mix(kGoldLight, kGoldDeep, Clamp01((y - cy) / size + 0.5f)); });
    PaintMask(image, heart, [&](float x, float y) {
        // Light from the upper left: a highlight on the left lobe.
        float h = Clamp01(1.0f - std::hypot(x - (cx - 0.22f * size), y - (cy - 0.2f * size)) / (0.5f * size));
        Rgba c = Mix(kHeartDeep, kHeartLight, h);
        return c;
    });
}

void PaintText(Image* image, FontFace* font, const Ribbon& r, const std::string& text, float room, float k) {
    float size = r.hh * 1.05f;
    float width = TextWidth(font, text, size);
    if (width > room) {
        size *= room / width;
        width = room;
    }
    float cap = CapHeight(font, size);
    float baseline = r.cy + cap * 0.5f;
    Mask text_mask(image->width, image->height);
    DrawTextCentred(font, &text_mask, text, r.cx, baseline, size);
    int blur = std::max(1, static_cast<int>(std::lround(1.2f * k)));
    int drop = std::max(1, static_cast<int>(std::lround(1.6f * k)));
    Mask shadow = BlurMask(ShiftMask(text_mask, 0, drop), blur, 2);
    PaintMask(image, shadow, [&](float, float) { return kShadow; });
    PaintMask(image, text_mask, [&](float, float y) {
        return Mix(kCream, kCreamDeep, Clamp01((y - (baseline - cap)) / std::max(1.0f, cap)));
    });
}

}  // namespace

Image MakeStrip(FontFace* font, int width, int height, const std::string& text) {
    Image image(width, height, {0, 0, 0, 1});
    float k = height / 64.0f;
    float margin = std::max(1.0f, 1.5f * k);
    Ribbon r{width * 0.5f, height * 0.5f, width * 0.5f - margin, height * 0.5f - margin};
    PaintBody(&image, r);
    PaintEdge(&image, r, k);
    float heartSize = r.hh * 1.0f;
    float heartX = r.cx - r.hw + r.hh * 1.05f;
    PaintHeart(&image, heartX, r.cy, heartSize);
    PaintHeart(&image, width - heartX, r.cy, heartSize);
    float room = 2.0f * (r.cx - heartX) - heartSize * 1.6f;
    PaintText(&image, font, r, text, room, k);
    return image;
}
