// The models of the packs: closed, consistently wound surfaces with
// outward normals (no holes, seams or inverted faces); the arrow's and the
// heart's shape, size and budget.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <utility>

#include "assets/ResFile.h"
#include "tests/art/ArtTestSupport.h"

namespace {

struct ModelCase {
    const char* pack;
    int lump;
    const char* what;
};

// Names the case in test names and messages.
void PrintTo(const ModelCase& c, std::ostream* out) {
    *out << c.what;
}

class EveryModel : public ::testing::TestWithParam<ModelCase> {};

VECTOR3D CornerNormal(const MS3D_TRIANGLE& t, int k) {
    return {t.vertexNormals[k][0], t.vertexNormals[k][1], t.vertexNormals[k][2]};
}

// Within each group every edge (between file vertices) is used by exactly
// two triangles, once in each direction: the group's surfaces are closed and
// all their triangles face the same way. The triangles enclose a positive
// volume (their front faces look outwards). Corner normals are unit length
// and point out of the face they belong to (within a few degrees past
// square, which smoothing at the point of a cusp may take them; an inverted
// normal points right back).
TEST_P(EveryModel, GroupsAreClosedConsistentlyWoundAndFaceOutwards) {
    MS3D model;
    ASSERT_TRUE(LoadModelLump(GetParam().pack, GetParam().lump, &model));
    int against = 0;
    for (int g = 0; g < model.numGroups; ++g) {
        const MS3D_GROUP& group = model.groups[g];
        SCOPED_TRACE(std::string(GetParam().what) + ", group " + group.name);
        std::map<std::pair<int, int>, int> directed;
        double volume = 0.0;
        for (int i = 0; i < group.numTriangles; ++i) {
            const MS3D_TRIANGLE& t = model.triangles[group.triangleIndices[i]];
            const uint16_t* v = t.vertexIndices;
            for (int k = 0; k < 3; ++k) ++directed[{v[k], v[(k + 1) % 3]}];
            VECTOR3D a = VertexAt(model, v[0]), b = VertexAt(model, v[1]), c = VertexAt(model, v[2]);
            VECTOR3D face = VectorCrossProduct(SubtractVectors(b, a), SubtractVectors(c, a));
            volume += VectorDotProduct(a, VectorCrossProduct(b, c));
            for (int k = 0; k < 3; ++k) {
                EXPECT_NEAR(VectorLength(CornerNormal(t, k)), 1.0, 1e-3);
                if (VectorDotProduct(CornerNormal(t, k), face) < -0.1 * VectorLength(face)) ++against;
            }
        }
        int open = 0, doubled = 0;
        for (const auto& [edge, count] : directed) {
            doubled += count > 1;
            open += directed.count({edge.second, edge.first}) == 0;
        }
        EXPECT_EQ(open, 0) << "edges without a neighbour";
        EXPECT_EQ(doubled, 0) << "edges wound the same way twice";
        EXPECT_GT(volume, 0.0) << "turned inside out";
    }
    EXPECT_EQ(against, 0) << GetParam().what << ": corner normals facing into their triangle";
}

// A vertex shared by several triangles has the same normal in all of them:
// shading runs smoothly across the surface.
TEST_P(EveryModel, SharedVerticesShareTheirNormal) {
    MS3D model;
    ASSERT_TRUE(LoadModelLump(GetParam().pack, GetParam().lump, &model));
    std::map<int, VECTOR3D> seen;
    int creases = 0;
    for (int i = 0; i < model.numTriangles; ++i)
        for (int k = 0; k < 3; ++k) {
            VECTOR3D n = CornerNormal(model.triangles[i], k);
            auto [it, fresh] = seen.emplace(model.triangles[i].vertexIndices[k], n);
            creases += !fresh && DistanceBetweenVectors(it->second, n) > 1e-4;
        }
    EXPECT_EQ(creases, 0) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Packs, EveryModel,
                         ::testing::Values(ModelCase{"dovel.ple", 0, "archer"},
                                           ModelCase{"obj.ple", 0, "arrow"},
                                           ModelCase{"obj.ple", 1, "heart"}));

// The object pack's model at lump, scaled, with its bounding box; it has no
// joints.
struct Object {
    MS3D model;
    VECTOR3D lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
    Object(int lump, float scale) {
        RESFILE pack;
        EXPECT_TRUE(pack.Open((DataDir() + "obj.ple").c_str()));
        EXPECT_EQ(pack.header.lumpCount, 2u);  // the arrow, then the heart
        EXPECT_TRUE(LoadModelLump("obj.ple", lump, &model));
        EXPECT_EQ(model.numJoints, 0);
        model.Scale(scale);
        for (int v = 0; v < model.numVertices; ++v) {
            VECTOR3D p = VertexAt(model, v);
            lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
            hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
        }
    }
};

TEST(Arrow, PointsAlongZFromItsTipAndIsOneAndAHalfUnitsLong) {
    Object arrow(0, 0.05f);
    EXPECT_NEAR(arrow.hi.z, 0.0f, 0.01f);  // the tip is the model's origin
    EXPECT_NEAR(arrow.hi.z - arrow.lo.z, 1.5f, 0.1f);
    EXPECT_LT(arrow.hi.x - arrow.lo.x, 0.25f);
    EXPECT_LT(arrow.hi.y - arrow.lo.y, 0.25f);
    // The head is at the front (+z) end.
    std::vector<int> head = GroupVertices(arrow.model, "arrowhead");
    EXPECT_FALSE(head.empty());
    for (int v : head) EXPECT_GT(VertexAt(arrow.model, v).z, -0.3f);
}

TEST(Heart, IsAboutOneUnitAcrossSymmetricRoundedAndLight) {
    Object heart(1, 0.1f);
    const VECTOR3D size = SubtractVectors(heart.hi, heart.lo);
    EXPECT_NEAR(size.x, 1.0f, 0.1f);
    EXPECT_GT(size.y, 0.8f);
    EXPECT_LT(size.z, size.x);  // flatter than it is wide
    // Centred on its origin, about which the scene turns it.
    EXPECT_NEAR(heart.hi.x + heart.lo.x, 0.0f, 1e-3f);
    EXPECT_NEAR(heart.hi.y + heart.lo.y, 0.0f, 0.05f);
    EXPECT_GT(heart.model.numTriangles, 100);  // rounded, not a handful of facets
    EXPECT_LE(heart.model.numTriangles, 400);
    // Mirror symmetric left to right.
    for (int v = 0; v < heart.model.numVertices; ++v) {
        VECTOR3D p = VertexAt(heart.model, v);
        double nearest = 1e9;
        for (int w = 0; w < heart.model.numVertices; ++w)
            nearest = std::min(nearest, DistanceBetweenVectors(VertexAt(heart.model, w), {-p.x, p.y, p.z}));
        EXPECT_LT(nearest, 1e-4) << "vertex " << v << " has no mirror image";
    }
}

}  // namespace
