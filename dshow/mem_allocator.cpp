// Memory allocator.
#include "mem_allocator.h"

#include <malloc.h>

#include <new>

#include "media_sample.h"

CMemAllocator::CMemAllocator(IUnknown* outer) : CBaseAllocator(outer) {}

CMemAllocator::~CMemAllocator() { ReallyFree(); }

long CMemAllocator::SampleStride() const {
    long stride = m_size + m_prefix;
    if (m_alignment > 1 && stride % m_alignment) stride += m_alignment - stride % m_alignment;
    return stride;
}

HRESULT CMemAllocator::Alloc() {
    ScopedCriticalSection lock(m_lock.get());
    HRESULT hr = CBaseAllocator::Alloc();
    if (FAILED(hr)) return hr;
    if (hr == S_FALSE) return S_OK;  // the samples already there still fit
    ReallyFree();

    long stride = SampleStride();
    size_t total = static_cast<size_t>(stride) * static_cast<size_t>(m_count);
    m_buffer = static_cast<BYTE*>(_aligned_malloc(total, static_cast<size_t>(m_alignment)));
    if (!m_buffer) return E_OUTOFMEMORY;
    for (long k = 0; k < m_count; ++k) {
        auto* sample = new (std::nothrow)
            CMediaSample(this, m_buffer + m_prefix + static_cast<size_t>(k) * stride, m_size);
        if (!sample) {
            ReallyFree();
            return E_OUTOFMEMORY;
        }
        m_free.push_back(sample);
        ++m_allocated;
    }
    m_changed = false;
    return S_OK;
}

void CMemAllocator::ReallyFree() {
    DeleteSamples();
    _aligned_free(m_buffer);
    m_buffer = nullptr;
}
