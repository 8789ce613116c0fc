// The Motion-JPEG decoder filter.
#include "mjpeg_decoder.h"

#include <new>

#include "snapshot/frame_media_type.h"

namespace {

// {3A6E1F4C-8B2D-4E7A-9C05-2D8F1B6A7E42}: private to this program, never registered.
constexpr CLSID kDecoderClsid = {0x3a6e1f4c, 0x8b2d, 0x4e7a, {0x9c, 0x05, 0x2d, 0x8f, 0x1b, 0x6a, 0x7e, 0x42}};

// The size of a Motion-JPEG video type: an even width, 2 to kMaxFrameSide a side.
bool ReadJpegType(const AM_MEDIA_TYPE& type, int* width, int* height) {
    const BITMAPINFOHEADER* header = BitmapHeaderOf(type);
    return header && type.subtype == MEDIASUBTYPE_MJPG && ReadVideoSize(*header, width, height) &&
           *width >= 2 && *width % 2 == 0;
}

}  // namespace

IBaseFilter* CMjpegDecoder::Create() { return HandOutFilter(new (std::nothrow) CMjpegDecoder); }

CMjpegDecoder::CMjpegDecoder() : CTransformFilter(L"Motion-JPEG decoder", kDecoderClsid) {}

CMediaType CMjpegDecoder::OutputType(int width, int height, REFERENCE_TIME frameTime) {
    return MakeVideoInfoType(MEDIASUBTYPE_YUY2, MAKEFOURCC('Y', 'U', 'Y', '2'), 16, width, height,
                             static_cast<DWORD>(width) * static_cast<DWORD>(height) * 2, frameTime);
}

HRESULT CMjpegDecoder::CheckInputType(const CMediaType* type) {
    int width, height;
    return ReadJpegType(*type, &width, &height) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CMjpegDecoder::CheckTransform(const CMediaType* in, const CMediaType* out) {
    int width, height;
    const BITMAPINFOHEADER* header = BitmapHeaderOf(*out);
    if (!ReadJpegType(*in, &width, &height) || !header || out->subtype != MEDIASUBTYPE_YUY2)
        return VFW_E_TYPE_NOT_ACCEPTED;
    LONG h = header->biHeight;
    return header->biWidth == width && (h == height || h == -height) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CMjpegDecoder::GetMediaType(int position, CMediaType* type) {
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    CMediaType input = InputPin()->CurrentMediaType();
    int width, height;
    if (!ReadJpegType(input, &width, &height)) return VFW_S_NO_MORE_ITEMS;
    *type = OutputType(width, height, FrameTimeOf(input));
    return type->IsValid() ? S_OK : E_OUTOFMEMORY;
}

HRESULT CMjpegDecoder::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) {
    const CMediaType output = OutputPin()->CurrentMediaType();
    const BITMAPINFOHEADER* header = BitmapHeaderOf(output);
    if (!header) return E_UNEXPECTED;
    return RequestBuffers(allocator, props, 1, static_cast<long>(header->biSizeImage));
}

HRESULT CMjpegDecoder::SetMediaType(PIN_DIRECTION direction, const CMediaType* type) {
    if (direction == PINDIR_INPUT) return ReadJpegType(*type, &m_width, &m_height) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT CMjpegDecoder::Transform(IMediaSample* in, IMediaSample* out) {
    BYTE* jpeg = nullptr;
    BYTE* pixels = nullptr;
    long length = in->GetActualDataLength();
    const size_t stride = static_cast<size_t>(m_width) * 2, outBytes = stride * static_cast<size_t>(m_height);
    if (FAILED(in->GetPointer(&jpeg)) || !jpeg || length <= 0 || FAILED(out->GetPointer(&pixels)) || !pixels ||
        m_width < 2 || out->GetSize() < 0 || static_cast<size_t>(out->GetSize()) < outBytes)
        return S_FALSE;
    if (FAILED(m_decoder.Decode(jpeg, static_cast<size_t>(length), m_width, m_height, stride, pixels)))
        return S_FALSE;  // damaged or not a JPEG at all: dropped
    out->SetActualDataLength(static_cast<long>(outBytes));
    out->SetSyncPoint(TRUE);
    return S_OK;
}
