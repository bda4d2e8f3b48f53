#include "model/MilkshapeSkin.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "assets/Texture.h"
#include "model/MilkshapeModel.h"

namespace {

template <typename T>
bool Allocate(T** out, size_t count) {
    *out = new (std::nothrow) T[count > 0 ? count : 1];
    return *out != nullptr;
}

uint32_t Bits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// The joint that moves vertex v, or -1 for none (as the in-place steps see it).
int32_t JointOfVertex(const MS3D& model, int32_t v) {
    if (v >= model.numVertices) return -1;
    int32_t joint = model.vertices[v].boneId;
    return joint >= 0 && joint < model.numJoints ? joint : -1;
}

int32_t JointOfCorner(const MS3D& model, int32_t corner) {
    return JointOfVertex(model, model.triangles[corner / 3].vertexIndices[corner % 3]);
}

// Triangles a group draws: those that exist and whose corners name vertices.
bool Drawable(const MS3D& model, int32_t index) {
    if (model.triangles == nullptr || index >= model.numTriangles) return false;
    for (uint16_t v : model.triangles[index].vertexIndices)
        if (v >= model.numVertices) return false;
    return true;
}

// Runs per joint from the joints of entries already ordered by joint (-1
// first): runs[0] = 0, runs[1 + j] = first entry of joint j.
void FillRuns(int32_t* runs, int32_t numJoints, const int32_t* jointOf, int32_t count) {
    std::fill(runs, runs + numJoints + 2, 0);
    for (int32_t i = 0; i < count; ++i) ++runs[jointOf[i] + 2];
    for (int32_t j = 1; j <= numJoints + 1; ++j) runs[j] += runs[j - 1];
}

// The twelve entries of a joint matrix that move a point.
bool SameKey(const MS3D_SORTKEY& a, const MS3D_SORTKEY& b) {
    return std::memcmp(a.key, b.key, sizeof a.key) == 0;
}

// Sorts by key, ties by index, so equal keys keep their first entry first.
void MS3D_SORTKEYs(MS3D_SORTKEY* keys, int32_t count) {
    std::sort(keys, keys + count, [](const MS3D_SORTKEY& a, const MS3D_SORTKEY& b) {
        for (int i = 0; i < 4; ++i)
            if (a.key[i] != b.key[i]) return a.key[i] < b.key[i];
        return a.index < b.index;
    });
}

int32_t CountDrawnCorners(const MS3D& model) {
    int32_t corners = 0;
    for (int g = 0; g < model.numGroups; ++g)
        for (int i = 0; model.groups[g].triangleIndices != nullptr && i < model.groups[g].numTriangles; ++i)
            if (Drawable(model, model.groups[g].triangleIndices[i])) corners += 3;
    return corners;
}

// The twelve entries of a joint matrix that move a point.
struct Matrix12 {
    double m0, m1, m2, m4, m5, m6, m8, m9, m10, m12, m13, m14;
    explicit Matrix12(const MATRIX& m)
        : m0(m.m[0]),
          m1(m.m[1]),
          m2(m.m[2]),
          m4(m.m[4]),
          m5(m.m[5]),
          m6(m.m[6]),
          m8(m.m[8]),
          m9(m.m[9]),
          m10(m.m[10]),
          m12(m.m[12]),
          m13(m.m[13]),
          m14(m.m[14]) {}
};

// One point or normal, operation for operation as MatrixInverseTranslatePoint,
// MatrixInverseRotatePoint (with `from`), MatrixRotatePoint and
// MatrixTranslatePoint (with `to`) compute it: products and sums in double,
// each result stored as float.
void ReposeOne(const Matrix12& f, const Matrix12& t, bool translate, float* x, float* y, float* z) {
    float ax = *x, ay = *y, az = *z;
    if (translate) {
        ax = static_cast<float>(ax - f.m12);
        ay = static_cast<float>(ay - f.m13);
        az = static_cast<float>(az - f.m14);
    }
    double dx = ax, dy = ay, dz = az;
    float bx = static_cast<float>(f.m0 * dx + f.m1 * dy + f.m2 * dz);
    float by = static_cast<float>(f.m4 * dx + f.m5 * dy + f.m6 * dz);
    float bz = static_cast<float>(f.m8 * dx + f.m9 * dy + f.m10 * dz);
    dx = bx, dy = by, dz = bz;
    float cx = static_cast<float>(t.m0 * dx + t.m4 * dy + t.m8 * dz);
    float cy = static_cast<float>(t.m1 * dx + t.m5 * dy + t.m9 * dz);
    float cz = static_cast<float>(t.m2 * dx + t.m6 * dy + t.m10 * dz);
    if (translate) {
        cx = static_cast<float>(cx + t.m12);
        cy = static_cast<float>(cy + t.m13);
        cz = static_cast<float>(cz + t.m14);
    }
    *x = cx;
    *y = cy;
    *z = cz;
}

#if defined(__SSE2__)
// Two entries at once: the same operations lane by lane (IEEE arithmetic in
// each lane, rounded to float where the scalar code stores a float).
struct Matrix12x2 {
    __m128d m0, m1, m2, m4, m5, m6, m8, m9, m10, m12, m13, m14;
    explicit Matrix12x2(const Matrix12& m)
        : m0(_mm_set1_pd(m.m0)),
          m1(_mm_set1_pd(m.m1)),
          m2(_mm_set1_pd(m.m2)),
          m4(_mm_set1_pd(m.m4)),
          m5(_mm_set1_pd(m.m5)),
          m6(_mm_set1_pd(m.m6)),
          m8(_mm_set1_pd(m.m8)),
          m9(_mm_set1_pd(m.m9)),
          m10(_mm_set1_pd(m.m10)),
          m12(_mm_set1_pd(m.m12)),
          m13(_mm_set1_pd(m.m13)),
          m14(_mm_set1_pd(m.m14)) {}
};

inline __m128d Load2(const float* p) {
    return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
}
inline void Store2(float* p, __m128d v) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_castps_si128(_mm_cvtpd_ps(v)));
}
inline __m128d ToFloat(__m128d v) {
    return _mm_cvtps_pd(_mm_cvtpd_ps(v));
}
inline __m128d Row(__m128d a, __m128d x, __m128d b, __m128d y, __m128d c, __m128d z) {
    return _mm_add_pd(_mm_add_pd(_mm_mul_pd(a, x), _mm_mul_pd(b, y)), _mm_mul_pd(c, z));
}

template <bool kTranslate>
int32_t ReposeTwos(const Matrix12& from, const Matrix12& to, float* x, float* y, float* z, int32_t begin,
                   int32_t end) {
    const Matrix12x2 f(from), t(to);
    int32_t k = begin;
    for (; k + 1 < end; k += 2) {
        __m128d ax = Load2(x + k), ay = Load2(y + k), az = Load2(z + k);
        if (kTranslate) {
            ax = ToFloat(_mm_sub_pd(ax, f.m12));
            ay = ToFloat(_mm_sub_pd(ay, f.m13));
            az = ToFloat(_mm_sub_pd(az, f.m14));
        }
        __m128d bx = ToFloat(Row(f.m0, ax, f.m1, ay, f.m2, az));
        __m128d by = ToFloat(Row(f.m4, ax, f.m5, ay, f.m6, az));
        __m128d bz = ToFloat(Row(f.m8, ax, f.m9, ay, f.m10, az));
        __m128d cx = Row(t.m0, bx, t.m4, by, t.m8, bz);
        __m128d cy = Row(t.m1, bx, t.m5, by, t.m9, bz);
        __m128d cz = Row(t.m2, bx, t.m6, by, t.m10, bz);
        if (kTranslate) {
            cx = _mm_add_pd(ToFloat(cx), t.m12);
            cy = _mm_add_pd(ToFloat(cy), t.m13);
            cz = _mm_add_pd(ToFloat(cz), t.m14);
        }
        Store2(x + k, cx);
        Store2(y + k, cy);
        Store2(z + k, cz);
    }
    return k;
}
#else
template <bool kTranslate>
int32_t ReposeTwos(const Matrix12&, const Matrix12&, float*, float*, float*, int32_t begin, int32_t) {
    return begin;
}
#endif

// Entries [begin, end) of the x, y and z columns, moved from `from` to `to`;
// points are translated as well, normals only turned.
template <bool kTranslate>
void ReposeRun(const Matrix12& from, const Matrix12& to, float* x, float* y, float* z, int32_t begin,
               int32_t end) {
    int32_t k = ReposeTwos<kTranslate>(from, to, x, y, z, begin, end);
    for (; k < end; ++k) ReposeOne(from, to, kTranslate, x + k, y + k, z + k);
}

}  // namespace

void MS3D_SKIN::Cleanup() {
    delete[] points;
    delete[] pointOfVertex;
    delete[] normals;
    delete[] normalOfCorner;
    delete[] pointRun;
    delete[] normalRun;
    delete[] drawVertices;
    delete[] drawPoint;
    delete[] drawNormal;
    delete[] indices;
    delete[] groupFirst;
    delete[] groupMaterial;
    delete[] posedWith;
    posedWith = nullptr;
    points = normals = nullptr;
    normalStride = 0;
    pointOfVertex = normalOfCorner = pointRun = normalRun = drawPoint = drawNormal = groupFirst = nullptr;
    drawVertices = nullptr;
    indices = nullptr;
    groupMaterial = nullptr;
    numPoints = numNormals = numJoints = numDrawVertices = numGroups = 0;
}

bool MS3D_SKIN::Build(const MS3D& model) {
    Cleanup();
    if (model.skeleton == nullptr || model.numJoints == 0) return false;
    const int32_t numVertices = model.numVertices;
    const int32_t numCorners = model.triangles != nullptr ? 3 * model.numTriangles : 0;
    const int32_t drawnCorners = CountDrawnCorners(model);
    MS3D_SORTKEY* keys = nullptr;
    int32_t* scratch = nullptr;
    const size_t most = static_cast<size_t>(std::max(std::max(numVertices, numCorners), drawnCorners));
    bool ok = Allocate(&keys, most) && Allocate(&scratch, most) &&
              Allocate(&points, 3 * static_cast<size_t>(numVertices)) &&
              Allocate(&pointOfVertex, numVertices) &&
              Allocate(&normals, 3 * static_cast<size_t>(numCorners)) &&
              Allocate(&normalOfCorner, numCorners) && Allocate(&pointRun, model.numJoints + 2) &&
              Allocate(&normalRun, model.numJoints + 2) && Allocate(&indices, drawnCorners) &&
              Allocate(&groupFirst, model.numGroups + 1) && Allocate(&groupMaterial, model.numGroups) &&
              Allocate(&drawVertices, drawnCorners) && Allocate(&drawPoint, drawnCorners) &&
              Allocate(&drawNormal, drawnCorners) && Allocate(&posedWith, model.numJoints);
    if (ok) {
        numJoints = model.numJoints;
        numGroups = model.numGroups;
        for (int32_t j = 0; j < numJoints; ++j) posedWith[j] = model.skeleton[j].absolute;
        TakePoints(model, keys, scratch);
        TakeNormals(model, keys, scratch);
        TakeDrawVertices(model, keys, scratch);
    }
    delete[] keys;
    delete[] scratch;
    if (!ok) {
        Cleanup();
        return false;
    }
    GatherDrawVertices();
    return true;
}

// Vertices, ordered by joint.
void MS3D_SKIN::TakePoints(const MS3D& model, MS3D_SORTKEY* keys, int32_t* jointOf) {
    numPoints = model.numVertices;
    for (int32_t v = 0; v < numPoints; ++v)
        keys[v] = {{static_cast<uint32_t>(JointOfVertex(model, v) + 1), 0, 0, 0}, v};
    MS3D_SORTKEYs(keys, numPoints);
    for (int32_t k = 0; k < numPoints; ++k) {
        int32_t v = keys[k].index;
        for (int a = 0; a < 3; ++a) points[a * numPoints + k] = model.vertices[v].vertex[a];
        pointOfVertex[v] = k;
        jointOf[k] = JointOfVertex(model, v);
    }
    FillRuns(pointRun, numJoints, jointOf, numPoints);
}

// Distinct (joint, normal) pairs, ordered by joint.
void MS3D_SKIN::TakeNormals(const MS3D& model, MS3D_SORTKEY* keys, int32_t* jointOf) {
    const int32_t numCorners = model.triangles != nullptr ? 3 * model.numTriangles : 0;
    for (int32_t corner = 0; corner < numCorners; ++corner) {
        const float* n = model.triangles[corner / 3].vertexNormals[corner % 3];
        keys[corner] = {
            {static_cast<uint32_t>(JointOfCorner(model, corner) + 1), Bits(n[0]), Bits(n[1]), Bits(n[2])},
            corner};
    }
    MS3D_SORTKEYs(keys, numCorners);
    normalStride = numCorners;
    numNormals = 0;
    for (int32_t k = 0; k < numCorners; ++k) {
        int32_t corner = keys[k].index;
        if (k == 0 || !SameKey(keys[k], keys[k - 1])) {
            for (int a = 0; a < 3; ++a)
                normals[a * numCorners + numNormals] =
                    model.triangles[corner / 3].vertexNormals[corner % 3][a];
            jointOf[numNormals] = JointOfCorner(model, corner);
            ++numNormals;
        }
        normalOfCorner[corner] = numNormals - 1;
    }
    FillRuns(normalRun, numJoints, jointOf, numNormals);
}

// The corners GL draws, group by group, and the distinct ones among them.
void MS3D_SKIN::TakeDrawVertices(const MS3D& model, MS3D_SORTKEY* keys, int32_t* drawCorner) {
    int32_t n = 0;
    for (int g = 0; g < model.numGroups; ++g) {
        const MS3D_GROUP& group = model.groups[g];
        groupFirst[g] = n;
        groupMaterial[g] = group.materialIndex;
        for (int i = 0; group.triangleIndices != nullptr && i < group.numTriangles; ++i) {
            int32_t t = group.triangleIndices[i];
            if (!Drawable(model, t)) continue;
            for (int c = 0; c < 3; ++c) drawCorner[n++] = t * 3 + c;
        }
    }
    groupFirst[model.numGroups] = n;
    for (int32_t k = 0; k < n; ++k) {
        int32_t corner = drawCorner[k];
        const MS3D_TRIANGLE& tri = model.triangles[corner / 3];
        int c = corner % 3;
        keys[k] = {{static_cast<uint32_t>(pointOfVertex[tri.vertexIndices[c]]),
                    static_cast<uint32_t>(normalOfCorner[corner]), Bits(tri.s[c]), Bits(1.0f - tri.t[c])},
                   k};
    }
    MS3D_SORTKEYs(keys, n);
    numDrawVertices = 0;
    for (int32_t k = 0; k < n; ++k) {
        if (k == 0 || !SameKey(keys[k], keys[k - 1])) {
            int32_t corner = drawCorner[keys[k].index];
            const MS3D_TRIANGLE& tri = model.triangles[corner / 3];
            int c = corner % 3;
            MS3D_DRAWVERTEX& dv = drawVertices[numDrawVertices];
            dv.st[0] = tri.s[c];
            dv.st[1] = 1.0f - tri.t[c];
            drawPoint[numDrawVertices] = pointOfVertex[tri.vertexIndices[c]];
            drawNormal[numDrawVertices] = normalOfCorner[corner];
            ++numDrawVertices;
        }
        indices[keys[k].index] = static_cast<uint32_t>(numDrawVertices - 1);
    }
}

void MS3D_SKIN::Repose(const MS3D& model) {
    if (model.skeleton == nullptr || model.numJoints != numJoints) return;
    float* px = points;
    float* py = points + numPoints;
    float* pz = points + 2 * numPoints;
    float* nx = normals;
    float* ny = normals + normalStride;
    float* nz = normals + 2 * normalStride;
    for (int32_t j = 0; j < numJoints; ++j) {
        const Matrix12 from(posedWith[j]);
        const Matrix12 to(model.skeleton[j].absolute);
        ReposeRun<true>(from, to, px, py, pz, pointRun[1 + j], pointRun[2 + j]);
        ReposeRun<false>(from, to, nx, ny, nz, normalRun[1 + j], normalRun[2 + j]);
        posedWith[j] = model.skeleton[j].absolute;
    }
    GatherDrawVertices();
}

void MS3D_SKIN::GatherDrawVertices() {
    const float* px = points;
    const float* py = points + numPoints;
    const float* pz = points + 2 * numPoints;
    const float* nx = normals;
    const float* ny = normals + normalStride;
    const float* nz = normals + 2 * normalStride;
    for (int32_t d = 0; d < numDrawVertices; ++d) {
        MS3D_DRAWVERTEX& out = drawVertices[d];
        int32_t p = drawPoint[d], n = drawNormal[d];
        out.normal[0] = nx[n];
        out.normal[1] = ny[n];
        out.normal[2] = nz[n];
        out.vertex[0] = px[p];
        out.vertex[1] = py[p];
        out.vertex[2] = pz[p];
    }
}

void MS3D_SKIN::Render(const Texture* textures, int numTextures) const {
    if (numDrawVertices == 0) return;
    constexpr GLsizei kStride = sizeof(MS3D_DRAWVERTEX);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, kStride, drawVertices[0].st);
    glNormalPointer(GL_FLOAT, kStride, drawVertices[0].normal);
    glVertexPointer(3, GL_FLOAT, kStride, drawVertices[0].vertex);
    for (int32_t g = 0; g < numGroups; ++g) {
        if (textures != nullptr) {
            int slot = groupMaterial[g];
            glBindTexture(GL_TEXTURE_2D, slot >= 0 && slot < numTextures ? textures[slot].texID : 0);
        }
        GLsizei count = groupFirst[g + 1] - groupFirst[g];
        if (count > 0) glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_INT, indices + groupFirst[g]);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}
