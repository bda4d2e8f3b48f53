#include "world/HeartGrid.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "world/Hearts.h"

namespace {

// Cubes 1.25 units wide, wider than the 2 x 1.1 span of the contact box's
// half-width: two hearts less than 1.1 apart along an axis (however the
// products round) lie at most one cube apart along it.
constexpr double kCubesPerUnit = 0.8;
// Cube coordinates are clamped here; clamping keeps neighbours neighbours,
// so far-off hearts only share cubes (and are then sorted out by the box test).
constexpr double kCubeLimit = 1048576.0;

int32_t CubeOf(float coordinate) {
    double cube = std::floor(static_cast<double>(coordinate) * kCubesPerUnit);
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
    slots = new (std::nothrow) int32_t[slotCount];
    bucketOf = new (std::nothrow) uint32_t[slotCount];
    candidates = new (std::nothrow) int32_t[slotCount];
    if (bucketStart == nullptr || slots == nullptr || bucketOf == nullptr || candidates == nullptr) {
        Cleanup();
        return false;
    }
    capacity = slotCount;
    bucketMask = buckets - 1;
    return true;
}

void HeartGrid::Cleanup() {
    delete[] bucketStart;
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

int32_t HeartGrid::Candidates(const ONEHEART& heart) {
    if (capacity == 0 || !std::isfinite(heart.pos.x) || !std::isfinite(heart.pos.y) ||
        !std::isfinite(heart.pos.z))
        return 0;
    int32_t cx = CubeOf(heart.pos.x), cy = CubeOf(heart.pos.y), cz = CubeOf(heart.pos.z);
    // Neighbouring cubes may share a bucket: each bucket is read once.
    int32_t buckets[27];
    int32_t numBuckets = 0;
    for (int32_t dx = -1; dx <= 1; ++dx)
        for (int32_t dy = -1; dy <= 1; ++dy)
            for (int32_t dz = -1; dz <= 1; ++dz)
                buckets[numBuckets++] =
                    static_cast<int32_t>(HashCube(cx + dx, cy + dy, cz + dz) & bucketMask);
    SortShort(buckets, numBuckets);
    int32_t found = 0;
    for (int32_t k = 0; k < numBuckets; ++k) {
        if (k > 0 && buckets[k] == buckets[k - 1]) continue;
        for (int32_t s = bucketStart[buckets[k]]; s < bucketStart[buckets[k] + 1]; ++s)
            candidates[found++] = slots[s];
    }
    SortShort(candidates, found);
    return found;
}
