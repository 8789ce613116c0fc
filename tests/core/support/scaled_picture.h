// The preview's scaling worked out exactly, in double precision, to hold the program's against:
// shrinking, each output pixel the mean of the source area it covers; growing, bilinear between
// the two nearest pixel centres (the edges repeated); each direction on its own.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace testsupport {

// For each of `to` output positions: its source positions and their weights.
inline std::vector<std::vector<std::pair<int, double>>> ScaledAxis(int from, int to) {
    std::vector<std::vector<std::pair<int, double>>> axis(static_cast<size_t>(to));
    for (int i = 0; i < to; ++i) {
        if (to > from) {
            const double at = std::clamp((i + 0.5) * from / to - 0.5, 0.0, from - 1.0);
            const int left = static_cast<int>(at);
            axis[i].push_back({left, 1 - (at - left)});
            if (left + 1 < from) axis[i].push_back({left + 1, at - left});
            continue;
        }
        const double begin = double(i) * from / to, end = double(i + 1) * from / to;
        for (int s = static_cast<int>(begin); s < from && s < end; ++s)
            axis[i].push_back({s, (std::min(end, s + 1.0) - std::max(begin, double(s))) / (end - begin)});
    }
    return axis;
}

// `top` points at the top row of a width x height picture of 4 bytes a pixel, `stride` bytes
// from a row to the one below (negative for a bottom-up bitmap). The outWidth x outHeight
// picture, top row first, 4 channels a pixel.
inline std::vector<double> ScaledPicture(const uint8_t* top, int width, int height, std::ptrdiff_t stride,
                                         int outWidth, int outHeight) {
    const auto across = ScaledAxis(width, outWidth), down = ScaledAxis(height, outHeight);
    std::vector<double> out(static_cast<size_t>(outWidth) * outHeight * 4);
    for (int y = 0; y < outHeight; ++y)
        for (int x = 0; x < outWidth; ++x)
            for (auto [row, rowWeight] : down[y])
                for (auto [column, columnWeight] : across[x])
                    for (int c = 0; c < 4; ++c)
                        out[(static_cast<size_t>(y) * outWidth + x) * 4 + c] +=
                            rowWeight * columnWeight * top[row * stride + column * 4 + c];
    return out;
}

}  // namespace testsupport
