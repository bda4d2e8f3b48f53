// The countdown line against the local time, read through the test seam.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <string>

#include "scene/CountDown.h"

namespace {

std::tm fakeNow;

bool FakeLocalTime(std::tm* now) {
    *now = fakeNow;
    return true;
}

// A normalised local time (day of the year filled in by mktime).
std::tm LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    mktime(&t);
    return t;
}

// The line CountDown writes for 14 February 00:00:00 at the given local time.
std::string LineAt(int year, int month, int day, int hour, int minute, int second) {
    fakeNow = LocalTime(year, month, day, hour, minute, second);
    char line[kCountDownSize];
    memset(line, 'x', sizeof line);
    CountDown(line, 1, 14, 0, 0, 0);
    return line;
}

class CountDownTest : public ::testing::Test {
protected:
    void SetUp() override { SetLocalTimeSource(FakeLocalTime); }
    void TearDown() override { SetLocalTimeSource(nullptr); }
};

const char kOver[] = "The wait is over! Merry Christmas!";

}  // namespace

TEST_F(CountDownTest, ExamplesInAnyYear) {
    for (int year : {2023, 2024}) {
        SCOPED_TRACE(year);
        EXPECT_EQ(LineAt(year, 1, 1, 0, 0, 1), "43 Days,23 Hours,59 Minutes,59 Seconds.");
        EXPECT_EQ(LineAt(year, 2, 12, 23, 59, 59), "1 Day,1 Second.");
        EXPECT_EQ(LineAt(year, 2, 13, 23, 0, 0), "1 Hour.");
        EXPECT_EQ(LineAt(year, 2, 13, 23, 59, 59), "1 Second.");
        EXPECT_EQ(LineAt(year, 2, 14, 0, 0, 0), "");
        EXPECT_EQ(LineAt(year, 2, 14, 12, 0, 0), kOver);
    }
}

TEST_F(CountDownTest, PiecesAndEndings) {
    // A line that would end in a comma ends in a full stop; plurals follow
    // the count.
    EXPECT_EQ(LineAt(2023, 2, 12, 0, 0, 0), "2 Days.");
    EXPECT_EQ(LineAt(2023, 2, 13, 22, 58, 58), "1 Hour,1 Minute,2 Seconds.");
    EXPECT_EQ(LineAt(2023, 2, 13, 0, 0, 0), "1 Day.");
    EXPECT_EQ(LineAt(2023, 1, 14, 0, 0, 0), "31 Days.");
    EXPECT_EQ(LineAt(2023, 2, 14, 0, 0, 1), kOver);
}

TEST_F(CountDownTest, AroundLeapDayAndYearEnd) {
    EXPECT_EQ(LineAt(2024, 2, 28, 23, 59, 59), kOver);
    EXPECT_EQ(LineAt(2024, 2, 29, 0, 0, 0), kOver);
    EXPECT_EQ(LineAt(2024, 2, 29, 23, 59, 59), kOver);
    EXPECT_EQ(LineAt(2024, 3, 1, 0, 0, 0), kOver);
    EXPECT_EQ(LineAt(2023, 3, 1, 0, 0, 0), kOver);
    EXPECT_EQ(LineAt(2023, 12, 31, 23, 59, 59), kOver);
    EXPECT_EQ(LineAt(2024, 12, 31, 12, 0, 0), kOver);  // day 366 of a leap year
    // The new year starts the count again.
    EXPECT_EQ(LineAt(2024, 1, 1, 0, 0, 0), "44 Days.");
    EXPECT_EQ(LineAt(2025, 1, 1, 0, 0, 0), "44 Days.");
}

TEST(CountDownFrom, TargetsAfterFebruaryCountTheLeapDay) {
    char line[kCountDownSize];
    // 1 February to 1 March (month 2): 29 days in a leap year, 28 otherwise;
    // 2100 is not a leap year, 2000 is.
    const struct {
        int year;
        const char* expected;
    } cases[] = {{2024, "29 Days."}, {2023, "28 Days."}, {2100, "28 Days."}, {2000, "29 Days."}};
    for (const auto& c : cases) {
        CountDownFrom(LocalTime(c.year, 2, 1, 0, 0, 0), line, 2, 1, 0, 0, 0);
        EXPECT_STREQ(line, c.expected) << c.year;
    }
    // Target with a time of day of its own.
    CountDownFrom(LocalTime(2023, 12, 24, 10, 30, 0), line, 11, 24, 18, 0, 0);
    EXPECT_STREQ(line, "7 Hours,30 Minutes.");
}

TEST(CountDownFrom, LongestLineFitsTheBuffer) {
    char line[kCountDownSize + 8];
    memset(line, '#', sizeof line);
    // 31 December 00:00:01 to a 31 December 23:59:59 target.
    CountDownFrom(LocalTime(2023, 12, 31, 0, 0, 1), line, 11, 31, 23, 59, 58);
    EXPECT_STREQ(line, "23 Hours,59 Minutes,57 Seconds.");
    CountDownFrom(LocalTime(2023, 1, 1, 0, 0, 1), line, 11, 31, 23, 59, 59);
    EXPECT_STREQ(line, "364 Days,23 Hours,59 Minutes,58 Seconds.");
    EXPECT_LT(strlen(line), static_cast<size_t>(kCountDownSize));
    EXPECT_EQ(line[kCountDownSize + 7], '#');
}
