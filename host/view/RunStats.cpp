#include "host/view/RunStats.h"

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "base/Text.h"
#include "world/VDMain.h"

namespace {

double ClockSeconds(clockid_t id) {
    timespec ts{};
    clock_gettime(id, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void PrintSeries(std::string* out, const char* name, const SampleSeries& s) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "\"%s\":{\"mean\":%.3f,\"p50\":%.3f,\"p99\":%.3f}", name, s.Mean(),
                  s.Percentile(50.0), s.Percentile(99.0));
    *out += buf;
}

int LiveHeartSlots(const VDMAIN& world) {
    int live = 0;
    for (int32_t i = 0; world.hearts != nullptr && i < world.numHearts; ++i)
        if (world.hearts[i].active) ++live;
    return live;
}

}  // namespace

double SampleSeries::Mean() const {
    if (values.empty()) return 0.0;
    double sum = 0.0;
    for (double v : values) sum += v;
    return sum / static_cast<double>(values.size());
}

double SampleSeries::Percentile(double p) const {
    if (values.empty()) return 0.0;
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    double rank = std::ceil(p / 100.0 * static_cast<double>(sorted.size()));
    size_t index = rank < 1.0 ? 0 : static_cast<size_t>(rank) - 1;
    return sorted[std::min(index, sorted.size() - 1)];
}

void RunStats::ObserveWorld(const VDMAIN& world) {
    heartsLiveSum += LiveHeartSlots(world);
    ++heartsLiveFrames;
    arrowsLoosed = world.arrowsLoosed;
    heartsBurst = world.heartsBurst;
}

void RunStats::Presented(double when) {
    if (firstPresented < 0.0) firstPresented = when;
    lastPresented = when;
}

double RunStats::PresentedFps() const {
    const double span = lastPresented - firstPresented;
    if (frames < 2 || firstPresented < 0.0 || span <= 0.0) return 0.0;
    return static_cast<double>(frames - 1) / span;
}

std::string RunStats::ToJson() const {
    char buf[256];
    std::string out = "{";
    std::snprintf(buf, sizeof buf, "\"frames\":%lld,\"ticks\":%lld,\"startup_ms\":%.3f,",
                  static_cast<long long>(frames), static_cast<long long>(ticks), startupMs);
    out += buf;
    PrintSeries(&out, "frame_ms", frameMs);
    out += ",";
    PrintSeries(&out, "world_us", worldUs);
    double liveMean = heartsLiveFrames > 0 ? heartsLiveSum / static_cast<double>(heartsLiveFrames) : 0.0;
    std::snprintf(
        buf, sizeof buf,
        ",\"hearts_live_mean\":%.3f,\"arrows_loosed\":%lld,\"hearts_burst\":%lld,\"peak_rss_mb\":%.3f,"
        "\"fps\":%.3f}",
        liveMean, static_cast<long long>(arrowsLoosed), static_cast<long long>(heartsBurst), peakRssMb,
        PresentedFps());
    out += buf;
    if (!error.empty()) {
        out.pop_back();
        out += ",\"error\":" + JsonQuoted(error) + "}";
    }
    return out;
}

double PeakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double ProcessCpuSeconds() {
    return ClockSeconds(CLOCK_PROCESS_CPUTIME_ID);
}

double MonotonicSeconds() {
    return ClockSeconds(CLOCK_MONOTONIC);
}
