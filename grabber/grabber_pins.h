// The grabber's pins and its private allocator. The input pin offers upstream an allocator
// whose single sample points into the grabber's delivery buffer; the output pin gets its own
// allocator from the renderer, so every frame is copied in Receive.
#pragma once
#include "dshow/mem_allocator.h"
#include "grabber/sample_grabber.h"

class CSampleGrabberAllocator;

class CSampleGrabberInPin : public CTransInPlaceInputPin {
public:
    CSampleGrabberInPin(CSampleGrabber* filter, HRESULT* hr);
    ~CSampleGrabberInPin() override;

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
    STDMETHODIMP GetAllocator(IMemAllocator** allocator) override;
    STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
    STDMETHODIMP NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;

    // Makes `buffer` the memory of a new private allocator; E_INVALIDARG unless cBuffers is 1,
    // E_POINTER for no memory.
    HRESULT InstallDeliveryBuffer(const ALLOCATOR_PROPERTIES& props, const DeliveryBuffer& buffer);

    const ALLOCATOR_PROPERTIES& DeliveryProps() const { return m_deliveryProps; }
    const DeliveryBuffer& DeliveryMemory() const { return m_pDeliveryBuffer; }
    // The renderer's new type, taken on the streaming thread under the grabber's lock: the
    // connection's type and subtype change, the allocator upstream holds stays.
    void AdoptStreamType(const CMediaType& type);
    // A bigger delivery buffer for frames after a format change: later allocations use it.
    void GrowDeliveryBuffer(const DeliveryBuffer& buffer);

    bool m_typeAnnounce = false;  // attach the connection type to the next buffer handed out
    int m_formatKind = 1;         // 1 VideoInfo, 2 VideoInfo2

private:
    CSampleGrabber* Grabber() const { return static_cast<CSampleGrabber*>(m_pTIPFilter); }

    CSampleGrabberAllocator* m_pInputAllocator = nullptr;  // referenced
    ALLOCATOR_PROPERTIES m_deliveryProps{};
    DeliveryBuffer m_pDeliveryBuffer;
};

class CSampleGrabberOutPin : public CTransInPlaceOutputPin {
public:
    CSampleGrabberOutPin(CSampleGrabber* filter, HRESULT* hr);

    HRESULT CheckMediaType(const CMediaType* type) override;
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
};

class CSampleGrabberAllocator : public CMemAllocator {
public:
    CSampleGrabberAllocator(CSampleGrabberInPin* pin, HRESULT* hr);
    // The pin is going away; the allocator may outlive it while upstream holds it.
    void DetachPin();

    STDMETHODIMP SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override;
    // The upstream pin's buffer, carrying the renderer's new type once it changed.
    STDMETHODIMP GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end,
                           DWORD flags) override;

protected:
    HRESULT Alloc() override;

private:
    // Moves the allocator's one sample, just handed out and not yet filled, into `memory`.
    void AdoptMemory(IMediaSample* sample, const DeliveryBuffer& memory);

    CSampleGrabberInPin* m_pPin;  // the owning input pin; not referenced
    DeliveryBuffer m_memory;      // what the samples point into, kept while they exist
};
