// The capture session and the video window's place.
#include "capture_session.h"

#include <algorithm>

#include "devices/device_binding.h"
#include "dshow/platform_interfaces.h"
#include "preview/rgb_converter.h"
#include "settings/settings_store.h"

using Microsoft::WRL::ComPtr;

ComPtr<IGraphBuilder> g_pGraph;
ComPtr<ICaptureGraphBuilder2> g_pBuilder;
ComPtr<IMediaControl> g_pMediaControl;
ComPtr<IVideoWindow> g_pVideoWindow;
ComPtr<IMediaEventEx> g_pMediaEvent;
int g_videoTop = 0;
std::wstring g_graphCameraId;

CRgbConverter* g_previewConverter = nullptr;
CJpegCompressor* g_recordingCompressor = nullptr;

namespace {

// The camera's picture size as the preview shows it; false while no graph shows one.
bool PreviewPictureSize(int* width, int* height) {
    if (g_previewConverter) return g_previewConverter->FrameSize(width, height);
    ComPtr<IBasicVideo> video;
    long w = 0, h = 0;
    if (!g_pGraph || FAILED(g_pGraph.As(&video)) || FAILED(video->GetVideoSize(&w, &h)) || w <= 0 || h <= 0)
        return false;
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

}  // namespace

RECT FitPicture(const RECT& area, int pictureWidth, int pictureHeight) {
    const long areaWidth = area.right - area.left, areaHeight = area.bottom - area.top;
    if (pictureWidth <= 0 || pictureHeight <= 0 || areaWidth <= 0 || areaHeight <= 0) return area;
    long width = areaWidth, height = areaHeight;
    // The side that limits it: the area is wider than the picture's proportions, or taller.
    if (static_cast<long long>(areaWidth) * pictureHeight > static_cast<long long>(areaHeight) * pictureWidth)
        width = static_cast<long>((static_cast<long long>(areaHeight) * pictureWidth + pictureHeight / 2) / pictureHeight);
    else
        height = static_cast<long>((static_cast<long long>(areaWidth) * pictureHeight + pictureWidth / 2) / pictureWidth);
    const long left = area.left + (areaWidth - width) / 2, top = area.top + (areaHeight - height) / 2;
    return {left, top, left + width, top + height};
}

RECT VideoRect(HWND mainWnd) {
    RECT area;
    GetClientRect(mainWnd, &area);
    area.top = std::min<long>(g_videoTop, area.bottom);
    int width = 0, height = 0;
    if (g_settings.keepProportions && PreviewPictureSize(&width, &height)) return FitPicture(area, width, height);
    return area;
}

void ShowMirrored(bool mirrored) {
    if (g_previewConverter) {
        g_previewConverter->SetMirrored(mirrored);
        return;
    }
    ComPtr<IBaseFilter> renderer;
    ComPtr<IVMRMixerControl9> mixer;
    if (!g_pGraph || FAILED(g_pGraph->FindFilterByName(L"Video Render", &renderer)) || FAILED(renderer.As(&mixer)))
        return;
    VMR9NormalizedRect whole = mirrored ? VMR9NormalizedRect{1, 0, 0, 1} : VMR9NormalizedRect{0, 0, 1, 1};
    mixer->SetOutputRect(0, &whole);
}

void SizePreviewPictures(HWND mainWnd) {
    if (!g_previewConverter) return;
    const RECT area = VideoRect(mainWnd);
    g_previewConverter->SetVideoArea(area.right - area.left, area.bottom - area.top);
    RECT picture;
    ComPtr<IBasicVideo> video;
    if (g_pGraph && g_previewConverter->PictureRect(&picture) && SUCCEEDED(g_pGraph.As(&video)))
        video->SetSourcePosition(0, 0, picture.right, picture.bottom - picture.top);
}

void PlaceVideoWindow(HWND mainWnd) {
    if (!g_pVideoWindow) return;
    const RECT video = VideoRect(mainWnd);
    long left = 0, top = 0, width = 0, height = 0;
    g_pVideoWindow->GetWindowPosition(&left, &top, &width, &height);
    g_pVideoWindow->SetWindowPosition(video.left, video.top, video.right - video.left, video.bottom - video.top);
    SizePreviewPictures(mainWnd);
    // What the video window no longer covers is painted black by the main window.
    if (left != video.left || top != video.top || width != video.right - video.left ||
        height != video.bottom - video.top)
        InvalidateRect(mainWnd, nullptr, FALSE);
}

ComPtr<IBaseFilter> CameraForControls(const wchar_t* deviceId) {
    ComPtr<IBaseFilter> camera;
    if (!deviceId || !*deviceId) return camera;
    if (g_pGraph && g_graphCameraId == deviceId && SUCCEEDED(g_pGraph->FindFilterByName(L"Video Capture", &camera)))
        return camera;
    camera.Reset();
    BindVideoDevice(deviceId, &camera);
    return camera;
}
