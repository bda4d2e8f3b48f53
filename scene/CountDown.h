// The countdown line of the overlay: days, hours, minutes and seconds left
// until a target date of the current year, read against the local time.
#pragma once

#include <cstdint>
#include <ctime>

// Where the countdown reads the local time; tests set their own.
using LocalTimeSource = bool (*)(std::tm* now);
// Sets the source; null restores the system's (time, then localtime_r).
void SetLocalTimeSource(LocalTimeSource source);

constexpr int kCountDownSize = 80;

// Writes into out (at least 80 bytes) the time left from now until month
// (counted from 0), day, hour, minute and second of the current year, as
// "2 Days,1 Hour,5 Seconds.": zero amounts are left out, the pieces are not
// spaced, the line ends in a full stop. Once the target has passed the line
// is "The wait is over! Merry Christmas!"; at the target second it is empty.
void CountDown(char* out, int32_t month, int32_t day, int32_t hour, int32_t minute, int32_t second);

// The same, from the given local time; the source of CountDown's answer.
void CountDownFrom(const std::tm& now, char* out, int32_t month, int32_t day, int32_t hour, int32_t minute,
                   int32_t second);
