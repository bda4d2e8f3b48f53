// The 3D heart shape: the zero set of a smooth sextic field (rounded lobes,
// a dimple between them, a soft point below), meshed by casting rays from
// its centre. Used for the floating hearts and for the arrow's head.
#pragma once

#include "tools/gen/Mesh.h"

// Negative inside the heart. Up is +y, the flat faces look along +-z;
// `depth` scales the thickness (1 gives the classic puffy heart).
float HeartField(VECTOR3D p, float depth);

// Where the ray from the origin along the unit direction d leaves the heart.
VECTOR3D HeartSurfacePoint(VECTOR3D d, float depth);

// A heart mesh with `around` segments about the vertical axis and `down`
// rings from the dimple to the point, centred on its bounding box and scaled
// to the given width (across x). Normals are smooth; texture coordinates
// come from uv over (around, down).
MeshPart HeartMesh(int around, int down, float depth, float width, const UvFn& uv);
