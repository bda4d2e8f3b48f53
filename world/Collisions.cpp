// The contacts of one frame, resolved before the hearts move: the archer
// pushes hearts out of its way, the arrow bursts the whole hearts it passes,
// and (when allowed) hearts bounce off one another. A contact changes
// velocities only. Distances are compared squared, after a per-axis box test.
#include <cmath>

#include "world/VDMain.h"

namespace {

constexpr float kArcherBox = 3.0f;
constexpr double kArrowBox = 1.3;
constexpr double kHeartBox = 1.1;

// Squared contact distance of a heart of class s with the archer.
double ArcherReach(int32_t s) {
    return 0.1 * s * (-1.1) + 1.1 + s * (-0.1) + 4.0;
}
// ... with the arrow.
double ArrowReach(int32_t s) {
    return 0.1 * s * (-1.2) + 1.2 + s * (-0.1);
}
// One heart's share of the squared contact distance of two hearts.
double HeartReach(int32_t s) {
    return 0.1 * s * (-1.1) + 1.1 + s * (-0.1);
}

bool InFloatBox(VECTOR3D a, VECTOR3D b, float half) {
    return std::fabs(a.x - b.x) < half && std::fabs(a.y - b.y) < half && std::fabs(a.z - b.z) < half;
}

bool InDoubleBox(VECTOR3D a, VECTOR3D b, double half) {
    return std::fabs(static_cast<double>(a.x) - b.x) < half &&
           std::fabs(static_cast<double>(a.y) - b.y) < half &&
           std::fabs(static_cast<double>(a.z) - b.z) < half;
}

VECTOR3D Scaled(VECTOR3D v, float s) {
    return VECTOR3D{v.x * s, v.y * s, v.z * s};
}

}  // namespace

int32_t FragmentsPerBurst(int64_t numHeartsSetting) {
    return static_cast<int32_t>(static_cast<double>(numHeartsSetting) * 0.1) + 5;
}

// The archer shoves a heart within its reach straight away from itself, at
// its own flight speed or the heart's rise, whichever is greater.
bool VDMAIN::PushedByArcher(ONEHEART* heart) {
    if (dovel == nullptr || !InFloatBox(heart->pos, dovel->pos, kArcherBox)) return false;
    if (!(DistanceBetweenVectors(heart->pos, dovel->pos) < ArcherReach(heart->size))) return false;
    VECTOR3D away = SubtractVectors(heart->pos, dovel->pos);
    away.Normalize();
    heart->vel = Scaled(away, heart->rise > dovel->flySpeed ? heart->rise : dovel->flySpeed);
    return true;
}

// A whole heart the arrow touches bursts into fragments; the arrow flies on.
bool VDMAIN::BurstByArrow(ONEHEART* heart) {
    if (!InDoubleBox(heart->pos, arrow.pos, kArrowBox)) return false;
    if (!(DistanceBetweenVectors(heart->pos, arrow.pos) < ArrowReach(heart->size))) return false;
    heart->active = false;
    ++heartsBurst;
    AddHeart(kFragment, FragmentsPerBurst(SETNUMHEARTS), heart->pos);
    return true;
}

// Heart i against heart j: a pair in contact flies apart at the mean of
// their rises, and each remembers the other so the pair is not tested again
// until one of them bounces off a third heart.
void VDMAIN::BounceIfTouching(int32_t i, int32_t j) {
    ONEHEART& a = hearts[i];
    ONEHEART& b = hearts[j];
    if (!b.active || j == i || a.lastHit == j || b.lastHit == i) return;
    if (a.state != kWholeHeart && b.state != kWholeHeart) return;
    if (!InDoubleBox(a.pos, b.pos, kHeartBox)) return;
    if (!(DistanceBetweenVectors(a.pos, b.pos) < HeartReach(a.size) + HeartReach(b.size))) return;
    a.lastHit = j;
    b.lastHit = i;
    a.vel = SubtractVectors(a.pos, b.pos);
    b.vel = SubtractVectors(b.pos, a.pos);
    a.vel.Normalize();
    b.vel.Normalize();
    float speed = (a.rise + b.rise) * 0.5f;
    a.vel = Scaled(a.vel, speed);
    b.vel = Scaled(b.vel, speed);
}

// Heart i against every other heart, in slot order; heart i may bounce off
// several in one pass, and its lastHit then names the last of them. The grid
// leaves out only hearts that cannot pass the box test and hands out the
// rest in slot order, so both searches handle the same pairs in the same
// order.
void VDMAIN::BounceOffHearts(int32_t i) {
    if (heartSearch == HeartSearch::kAllPairs) {
        for (int32_t j = 0; j < numHearts; ++j) BounceIfTouching(i, j);
        return;
    }
    int32_t found = heartGrid.Near(hearts, i, kHeartBox);
    for (int32_t k = 0; k < found; ++k) BounceIfTouching(i, heartGrid.candidates[k]);
}

void VDMAIN::CheckCollisions() {
    if (hearts == nullptr) return;
    // Positions do not change during the pass; only a burst activates slots
    // (its fragments), and the grid is then filed again.
    bool useGrid = HEARTCOLLISIONS && heartSearch == HeartSearch::kGrid;
    if (useGrid) heartGrid.Build(hearts, numHearts);
    for (int32_t i = 0; i < numHearts; ++i) {
        ONEHEART& heart = hearts[i];
        if (!heart.active) continue;
        if (PushedByArcher(&heart)) continue;
        if (arrow.active) {
            // While an arrow flies, fragments take part in no further test.
            if (heart.state != kWholeHeart) continue;
            if (BurstByArrow(&heart)) {
                if (useGrid) heartGrid.Build(hearts, numHearts);
                continue;
            }
        }
        if (HEARTCOLLISIONS) BounceOffHearts(i);
    }
}
