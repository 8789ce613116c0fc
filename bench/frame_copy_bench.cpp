// The grabber's per-frame cost (the callback on the path of every frame, plus the copy into
// the renderer's buffer) against a bare memcpy of the same frame.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "grabber/frame_copy.h"

namespace {

// The snapshot callback's path for a frame nobody asked for: a flag test.
int g_requested = 0;
int NoSnapshotRequested(int, int, uint8_t*, int) { return g_requested ? 1 : 0; }
int (*volatile g_callback)(int, int, uint8_t*, int) = &NoSnapshotRequested;

void GrabberFrame(benchmark::State& state) {
    int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    size_t bytes = FrameBytes(2, width, height);
    std::vector<uint8_t> source(bytes, 0x5A), destination(bytes);
    FrameGeometry geometry{2, width, height, width, height};
    for (auto _ : state) {
        g_callback(width, height, source.data(), static_cast<int>(bytes));
        benchmark::DoNotOptimize(
            CopyFrame(geometry, source.data(), bytes, destination.data(), bytes));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void BareMemcpy(benchmark::State& state) {
    size_t bytes = FrameBytes(2, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    std::vector<uint8_t> source(bytes, 0x5A), destination(bytes);
    for (auto _ : state) {
        std::memcpy(destination.data(), source.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

}  // namespace

BENCHMARK(GrabberFrame)->Args({640, 480})->Args({1920, 1080});
BENCHMARK(BareMemcpy)->Args({640, 480})->Args({1920, 1080});
