// The pin contract (IPin): connection with media-type agreement, the connection's type, pin
// information and id, QueryAccept, type enumeration, and segment data. A pin lives inside its
// filter: it answers QueryInterface itself but counts its references on the filter, and its
// pointer to the filter holds no reference. The connected pin is referenced while the
// connection lasts.
//
// Threads: connection calls come from the graph's thread under the filter's lock. The
// connection's media type may change on a streaming thread (a renderer's new format) while
// the graph's thread reads it: m_typeLock guards m_mt, and readers get copies.
#pragma once
#include <windows.h>
#include <dshow.h>

#include <string>

#include "com_object.h"
#include "framework/raii.h"
#include "media_type.h"

class CBaseFilter;

class CBasePin : public CUnknown, public IPin {
public:
    CBasePin(const wchar_t* objectName, CBaseFilter* filter, CriticalSection* lock, HRESULT* hr,
             const wchar_t* name, PIN_DIRECTION direction);
    ~CBasePin() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) NonDelegatingAddRef() override;
    STDMETHODIMP_(ULONG) NonDelegatingRelease() override;

    // IPin
    STDMETHODIMP Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP Disconnect() override;
    STDMETHODIMP ConnectedTo(IPin** pin) override;
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* type) override;
    STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION* direction) override;
    STDMETHODIMP QueryId(LPWSTR* id) override;
    // S_OK when the pin would connect with `type`, S_FALSE when not.
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
    STDMETHODIMP QueryInternalConnections(IPin** pins, ULONG* count) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    // What a derived pin decides.
    // S_OK for a type it takes; anything else refuses it.
    virtual HRESULT CheckMediaType(const CMediaType* type) = 0;
    // Type `position` it proposes: S_OK, VFW_S_NO_MORE_ITEMS past the end.
    virtual HRESULT GetMediaType(int position, CMediaType* type);
    virtual HRESULT SetMediaType(const CMediaType* type);
    virtual HRESULT CheckConnect(IPin* pin);
    virtual HRESULT BreakConnect();
    virtual HRESULT CompleteConnect(IPin* receivePin);
    virtual HRESULT Active() { return S_OK; }
    virtual HRESULT Inactive() { return S_OK; }
    virtual HRESULT Run(REFERENCE_TIME) { return S_OK; }
    // The id QueryId and FindPin use: the name unless a derived pin says otherwise.
    virtual std::wstring Id() const { return m_name; }

    bool IsConnected() const { return m_connected != nullptr; }
    IPin* GetConnected() const { return m_connected; }
    // A copy of the connection's media type.
    CMediaType CurrentMediaType() const;
    bool CurrentMediaTypeIs(const CMediaType& type) const;
    bool IsStopped() const;
    CBaseFilter* Filter() const { return m_pFilter; }
    const std::wstring& Name() const { return m_name; }

protected:
    // Tries the types of both pins (the receiver's first) against a partial `type`.
    HRESULT AgreeMediaType(IPin* receivePin, const CMediaType* type);
    HRESULT AttemptConnection(IPin* receivePin, const CMediaType* type);
    HRESULT TryMediaTypes(IPin* receivePin, const CMediaType* partial, IEnumMediaTypes* types);
    void DisconnectInternal();

    std::wstring m_name;
    CBaseFilter* m_pFilter;  // not referenced: the filter owns us
    CriticalSection* m_pLock;
    PIN_DIRECTION m_dir;
    IPin* m_connected = nullptr;  // referenced
    mutable CriticalSection m_typeLock;
    CMediaType m_mt;  // guarded by m_typeLock
    REFERENCE_TIME m_segmentStart = 0;
    REFERENCE_TIME m_segmentStop = 0;
    double m_segmentRate = 1.0;
    bool m_tryMyTypesFirst = false;
};
