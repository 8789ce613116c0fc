// One Motion-JPEG frame into YUY2 rows in BT.601's studio range. Camera frames (baseline, the
// usual samplings) go through our own fast decoder; anything else through the system's image
// codecs (WIC), then from its RGB into YUY2. Frames that leave out their Huffman tables get the
// standard ones. One decoder per streaming thread; not thread-safe.
#pragma once
#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "codec/baseline_jpeg.h"

class JpegFrameDecoder {
public:
    // Decodes a frame of width x height (width even) into `out`, rows of `stride` bytes. Fails,
    // with `out` perhaps partly written, for a frame that is not a JPEG of that size or that is
    // damaged beyond decoding.
    HRESULT Decode(const uint8_t* jpeg, size_t size, int width, int height, size_t stride, uint8_t* out);
    // The same through the system's codecs alone (what Decode does with frames our decoder
    // leaves to them).
    HRESULT DecodeThroughCodecs(const uint8_t* jpeg, size_t size, int width, int height, size_t stride,
                                uint8_t* out);

private:
    JpegScratch m_scratch;
    Microsoft::WRL::ComPtr<IWICImagingFactory> m_factory;
    std::vector<uint8_t> m_mended;  // a frame given the standard Huffman tables
    std::vector<uint8_t> m_rgb;     // the codecs' picture
};
