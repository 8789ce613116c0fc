// The frame grabber filter: creation, the control interface, type acceptance, the output
// connection and the per-frame work.
#include "sample_grabber.h"

#include <dvdmedia.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "dshow/platform_interfaces.h"
#include "grabber/frame_copy.h"
#include "grabber/grabber_pins.h"
#include "grabber/video_format.h"

using Microsoft::WRL::ComPtr;

CUnknown* CSampleGrabber::CreateInstance(IUnknown* outer, HRESULT* hr) {
    auto* grabber = new (std::nothrow) CSampleGrabber(outer, hr);
    if (!grabber) *hr = E_OUTOFMEMORY;
    return grabber;
}

CSampleGrabber::CSampleGrabber(IUnknown* outer, HRESULT* hr)
    : CTransInPlaceFilter(L"CESampleGrabber", outer, CLSID_RirovirGrabber, hr, false),
      m_frameReadyEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    m_pInput = new (std::nothrow) CSampleGrabberInPin(this, hr);
    if (!m_pInput) *hr = E_OUTOFMEMORY;
    GetPin(1);  // the output pin, at once
}

CSampleGrabber::~CSampleGrabber() = default;

STDMETHODIMP CSampleGrabber::NonDelegatingQueryInterface(REFIID iid, void** out) {
    if (iid == IID_IGrabberSample) return GetInterface(static_cast<IGrabberSample*>(this), out);
    return CTransInPlaceFilter::NonDelegatingQueryInterface(iid, out);
}

CTransInPlaceOutputPin* CSampleGrabber::CreateOutputPin(HRESULT* hr) {
    return new (std::nothrow) CSampleGrabberOutPin(this, hr);
}

// --- IGrabberSample ---------------------------------------------------------------------

STDMETHODIMP CSampleGrabber::SetOfferedType(const AM_MEDIA_TYPE* type) {
    ScopedCriticalSection lock(m_lock.get());
    if (!type) {
        m_mtOffered = CMediaType();
        return S_OK;
    }
    return m_mtOffered.Set(*type);
}

STDMETHODIMP CSampleGrabber::GetInputConnectionType(AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    if (!m_pInput || !m_pInput->IsConnected()) return VFW_E_NOT_CONNECTED;
    return m_pInput->ConnectionMediaType(type);
}

STDMETHODIMP CSampleGrabber::UseInputBuffer(ALLOCATOR_PROPERTIES props, BYTE* buffer) {
    if (!m_pInput || !m_pOutput) return E_POINTER;
    if (m_pInput->IsConnected() || m_pOutput->IsConnected()) return E_INVALIDARG;
    // The caller's memory, which it keeps valid for as long as the filter uses it.
    DeliveryBuffer borrowed{std::shared_ptr<BYTE>(buffer, [](BYTE*) {}),
                            static_cast<size_t>(std::max<long>(props.cbBuffer, 0)) +
                                static_cast<size_t>(std::max<long>(props.cbPrefix, 0))};
    if (!buffer) borrowed.data.reset();
    return static_cast<CSampleGrabberInPin*>(m_pInput)->InstallDeliveryBuffer(props, borrowed);
}

STDMETHODIMP CSampleGrabber::GrabNextFrame(LONG* size, BYTE* buffer, AM_MEDIA_TYPE* type) {
    if (!buffer) {  // query call
        ComPtr<IMemAllocator> allocator;
        ALLOCATOR_PROPERTIES props{};
        if (!size || !m_pInput || FAILED(m_pInput->GetAllocator(&allocator)) ||
            FAILED(allocator->GetProperties(&props)))
            return E_FAIL;
        if (type && m_pOutput) m_pOutput->ConnectionMediaType(type);
        *size = m_imageSize;
        ScopedCriticalSection grab(m_grabLock.get());
        if (!m_grabBuffer && m_imageSize > 0) {
            m_grabBuffer.reset(new (std::nothrow) BYTE[static_cast<size_t>(m_imageSize)]);
            m_grabBufferSize = m_grabBuffer ? static_cast<size_t>(m_imageSize) : 0;
        }
        return S_OK;
    }

    if (!size || *size < 0) return E_FAIL;
    {
        ScopedCriticalSection grab(m_grabLock.get());
        if (!m_grabBuffer) return E_FAIL;  // no query call made the buffer yet
    }
    m_grabRequested = true;
    if (WaitForSingleObject(m_frameReadyEvent.get(), 1000) != WAIT_OBJECT_0)
        return E_FAIL;  // the request stays armed
    ScopedCriticalSection grab(m_grabLock.get());
    std::memcpy(buffer, m_grabBuffer.get(), std::min(static_cast<size_t>(*size), m_grabBufferSize));
    m_grabRequested = false;
    return S_OK;
}

STDMETHODIMP CSampleGrabber::SetFrameSize(LONG height, LONG width) {
    m_height = m_outHeight = height;
    m_width = m_outWidth = width;
    return E_NOTIMPL;
}

STDMETHODIMP CSampleGrabber::SetFrameCallback(FrameCallback callback) {
    ScopedCriticalSection lock(m_lock.get());  // waits for a frame in progress
    m_callback = callback;
    return S_OK;
}

STDMETHODIMP CSampleGrabber::GetFrameSize(LONG* width, LONG* height) {
    if (!width || !height) return E_POINTER;
    *width = m_width;
    *height = m_height;
    return S_OK;
}

STDMETHODIMP CSampleGrabber::GetInputSubtype(GUID* subtype) {
    if (!subtype) return E_POINTER;
    ScopedCriticalSection lock(m_lock.get());  // a renderer's new type may arrive meanwhile
    *subtype = m_inputSubtype;
    return S_OK;
}

// --- types and connection ---------------------------------------------------------------

HRESULT CSampleGrabber::CheckInputType(const CMediaType* type) {
    if (!type) return E_POINTER;
    ScopedCriticalSection lock(m_lock.get());
    if (*type->Type() != MEDIATYPE_Video) return VFW_E_INVALIDMEDIATYPE;
    // The four YUV layouts, then NV12 and RGB, which cameras of today offer too.
    for (const GUID* accepted : {&MEDIASUBTYPE_YUY2, &MEDIASUBTYPE_UYVY, &MEDIASUBTYPE_YV12,
                                 &MEDIASUBTYPE_I420, &MEDIASUBTYPE_NV12, &MEDIASUBTYPE_RGB24,
                                 &MEDIASUBTYPE_RGB32})
        if (*type->Subtype() == *accepted) return S_OK;
    return E_FAIL;
}

HRESULT CSampleGrabber::CheckTransform(const CMediaType* in, const CMediaType* out) {
    if (*in->Type() == *out->Type() && *in->Subtype() == *out->Subtype()) return S_OK;
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CSampleGrabber::GetMediaType(int position, CMediaType* type) {
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    if (!type || !m_pInput) return E_POINTER;
    return m_pInput->ConnectionMediaType(type);
}

HRESULT CSampleGrabber::CompleteConnect(PIN_DIRECTION direction, IPin*) {
    if (!m_pGraph) return VFW_E_NOT_IN_GRAPH;
    if (direction == PINDIR_INPUT) {
        if (!m_pOutput || !m_pOutput->IsConnected()) return S_OK;
        CMediaType input = m_pInput->CurrentMediaType();
        return m_pOutput->CurrentMediaTypeIs(input) ? S_OK : ReconnectPin(m_pOutput, &input);
    }
    if (m_pInput && m_pInput->IsConnected()) ReadOutputConnection();
    return S_OK;
}

void CSampleGrabber::ReadOutputConnection() {
    CMediaType type = m_pOutput->CurrentMediaType();
    if (const BITMAPINFOHEADER* header = VideoHeaderOf(type)) {
        m_bytesPerPixelCode = header->biBitCount / 8;
        m_imageSize = static_cast<int>(header->biSizeImage);
    }
    m_markDiscontinuity = false;
    m_rendererDownstream = false;

    IPin* downstream = m_pOutput->GetConnected();
    PIN_INFO info{};
    if (downstream && SUCCEEDED(downstream->QueryPinInfo(&info)) && info.pFilter) {
        ComPtr<IUnknown> probe;
        if (SUCCEEDED(info.pFilter->QueryInterface(IID_IBasicVideo, &probe)) ||
            SUCCEEDED(info.pFilter->QueryInterface(IID_IVMRFilterConfig9, &probe)))
            m_rendererDownstream = true;
        info.pFilter->Release();
    }
    ComPtr<IUnknown> mixer;
    if (downstream && SUCCEEDED(downstream->QueryInterface(IID_IMixerPinConfig, &mixer)))
        m_rendererDownstream = m_markDiscontinuity = true;
}

HRESULT CSampleGrabber::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) {
    ALLOCATOR_PROPERTIES request{1, 1, 0, 0};
    if (m_pInput && m_pInput->IsConnected()) {
        // The allocator the upstream pin chose and notified, ours or its own.
        IMemAllocator* inputAllocator = m_pInput->Allocator();
        if (!inputAllocator) return VFW_E_NO_ALLOCATOR;
        HRESULT hr = inputAllocator->GetProperties(&request);
        if (FAILED(hr)) return hr;
    }
    props->cBuffers = request.cBuffers > 0 ? request.cBuffers : 1;
    props->cbBuffer = request.cbBuffer > 0 ? request.cbBuffer : 1;
    ALLOCATOR_PROPERTIES actual{};
    HRESULT hr = allocator->SetProperties(props, &actual);
    if (FAILED(hr)) return hr;
    if (actual.cBuffers < props->cBuffers || actual.cbBuffer < props->cbBuffer) return E_FAIL;
    return S_OK;
}

bool CSampleGrabber::ReplaceDeliveryBuffer(size_t size) {
    std::shared_ptr<BYTE> block(new (std::nothrow) BYTE[size ? size : 1],
                                std::default_delete<BYTE[]>());
    if (!block) return false;
    m_deliveryBuffer = DeliveryBuffer{block, size};
    return true;
}

// --- per frame ---------------------------------------------------------------------------

size_t CSampleGrabber::CallbackSize(size_t sourceBytes) const {
    return std::min(FrameBytes(m_bytesPerPixelCode, m_width, m_height), sourceBytes);
}

void CSampleGrabber::FillGrabBuffer(IMediaSample* delivered) {
    long length = delivered->GetActualDataLength();
    BYTE* data = nullptr;
    if (length < 0 || FAILED(delivered->GetPointer(&data)) || !data) return;
    ScopedCriticalSection grab(m_grabLock.get());
    if (!m_grabBuffer) return;  // nobody asked for a buffer yet
    std::memcpy(m_grabBuffer.get(), data, std::min(static_cast<size_t>(length), m_grabBufferSize));
    SetEvent(m_frameReadyEvent.get());
    m_grabRequested = false;
}

HRESULT CSampleGrabber::Receive(IMediaSample* in) {
    if (!in) return E_POINTER;
    ScopedCriticalSection lock(m_lock.get());

    if (m_pInput->SampleProps().dwStreamId != AM_STREAM_MEDIA)
        return m_pOutput->IsConnected() ? m_pOutput->Deliver(in) : S_OK;

    BYTE* source = nullptr;
    ComPtr<IMediaSample> out;
    if (SUCCEEDED(in->GetPointer(&source)) && source) {
        if (FAILED(m_pOutput->GetDeliveryBuffer(&out, nullptr, nullptr, 0)))
            return S_OK;  // no buffer: the frame is dropped
        m_imageSize = out->GetActualDataLength();

        AM_MEDIA_TYPE* changed = nullptr;
        if (out->GetMediaType(&changed) == S_OK && changed) {
            m_formatChanged = true;
            CMediaType rendererType(*changed);
            m_pOutput->SetMediaType(&rendererType);
            if (const BITMAPINFOHEADER* header = VideoHeaderOf(rendererType)) {
                m_outWidth = std::abs(header->biWidth);
                m_outHeight = std::abs(header->biHeight);
            }
            DeleteMediaType(changed);
        }

        BYTE* destination = nullptr;
        if (SUCCEEDED(out->GetPointer(&destination)) && destination) {
            size_t sourceBytes = static_cast<size_t>(std::max<long>(in->GetActualDataLength(), 0));
            if (m_callback)
                m_callback(m_width, m_height, source, static_cast<int>(CallbackSize(sourceBytes)));
            FrameGeometry geometry{m_bytesPerPixelCode, m_width, m_height, m_outWidth, m_outHeight,
                                   m_inputSubtype == MEDIASUBTYPE_NV12};
            CopyFrame(geometry, source, sourceBytes, destination,
                      static_cast<size_t>(std::max<long>(out->GetSize(), 0)));

            REFERENCE_TIME start = 0, stop = 0;
            bool timed = SUCCEEDED(in->GetTime(&start, &stop));
            if (timed) out->SetTime(&start, &stop);
            if (in->IsSyncPoint() == S_OK) {
                out->SetSyncPoint(TRUE);
            } else {
                out->SetSyncPoint(FALSE);
                // A renderer shows a frame without time stamps at once.
                if (m_rendererDownstream && timed) out->SetTime(nullptr, nullptr);
            }
            out->SetDiscontinuity(m_markDiscontinuity);
        }
    }

    HRESULT hr = Transform(in);
    if (FAILED(hr)) return hr;
    if (hr == S_FALSE) return S_OK;
    IMediaSample* delivered = out ? out.Get() : in;
    if (m_grabRequested) FillGrabBuffer(delivered);
    m_pOutput->Deliver(delivered);  // a downstream failure does not stop the stream
    return S_OK;
}

HRESULT CSampleGrabber::Transform(IMediaSample* sample) { return sample ? S_OK : E_POINTER; }
