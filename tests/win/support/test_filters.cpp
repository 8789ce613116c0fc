// Test source and sink filters.
#include "test_filters.h"

#include <algorithm>

#include <dvdmedia.h>

#include <cstring>
#include <new>

#include "dshow/platform_interfaces.h"

namespace testsupport {

namespace {

const CLSID kTestSourceClsid = {0x7e4b3a10, 0x1111, 0x4c2d, {0x9e, 1, 2, 3, 4, 5, 6, 7}};
const CLSID kTestSinkClsid = {0x7e4b3a10, 0x2222, 0x4c2d, {0x9e, 1, 2, 3, 4, 5, 6, 7}};

// The parts of IMixerPinConfig a pin needs to be recognised by: the interface identifier
// and a table of do-nothing methods in the interface's order.
struct IMixerPinConfigShape : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetRelativePosition(DWORD, DWORD, DWORD, DWORD) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRelativePosition(DWORD*, DWORD*, DWORD*, DWORD*) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetZOrder(DWORD) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetZOrder(DWORD*) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetColorKey(void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetColorKey(void*, DWORD*) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetBlendingParameter(DWORD) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBlendingParameter(DWORD*) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetAspectRatioMode(int) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAspectRatioMode(int*) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetStreamTransparent(BOOL) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStreamTransparent(BOOL*) = 0;
};

WORD BitCountOf(DWORD fourcc) {
    return fourcc == MAKEFOURCC('Y', 'V', '1', '2') || fourcc == MAKEFOURCC('I', '4', '2', '0')
               ? 12
               : 16;
}

}  // namespace

CMediaType VideoType(DWORD fourcc, int width, int height) {
    CMediaType type(&MEDIATYPE_Video);
    GUID subtype = MEDIASUBTYPE_YUY2;
    subtype.Data1 = fourcc;
    type.SetSubtype(&subtype);
    type.SetFormatType(&FORMAT_VideoInfo);
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    info->AvgTimePerFrame = 333333;
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = BitCountOf(fourcc);
    info->bmiHeader.biCompression = fourcc;
    info->bmiHeader.biSizeImage = static_cast<DWORD>(width) * height * BitCountOf(fourcc) / 8;
    type.lSampleSize = info->bmiHeader.biSizeImage;
    return type;
}

// --- source -----------------------------------------------------------------------------

class CTestSourcePin : public CBaseOutputPin {
public:
    CTestSourcePin(CTestSource* filter, CriticalSection* lock, const CMediaType& type, long bufferBytes)
        : CBaseOutputPin(L"test source pin", filter, lock, nullptr, L"Out"), m_type(type), m_bufferBytes(bufferBytes) {}
    HRESULT CheckMediaType(const CMediaType* type) override {
        return *type == m_type ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT GetMediaType(int position, CMediaType* type) override {
        if (position < 0) return E_INVALIDARG;
        if (position > 0) return VFW_S_NO_MORE_ITEMS;
        *type = m_type;
        return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override {
        props->cBuffers = 1;
        props->cbBuffer = std::max(static_cast<long>(m_type.lSampleSize), m_bufferBytes);
        if (props->cbAlign <= 0) props->cbAlign = 1;
        ALLOCATOR_PROPERTIES actual{};
        return allocator->SetProperties(props, &actual);
    }

private:
    CMediaType m_type;
    long m_bufferBytes;
};

CTestSource::CTestSource(const CMediaType& type, long bufferBytes)
    : CBaseFilter(L"test source", nullptr, &m_lock, kTestSourceClsid),
      m_pin(new CTestSourcePin(this, &m_lock, type, bufferBytes)) {}

CTestSource::~CTestSource() { delete m_pin; }

CBasePin* CTestSource::GetPin(int n) { return n == 0 ? m_pin : nullptr; }

IPin* CTestSource::OutputPin() const { return m_pin; }

IMemAllocator* CTestSource::Allocator() const { return m_pin->Allocator(); }

HRESULT CTestSource::Deliver(const Push& push) {
    IMediaSample* sample = nullptr;
    HRESULT hr = m_pin->GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
    AM_MEDIA_TYPE* announced = nullptr;
    if (sample->GetMediaType(&announced) == S_OK && announced) {
        m_announced = *announced;
        DeleteMediaType(announced);
        sample->SetMediaType(nullptr);  // what we deliver is in the type we now use
    }
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    long length = push.length < sample->GetSize() ? push.length : sample->GetSize();
    std::memcpy(data, push.data, static_cast<size_t>(length));
    sample->SetActualDataLength(length);
    sample->SetSyncPoint(push.syncPoint);
    if (push.timed) {
        REFERENCE_TIME start = push.start, stop = push.start + 333333;
        sample->SetTime(&start, &stop);
    }
    if (push.streamId != AM_STREAM_MEDIA) {
        IMediaSample2* sample2 = nullptr;
        if (SUCCEEDED(sample->QueryInterface(IID_IMediaSample2, reinterpret_cast<void**>(&sample2)))) {
            AM_SAMPLE2_PROPERTIES props{};
            sample2->GetProperties(sizeof(props), reinterpret_cast<BYTE*>(&props));
            props.dwStreamId = push.streamId;
            sample2->SetProperties(sizeof(props), reinterpret_cast<BYTE*>(&props));
            sample2->Release();
        }
    }
    if (push.type) sample->SetMediaType(const_cast<AM_MEDIA_TYPE*>(push.type));
    m_lastSample = sample;
    hr = m_pin->Deliver(sample);
    sample->Release();
    return hr;
}

// --- sink -------------------------------------------------------------------------------

// Hands out buffers big enough for a wider picture; the first one carries that wider type.
class CWideningAllocator : public CMemAllocator {
public:
    CWideningAllocator(const CMediaType& wider) : m_wider(wider) {}
    STDMETHODIMP SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override {
        ALLOCATOR_PROPERTIES bigger = *request;
        long needed = static_cast<long>(m_wider.lSampleSize);
        if (bigger.cbBuffer < needed) bigger.cbBuffer = needed;
        return CMemAllocator::SetProperties(&bigger, actual);
    }
    STDMETHODIMP GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end,
                           DWORD flags) override {
        HRESULT hr = CMemAllocator::GetBuffer(sample, start, end, flags);
        if (SUCCEEDED(hr) && !m_attached) {
            (*sample)->SetMediaType(&m_wider);
            m_attached = true;
        }
        return hr;
    }

private:
    CMediaType m_wider;
    bool m_attached = false;
};

class CTestSinkPin : public CBaseInputPin, public IMixerPinConfigShape {
public:
    CTestSinkPin(CTestSink* sink, CriticalSection* lock)
        : CBaseInputPin(L"test sink pin", sink, lock, nullptr, L"In"), m_sink(sink) {}

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IMixerPinConfig && m_sink->Options().mixerPin)
            return GetInterface(static_cast<IMixerPinConfigShape*>(this), out);
        return CBaseInputPin::NonDelegatingQueryInterface(iid, out);
    }
    HRESULT CheckMediaType(const CMediaType* type) override {
        const auto& accepts = m_sink->Options().accepts;
        return *type->Type() == MEDIATYPE_Video && (!accepts || accepts(*type)) ? S_OK
                                                                                : VFW_E_TYPE_NOT_ACCEPTED;
    }
    STDMETHODIMP GetAllocator(IMemAllocator** allocator) override {
        if (!allocator) return E_POINTER;
        const SinkOptions& options = m_sink->Options();
        int width = options.widerFirstBuffer;
        DWORD fourcc = options.firstBufferSubtype;
        if ((width <= 0 && !fourcc && !options.firstBufferType.IsValid()) || !IsConnected())
            return CBaseInputPin::GetAllocator(allocator);
        CMediaType wider = options.firstBufferType;
        if (!wider.IsValid()) {
            CMediaType connection = CurrentMediaType();
            auto* header = &reinterpret_cast<const VIDEOINFOHEADER*>(connection.pbFormat)->bmiHeader;
            wider = VideoType(fourcc ? fourcc : header->biCompression,
                              width > 0 ? width : header->biWidth, header->biHeight);
        }
        auto* own = new (std::nothrow) CWideningAllocator(wider);
        if (!own) return E_OUTOFMEMORY;
        return own->NonDelegatingQueryInterface(IID_IMemAllocator, reinterpret_cast<void**>(allocator));
    }
    STDMETHODIMP Receive(IMediaSample* sample) override {
        HRESULT hr = CBaseInputPin::Receive(sample);
        if (hr != S_OK) return hr;
        m_sink->Keep(sample);
        return S_OK;
    }
    STDMETHODIMP EndOfStream() override { return S_OK; }

    STDMETHODIMP SetRelativePosition(DWORD, DWORD, DWORD, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetRelativePosition(DWORD*, DWORD*, DWORD*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP SetZOrder(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetZOrder(DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP SetColorKey(void*) override { return E_NOTIMPL; }
    STDMETHODIMP GetColorKey(void*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP SetBlendingParameter(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetBlendingParameter(DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP SetAspectRatioMode(int) override { return E_NOTIMPL; }
    STDMETHODIMP GetAspectRatioMode(int*) override { return E_NOTIMPL; }
    STDMETHODIMP SetStreamTransparent(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetStreamTransparent(BOOL*) override { return E_NOTIMPL; }

private:
    CTestSink* m_sink;
};

CTestSink::CTestSink(const SinkOptions& options)
    : CBaseFilter(L"test sink", nullptr, &m_lock, kTestSinkClsid),
      m_options(options),
      m_pin(new CTestSinkPin(this, &m_lock)) {}

CTestSink::~CTestSink() { delete m_pin; }

STDMETHODIMP CTestSink::NonDelegatingQueryInterface(REFIID iid, void** out) {
    if (iid == IID_IVMRFilterConfig9 && m_options.posesAsVmr)
        return GetInterface(static_cast<IVMRFilterConfig9*>(this), out);
    return CBaseFilter::NonDelegatingQueryInterface(iid, out);
}

CBasePin* CTestSink::GetPin(int n) { return n == 0 ? m_pin : nullptr; }

IPin* CTestSink::InputPin() const { return m_pin; }

void CTestSink::Keep(IMediaSample* sample) {
    ReceivedSample kept{};
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    kept.data.assign(data, data + sample->GetActualDataLength());
    kept.identity = sample;
    REFERENCE_TIME stop;
    kept.timed = SUCCEEDED(sample->GetTime(&kept.start, &stop));
    kept.discontinuity = sample->IsDiscontinuity() == S_OK;
    kept.syncPoint = sample->IsSyncPoint() == S_OK;
    AM_MEDIA_TYPE* type = nullptr;
    if (sample->GetMediaType(&type) == S_OK && type) {
        kept.type = *type;
        DeleteMediaType(type);
    }
    std::lock_guard<std::mutex> lock(m_receivedLock);
    m_received.push_back(std::move(kept));
}

std::vector<ReceivedSample> CTestSink::Received() {
    std::lock_guard<std::mutex> lock(m_receivedLock);
    return m_received;
}

}  // namespace testsupport
