// A filter that copies each camera frame into buffers of its own, put between a camera that
// gives a single buffer and the Smart Tee: Wine's Smart Tee copies preview frames into buffers
// of its input's allocator, so with one buffer it waits for ever for a second. The frames go
// on unchanged: same type, time stamps and flags.
//
// Threads: as its transform base.
#pragma once
#include "dshow/transform_filter.h"

class CFrameCopier : public CTransformFilter {
public:
    // A new copier holding one reference, or null.
    static IBaseFilter* Create();

    HRESULT CheckInputType(const CMediaType* type) override;
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;
    HRESULT Transform(IMediaSample* in, IMediaSample* out) override;

private:
    CFrameCopier();
};
