// Camera-like JPEG frames decoded by ours (to YUY2) and by libjpeg-turbo (to YUV planes, its
// fastest path), interleaved, ending with a table of median CPU-time ratios ours / libjpeg-turbo.
// The frames are made at start: ffmpeg's noisy test picture, coded by ffmpeg's MJPEG encoder
// with the standard Huffman tables, and by libjpeg-turbo from the same picture's planes.
#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "codec/baseline_jpeg.h"

namespace {

struct Case {
    const char* sampling;  // "422" or "420"
    int width, height;
    const char* encoder;  // "ffmpeg" (its -q:v) or "turbo" (its quality 1-100)
    int quality;
    const char* extra = "";  // more ffmpeg options (restart intervals)
};

// Small and large frames of each sampling and size: about 100 KB to 700 KB at 1080p.
const Case kCases[] = {
    {"422", 1920, 1080, "ffmpeg", 10},
    {"422", 1920, 1080, "ffmpeg", 3},
    {"422", 1920, 1080, "turbo", 85},
    {"420", 1920, 1080, "ffmpeg", 9},
    {"420", 1920, 1080, "ffmpeg", 3},
    {"420", 1920, 1080, "turbo", 88},
    {"422", 1280, 720, "ffmpeg", 7},
    {"422", 1280, 720, "ffmpeg", 2},
    {"422", 1280, 720, "turbo", 90},
    {"420", 1280, 720, "ffmpeg", 6},
    {"420", 1280, 720, "ffmpeg", 2},
    {"420", 1280, 720, "turbo", 80},
    {"422", 1920, 1080, "ffmpeg", 5, "-slices 34"},  // a restart marker after each row of blocks
};

std::string CaseName(const Case& c) {
    return std::string(c.sampling) + "/" + std::to_string(c.width) + "x" +
           std::to_string(c.height) + "/" + c.encoder + "_q" + std::to_string(c.quality) +
           (*c.extra ? "_restarts" : "");
}

std::vector<uint8_t> Run(const std::string& command) {
    std::vector<uint8_t> out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return out;
    uint8_t buffer[1 << 16];
    for (size_t n; (n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0;)
        out.insert(out.end(), buffer, buffer + n);
    pclose(pipe);
    return out;
}

std::vector<uint8_t> MakeFrame(const Case& c) {
    std::string picture = "-f lavfi -i 'testsrc2=size=" + std::to_string(c.width) + "x" +
                          std::to_string(c.height) + ",noise=alls=10' -frames:v 1 -pix_fmt yuvj" +
                          c.sampling + "p ";
    if (std::strcmp(c.encoder, "ffmpeg") == 0)
        return Run("ffmpeg -v quiet " + picture + "-q:v " + std::to_string(c.quality) +
                   " -huffman default " + c.extra + " -f mjpeg - </dev/null");
    std::vector<uint8_t> raw = Run("ffmpeg -v quiet " + picture + "-f rawvideo - </dev/null");
    const int chromaWidth = c.width / 2,
              chromaHeight = std::strcmp(c.sampling, "420") == 0 ? c.height / 2 : c.height;
    const size_t luma = size_t(c.width) * c.height, chroma = size_t(chromaWidth) * chromaHeight;
    if (raw.size() != luma + 2 * chroma)
        return {};
    const unsigned char* planes[3] = {raw.data(), raw.data() + luma, raw.data() + luma + chroma};
    int strides[3] = {c.width, chromaWidth, chromaWidth};
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    std::vector<uint8_t> out;
    if (tjCompressFromYUVPlanes(handle, planes, c.width, strides, c.height,
                                std::strcmp(c.sampling, "422") == 0 ? TJSAMP_422 : TJSAMP_420,
                                &jpeg, &size, c.quality, 0) == 0)
        out.assign(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(handle);
    return out;
}

// Each case's frame, made on first use.
const std::vector<uint8_t>& Frame(int index) {
    static std::map<int, std::vector<uint8_t>> frames;
    auto found = frames.find(index);
    if (found == frames.end())
        found = frames.emplace(index, MakeFrame(kCases[index])).first;
    return found->second;
}

void Ours(benchmark::State& state, int index) {
    const Case& c = kCases[index];
    const std::vector<uint8_t>& jpeg = Frame(index);
    const size_t stride = size_t(c.width) * 2;
    std::vector<uint8_t> out(stride * c.height);
    JpegScratch scratch;
    if (DecodeJpegToYuy2(jpeg.data(), jpeg.size(), c.width, c.height, out.data(), stride,
                         &scratch) != JpegResult::Ok) {
        state.SkipWithError("not decoded");
        return;
    }
    for (auto _ : state) {
        DecodeJpegToYuy2(jpeg.data(), jpeg.size(), c.width, c.height, out.data(), stride, &scratch);
        benchmark::ClobberMemory();
    }
    state.counters["KB"] = double(jpeg.size()) / 1000;
}

void Turbo(benchmark::State& state, int index) {
    const Case& c = kCases[index];
    const std::vector<uint8_t>& jpeg = Frame(index);
    const int chromaWidth = c.width / 2,
              chromaHeight = std::strcmp(c.sampling, "420") == 0 ? c.height / 2 : c.height;
    std::vector<uint8_t> y(size_t(c.width) * c.height), u(size_t(chromaWidth) * chromaHeight),
        v(u.size());
    unsigned char* planes[3] = {y.data(), u.data(), v.data()};
    int strides[3] = {c.width, chromaWidth, chromaWidth};
    std::unique_ptr<void, int (*)(tjhandle)> handle(tjInitDecompress(), tjDestroy);
    auto decode = [&] {
        return tjDecompressToYUVPlanes(handle.get(), jpeg.data(), jpeg.size(), planes, c.width,
                                       strides, c.height, 0);
    };
    if (jpeg.empty() || decode() != 0) {
        state.SkipWithError("not decoded");
        return;
    }
    for (auto _ : state) {
        decode();
        benchmark::ClobberMemory();
    }
    state.counters["KB"] = double(jpeg.size()) / 1000;
}

// The console's report, and each run's CPU time kept by name for the table at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}  // no colours: the output goes to files too
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const std::string& name = run.run_name.function_name;
            if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name == "median")
                    m_median[name] = run.GetAdjustedCPUTime();
            } else {
                m_times[name].push_back(run.GetAdjustedCPUTime());
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatios() {
        std::printf(
            "\nours / libjpeg-turbo, median CPU time (at or under 1.00: at least as fast)\n");
        for (size_t i = 0; i < std::size(kCases); ++i) {
            std::string name = CaseName(kCases[i]);
            double ours = Median("Ours/" + name), turbo = Median("Turbo/" + name);
            if (ours > 0 && turbo > 0)
                std::printf("%-34s %6.0f KB %6.2f\n", name.c_str(), Frame(int(i)).size() / 1000.0,
                            ours / turbo);
        }
    }

private:
    double Median(const std::string& name) {
        if (m_median.count(name))
            return m_median[name];
        std::vector<double>& t = m_times[name];
        if (t.empty())
            return 0;
        std::sort(t.begin(), t.end());
        return t.size() % 2 ? t[t.size() / 2] : (t[t.size() / 2 - 1] + t[t.size() / 2]) / 2;
    }

    std::map<std::string, double> m_median;
    std::map<std::string, std::vector<double>> m_times;
};

}  // namespace

int main(int argc, char** argv) {
    for (size_t i = 0; i < std::size(kCases); ++i) {
        std::string name = CaseName(kCases[i]);
        benchmark::RegisterBenchmark(("Ours/" + name).c_str(), Ours, int(i))
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Turbo/" + name).c_str(), Turbo, int(i))
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
