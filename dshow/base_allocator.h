// The allocator contract (IMemAllocator): properties, commit and decommit, and a blocking
// GetBuffer over a free list of samples. Derived allocators say where the samples' memory
// comes from (Alloc) and what to do once a decommit has all samples back (Free).
//
// Threads: any thread may call in (upstream streaming threads take and return samples, the
// graph's thread commits and decommits); every field below is guarded by m_lock. A committed
// allocator and every sample that is out hold a reference on the allocator.
#pragma once
#include <windows.h>
#include <dshow.h>

#include <vector>

#include "com_object.h"
#include "framework/raii.h"

class CMediaSample;

class CBaseAllocator : public CUnknown, public IMemAllocator {
public:
    explicit CBaseAllocator(IUnknown* outer);
    ~CBaseAllocator() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** out) override;

    STDMETHODIMP SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override;
    STDMETHODIMP GetProperties(ALLOCATOR_PROPERTIES* props) override;
    STDMETHODIMP Commit() override;
    STDMETHODIMP Decommit() override;
    // Waits for a free sample unless AM_GBF_NOWAIT is given; VFW_E_NOT_COMMITTED once the
    // allocator is decommitted, also for a caller that was waiting.
    STDMETHODIMP GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end,
                           DWORD flags) override;
    STDMETHODIMP ReleaseBuffer(IMediaSample* sample) override;

    // Called by a sample whose last reference went.
    void ReleaseBuffer(CMediaSample* sample);

protected:
    // Checks that sizes are set: VFW_E_SIZENOTSET, S_FALSE when the samples of an earlier
    // allocation still fit, else S_OK. Derived classes create the samples after it.
    virtual HRESULT Alloc();
    // Called under the lock once the allocator is decommitted and every sample is back.
    virtual void Free() = 0;
    // Deletes every sample (all must be free).
    void DeleteSamples();
    bool AllSamplesFree() const { return static_cast<long>(m_free.size()) == m_allocated; }

    CriticalSection m_lock;
    std::vector<CMediaSample*> m_free;  // owned; the samples not out
    long m_allocated = 0;               // samples in existence
    long m_count = 0;
    long m_size = 0;
    long m_alignment = 0;
    long m_prefix = 0;
    bool m_changed = false;  // properties changed since the samples were made
    bool m_committed = false;
    bool m_decommitInProgress = false;

private:
    long m_waiting = 0;  // callers blocked in GetBuffer
    UniqueHandle m_freed;  // semaphore released once per waiter to wake
};
