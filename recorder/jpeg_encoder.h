// What compresses one camera frame into a JPEG for the recorder: our own encoder, straight from
// the camera's layout, and the system's image codecs (WIC: the frame converted with the
// snapshots' own conversion, then WIC's baseline JPEG encoder) for what ours does not take. One
// encoder per thread; not thread-safe.
#pragma once
#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "codec/jpeg_encoder.h"
#include "snapshot/frame_conversion.h"

// The recording's JPEG quality, from 0 to 1.
constexpr float kRecordingJpegQuality = 0.85f;

class FrameEncoder {
public:
    virtual ~FrameEncoder() = default;
    // Compresses a camera frame (`frameBytes` of `layout`, width x height) into `out`;
    // *written is the compressed size. Fails when `capacity` is too small.
    virtual HRESULT Encode(FrameLayout layout, const uint8_t* frame, size_t frameBytes, int width, int height,
                           uint8_t* out, size_t capacity, size_t* written) = 0;
};

class WicJpegEncoder : public FrameEncoder {
public:
    // Quality from 0 to 1.
    explicit WicJpegEncoder(float quality = kRecordingJpegQuality) : m_quality(quality) {}

    HRESULT Encode(FrameLayout layout, const uint8_t* frame, size_t frameBytes, int width, int height,
                   uint8_t* out, size_t capacity, size_t* written) override;
    // 32-bit pixels (blue, green, red, unused; top row first) into `out`.
    HRESULT EncodePixels(const uint8_t* pixels, int width, int height, uint8_t* out, size_t capacity,
                         size_t* written);

private:
    HRESULT Factory();

    float m_quality;
    Microsoft::WRL::ComPtr<IWICImagingFactory> m_factory;
    std::vector<uint8_t> m_pixels;  // the converted frame
    std::vector<uint8_t> m_row;     // one row of 24-bit pixels
};

// Our encoder at the same quality; frames of a size it refuses go to WIC.
class CameraJpegEncoder : public FrameEncoder {
public:
    HRESULT Encode(FrameLayout layout, const uint8_t* frame, size_t frameBytes, int width, int height,
                   uint8_t* out, size_t capacity, size_t* written) override;

private:
    JpegEncoderScratch m_scratch;
    WicJpegEncoder m_fallback;
};
