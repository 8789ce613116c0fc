// A filter with one input and one output pin that passes each sample on with the same media
// type, changing it in place (Transform). When the two pins ended up with different allocators
// the sample is copied into an output buffer first.
//
// Threads: connection and state changes on the graph's thread under m_csFilter; Receive on the
// upstream streaming thread under m_csReceive, which Stop also takes to wait for a frame.
#pragma once
#include "base_filter.h"
#include "input_pin.h"
#include "output_pin.h"

class CTransInPlaceFilter;

class CTransInPlaceInputPin : public CBaseInputPin {
public:
    CTransInPlaceInputPin(const wchar_t* objectName, CTransInPlaceFilter* filter, HRESULT* hr,
                          const wchar_t* name);

    std::wstring Id() const override { return L"In"; }
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT BreakConnect() override;

    // While the output is connected, the downstream pin's types and allocator are offered.
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
    STDMETHODIMP GetAllocator(IMemAllocator** allocator) override;
    STDMETHODIMP NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
    STDMETHODIMP GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
    STDMETHODIMP Receive(IMediaSample* sample) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

protected:
    CTransInPlaceFilter* m_pTIPFilter;
};

class CTransInPlaceOutputPin : public CBaseOutputPin {
public:
    CTransInPlaceOutputPin(const wchar_t* objectName, CTransInPlaceFilter* filter, HRESULT* hr,
                           const wchar_t* name);

    std::wstring Id() const override { return L"Out"; }
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT BreakConnect() override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    // The upstream pin's types while the input is connected.
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;

protected:
    CTransInPlaceFilter* m_pTIPFilter;
};

class CTransInPlaceFilter : public CBaseFilter {
public:
    CTransInPlaceFilter(const wchar_t* objectName, IUnknown* outer, REFCLSID clsid, HRESULT* hr,
                        bool modifiesData);
    ~CTransInPlaceFilter() override;

    int GetPinCount() override { return 2; }
    CBasePin* GetPin(int n) override;
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;

    // What a derived filter decides.
    virtual HRESULT CheckInputType(const CMediaType* type) = 0;
    virtual HRESULT CheckTransform(const CMediaType* in, const CMediaType* out);
    virtual HRESULT GetMediaType(int position, CMediaType* type);
    virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props);
    virtual HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type);
    virtual HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* receivePin);
    virtual HRESULT BreakConnect(PIN_DIRECTION direction);
    // The work on one sample; S_FALSE drops it.
    virtual HRESULT Transform(IMediaSample* sample) = 0;
    // Per sample: copy when needed, Transform, deliver.
    virtual HRESULT Receive(IMediaSample* sample);
    virtual HRESULT EndOfStream();
    virtual HRESULT BeginFlush();
    virtual HRESULT EndFlush();
    virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

    // The output pin GetPin creates; a derived filter may give one of its own.
    virtual CTransInPlaceOutputPin* CreateOutputPin(HRESULT* hr);

    bool UsingDifferentAllocators() const;
    CriticalSection* FilterLock() { return &m_csFilter; }
    CRITICAL_SECTION* ReceiveLock() { return m_csReceive.get(); }
    CTransInPlaceInputPin* InputPin() const { return m_pInput; }
    CTransInPlaceOutputPin* OutputPin() const { return m_pOutput; }

protected:
    // An output buffer holding a copy of `source`'s data and properties, or null.
    IMediaSample* Copy(IMediaSample* source);

    CriticalSection m_csFilter;
    CriticalSection m_csReceive;
    CTransInPlaceInputPin* m_pInput = nullptr;   // owned
    CTransInPlaceOutputPin* m_pOutput = nullptr; // owned
    bool m_modifiesData;
};
