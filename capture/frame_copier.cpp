// The frame copier.
#include "frame_copier.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "snapshot/frame_media_type.h"

namespace {

// {6B1D9E47-2C8A-4F35-A0D2-7E4B9C3F1A58}: private to this program, never registered.
constexpr CLSID kCopierClsid = {0x6b1d9e47, 0x2c8a, 0x4f35, {0xa0, 0xd2, 0x7e, 0x4b, 0x9c, 0x3f, 0x1a, 0x58}};
// Enough for the tee's copies and the frame on its way.
constexpr long kBuffers = 4;

}  // namespace

IBaseFilter* CFrameCopier::Create() { return HandOutFilter(new (std::nothrow) CFrameCopier); }

CFrameCopier::CFrameCopier() : CTransformFilter(L"Frame copier", kCopierClsid) {}

HRESULT CFrameCopier::CheckInputType(const CMediaType* type) {
    return *type->Type() == MEDIATYPE_Video && BitmapHeaderOf(*type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CFrameCopier::CheckTransform(const CMediaType* in, const CMediaType* out) {
    return *in == *out ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CFrameCopier::GetMediaType(int position, CMediaType* type) {
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    *type = InputPin()->CurrentMediaType();
    return type->IsValid() ? S_OK : E_OUTOFMEMORY;
}

HRESULT CFrameCopier::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) {
    // As large as the camera's own buffer, and never smaller than a frame of the type.
    const CMediaType input = InputPin()->CurrentMediaType();
    const BITMAPINFOHEADER* header = BitmapHeaderOf(input);
    long bytes = std::max<long>(static_cast<long>(input.lSampleSize), header ? static_cast<long>(header->biSizeImage) : 0);
    ALLOCATOR_PROPERTIES camera{};
    if (InputPin()->Allocator() && SUCCEEDED(InputPin()->Allocator()->GetProperties(&camera)))
        bytes = std::max(bytes, camera.cbBuffer);
    return RequestBuffers(allocator, props, kBuffers, std::max(bytes, 1L));
}

HRESULT CFrameCopier::Transform(IMediaSample* in, IMediaSample* out) {
    BYTE *from = nullptr, *to = nullptr;
    long length = in->GetActualDataLength();
    if (FAILED(in->GetPointer(&from)) || FAILED(out->GetPointer(&to)) || length < 0 || length > out->GetSize())
        return S_FALSE;  // nothing to copy, or no room for it: the frame is dropped
    std::memcpy(to, from, static_cast<size_t>(length));
    return out->SetActualDataLength(length);
}
