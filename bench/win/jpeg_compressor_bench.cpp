// The recorder's per-frame work for 640x480 at 30 frames a second: conversion and JPEG
// encoding of a camera frame (the compressor's Receive without the delivery), and the bit rate
// at the chosen quality. Runs under Wine; a small timing loop reporting the median and the
// fastest of its runs.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "recorder/jpeg_compressor.h"
#include "snapshot/frame_conversion.h"
#include "test_pattern.h"

int wmain() {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    struct Case {
        PixelLayout pattern;
        FrameLayout layout;
        const char* name;
    } cases[] = {{PixelLayout::Yuy2, FrameLayout::Yuy2, "YUY2"}, {PixelLayout::Yv12, FrameLayout::Yv12, "YV12"}};
    const int width = 640, height = 480, runs = 200;
    std::printf("%-32s %10s %10s %14s\n", "camera frame to JPEG", "median ms", "fastest ms", "MB per minute");
    for (const Case& c : cases) {
        std::vector<uint8_t> frame(PatternFrameBytes(c.pattern, width, height));
        FillPatternFrame(c.pattern, width, height, frame.data(), frame.size());
        // A moving picture compresses worse than the still pattern: every frame gets some noise.
        std::vector<uint8_t> jpeg(width * height * 3 + 65536);
        std::unique_ptr<FrameEncoder> encoder = CJpegCompressor::MakeDefaultEncoder();
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        std::vector<double> times;
        double bytes = 0;
        for (int i = 0; i < runs; ++i) {
            for (size_t p = static_cast<size_t>(i) % 7; p < frame.size(); p += 97) frame[p] ^= 0x0F;
            LARGE_INTEGER start, end;
            QueryPerformanceCounter(&start);
            size_t written = 0;
            if (FAILED(encoder->Encode(c.layout, frame.data(), frame.size(), width, height, jpeg.data(), jpeg.size(),
                                       &written))) {
                std::printf("encoding failed\n");
                return 1;
            }
            QueryPerformanceCounter(&end);
            times.push_back(1000.0 * (end.QuadPart - start.QuadPart) / frequency.QuadPart);
            bytes += static_cast<double>(written);
        }
        std::sort(times.begin(), times.end());
        double perMinute = bytes / runs * 30 * 60 / (1024.0 * 1024.0);
        char name[64];
        std::snprintf(name, sizeof(name), "CompressFrame/%s/640/480", c.name);
        std::printf("%-32s %10.2f %10.2f %14.1f\n", name, times[times.size() / 2], times.front(), perMinute);
    }
    return 0;
}
