// The filter contract (IBaseFilter): state changes, the clock, pin enumeration and lookup,
// joining a graph, and event notification. A filter owns its pins; the graph it joins holds
// the filter, never the other way round (no reference on the graph or its event sink).
//
// Threads: state changes and queries come from the graph's thread under m_pLock; pins enter
// from streaming threads for their own work only.
#pragma once
#include <windows.h>
#include <dshow.h>

#include <wrl/client.h>

#include <string>

#include "com_object.h"
#include "framework/raii.h"

class CBasePin;

class CBaseFilter : public CUnknown, public IBaseFilter {
public:
    // `lock` guards the filter's state; it belongs to the derived filter and outlives it.
    CBaseFilter(const wchar_t* objectName, IUnknown* outer, CriticalSection* lock, REFCLSID clsid);
    ~CBaseFilter() override = default;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** out) override;

    // IPersist
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    // IMediaFilter
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME start) override;
    STDMETHODIMP GetState(DWORD milliseconds, FILTER_STATE* state) override;
    STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
    STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;
    // IBaseFilter
    STDMETHODIMP EnumPins(IEnumPins** pins) override;
    STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override;
    STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
    STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    STDMETHODIMP QueryVendorInfo(LPWSTR* info) override;

    virtual int GetPinCount() = 0;
    // Pin `n` (0 to count - 1), or null. No reference is added.
    virtual CBasePin* GetPin(int n) = 0;

    bool IsStopped() const { return m_state == State_Stopped; }
    bool IsActive() const { return m_state != State_Stopped; }
    FILTER_STATE State() const { return m_state; }
    IFilterGraph* Graph() const { return m_pGraph; }
    // The stream time's origin given by the last Run.
    REFERENCE_TIME StreamStart() const { return m_start; }
    // Sends an event to the graph's event sink, when the filter is in a graph.
    HRESULT NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2);
    // Asks the graph to reconnect `pin` with `type` (any type when null).
    HRESULT ReconnectPin(IPin* pin, const AM_MEDIA_TYPE* type);
    // Bumped whenever the set of pins changes, so that enumerators notice.
    long PinVersion() const { return m_pinVersion; }

protected:
    CriticalSection* m_pLock;
    FILTER_STATE m_state = State_Stopped;
    REFERENCE_TIME m_start = 0;
    Microsoft::WRL::ComPtr<IReferenceClock> m_pClock;
    IFilterGraph* m_pGraph = nullptr;     // not referenced: the graph holds us
    IMediaEventSink* m_pSink = nullptr;   // not referenced: part of the graph
    std::wstring m_name;
    CLSID m_clsid;
    long m_pinVersion = 1;
};

// A filter of ours made in-process, as the IBaseFilter holding its one reference, or null when
// it cannot be made. `filter` comes from new (std::nothrow).
inline IBaseFilter* HandOutFilter(CBaseFilter* filter) {
    IBaseFilter* base = nullptr;
    if (filter) filter->NonDelegatingQueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&base));
    return base;
}
