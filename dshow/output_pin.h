// An output pin that delivers samples to a connected IMemInputPin: it agrees an allocator with
// the downstream pin on connection, commits it while the filter is active, and hands out its
// buffers. Streaming threads call GetDeliveryBuffer and Deliver.
#pragma once
#include "base_pin.h"

class CBaseOutputPin : public CBasePin {
public:
    CBaseOutputPin(const wchar_t* objectName, CBaseFilter* filter, CriticalSection* lock,
                   HRESULT* hr, const wchar_t* name);
    ~CBaseOutputPin() override;

    HRESULT CheckConnect(IPin* pin) override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT BreakConnect() override;
    HRESULT Active() override;
    HRESULT Inactive() override;

    // The downstream pin's allocator when it offers one that takes our sizes, else our own.
    virtual HRESULT DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator);
    // Sets the buffer count and size on `allocator`.
    virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) = 0;
    virtual HRESULT InitAllocator(IMemAllocator** allocator);

    HRESULT GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end,
                              DWORD flags);
    HRESULT Deliver(IMediaSample* sample);
    HRESULT DeliverEndOfStream();
    HRESULT DeliverBeginFlush();
    HRESULT DeliverEndFlush();
    HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

    STDMETHODIMP EndOfStream() override { return E_UNEXPECTED; }
    STDMETHODIMP BeginFlush() override { return E_UNEXPECTED; }
    STDMETHODIMP EndFlush() override { return E_UNEXPECTED; }

    IMemAllocator* Allocator() const { return m_pAllocator; }
    // Replaces the allocator the pin delivers from (referenced).
    void SetAllocator(IMemAllocator* allocator);
    IMemInputPin* ConnectedMemInputPin() const { return m_pInputPin; }

protected:
    IMemAllocator* m_pAllocator = nullptr;  // referenced
    IMemInputPin* m_pInputPin = nullptr;    // referenced while connected
};
