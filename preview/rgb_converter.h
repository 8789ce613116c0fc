// The preview's RGB converter: a filter between the frame grabber and a video renderer that
// draws only RGB (the GDI Video Renderer). It takes the frame layouts the grabber passes on and
// delivers each frame as 32-bit RGB through the snapshots' own conversion, in whichever row
// order and stride the renderer's type asks for. Frames at least twice the size of the video
// area (as it was when the converter connected) both ways are shrunk by the largest whole
// factor that keeps them at least the area's size, by area averaging: GDI's stretching, which
// drops rows and columns, then has a quarter or less of the pixels to go through and no detail
// to lose. Smaller frames keep their size, so that a window sized to the camera's shows its
// picture pixel for pixel. Frames go out without time stamps, so that the renderer shows each
// one at once, as a preview should.
//
// Threads: the graph's thread connects and changes states; the upstream streaming thread runs
// the per-frame work under the receive lock; the user-interface thread says the video area's
// size before the graph connects. The cached geometry is written while the filter is stopped
// or under the receive lock, and read under the receive lock.
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

    // The video area's size: from the next connection on, frames at least twice its size both
    // ways are shrunk (0 x 0: none).
    // Renderers need not follow a size change carried by a sample (Wine's do not), so the size
    // is fixed while connected; the renderer stretches the picture to a resized window.
    void SetOutputSize(int width, int height);

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
    // The picture size for frames of this size: shrunk by the largest whole factor that keeps
    // it at least the area's size both ways.
    void PictureSize(int* width, int* height) const;

    // The input frame.
    FrameLayout m_layout = FrameLayout::Yuy2;
    int m_width = 0;
    int m_height = 0;
    // The output buffer: bytes per row, the picture's width and rows, top row first.
    size_t m_stride = 0;
    int m_outWidth = 0;
    int m_outHeight = 0;
    bool m_topDown = false;
    std::vector<uint8_t> m_pixels;  // the converted frame, when it cannot go straight out
    PictureScaler m_scaler;
    std::atomic<uint64_t> m_size{0};  // the size told: width << 32 | height
};
