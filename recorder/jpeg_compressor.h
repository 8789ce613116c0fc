// The recorder's video compressor: a filter taking the camera's YUY2, UYVY, YV12 or I420 frames
// and delivering each as a baseline JPEG (MJPG) frame with the same time stamps. The frames are
// converted with the snapshots' own YUV conversion and encoded through WIC. A frame that cannot
// be encoded is left out; when many in a row cannot, the stream ends with EC_ERRORABORT, as a
// recording that can no longer be written.
//
// Threads: the graph's thread connects and changes states; the upstream filter's streaming
// thread runs the per-frame work under the receive lock.
#pragma once
#include <memory>
#include <vector>

#include "dshow/transform_filter.h"
#include "recorder/jpeg_encoder.h"

class CJpegCompressor : public CTransformFilter {
public:
    // Consecutive frames that may fail to encode before the stream ends.
    static constexpr int kMostFailures = 10;

    // A new compressor holding one reference, or null; with WIC's JPEG encoder unless another
    // is given.
    static IBaseFilter* Create(std::unique_ptr<FrameEncoder> encoder = nullptr);

    // The MJPG type of the output for an input type.
    static CMediaType OutputTypeFor(const CMediaType& input);

    HRESULT CheckInputType(const CMediaType* type) override;
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;
    // Compresses `in` into `out` (streaming thread).
    HRESULT Transform(IMediaSample* in, IMediaSample* out) override;

private:
    explicit CJpegCompressor(std::unique_ptr<FrameEncoder> encoder);

    // Guarded by the receive lock.
    std::vector<uint8_t> m_pixels;
    std::unique_ptr<FrameEncoder> m_encoder;
    int m_failures = 0;  // frames in a row that could not be encoded
};
