// The recorder's JPEG encoders.
#include "jpeg_encoder.h"

#include <propidl.h>

#include "dshow/streaming_com.h"

using Microsoft::WRL::ComPtr;

HRESULT CameraJpegEncoder::Encode(FrameLayout layout, const uint8_t* frame, size_t frameBytes, int width,
                                  int height, uint8_t* out, size_t capacity, size_t* written) {
    *written = 0;
    if (JpegEncodedBound(width, height) == 0)
        return m_fallback.Encode(layout, frame, frameBytes, width, height, out, capacity, written);
    *written = EncodeJpeg(layout, frame, frameBytes, width, height, static_cast<int>(kRecordingJpegQuality * 100 + 0.5f), out,
                          capacity, &m_scratch);
    // Nothing written: the frame is shorter than its layout needs, or `out` too short.
    return *written ? S_OK : E_INVALIDARG;
}

HRESULT WicJpegEncoder::Factory() {
    if (m_factory) return S_OK;
    return CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                            IID_PPV_ARGS(&m_factory));
}

HRESULT WicJpegEncoder::Encode(FrameLayout layout, const uint8_t* frame, size_t frameBytes, int width, int height,
                               uint8_t* out, size_t capacity, size_t* written) {
    *written = 0;
    if (width < 1 || height < 1) return E_INVALIDARG;
    m_pixels.resize(static_cast<size_t>(width) * height * 4);
    if (!ConvertFrameToRgb32(layout, frame, frameBytes, width, height, m_pixels.data(), m_pixels.size()))
        return E_INVALIDARG;  // a frame shorter than its layout needs
    EnsureComOnThisThread();
    return EncodePixels(m_pixels.data(), width, height, out, capacity, written);
}

HRESULT WicJpegEncoder::EncodePixels(const uint8_t* pixels, int width, int height, uint8_t* out, size_t capacity,
                                     size_t* written) {
    *written = 0;
    if (width < 1 || height < 1 || capacity > 0xFFFFFFFFu) return E_INVALIDARG;
    HRESULT hr = Factory();
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    if (FAILED(hr) || FAILED(hr = m_factory->CreateStream(&stream)) ||
        FAILED(hr = stream->InitializeFromMemory(out, static_cast<DWORD>(capacity))) ||
        FAILED(hr = m_factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, &encoder)) ||
        FAILED(hr = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
        FAILED(hr = encoder->CreateNewFrame(&frame, &options)))
        return hr;

    PROPBAG2 name{};
    name.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_R4;
    value.fltVal = m_quality;
    options->Write(1, &name, &value);  // an encoder without the option keeps its default

    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(hr = frame->Initialize(options.Get())) ||
        FAILED(hr = frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height))) ||
        FAILED(hr = frame->SetPixelFormat(&format)))
        return hr;
    if (format != GUID_WICPixelFormat24bppBGR) return WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;

    // Row by row, dropping the unused byte of each pixel.
    m_row.resize(static_cast<size_t>(width) * 3);
    for (int y = 0; y < height && SUCCEEDED(hr); ++y) {
        const uint8_t* from = pixels + static_cast<size_t>(y) * width * 4;
        for (int x = 0; x < width; ++x) {
            m_row[3 * x] = from[4 * x];
            m_row[3 * x + 1] = from[4 * x + 1];
            m_row[3 * x + 2] = from[4 * x + 2];
        }
        hr = frame->WritePixels(1, static_cast<UINT>(m_row.size()), static_cast<UINT>(m_row.size()),
                                m_row.data());
    }
    if (FAILED(hr) || FAILED(hr = frame->Commit()) || FAILED(hr = encoder->Commit())) return hr;

    ULARGE_INTEGER position{};
    LARGE_INTEGER zero{};
    if (FAILED(hr = stream->Seek(zero, STREAM_SEEK_CUR, &position))) return hr;
    *written = static_cast<size_t>(position.QuadPart);
    return S_OK;
}
