// Decoding one Motion-JPEG frame.
#include "jpeg_frame_decoder.h"

#include "decoder/jpeg_huffman.h"
#include "dshow/streaming_com.h"

using Microsoft::WRL::ComPtr;

HRESULT JpegFrameDecoder::Decode(const uint8_t* jpeg, size_t size, int width, int height, bool topDown,
                                 size_t stride, uint8_t* out) {
    if (!jpeg || !out || width < 1 || height < 1 || size > 0xFFFFFFFFu || stride > 0xFFFFFFFFu / height)
        return E_INVALIDARG;
    if (!HasHuffmanTables(jpeg, size)) {
        m_mended = WithStandardHuffmanTables(jpeg, size);
        if (m_mended.empty()) return E_FAIL;  // not a JPEG stream
        jpeg = m_mended.data();
        size = m_mended.size();
    }
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
    const UINT rowBytes = static_cast<UINT>(stride);
    if (topDown) return pixels->CopyPixels(nullptr, rowBytes, rowBytes * h, out);
    for (UINT row = 0; row < h && SUCCEEDED(hr); ++row) {
        WICRect line{0, static_cast<INT>(row), width, 1};
        hr = pixels->CopyPixels(&line, rowBytes, rowBytes, out + static_cast<size_t>(h - 1 - row) * stride);
    }
    return hr;
}
