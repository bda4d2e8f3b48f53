#include "host/view/HostClock.h"

#include <ctime>

double SystemClock::Now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

int64_t SystemClock::WallSeconds() {
    return static_cast<int64_t>(time(nullptr));
}
