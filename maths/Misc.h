// Small helpers: constructors for the plain maths types, angle wrapping,
// point rotation, face normals, and debug writers for ad-hoc tracing.
#pragma once

#include <string>

#include "maths/NiftyMaths.h"

VECTOR3D MakePoint(float x, float y, float z);
point2d Make2DPoint(float x, float y);
COLOUR MakeColour(float r, float g, float b, float a);

// Wraps an angle: adds max while below min, subtracts max while >= max.
// Every caller passes (0, 360).
double clamp(double value, double min, double max);

// Rotates *p about x by ax, then y by ay, then z by az (degrees).
void Rotate(VECTOR3D* p, float ax, float ay, float az);

// (a - b) x (b - c), not normalised.
VECTOR3D CalculateNormal(VECTOR3D a, VECTOR3D b, VECTOR3D c);

// Debug writers: append to debug.txt / test.txt in the temporary folder
// ($TMPDIR, else /tmp), opening and closing the file on every call.
std::string DebugFilePath(const char* name);
void DEBUG(double value);
void DEBUGstr(const char* text);
void DEBUGp3d(VECTOR3D p);
void SaveMatrix(const MATRIX& m);
