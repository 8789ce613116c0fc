// Camera frames to 32-bit pixels.
#include "frame_conversion.h"

#include <algorithm>
#include <vector>

#include "yuv_kernels.h"

namespace {

constexpr int kMaxSide = 1 << 16;

// A Y plane with chroma at half resolution in both directions.
bool Planar(FrameLayout layout) {
    return layout == FrameLayout::Yv12 || layout == FrameLayout::I420 || layout == FrameLayout::Nv12;
}

// Where a planar frame's chroma is: for one chroma row, its U and V values are u[i * step] and
// v[i * step] (step 2 for NV12's pairs).
struct ChromaPlaneView {
    const uint8_t* u;
    const uint8_t* v;
    int step;
    size_t rowBytes;
};

ChromaPlaneView ChromaPlanes(FrameLayout layout, const uint8_t* frame, int width, int height) {
    size_t luma = static_cast<size_t>(width) * height;
    size_t chroma = static_cast<size_t>(width / 2) * (height / 2);
    const uint8_t* first = frame + luma;
    const uint8_t* second = first + chroma;
    if (layout == FrameLayout::Nv12) return {first, first + 1, 2, static_cast<size_t>(width / 2) * 2};
    if (layout == FrameLayout::I420) return {first, second, 1, static_cast<size_t>(width / 2)};
    return {second, first, 1, static_cast<size_t>(width / 2)};
}

// Bytes per pixel of an RGB layout.
size_t RgbPixelBytes(FrameLayout layout) {
    return layout == FrameLayout::Rgb24 || layout == FrameLayout::Rgb24TopDown ? 3 : 4;
}

// Bitmap rows are padded to whole 32-bit words.
size_t RgbStride(FrameLayout layout, int width) {
    return (static_cast<size_t>(width) * RgbPixelBytes(layout) + 3) / 4 * 4;
}

// One row's chroma, one U and V per pixel pair, ceil(width / 2) of each.
void RowChroma(FrameLayout layout, const uint8_t* frame, int width, int height, int row,
               uint8_t* u, uint8_t* v, uint8_t* lumaScratch) {
    int pairs = (width + 1) / 2;
    if (Planar(layout)) {
        int chromaWidth = width / 2, chromaHeight = height / 2;
        if (chromaWidth == 0 || chromaHeight == 0) {
            std::fill(u, u + pairs, uint8_t(128));
            std::fill(v, v + pairs, uint8_t(128));
            return;
        }
        ChromaPlaneView planes = ChromaPlanes(layout, frame, width, height);
        size_t line = static_cast<size_t>(std::min(row / 2, chromaHeight - 1)) * planes.rowBytes;
        for (int p = 0; p < pairs; ++p) {
            size_t column = static_cast<size_t>(std::min(p, chromaWidth - 1)) * planes.step;
            u[p] = planes.u[line + column];
            v[p] = planes.v[line + column];
        }
        return;
    }
    // Packed: q0..q3 per pair; an odd width's last pixel has Y and one chroma byte only.
    const uint8_t* q = frame + static_cast<size_t>(row) * width * 2;
    bool yuy2 = layout == FrameLayout::Yuy2;
    for (int p = 0; p < width / 2; ++p, q += 4) {
        lumaScratch[2 * p] = yuy2 ? q[0] : q[1];
        lumaScratch[2 * p + 1] = yuy2 ? q[2] : q[3];
        u[p] = yuy2 ? q[1] : q[0];
        v[p] = yuy2 ? q[3] : q[2];
    }
    if (width % 2) {
        lumaScratch[width - 1] = yuy2 ? q[0] : q[1];
        u[pairs - 1] = yuy2 ? q[1] : q[0];
        v[pairs - 1] = pairs > 1 ? v[pairs - 2] : 128;
    }
}

}  // namespace

bool IsFrameLayout(int code) { return code >= 0 && code < kFrameLayoutCount; }

bool IsRgbLayout(FrameLayout layout) {
    return layout == FrameLayout::Rgb24 || layout == FrameLayout::Rgb32 ||
           layout == FrameLayout::Rgb24TopDown || layout == FrameLayout::Rgb32TopDown;
}

size_t RequiredFrameBytes(FrameLayout layout, int width, int height) {
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) return 0;
    size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (IsRgbLayout(layout)) return RgbStride(layout, width) * static_cast<size_t>(height);
    if (Planar(layout)) return pixels + 2 * static_cast<size_t>(width / 2) * (height / 2);
    return pixels * 2;
}

bool ExpandChroma(FrameLayout layout, const uint8_t* frame, size_t frameBytes, int width,
                  int height, uint8_t* y, uint8_t* u, uint8_t* v) {
    size_t required = RequiredFrameBytes(layout, width, height);
    if (!frame || required == 0 || frameBytes < required || IsRgbLayout(layout)) return false;
    std::vector<uint8_t> rowU((width + 1) / 2), rowV((width + 1) / 2), rowY(width);
    for (int row = 0; row < height; ++row) {
        size_t start = static_cast<size_t>(row) * width;
        RowChroma(layout, frame, width, height, row, rowU.data(), rowV.data(), rowY.data());
        const uint8_t* luma = Planar(layout) ? frame + start : rowY.data();
        for (int x = 0; x < width; ++x) {
            y[start + x] = luma[x];
            u[start + x] = rowU[x / 2];
            v[start + x] = rowV[x / 2];
        }
    }
    return true;
}

namespace {

using RowKernel = void (*)(const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, int);
// Two rows that share a chroma row.
using RowPairKernel = void (*)(const uint8_t*, const uint8_t*, const uint8_t*, const uint8_t*,
                               uint8_t*, uint8_t*, int);
using PackedKernel = void (*)(const uint8_t*, uint8_t*, int, bool);
// Two rows that share a row of NV12's U V pairs.
using Nv12PairKernel = void (*)(const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, uint8_t*, int);

template <RowKernel kRow>
void RowPairOf(const uint8_t* y0, const uint8_t* y1, const uint8_t* u, const uint8_t* v,
               uint8_t* out0, uint8_t* out1, int width) {
    kRow(y0, u, v, out0, width);
    kRow(y1, u, v, out1, width);
}

// NV12's pairs parted into U and V, a stretch at a time, for a kernel of separate planes.
template <RowPairKernel kPair>
void Nv12PairOf(const uint8_t* y0, const uint8_t* y1, const uint8_t* uv, uint8_t* out0,
                uint8_t* out1, int width) {
    constexpr int kStretch = 256;  // pixels, even
    uint8_t u[kStretch / 2], v[kStretch / 2];
    for (int x = 0; x < width; x += kStretch) {
        int pixels = width - x < kStretch ? width - x : kStretch;
        for (int i = 0; i < pixels / 2; ++i) {
            u[i] = uv[x + 2 * i];
            v[i] = uv[x + 2 * i + 1];
        }
        kPair(y0 + x, y1 + x, u, v, out0 + 4 * x, out1 + 4 * x, pixels);
    }
}

// The row kernels of one instruction set.
struct FrameKernels {
    RowKernel row;
    RowPairKernel pair;
    PackedKernel packed;
    Nv12PairKernel nv12Pair;
};

FrameKernels KernelsFor(YuvKernel kernel) {
    switch (kernel) {
#ifdef WEBCAM_HAS_X86_KERNELS
        case YuvKernel::Sse2:
            return {&ConvertRow422Sse2, &RowPairOf<&ConvertRow422Sse2>, &ConvertRowPackedSse2,
                    &Nv12PairOf<&RowPairOf<&ConvertRow422Sse2>>};
        case YuvKernel::Avx2:
            return {&ConvertRow422Avx2, &ConvertRowPair420Avx2, &ConvertRowPackedAvx2,
                    &Nv12PairOf<&ConvertRowPair420Avx2>};
        case YuvKernel::Avx512:
            return {&ConvertRow422Avx512, &ConvertRowPair420Avx512, &ConvertRowPackedAvx512,
                    &ConvertRowPairNv12Avx512};
#endif
        default:
            return {&ConvertRow422Scalar, &RowPairOf<&ConvertRow422Scalar>, &ConvertRowPackedScalar,
                    &ConvertRowPairNv12Scalar};
    }
}

// A planar frame with chroma planes, two rows at a time: each chroma row is read and its
// terms worked out once for the two rows it covers. NV12's pairs are parted into two short rows
// first.
void ConvertPlanarFrame(const FrameKernels& kernels, FrameLayout layout, const uint8_t* frame,
                        int width, int height, uint8_t* out) {
    ChromaPlaneView planes = ChromaPlanes(layout, frame, width, height);
    int even = width & ~1, chromaWidth = width / 2, chromaHeight = height / 2;
    std::vector<uint8_t> parted(planes.step == 2 ? 2 * static_cast<size_t>(chromaWidth) : 0);
    size_t rowBytes = static_cast<size_t>(width) * 4;
    for (int row = 0; row < height; row += 2) {
        size_t offset = static_cast<size_t>(std::min(row / 2, chromaHeight - 1)) * planes.rowBytes;
        const uint8_t* u = planes.u + offset;
        const uint8_t* v = planes.v + offset;
        const uint8_t* luma = frame + static_cast<size_t>(row) * width;
        uint8_t* line = out + static_cast<size_t>(row) * rowBytes;
        bool pair = row + 1 < height;
        if (planes.step == 2 && pair) {  // NV12 rows in pairs read the pairs as they are
            kernels.nv12Pair(luma, luma + width, u, line, line + rowBytes, even);
            for (int r = 0; width > even && r < 2; ++r)
                ConvertRow422Scalar(luma + r * width + even, u + 2 * (chromaWidth - 1), v + 2 * (chromaWidth - 1),
                                    line + r * rowBytes + 4 * even, 1);
            continue;
        }
        if (planes.step == 2) {
            for (int i = 0; i < chromaWidth; ++i) {
                parted[i] = u[2 * i];
                parted[chromaWidth + i] = u[2 * i + 1];
            }
            u = parted.data();
            v = parted.data() + chromaWidth;
        }
        if (pair)
            kernels.pair(luma, luma + width, u, v, line, line + rowBytes, even);
        else
            kernels.row(luma, u, v, line, even);
        // The last pixel of an odd width takes the last chroma column.
        for (int r = 0; width > even && r < (pair ? 2 : 1); ++r)
            ConvertRow422Scalar(luma + r * width + even, u + chromaWidth - 1, v + chromaWidth - 1,
                                line + r * rowBytes + 4 * even, 1);
    }
}

// An RGB bitmap's pixels as they are, top row first, the fourth byte 0.
void ConvertRgbFrame(FrameLayout layout, const uint8_t* frame, int width, int height, uint8_t* out) {
    const size_t pixelBytes = RgbPixelBytes(layout);
    bool topDown = layout == FrameLayout::Rgb24TopDown || layout == FrameLayout::Rgb32TopDown;
    size_t stride = RgbStride(layout, width);
    for (int row = 0; row < height; ++row) {
        const uint8_t* in = frame + static_cast<size_t>(topDown ? row : height - 1 - row) * stride;
        uint8_t* line = out + static_cast<size_t>(row) * width * 4;
        for (int x = 0; x < width; ++x, in += pixelBytes, line += 4) {
            line[0] = in[0];
            line[1] = in[1];
            line[2] = in[2];
            line[3] = 0;
        }
    }
}

}  // namespace

bool ConvertFrameToRgb32(FrameLayout layout, const uint8_t* frame, size_t frameBytes, int width,
                         int height, uint8_t* out, size_t outBytes) {
    static const YuvKernel fastest = FastestYuvKernel();
    return ConvertFrameToRgb32With(fastest, layout, frame, frameBytes, width, height, out, outBytes);
}

bool ConvertFrameToRgb32With(YuvKernel kernel, FrameLayout layout, const uint8_t* frame,
                             size_t frameBytes, int width, int height, uint8_t* out,
                             size_t outBytes) {
    size_t required = RequiredFrameBytes(layout, width, height);
    if (!frame || !out || required == 0 || frameBytes < required) return false;
    if (outBytes / 4 / static_cast<size_t>(width) < static_cast<size_t>(height)) return false;
    if (IsRgbLayout(layout)) {
        ConvertRgbFrame(layout, frame, width, height, out);
        return true;
    }
    const FrameKernels kernels = KernelsFor(kernel);
    if (Planar(layout) && width >= 2 && height >= 2) {
        ConvertPlanarFrame(kernels, layout, frame, width, height, out);
        return true;
    }

    bool uyvy = layout == FrameLayout::Uyvy;
    if (!Planar(layout) && width % 2 == 0) {
        // Rows of whole pairs follow each other without a gap: many rows make one run.
        const int rowsPerRun = std::max(1, (1 << 24) / width);
        for (int row = 0; row < height; row += rowsPerRun) {
            int rows = std::min(rowsPerRun, height - row);
            size_t first = static_cast<size_t>(row) * width;
            kernels.packed(frame + first * 2, out + first * 4, rows * width, uyvy);
        }
        return true;
    }
    int even = width & ~1;
    // The last pixel of an odd width takes the last chroma there is; see RowChroma.
    std::vector<uint8_t> lastU((width + 1) / 2), lastV((width + 1) / 2), lastY(width);
    for (int row = 0; row < height; ++row) {
        uint8_t* line = out + static_cast<size_t>(row) * width * 4;
        if (!Planar(layout)) kernels.packed(frame + static_cast<size_t>(row) * width * 2, line, even, uyvy);
        // Rows without chroma planes, and the last pixel of an odd packed width.
        RowChroma(layout, frame, width, height, row, lastU.data(), lastV.data(), lastY.data());
        const uint8_t* luma = Planar(layout) ? frame + static_cast<size_t>(row) * width : lastY.data();
        int from = Planar(layout) ? 0 : even;
        ConvertRow422Scalar(luma + from, lastU.data() + from / 2, lastV.data() + from / 2,
                            line + 4 * from, width - from);
    }
    return true;
}
