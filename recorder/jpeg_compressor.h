// The recorder's video compressor: a filter taking the camera's YUY2, UYVY, YV12 or I420 frames
// and delivering each as a baseline JPEG (MJPG) frame with the same time stamps. The frames are
// converted with the snapshots' own YUV conversion and encoded through WIC.
//
// Threads: the graph's thread connects and changes states; the upstream filter's streaming
// thread runs the per-frame work under the receive lock.
#pragma once
#include <vector>

#include "dshow/transform_filter.h"
#include "recorder/jpeg_encoder.h"

class CJpegCompressor : public CTransformFilter {
public:
    // A new compressor holding one reference, or null.
    static IBaseFilter* Create();

    // The MJPG type of the output for an input type.
    static CMediaType OutputTypeFor(const CMediaType& input);

    HRESULT CheckInputType(const CMediaType* type) override;
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;
    // Compresses `in` into `out` (streaming thread).
    HRESULT Transform(IMediaSample* in, IMediaSample* out) override;

private:
    CJpegCompressor();

    std::vector<uint8_t> m_pixels;  // guarded by the receive lock
    JpegEncoder m_encoder;          // guarded by the receive lock
};
