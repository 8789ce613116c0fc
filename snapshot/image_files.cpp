// BMP and JPEG files.
#include "image_files.h"

#include <gdiplus.h>
#include <wrl/client.h>

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "framework/raii.h"
#include "snapshot/bmp_image.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

bool WriteAllOrRemove(HANDLE file, const wchar_t* fileName, const uint8_t* bytes, size_t count) {
    bool complete = true;
    while (count > 0 && complete) {
        DWORD chunk = count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
        DWORD written = 0;
        complete = WriteFile(file, bytes, chunk, &written, nullptr) && written == chunk;
        bytes += written;
        count -= written;
    }
    complete = CloseHandle(file) && complete;
    if (!complete) DeleteFileW(fileName);
    return complete;
}

HRESULT SaveBmp32(int width, int height, const uint8_t* pixels, const wchar_t* fileName) {
    std::vector<uint8_t> image = EncodeBmp32(width, height, pixels);
    if (image.empty()) return E_FAIL;
    HANDLE file = CreateFileW(fileName, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return E_FAIL;
    return WriteAllOrRemove(file, fileName, image.data(), image.size()) ? S_OK : E_FAIL;
}

int FindEncoderClsid(CLSID* clsid) {
    UINT count = 0, size = 0;
    if (GdipGetImageEncodersSize(&count, &size) != Ok || size == 0) return -1;
    std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[size]);
    if (!block) return -1;
    auto* encoders = reinterpret_cast<ImageCodecInfo*>(block.get());
    if (GdipGetImageEncoders(count, size, encoders) != Ok) return -1;
    for (UINT i = 0; i < count; ++i) {
        if (encoders[i].MimeType && wcscmp(encoders[i].MimeType, L"image/jpeg") == 0) {
            *clsid = encoders[i].Clsid;
            return static_cast<int>(i);
        }
    }
    return -1;
}

namespace {

// The JPEG bytes of `image` at quality 80, in a stream on memory; null on failure.
Microsoft::WRL::ComPtr<IStream> EncodeJpeg(GpBitmap* image) {
    ULONG quality = 80;
    EncoderParameters parameters{};
    parameters.Count = 1;
    parameters.Parameter[0].Guid = EncoderQuality;
    parameters.Parameter[0].NumberOfValues = 1;
    parameters.Parameter[0].Type = EncoderParameterValueTypeLong;
    parameters.Parameter[0].Value = &quality;
    CLSID encoder;
    Microsoft::WRL::ComPtr<IStream> stream;
    if (FindEncoderClsid(&encoder) < 0 || FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) ||
        GdipSaveImageToStream(image, stream.Get(), &encoder, &parameters) != Ok)
        return nullptr;
    return stream;
}

// Writes the stream's bytes to a new file; a partial file is removed.
bool WriteStreamToNewFile(IStream* stream, const wchar_t* fileName) {
    STATSTG stat{};
    HGLOBAL memory = nullptr;
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME)) || FAILED(GetHGlobalFromStream(stream, &memory)))
        return false;
    auto* bytes = static_cast<const uint8_t*>(GlobalLock(memory));
    if (!bytes) return false;
    bool written = false;
    HANDLE file = CreateFileW(fileName, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        written = WriteAllOrRemove(file, fileName, bytes, static_cast<size_t>(stat.cbSize.QuadPart));
    GlobalUnlock(memory);
    return written;
}

}  // namespace

// Encoded in memory first, so that a failed write (a full disk) leaves no truncated file.
int SaveJpeg(const wchar_t* fileName, const DibSurface& surface) {
    // A device-dependent copy of the surface, as GDI+ takes bitmaps from GDI.
    GdiObject<HBITMAP> copy(CreateCompatibleBitmap(surface.dc, surface.width, surface.height));
    MemoryDC copyDc(surface.dc);
    if (!copy || !copyDc) return 1;
    {
        SelectedObject selected(copyDc.get(), copy.get());
        BitBlt(copyDc.get(), 0, 0, surface.width, surface.height, surface.dc, 0, 0, SRCCOPY);
    }

    GpBitmap* image = nullptr;
    if (GdipCreateBitmapFromHBITMAP(copy.get(), nullptr, &image) != Ok) return 1;
    Microsoft::WRL::ComPtr<IStream> encoded = EncodeJpeg(image);
    GdipDisposeImage(image);
    return encoded && WriteStreamToNewFile(encoded.Get(), fileName) ? 0 : 1;
}
