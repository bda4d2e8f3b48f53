#include "world/HeartGrid.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "world/Hearts.h"

namespace {

// Cubes 2.3 units wide: a question reads the cubes its box overlaps, one or
// two along each axis for the contact box of half-width 1.1.
constexpr double kCubesPerUnit = 1.0 / 2.3;
// Far more than the rounding of a coordinate within the clamped range.
constexpr double kCubeMargin = 0.01;
// Cube coordinates are clamped here; clamping keeps neighbours neighbours,
// so far-off hearts only share cubes (and are then sorted out by the box test).
constexpr double kCubeLimit = 1048576.0;

int32_t CubeOf(double coordinate) {
    double cube = std::floor(coordinate * kCubesPerUnit);
    return static_cast<int32_t>(std::clamp(cube, -kCubeLimit, kCubeLimit));
}

uint32_t HashCube(int32_t x, int32_t y, int32_t z) {
    return (static_cast<uint32_t>(x) * 73856093u) ^ (static_cast<uint32_t>(y) * 19349663u) ^
           (static_cast<uint32_t>(z) * 83492791u);
}

bool Gridded(const ONEHEART& heart) {
    return heart.active && std::isfinite(heart.pos.x) && std::isfinite(heart.pos.y) &&
           std::isfinite(heart.pos.z);
}

// Sorts a short array in place; the lists here hold a few dozen entries.
void SortShort(int32_t* values, int32_t count) {
    if (count > 48) {
        std::sort(values, values + count);
        return;
    }
    for (int32_t i = 1; i < count; ++i) {
        int32_t v = values[i];
        int32_t k = i;
        for (; k > 0 && values[k - 1] > v; --k) values[k] = values[k - 1];
        values[k] = v;
    }
}

}  // namespace

bool HeartGrid::Setup(int32_t slotCount) {
    Cleanup();
    if (slotCount <= 0) return true;
    uint32_t buckets = 64;
    while (buckets < 2u * static_cast<uint32_t>(slotCount)) buckets *= 2;
    bucketStart = new (std::nothrow) int32_t[buckets + 1];
    bucketStamp = new (std::nothrow) uint32_t[buckets]();
    slots = new (std::nothrow) int32_t[slotCount];
    bucketOf = new (std::nothrow) uint32_t[slotCount];
    candidates = new (std::nothrow) int32_t[slotCount];
    if (bucketStart == nullptr || bucketStamp == nullptr || slots == nullptr || bucketOf == nullptr ||
        candidates == nullptr) {
        Cleanup();
        return false;
    }
    capacity = slotCount;
    bucketMask = buckets - 1;
    return true;
}

void HeartGrid::Cleanup() {
    delete[] bucketStart;
    delete[] bucketStamp;
    bucketStamp = nullptr;
    stamp = 0;
    delete[] slots;
    delete[] bucketOf;
    delete[] candidates;
    bucketStart = slots = candidates = nullptr;
    bucketOf = nullptr;
    capacity = 0;
    bucketMask = 0;
}

// A counting sort of the slots by bucket: walking the slots in index order
// leaves each bucket's list ascending.
void HeartGrid::Build(const ONEHEART* hearts, int32_t count) {
    if (capacity == 0) return;
    if (count > capacity) count = capacity;
    std::fill(bucketStart, bucketStart + bucketMask + 2, 0);
    for (int32_t i = 0; i < count; ++i) {
        const ONEHEART& heart = hearts[i];
        if (!Gridded(heart)) continue;
        uint32_t b = HashCube(CubeOf(heart.pos.x), CubeOf(heart.pos.y), CubeOf(heart.pos.z)) & bucketMask;
        bucketOf[i] = b;
        ++bucketStart[b + 1];
    }
    for (uint32_t b = 0; b <= bucketMask; ++b) bucketStart[b + 1] += bucketStart[b];
    // bucketStart[b] now marks where bucket b begins; fill moves each start to
    // the next bucket's, after which the starts are shifted back below.
    for (int32_t i = 0; i < count; ++i) {
        if (!Gridded(hearts[i])) continue;
        slots[bucketStart[bucketOf[i]]++] = i;
    }
    for (uint32_t b = bucketMask + 1; b > 0; --b) bucketStart[b] = bucketStart[b - 1];
    bucketStart[0] = 0;
}

int32_t HeartGrid::Near(const ONEHEART* hearts, int32_t i, double half) {
    const ONEHEART& heart = hearts[i];
    if (capacity == 0 || !Gridded(heart)) return 0;
    // Neighbouring cubes may share a bucket: the stamp lets each bucket be
    // read once per question.
    if (++stamp == 0) {
        std::fill(bucketStamp, bucketStamp + bucketMask + 1, 0u);
        stamp = 1;
    }
    const double x = heart.pos.x, y = heart.pos.y, z = heart.pos.z;
    // The cubes the box overlaps, widened a little so that rounding cannot
    // leave out a cube a neighbour within the box was filed in.
    const double reach = half + kCubeMargin;
    int32_t x0 = CubeOf(x - reach), x1 = CubeOf(x + reach);
    int32_t y0 = CubeOf(y - reach), y1 = CubeOf(y + reach);
    int32_t z0 = CubeOf(z - reach), z1 = CubeOf(z + reach);
    int32_t found = 0;
    for (int32_t cx = x0; cx <= x1; ++cx)
        for (int32_t cy = y0; cy <= y1; ++cy)
            for (int32_t cz = z0; cz <= z1; ++cz) {
                uint32_t b = HashCube(cx, cy, cz) & bucketMask;
                if (bucketStamp[b] == stamp) continue;
                bucketStamp[b] = stamp;
                for (int32_t s = bucketStart[b]; s < bucketStart[b + 1]; ++s) {
                    const VECTOR3D& p = hearts[slots[s]].pos;
                    if (std::fabs(x - p.x) < half && std::fabs(y - p.y) < half && std::fabs(z - p.z) < half)
                        candidates[found++] = slots[s];
                }
            }
    SortShort(candidates, found);
    return found;
}
