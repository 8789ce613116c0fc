// Kernel choice for the YUV conversion.
#include "yuv_to_rgb.h"

#include "yuv_kernels.h"

namespace {

using PixelsKernel = void (*)(const uint8_t*, const uint8_t*, const uint8_t*, uint8_t*, size_t);

PixelsKernel Kernel(YuvKernel kernel) {
    switch (kernel) {
#ifdef WEBCAM_HAS_X86_KERNELS
        case YuvKernel::Sse2: return &ConvertPixels444Sse2;
        case YuvKernel::Avx2: return &ConvertPixels444Avx2;
        case YuvKernel::Avx512: return &ConvertPixels444Avx512;
#endif
        default: return &ConvertPixels444Scalar;
    }
}

}  // namespace

YuvKernel FastestYuvKernel() {
#ifdef WEBCAM_HAS_X86_KERNELS
    if (CpuHasAvx512()) return YuvKernel::Avx512;
    return CpuHasAvx2() ? YuvKernel::Avx2 : YuvKernel::Sse2;
#else
    return YuvKernel::Scalar;
#endif
}

bool YuvKernelAvailable(YuvKernel kernel) {
    switch (kernel) {
        case YuvKernel::Scalar: return true;
#ifdef WEBCAM_HAS_X86_KERNELS
        case YuvKernel::Sse2: return true;
        case YuvKernel::Avx2: return CpuHasAvx2();
        case YuvKernel::Avx512: return CpuHasAvx512();
#endif
        default: return false;
    }
}

void ConvertYuvToRgb32With(YuvKernel kernel, const uint8_t* y, const uint8_t* u, const uint8_t* v,
                           uint8_t* out, size_t count) {
    Kernel(kernel)(y, u, v, out, count);
}

void ConvertYuvToRgb32(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out,
                       int width, int height) {
    if (width < 1 || height < 1) return;
    static const PixelsKernel kernel = Kernel(FastestYuvKernel());
    kernel(y, u, v, out, static_cast<size_t>(width) * static_cast<size_t>(height));
}
