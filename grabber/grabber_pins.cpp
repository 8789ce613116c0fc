// The grabber's pins and private allocator: input connection, allocator negotiation, and the
// renderer's format change passed upstream.
#include "grabber_pins.h"

#include <wrl/client.h>

#include <cstdlib>
#include <new>

#include "dshow/enum_media_types.h"
#include "dshow/media_sample.h"
#include "grabber/video_format.h"

using Microsoft::WRL::ComPtr;

// --- input pin -------------------------------------------------------------------------

CSampleGrabberInPin::CSampleGrabberInPin(CSampleGrabber* filter, HRESULT* hr)
    : CTransInPlaceInputPin(L"SampleGrabberInputPin", filter, hr, L"Input") {}

CSampleGrabberInPin::~CSampleGrabberInPin() {
    if (m_pInputAllocator) {
        m_pInputAllocator->DetachPin();
        m_pInputAllocator->Release();
    }
}

HRESULT CSampleGrabberInPin::CheckMediaType(const CMediaType* type) {
    HRESULT hr = Grabber()->CheckInputType(type);
    if (hr != S_OK) return hr;
    CBaseOutputPin* out = Grabber()->OutputPin();
    if (out && out->IsConnected()) return out->GetConnected()->QueryAccept(type);
    return S_OK;
}

HRESULT CSampleGrabberInPin::SetMediaType(const CMediaType* type) {
    CSampleGrabber* grabber = Grabber();
    m_typeAnnounce = true;
    if (int kind = VideoFormatKind(*type)) m_formatKind = kind;

    size_t bufferSize = 0;
    if (IsConnected()) {
        if (const BITMAPINFOHEADER* header = VideoHeaderOf(*type)) {
            grabber->m_imageSize = static_cast<int>(header->biSizeImage);
            grabber->m_width = grabber->m_outWidth = std::abs(header->biWidth);
            grabber->m_height = grabber->m_outHeight = std::abs(header->biHeight);
            bufferSize = header->biSizeImage;
        }
    }

    if (grabber->ReplaceDeliveryBuffer(bufferSize)) {
        ALLOCATOR_PROPERTIES props{1, static_cast<long>(bufferSize), 1, 0};
        if (FAILED(InstallDeliveryBuffer(props, grabber->m_deliveryBuffer))) return E_FAIL;
    }
    grabber->m_inputSubtype = type->subtype;
    return CBaseInputPin::SetMediaType(type);
}

void CSampleGrabberInPin::AdoptStreamType(const CMediaType& type) {
    if (int kind = VideoFormatKind(type)) m_formatKind = kind;
    Grabber()->m_inputSubtype = type.subtype;
    CBaseInputPin::SetMediaType(&type);
}

HRESULT CSampleGrabberInPin::InstallDeliveryBuffer(const ALLOCATOR_PROPERTIES& props,
                                                   const DeliveryBuffer& buffer) {
    if (props.cBuffers != 1) return E_INVALIDARG;
    if (!buffer.data) return E_POINTER;
    m_deliveryProps = props;
    m_pDeliveryBuffer = buffer;
    if (m_pInputAllocator) {
        m_pInputAllocator->DetachPin();
        m_pInputAllocator->Release();
        m_pInputAllocator = nullptr;
    }
    HRESULT hr = S_OK;
    auto* allocator = new (std::nothrow) CSampleGrabberAllocator(this, &hr);
    if (!allocator) return E_OUTOFMEMORY;
    m_pInputAllocator = allocator;
    m_pInputAllocator->AddRef();
    return hr;
}

void CSampleGrabberInPin::GrowDeliveryBuffer(const DeliveryBuffer& buffer) {
    m_pDeliveryBuffer = buffer;
    m_deliveryProps.cbBuffer = static_cast<long>(buffer.size);
}

HRESULT CSampleGrabberInPin::GetMediaType(int position, CMediaType* type) {
    if (!type) return E_POINTER;
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    *type = CMediaType();
    type->SetType(Grabber()->m_mtOffered.Type());
    return S_OK;
}

STDMETHODIMP CSampleGrabberInPin::EnumMediaTypes(IEnumMediaTypes** types) {
    if (!types) return E_POINTER;
    CBaseOutputPin* out = Grabber()->OutputPin();
    if (out && out->IsConnected()) return out->GetConnected()->EnumMediaTypes(types);
    *types = new (std::nothrow) CEnumMediaTypes(this, 0);
    if (!*types) return E_OUTOFMEMORY;
    (*types)->AddRef();
    return S_OK;
}

STDMETHODIMP CSampleGrabberInPin::GetAllocator(IMemAllocator** allocator) {
    if (!allocator) return E_POINTER;
    if (m_pInputAllocator) {
        *allocator = m_pInputAllocator;
        m_pInputAllocator->AddRef();
        return S_OK;
    }
    return CTransInPlaceInputPin::GetAllocator(allocator);
}

STDMETHODIMP CSampleGrabberInPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) {
    if (!props) return E_POINTER;
    if (m_pInputAllocator) {
        *props = m_deliveryProps;
        return S_OK;
    }
    return CTransInPlaceInputPin::GetAllocatorRequirements(props);
}

STDMETHODIMP CSampleGrabberInPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) {
    CTransInPlaceOutputPin* out = Grabber()->OutputPin();
    if (out && out->ConnectedMemInputPin()) {
        // The output keeps the renderer's own allocator: every frame is copied.
        ComPtr<IMemAllocator> downstream;
        if (SUCCEEDED(out->ConnectedMemInputPin()->GetAllocator(&downstream)) &&
            SUCCEEDED(out->ConnectedMemInputPin()->NotifyAllocator(downstream.Get(), readOnly)))
            out->SetAllocator(downstream.Get());
    }
    return CBaseInputPin::NotifyAllocator(allocator, readOnly);
}

// --- output pin ------------------------------------------------------------------------

CSampleGrabberOutPin::CSampleGrabberOutPin(CSampleGrabber* filter, HRESULT* hr)
    : CTransInPlaceOutputPin(L"SampleGrabberOutputPin", filter, hr, L"Output") {}

HRESULT CSampleGrabberOutPin::CheckMediaType(const CMediaType* type) {
    if (m_pTIPFilter->UsingDifferentAllocators() && !m_pTIPFilter->IsStopped())
        return CurrentMediaTypeIs(*type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    HRESULT hr = m_pTIPFilter->CheckInputType(type);
    if (hr != S_OK) return hr;
    CBaseInputPin* in = m_pTIPFilter->InputPin();
    if (in && in->IsConnected()) return in->GetConnected()->QueryAccept(type);
    return S_OK;
}

STDMETHODIMP CSampleGrabberOutPin::EnumMediaTypes(IEnumMediaTypes** types) {
    if (!types) return E_POINTER;
    CBaseInputPin* in = m_pTIPFilter->InputPin();
    if (!in || !in->IsConnected()) return VFW_E_NOT_CONNECTED;
    return in->GetConnected()->EnumMediaTypes(types);
}

// --- private allocator -----------------------------------------------------------------

CSampleGrabberAllocator::CSampleGrabberAllocator(CSampleGrabberInPin* pin, HRESULT*)
    : m_pPin(pin) {}

void CSampleGrabberAllocator::DetachPin() {
    ScopedCriticalSection lock(m_lock.get());
    m_pPin = nullptr;
}

STDMETHODIMP CSampleGrabberAllocator::SetProperties(ALLOCATOR_PROPERTIES* request,
                                                    ALLOCATOR_PROPERTIES* actual) {
    if (!request || !actual) return E_POINTER;
    ALLOCATOR_PROPERTIES wanted{};
    {
        ScopedCriticalSection lock(m_lock.get());
        if (!m_pPin) return E_FAIL;
        wanted = m_pPin->DeliveryProps();
    }
    // A refused request leaves the properties as they were.
    if (request->cbAlign != wanted.cbAlign) return VFW_E_BADALIGN;
    if (request->cbPrefix != wanted.cbPrefix || request->cbBuffer > wanted.cbBuffer ||
        request->cBuffers > wanted.cBuffers)
        return E_FAIL;
    ALLOCATOR_PROPERTIES granted = wanted;
    HRESULT hr = CMemAllocator::SetProperties(&granted, actual);
    if (FAILED(hr)) return hr;
    ScopedCriticalSection lock(m_lock.get());
    *actual = wanted;  // exactly the delivery buffer's, not rounded up
    m_count = wanted.cBuffers;
    m_size = wanted.cbBuffer;
    m_alignment = wanted.cbAlign;
    m_prefix = wanted.cbPrefix;
    return S_OK;
}

HRESULT CSampleGrabberAllocator::Alloc() {
    ScopedCriticalSection lock(m_lock.get());
    HRESULT hr = CBaseAllocator::Alloc();
    if (FAILED(hr)) return hr;
    if (hr == S_FALSE) return S_OK;
    DeleteSamples();

    if (!m_pPin || !m_pPin->DeliveryMemory().data) return E_OUTOFMEMORY;
    DeliveryBuffer memory = m_pPin->DeliveryMemory();
    long stride = SampleStride();
    size_t needed = static_cast<size_t>(m_prefix) + static_cast<size_t>(stride) * (m_count - 1) +
                    static_cast<size_t>(m_size);
    if (needed > memory.size) return E_OUTOFMEMORY;  // never past the end of the block
    m_memory = memory;
    for (long k = 0; k < m_count; ++k) {
        auto* sample = new (std::nothrow)
            CMediaSample(this, m_memory.data.get() + m_prefix + static_cast<size_t>(k) * stride, m_size);
        if (!sample) {
            DeleteSamples();
            return E_OUTOFMEMORY;
        }
        m_free.push_back(sample);
        ++m_allocated;
    }
    m_changed = false;
    return S_OK;
}

void CSampleGrabberAllocator::AdoptMemory(IMediaSample* sample, const DeliveryBuffer& memory) {
    ScopedCriticalSection lock(m_lock.get());
    // The delivery properties allow a single sample, so no other sample still uses m_memory.
    if (m_count != 1 || memory.size <= static_cast<size_t>(m_prefix)) return;
    m_memory = memory;
    m_size = static_cast<long>(memory.size) - m_prefix;
    static_cast<CMediaSample*>(sample)->SetPointer(m_memory.data.get() + m_prefix, m_size);
}

STDMETHODIMP CSampleGrabberAllocator::GetBuffer(IMediaSample** sample, REFERENCE_TIME* start,
                                                REFERENCE_TIME* end, DWORD flags) {
    HRESULT hr = CMemAllocator::GetBuffer(sample, start, end, flags);
    if (FAILED(hr)) return hr;
    if (!*sample) return E_FAIL;

    CSampleGrabberInPin* pin = nullptr;
    {
        ScopedCriticalSection lock(m_lock.get());
        pin = m_pPin;
    }
    if (!pin) return S_OK;
    auto* grabber = static_cast<CSampleGrabber*>(pin->Filter());
    ScopedCriticalSection filterLock(grabber->m_lock.get());

    if (grabber->m_formatChanged) {
        grabber->m_formatChanged = false;
        CMediaType rendererType(grabber->OutputPin()->CurrentMediaType());
        if (rendererType.subtype != pin->CurrentMediaType().subtype) pin->AdoptStreamType(rendererType);
        if (SUCCEEDED((*sample)->SetMediaType(&rendererType))) {
            if (const BITMAPINFOHEADER* header = VideoHeaderOf(rendererType)) {
                grabber->m_imageSize = static_cast<int>(header->biSizeImage);
                int width = std::abs(header->biWidth);
                int height = std::abs(header->biHeight);
                if (width != grabber->m_width || height != grabber->m_height) {
                    grabber->m_width = width;
                    grabber->m_height = height;
                    // The sample just handed out moves into a block of the new size; the old
                    // block goes only once nothing points into it.
                    if (grabber->ReplaceDeliveryBuffer(header->biSizeImage)) {
                        pin->GrowDeliveryBuffer(grabber->m_deliveryBuffer);
                        AdoptMemory(*sample, grabber->m_deliveryBuffer);
                    }
                }
            }
        }
    }
    if (pin->m_typeAnnounce && pin->m_formatKind == 2) {
        CMediaType connection(pin->CurrentMediaType());
        (*sample)->SetMediaType(&connection);
        pin->m_typeAnnounce = false;
    }
    return S_OK;
}
