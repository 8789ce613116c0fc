// What lets one function use AVX2, or AVX-512 (F and BW), in a file built for the baseline
// instruction set; such a function runs only where the processor has it (CpuHasAvx2,
// CpuHasAvx512).
#pragma once

#if defined(__GNUC__) || defined(__clang__)
#define WEBCAM_AVX2 __attribute__((target("avx2")))
#define WEBCAM_AVX512 __attribute__((target("avx512f,avx512bw")))
#else
#define WEBCAM_AVX2
#define WEBCAM_AVX512
#endif
