#include "scene/CountDown.h"

#include <cstdio>
#include <cstring>

namespace {

bool SystemLocalTime(std::tm* now) {
    time_t seconds = time(nullptr);
    return localtime_r(&seconds, now) != nullptr;
}

LocalTimeSource localTimeSource = SystemLocalTime;

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Days from 1 January to the first of month (counted from 0) in year.
int DaysBeforeMonth(int month, int year) {
    static const int kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int days = 0;
    for (int m = 0; m < month && m < 12; ++m) days += kLengths[m] + (m == 1 && IsLeapYear(year) ? 1 : 0);
    return days;
}

// Appends "<count> <unit>" with "s" unless the count is 1, then mark.
void AppendAmount(char* out, int count, const char* unit, char mark) {
    size_t used = strlen(out);
    snprintf(out + used, kCountDownSize - used, "%d %s%s%c", count, unit, count == 1 ? "" : "s", mark);
}

}  // namespace

void SetLocalTimeSource(LocalTimeSource source) {
    localTimeSource = source != nullptr ? source : SystemLocalTime;
}

void CountDownFrom(const std::tm& now, char* out, int32_t month, int32_t day, int32_t hour, int32_t minute,
                   int32_t second) {
    int days = DaysBeforeMonth(month, now.tm_year + 1900) + day - 1 - now.tm_yday;
    int years = 0;
    if (days < 0) {
        days += 365;
        years = -1;
    }
    int hours = hour - now.tm_hour;
    int minutes = minute - now.tm_min;
    int seconds = second - now.tm_sec;
    if (seconds < 0) {
        seconds += 60;
        minutes -= 1;
    }
    if (minutes < 0) {
        minutes += 60;
        hours -= 1;
    }
    if (hours < 0) {
        hours += 24;
        days -= 1;
    }
    if (days < 0) {
        days += 365;
        years -= 1;
    }
    out[0] = '\0';
    if (years < 0) {
        snprintf(out, kCountDownSize, "%s", "The wait is over! Merry Christmas!");
        return;
    }
    if (days > 0) AppendAmount(out, days, "Day", ',');
    if (hours > 0) AppendAmount(out, hours, "Hour", ',');
    if (minutes > 0) AppendAmount(out, minutes, "Minute", ',');
    if (seconds > 0) AppendAmount(out, seconds, "Second", '.');
    size_t length = strlen(out);
    if (length > 0) out[length - 1] = '.';
}

void CountDown(char* out, int32_t month, int32_t day, int32_t hour, int32_t minute, int32_t second) {
    std::tm now{};
    if (!localTimeSource(&now)) {
        out[0] = '\0';
        return;
    }
    CountDownFrom(now, out, month, day, hour, minute, second);
}
