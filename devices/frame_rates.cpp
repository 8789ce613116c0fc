// Frame rates.
#include "frame_rates.h"

#include <algorithm>

namespace {

constexpr int64_t kSecond = 10000000;
constexpr int32_t kUsualRates[] = {60, 50, 30, 25, 24, 15, 10, 5};

void AddRate(int32_t rate, int32_t* rates, int32_t* count, int32_t capacity) {
    if (rate <= 0 || std::find(rates, rates + *count, rate) != rates + *count || *count >= capacity) return;
    int32_t at = *count;
    while (at > 0 && rates[at - 1] < rate) {
        rates[at] = rates[at - 1];
        --at;
    }
    rates[at] = rate;
    ++*count;
}

}  // namespace

int32_t RoundedRate(int64_t frameInterval) {
    if (frameInterval <= 0) return 0;
    return static_cast<int32_t>(std::min<int64_t>((kSecond + frameInterval / 2) / frameInterval, INT32_MAX));
}

bool OffersRate(int64_t fastest, int64_t slowest, int32_t rate) {
    if (rate <= 0 || fastest <= 0) return false;
    if (RoundedRate(fastest) == rate) return true;
    return slowest > fastest && rate < RoundedRate(fastest) && rate >= RoundedRate(slowest);
}

void AddOfferedRates(int64_t fastest, int64_t slowest, int32_t* rates, int32_t* count, int32_t capacity) {
    AddRate(RoundedRate(fastest), rates, count, capacity);
    if (slowest <= fastest) return;
    for (int32_t rate : kUsualRates)
        if (OffersRate(fastest, slowest, rate)) AddRate(rate, rates, count, capacity);
}

int64_t IntervalForRate(int64_t fastest, int64_t slowest, int32_t rate) {
    if (rate <= 0 || RoundedRate(fastest) == rate) return fastest;
    return std::clamp<int64_t>(kSecond / rate, fastest, std::max(fastest, slowest));
}
