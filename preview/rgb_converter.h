// The preview's RGB converter: a filter between the frame grabber and a video renderer that
// draws only RGB (the GDI Video Renderer). It takes the frame layouts the grabber passes on and
// delivers each frame as 32-bit RGB through the snapshots' own conversion, in whichever row
// order and stride the renderer's type asks for. Frames go out without time stamps, so that
// the renderer shows each one at once, as a preview should.
//
// Threads: the graph's thread connects and changes states; the upstream streaming thread runs
// the per-frame work under the receive lock. The cached geometry is written while the filter
// is stopped or under the receive lock, and read under the receive lock.
#pragma once
#include <vector>

#include "dshow/transform_filter.h"
#include "snapshot/frame_conversion.h"

class CRgbConverter : public CTransformFilter {
public:
    // A new converter holding one reference, or null.
    static IBaseFilter* Create();

    // The RGB32 VideoInfo type of frames of this size, top row first or last.
    static CMediaType OutputType(int width, int height, bool topDown, REFERENCE_TIME frameTime);

    HRESULT CheckInputType(const CMediaType* type) override;
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;
    HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override;
    long OutputBufferBytes() override { return static_cast<long>(m_stride * static_cast<size_t>(m_outHeight)); }
    HRESULT Transform(IMediaSample* in, IMediaSample* out) override;

private:
    CRgbConverter();
    // Copies the converted pixels into a buffer of the output's stride and row order.
    void CopyOut(uint8_t* out) const;

    // The input frame.
    FrameLayout m_layout = FrameLayout::Yuy2;
    int m_width = 0;
    int m_height = 0;
    // The output buffer: bytes per row, rows, top row first.
    size_t m_stride = 0;
    int m_outHeight = 0;
    bool m_topDown = false;
    std::vector<uint8_t> m_pixels;  // the converted frame, when it cannot go straight out
};
