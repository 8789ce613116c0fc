// Where a recording's frames and sound go: frames by their time stamps at the video's constant
// rate, sound by its time stamps in samples, both from the first frame on. Each stream's stamps
// are checked against the graph's clock (when each frame or buffer arrived): a stall, in which
// time passed, is filled (repeats of the last frame, silence), while a jump of a device's own
// clock (stamps that part from the graph's clock by more than kClockJump) moves that stream's
// stamps back in step with the graph's clock, so that nothing is filled or cut for time that
// never passed; frames and sound held up on their way (and then arriving in a burst) are
// neither. Frames without stamps are placed by when they arrived. Without a clock, a gap
// of more than kLargestFrameGap is taken for a jump. Portable: no Windows header. Not
// thread-safe: the caller serialises the calls.
#pragma once
#include <cstddef>
#include <cstdint>

#include "recorder/audio_placement.h"

constexpr int64_t kNoTime = INT64_MIN;            // no stamp, or no clock
constexpr int64_t kClockJump = 10000000;          // 1 s in 100-ns units
constexpr int64_t kLargestFrameGap = 20000000;    // 2 s
constexpr int64_t kShortestFramePeriod = 41667;   // 1/240 s

// The recording's frame period for a type's frame interval: 30 frames a second where the type
// says none, and never shorter than 1/240 s (a camera may say 1).
int64_t RecordingFramePeriod(int64_t typeInterval);

// Where a frame with time stamp `start` (100-ns units since the stream began) goes in a
// constant-rate stream: dropped when its position was taken already, else after `repeats`
// copies of the frame before it. A time stamp more than `largestGap` away from the next
// position either way is a jump of the camera's clock, not time that passed: the frame goes at
// the next position and the caller restarts its time origin there.
struct FramePlacement {
    bool drop;
    uint64_t repeats;
    bool restart;
};
FramePlacement PlaceFrame(int64_t start, int64_t framePeriod, uint64_t framesSoFar,
                          int64_t largestGap = kLargestFrameGap);

// A stream's stamps kept in step with the graph's clock: the distance between a stamp and its
// arrival, set by the first, is kept; a stamp that parts from it by more than kClockJump is
// moved back by what it parted: at once when it is ahead, and when it is behind, once it has
// stayed so over kJumpBackConfirmations arrivals spaced as their stamps (late arrivals in a
// burst are a delivery held up, not a jump).
constexpr int kJumpBackConfirmations = 3;
class ClockJumps {
public:
    // The stamp on the graph's clock's terms.
    int64_t Correct(int64_t stamp, int64_t arrival);

private:
    bool m_started = false;
    int64_t m_lead = 0;   // stamp minus arrival, as the first was
    int64_t m_shift = 0;  // added to every stamp
    int64_t m_lastStamp = 0, m_lastArrival = 0;
    int m_behind = 0;         // arrivals in a row this far behind
    int64_t m_behindBy = 0;   // how far the last was
};

class RecordingTimeline {
public:
    RecordingTimeline(int64_t framePeriod, uint32_t samplesPerSecond);

    // A frame stamped `stamp` that arrived at `arrival` (stream times; either kNoTime), with
    // `framesSoFar` in the file.
    FramePlacement PlaceVideo(int64_t stamp, int64_t arrival, uint64_t framesSoFar);
    // A buffer of `blocks` sound blocks stamped `stamp` that arrived at `arrival`, with
    // `blocksSoFar` in the file; nothing goes before the first frame. A buffer without a stamp
    // is written as it is.
    AudioPlacement PlaceSound(int64_t stamp, int64_t arrival, uint64_t blocksSoFar, size_t blocks);

    bool VideoStarted() const { return m_videoStarted; }
    int64_t FramePeriod() const { return m_framePeriod; }

private:
    int64_t m_framePeriod;
    uint32_t m_samplesPerSecond;
    bool m_videoStarted = false;
    bool m_soundStarted = false;
    int64_t m_videoOrigin = 0;  // the first frame's stamp, moved by a jump taken without a clock
    int64_t m_soundOrigin = 0;  // the first frame's stamp: the file's time 0
    ClockJumps m_videoJumps, m_soundJumps;
};
