// The Motion-JPEG decoder: a filter in front of the frame grabber for cameras that deliver MJPG
// where no system decoder takes it (Wine, stripped systems). Each frame is decoded into YUY2
// (JpegFrameDecoder: our own fast decoder for camera frames, the system's image codecs for any
// other JPEG). A frame that cannot be decoded (cut short or damaged on its way from the camera)
// is dropped, and the stream goes on with the next.
//
// Threads: the graph's thread connects and changes states; the upstream streaming thread runs
// the per-frame work under the receive lock. The cached geometry is written while the filter is
// stopped or under the receive lock.
#pragma once
#include "decoder/jpeg_frame_decoder.h"
#include "dshow/transform_filter.h"

class CMjpegDecoder : public CTransformFilter {
public:
    // A new decoder holding one reference, or null.
    static IBaseFilter* Create();

    // The YUY2 VideoInfo type of frames of this size.
    static CMediaType OutputType(int width, int height, REFERENCE_TIME frameTime);

    HRESULT CheckInputType(const CMediaType* type) override;
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;
    HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override;
    long OutputBufferBytes() override { return static_cast<long>(m_width) * 2 * m_height; }
    HRESULT Transform(IMediaSample* in, IMediaSample* out) override;

private:
    CMjpegDecoder();

    JpegFrameDecoder m_decoder;  // used on the streaming thread
    int m_width = 0;
    int m_height = 0;
};
