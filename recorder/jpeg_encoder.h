// Baseline JPEG through the system's image codecs (WIC), from 32-bit top-down pixels straight
// into a caller's buffer. One encoder per streaming thread; not thread-safe.
#pragma once
#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// Compresses one picture: width x height pixels (blue, green, red, unused; width x 4 bytes a
// row, top row first) into `out`; *written is the compressed size.
class FrameEncoder {
public:
    virtual ~FrameEncoder() = default;
    virtual HRESULT Encode(const uint8_t* pixels, int width, int height, uint8_t* out,
                           size_t capacity, size_t* written) = 0;
};

class JpegEncoder : public FrameEncoder {
public:
    // Quality from 0 to 1.
    explicit JpegEncoder(float quality = 0.85f) : m_quality(quality) {}

    // Fails when `capacity` is too small.
    HRESULT Encode(const uint8_t* pixels, int width, int height, uint8_t* out, size_t capacity,
                   size_t* written) override;

private:
    HRESULT Factory();

    float m_quality;
    Microsoft::WRL::ComPtr<IWICImagingFactory> m_factory;
    std::vector<uint8_t> m_row;  // one row of 24-bit pixels
};
