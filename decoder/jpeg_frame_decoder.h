// One Motion-JPEG frame into RGB24 bitmap rows through the system's image codecs (WIC). Frames
// that leave out their Huffman tables get the standard ones. One decoder per streaming thread;
// not thread-safe.
#pragma once
#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <cstddef>
#include <cstdint>
#include <vector>

class JpegFrameDecoder {
public:
    // Decodes a frame of width x height into `out` (rows of `stride` bytes, top row first when
    // `topDown`, else last). Fails, with `out` perhaps partly written, for a frame that is not
    // a JPEG of that size or that is damaged beyond decoding.
    HRESULT Decode(const uint8_t* jpeg, size_t size, int width, int height, bool topDown,
                   size_t stride, uint8_t* out);

private:
    Microsoft::WRL::ComPtr<IWICImagingFactory> m_factory;
    std::vector<uint8_t> m_mended;  // a frame given the standard Huffman tables
};
