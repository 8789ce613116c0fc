// The preview's RGB converter: a filter between the frame grabber and a video renderer that
// draws only RGB (the GDI Video Renderer). It takes the frame layouts the grabber passes on and
// delivers each frame as 32-bit RGB through the snapshots' own conversion, in whichever row
// order and stride the renderer's type asks for. The picture is scaled to the video area's size
// (area averaging when shrinking, bilinear when growing; YUV frames down in their own layout
// before the conversion) into a corner of a buffer as large as the frame or the largest area
// it is told of, and the renderer is told to show only that part (its source rectangle),
// 1:1: GDI's stretching, which drops rows and columns, then has nothing to do, and fewer bytes
// go through it. The buffer keeps its size, so that the window can be resized while the graph
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

    // The largest video area to draw pictures for (the screen's size), before the converter
    // connects; 0 x 0: the frame's size. Larger areas get the renderer's stretching.
    void SetLargestArea(int width, int height);
    // Whether the renderer counts a source rectangle's rows from the bottom of a bottom-up
    // picture, as GDI does and Wine's renderer, which hands it to GDI, with it (the documented
    // renderer counts from the top), before the converter connects.
    void SetSourceCountedFromBottom(bool fromBottom);
    // The video area's size (0 x 0: unknown; a side above kMaxFrameSide counts as that): from
    // the next frame on, the picture is scaled to it.
    void SetVideoArea(int width, int height);
    // From the next frame on, the picture mirrored left to right, or not.
    void SetMirrored(bool mirrored) { m_mirrored = mirrored; }
    // The input frames' size; false while nothing is connected.
    bool FrameSize(int* width, int* height) const;
    // The picture's place in the output buffer, in picture coordinates (top row 0); the
    // renderer's source rectangle is as large, from row 0 as it counts rows. False while the
    // area is unknown or nothing is connected.
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
    // The output buffer's size for frames of this size.
    void BufferSize(int frameWidth, int frameHeight, int* width, int* height) const;
    // Copies the converted pixels, at their size, into the part of the buffer `picture` says,
    // in the output's stride and row order.
    void CopyOut(const RECT& picture, uint8_t* out) const;
    // Scales the converted pixels into that part.
    void ScaleOut(const RECT& picture, uint8_t* out);
    // The same for a YUV frame, scaled down in its own layout before the conversion, which then
    // goes through fewer rows; false for a layout or size it does not take.
    bool ScaleYuvOut(const RECT& picture, const uint8_t* frame, size_t frameBytes, uint8_t* out);
    // Reverses the pixels of each of the picture's rows in the output buffer.
    void MirrorOut(const RECT& picture, uint8_t* out) const;

    // The input frame.
    FrameLayout m_layout = FrameLayout::Yuy2;
    int m_width = 0;
    int m_height = 0;
    // The output buffer: bytes per row, the width pictures may take, rows, top row first.
    size_t m_stride = 0;
    int m_outWidth = 0;
    int m_outHeight = 0;
    int m_largestWidth = 0;
    int m_largestHeight = 0;
    bool m_fromBottom = false;
    bool m_topDown = false;
    std::vector<uint8_t> m_pixels;  // the converted frame, when it cannot go straight out
    std::vector<uint8_t> m_rows;  // a YUV frame shrunk down, before the conversion
    PictureScaler m_scaler;
    PictureScaler m_chromaScaler;  // the planar layouts' chroma rows
    std::atomic<uint64_t> m_area{0};  // the video area: width << 32 | height
    std::atomic<bool> m_mirrored{false};
};
