// Where frames and sound go in a recording: by their time stamps, with stalls filled and jumps
// of a device's clock told from them by the graph's clock, so that a click in the sound stays
// with its picture; the frame-placement rule itself; the shortest frame period.
#include "recorder/recording_timeline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

namespace {

constexpr int64_t kSecond = 10000000;
constexpr int64_t kPeriod = 333333;
constexpr uint32_t kRate = 44100;
constexpr size_t kBufferBlocks = 441;  // 10 ms

// A recording of `seconds` of real time: a frame every 30th of a second unless the camera
// stalls, a 10 ms sound buffer every 10 ms, each stamped with the real time plus what its
// device's clock adds (a jump), arriving a little later on the graph's clock. A click at
// `clickAt` is in the sound and marks its frame.
struct Scenario {
    double seconds = 10;
    double clickAt = 7;
    std::function<bool(double)> stalled = [](double) { return false; };
    std::function<int64_t(double)> cameraClock = [](double) { return int64_t{0}; };
    std::function<int64_t(double)> microphoneClock = [](double) { return int64_t{0}; };
    bool framesStamped = true;
    double heldFrom = -1, heldUntil = -1;  // what is sent meanwhile arrives at its end, at once
};

// When something sent at `sent` arrives `latency` later, or at the end of a hold-up.
int64_t Arrival(const Scenario& s, int64_t sent, int64_t latency) {
    const double t = sent / double(kSecond);
    if (t >= s.heldFrom && t < s.heldUntil) return static_cast<int64_t>(s.heldUntil * kSecond);
    return sent + latency;
}

struct Result {
    double pictureAt = -1;  // where the marked frame is in the file, in seconds
    double clickAt = -1;    // where the click is in the sound
    double videoSeconds = 0, soundSeconds = 0;
};

Result Record(const Scenario& s) {
    RecordingTimeline timeline(kPeriod, kRate);
    Result r;
    uint64_t frames = 0, blocks = 0;
    const int64_t end = static_cast<int64_t>(s.seconds * kSecond);
    int64_t nextFrame = 0, nextBuffer = 0;
    const int64_t click = static_cast<int64_t>(s.clickAt * kSecond);
    while (nextFrame < end || nextBuffer < end) {
        if (nextFrame <= nextBuffer) {
            double t = nextFrame / double(kSecond);
            if (!s.stalled(t)) {
                int64_t stamp = s.framesStamped ? nextFrame + s.cameraClock(t) : kNoTime;
                FramePlacement p = timeline.PlaceVideo(stamp, Arrival(s, nextFrame, 50000), frames);
                if (!p.drop) {
                    frames += p.repeats;
                    if (nextFrame <= click && click < nextFrame + kPeriod) r.pictureAt = frames * double(kPeriod) / kSecond;
                    ++frames;
                }
            }
            nextFrame += kPeriod;
        } else {
            double t = nextBuffer / double(kSecond);
            AudioPlacement p = timeline.PlaceSound(nextBuffer + s.microphoneClock(t), Arrival(s, nextBuffer, 100000),
                                                   blocks, kBufferBlocks);
            blocks += p.silenceBlocks;
            const int64_t clickBlock = (click - nextBuffer) * kRate / kSecond;
            if (clickBlock >= int64_t(p.skipBlocks) && clickBlock < int64_t(kBufferBlocks) && p.writtenBlocks)
                r.clickAt = (blocks + (clickBlock - p.skipBlocks) * p.writtenBlocks / (kBufferBlocks - p.skipBlocks)) /
                            double(kRate);
            blocks += p.writtenBlocks;
            nextBuffer += kBufferBlocks * kSecond / kRate;
        }
    }
    r.videoSeconds = frames * double(kPeriod) / kSecond;
    r.soundSeconds = blocks / double(kRate);
    return r;
}

TEST(RecordingTimeline, AClickStaysWithItsPictureThroughStallsAndJumpsOfEitherClock) {
    const int64_t minute = 60 * kSecond;
    auto from3s = [](int64_t by) { return [by](double t) { return t >= 3 ? by : int64_t{0}; }; };
    struct Case {
        const char* name;
        Scenario scenario;
    };
    Case cases[] = {
        {"steady", {}},
        {"the camera stalls 3 s", {10, 7, [](double t) { return t >= 2 && t < 5; }}},
        {"the camera stalls 30 s", {40, 37, [](double t) { return t >= 2 && t < 32; }}},
        {"the camera's clock jumps 60 s ahead", {10, 7, {}, from3s(minute)}},
        {"the camera's clock jumps 60 s back", {10, 7, {}, from3s(-minute)}},
        {"the camera's clock runs on while paused (2 s ahead)", {10, 7, {}, from3s(2 * kSecond)}},
        {"the microphone's clock jumps 60 s ahead", {12, 7, {}, {}, from3s(minute)}},
        {"the microphone's clock jumps 60 s back", {12, 7, {}, {}, from3s(-minute)}},
        {"frames without time stamps", {}},
        {"the camera's clock jumps 1.5 s back", {10, 7, {}, from3s(-15 * kSecond / 10)}},
        {"the writer is held up 1.5 s", {}},
    };
    cases[10].scenario.heldFrom = 3;
    cases[10].scenario.heldUntil = 4.5;
    cases[2].scenario.stalled = [](double t) { return t >= 2 && t < 32; };
    cases[8].scenario.framesStamped = false;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scenario s = c.scenario;
        if (!s.stalled) s.stalled = [](double) { return false; };
        if (!s.cameraClock) s.cameraClock = [](double) { return int64_t{0}; };
        if (!s.microphoneClock) s.microphoneClock = [](double) { return int64_t{0}; };
        Result r = Record(s);
        EXPECT_GE(r.pictureAt, 0);
        EXPECT_GE(r.clickAt, 0);
        EXPECT_LT(std::fabs(r.pictureAt - r.clickAt), kPeriod / double(kSecond));  // within one frame
        // Both as long as the time that passed: nothing filled or cut for a jump.
        EXPECT_NEAR(r.videoSeconds, s.seconds, 0.1);
        EXPECT_NEAR(r.soundSeconds, s.seconds, 0.1);
    }
}

TEST(RecordingTimeline, FramesArePlacedByTheirTimeStamps) {
    struct {
        int64_t start;
        uint64_t framesSoFar;
        bool drop;
        uint64_t repeats;
        bool restart;
    } cases[] = {
        {0, 0, false, 0, false},        {399999, 1, false, 0, false},  // on time, give or take
        {1000000, 1, false, 2, false},  // 2.5 periods: late, two repeats
        {300000, 2, true, 0, false},    // early: its position is taken
        {-5, 0, false, 0, false},       {4000000, 3, false, 7, false},
        {21200000, 3, false, 50, false},  // without the graph's clock a gap of 2 s is filled
        {21600000, 3, false, 0, true},    // a larger one is taken for a jump of the camera's clock
        {0, 52, false, 0, true},          // as is one back in time
        {INT64_MAX, 1, false, 0, true},   {INT64_MIN, 0, false, 0, false},
    };
    for (const auto& c : cases) {
        FramePlacement p = PlaceFrame(c.start, 400000, c.framesSoFar);
        EXPECT_EQ(p.drop, c.drop) << c.start;
        EXPECT_EQ(p.repeats, c.repeats) << c.start;
        EXPECT_EQ(p.restart, c.restart) << c.start;
    }
}

TEST(RecordingTimeline, AFramePeriodOfOneIsBoundedAndSoAreItsRepeats) {
    EXPECT_EQ(RecordingFramePeriod(1), kShortestFramePeriod);
    EXPECT_EQ(RecordingFramePeriod(0), kPeriod);
    EXPECT_EQ(RecordingFramePeriod(-5), kPeriod);
    EXPECT_EQ(RecordingFramePeriod(kPeriod), kPeriod);
    // A camera saying 1 whose frames come a second apart: a second's worth of repeats, no more.
    RecordingTimeline timeline(1, kRate);
    uint64_t frames = 0;
    for (int64_t t = 0; t <= 3 * kSecond; t += kSecond) {
        FramePlacement p = timeline.PlaceVideo(t, t, frames);
        EXPECT_LE(p.repeats, 240u);
        frames += p.repeats + 1;
    }
    EXPECT_EQ(frames, 3u * 240 + 1);
    // Stamps that run away from the graph's clock are no time that passed.
    FramePlacement away = timeline.PlaceVideo(INT64_MAX / 2, 4 * kSecond, frames);
    EXPECT_LE(away.repeats, 240u);
}

}  // namespace
