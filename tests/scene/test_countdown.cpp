// The countdown line against the local time.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <ctime>
#include <string>

#include "scene/CountDown.h"

namespace {

// A normalised local time (day of the year filled in by mktime) from year,
// month, day, hour, minute and second.
std::tm LocalTime(const std::array<int, 6>& v) {
    std::tm t{};
    t.tm_year = v[0] - 1900, t.tm_mon = v[1] - 1, t.tm_mday = v[2];
    t.tm_hour = v[3], t.tm_min = v[4], t.tm_sec = v[5];
    t.tm_isdst = -1;
    mktime(&t);
    return t;
}

const char kOver[] = "The wait is over! Merry Christmas!";

struct Case {
    std::array<int, 6> now;
    const char* line;
    std::array<int, 5> target = {1, 14, 0, 0, 0};  // month from 0, day, hour, minute, second
};

std::tm fakeNow;

}  // namespace

TEST(CountDown, LinesUntilTheTarget) {
    const std::array<int, 5> kMarch1 = {2, 1, 0, 0, 0};
    const Case cases[] = {
        {{2023, 1, 1, 0, 0, 1}, "43 Days,23 Hours,59 Minutes,59 Seconds."},
        {{2024, 2, 12, 23, 59, 59}, "1 Day,1 Second."},
        {{2023, 2, 13, 23, 0, 0}, "1 Hour."},
        {{2023, 2, 14, 0, 0, 0}, ""},  // at the target second
        {{2024, 2, 14, 12, 0, 0}, kOver},
        // A line that would end in a comma ends in a full stop; plurals
        // follow the count.
        {{2023, 2, 12, 0, 0, 0}, "2 Days."},
        {{2023, 2, 13, 22, 58, 58}, "1 Hour,1 Minute,2 Seconds."},
        // Past the day (to the year end) the wait is over until
        // the new year starts the count again.
        {{2023, 2, 14, 0, 0, 1}, kOver},
        {{2024, 12, 31, 12, 0, 0}, kOver},  // day 366 of a leap year
        {{2024, 1, 1, 0, 0, 0}, "44 Days."},
        // Targets after February count the leap day (2000 is a leap year,
        // 2100 is not) and may have a time of day of their own.
        {{2024, 2, 1, 0, 0, 0}, "29 Days.", kMarch1},
        {{2023, 2, 1, 0, 0, 0}, "28 Days.", kMarch1},
        {{2100, 2, 1, 0, 0, 0}, "28 Days.", kMarch1},
        {{2000, 2, 1, 0, 0, 0}, "29 Days.", kMarch1},
        {{2023, 12, 24, 10, 30, 0}, "7 Hours,30 Minutes.", {11, 24, 18, 0, 0}},
        {{2023, 12, 31, 0, 0, 1}, "23 Hours,59 Minutes,57 Seconds.", {11, 31, 23, 59, 58}},
        {{2023, 1, 1, 0, 0, 1}, "364 Days,23 Hours,59 Minutes,58 Seconds.", {11, 31, 23, 59, 59}},
    };
    for (const Case& c : cases) {
        char line[kCountDownSize + 8];
        memset(line, '#', sizeof line);
        const auto& t = c.target;
        CountDownFrom(LocalTime(c.now), line, t[0], t[1], t[2], t[3], t[4]);
        EXPECT_STREQ(line, c.line) << "case " << &c - cases;
        EXPECT_EQ(line[kCountDownSize], '#') << "stays within its 80 bytes";
    }
}

TEST(CountDown, ReadsTheLocalTimeSource) {
    char line[kCountDownSize];
    fakeNow = LocalTime({2023, 2, 13, 23, 0, 0});
    SetLocalTimeSource([](std::tm* now) {
        *now = fakeNow;
        return true;
    });
    CountDown(line, 1, 14, 0, 0, 0);
    EXPECT_STREQ(line, "1 Hour.");
    SetLocalTimeSource([](std::tm*) { return false; });
    CountDown(line, 1, 14, 0, 0, 0);
    EXPECT_STREQ(line, "") << "no local time, no line";
    SetLocalTimeSource(nullptr);
}
