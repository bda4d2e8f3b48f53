// Signed distance functions of the 2D shapes the pictures are made of
// (negative inside, in the units of the arguments), and small helpers.
#pragma once

float Smoothstep(float edge0, float edge1, float x);
float Clamp01(float x);

// A heart of the given size: the point of the heart at (cx, cy + 0.55 size),
// the lobes at the top, about 1.2 size wide and 1.1 size tall, y growing
// downwards as in pictures. (cx, cy) is roughly the heart's centre.
float HeartDistance(float x, float y, float cx, float cy, float size);
float CircleDistance(float x, float y, float cx, float cy, float radius);
// A rectangle with rounded corners, centre (cx, cy), half extents hw, hh.
float RoundedBoxDistance(float x, float y, float cx, float cy, float hw, float hh, float radius);
// A capsule: the segment (ax, ay)-(bx, by) thickened by radius.
float SegmentDistance(float x, float y, float ax, float ay, float bx, float by, float radius);
// A four-pointed sparkle (two crossed slim diamonds) of the given radius.
float SparkleDistance(float x, float y, float cx, float cy, float radius);
