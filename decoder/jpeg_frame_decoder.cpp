// Decoding one Motion-JPEG frame.
#include "jpeg_frame_decoder.h"

#include <algorithm>

#include "codec/jpeg_huffman.h"
#include "dshow/streaming_com.h"

using Microsoft::WRL::ComPtr;

namespace {

// BT.601 studio-range Y, Cb and Cr of a blue, green, red pixel, in 1/256 steps.
int Luma(const uint8_t* p) { return (16 << 8) + ((16829 * p[2] + 33039 * p[1] + 6416 * p[0]) >> 8); }
int Blue(const uint8_t* p) { return (128 << 8) + ((-9714 * p[2] - 19071 * p[1] + 28784 * p[0]) >> 8); }
int Red(const uint8_t* p) { return (128 << 8) + ((28784 * p[2] - 24103 * p[1] - 4681 * p[0]) >> 8); }
uint8_t Byte(int value256) { return static_cast<uint8_t>(std::clamp((value256 + 128) >> 8, 0, 255)); }

// Top-down 24-bit rows into YUY2, each pair's chroma the mean of its two pixels.
void RgbToYuy2(const uint8_t* rgb, size_t rgbStride, int width, int height, uint8_t* out, size_t stride) {
    for (int row = 0; row < height; ++row) {
        const uint8_t* p = rgb + row * rgbStride;
        uint8_t* q = out + row * stride;
        for (int x = 0; x < width; x += 2, p += 6, q += 4) {
            q[0] = Byte(Luma(p));
            q[1] = Byte((Blue(p) + Blue(p + 3)) / 2);
            q[2] = Byte(Luma(p + 3));
            q[3] = Byte((Red(p) + Red(p + 3)) / 2);
        }
    }
}

}  // namespace

HRESULT JpegFrameDecoder::Decode(const uint8_t* jpeg, size_t size, int width, int height, size_t stride,
                                 uint8_t* out) {
    if (!jpeg || !out || width < 2 || width % 2 || height < 1 || size > 0xFFFFFFFFu ||
        stride / 2 < static_cast<size_t>(width))
        return E_INVALIDARG;
    if (!HasHuffmanTables(jpeg, size)) {
        m_mended = WithStandardHuffmanTables(jpeg, size);
        if (m_mended.empty()) return E_FAIL;  // not a JPEG stream
        jpeg = m_mended.data();
        size = m_mended.size();
    }
    switch (DecodeJpegToYuy2(jpeg, size, width, height, out, stride, &m_scratch)) {
        case JpegResult::Ok: return S_OK;
        case JpegResult::Damaged: return E_FAIL;
        case JpegResult::Unsupported: break;
    }
    return DecodeThroughCodecs(jpeg, size, width, height, stride, out);
}

HRESULT JpegFrameDecoder::DecodeThroughCodecs(const uint8_t* jpeg, size_t size, int width, int height,
                                              size_t stride, uint8_t* out) {
    EnsureComOnThisThread();
    HRESULT hr = S_OK;
    if (!m_factory && FAILED(hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                                   IID_PPV_ARGS(&m_factory))))
        return hr;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICBitmapSource> pixels;
    UINT w = 0, h = 0;
    WICPixelFormatGUID format{};
    if (FAILED(hr = m_factory->CreateStream(&stream)) ||
        FAILED(hr = stream->InitializeFromMemory(const_cast<BYTE*>(jpeg), static_cast<DWORD>(size))) ||
        FAILED(hr = m_factory->CreateDecoder(GUID_ContainerFormatJpeg, nullptr, &decoder)) ||
        FAILED(hr = decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand)) ||
        FAILED(hr = decoder->GetFrame(0, &frame)) || FAILED(hr = frame->GetSize(&w, &h)) ||
        FAILED(hr = frame->GetPixelFormat(&format)))
        return hr;
    if (w != static_cast<UINT>(width) || h != static_cast<UINT>(height)) return E_FAIL;
    if (format == GUID_WICPixelFormat24bppBGR)
        pixels = frame;
    else if (FAILED(hr = WICConvertBitmapSource(GUID_WICPixelFormat24bppBGR, frame.Get(), &pixels)))
        return hr;
    const size_t rgbStride = static_cast<size_t>(width) * 3;
    m_rgb.resize(rgbStride * static_cast<size_t>(height));
    if (FAILED(hr = pixels->CopyPixels(nullptr, static_cast<UINT>(rgbStride), static_cast<UINT>(m_rgb.size()), m_rgb.data())))
        return hr;
    RgbToYuy2(m_rgb.data(), rgbStride, width, height, out, stride);
    return S_OK;
}
