// The snapshot pipeline.
#include "snapshot_pipeline.h"

#include <mmsystem.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "framework/modal_seam.h"
#include "framework/program_folder.h"
#include "framework/ui_texts.h"
#include "resources/resource.h"
#include "settings/settings_store.h"
#include "snapshot/bmp_image.h"
#include "snapshot/dated_file_name.h"
#include "snapshot/dib_surface.h"
#include "snapshot/frame_conversion.h"
#include "snapshot/image_files.h"
#include "snapshot/snapshot_request.h"

std::atomic<int> g_snapshotRequested{0};
std::atomic<unsigned> g_framesGrabbed{0};
std::atomic<int> g_pictureCopyRequested{0};
HWND g_hMainWnd = nullptr;
std::function<void()> g_shutterSoundObserver;
int g_videoWidth = 0;
int g_videoHeight = 0;
int g_videoSubtype = 0;
int g_snapshotRescale = 0;

SnapshotFrame* NewSnapshotFrame(const BYTE* frame, size_t bytes, bool toClipboard) {
    auto* block = static_cast<SnapshotFrame*>(std::malloc(offsetof(SnapshotFrame, data) + bytes));
    if (!block) return nullptr;
    block->bytes = bytes;
    block->layout = g_videoSubtype;
    // Stretched only to a size that was chosen; without one the picture keeps the frame's.
    bool stretch = g_snapshotRescale && g_videoWidth > 0 && g_videoHeight > 0;
    block->targetWidth = stretch ? g_videoWidth : 0;
    block->targetHeight = stretch ? g_videoHeight : 0;
    block->toClipboard = toClipboard;
    std::memcpy(block->data, frame, bytes);
    return block;
}

namespace {

bool PostFrame(int width, int height, BYTE* frame, int size, bool toClipboard) {
    SnapshotFrame* block = NewSnapshotFrame(frame, static_cast<size_t>(size), toClipboard);
    if (!block) return false;
    LPARAM packed = static_cast<LPARAM>(width) << 16 | height;
    if (PostMessageW(g_hMainWnd, WM_SNAPSHOT, reinterpret_cast<WPARAM>(block), packed)) return true;
    std::free(block);
    return false;
}

// One of the requests waiting, taken for this frame; false when none waits.
bool TakeRequest() {
    int waiting = g_snapshotRequested.load();
    while (waiting > 0 && !g_snapshotRequested.compare_exchange_weak(waiting, waiting - 1)) {
    }
    return waiting > 0;
}

}  // namespace

// The build's outputs read here were written before the graph ran, and a graph is stopped
// before the next build writes them.
int SnapshotFrameCallback(int width, int height, BYTE* frame, int size) {
    g_framesGrabbed.fetch_add(1);
    if (g_snapshotRequested.load() == 0 && g_pictureCopyRequested.load() == 0) return 0;
    if (!frame || size <= 0 || width < 1 || height < 1 || width > 0xFFFF || height > 0xFFFF)
        return 0;
    // A frame that could not be handed over leaves its request to the next one.
    if (TakeRequest() && !PostFrame(width, height, frame, size, false)) g_snapshotRequested.fetch_add(1);
    if (g_pictureCopyRequested.exchange(0)) PostFrame(width, height, frame, size, true);
    return 0;
}

namespace {

// The options of the requests, oldest first: those with a frame on its way to the window, then
// those waiting for one (the last g_snapshotRequested of them).
std::deque<SnapshotOptions> g_requests;

void Tell(const SnapshotOptions& options, PictureOutcome outcome) {
    if (options.done) options.done(outcome);
}

bool HasExtension(const std::wstring& path, const wchar_t* extension) {
    const size_t length = wcslen(extension);
    return path.size() > length &&
           CompareStringOrdinal(path.c_str() + path.size() - length, -1, extension, -1, TRUE) == CSTR_EQUAL;
}

// Into `path`, or without one into the snapshot folder under a new dated name.
bool SaveSurface(const DibSurface& surface, const std::wstring& path) {
    bool bmp = g_settings.captureFormat != 0;
    std::wstring name = path;
    if (name.empty()) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        name = UniqueDatedFileName(g_settings.capturePath, L"capture", now, bmp ? L"bmp" : L"jpg");
        if (name.empty()) return false;  // the folder's name leaves no room for the file's
    } else {
        bmp = HasExtension(name, L".bmp");
    }
    if (bmp)
        return SaveBmp32(surface.width, surface.height, static_cast<const uint8_t*>(surface.pixels),
                         name.c_str()) == S_OK;
    return SaveJpeg(name.c_str(), surface) == 0;
}

// The 32-bit bottom-up device-independent bitmap of a surface on the clipboard.
bool CopySurfaceToClipboard(const DibSurface& surface) {
    std::vector<uint8_t> bmp = EncodeBmp32(surface.width, surface.height,
                                           static_cast<const uint8_t*>(surface.pixels));
    const size_t fileHeader = 14;  // CF_DIB is the file without its BITMAPFILEHEADER
    if (bmp.size() <= fileHeader) return false;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bmp.size() - fileHeader);
    void* bytes = memory ? GlobalLock(memory) : nullptr;
    if (!bytes) {
        if (memory) GlobalFree(memory);
        return false;
    }
    std::memcpy(bytes, bmp.data() + fileHeader, bmp.size() - fileHeader);
    GlobalUnlock(memory);
    bool copied = OpenClipboard(g_hMainWnd) && EmptyClipboard() && SetClipboardData(CF_DIB, memory);
    if (!copied) GlobalFree(memory);  // the clipboard took it only when it says so
    CloseClipboard();
    return copied;
}

// Converts, stretches to the frame's target size when it has one, and hands the picture on.
bool DeliverFrame(FrameLayout layout, const SnapshotFrame& frame, int width, int height,
                  const std::wstring& path) {
    auto deliver = [&](const DibSurface& surface) {
        return frame.toClipboard ? CopySurfaceToClipboard(surface) : SaveSurface(surface, path);
    };
    DibSurface source;
    if (!CreateDibSurface(width, height, &source)) return false;
    bool delivered = false;
    if (ConvertFrameToRgb32(layout, frame.data, frame.bytes, width, height,
                            static_cast<uint8_t*>(source.pixels),
                            static_cast<size_t>(width) * height * 4)) {
        if (frame.targetWidth > 0 && frame.targetHeight > 0) {
            DibSurface scaled;
            if (CreateDibSurface(frame.targetWidth, frame.targetHeight, &scaled)) {
                StretchBlt(scaled.dc, 0, 0, frame.targetWidth, frame.targetHeight, source.dc, 0,
                           0, width, height, SRCCOPY);
                GdiFlush();
                delivered = deliver(scaled);
                ReleaseDibSurface(&scaled);
            }
        } else {
            GdiFlush();
            delivered = deliver(source);
        }
    }
    ReleaseDibSurface(&source);
    return delivered;
}

void SaveSnapshot(FrameLayout layout, SnapshotFrame* frame, int width, int height,
                  const SnapshotOptions& options) {
    bool delivered = frame && DeliverFrame(layout, *frame, width, height, options.path);
    Tell(options, delivered ? PictureOutcome::Saved : PictureOutcome::NotSaved);
    if (!delivered) {
        bool copy = frame && frame->toClipboard;
        AfxModalSeam().messageBox(g_hMainWnd, Text(copy ? IDS_CANNOT_COPY_PICTURE : IDS_CANNOT_SAVE_IMAGE).c_str(),
                                  Text(IDS_CAPTION_WARNING).c_str(), MB_OK);
    }
    std::free(frame);
}

}  // namespace

void QueueSnapshot(SnapshotOptions options) {
    g_requests.push_back(std::move(options));
    g_snapshotRequested.fetch_add(1);
}

void WithdrawSnapshots() {
    // Requests asked for outside this queue (by count alone) have no options to tell.
    size_t withdrawn = std::min<size_t>(static_cast<size_t>(std::max(g_snapshotRequested.exchange(0), 0)), g_requests.size());
    std::vector<SnapshotOptions> told(std::make_move_iterator(g_requests.end() - static_cast<std::ptrdiff_t>(withdrawn)),
                                      std::make_move_iterator(g_requests.end()));
    g_requests.resize(g_requests.size() - withdrawn);
    for (const SnapshotOptions& options : told) Tell(options, PictureOutcome::NotTaken);
}

namespace {

// The options of the oldest request, whose frame has come (none: a default picture).
SnapshotOptions NextRequest() {
    if (g_requests.empty()) return {};
    SnapshotOptions options = std::move(g_requests.front());
    g_requests.pop_front();
    return options;
}

}  // namespace

LRESULT OnSnapshotFrame(WPARAM wParam, LPARAM lParam) {
    auto* frame = reinterpret_cast<SnapshotFrame*>(wParam);
    SnapshotOptions options;
    if (frame && !frame->toClipboard) options = NextRequest();
    if (!options.silent) {
        // The shutter sound lies beside the program, wherever the current directory is.
        std::wstring sound = ProgramFolder() + L"Effect.wav";
        PlaySoundW(sound.c_str(), nullptr, SND_FILENAME | SND_ASYNC);
        if (g_shutterSoundObserver) g_shutterSoundObserver();
    }
    int width = static_cast<int>(lParam >> 16);
    int height = static_cast<int>(lParam & 0xFFFF);
    FrameLayout layout = FrameLayout::Uyvy;
    if (frame && (frame->layout == 0 || frame->layout == 1))
        layout = frame->layout == 1 ? FrameLayout::I420 : FrameLayout::Yv12;
    else if (frame && frame->layout > 3 && IsFrameLayout(frame->layout))  // NV12 and RGB
        layout = static_cast<FrameLayout>(frame->layout);
    else if (frame && frame->layout == 2)
        layout = FrameLayout::Yuy2;
    SaveSnapshot(layout, frame, width, height, options);
    return 0;
}

void StopShutterSound() { PlaySoundW(nullptr, nullptr, 0); }

void FinishQueuedSnapshots(HWND mainWnd) {
    MSG msg;
    while (mainWnd && PeekMessageW(&msg, mainWnd, WM_SNAPSHOT, WM_SNAPSHOT, PM_REMOVE))
        OnSnapshotFrame(msg.wParam, msg.lParam);
}

void DropQueuedSnapshots(HWND mainWnd) {
    MSG msg;
    while (mainWnd && PeekMessageW(&msg, mainWnd, WM_SNAPSHOT, WM_SNAPSHOT, PM_REMOVE)) {
        auto* frame = reinterpret_cast<SnapshotFrame*>(msg.wParam);
        if (frame && !frame->toClipboard) Tell(NextRequest(), PictureOutcome::NotTaken);
        std::free(frame);
    }
}
