// The one clock the host reads: frame steps come from Now() (monotonic, so a
// change of the wall clock never makes the scene jump) and the random seed
// from WallSeconds(). Tests and headless runs use VirtualClock to drive exact
// 60 Hz ticks and a fixed seed.
#pragma once

#include <cstdint>

class HostClock {
public:
    virtual ~HostClock() = default;
    // Seconds on a clock that only moves forward.
    virtual double Now() = 0;
    // Wall-clock time in whole seconds: seeds the random generator.
    virtual int64_t WallSeconds() = 0;
};

// CLOCK_MONOTONIC and time().
class SystemClock : public HostClock {
public:
    double Now() override;
    int64_t WallSeconds() override;
};

// A clock that moves only when told to. Tick(n) stands at n / rate seconds,
// so every step between ticks is exactly one period.
class VirtualClock : public HostClock {
public:
    explicit VirtualClock(double ticksPerSecond = 60.0, int64_t wallSeconds = 0)
        : rate(ticksPerSecond), wall(wallSeconds) {}
    double Now() override { return seconds; }
    int64_t WallSeconds() override { return wall; }

    void SetTick(int64_t tick) { seconds = static_cast<double>(tick) / rate; }
    void SetSeconds(double s) { seconds = s; }
    void AddSeconds(double s) { seconds += s; }
    void SetWallSeconds(int64_t s) { wall = s; }

private:
    double rate;
    int64_t wall;
    double seconds = 0.0;
};
