// A spatial hash of the live hearts for the heart-to-heart contacts: the
// space is cut into cubes, each heart filed under the cube of its centre.
// For one heart the grid reads the cubes its contact box overlaps and hands
// out the hearts there that pass the box test,
// in ascending slot order, which lets the collision pass handle exactly the
// pairs the plain all-pairs search would, in the same order, while looking
// at a few instead of all.
#pragma once

#include <cstdint>

struct ONEHEART;

struct HeartGrid {
    int32_t capacity = 0;             // slots the grid can hold
    uint32_t bucketMask = 0;          // buckets - 1 (a power of two)
    int32_t* bucketStart = nullptr;   // bucketMask + 2 entries: slots of bucket b are
                                      // slots[bucketStart[b]] .. slots[bucketStart[b + 1] - 1]
    int32_t* slots = nullptr;         // capacity entries, ascending within each bucket
    uint32_t* bucketOf = nullptr;     // capacity entries: bucket of each gridded slot
    int32_t* candidates = nullptr;    // capacity entries: the last Near answer
    uint32_t* bucketStamp = nullptr;  // per bucket: the question that last read it
    uint32_t stamp = 0;

    HeartGrid() = default;
    ~HeartGrid() { Cleanup(); }
    HeartGrid(const HeartGrid&) = delete;
    HeartGrid& operator=(const HeartGrid&) = delete;

    // Allocates room for a pool of `slotCount` hearts; false when memory runs
    // out (the grid is then empty).
    bool Setup(int32_t slotCount);
    void Cleanup();

    // Files every active heart of hearts[0 .. count) with a finite position
    // (a heart elsewhere can pass no box test). count must not exceed the
    // capacity.
    void Build(const ONEHEART* hearts, int32_t count);

    // The filed slots whose hearts lie within the box of
    // half-width `half` around hearts[i] along every axis (compared in
    // double, as the collision pass does), ascending, in candidates; returns
    // how many. hearts must be
    // the array the grid was built from, unmoved since.
    int32_t Near(const ONEHEART* hearts, int32_t i, double half);
};
