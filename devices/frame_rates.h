// The frame rates a camera offers, as a person picks them: whole frames a second. A format with a
// frame interval runs at that rate, rounded (29.97 is 30); one whose capability offers a range of
// intervals also at the usual rates within it (60, 50, 30, 25, 24, 15, 10 and 5). Portable: no
// Windows header; intervals in 100-ns units.
#pragma once
#include <cstdint>

// The rate of a frame interval, rounded; 0 for an interval not said.
int32_t RoundedRate(int64_t frameInterval);
// Adds the rates of a format offering intervals from `fastest` to `slowest` (0 or `fastest`: that
// one alone) to `rates`, keeping them distinct and from the highest down, at most `capacity`.
void AddOfferedRates(int64_t fastest, int64_t slowest, int32_t* rates, int32_t* count, int32_t capacity);
// Whether such a format runs at `rate`.
bool OffersRate(int64_t fastest, int64_t slowest, int32_t rate);
// The interval to ask such a format for to run at `rate`: its fastest where that is the rate
// (a camera's 59.94 is asked as it says it), else the rate's own interval within the range.
int64_t IntervalForRate(int64_t fastest, int64_t slowest, int32_t rate);
