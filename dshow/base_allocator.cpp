// The allocator contract.
#include "base_allocator.h"

#include "media_sample.h"

CBaseAllocator::CBaseAllocator(IUnknown* outer)
    : CUnknown(outer), m_freed(CreateSemaphoreW(nullptr, 0, 0x7FFFFFFF, nullptr)) {}

CBaseAllocator::~CBaseAllocator() { DeleteSamples(); }

STDMETHODIMP CBaseAllocator::NonDelegatingQueryInterface(REFIID iid, void** out) {
    if (iid == IID_IMemAllocator) return GetInterface(static_cast<IMemAllocator*>(this), out);
    return CUnknown::NonDelegatingQueryInterface(iid, out);
}

STDMETHODIMP CBaseAllocator::SetProperties(ALLOCATOR_PROPERTIES* request,
                                           ALLOCATOR_PROPERTIES* actual) {
    if (!request || !actual) return E_POINTER;
    ScopedCriticalSection lock(m_lock.get());
    if (m_committed) return VFW_E_ALREADY_COMMITTED;
    if (!AllSamplesFree()) return VFW_E_BUFFERS_OUTSTANDING;
    long align = request->cbAlign;
    if (align <= 0 || (align & (align - 1)) != 0) return VFW_E_BADALIGN;
    if (request->cBuffers < 0 || request->cbBuffer < 0 || request->cbPrefix < 0)
        return E_INVALIDARG;

    // Each sample's data plus its prefix fills whole alignment units.
    long long span = static_cast<long long>(request->cbBuffer) + request->cbPrefix;
    long long rounded = (span + align - 1) / align * align;
    if (rounded > 0x7FFFFFFF) return E_INVALIDARG;
    m_count = request->cBuffers;
    m_size = static_cast<long>(rounded - request->cbPrefix);
    m_alignment = align;
    m_prefix = request->cbPrefix;
    m_changed = true;
    *actual = {m_count, m_size, m_alignment, m_prefix};
    return S_OK;
}

STDMETHODIMP CBaseAllocator::GetProperties(ALLOCATOR_PROPERTIES* props) {
    if (!props) return E_POINTER;
    ScopedCriticalSection lock(m_lock.get());
    *props = {m_count, m_size, m_alignment, m_prefix};
    return S_OK;
}

HRESULT CBaseAllocator::Alloc() {
    if (m_count <= 0 || m_size <= 0 || m_alignment <= 0) return VFW_E_SIZENOTSET;
    if (m_allocated > 0 && !m_changed) return S_FALSE;
    return S_OK;
}

STDMETHODIMP CBaseAllocator::Commit() {
    ScopedCriticalSection lock(m_lock.get());
    if (m_committed) return S_OK;
    if (m_decommitInProgress) {
        m_decommitInProgress = false;
    } else {
        HRESULT hr = Alloc();
        if (FAILED(hr)) return hr;
    }
    m_committed = true;
    NonDelegatingAddRef();  // kept while committed
    return S_OK;
}

STDMETHODIMP CBaseAllocator::Decommit() {
    {
        ScopedCriticalSection lock(m_lock.get());
        if (!m_committed) return S_OK;
        m_committed = false;
        if (m_waiting) {
            ReleaseSemaphore(m_freed.get(), m_waiting, nullptr);
            m_waiting = 0;
        }
        if (AllSamplesFree()) {
            Free();
        } else {
            m_decommitInProgress = true;
        }
    }
    NonDelegatingRelease();  // may delete this
    return S_OK;
}

STDMETHODIMP CBaseAllocator::GetBuffer(IMediaSample** sample, REFERENCE_TIME*, REFERENCE_TIME*,
                                       DWORD flags) {
    if (!sample) return E_POINTER;
    *sample = nullptr;
    CMediaSample* taken = nullptr;
    while (!taken) {
        {
            ScopedCriticalSection lock(m_lock.get());
            if (!m_committed) return VFW_E_NOT_COMMITTED;
            if (!m_free.empty()) {
                taken = m_free.back();
                m_free.pop_back();
                break;
            }
            if (flags & AM_GBF_NOWAIT) return VFW_E_TIMEOUT;
            ++m_waiting;
        }
        WaitForSingleObject(m_freed.get(), INFINITE);
    }
    NonDelegatingAddRef();  // the sample's reference, given back by ReleaseBuffer
    taken->AddRef();
    *sample = taken;
    return S_OK;
}

STDMETHODIMP CBaseAllocator::ReleaseBuffer(IMediaSample*) {
    // Samples come back by themselves when their last reference goes.
    return E_NOTIMPL;
}

void CBaseAllocator::ReleaseBuffer(CMediaSample* sample) {
    {
        ScopedCriticalSection lock(m_lock.get());
        m_free.push_back(sample);
        if (m_waiting) {
            --m_waiting;
            ReleaseSemaphore(m_freed.get(), 1, nullptr);
        }
        if (m_decommitInProgress && AllSamplesFree()) {
            m_decommitInProgress = false;
            Free();
        }
    }
    NonDelegatingRelease();  // may delete this
}

void CBaseAllocator::DeleteSamples() {
    for (CMediaSample* s : m_free) delete s;
    m_free.clear();
    m_allocated = 0;
}
