// Picture scaling.
#include "picture_scaler.h"

#include <algorithm>
#include <cstring>

#include "snapshot/simd_target.h"
#include "snapshot/yuv_kernels.h"

#if defined(__GNUC__) && (defined(__SSE2__) || defined(__x86_64__))
#include <immintrin.h>
#define WEBCAM_SCALER_SSE2 1
#endif

namespace {

// Seven bits a weight: the sums down stay below 32768, which SSE2's signed multiply-add takes.
constexpr int kWeightBits = 7;
constexpr int32_t kOne = 1 << kWeightBits;

#ifdef WEBCAM_SCALER_SSE2
// As AddWeighted, 16 channels a step, where the processor has AVX2.
WEBCAM_AVX2 size_t AddWeightedAvx2(const uint8_t* row, size_t channels, uint16_t weight,
                                                       uint16_t* column, bool first) {
    const __m256i w = _mm256_set1_epi16(static_cast<short>(weight));
    size_t i = 0;
    for (; i + 16 <= channels; i += 16) {
        __m256i products = _mm256_mullo_epi16(
            _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i))), w);
        __m256i* sums = reinterpret_cast<__m256i*>(column + i);
        _mm256_storeu_si256(sums, first ? products : _mm256_add_epi16(_mm256_loadu_si256(sums), products));
    }
    return i;
}
#endif

// `column` += `weight` x the row's channels, in 16 bits; the first row sets them.
void AddWeighted(const uint8_t* row, size_t channels, uint16_t weight, uint16_t* column, bool first) {
    size_t i = 0;
#ifdef WEBCAM_SCALER_SSE2
    static const bool avx2 = CpuHasAvx2();
    if (avx2) {
        i = AddWeightedAvx2(row, channels, weight, column, first);
    } else {
        const __m128i w = _mm_set1_epi16(static_cast<short>(weight)), zero = _mm_setzero_si128();
        for (; i + 16 <= channels; i += 16) {
            __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
            __m128i low = _mm_mullo_epi16(_mm_unpacklo_epi8(bytes, zero), w);
            __m128i high = _mm_mullo_epi16(_mm_unpackhi_epi8(bytes, zero), w);
            __m128i* sums = reinterpret_cast<__m128i*>(column + i);
            _mm_storeu_si128(sums, first ? low : _mm_add_epi16(_mm_loadu_si128(sums), low));
            _mm_storeu_si128(sums + 1, first ? high : _mm_add_epi16(_mm_loadu_si128(sums + 1), high));
        }
    }
#endif
    for (; i < channels; ++i) column[i] = static_cast<uint16_t>((first ? 0 : column[i]) + row[i] * weight);
}

// The 16-bit sums back to bytes, rounded.
void Narrow(const uint16_t* column, size_t channels, uint8_t* target) {
    size_t i = 0;
#ifdef WEBCAM_SCALER_SSE2
    const __m128i half = _mm_set1_epi16(1 << (kWeightBits - 1));
    for (; i + 16 <= channels; i += 16) {
        const __m128i* sums = reinterpret_cast<const __m128i*>(column + i);
        __m128i low = _mm_srli_epi16(_mm_add_epi16(_mm_loadu_si128(sums), half), kWeightBits);
        __m128i high = _mm_srli_epi16(_mm_add_epi16(_mm_loadu_si128(sums + 1), half), kWeightBits);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + i), _mm_packus_epi16(low, high));
    }
#endif
    for (; i < channels; ++i) target[i] = static_cast<uint8_t>((column[i] + (1 << (kWeightBits - 1))) >> kWeightBits);
}

}  // namespace

// Shrinking: output position i covers source [i * from / to, (i + 1) * from / to), each source
// position weighted by how much of it lies inside. Growing: bilinear, output position i at
// source position (i + 0.5) * from / to - 0.5 between its two neighbours (the edges repeated).
void PictureScaler::Plan(Axis* axis, int from, int to) {
    if (axis->from == from && axis->to == to) return;
    axis->from = from;
    axis->to = to;
    axis->first.assign(static_cast<size_t>(to) + 1, 0);
    axis->index.clear();
    axis->weight.clear();
    std::vector<std::pair<int, double>> taps;
    for (int i = 0; i < to; ++i) {
        axis->first[static_cast<size_t>(i)] = static_cast<uint32_t>(axis->index.size());
        taps.clear();
        if (to > from) {
            const double at = std::clamp((i + 0.5) * from / to - 0.5, 0.0, from - 1.0);
            const int left = static_cast<int>(at);
            taps.push_back({left, 1 - (at - left)});
            if (left + 1 < from) taps.push_back({left + 1, at - left});
        } else {
            const double begin = double(i) * from / to, end = double(i + 1) * from / to;
            for (int s = static_cast<int>(begin); s < end && s < from; ++s)
                taps.push_back({s, (std::min(end, s + 1.0) - std::max(begin, double(s))) / (end - begin)});
        }
        // Fixed-point weights that sum exactly to one, each rounded where the running share
        // ends: rounding errors never add up across the taps, however many (at 20 : 1 each tap's
        // own rounding would be off by up to a fifth of its weight).
        int32_t given = 0;
        double share = 0;
        for (size_t t = 0; t < taps.size(); ++t) {
            share += taps[t].second;
            const int32_t upTo = t + 1 == taps.size() ? kOne : static_cast<int32_t>(share * kOne + 0.5);
            const int32_t w = std::clamp(upTo - given, 0, kOne - given);
            given += w;
            if (w == 0) continue;
            axis->index.push_back(taps[t].first);
            axis->weight.push_back(static_cast<uint16_t>(w));
        }
    }
    axis->first[static_cast<size_t>(to)] = static_cast<uint32_t>(axis->index.size());
}

void PictureScaler::Scale(const uint8_t* source, int width, int height, size_t sourceStride, uint8_t* out,
                          int outWidth, int outHeight, size_t outStride, bool topDown) {
    if (outWidth < 1 || outHeight < 1 || width < 1 || height < 1) return;
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    m_rows.resize(rowBytes * outHeight);
    Down(source, rowBytes, height, sourceStride, m_rows.data(), outHeight, rowBytes);
    Across(m_rows.data(), width, outHeight, rowBytes, out, outWidth, outStride, topDown);
}

void PictureScaler::Down(const uint8_t* source, size_t rowBytes, int rows, size_t sourceStride, uint8_t* out,
                         int outRows, size_t outStride) {
    if (outRows < 1 || rows < 1) return;
    Plan(&m_down, rows, outRows);
    m_column.resize(rowBytes);
    for (int y = 0; y < outRows; ++y) {
        const uint32_t first = m_down.first[static_cast<size_t>(y)];
        for (uint32_t t = first; t < m_down.first[static_cast<size_t>(y) + 1]; ++t)
            AddWeighted(source + static_cast<size_t>(m_down.index[t]) * sourceStride, rowBytes, m_down.weight[t],
                        m_column.data(), t == first);
        Narrow(m_column.data(), rowBytes, out + static_cast<size_t>(y) * outStride);
    }
}

void PictureScaler::Across(const uint8_t* source, int width, int rows, size_t sourceStride, uint8_t* out,
                           int outWidth, size_t outStride, bool topDown) {
    if (outWidth < 1 || width < 1 || rows < 1) return;
    Plan(&m_across, width, outWidth);
    for (int y = 0; y < rows; ++y) {
        const uint8_t* row = source + static_cast<size_t>(y) * sourceStride;
        uint8_t* target = out + static_cast<size_t>(topDown ? y : rows - 1 - y) * outStride;
        for (int x = 0; x < outWidth; ++x) {
            const uint32_t first = m_across.first[static_cast<size_t>(x)], last = m_across.first[static_cast<size_t>(x) + 1];
#ifdef WEBCAM_SCALER_SSE2
            // Each channel widened to a 32-bit lane paired with a zero, multiplied by (weight, 0)
            // and the pairs added.
            __m128i sum = _mm_set1_epi32(1 << (kWeightBits - 1));
            for (uint32_t a = first; a < last; ++a) {
                int32_t bytes;
                std::memcpy(&bytes, row + static_cast<size_t>(m_across.index[a]) * 4, 4);
                __m128i pixel = _mm_unpacklo_epi8(_mm_cvtsi32_si128(bytes), _mm_setzero_si128());
                __m128i pairs = _mm_unpacklo_epi16(pixel, _mm_setzero_si128());
                sum = _mm_add_epi32(sum, _mm_madd_epi16(pairs, _mm_set1_epi32(m_across.weight[a])));
            }
            sum = _mm_srli_epi32(sum, kWeightBits);
            sum = _mm_packs_epi32(sum, sum);
            const int packed = _mm_cvtsi128_si32(_mm_packus_epi16(sum, sum));
            std::memcpy(target + 4 * x, &packed, 4);
#else
            uint32_t sum[4] = {};
            for (uint32_t a = first; a < last; ++a) {
                const uint8_t* pixel = row + static_cast<size_t>(m_across.index[a]) * 4;
                for (int c = 0; c < 4; ++c) sum[c] += pixel[c] * uint32_t(m_across.weight[a]);
            }
            for (int c = 0; c < 4; ++c)
                target[4 * x + c] = static_cast<uint8_t>((sum[c] + (1u << (kWeightBits - 1))) >> kWeightBits);
#endif
        }
    }
}
