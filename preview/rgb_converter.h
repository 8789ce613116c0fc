// The preview's RGB converter: a filter between the frame grabber and a video renderer that
// draws only RGB (the GDI Video Renderer). It takes the frame layouts the grabber passes on and
// delivers each frame as 32-bit RGB through the snapshots' own conversion, in whichever row
// order and stride the renderer's type asks for. Where the video area is smaller than the frame,
// the frame is shrunk to the area's size by area averaging into the middle of the frame-sized
// buffer, and the renderer is told to show only that part (its source rectangle), 1:1: GDI's
// stretching, which drops rows and columns, then has nothing to do, and fewer bytes go through
// it. The buffer keeps the frame's size, so that the window can be resized while the graph
// runs (renderers need not follow a size change carried by a sample; Wine's do not). Frames go
// out without time stamps, so that the renderer shows each one at once, as a preview should.
//
// Threads: the graph's thread connects and changes states; the upstream streaming thread runs
// the per-frame work under the receive lock; the user-interface thread says the video area's
// size at any time. The cached geometry is written while the filter is stopped, and read under
// the receive lock or, for the picture's size, by the user-interface thread.
#pragma once
#include <atomic>
#include <cstdint>
#include <vector>

#include "dshow/transform_filter.h"
#include "preview/picture_scaler.h"
#include "snapshot/frame_conversion.h"

class CRgbConverter : public CTransformFilter {
public:
    // A new converter holding one reference, or null.
    static IBaseFilter* Create();
    // The converter behind a filter Create made.
    static CRgbConverter* Of(IBaseFilter* filter) { return static_cast<CRgbConverter*>(filter); }

    // The video area's size (0 x 0: unknown): from the next frame on, the picture shrinks to
    // it where the frame is larger.
    void SetVideoArea(int width, int height);
    // The picture's place in the output's frames, in picture coordinates (top row 0): all of
    // the frame, or a part where the area is smaller. False while the area is unknown or nothing
    // is connected.
    bool PictureRect(RECT* rect) const;

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
    // Shrinks the converted pixels into the part of the buffer `picture` says.
    void ShrinkOut(const RECT& picture, uint8_t* out);
    // The same for a YUV frame, shrunk down in its own layout before the conversion, which then
    // goes through fewer rows; false for a layout or size it does not take.
    bool ShrinkYuvOut(const RECT& picture, const uint8_t* frame, size_t frameBytes, uint8_t* out);

    // The input frame.
    FrameLayout m_layout = FrameLayout::Yuy2;
    int m_width = 0;
    int m_height = 0;
    // The output buffer: bytes per row, rows, top row first.
    size_t m_stride = 0;
    int m_outHeight = 0;
    bool m_topDown = false;
    std::vector<uint8_t> m_pixels;  // the converted frame, when it cannot go straight out
    std::vector<uint8_t> m_rows;  // a YUV frame shrunk down, before the conversion
    PictureScaler m_scaler;
    PictureScaler m_chromaScaler;  // the planar layouts' chroma rows
    std::atomic<uint64_t> m_area{0};  // the video area: width << 32 | height
};
