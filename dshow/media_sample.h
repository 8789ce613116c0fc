// A media sample: a window onto memory that its allocator owns, with the properties one buffer
// carries downstream. Its reference count belongs to the sample itself: at zero it clears its
// properties and returns to its allocator instead of being deleted. Entered by the thread that
// holds the sample (one at a time).
#pragma once
#include <windows.h>
#include <dshow.h>

#include <atomic>

class CBaseAllocator;

class CMediaSample : public IMediaSample2 {
public:
    CMediaSample(CBaseAllocator* allocator, BYTE* buffer, LONG size);
    virtual ~CMediaSample();
    CMediaSample(const CMediaSample&) = delete;
    CMediaSample& operator=(const CMediaSample&) = delete;

    // Points the sample at other memory (the allocator's business).
    void SetPointer(BYTE* buffer, LONG size);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IMediaSample
    STDMETHODIMP GetPointer(BYTE** buffer) override;
    STDMETHODIMP_(LONG) GetSize() override;
    STDMETHODIMP GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
    STDMETHODIMP SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
    STDMETHODIMP IsSyncPoint() override;
    STDMETHODIMP SetSyncPoint(BOOL sync) override;
    STDMETHODIMP IsPreroll() override;
    STDMETHODIMP SetPreroll(BOOL preroll) override;
    STDMETHODIMP_(LONG) GetActualDataLength() override;
    STDMETHODIMP SetActualDataLength(LONG length) override;
    STDMETHODIMP GetMediaType(AM_MEDIA_TYPE** type) override;
    STDMETHODIMP SetMediaType(AM_MEDIA_TYPE* type) override;
    STDMETHODIMP IsDiscontinuity() override;
    STDMETHODIMP SetDiscontinuity(BOOL discontinuity) override;
    STDMETHODIMP GetMediaTime(LONGLONG* start, LONGLONG* end) override;
    STDMETHODIMP SetMediaTime(LONGLONG* start, LONGLONG* end) override;
    // IMediaSample2
    STDMETHODIMP GetProperties(DWORD size, BYTE* properties) override;
    STDMETHODIMP SetProperties(DWORD size, const BYTE* properties) override;

private:
    friend class CBaseAllocator;
    void ClearProperties();

    CBaseAllocator* m_allocator;  // holds a reference while the sample is out
    std::atomic<ULONG> m_refCount{0};
    BYTE* m_buffer;
    LONG m_size;
    LONG m_actualLength;
    DWORD m_flags = 0;              // AM_SAMPLE_* flags
    DWORD m_typeSpecificFlags = 0;
    DWORD m_streamId = AM_STREAM_MEDIA;
    REFERENCE_TIME m_start = 0, m_end = 0;
    LONGLONG m_mediaStart = 0, m_mediaEnd = 0;
    bool m_hasMediaTime = false;
    AM_MEDIA_TYPE* m_mediaType = nullptr;  // attached type, owned
};
