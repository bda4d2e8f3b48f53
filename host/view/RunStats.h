// Statistics of a dovel run, printed as one JSON object by -stats.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct VDMAIN;

// A series of samples with its mean and percentiles.
struct SampleSeries {
    std::vector<double> values;

    void Add(double v) { values.push_back(v); }
    double Mean() const;
    // Nearest-rank percentile, p in (0, 100]; 0 for an empty series.
    double Percentile(double p) const;
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
    double firstPresented = -1.0;  // the run's clock at the first presented frame, seconds; -1 before
    double lastPresented = -1.0;   // and at the last
    std::string error;             // why the scene could not be set up; empty when it was

    // Takes in the world after one drawn frame: counts its live heart slots
    // and copies its running totals of arrows loosed and hearts burst. A run
    // sets its world up once, so the last frame's totals are the run's.
    void ObserveWorld(const VDMAIN& world);
    // Notes the time of a presented frame on the run's clock.
    void Presented(double when);
    // Presented frames per second from the first presented frame to the
    // last; 0 before two frames.
    double PresentedFps() const;
    // One JSON object; "error" appears only when there is one.
    std::string ToJson() const;
};

// Peak resident set size of the process so far, in MiB.
double PeakRssMb();
// CPU time of the whole process (every thread), seconds.
double ProcessCpuSeconds();
// CLOCK_MONOTONIC, seconds.
double MonotonicSeconds();
