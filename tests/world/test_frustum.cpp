// The view-frustum table extracted from the system's own camera (45 degree
// vertical field of view, near 1, far 120) in a real GL context.
#include <GL/gl.h>

#include <cmath>
#include <cstring>

#include "maths/Misc.h"
#include "tests/support/GLHarness.h"
#include "world/Dovel.h"
#include "world/GLStuff.h"

namespace {

const double kTanHalfFov = std::tan(22.5 * kPi / 180.0);

// The table as it stood before any test ran: copied during static
// initialisation, after the table's own zero initialisation.
struct InitialTable {
    float planes[6][4];
    InitialTable() { std::memcpy(planes, frustum, sizeof planes); }
};
const InitialTable initialTable;

void Extract(int w = 256, int h = 256) {
    SetSceneCamera(w, h);
    ExtractFrustum();
}

TEST_F(GLTest, FrustumTableIsZeroUntilFirstExtraction) {
    const float zero[6][4] = {};
    EXPECT_EQ(std::memcmp(initialTable.planes, zero, sizeof zero), 0);
    // With a zero table every distance is 0, so nothing is inside.
    std::memset(frustum, 0, sizeof frustum);
    EXPECT_FALSE(PointInFrustum(MakePoint(0, 0, -10)));
    EXPECT_FALSE(SphereInFrustum(MakePoint(0, 0, -10), 0.0f));
}

TEST_F(GLTest, FrustumOfTheSystemCameraAtSquareAndWideAspects) {
    for (double aspect : {1.0, 1280.0 / 720.0}) {
        SCOPED_TRACE(aspect);
        Extract(aspect == 1.0 ? 256 : 1280, aspect == 1.0 ? 256 : 720);
        for (int row = 0; row < 6; ++row)
            EXPECT_NEAR(std::hypot(frustum[row][0], frustum[row][1], frustum[row][2]), 1.0, 1e-6) << row;
        // Half-width and half-height of the visible area grow with depth.
        VECTOR3D near7 = GetBounds(MakePoint(0, 0, -7));
        EXPECT_NEAR(near7.x, 7 * kTanHalfFov * aspect, 1e-4);
        EXPECT_NEAR(near7.y, 7 * kTanHalfFov, 1e-4);  // 2.9
        EXPECT_EQ(near7.z, 0.0f);
        VECTOR3D deep = GetBounds(MakePoint(0, 0, -41.9f));
        EXPECT_NEAR(deep.x, 41.9 * kTanHalfFov * aspect, 1e-3);
        EXPECT_NEAR(deep.y, 17.36, 0.01);
        // Just inside and just outside each side edge.
        for (float z : {-1.5f, -7.0f, -41.9f, -119.0f}) {
            VECTOR3D b = GetBounds(MakePoint(0, 0, z));
            EXPECT_TRUE(PointInFrustum(MakePoint(0.999f * b.x, 0.999f * b.y, z))) << z;
            EXPECT_TRUE(PointInFrustum(MakePoint(-0.999f * b.x, -0.999f * b.y, z))) << z;
            for (VECTOR3D out :
                 {MakePoint(b.x, 0, z), MakePoint(-b.x, 0, z), MakePoint(0, b.y, z), MakePoint(0, -b.y, z)})
                EXPECT_FALSE(PointInFrustum(MakePoint(1.001f * out.x, 1.001f * out.y, z))) << z;
        }
    }
}

TEST_F(GLTest, FrustumPlanesComeInTheirOrderAndPointsSlideOntoThem) {
    Extract();
    // Inward normals: right points to -x, left to +x, bottom to +y, top to
    // -y, far to +z, near to -z.
    EXPECT_LT(frustum[0][0], 0.0f);
    EXPECT_GT(frustum[1][0], 0.0f);
    EXPECT_GT(frustum[2][1], 0.0f);
    EXPECT_LT(frustum[3][1], 0.0f);
    EXPECT_NEAR(frustum[4][2], 1.0f, 1e-6f);
    EXPECT_NEAR(frustum[4][3], 120.0f, 1e-3f);
    EXPECT_NEAR(frustum[5][2], -1.0f, 1e-6f);
    EXPECT_NEAR(frustum[5][3], -1.0f, 1e-6f);
    EXPECT_NEAR(PointAtEdgeOfFrustum(4, MakePoint(1, 2, -5)).z, -120.0f, 1e-3f);
    EXPECT_NEAR(PointAtEdgeOfFrustum(5, MakePoint(1, 2, -5)).z, -1.0f, 1e-6f);
    VECTOR3D left = PointAtEdgeOfFrustum(1, MakePoint(0, 3, -10));
    EXPECT_TRUE(CompareVectors(left, MakePoint(left.x, 3, -10)));
    EXPECT_NEAR(left.x, -10 * kTanHalfFov, 1e-4);
    VECTOR3D bottom = PointAtEdgeOfFrustum(2, MakePoint(4, 0, -10));
    EXPECT_NEAR(bottom.y, -10 * kTanHalfFov, 1e-4);
    EXPECT_EQ(bottom.x, 4.0f);
    // Rows outside the table give the origin and reach no sphere.
    for (int row : {6, 7, -1, -100, 1000}) {
        EXPECT_TRUE(CompareVectors(PointAtEdgeOfFrustum(row, MakePoint(3, 4, -5)), MakePoint(0, 0, 0)))
            << row;
        EXPECT_FALSE(SphereInsideSinglePlaneFrustum(row, MakePoint(0, 0, -10), 1.0f)) << row;
    }
}

TEST_F(GLTest, FrustumNearAndFarPlanesAndSpheresAtTheEdges) {
    Extract();
    EXPECT_FALSE(PointInFrustum(MakePoint(0, 0, -1)));  // on the near plane
    EXPECT_TRUE(PointInFrustum(MakePoint(0, 0, -1.01f)));
    EXPECT_FALSE(PointInFrustum(MakePoint(0, 0, 0)));
    EXPECT_TRUE(PointInFrustum(MakePoint(0, 0, -119.9f)));
    EXPECT_FALSE(PointInFrustum(MakePoint(0, 0, -120.1f)));
    EXPECT_TRUE(SphereInFrustum(MakePoint(0, 0, 0), 1.5f));
    EXPECT_FALSE(SphereInFrustum(MakePoint(0, 0, 0), 1.0f));  // only touches the near plane
    EXPECT_FALSE(SphereInFrustum(MakePoint(0, 0, 0), 0.5f));
    EXPECT_TRUE(SphereInFrustum(MakePoint(0, 0, -121), 1.5f));
    EXPECT_FALSE(SphereInFrustum(MakePoint(0, 0, -122), 1.5f));
    // A centre 1 unit right of the edge at z = -20 is cos(22.5) from the
    // tilted plane: still seen while its radius reaches back over the edge.
    VECTOR3D outside = MakePoint(GetBounds(MakePoint(0, 0, -20)).x + 1.0f, 0, -20);
    float distance = static_cast<float>(std::cos(22.5 * kPi / 180.0));
    EXPECT_FALSE(PointInFrustum(outside));
    EXPECT_TRUE(SphereInFrustum(outside, distance * 1.01f));
    EXPECT_FALSE(SphereInFrustum(outside, distance * 0.99f));
    EXPECT_TRUE(SphereInsideSinglePlaneFrustum(0, outside, distance * 1.01f));
    EXPECT_FALSE(SphereInsideSinglePlaneFrustum(0, outside, distance * 0.99f));
    // The left plane does not care about a point off to the right.
    EXPECT_TRUE(SphereInsideSinglePlaneFrustum(1, outside, 0.0f));
}

TEST_F(GLTest, FrustumPlanesFollowTheModelView) {
    // Extracted under a translated model-view, the planes are in the
    // coordinates the model-view takes as input: moving the scene 10 units
    // away shifts the near plane to z = 9.
    SetSceneCamera(width, height);
    glTranslatef(0, 0, -10);
    ExtractFrustum();
    EXPECT_TRUE(PointInFrustum(MakePoint(0, 0, 8.9f)));
    EXPECT_FALSE(PointInFrustum(MakePoint(0, 0, 9.1f)));
    EXPECT_NEAR(PointAtEdgeOfFrustum(5, MakePoint(0, 0, 0)).z, 9.0f, 1e-5f);
    // A later extraction replaces the table.
    Extract();
    EXPECT_FALSE(PointInFrustum(MakePoint(0, 0, 8.9f)));
}

}  // namespace
