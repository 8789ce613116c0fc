// Where a microphone's buffer goes in a recording's sound. Sound is written by sample count and
// pictures by time stamp, so a sound card whose clock runs a little fast or slow would drift
// against the picture (0.1 % is 3.6 s an hour). Each buffer's time stamp says where its first
// sample belongs: a small drift is worked off by stretching or shrinking buffers by at most
// 1 % (samples repeated or left out, spread evenly), a large one (sound that went missing, or
// came twice) at once with silence or by leaving sound out. Portable: no Windows header.
#pragma once
#include <cstddef>
#include <cstdint>

struct AudioPlacement {
    uint64_t silenceBlocks;  // silence to write before the buffer
    size_t skipBlocks;       // blocks to leave out at the buffer's start
    size_t writtenBlocks;    // what the rest of the buffer becomes
};

// `expectedBlocks`: the buffer's place by its time stamp; `blocksSoFar`: the sound written so
// far; `bufferBlocks`: the buffer's length. The first buffer is placed exactly.
AudioPlacement PlaceAudio(int64_t expectedBlocks, uint64_t blocksSoFar, size_t bufferBlocks,
                          uint32_t samplesPerSecond, bool first);

// `inBlocks` blocks of `blockSize` bytes made into `outBlocks`, each output block the input
// block at its place (some repeated or left out, evenly spread).
void StretchBlocks(const uint8_t* in, size_t inBlocks, size_t blockSize, uint8_t* out, size_t outBlocks);
