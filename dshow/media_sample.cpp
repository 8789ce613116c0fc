// Media samples.
#include "media_sample.h"

#include <cstddef>
#include <cstring>

#include "base_allocator.h"
#include "media_type.h"

CMediaSample::CMediaSample(CBaseAllocator* allocator, BYTE* buffer, LONG size)
    : m_allocator(allocator), m_buffer(buffer), m_size(size), m_actualLength(size) {}

CMediaSample::~CMediaSample() { DeleteMediaType(m_mediaType); }

void CMediaSample::SetPointer(BYTE* buffer, LONG size) {
    m_buffer = buffer;
    m_size = size;
    m_actualLength = size;
}

STDMETHODIMP CMediaSample::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IMediaSample || iid == IID_IMediaSample2) {
        *out = static_cast<IMediaSample2*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CMediaSample::AddRef() { return ++m_refCount; }

STDMETHODIMP_(ULONG) CMediaSample::Release() {
    ULONG count = --m_refCount;
    if (count == 0) {
        ClearProperties();
        m_allocator->ReleaseBuffer(this);  // may delete the allocator, never the sample here
    }
    return count;
}

void CMediaSample::ClearProperties() {
    m_flags = 0;
    m_typeSpecificFlags = 0;
    m_streamId = AM_STREAM_MEDIA;
    m_hasMediaTime = false;
    DeleteMediaType(m_mediaType);
    m_mediaType = nullptr;
}

STDMETHODIMP CMediaSample::GetPointer(BYTE** buffer) {
    if (!buffer) return E_POINTER;
    *buffer = m_buffer;
    return S_OK;
}

STDMETHODIMP_(LONG) CMediaSample::GetSize() { return m_size; }

STDMETHODIMP CMediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) {
    if (!start || !end) return E_POINTER;
    if (!(m_flags & AM_SAMPLE_TIMEVALID)) return VFW_E_SAMPLE_TIME_NOT_SET;
    *start = m_start;
    if (m_flags & AM_SAMPLE_STOPVALID) {
        *end = m_end;
        return S_OK;
    }
    *end = m_start + 1;
    return VFW_S_NO_STOP_TIME;
}

STDMETHODIMP CMediaSample::SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) {
    if (!start) {
        m_flags &= ~(AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID);
        return S_OK;
    }
    m_start = *start;
    m_flags |= AM_SAMPLE_TIMEVALID;
    if (end) {
        m_end = *end;
        m_flags |= AM_SAMPLE_STOPVALID;
    } else {
        m_flags &= ~AM_SAMPLE_STOPVALID;
    }
    return S_OK;
}

STDMETHODIMP CMediaSample::IsSyncPoint() { return (m_flags & AM_SAMPLE_SPLICEPOINT) ? S_OK : S_FALSE; }

STDMETHODIMP CMediaSample::SetSyncPoint(BOOL sync) {
    if (sync) m_flags |= AM_SAMPLE_SPLICEPOINT;
    else m_flags &= ~AM_SAMPLE_SPLICEPOINT;
    return S_OK;
}

STDMETHODIMP CMediaSample::IsPreroll() { return (m_flags & AM_SAMPLE_PREROLL) ? S_OK : S_FALSE; }

STDMETHODIMP CMediaSample::SetPreroll(BOOL preroll) {
    if (preroll) m_flags |= AM_SAMPLE_PREROLL;
    else m_flags &= ~AM_SAMPLE_PREROLL;
    return S_OK;
}

STDMETHODIMP_(LONG) CMediaSample::GetActualDataLength() { return m_actualLength; }

STDMETHODIMP CMediaSample::SetActualDataLength(LONG length) {
    if (length < 0 || length > m_size) return VFW_E_BUFFER_OVERFLOW;
    m_actualLength = length;
    return S_OK;
}

STDMETHODIMP CMediaSample::GetMediaType(AM_MEDIA_TYPE** type) {
    if (!type) return E_POINTER;
    *type = nullptr;
    if (!(m_flags & AM_SAMPLE_TYPECHANGED) || !m_mediaType) return S_FALSE;
    *type = CreateMediaType(m_mediaType);
    return *type ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CMediaSample::SetMediaType(AM_MEDIA_TYPE* type) {
    DeleteMediaType(m_mediaType);
    m_mediaType = nullptr;
    if (!type) {
        m_flags &= ~AM_SAMPLE_TYPECHANGED;
        return S_OK;
    }
    m_mediaType = CreateMediaType(type);
    if (!m_mediaType) {
        m_flags &= ~AM_SAMPLE_TYPECHANGED;
        return E_OUTOFMEMORY;
    }
    m_flags |= AM_SAMPLE_TYPECHANGED;
    return S_OK;
}

STDMETHODIMP CMediaSample::IsDiscontinuity() {
    return (m_flags & AM_SAMPLE_DATADISCONTINUITY) ? S_OK : S_FALSE;
}

STDMETHODIMP CMediaSample::SetDiscontinuity(BOOL discontinuity) {
    if (discontinuity) m_flags |= AM_SAMPLE_DATADISCONTINUITY;
    else m_flags &= ~AM_SAMPLE_DATADISCONTINUITY;
    return S_OK;
}

STDMETHODIMP CMediaSample::GetMediaTime(LONGLONG* start, LONGLONG* end) {
    if (!start || !end) return E_POINTER;
    if (!m_hasMediaTime) return VFW_E_MEDIA_TIME_NOT_SET;
    *start = m_mediaStart;
    *end = m_mediaEnd;
    return S_OK;
}

STDMETHODIMP CMediaSample::SetMediaTime(LONGLONG* start, LONGLONG* end) {
    if (!start) {
        m_hasMediaTime = false;
        return S_OK;
    }
    if (!end) return E_POINTER;
    m_mediaStart = *start;
    m_mediaEnd = *end;
    m_hasMediaTime = true;
    return S_OK;
}

STDMETHODIMP CMediaSample::GetProperties(DWORD size, BYTE* properties) {
    if (!properties) return E_POINTER;
    AM_SAMPLE2_PROPERTIES p{};
    p.cbData = sizeof(p);
    p.dwTypeSpecificFlags = m_typeSpecificFlags;
    p.dwSampleFlags = m_flags;
    p.lActual = m_actualLength;
    p.tStart = m_start;
    p.tStop = m_end;
    p.dwStreamId = m_streamId;
    p.pMediaType = (m_flags & AM_SAMPLE_TYPECHANGED) ? m_mediaType : nullptr;
    p.pbBuffer = m_buffer;
    p.cbBuffer = m_size;
    std::memcpy(properties, &p, size < sizeof(p) ? size : sizeof(p));
    return S_OK;
}

STDMETHODIMP CMediaSample::SetProperties(DWORD size, const BYTE* properties) {
    if (!properties) return E_POINTER;
    // The fields up to and including the stream id may be set; buffer fields may not change.
    constexpr DWORD kSettable = offsetof(AM_SAMPLE2_PROPERTIES, pMediaType);
    if (size < kSettable) return E_INVALIDARG;
    AM_SAMPLE2_PROPERTIES p{};
    std::memcpy(&p, properties, size < sizeof(p) ? size : sizeof(p));
    if (p.lActual < 0 || p.lActual > m_size) return VFW_E_BUFFER_OVERFLOW;
    m_typeSpecificFlags = p.dwTypeSpecificFlags;
    m_flags = (m_flags & AM_SAMPLE_TYPECHANGED) | (p.dwSampleFlags & ~AM_SAMPLE_TYPECHANGED);
    m_actualLength = p.lActual;
    m_start = p.tStart;
    m_end = p.tStop;
    m_streamId = p.dwStreamId;
    if (size >= sizeof(p) && p.pMediaType) return SetMediaType(p.pMediaType);
    return S_OK;
}
