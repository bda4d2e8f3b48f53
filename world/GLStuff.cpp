#include "world/GLStuff.h"

#include <GL/gl.h>

#include <cmath>

float frustum[6][4] = {};

void SetupWorldGLState(VECTOR3D lightPos) {
    const GLfloat ambient[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    const GLfloat diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat specular[4] = {0.3f, 0.3f, 0.3f, 1.0f};
    const GLfloat position[4] = {lightPos.x, lightPos.y, lightPos.z, 1.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glCullFace(GL_BACK);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

namespace {

enum { kRight = 0, kLeft, kBottom, kTop, kFar, kNear, kPlaneCount };

float SignedDistance(int row, VECTOR3D p) {
    const float* f = frustum[row];
    return f[0] * p.x + f[1] * p.y + f[2] * p.z + f[3];
}

// Plane = row 3 of the clip matrix plus (sign = +1) or minus (sign = -1) the
// given row, then scaled so (a, b, c) has unit length.
void SetPlane(int plane, const float* clip, int clipRow, float sign) {
    float* f = frustum[plane];
    for (int col = 0; col < 4; ++col) f[col] = clip[4 * col + 3] + sign * clip[4 * col + clipRow];
    float length = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    for (int i = 0; i < 4; ++i) f[i] /= length;
}

}  // namespace

void ExtractFrustum() {
    float proj[16];
    float modl[16];
    glGetFloatv(GL_PROJECTION_MATRIX, proj);
    glGetFloatv(GL_MODELVIEW_MATRIX, modl);

    float clip[16];
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            clip[4 * c + r] = proj[r] * modl[4 * c] + proj[4 + r] * modl[4 * c + 1] +
                              proj[8 + r] * modl[4 * c + 2] + proj[12 + r] * modl[4 * c + 3];
        }
    }

    SetPlane(kRight, clip, 0, -1.0f);
    SetPlane(kLeft, clip, 0, 1.0f);
    SetPlane(kBottom, clip, 1, 1.0f);
    SetPlane(kTop, clip, 1, -1.0f);
    SetPlane(kFar, clip, 2, -1.0f);
    SetPlane(kNear, clip, 2, 1.0f);
}

bool PointInFrustum(VECTOR3D p) {
    for (int row = 0; row < kPlaneCount; ++row) {
        if (SignedDistance(row, p) <= 0.0f) return false;
    }
    return true;
}

bool SphereInFrustum(VECTOR3D centre, float radius) {
    for (int row = 0; row < kPlaneCount; ++row) {
        if (SignedDistance(row, centre) <= -radius) return false;
    }
    return true;
}

bool SphereInsideSinglePlaneFrustum(int row, VECTOR3D centre, float radius) {
    if (row < 0 || row >= kPlaneCount) return false;
    return SignedDistance(row, centre) > -radius;
}

VECTOR3D PointAtEdgeOfFrustum(int row, VECTOR3D p) {
    if (row < 0 || row >= kPlaneCount) return VECTOR3D{};
    const float a = frustum[row][0], b = frustum[row][1], c = frustum[row][2], d = frustum[row][3];
    VECTOR3D edge = p;
    if (row == kRight || row == kLeft) {
        edge.x = -(b * p.y + d + c * p.z) / a;
    } else if (row == kBottom || row == kTop) {
        edge.y = -(c * p.z + d + a * p.x) / b;
    } else {
        edge.z = -(b * p.y + d + a * p.x) / c;
    }
    return edge;
}
