// The JPEG compressor filter.
#include "jpeg_compressor.h"

#include <new>

#include "dshow/streaming_com.h"
#include "snapshot/frame_media_type.h"

namespace {

// {5C7D3B2E-9F4A-4E61-8D0B-6A1F2E3C4D50}: private to this program, never registered.
constexpr CLSID kCompressorClsid = {0x5c7d3b2e, 0x9f4a, 0x4e61, {0x8d, 0x0b, 0x6a, 0x1f, 0x2e, 0x3c, 0x4d, 0x50}};

}  // namespace

IBaseFilter* CJpegCompressor::Create(std::unique_ptr<FrameEncoder> encoder) {
    if (!encoder) encoder.reset(new (std::nothrow) JpegEncoder);
    if (!encoder) return nullptr;
    return HandOutFilter(new (std::nothrow) CJpegCompressor(std::move(encoder)));
}

CJpegCompressor::CJpegCompressor(std::unique_ptr<FrameEncoder> encoder)
    : CTransformFilter(L"JPEG compressor", kCompressorClsid), m_encoder(std::move(encoder)) {}

HRESULT CJpegCompressor::CheckInputType(const CMediaType* type) {
    FrameLayout layout;
    int width, height;
    return ReadFrameType(*type, &layout, &width, &height) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CJpegCompressor::CheckTransform(const CMediaType* in, const CMediaType* out) {
    return *out == OutputTypeFor(*in) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CJpegCompressor::GetMediaType(int position, CMediaType* type) {
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    *type = OutputTypeFor(InputPin()->CurrentMediaType());
    return S_OK;
}

HRESULT CJpegCompressor::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) {
    // Room for any JPEG of the frame: never more than its 24-bit pixels and the headers.
    const CMediaType output = OutputPin()->CurrentMediaType();
    const BITMAPINFOHEADER* header = BitmapHeaderOf(output);
    if (!header) return E_UNEXPECTED;
    return RequestBuffers(allocator, props, 2, static_cast<long>(header->biSizeImage) + 65536);
}

CMediaType CJpegCompressor::OutputTypeFor(const CMediaType& input) {
    FrameLayout layout;
    int width = 0, height = 0;
    if (!ReadFrameType(input, &layout, &width, &height)) return CMediaType(&MEDIATYPE_Video);
    return MakeVideoInfoType(MEDIASUBTYPE_MJPG, MAKEFOURCC('M', 'J', 'P', 'G'), 24, width, height,
                             static_cast<DWORD>(width) * static_cast<DWORD>(height) * 3,
                             FrameTimeOf(input));
}

HRESULT CJpegCompressor::Transform(IMediaSample* in, IMediaSample* out) {
    FrameLayout layout;
    int width = 0, height = 0;
    if (!ReadFrameType(InputPin()->CurrentMediaType(), &layout, &width, &height)) return E_UNEXPECTED;
    BYTE* frame = nullptr;
    long length = in->GetActualDataLength();
    if (FAILED(in->GetPointer(&frame)) || !frame || length <= 0) return S_FALSE;

    m_pixels.resize(static_cast<size_t>(width) * height * 4);
    if (!ConvertFrameToRgb32(layout, frame, static_cast<size_t>(length), width, height,
                             m_pixels.data(), m_pixels.size()))
        return S_FALSE;  // a short frame is skipped
    BYTE* jpeg = nullptr;
    size_t written = 0;
    EnsureComOnThisThread();
    HRESULT hr = out->GetPointer(&jpeg);
    if (SUCCEEDED(hr))
        hr = m_encoder->Encode(m_pixels.data(), width, height, jpeg, static_cast<size_t>(out->GetSize()), &written);
    if (FAILED(hr)) {
        if (++m_failures < kMostFailures) return S_FALSE;  // this frame is left out
        if (m_failures == kMostFailures) NotifyEvent(EC_ERRORABORT, hr, 0);
        return hr;
    }
    m_failures = 0;
    out->SetActualDataLength(static_cast<long>(written));
    out->SetSyncPoint(TRUE);
    return S_OK;
}
