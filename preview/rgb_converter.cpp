// The RGB converter filter.
#include "rgb_converter.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "snapshot/frame_media_type.h"

namespace {

// {8E2B6C1A-4D3F-4A57-9B60-1C7E2F8A9D31}: private to this program, never registered.
constexpr CLSID kConverterClsid = {0x8e2b6c1a, 0x4d3f, 0x4a57, {0x9b, 0x60, 0x1c, 0x7e, 0x2f, 0x8a, 0x9d, 0x31}};

// An RGB32 output type: its stride in pixels (biWidth), rows and row order. False for any other.
bool ReadRgb32Type(const AM_MEDIA_TYPE& type, int* stridePixels, int* rows, bool* topDown) {
    const BITMAPINFOHEADER* header = BitmapHeaderOf(type);
    if (!header || type.subtype != MEDIASUBTYPE_RGB32 || header->biBitCount != 32 ||
        header->biCompression != BI_RGB || !ReadVideoSize(*header, stridePixels, rows))
        return false;
    *topDown = header->biHeight < 0;
    return true;
}

}  // namespace

IBaseFilter* CRgbConverter::Create() { return HandOutFilter(new (std::nothrow) CRgbConverter); }

CRgbConverter::CRgbConverter() : CTransformFilter(L"RGB converter", kConverterClsid) {}

void CRgbConverter::SetOutputSize(int width, int height) {
    const bool given = width > 0 && height > 0 && width <= kMaxFrameSide && height <= kMaxFrameSide;
    m_size = given ? static_cast<uint64_t>(width) << 32 | static_cast<uint32_t>(height) : 0;
}

void CRgbConverter::PictureSize(int* width, int* height) const {
    const uint64_t size = m_size;
    if (!size) return;
    const int areaWidth = static_cast<int>(size >> 32), areaHeight = static_cast<int>(size & 0xFFFFFFFF);
    const int divisor = std::min(*width / areaWidth, *height / areaHeight);
    if (divisor < 2) return;
    *width = (*width + divisor / 2) / divisor;
    *height = (*height + divisor / 2) / divisor;
}

CMediaType CRgbConverter::OutputType(int width, int height, bool topDown, REFERENCE_TIME frameTime) {
    return MakeVideoInfoType(MEDIASUBTYPE_RGB32, BI_RGB, 32, width, topDown ? -height : height,
                             static_cast<DWORD>(width) * static_cast<DWORD>(height) * 4, frameTime);
}

HRESULT CRgbConverter::CheckInputType(const CMediaType* type) {
    FrameLayout layout;
    int width, height;
    return ReadFrameType(*type, &layout, &width, &height) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CRgbConverter::CheckTransform(const CMediaType* in, const CMediaType* out) {
    FrameLayout layout;
    int width, height;
    int stride, rows;
    bool topDown;
    if (!ReadFrameType(*in, &layout, &width, &height) || !ReadRgb32Type(*out, &stride, &rows, &topDown))
        return VFW_E_TYPE_NOT_ACCEPTED;
    // The picture at its size; a renderer may ask for wider rows, never another size.
    PictureSize(&width, &height);
    return stride >= width && rows == height ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CRgbConverter::GetMediaType(int position, CMediaType* type) {
    if (position > 1) return VFW_S_NO_MORE_ITEMS;
    CMediaType input = InputPin()->CurrentMediaType();
    FrameLayout layout;
    int width, height;
    if (!ReadFrameType(input, &layout, &width, &height)) return VFW_S_NO_MORE_ITEMS;
    PictureSize(&width, &height);
    // Top-down first: those rows come straight from the conversion.
    *type = OutputType(width, height, position == 0, FrameTimeOf(input));
    return type->IsValid() ? S_OK : E_OUTOFMEMORY;
}

HRESULT CRgbConverter::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) {
    const CMediaType output = OutputPin()->CurrentMediaType();
    const BITMAPINFOHEADER* header = BitmapHeaderOf(output);
    if (!header) return E_UNEXPECTED;
    return RequestBuffers(allocator, props, 1, static_cast<long>(header->biSizeImage));
}

HRESULT CRgbConverter::SetMediaType(PIN_DIRECTION direction, const CMediaType* type) {
    if (direction == PINDIR_INPUT) {
        if (!ReadFrameType(*type, &m_layout, &m_width, &m_height)) return VFW_E_TYPE_NOT_ACCEPTED;
        return S_OK;
    }
    int stride, rows, width = m_width, height = m_height;
    if (!ReadRgb32Type(*type, &stride, &rows, &m_topDown)) return VFW_E_TYPE_NOT_ACCEPTED;
    PictureSize(&width, &height);
    m_stride = static_cast<size_t>(stride) * 4;
    m_outWidth = std::min(width, stride);  // a wider stride is the renderer's rows, not the picture
    m_outHeight = static_cast<int>(rows);
    return S_OK;
}

void CRgbConverter::CopyOut(uint8_t* out) const {
    size_t rowBytes = static_cast<size_t>(m_width) * 4;
    size_t copied = std::min(rowBytes, m_stride);
    for (int row = 0; row < std::min(m_height, m_outHeight); ++row) {
        int target = m_topDown ? row : m_outHeight - 1 - row;
        std::memcpy(out + static_cast<size_t>(target) * m_stride, m_pixels.data() + row * rowBytes, copied);
    }
}

HRESULT CRgbConverter::Transform(IMediaSample* in, IMediaSample* out) {
    BYTE* frame = nullptr;
    BYTE* pixels = nullptr;
    long length = in->GetActualDataLength();
    if (FAILED(in->GetPointer(&frame)) || !frame || length <= 0 || FAILED(out->GetPointer(&pixels)) ||
        !pixels || m_width < 1 || m_stride == 0)
        return S_FALSE;
    size_t outBytes = m_stride * static_cast<size_t>(m_outHeight);
    if (out->GetSize() < 0 || static_cast<size_t>(out->GetSize()) < outBytes) return S_FALSE;

    const bool scaled = m_outWidth != m_width || m_outHeight != m_height;
    bool direct = !scaled && m_topDown && m_stride == static_cast<size_t>(m_width) * 4;
    if (direct) {
        if (!ConvertFrameToRgb32(m_layout, frame, static_cast<size_t>(length), m_width, m_height,
                                 pixels, outBytes))
            return S_FALSE;  // a short frame is skipped
    } else {
        m_pixels.resize(static_cast<size_t>(m_width) * m_height * 4);
        if (!ConvertFrameToRgb32(m_layout, frame, static_cast<size_t>(length), m_width, m_height,
                                 m_pixels.data(), m_pixels.size()))
            return S_FALSE;
        if (scaled)
            m_scaler.Scale(m_pixels.data(), m_width, m_height, static_cast<size_t>(m_width) * 4, pixels, m_outWidth,
                           m_outHeight, m_stride, m_topDown);
        else
            CopyOut(pixels);
    }
    out->SetActualDataLength(static_cast<long>(outBytes));
    out->SetTime(nullptr, nullptr);
    out->SetSyncPoint(TRUE);
    return S_OK;
}
