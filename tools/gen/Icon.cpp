#include "tools/gen/Icon.h"

#include <cmath>
#include <cstdio>

#include "tools/gen/Shapes.h"

namespace {

struct Point {
    float x, y;
};

enum class ShapeKind { kHeart, kCircle, kSegment, kPolygon };

// One shape of the icon in canvas units (y grows downwards). A fill runs
// from `top` at y0 to `bottom` at y1 (the same colour for a plain fill); a
// stroke of strokeWidth > 0 is centred on the outline.
struct IconShape {
    ShapeKind kind = ShapeKind::kCircle;
    std::vector<Point> points;  // heart/circle: the centre; segment: its ends; polygon: its corners
    float size = 0.0f;          // heart: its size; circle: radius; segment: width
    Rgba top, bottom;
    float y0 = 0.0f, y1 = 1.0f;
    Rgba stroke;
    float strokeWidth = 0.0f;
};

const Rgba kHeartLight = MakeRgba(246, 74, 110);
const Rgba kHeartDeep = MakeRgba(168, 10, 48);
const Rgba kRim = MakeRgba(242, 190, 80);
const Rgba kShaft = MakeRgba(176, 128, 72);
const Rgba kArrowHead = MakeRgba(204, 142, 36);
const Rgba kFeather = MakeRgba(255, 246, 238);
const Rgba kFeatherEdge = MakeRgba(214, 92, 122);
const Rgba kShine = {1.0f, 1.0f, 1.0f, 0.32f};

constexpr Point kHeartCentre{122.0f, 142.0f};
constexpr float kHeartSize = 150.0f;
// The arrow flies up to the right, through the heart.
constexpr Point kTail{30.0f, 228.0f}, kTip{238.0f, 38.0f};

Point Along(Point a, Point b, float t, float side) {
    float dx = b.x - a.x, dy = b.y - a.y, len = std::sqrt(dx * dx + dy * dy);
    // side moves across the shaft, in units, to the left of the flight.
    return {a.x + dx * t + dy / len * side, a.y + dy * t - dx / len * side};
}

IconShape Plain(ShapeKind kind, std::vector<Point> points, float size, Rgba colour) {
    IconShape s;
    s.kind = kind;
    s.points = std::move(points);
    s.size = size;
    s.top = s.bottom = colour;
    return s;
}

// Back to front: the arrow's shaft and feathers, the heart over them (the
// shaft goes through it), the shine, the arrow's head in front.
std::vector<IconShape> IconShapes() {
    std::vector<IconShape> shapes;
    shapes.push_back(Plain(ShapeKind::kSegment, {kTail, Along(kTail, kTip, 0.9f, 0.0f)}, 9.0f, kShaft));
    for (float side : {-1.0f, 1.0f}) {
        IconShape feather =
            Plain(ShapeKind::kPolygon,
                  {Along(kTail, kTip, 0.0f, 3.0f * side), Along(kTail, kTip, 0.11f, 3.0f * side),
                   Along(kTail, kTip, 0.16f, 17.0f * side), Along(kTail, kTip, 0.04f, 17.0f * side)},
                  0.0f, kFeather);
        feather.stroke = kFeatherEdge;
        feather.strokeWidth = 3.0f;
        shapes.push_back(feather);
    }
    IconShape heart = Plain(ShapeKind::kHeart, {kHeartCentre}, kHeartSize, kHeartLight);
    heart.bottom = kHeartDeep;
    heart.y0 = kHeartCentre.y - 0.45f * kHeartSize;
    heart.y1 = kHeartCentre.y + 0.55f * kHeartSize;
    heart.stroke = kRim;
    heart.strokeWidth = 8.0f;
    shapes.push_back(heart);
    shapes.push_back(Plain(ShapeKind::kCircle,
                           {{kHeartCentre.x - 0.36f * kHeartSize, kHeartCentre.y - 0.28f * kHeartSize}},
                           0.1f * kHeartSize, kShine));
    IconShape head = Plain(ShapeKind::kPolygon,
                           {kTip, Along(kTail, kTip, 0.86f, 13.0f), Along(kTail, kTip, 0.9f, 0.0f),
                            Along(kTail, kTip, 0.86f, -13.0f)},
                           0.0f, kArrowHead);
    shapes.push_back(head);
    return shapes;
}

// Signed distance to a polygon without holes (negative inside): the
// distance to the nearest edge, its sign from the crossing count.
float PolygonDistance(const std::vector<Point>& p, float x, float y) {
    float best = 1e30f;
    bool inside = false;
    for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
        best = std::min(best, SegmentDistance(x, y, p[j].x, p[j].y, p[i].x, p[i].y, 0.0f));
        if ((p[i].y > y) != (p[j].y > y) && x < p[j].x + (y - p[j].y) * (p[i].x - p[j].x) / (p[i].y - p[j].y))
            inside = !inside;
    }
    return inside ? -best : best;
}

float ShapeDistance(const IconShape& s, float x, float y) {
    switch (s.kind) {
        case ShapeKind::kHeart:
            return HeartDistance(x, y, s.points[0].x, s.points[0].y, s.size);
        case ShapeKind::kCircle:
            return CircleDistance(x, y, s.points[0].x, s.points[0].y, s.size);
        case ShapeKind::kSegment:
            return SegmentDistance(x, y, s.points[0].x, s.points[0].y, s.points[1].x, s.points[1].y,
                                   s.size / 2);
        case ShapeKind::kPolygon:
            return PolygonDistance(s.points, x, y);
    }
    return 1e30f;
}

std::string Number(float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    std::string s = text;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
}

std::string Colour(Rgba c) {
    char text[16];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", static_cast<int>(std::lround(c.r * 255)),
                  static_cast<int>(std::lround(c.g * 255)), static_cast<int>(std::lround(c.b * 255)));
    return text;
}

// The heart's outline: two straight sides from the point up to where the
// lobes begin, then half a circle over each lobe (the shape HeartDistance
// measures).
std::string HeartPath(Point c, float size) {
    float r = std::sqrt(2.0f) / 4.0f * size;
    std::string arc = "A" + Number(r) + "," + Number(r) + " 0 0 0 ";
    return "M" + Number(c.x) + "," + Number(c.y + 0.55f * size) + " L" + Number(c.x + 0.5f * size) + "," +
           Number(c.y + 0.05f * size) + " " + arc + Number(c.x) + "," + Number(c.y - 0.45f * size) + " " +
           arc + Number(c.x - 0.5f * size) + "," + Number(c.y + 0.05f * size) + " Z";
}

std::string SvgElement(const IconShape& s, int index) {
    std::string paint = "fill=\"" + Colour(s.top) + "\"";
    std::string defs;
    if (s.top.r != s.bottom.r || s.top.g != s.bottom.g || s.top.b != s.bottom.b) {
        std::string id = "fill" + std::to_string(index);
        defs = "  <defs>\n    <linearGradient id=\"" + id +
               "\" gradientUnits=\"userSpaceOnUse\" x1=\"0\" y1=\"" + Number(s.y0) + "\" x2=\"0\" y2=\"" +
               Number(s.y1) + "\">\n      <stop offset=\"0\" stop-color=\"" + Colour(s.top) +
               "\"/>\n      <stop offset=\"1\" stop-color=\"" + Colour(s.bottom) +
               "\"/>\n    </linearGradient>\n  </defs>\n";
        paint = "fill=\"url(#" + id + ")\"";
    }
    if (s.top.a < 1.0f) paint += " fill-opacity=\"" + Number(s.top.a) + "\"";
    if (s.strokeWidth > 0.0f)
        paint += " stroke=\"" + Colour(s.stroke) + "\" stroke-width=\"" + Number(s.strokeWidth) +
                 "\" stroke-linejoin=\"round\"";
    switch (s.kind) {
        case ShapeKind::kHeart:
            return defs + "  <path d=\"" + HeartPath(s.points[0], s.size) + "\" " + paint + "/>\n";
        case ShapeKind::kCircle:
            return defs + "  <circle cx=\"" + Number(s.points[0].x) + "\" cy=\"" + Number(s.points[0].y) +
                   "\" r=\"" + Number(s.size) + "\" " + paint + "/>\n";
        case ShapeKind::kSegment:
            return "  <line x1=\"" + Number(s.points[0].x) + "\" y1=\"" + Number(s.points[0].y) + "\" x2=\"" +
                   Number(s.points[1].x) + "\" y2=\"" + Number(s.points[1].y) + "\" stroke=\"" +
                   Colour(s.top) + "\" stroke-width=\"" + Number(s.size) + "\" stroke-linecap=\"round\"/>\n";
        case ShapeKind::kPolygon: {
            std::string points;
            for (const Point& p : s.points)
                points += (points.empty() ? "" : " ") + Number(p.x) + "," + Number(p.y);
            return defs + "  <polygon points=\"" + points + "\" " + paint + "/>\n";
        }
    }
    return "";
}

}  // namespace

std::string IconSvg() {
    std::string units = std::to_string(kIconUnits);
    std::string svg =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
        units + "\" height=\"" + units + "\" viewBox=\"0 0 " + units + " " + units + "\">\n";
    std::vector<IconShape> shapes = IconShapes();
    for (size_t i = 0; i < shapes.size(); ++i) svg += SvgElement(shapes[i], static_cast<int>(i));
    return svg + "</svg>\n";
}

Image IconImage(int size) {
    Image image(size, size, {0.0f, 0.0f, 0.0f, 0.0f});
    float scale = static_cast<float>(kIconUnits) / size;  // canvas units per pixel
    for (const IconShape& s : IconShapes()) {
        auto distance = [&s, scale](float x, float y) {
            return ShapeDistance(s, x * scale, y * scale) / scale;
        };
        PaintMask(&image, MaskFromDistance(size, size, distance), [&s, scale](float, float y) {
            float t = Clamp01((y * scale - s.y0) / (s.y1 - s.y0));
            return Mix(s.top, s.bottom, t);
        });
        if (s.strokeWidth > 0.0f) {
            float half = s.strokeWidth / 2 / scale;
            Mask rim = MaskFromDistance(size, size,
                                        [&](float x, float y) { return std::fabs(distance(x, y)) - half; });
            PaintMask(&image, rim, [&s](float, float) { return s.stroke; });
        }
    }
    return image;
}
