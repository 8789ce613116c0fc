// The JPEG compressor filter.
#include "jpeg_compressor.h"

#include <dvdmedia.h>

#include <new>

namespace {

// {5C7D3B2E-9F4A-4E61-8D0B-6A1F2E3C4D50}: private to this program, never registered.
constexpr CLSID kCompressorClsid = {0x5c7d3b2e, 0x9f4a, 0x4e61, {0x8d, 0x0b, 0x6a, 0x1f, 0x2e, 0x3c, 0x4d, 0x50}};

struct LayoutSubtype {
    DWORD fourcc;
    FrameLayout layout;
};
constexpr LayoutSubtype kLayouts[] = {{MAKEFOURCC('Y', 'U', 'Y', '2'), FrameLayout::Yuy2},
                                      {MAKEFOURCC('U', 'Y', 'V', 'Y'), FrameLayout::Uyvy},
                                      {MAKEFOURCC('Y', 'V', '1', '2'), FrameLayout::Yv12},
                                      {MAKEFOURCC('I', '4', '2', '0'), FrameLayout::I420}};

const VIDEOINFOHEADER* VideoInfo(const CMediaType& type) {
    if (type.majortype != MEDIATYPE_Video || type.formattype != FORMAT_VideoInfo || !type.pbFormat ||
        type.cbFormat < sizeof(VIDEOINFOHEADER))
        return nullptr;
    return reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
}

// The encoder uses COM objects, and streaming threads are not always COM threads.
void EnsureComOnThisThread() {
    thread_local bool initialised = false;
    if (initialised) return;
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    initialised = SUCCEEDED(hr) || hr == RPC_E_CHANGED_MODE;
}

}  // namespace

class CJpegCompressor::InputPin : public CBaseInputPin {
public:
    InputPin(CJpegCompressor* filter, CriticalSection* lock)
        : CBaseInputPin(L"JPEG compressor input", filter, lock, nullptr, L"In"), m_filter(filter) {}
    HRESULT CheckMediaType(const CMediaType* type) override {
        FrameLayout layout;
        int width, height;
        return ReadInputType(*type, &layout, &width, &height) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    STDMETHODIMP Receive(IMediaSample* sample) override {
        HRESULT hr = CBaseInputPin::Receive(sample);
        if (hr != S_OK) return hr;
        return m_filter->Compress(sample);
    }
    STDMETHODIMP EndOfStream() override;

private:
    CJpegCompressor* m_filter;
};

class CJpegCompressor::OutputPin : public CBaseOutputPin {
public:
    OutputPin(CJpegCompressor* filter, CriticalSection* lock)
        : CBaseOutputPin(L"JPEG compressor output", filter, lock, nullptr, L"Out"), m_filter(filter) {}
    HRESULT CheckMediaType(const CMediaType* type) override {
        if (!m_filter->m_input->IsConnected()) return VFW_E_NOT_CONNECTED;
        return *type == OutputTypeFor(m_filter->m_input->CurrentMediaType()) ? S_OK
                                                                               : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT GetMediaType(int position, CMediaType* type) override {
        if (position < 0) return E_INVALIDARG;
        if (position > 0 || !m_filter->m_input->IsConnected()) return VFW_S_NO_MORE_ITEMS;
        *type = OutputTypeFor(m_filter->m_input->CurrentMediaType());
        return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override {
        // Room for any JPEG of the frame: never more than its 24-bit pixels and the headers.
        const VIDEOINFOHEADER* info = VideoInfo(CurrentMediaType());
        if (!info) return E_UNEXPECTED;
        props->cBuffers = 2;
        props->cbBuffer = static_cast<long>(info->bmiHeader.biSizeImage) + 65536;
        if (props->cbAlign <= 0) props->cbAlign = 1;
        ALLOCATOR_PROPERTIES actual{};
        HRESULT hr = allocator->SetProperties(props, &actual);
        if (FAILED(hr)) return hr;
        return actual.cbBuffer < props->cbBuffer ? E_FAIL : S_OK;
    }

private:
    CJpegCompressor* m_filter;
};

STDMETHODIMP CJpegCompressor::InputPin::EndOfStream() {
    return m_filter->m_output->IsConnected() ? m_filter->m_output->DeliverEndOfStream() : S_OK;
}

IBaseFilter* CJpegCompressor::Create() {
    auto* compressor = new (std::nothrow) CJpegCompressor;
    if (!compressor) return nullptr;
    IBaseFilter* filter = nullptr;
    compressor->NonDelegatingQueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&filter));
    return filter;
}

CJpegCompressor::CJpegCompressor()
    : CBaseFilter(L"JPEG compressor", nullptr, &m_lock, kCompressorClsid),
      m_input(new InputPin(this, &m_lock)),
      m_output(new OutputPin(this, &m_lock)) {}

CJpegCompressor::~CJpegCompressor() = default;

CBasePin* CJpegCompressor::GetPin(int n) {
    if (n == 0) return m_input.get();
    if (n == 1) return m_output.get();
    return nullptr;
}

bool CJpegCompressor::ReadInputType(const CMediaType& type, FrameLayout* layout, int* width,
                                    int* height) {
    const VIDEOINFOHEADER* info = VideoInfo(type);
    if (!info) return false;
    for (const LayoutSubtype& entry : kLayouts) {
        GUID subtype = MEDIASUBTYPE_YUY2;
        subtype.Data1 = entry.fourcc;
        if (type.subtype != subtype) continue;
        *layout = entry.layout;
        *width = info->bmiHeader.biWidth;
        *height = info->bmiHeader.biHeight < 0 ? -info->bmiHeader.biHeight : info->bmiHeader.biHeight;
        return *width > 0 && *height > 0 && *width <= 8192 && *height <= 8192;
    }
    return false;
}

CMediaType CJpegCompressor::OutputTypeFor(const CMediaType& input) {
    CMediaType output(&MEDIATYPE_Video);
    const VIDEOINFOHEADER* in = VideoInfo(input);
    FrameLayout layout;
    int width = 0, height = 0;
    if (!in || !ReadInputType(input, &layout, &width, &height)) return output;
    output.SetSubtype(&MEDIASUBTYPE_MJPG);
    output.SetFormatType(&FORMAT_VideoInfo);
    auto* out = reinterpret_cast<VIDEOINFOHEADER*>(output.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    if (!out) return output;
    *out = VIDEOINFOHEADER{};
    out->AvgTimePerFrame = in->AvgTimePerFrame;
    out->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    out->bmiHeader.biWidth = width;
    out->bmiHeader.biHeight = height;
    out->bmiHeader.biPlanes = 1;
    out->bmiHeader.biBitCount = 24;
    out->bmiHeader.biCompression = MAKEFOURCC('M', 'J', 'P', 'G');
    out->bmiHeader.biSizeImage = static_cast<DWORD>(width) * static_cast<DWORD>(height) * 3;
    output.bFixedSizeSamples = FALSE;
    output.bTemporalCompression = FALSE;
    output.lSampleSize = 0;
    return output;
}

HRESULT CJpegCompressor::Compress(IMediaSample* in) {
    ScopedCriticalSection lock(m_streamLock.get());
    if (!m_output->IsConnected()) return S_OK;
    FrameLayout layout;
    int width = 0, height = 0;
    if (!ReadInputType(m_input->CurrentMediaType(), &layout, &width, &height)) return E_UNEXPECTED;
    BYTE* frame = nullptr;
    long length = in->GetActualDataLength();
    if (FAILED(in->GetPointer(&frame)) || !frame || length <= 0) return S_OK;

    m_pixels.resize(static_cast<size_t>(width) * height * 4);
    if (!ConvertFrameToRgb32(layout, frame, static_cast<size_t>(length), width, height,
                             m_pixels.data(), m_pixels.size()))
        return S_OK;  // a short frame is skipped
    IMediaSample* out = nullptr;
    HRESULT hr = m_output->GetDeliveryBuffer(&out, nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
    BYTE* jpeg = nullptr;
    size_t written = 0;
    EnsureComOnThisThread();
    if (SUCCEEDED(out->GetPointer(&jpeg)) &&
        SUCCEEDED(m_encoder.Encode(m_pixels.data(), width, height, jpeg,
                                   static_cast<size_t>(out->GetSize()), &written))) {
        out->SetActualDataLength(static_cast<long>(written));
        REFERENCE_TIME start = 0, stop = 0;
        if (SUCCEEDED(in->GetTime(&start, &stop))) out->SetTime(&start, &stop);
        out->SetSyncPoint(TRUE);
        hr = m_output->Deliver(out);
    }
    out->Release();
    return hr;
}
