// Camera frame to 32-bit pixels for each YUV layout at 640x480 and 1920x1080: our conversion,
// libyuv's conversion of the same layout, and a write-only memset of the output's size.
#include <benchmark/benchmark.h>
#include <libyuv.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "snapshot/frame_conversion.h"

namespace {

struct Frame {
    int width, height;
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> out;
    Frame(FrameLayout layout, int w, int h)
        : width(w), height(h), bytes(RequiredFrameBytes(layout, w, h)), out(size_t(w) * h * 4) {
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 37 + i / 999);
    }
};

void Ours(benchmark::State& state, FrameLayout layout) {
    Frame f(layout, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        ConvertFrameToRgb32(layout, f.bytes.data(), f.bytes.size(), f.width, f.height, f.out.data(),
                            f.out.size());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * f.width * f.height);
}

void Libyuv(benchmark::State& state, FrameLayout layout) {
    Frame f(layout, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    int w = f.width, h = f.height;
    const uint8_t* y = f.bytes.data();
    const uint8_t* first = y + size_t(w) * h;
    const uint8_t* second = first + size_t(w / 2) * (h / 2);
    for (auto _ : state) {
        switch (layout) {
            case FrameLayout::I420:
                libyuv::I420ToARGB(y, w, first, w / 2, second, w / 2, f.out.data(), w * 4, w, h);
                break;
            case FrameLayout::Yv12:  // the same call with the chroma planes the other way round
                libyuv::I420ToARGB(y, w, second, w / 2, first, w / 2, f.out.data(), w * 4, w, h);
                break;
            case FrameLayout::Nv12: libyuv::NV12ToARGB(y, w, first, w, f.out.data(), w * 4, w, h); break;
            case FrameLayout::Yuy2: libyuv::YUY2ToARGB(y, w * 2, f.out.data(), w * 4, w, h); break;
            case FrameLayout::Uyvy: libyuv::UYVYToARGB(y, w * 2, f.out.data(), w * 4, w, h); break;
            default: state.SkipWithError("no libyuv counterpart"); return;
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * w * h);
}

void Memset(benchmark::State& state) {
    std::vector<uint8_t> out(size_t(state.range(0)) * state.range(1) * 4);
    for (auto _ : state) {
        std::memset(out.data(), 0, out.size());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}

}  // namespace

#define SIZES ->Args({640, 480})->Args({1920, 1080})
BENCHMARK_CAPTURE(Ours, YV12, FrameLayout::Yv12) SIZES;
BENCHMARK_CAPTURE(Libyuv, YV12, FrameLayout::Yv12) SIZES;
BENCHMARK_CAPTURE(Ours, I420, FrameLayout::I420) SIZES;
BENCHMARK_CAPTURE(Libyuv, I420, FrameLayout::I420) SIZES;
BENCHMARK_CAPTURE(Ours, NV12, FrameLayout::Nv12) SIZES;
BENCHMARK_CAPTURE(Libyuv, NV12, FrameLayout::Nv12) SIZES;
BENCHMARK_CAPTURE(Ours, YUY2, FrameLayout::Yuy2) SIZES;
BENCHMARK_CAPTURE(Libyuv, YUY2, FrameLayout::Yuy2) SIZES;
BENCHMARK_CAPTURE(Ours, UYVY, FrameLayout::Uyvy) SIZES;
BENCHMARK_CAPTURE(Libyuv, UYVY, FrameLayout::Uyvy) SIZES;
BENCHMARK(Memset) SIZES;
