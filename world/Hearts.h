// The hearts: one slot of the world's fixed heart pool, and the depth order
// in which blended hearts are drawn. The pool itself and its per-frame work
// (spawning, collisions, motion, drawing) are members of VDMAIN.
#pragma once

#include <cstdint>

#include "maths/NiftyMaths.h"

// A heart index that names no slot (an unset lastHit or targetHeart).
constexpr int32_t kNoSlot = -1;

// Size classes: 0 to 4 whole hearts, 5 to 9 fragments; one display list each.
constexpr int kHeartSizes = 10;
constexpr int kWholeHeartSizes = 5;

// Values of ONEHEART::state and of AddHeart's kind.
constexpr int32_t kWholeHeart = 0;
constexpr int32_t kFragment = 1;

// A whole heart at most this fast is slow enough for the archer to aim at.
constexpr float kSlowHeartRise = 3.0f;

struct ONEHEART {
    VECTOR3D pos;         // centre, world units
    VECTOR3D rot;         // degrees; only y is drawn
    VECTOR3D spin;        // degrees per second, added to rot; x and z stay 0
    VECTOR3D vel;         // units per second
    float rise = 0.0f;    // a whole heart's rising speed, 1 to 10; also its push speed
    int32_t size = 0;     // size class 0 to 9
    VECTOR3D col;         // own colour, used with random shades
    bool active = false;  // the slot holds a live heart
    int32_t state = kWholeHeart;
    int32_t lastHit = kNoSlot;  // slot of the heart it last bounced off

    // Makes the slot a new whole heart just below the bottom edge of the
    // view, at a random depth, column, rise and spin. Reads the frustum.
    void Reset();
    // One step of dt seconds: a whole heart eases back to its straight rise,
    // a fragment falls; then position and turn advance. Nothing when inactive.
    void Move(double dt);
};

// Model scale of size class s: 0.1 for class 0 down to 0.01 for class 9.
double HeartScale(int32_t size);
// Radius of the sphere that must stay in view for the heart to live.
double HeartVisibleRadius(int32_t size);
// How far below the bottom edge of the view a whole heart enters.
double HeartEntryDrop(int32_t size);

// qsort comparator on the z of two ONEHEART records: ascending z, so the
// farthest heart comes first. Equal or unordered depths compare equal.
int compare_depth(const void* a, const void* b);
