// The models of the packs: closed, consistently wound surfaces with
// outward normals (no holes, seams or inverted faces); the arrow's and the
// heart's shape, size and budget.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "assets/ResFile.h"
#include "tests/art/ArtTestSupport.h"

namespace {

VECTOR3D Sub(VECTOR3D a, VECTOR3D b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
VECTOR3D Cross(VECTOR3D a, VECTOR3D b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float Dot(VECTOR3D a, VECTOR3D b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
float Length(VECTOR3D a) {
    return std::sqrt(Dot(a, a));
}

struct ModelCase {
    const char* pack;
    int lump;
    const char* what;
};

class EveryModel : public ::testing::TestWithParam<ModelCase> {};

// Within each group every edge (between file vertices) is used by exactly
// two triangles, once in each direction: the group's surfaces are closed and
// all their triangles face the same way.
TEST_P(EveryModel, GroupsAreClosedAndConsistentlyWound) {
    MS3D model;
    ASSERT_TRUE(LoadModelLump(DataDir() + GetParam().pack, GetParam().lump, &model));
    for (int g = 0; g < model.numGroups; ++g) {
        std::map<std::pair<int, int>, int> directed;
        const MS3D_GROUP& group = model.groups[g];
        for (int i = 0; i < group.numTriangles; ++i) {
            const uint16_t* v = model.triangles[group.triangleIndices[i]].vertexIndices;
            for (int k = 0; k < 3; ++k) ++directed[{v[k], v[(k + 1) % 3]}];
        }
        int open = 0, doubled = 0;
        for (const auto& [edge, count] : directed) {
            if (count > 1) ++doubled;
            if (directed.count({edge.second, edge.first}) == 0) ++open;
        }
        EXPECT_EQ(open, 0) << GetParam().what << ", group " << group.name << ": edges without a neighbour";
        EXPECT_EQ(doubled, 0) << GetParam().what << ", group " << group.name
                              << ": edges wound the same way twice";
    }
}

// Corner normals are unit length, point out of the face they belong to
// (within a few degrees past square, which smoothing at the point of a cusp
// may take them; an inverted normal points right back), and the triangles
// enclose a positive volume (their front faces look outwards).
TEST_P(EveryModel, NormalsAreSmoothUnitAndOutward) {
    MS3D model;
    ASSERT_TRUE(LoadModelLump(DataDir() + GetParam().pack, GetParam().lump, &model));
    int against = 0;
    for (int g = 0; g < model.numGroups; ++g) {
        double volume = 0.0;
        const MS3D_GROUP& group = model.groups[g];
        for (int i = 0; i < group.numTriangles; ++i) {
            const MS3D_TRIANGLE& t = model.triangles[group.triangleIndices[i]];
            VECTOR3D a = VertexAt(model, t.vertexIndices[0]), b = VertexAt(model, t.vertexIndices[1]),
                     c = VertexAt(model, t.vertexIndices[2]);
            VECTOR3D face = Cross(Sub(b, a), Sub(c, a));
            volume += Dot(a, Cross(b, c));
            for (int k = 0; k < 3; ++k) {
                VECTOR3D n{t.vertexNormals[k][0], t.vertexNormals[k][1], t.vertexNormals[k][2]};
                EXPECT_NEAR(Length(n), 1.0f, 1e-3f);
                if (Dot(n, face) < -0.1f * Length(face)) ++against;
            }
        }
        EXPECT_GT(volume, 0.0) << GetParam().what << ", group " << group.name << " is turned inside out";
    }
    EXPECT_EQ(against, 0) << GetParam().what << ": corner normals facing into their triangle";
}

// A vertex shared by several triangles has the same normal in all of them:
// shading runs smoothly across the surface.
TEST_P(EveryModel, SharedVerticesShareTheirNormal) {
    MS3D model;
    ASSERT_TRUE(LoadModelLump(DataDir() + GetParam().pack, GetParam().lump, &model));
    std::map<int, VECTOR3D> seen;
    int creases = 0;
    for (int i = 0; i < model.numTriangles; ++i) {
        const MS3D_TRIANGLE& t = model.triangles[i];
        for (int k = 0; k < 3; ++k) {
            VECTOR3D n{t.vertexNormals[k][0], t.vertexNormals[k][1], t.vertexNormals[k][2]};
            auto [it, fresh] = seen.emplace(t.vertexIndices[k], n);
            if (!fresh && Length(Sub(it->second, n)) > 1e-4f) ++creases;
        }
    }
    EXPECT_EQ(creases, 0) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Packs, EveryModel,
                         ::testing::Values(ModelCase{"dovel.ple", 0, "archer"},
                                           ModelCase{"obj.ple", 0, "arrow"},
                                           ModelCase{"obj.ple", 1, "heart"}));

struct Box {
    VECTOR3D lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
};

Box Bounds(const MS3D& model) {
    Box b;
    for (int v = 0; v < model.numVertices; ++v) {
        VECTOR3D p = VertexAt(model, v);
        b.lo = {std::min(b.lo.x, p.x), std::min(b.lo.y, p.y), std::min(b.lo.z, p.z)};
        b.hi = {std::max(b.hi.x, p.x), std::max(b.hi.y, p.y), std::max(b.hi.z, p.z)};
    }
    return b;
}

TEST(Arrow, PointsAlongZFromItsTipAndIsOneAndAHalfUnitsLong) {
    MS3D arrow;
    ASSERT_TRUE(LoadModelLump(DataDir() + "obj.ple", 0, &arrow));
    arrow.Scale(0.05f);
    Box b = Bounds(arrow);
    EXPECT_NEAR(b.hi.z, 0.0f, 0.01f);  // the tip is the model's origin
    EXPECT_NEAR(b.hi.z - b.lo.z, 1.5f, 0.1f);
    EXPECT_LT(b.hi.x - b.lo.x, 0.25f);
    EXPECT_LT(b.hi.y - b.lo.y, 0.25f);
    // The head is at the front (+z) end.
    int head = FindGroup(arrow, "arrowhead");
    ASSERT_GE(head, 0);
    for (int v : GroupVertices(arrow, head)) EXPECT_GT(VertexAt(arrow, v).z, -0.3f);
}

TEST(Heart, IsAboutOneUnitAcrossSymmetricAndLight) {
    MS3D heart;
    ASSERT_TRUE(LoadModelLump(DataDir() + "obj.ple", 1, &heart));
    heart.Scale(0.1f);
    Box b = Bounds(heart);
    EXPECT_NEAR(b.hi.x - b.lo.x, 1.0f, 0.1f);
    EXPECT_GT(b.hi.y - b.lo.y, 0.8f);
    EXPECT_LT(b.hi.z - b.lo.z, b.hi.x - b.lo.x);  // flatter than it is wide
    // Centred on its origin, about which the scene turns it.
    EXPECT_NEAR(b.hi.x + b.lo.x, 0.0f, 1e-3f);
    EXPECT_NEAR(b.hi.y + b.lo.y, 0.0f, 0.05f);
    EXPECT_LE(heart.numTriangles, 400);
    // Mirror symmetric left to right.
    for (int v = 0; v < heart.numVertices; ++v) {
        VECTOR3D p = VertexAt(heart, v);
        float nearest = 1e9f;
        for (int w = 0; w < heart.numVertices; ++w) {
            VECTOR3D q = VertexAt(heart, w);
            nearest = std::min(nearest, Length(Sub(q, {-p.x, p.y, p.z})));
        }
        EXPECT_LT(nearest, 1e-4f) << "vertex " << v << " has no mirror image";
    }
}

TEST(ObjectPack, HoldsTheArrowThenTheHeart) {
    RESFILE pack;
    ASSERT_TRUE(pack.Open((DataDir() + "obj.ple").c_str()));
    EXPECT_EQ(pack.header.lumpCount, 2u);
    MS3D arrow, heart;
    EXPECT_TRUE(LoadModelLump(DataDir() + "obj.ple", 0, &arrow));
    EXPECT_TRUE(LoadModelLump(DataDir() + "obj.ple", 1, &heart));
    EXPECT_EQ(arrow.numJoints, 0);
    EXPECT_EQ(heart.numJoints, 0);
    EXPECT_GT(heart.numTriangles, 100);  // rounded, not a handful of facets
}

}  // namespace
