// Enumerates a filter's pins. Holds a reference on the filter; notices when the filter's set
// of pins changed since the enumerator was made (VFW_E_ENUM_OUT_OF_SYNC until Reset).
#pragma once
#include <windows.h>
#include <dshow.h>

#include <atomic>

class CBaseFilter;

class CEnumPins : public IEnumPins {
public:
    CEnumPins(CBaseFilter* filter, int position, long version);
    virtual ~CEnumPins();
    CEnumPins(const CEnumPins&) = delete;
    CEnumPins& operator=(const CEnumPins&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumPins** clone) override;

private:
    std::atomic<ULONG> m_refCount{0};
    CBaseFilter* m_filter;  // referenced
    int m_position;
    long m_version;
};
