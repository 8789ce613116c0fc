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

void CRgbConverter::SetVideoArea(int width, int height) {
    // An area larger than any picture shows the largest (a window spread over several screens).
    width = std::min(width, kMaxFrameSide);
    height = std::min(height, kMaxFrameSide);
    const bool given = width > 0 && height > 0;
    m_area = given ? static_cast<uint64_t>(width) << 32 | static_cast<uint32_t>(height) : 0;
}

void CRgbConverter::SetLargestArea(int width, int height) {
    const bool given = width > 0 && height > 0 && width <= kMaxFrameSide && height <= kMaxFrameSide;
    m_largestWidth = given ? width : 0;
    m_largestHeight = given ? height : 0;
}

void CRgbConverter::SetSourceCountedFromBottom(bool fromBottom) { m_fromBottom = fromBottom; }

void CRgbConverter::BufferSize(int frameWidth, int frameHeight, int* width, int* height) const {
    *width = std::max(frameWidth, m_largestWidth);
    *height = std::max(frameHeight, m_largestHeight);
}

bool CRgbConverter::FrameSize(int* width, int* height) const {
    if (m_width <= 0 || m_height <= 0) return false;
    *width = m_width;
    *height = m_height;
    return true;
}

bool CRgbConverter::PictureRect(RECT* rect) const {
    const uint64_t area = m_area;
    int width = m_width, height = m_height;
    if (area) {
        width = std::min(m_outWidth, static_cast<int>(area >> 32));
        height = std::min(m_outHeight, static_cast<int>(area & 0xFFFFFFFF));
    }
    // The rows a source rectangle from row 0 means: the picture's top rows, or where a renderer
    // counts from the bottom of a bottom-up picture, its bottom rows.
    const int top = m_fromBottom && !m_topDown ? std::max(0, m_outHeight - height) : 0;
    *rect = {0, top, width, top + height};
    return area && m_width > 0 && m_height > 0 && m_outHeight > 0;
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
    // A renderer may ask for wider rows than the buffer's, never for another size.
    BufferSize(width, height, &width, &height);
    return stride >= width && rows == height ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CRgbConverter::GetMediaType(int position, CMediaType* type) {
    if (position > 1) return VFW_S_NO_MORE_ITEMS;
    CMediaType input = InputPin()->CurrentMediaType();
    FrameLayout layout;
    int width, height;
    if (!ReadFrameType(input, &layout, &width, &height)) return VFW_S_NO_MORE_ITEMS;
    BufferSize(width, height, &width, &height);
    // Bottom-up first: renderers take a source rectangle (a part of the picture to show) only
    // within those (Wine's compares it with a positive height).
    *type = OutputType(width, height, position == 1, FrameTimeOf(input));
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
    int stride, rows;
    if (!ReadRgb32Type(*type, &stride, &rows, &m_topDown)) return VFW_E_TYPE_NOT_ACCEPTED;
    m_stride = static_cast<size_t>(stride) * 4;
    m_outHeight = static_cast<int>(rows);
    int bufferHeight;
    BufferSize(m_width, m_height, &m_outWidth, &bufferHeight);
    m_outWidth = std::min(m_outWidth, stride);
    return S_OK;
}

void CRgbConverter::CopyOut(const RECT& picture, uint8_t* out) const {
    if (picture.bottom > m_outHeight) return;
    const size_t rowBytes = static_cast<size_t>(m_width) * 4, copied = std::min(rowBytes, m_stride);
    const int first = m_topDown ? picture.top : m_outHeight - picture.bottom;
    for (int row = 0; row < m_height; ++row) {
        const int target = first + (m_topDown ? row : m_height - 1 - row);
        std::memcpy(out + static_cast<size_t>(target) * m_stride, m_pixels.data() + row * rowBytes, copied);
    }
}

void CRgbConverter::ScaleOut(const RECT& picture, uint8_t* out) {
    const int rows = picture.bottom - picture.top;
    if (picture.bottom > m_outHeight || picture.right > static_cast<int>(m_stride / 4)) return;
    // Its top row at `picture.top` rows below the buffer's top, in either row order.
    const int first = m_topDown ? picture.top : m_outHeight - picture.bottom;
    m_scaler.Scale(m_pixels.data(), m_width, m_height, static_cast<size_t>(m_width) * 4,
                   out + static_cast<size_t>(first) * m_stride, picture.right, rows, m_stride, m_topDown);
}

bool CRgbConverter::ScaleYuvOut(const RECT& picture, const uint8_t* frame, size_t frameBytes, uint8_t* out) {
    const int rows = picture.bottom - picture.top;
    const bool packed = m_layout == FrameLayout::Yuy2 || m_layout == FrameLayout::Uyvy;
    const bool planar = m_layout == FrameLayout::Nv12 || m_layout == FrameLayout::I420 || m_layout == FrameLayout::Yv12;
    if (!packed && !(planar && m_width % 2 == 0 && m_height % 2 == 0 && rows % 2 == 0)) return false;
    if (frameBytes < RequiredFrameBytes(m_layout, m_width, m_height) || picture.bottom > m_outHeight ||
        picture.right > static_cast<int>(m_stride / 4))
        return false;
    const size_t width = static_cast<size_t>(m_width);
    m_rows.resize(RequiredFrameBytes(m_layout, m_width, rows));
    if (packed) {
        m_scaler.Down(frame, width * 2, m_height, width * 2, m_rows.data(), rows, width * 2);
    } else {
        m_scaler.Down(frame, width, m_height, width, m_rows.data(), rows, width);
        // NV12: one plane of chroma pairs; I420 and YV12: two planes of half the width.
        const uint8_t* chroma = frame + width * m_height;
        uint8_t* chromaOut = m_rows.data() + width * rows;
        const int planes = m_layout == FrameLayout::Nv12 ? 1 : 2;
        const size_t rowBytes = width / planes;
        for (int plane = 0; plane < planes; ++plane)
            m_chromaScaler.Down(chroma + plane * rowBytes * (m_height / 2), rowBytes, m_height / 2, rowBytes,
                                chromaOut + plane * rowBytes * (rows / 2), rows / 2, rowBytes);
    }
    m_pixels.resize(width * rows * 4);
    if (!ConvertFrameToRgb32(m_layout, m_rows.data(), m_rows.size(), m_width, rows, m_pixels.data(), m_pixels.size()))
        return false;
    const int first = m_topDown ? picture.top : m_outHeight - picture.bottom;
    m_scaler.Across(m_pixels.data(), m_width, rows, width * 4, out + static_cast<size_t>(first) * m_stride,
                    picture.right, m_stride, m_topDown);
    return true;
}

void CRgbConverter::MirrorOut(const RECT& picture, uint8_t* out) const {
    const int rows = picture.bottom - picture.top;
    if (picture.bottom > m_outHeight || picture.right > static_cast<int>(m_stride / 4)) return;
    const int first = m_topDown ? picture.top : m_outHeight - picture.bottom;
    for (int row = 0; row < rows; ++row) {
        auto* pixels = reinterpret_cast<uint32_t*>(out + static_cast<size_t>(first + row) * m_stride);
        std::reverse(pixels, pixels + picture.right);
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

    RECT picture;
    PictureRect(&picture);
    const bool exact = picture.right == m_width && picture.bottom - picture.top == m_height;
    if (exact && m_outHeight == m_height && m_topDown && m_stride == static_cast<size_t>(m_width) * 4) {
        if (!ConvertFrameToRgb32(m_layout, frame, static_cast<size_t>(length), m_width, m_height,
                                 pixels, outBytes))
            return S_FALSE;  // a short frame is skipped
    } else if (exact || !ScaleYuvOut(picture, frame, static_cast<size_t>(length), pixels)) {
        m_pixels.resize(static_cast<size_t>(m_width) * m_height * 4);
        if (!ConvertFrameToRgb32(m_layout, frame, static_cast<size_t>(length), m_width, m_height,
                                 m_pixels.data(), m_pixels.size()))
            return S_FALSE;
        if (exact)
            CopyOut(picture, pixels);
        else
            ScaleOut(picture, pixels);
    }
    if (m_mirrored) MirrorOut(picture, pixels);
    out->SetActualDataLength(static_cast<long>(outBytes));
    out->SetTime(nullptr, nullptr);
    out->SetSyncPoint(TRUE);
    return S_OK;
}
