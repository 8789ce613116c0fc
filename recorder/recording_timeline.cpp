// The recording's timeline.
#include "recording_timeline.h"

#include <algorithm>
#include <cstdlib>

int64_t RecordingFramePeriod(int64_t typeInterval) {
    if (typeInterval <= 0) return 333333;
    return std::max(typeInterval, kShortestFramePeriod);
}

FramePlacement PlaceFrame(int64_t start, int64_t framePeriod, uint64_t framesSoFar, int64_t largestGap) {
    if (framePeriod <= 0) return {false, 0, false};
    int64_t position = start <= 0 ? 0 : start / framePeriod + (start % framePeriod >= framePeriod - framePeriod / 2);
    // The distance from the next position, in whole periods, bounded before any product.
    const uint64_t most = static_cast<uint64_t>(INT64_MAX / framePeriod);
    int64_t next = static_cast<int64_t>(framesSoFar > most ? most : framesSoFar);
    int64_t largest = largestGap / framePeriod;
    if (position - next > largest || next - position > largest) return {false, 0, true};
    if (position < next) return {true, 0, false};
    return {false, static_cast<uint64_t>(position - next), false};
}

int64_t ClockJumps::Correct(int64_t stamp, int64_t arrival) {
    if (stamp == kNoTime || arrival == kNoTime) return stamp;
    // Far-off values are brought into a range whose differences cannot overflow.
    stamp = std::clamp<int64_t>(stamp, INT64_MIN / 4, INT64_MAX / 4);
    arrival = std::clamp<int64_t>(arrival, INT64_MIN / 4, INT64_MAX / 4);
    if (!m_started) {
        m_started = true;
        m_lead = stamp - arrival;
        m_lastStamp = stamp;
        m_lastArrival = arrival;
        return stamp;
    }
    const int64_t parted = stamp + m_shift - arrival - m_lead;
    // Arrivals are never early: a stamp ahead of its arrival is the device's clock that jumped.
    // One behind it is a clock that went back, or a delivery held up on its way (a writer that
    // waited for its disk), which the next arrivals, coming in a burst, make up for: a jump back
    // is taken only once it holds over arrivals spaced as their stamps are.
    const bool evenlySpaced = arrival - m_lastArrival >= (stamp - m_lastStamp) / 2;
    m_lastStamp = stamp;
    m_lastArrival = arrival;
    if (parted > kClockJump) {
        m_shift -= parted;
        m_behind = 0;
    } else if (parted < -kClockJump) {
        const bool same = m_behind > 0 && evenlySpaced && std::abs(parted - m_behindBy) <= kClockJump / 4;
        m_behind = same ? m_behind + 1 : 1;
        m_behindBy = parted;
        if (m_behind >= kJumpBackConfirmations) {
            m_shift -= parted;
            m_behind = 0;
        }
    } else {
        m_behind = 0;
    }
    return stamp + m_shift;
}

RecordingTimeline::RecordingTimeline(int64_t framePeriod, uint32_t samplesPerSecond)
    : m_framePeriod(RecordingFramePeriod(framePeriod)), m_samplesPerSecond(samplesPerSecond) {}

FramePlacement RecordingTimeline::PlaceVideo(int64_t stamp, int64_t arrival, uint64_t framesSoFar) {
    if (stamp == kNoTime) stamp = arrival;  // placed by when it came
    if (stamp == kNoTime) {                 // nothing to go by: the next position
        m_videoStarted = true;
        return {false, 0, false};
    }
    stamp = m_videoJumps.Correct(stamp, arrival);
    if (!m_videoStarted) {
        m_videoStarted = true;
        m_videoOrigin = m_soundOrigin = stamp;
    }
    // With the graph's clock, stamps are in step with time that passed: a gap of any length is
    // a stall to fill.
    const bool clocked = arrival != kNoTime;
    FramePlacement placement = PlaceFrame(stamp - m_videoOrigin, m_framePeriod, framesSoFar,
                                          clocked ? INT64_MAX : kLargestFrameGap);
    if (placement.restart)  // the camera's clock jumped: time goes on from this frame
        m_videoOrigin = stamp - static_cast<int64_t>(framesSoFar) * m_framePeriod;
    return placement;
}

AudioPlacement RecordingTimeline::PlaceSound(int64_t stamp, int64_t arrival, uint64_t blocksSoFar, size_t blocks) {
    if (!m_videoStarted) return {0, blocks, 0};  // the recording begins with its first frame
    if (stamp == kNoTime) {
        m_soundStarted = m_soundStarted || blocks > 0;
        return {0, 0, blocks};
    }
    stamp = m_soundJumps.Correct(stamp, arrival);
    const int64_t since = stamp - m_soundOrigin;
    // Whole milliseconds first, so that no product overflows.
    const int64_t expected = since / 10000 * static_cast<int64_t>(m_samplesPerSecond) / 1000;
    AudioPlacement placement = PlaceAudio(expected, blocksSoFar, blocks, m_samplesPerSecond, !m_soundStarted);
    m_soundStarted = m_soundStarted || placement.writtenBlocks > 0;
    return placement;
}
