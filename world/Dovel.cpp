#include "world/Dovel.h"

#include "world/GLStuff.h"

VECTOR3D GetBounds(VECTOR3D p) {
    VECTOR3D bounds;
    bounds.x = PointAtEdgeOfFrustum(0, p).x;
    bounds.y = PointAtEdgeOfFrustum(3, p).y;
    return bounds;
}
