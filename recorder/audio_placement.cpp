// Audio placement.
#include "audio_placement.h"

#include <algorithm>
#include <cstring>

namespace {

// Drift left alone, in seconds: time stamps jitter by a few milliseconds.
constexpr double kTolerated = 0.010;
// Drift mended at once rather than stretched away.
constexpr double kLarge = 0.200;
// Silence never longer than this, whatever a time stamp says.
constexpr double kMostSilence = 10.0;

}  // namespace

AudioPlacement PlaceAudio(int64_t expectedBlocks, uint64_t blocksSoFar, size_t bufferBlocks,
                          uint32_t samplesPerSecond, bool first) {
    AudioPlacement p{0, 0, bufferBlocks};
    if (bufferBlocks == 0) return p;
    const double rate = samplesPerSecond;
    const int64_t soFar = static_cast<int64_t>(std::min<uint64_t>(blocksSoFar, INT64_MAX / 2));
    expectedBlocks = std::max<int64_t>(std::min<int64_t>(expectedBlocks, INT64_MAX / 2), INT64_MIN / 2);
    const int64_t drift = soFar - expectedBlocks;  // > 0: the sound runs ahead of its time
    const int64_t large = first ? 0 : static_cast<int64_t>(kLarge * rate);
    if (drift < -large) {
        p.silenceBlocks = static_cast<uint64_t>(std::min<int64_t>(-drift, static_cast<int64_t>(kMostSilence * rate)));
    } else if (drift > large) {
        p.skipBlocks = static_cast<size_t>(std::min<int64_t>(drift, static_cast<int64_t>(bufferBlocks)));
        p.writtenBlocks = bufferBlocks - p.skipBlocks;
    } else if (drift > kTolerated * rate || drift < -kTolerated * rate) {
        const int64_t most = std::max<int64_t>(1, static_cast<int64_t>(bufferBlocks / 100));
        const int64_t change = std::max(-most, std::min(most, drift));
        p.writtenBlocks = static_cast<size_t>(static_cast<int64_t>(bufferBlocks) - change);
    }
    return p;
}

void StretchBlocks(const uint8_t* in, size_t inBlocks, size_t blockSize, uint8_t* out, size_t outBlocks) {
    if (inBlocks == 0) return;
    for (size_t i = 0; i < outBlocks; ++i) {
        size_t from = static_cast<size_t>(static_cast<unsigned long long>(i) * inBlocks / outBlocks);
        std::memcpy(out + i * blockSize, in + std::min(from, inBlocks - 1) * blockSize, blockSize);
    }
}
