// The GL state the world is drawn in, and the six planes of the current view
// volume with the questions the world asks of them: is a point or a sphere
// visible, where does a line of sight cross the edge of the view.
#pragma once

#include "maths/NiftyMaths.h"

// Where the scene puts light 0: above and behind the viewer.
constexpr VECTOR3D kWorldLightPos{0.0f, 5.0f, 5.0f};

// Sets the state the world's drawing relies on: light 0 (no ambient, white
// diffuse, dim specular) at lightPos, taken through the current model-view
// as GL does, lighting with light 0 on, back faces chosen for culling,
// sphere-map generation for S and T (switched on where it is used), and the
// blend function for alpha. Depth test, shading and colour material are the
// host's and are left alone.
void SetupWorldGLState(VECTOR3D lightPos);

// Rows: 0 right, 1 left, 2 bottom, 3 top, 4 far, 5 near. Each row is
// (a, b, c, d) with (a, b, c) the unit normal pointing into the view volume;
// a*x + b*y + c*z + d is the signed distance of a point, positive inside.
// All zero until the first ExtractFrustum.
extern float frustum[6][4];

// Fills frustum from the GL projection and model-view matrices, so the
// planes are in the coordinates the current model-view takes as input.
void ExtractFrustum();

// True when p is strictly inside all six planes (on a plane is outside).
bool PointInFrustum(VECTOR3D p);
// False when the sphere lies wholly outside, or only touches, any plane.
bool SphereInFrustum(VECTOR3D centre, float radius);
// True when the sphere reaches the inner side of the one plane row.
bool SphereInsideSinglePlaneFrustum(int row, VECTOR3D centre, float radius);
// Slides p along one axis onto plane row (x for right/left, y for
// bottom/top, z for far/near); any other row gives (0, 0, 0).
VECTOR3D PointAtEdgeOfFrustum(int row, VECTOR3D p);
