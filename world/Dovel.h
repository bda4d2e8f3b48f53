#pragma once

#include "maths/NiftyMaths.h"

VECTOR3D GetBounds(VECTOR3D p);
