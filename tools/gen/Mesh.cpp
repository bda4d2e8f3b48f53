#include "tools/gen/Mesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <tuple>

VECTOR3D V3(float x, float y, float z) {
    VECTOR3D v;
    v.x = x;
    v.y = y;
    v.z = z;
    return v;
}
VECTOR3D Add(VECTOR3D a, VECTOR3D b) {
    return V3(a.x + b.x, a.y + b.y, a.z + b.z);
}
VECTOR3D Sub(VECTOR3D a, VECTOR3D b) {
    return V3(a.x - b.x, a.y - b.y, a.z - b.z);
}
VECTOR3D Mul(VECTOR3D a, float k) {
    return V3(a.x * k, a.y * k, a.z * k);
}
float Dot(VECTOR3D a, VECTOR3D b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
VECTOR3D Cross(VECTOR3D a, VECTOR3D b) {
    return V3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}
float Length(VECTOR3D a) {
    return std::sqrt(Dot(a, a));
}
VECTOR3D Unit(VECTOR3D a) {
    float l = Length(a);
    return l > 0.0f ? Mul(a, 1.0f / l) : a;
}
VECTOR3D Lerp(VECTOR3D a, VECTOR3D b, float t) {
    return Add(a, Mul(Sub(b, a), t));
}

int MeshPart::AddVertex(const MeshVertex& v) {
    vertices.push_back(v);
    return static_cast<int>(vertices.size()) - 1;
}

void MeshPart::AddTriangle(int a, int b, int c) {
    triangles.push_back({a, b, c});
}

void MeshPart::Append(const MeshPart& other) {
    int base = static_cast<int>(vertices.size());
    vertices.insert(vertices.end(), other.vertices.begin(), other.vertices.end());
    for (const auto& t : other.triangles) triangles.push_back({t[0] + base, t[1] + base, t[2] + base});
}

namespace {

// Positions closer than this are one point of the surface (for welding
// seams and poles).
constexpr float kWeld = 1e-5f;

using PosKey = std::tuple<long, long, long>;

PosKey KeyOf(VECTOR3D p) {
    return {std::lround(p.x / kWeld), std::lround(p.y / kWeld), std::lround(p.z / kWeld)};
}

float TwiceArea(VECTOR3D a, VECTOR3D b, VECTOR3D c) {
    return Length(Cross(Sub(b, a), Sub(c, a)));
}

// Adds the triangle unless two of its corners are the same point.
void AddIfProper(MeshPart* part, int a, int b, int c) {
    const auto& v = part->vertices;
    VECTOR3D pa = v[a].pos, pb = v[b].pos, pc = v[c].pos;
    if (KeyOf(pa) == KeyOf(pb) || KeyOf(pb) == KeyOf(pc) || KeyOf(pa) == KeyOf(pc)) return;
    if (TwiceArea(pa, pb, pc) < 1e-10f) return;
    part->AddTriangle(a, b, c);
}

// Grid of (nu + 1) x rows vertices, quads between neighbouring rows.
void StitchGrid(MeshPart* part, int nu, int rows) {
    auto at = [nu](int i, int j) { return j * (nu + 1) + i; };
    for (int j = 0; j + 1 < rows; ++j) {
        for (int i = 0; i < nu; ++i) {
            AddIfProper(part, at(i, j), at(i + 1, j), at(i + 1, j + 1));
            AddIfProper(part, at(i, j), at(i + 1, j + 1), at(i, j + 1));
        }
    }
}

}  // namespace

MeshPart ClosedPatch(int nu, int nv, const SurfaceFn& surface, const UvFn& uv) {
    MeshPart part;
    for (int j = 0; j <= nv; ++j) {
        float v = static_cast<float>(j) / nv;
        for (int i = 0; i <= nu; ++i) {
            MeshVertex mv;
            // The seam column repeats column 0 exactly, so it welds.
            mv.pos = surface(static_cast<float>(i % nu) / nu, v);
            uv(static_cast<float>(i) / nu, v, &mv.s, &mv.t);
            part.AddVertex(mv);
        }
    }
    StitchGrid(&part, nu, nv + 1);
    FinishPart(&part);
    return part;
}

std::vector<SweepRing> RingsAlong(const std::vector<VECTOR3D>& points, const std::vector<float>& radii,
                                  VECTOR3D upHint, float flatten) {
    std::vector<SweepRing> rings;
    size_t n = points.size();
    VECTOR3D up = upHint;
    for (size_t i = 0; i < n; ++i) {
        VECTOR3D a = points[i == 0 ? 0 : i - 1];
        VECTOR3D b = points[i + 1 < n ? i + 1 : n - 1];
        VECTOR3D tangent = Unit(Sub(b, a));
        // Carry the previous up across, square to the new tangent.
        up = Unit(Sub(up, Mul(tangent, Dot(up, tangent))));
        SweepRing r;
        r.centre = points[i];
        r.side = Unit(Cross(up, tangent));
        r.up = up;
        r.radiusSide = radii[i];
        r.radiusUp = radii[i] * flatten;
        rings.push_back(r);
    }
    return rings;
}

MeshPart Tube(const std::vector<SweepRing>& rings, int sides, const UvFn& uv) {
    // Rounded caps: a smaller ring and a pole beyond each end.
    std::vector<SweepRing> all;
    auto cap = [](const SweepRing& end, VECTOR3D outward, float reach, float shrink) {
        SweepRing r = end;
        float rad = std::max(end.radiusSide, end.radiusUp);
        r.centre = Add(end.centre, Mul(outward, rad * reach));
        r.radiusSide *= shrink;
        r.radiusUp *= shrink;
        return r;
    };
    VECTOR3D startOut = Unit(Sub(rings.front().centre, rings[1].centre));
    VECTOR3D endOut = Unit(Sub(rings.back().centre, rings[rings.size() - 2].centre));
    all.push_back(cap(rings.front(), startOut, 0.85f, 0.0f));
    all.push_back(cap(rings.front(), startOut, 0.6f, 0.8f));
    all.insert(all.end(), rings.begin(), rings.end());
    all.push_back(cap(rings.back(), endOut, 0.6f, 0.8f));
    all.push_back(cap(rings.back(), endOut, 0.85f, 0.0f));

    MeshPart part;
    int rows = static_cast<int>(all.size());
    for (int j = 0; j < rows; ++j) {
        float v = static_cast<float>(j) / (rows - 1);
        for (int i = 0; i <= sides; ++i) {
            float a = 2.0f * static_cast<float>(kPi) * (i % sides) / sides;
            const SweepRing& r = all[j];
            MeshVertex mv;
            mv.pos = Add(r.centre,
                         Add(Mul(r.side, std::cos(a) * r.radiusSide), Mul(r.up, std::sin(a) * r.radiusUp)));
            uv(static_cast<float>(i) / sides, v, &mv.s, &mv.t);
            part.AddVertex(mv);
        }
    }
    StitchGrid(&part, sides, rows);
    FinishPart(&part);
    return part;
}

MeshPart Ellipsoid(VECTOR3D centre, VECTOR3D radii, int nu, int nv, const UvFn& uv) {
    return ClosedPatch(
        nu, nv,
        [=](float u, float v) {
            float th = static_cast<float>(kPi) * v;
            float ph = 2.0f * static_cast<float>(kPi) * u;
            return Add(centre, V3(radii.x * std::sin(th) * std::sin(ph), radii.y * std::cos(th),
                                  radii.z * std::sin(th) * std::cos(ph)));
        },
        uv);
}

namespace {

// The closed polyline resampled at `count` points evenly spaced by length.
std::vector<point2d> ResampleClosed(const std::vector<point2d>& outline, int count) {
    size_t n = outline.size();
    std::vector<float> along(n + 1, 0.0f);
    for (size_t i = 0; i < n; ++i) {
        const point2d& a = outline[i];
        const point2d& b = outline[(i + 1) % n];
        along[i + 1] = along[i] + std::hypot(b.x - a.x, b.y - a.y);
    }
    std::vector<point2d> out;
    size_t seg = 0;
    for (int k = 0; k < count; ++k) {
        float target = along[n] * k / count;
        while (seg + 1 < n && along[seg + 1] < target) ++seg;
        float len = along[seg + 1] - along[seg];
        float t = len > 0.0f ? (target - along[seg]) / len : 0.0f;
        const point2d& a = outline[seg];
        const point2d& b = outline[(seg + 1) % n];
        point2d p;
        p.x = a.x + (b.x - a.x) * t;
        p.y = a.y + (b.y - a.y) * t;
        out.push_back(p);
    }
    return out;
}

}  // namespace

MeshPart Pillow(const std::vector<point2d>& outline, point2d centre2d, VECTOR3D origin, VECTOR3D axisA,
                VECTOR3D axisB, VECTOR3D normal, float thickness, int around, int rings, const Uv2dFn& uv2d) {
    std::vector<point2d> rim = ResampleClosed(outline, around);
    MeshPart part;
    for (int j = 0; j <= rings; ++j) {
        float phi = static_cast<float>(kPi) * (static_cast<float>(j) / rings - 0.5f);
        float c = std::cos(phi), s = std::sin(phi);
        if (j == 0 || j == rings) c = 0.0f;  // exact poles, so they weld
        for (int i = 0; i <= around; ++i) {
            const point2d& o = rim[i % around];
            float x = centre2d.x + (o.x - centre2d.x) * c;
            float y = centre2d.y + (o.y - centre2d.y) * c;
            MeshVertex mv;
            mv.pos = Add(origin, Add(Add(Mul(axisA, x), Mul(axisB, y)), Mul(normal, thickness * s)));
            uv2d(x, y, &mv.s, &mv.t);
            part.AddVertex(mv);
        }
    }
    StitchGrid(&part, around, rings + 1);
    FinishPart(&part);
    // A thin pillow's rim triangles are too unlike their neighbours for
    // averaged normals; the surface's own normals are exact and smooth. They
    // are turned to agree with the outward side FinishPart found.
    std::vector<VECTOR3D> exact;
    float agreement = 0.0f;
    for (int j = 0; j <= rings; ++j) {
        float phi = static_cast<float>(kPi) * (static_cast<float>(j) / rings - 0.5f);
        for (int i = 0; i <= around; ++i) {
            const point2d& o = rim[i % around];
            const point2d& prev = rim[(i + around - 1) % around];
            const point2d& next = rim[(i + 1) % around];
            VECTOR3D tangent = Add(Mul(axisA, next.x - prev.x), Mul(axisB, next.y - prev.y));
            VECTOR3D radial = Add(Mul(axisA, o.x - centre2d.x), Mul(axisB, o.y - centre2d.y));
            VECTOR3D acrossRing = Add(Mul(radial, -std::sin(phi)), Mul(normal, thickness * std::cos(phi)));
            VECTOR3D n = Unit(Cross(tangent, acrossRing));
            if (j == 0 || j == rings) n = Mul(normal, j == 0 ? -1.0f : 1.0f);
            exact.push_back(n);
            agreement += Dot(n, part.vertices[exact.size() - 1].normal);
        }
    }
    for (size_t k = 0; k < exact.size(); ++k)
        part.vertices[k].normal = Mul(exact[k], agreement < 0.0f ? -1.0f : 1.0f);
    return part;
}

void SmoothNormals(MeshPart* part) {
    std::map<PosKey, VECTOR3D> sums;
    for (const auto& t : part->triangles) {
        VECTOR3D a = part->vertices[t[0]].pos, b = part->vertices[t[1]].pos, c = part->vertices[t[2]].pos;
        VECTOR3D n = Cross(Sub(b, a), Sub(c, a));  // length = twice the area: area weighting
        for (int k = 0; k < 3; ++k) {
            VECTOR3D& s = sums[KeyOf(part->vertices[t[k]].pos)];
            s = Add(s, n);
        }
    }
    for (auto& v : part->vertices) {
        auto it = sums.find(KeyOf(v.pos));
        v.normal = it == sums.end() ? V3(0, 1, 0) : Unit(it->second);
    }
}

void FinishPart(MeshPart* part) {
    double volume = 0.0;
    for (const auto& t : part->triangles) {
        VECTOR3D a = part->vertices[t[0]].pos, b = part->vertices[t[1]].pos, c = part->vertices[t[2]].pos;
        volume += Dot(a, Cross(b, c));
    }
    if (volume < 0.0)
        for (auto& t : part->triangles) std::swap(t[1], t[2]);
    SmoothNormals(part);
}

MeshPart MirrorX(const MeshPart& part) {
    MeshPart m = part;
    for (auto& v : m.vertices) {
        v.pos.x = -v.pos.x;
        v.normal.x = -v.normal.x;
    }
    for (auto& t : m.triangles) std::swap(t[1], t[2]);
    return m;
}

void BindPart(MeshPart* part, int bone) {
    for (auto& v : part->vertices) v.bone = bone;
}

void TransformPart(MeshPart* part, const MATRIX& m) {
    for (auto& v : part->vertices) {
        v.pos = MatrixPointMultiply(m, v.pos);
        v.normal = Unit(MatrixRotatePoint(m, v.normal));
    }
}

UvFn UvRect(float s0, float t0, float s1, float t1) {
    return [=](float u, float v, float* s, float* t) {
        *s = s0 + (s1 - s0) * u;
        *t = t0 + (t1 - t0) * v;
    };
}

MS3D_MATERIAL MakeMaterial(const std::string& name, float r, float g, float b, const std::string& texture) {
    MS3D_MATERIAL m;
    SetMS3DString(m.name, kMS3DNameBytes, name);
    float ambient[4] = {r * 0.25f, g * 0.25f, b * 0.25f, 1.0f};
    float diffuse[4] = {r, g, b, 1.0f};
    float specular[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    std::memcpy(m.ambient, ambient, sizeof ambient);
    std::memcpy(m.diffuse, diffuse, sizeof diffuse);
    std::memcpy(m.specular, specular, sizeof specular);
    m.shininess = 16.0f;
    m.transparency = 1.0f;
    SetMS3DString(m.texture, kMS3DPathBytes, texture);
    return m;
}

MS3DSource ToMS3DSource(const ModelSheet& sheet, float scale) {
    MS3DSource src;
    src.animationFPS = sheet.animationFPS;
    src.totalFrames = sheet.totalFrames;
    src.materials = sheet.materials;
    for (size_t g = 0; g < sheet.parts.size(); ++g) {
        const MeshPart& part = sheet.parts[g];
        // One file vertex per position and joint within the part; corners
        // keep their own normals and texture coordinates.
        std::map<std::pair<PosKey, int>, uint16_t> welded;
        std::vector<uint16_t> index(part.vertices.size());
        for (size_t i = 0; i < part.vertices.size(); ++i) {
            const MeshVertex& v = part.vertices[i];
            auto key = std::make_pair(KeyOf(v.pos), v.bone);
            auto it = welded.find(key);
            if (it == welded.end()) {
                MS3D_VERTEX fv;
                fv.vertex[0] = v.pos.x * scale;
                fv.vertex[1] = v.pos.y * scale;
                fv.vertex[2] = v.pos.z * scale;
                fv.boneId = static_cast<int8_t>(v.bone);
                it = welded.emplace(key, static_cast<uint16_t>(src.vertices.size())).first;
                src.vertices.push_back(fv);
            }
            index[i] = it->second;
        }
        MS3DSourceGroup group;
        group.name = part.name;
        group.materialIndex = static_cast<int8_t>(part.material);
        for (const auto& t : part.triangles) {
            MS3D_TRIANGLE ft;
            for (int k = 0; k < 3; ++k) {
                const MeshVertex& v = part.vertices[t[k]];
                ft.vertexIndices[k] = index[t[k]];
                ft.vertexNormals[k][0] = v.normal.x;
                ft.vertexNormals[k][1] = v.normal.y;
                ft.vertexNormals[k][2] = v.normal.z;
                ft.s[k] = v.s;
                ft.t[k] = v.t;
                MS3D_VERTEX& fv = src.vertices[index[t[k]]];
                if (fv.referenceCount < 255) ++fv.referenceCount;
            }
            ft.smoothingGroup = 1;
            ft.groupIndex = static_cast<uint8_t>(g);
            group.triangleIndices.push_back(static_cast<uint16_t>(src.triangles.size()));
            src.triangles.push_back(ft);
        }
        src.groups.push_back(group);
    }
    for (MS3DSourceJoint j : sheet.joints) {
        j.position = Mul(j.position, scale);
        for (auto& k : j.transKeys)
            for (float& c : k.value) c *= scale;
        src.joints.push_back(j);
    }
    return src;
}

int TriangleCount(const ModelSheet& sheet) {
    int n = 0;
    for (const auto& p : sheet.parts) n += static_cast<int>(p.triangles.size());
    return n;
}
