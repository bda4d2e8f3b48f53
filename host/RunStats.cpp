#include "host/RunStats.h"

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "world/VDMain.h"

namespace {

double ClockSeconds(clockid_t id) {
    timespec ts{};
    clock_gettime(id, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// The world's collision rule for one whole heart of size class s at p, with
// the archer at archer and the arrow in flight at arrow: the archer's push
// is tested first and wins; otherwise a heart close enough to the arrow
// bursts. Distances are compared squared, as the world does.
bool ArrowBursts(const VECTOR3D& p, int32_t s, const VECTOR3D& archer, const VECTOR3D& arrow) {
    float ax = p.x - archer.x, ay = p.y - archer.y, az = p.z - archer.z;
    if (std::fabs(ax) < 3.0f && std::fabs(ay) < 3.0f && std::fabs(az) < 3.0f) {
        double d2 = static_cast<double>(ax * ax + ay * ay + az * az);
        if (d2 < 0.1 * s * (-1.1) + 1.1 + s * (-0.1) + 4.0) return false;
    }
    double dx = static_cast<double>(p.x) - arrow.x, dy = static_cast<double>(p.y) - arrow.y,
           dz = static_cast<double>(p.z) - arrow.z;
    if (std::fabs(dx) >= 1.3 || std::fabs(dy) >= 1.3 || std::fabs(dz) >= 1.3) return false;
    float fx = p.x - arrow.x, fy = p.y - arrow.y, fz = p.z - arrow.z;
    double d2 = static_cast<double>(fx * fx + fy * fy + fz * fz);
    return d2 < 0.1 * s * (-1.2) + 1.2 + s * (-0.1);
}

void PrintSeries(std::string* out, const char* name, const SampleSeries& s) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "\"%s\":{\"mean\":%.3f,\"p50\":%.3f,\"p99\":%.3f}", name, s.Mean(),
                  s.Percentile(50.0), s.Percentile(99.0));
    *out += buf;
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

void WorldWatch::Forget() {
    seen = false;
    arrowWasActive = false;
    wholeHearts.clear();
}

int WorldWatch::Observe(const VDMAIN& world) {
    bool arrowActive = world.arrow.active;
    if (seen && arrowActive && !arrowWasActive) ++arrowsLoosed;
    if (seen && arrowActive && world.dovel != nullptr) {
        for (const WholeHeart& h : wholeHearts)
            if (ArrowBursts(h.pos, h.size, world.dovel->pos, world.arrow.pos)) ++heartsBurst;
    }
    int live = 0;
    wholeHearts.clear();
    for (int32_t i = 0; world.hearts != nullptr && i < world.numHearts; ++i) {
        const ONEHEART& heart = world.hearts[i];
        if (!heart.active) continue;
        ++live;
        if (heart.state == 0) wholeHearts.push_back(WholeHeart{heart.pos, heart.size});
    }
    arrowWasActive = arrowActive;
    seen = true;
    return live;
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
        ",\"hearts_live_mean\":%.3f,\"arrows_loosed\":%lld,\"hearts_burst\":%lld,\"peak_rss_mb\":%.3f}",
        liveMean, static_cast<long long>(arrowsLoosed), static_cast<long long>(heartsBurst), peakRssMb);
    out += buf;
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
