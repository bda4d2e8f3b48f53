#include "tools/gen/ArcherTextures.h"

#include <algorithm>
#include <cmath>

#include "tools/gen/ArcherModel.h"
#include "tools/gen/ObjectModels.h"
#include "tools/gen/Shapes.h"

namespace {

constexpr float kPiF = 3.14159265358979f;

const Rgba kSkin = MakeRgba(255, 214, 190);
const Rgba kSkinShade = MakeRgba(246, 194, 172);

struct Tangent {
    float x, y;  // angular offsets east and north of a point on the unit sphere
};

struct Dir3 {
    float x, y, z;
};

Dir3 Unit3(float x, float y, float z) {
    float l = std::sqrt(x * x + y * y + z * z);
    return {x / l, y / l, z / l};
}

// Offsets of direction d from the feature direction c, in c's tangent plane
// (east = around the head, north = up).
Tangent Offset(Dir3 d, Dir3 c) {
    Dir3 east = Unit3(c.z, 0.0f, -c.x);
    Dir3 north = {c.y * east.z - c.z * east.y, c.z * east.x - c.x * east.z, c.x * east.y - c.y * east.x};
    if (north.y < 0.0f) north = {-north.x, -north.y, -north.z};
    return {d.x * east.x + d.y * east.y + d.z * east.z, d.x * north.x + d.y * north.y + d.z * north.z};
}

float Ellipse(Tangent t, float cx, float cy, float rx, float ry) {
    float dx = (t.x - cx) / rx, dy = (t.y - cy) / ry;
    return std::sqrt(dx * dx + dy * dy);  // 1 on the ellipse
}

// The face at the unit direction d; colour over the skin.
Rgba FaceAt(Dir3 d, Rgba skin, float pixel) {
    Rgba c = skin;
    // Rosy cheeks.
    for (float side : {-1.0f, 1.0f}) {
        Dir3 cheek = Unit3(side * 0.56f, -0.26f, 0.8f);
        float dist = std::acos(std::clamp(d.x * cheek.x + d.y * cheek.y + d.z * cheek.z, -1.0f, 1.0f));
        c = Mix(c, MakeRgba(255, 140, 155), 0.55f * (1.0f - Smoothstep(0.02f, 0.13f, dist)));
    }
    // Eyes: tall dark ovals with a shine.
    for (float side : {-1.0f, 1.0f}) {
        Dir3 centre = Unit3(side * 0.34f, -0.04f, 0.94f);
        if (d.x * centre.x + d.y * centre.y + d.z * centre.z < 0.8f) continue;
        Tangent t = Offset(d, centre);
        float e = Ellipse(t, 0.0f, 0.0f, 0.095f, 0.125f);
        float inside = Clamp01((1.0f - e) * 0.1f / pixel + 0.5f);
        Rgba iris = Mix(MakeRgba(60, 28, 40), MakeRgba(130, 60, 80), Clamp01(-t.y / 0.125f) * 0.8f);
        c = Mix(c, iris, inside);
        float shine = Clamp01((0.036f - std::hypot(t.x + 0.03f, t.y - 0.05f)) / pixel + 0.5f);
        float glint = Clamp01((0.017f - std::hypot(t.x - 0.028f, t.y + 0.06f)) / pixel + 0.5f);
        c = Mix(c, MakeRgba(255, 255, 255), std::max(shine, glint) * inside);
        // Brow: a thin arc above the eye.
        float brow = std::fabs(std::hypot(t.x, t.y + 0.08f) - 0.27f);
        if (t.y > 0.16f && std::fabs(t.x) < 0.085f)
            c = Mix(c, MakeRgba(206, 140, 82), Clamp01((0.012f - brow) / pixel + 0.5f));
    }
    // A small smile.
    Dir3 mouth = Unit3(0.0f, -0.36f, 0.93f);
    if (d.x * mouth.x + d.y * mouth.y + d.z * mouth.z > 0.8f) {
        Tangent t = Offset(d, mouth);
        float arc = std::fabs(std::hypot(t.x, t.y - 0.07f) - 0.1f);
        if (t.y < 0.035f) c = Mix(c, MakeRgba(178, 62, 84), Clamp01((0.014f - arc) / pixel + 0.5f));
    }
    return c;
}

// The parameter whose image under the increasing map f is target.
float Invert(float (*f)(float), float target) {
    float lo = 0.0f, hi = 1.0f;
    for (int i = 0; i < 30; ++i) {
        float mid = 0.5f * (lo + hi);
        (f(mid) < target ? lo : hi) = mid;
    }
    return 0.5f * (lo + hi);
}

}  // namespace

Image MakeSkinTexture() {
    const int size = 512;
    Image image(size, size, kSkin);
    const int faceRows = static_cast<int>(size * ArcherAtlas::kFaceT1);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float grain = (ValueNoise(x, y, 18.0f, 5) - 0.5f) * 0.03f;
            Rgba skin = Mix(kSkin, kSkinShade, Clamp01(0.3f + grain * 6.0f));
            if (y < faceRows) {
                float u = Invert(FaceS, (x + 0.5f) / size), v = Invert(FaceT, (y + 0.5f) / faceRows);
                // Angular size of a texel here, for smooth feature edges.
                float pixel = 2.0f * kPiF / (size * (1.0f + 0.75f * std::cos(2.0f * kPiF * (u - 0.5f))));
                float th = kPiF * v, ph = 2.0f * kPiF * (u - 0.5f);
                Dir3 d{std::sin(th) * std::sin(ph), std::cos(th), std::sin(th) * std::cos(ph)};
                image.at(x, y) = FaceAt(d, skin, pixel);
            } else {
                image.at(x, y) = skin;
            }
        }
    }
    return image;
}

Image MakeTunicTexture() {
    const int size = 128;
    Image image(size, size);
    const Rgba rose = MakeRgba(238, 92, 128);
    const Rgba roseDeep = MakeRgba(214, 64, 104);
    PaintAll(&image, [&](float x, float y) {
        float weave = 0.5f + 0.5f * std::sin(x * 1.7f) * std::sin(y * 1.7f);
        Rgba c = Mix(rose, roseDeep, 0.25f + 0.15f * weave + 0.3f * (ValueNoise(x, y, 16.0f, 3) - 0.5f));
        // A hem band near the bottom of the skirt.
        float t = y / size;
        if (t > 0.885f && t < 0.93f) c = Mix(c, MakeRgba(255, 226, 150), 0.9f);
        return c;
    });
    // Tiny cream hearts in a staggered grid.
    Mask hearts = MaskFromDistance(size, size, [&](float x, float y) {
        float best = 1e9f;
        for (int row = -1; row <= 9; ++row)
            for (int col = -1; col <= 9; ++col) {
                float cx = col * 16.0f + (row % 2 ? 8.0f : 0.0f) + 4.0f;
                float cy = row * 14.0f + 6.0f;
                if (std::fabs(x - cx) > 8 || std::fabs(y - cy) > 8) continue;
                best = std::min(best, HeartDistance(x, y, cx, cy, 5.0f));
            }
        return best;
    });
    PaintMask(&image, hearts, [](float, float) { return MakeRgba(255, 236, 236, 0.85f); });
    return image;
}

Image MakeWingTexture() {
    const int w = 256, h = 128;
    const WingShape& wing = Wing();
    Image image(w, h);
    PaintAll(&image, [&](float px, float py) {
        float x = px / w * wing.span;
        float y = wing.chordTop + py / h * (wing.chordBottom - wing.chordTop);
        float toTrailing = wing.Trailing(x) - y;
        float toLeading = y - wing.Leading(x);
        Rgba c = Mix(MakeRgba(255, 238, 242), MakeRgba(255, 206, 222), Clamp01(1.0f - x / wing.span));
        // Long flight feathers along the trailing edge: pink tips and
        // fine lines between neighbours.
        if (toTrailing < 0.2f) {
            float phase = std::fmod(x / 0.18f + 0.5f, 1.0f);
            float line = Clamp01(1.0f - std::fabs(phase - 0.5f) * 2.0f / 0.08f);
            c = Mix(c, MakeRgba(226, 176, 198), line * 0.9f * Smoothstep(0.0f, 0.04f, 0.2f - toTrailing));
            c = Mix(c, MakeRgba(255, 160, 190), (1.0f - Smoothstep(0.0f, 0.08f, toTrailing)) * 0.8f);
        }
        // Rows of small rounded covert feathers nearer the leading edge.
        if (toLeading > 0.06f && toTrailing > 0.2f) {
            float row = std::fmod((y - wing.Leading(x)) / 0.07f, 1.0f);
            float col =
                std::fmod(x / 0.06f + (static_cast<int>((y - wing.Leading(x)) / 0.07f) % 2) * 0.5f, 1.0f);
            float scallop = std::fabs(std::hypot(col - 0.5f, (row - 0.2f) * 1.4f) - 0.45f);
            c = Mix(c, MakeRgba(232, 196, 212), Clamp01(1.0f - scallop / 0.06f) * 0.7f);
        }
        // A warm golden leading edge.
        c = Mix(c, MakeRgba(255, 226, 160), (1.0f - Smoothstep(0.0f, 0.04f, toLeading)) * 0.6f);
        return c;
    });
    return image;
}

Image MakeGoldTexture() {
    const int size = 128;
    Image image(size, size);
    PaintAll(&image, [&](float x, float y) {
        float s = x / size, t = y / size;
        if (s < ArcherAtlas::kHairS1) {
            // Golden curls: soft strands with darker gaps.
            float strand = 0.5f + 0.5f * std::sin(x * 1.3f + 3.0f * std::sin(y * 0.15f));
            float n = ValueNoise(x, y, 6.0f, 21);
            return Mix(MakeRgba(252, 214, 120), MakeRgba(222, 160, 70), 0.15f + 0.45f * strand * n);
        }
        if (t < ArcherAtlas::kGoldT1) {
            // Polished gold: bright and deep bands, as a mirror shows them.
            float band = 0.5f + 0.5f * std::cos(t * 2.0f * 2.0f * kPiF);
            return Mix(MakeRgba(212, 150, 44), MakeRgba(255, 232, 150), band);
        }
        return MakeRgba(252, 244, 226);  // the bowstring
    });
    return image;
}

Image MakeArrowTexture() {
    using A = ArrowAtlas;
    const int size = 128;
    Image image(size, size);
    PaintAll(&image, [&](float x, float y) {
        float s = x / size, t = y / size;
        if (t < A::kWoodT1 && s < A::kWoodS1) {
            // Wood with its grain along the shaft (s).
            float grain = std::sin(y * 2.2f + 2.0f * ValueNoise(x, y, 10.0f, 8));
            return Mix(MakeRgba(200, 146, 92), MakeRgba(160, 104, 60), 0.35f + 0.3f * grain);
        }
        if (t < A::kFeatherT1) {
            // Feather: white at the shaft, rosy at its edge, with fine barbs.
            float edge = 1.0f - (t - A::kFeatherT0) / (A::kFeatherT1 - A::kFeatherT0);
            float barbs = 0.5f + 0.5f * std::sin((x + y) * 1.6f);
            Rgba c = Mix(MakeRgba(255, 250, 250), MakeRgba(255, 150, 180), Smoothstep(0.4f, 1.0f, edge));
            return Mix(c, MakeRgba(236, 210, 220), barbs * 0.25f);
        }
        if (s < A::kHeadS1) {
            float v = (t - A::kHeadT0) / (A::kHeadT1 - A::kHeadT0);
            return Mix(MakeRgba(240, 44, 84), MakeRgba(186, 14, 52), v);
        }
        float band = 0.5f + 0.5f * std::cos(t * 6.0f * kPiF);
        return Mix(MakeRgba(212, 150, 44), MakeRgba(255, 232, 150), band);
    });
    return image;
}

std::vector<Image> MakeArcherTextures() {
    return {MakeSkinTexture(), MakeTunicTexture(), MakeWingTexture(), MakeGoldTexture(), MakeArrowTexture()};
}
