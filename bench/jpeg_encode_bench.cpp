// Camera frames to JPEG at quality 85, 1280x720 and 1920x1080, 4:2:2 and 4:2:0: our encoder
// from the camera's layout (YUY2, I420) against libjpeg-turbo's from the same pictures' planes
// (tjCompressFromYUVPlanes, its default accurate DCT). The pictures are ffmpeg's test picture
// with noise, as a camera gives; each run also reports the JPEG's size and its luma PSNR
// against the source (ours decoded by our decoder, libjpeg-turbo's by libjpeg-turbo).
#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "codec/baseline_jpeg.h"
#include "codec/jpeg_encoder.h"

namespace {

constexpr int kQuality = 85;

// The test picture in planes: Y, then U and V of the sampling's size.
struct Picture {
    int width = 0, height = 0, chromaHeight = 0;
    std::vector<uint8_t> planes;
    std::vector<uint8_t> camera;  // the same picture in the camera's layout
};

const Picture& TestPicture(int width, int height, bool is420) {
    static std::map<std::pair<int, bool>, Picture> pictures;
    Picture& p = pictures[{width * 100000 + height, is420}];
    if (!p.planes.empty())
        return p;
    p.width = width;
    p.height = height;
    p.chromaHeight = is420 ? height / 2 : height;
    std::string command = "ffmpeg -v quiet -f lavfi -i 'testsrc2=size=" + std::to_string(width) +
                          "x" + std::to_string(height) +
                          ",noise=alls=10' -frames:v 1 -f rawvideo -pix_fmt " +
                          (is420 ? "yuv420p" : "yuv422p") + " - 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return p;
    uint8_t buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0;)
        p.planes.insert(p.planes.end(), buffer, buffer + n);
    pclose(pipe);
    const size_t luma = size_t(width) * height, chroma = size_t(width / 2) * p.chromaHeight;
    if (p.planes.size() != luma + 2 * chroma) {
        p.planes.clear();
        return p;
    }
    if (is420) {
        p.camera = p.planes;  // I420 is the planes as they are
    } else {                  // YUY2: Y0 U Y1 V
        p.camera.resize(luma * 2);
        for (size_t i = 0; i < luma / 2; ++i) {
            p.camera[4 * i] = p.planes[2 * i];
            p.camera[4 * i + 1] = p.planes[luma + i];
            p.camera[4 * i + 2] = p.planes[2 * i + 1];
            p.camera[4 * i + 3] = p.planes[luma + chroma + i];
        }
    }
    return p;
}

double LumaPsnr(const uint8_t* a, size_t aStep, const uint8_t* b, size_t count) {
    double sum = 0;
    for (size_t i = 0; i < count; ++i) {
        double d = double(a[i * aStep]) - b[i];
        sum += d * d;
    }
    return sum == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * count / sum);
}

void Ours(benchmark::State& state, bool is420) {
    const Picture& p = TestPicture(int(state.range(0)), int(state.range(1)), is420);
    if (p.planes.empty())
        return state.SkipWithError("no ffmpeg for the test picture");
    FrameLayout layout = is420 ? FrameLayout::I420 : FrameLayout::Yuy2;
    std::vector<uint8_t> out(JpegEncodedBound(p.width, p.height));
    JpegEncoderScratch scratch;
    size_t size = 0;
    for (auto _ : state) {
        size = EncodeJpeg(layout, p.camera.data(), p.camera.size(), p.width, p.height, kQuality,
                          out.data(), out.size(), &scratch);
        benchmark::DoNotOptimize(size);
    }
    std::vector<uint8_t> yuy2(size_t(p.width) * p.height * 2);
    JpegScratch decoding;
    if (size == 0 || DecodeJpegToYuy2(out.data(), size, p.width, p.height, yuy2.data(),
                                      size_t(p.width) * 2, &decoding) != JpegResult::Ok)
        return state.SkipWithError("no JPEG");
    state.counters["bytes"] = double(size);
    state.counters["psnr_y"] =
        LumaPsnr(yuy2.data(), 2, p.planes.data(), size_t(p.width) * p.height);
    state.SetItemsProcessed(state.iterations() * p.width * p.height);
}

void Libjpeg(benchmark::State& state, bool is420) {
    const Picture& p = TestPicture(int(state.range(0)), int(state.range(1)), is420);
    if (p.planes.empty())
        return state.SkipWithError("no ffmpeg for the test picture");
    const int sampling = is420 ? TJSAMP_420 : TJSAMP_422;
    const size_t luma = size_t(p.width) * p.height, chroma = size_t(p.width / 2) * p.chromaHeight;
    const unsigned char* planes[3] = {p.planes.data(), p.planes.data() + luma,
                                      p.planes.data() + luma + chroma};
    tjhandle compressor = tjInitCompress();
    unsigned long capacity = tjBufSize(p.width, p.height, sampling);
    unsigned char* jpeg = tjAlloc(int(capacity));
    unsigned long size = 0;
    for (auto _ : state) {
        size = capacity;
        if (tjCompressFromYUVPlanes(compressor, planes, p.width, nullptr, p.height, sampling, &jpeg,
                                    &size, kQuality, TJFLAG_NOREALLOC) != 0)
            return state.SkipWithError(tjGetErrorStr2(compressor));
        benchmark::DoNotOptimize(size);
    }
    std::vector<uint8_t> decoded(p.planes.size());
    unsigned char* out[3] = {decoded.data(), decoded.data() + luma, decoded.data() + luma + chroma};
    tjhandle decompressor = tjInitDecompress();
    if (tjDecompressToYUVPlanes(decompressor, jpeg, size, out, p.width, nullptr, p.height, 0) ==
        0) {
        state.counters["bytes"] = double(size);
        state.counters["psnr_y"] = LumaPsnr(decoded.data(), 1, p.planes.data(), luma);
    }
    tjDestroy(decompressor);
    tjFree(jpeg);
    tjDestroy(compressor);
    state.SetItemsProcessed(state.iterations() * p.width * p.height);
}

}  // namespace

#define SIZES ->Args({1280, 720})->Args({1920, 1080})->Unit(benchmark::kMillisecond)
BENCHMARK_CAPTURE(Ours, 422, false) SIZES;
BENCHMARK_CAPTURE(Libjpeg, 422, false) SIZES;
BENCHMARK_CAPTURE(Ours, 420, true) SIZES;
BENCHMARK_CAPTURE(Libjpeg, 420, true) SIZES;
