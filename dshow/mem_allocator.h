// An allocator whose samples share one heap block it owns. The block is kept across decommits
// and replaced only when the properties change.
#pragma once
#include "base_allocator.h"

class CMemAllocator : public CBaseAllocator {
public:
    explicit CMemAllocator(IUnknown* outer = nullptr);
    ~CMemAllocator() override;

protected:
    HRESULT Alloc() override;
    void Free() override {}  // the memory stays for the next commit
    // Deletes the samples and the block.
    void ReallyFree();
    // Distance between two samples' starts: size plus prefix, in whole alignment units.
    long SampleStride() const;

private:
    BYTE* m_buffer = nullptr;  // owned, aligned to m_alignment
};
