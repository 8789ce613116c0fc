// An input pin that receives samples through IMemInputPin: it offers an allocator, records
// the one the upstream pin chose, and checks each sample before the filter sees it.
// Receive runs on the upstream filter's streaming thread.
#pragma once
#include "base_pin.h"

class CBaseInputPin : public CBasePin, public IMemInputPin {
public:
    CBaseInputPin(const wchar_t* objectName, CBaseFilter* filter, CriticalSection* lock,
                  HRESULT* hr, const wchar_t* name);
    ~CBaseInputPin() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** out) override;

    // IMemInputPin
    STDMETHODIMP GetAllocator(IMemAllocator** allocator) override;
    STDMETHODIMP NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
    STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
    // Checks the stream state and reads the sample's properties into SampleProps();
    // S_FALSE while flushing. Derived pins pass the sample on after it.
    STDMETHODIMP Receive(IMediaSample* sample) override;
    STDMETHODIMP ReceiveMultiple(IMediaSample** samples, long count, long* processed) override;
    STDMETHODIMP ReceiveCanBlock() override;

    // IPin
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;

    HRESULT BreakConnect() override;
    HRESULT Inactive() override;

    // The properties of the sample being received.
    const AM_SAMPLE2_PROPERTIES& SampleProps() const { return m_sampleProps; }
    IMemAllocator* Allocator() const { return m_pAllocator; }
    bool IsReadOnly() const { return m_readOnly; }
    bool IsFlushing() const { return m_flushing; }

protected:
    HRESULT CheckStreaming();

    IMemAllocator* m_pAllocator = nullptr;  // referenced
    bool m_readOnly = false;
    bool m_flushing = false;
    AM_SAMPLE2_PROPERTIES m_sampleProps{};
};
