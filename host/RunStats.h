// Statistics of a dovel run, printed as one JSON object by -stats.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "maths/NiftyMaths.h"

struct VDMAIN;

// A series of samples with its mean and percentiles.
struct SampleSeries {
    std::vector<double> values;

    void Add(double v) { values.push_back(v); }
    double Mean() const;
    // Nearest-rank percentile, p in (0, 100]; 0 for an empty series.
    double Percentile(double p) const;
};

// Follows the world's public state from one drawn frame to the next:
// counts the arrows loosed (the arrow's active flag rising) and the hearts
// burst (whole hearts that the arrow reaches by the world's collision rule).
struct WorldWatch {
    int64_t arrowsLoosed = 0;
    int64_t heartsBurst = 0;

    // Call after every drawn frame; returns the number of live heart slots.
    int Observe(const VDMAIN& world);
    // Forgets the previous frame (a new world begins).
    void Forget();

private:
    struct WholeHeart {
        VECTOR3D pos;
        int32_t size;
    };
    bool seen = false;
    bool arrowWasActive = false;
    std::vector<WholeHeart> wholeHearts;  // whole hearts alive after the previous frame
};

struct RunStats {
    int64_t frames = 0;
    int64_t ticks = 0;
    double startupMs = 0.0;
    SampleSeries frameMs;
    SampleSeries worldUs;
    double heartsLiveSum = 0.0;
    int64_t heartsLiveFrames = 0;
    int64_t arrowsLoosed = 0;
    int64_t heartsBurst = 0;
    double peakRssMb = 0.0;

    std::string ToJson() const;
};

// Peak resident set size of the process so far, in MiB.
double PeakRssMb();
// CPU time of the whole process (every thread), seconds.
double ProcessCpuSeconds();
// CLOCK_MONOTONIC, seconds.
double MonotonicSeconds();
