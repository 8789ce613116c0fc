// The capture session and the video window's place.
#include "capture_session.h"

#include "devices/device_binding.h"
#include "dshow/platform_interfaces.h"
#include "preview/rgb_converter.h"

using Microsoft::WRL::ComPtr;

ComPtr<IGraphBuilder> g_pGraph;
ComPtr<ICaptureGraphBuilder2> g_pBuilder;
ComPtr<IMediaControl> g_pMediaControl;
ComPtr<IVideoWindow> g_pVideoWindow;
ComPtr<IMediaEventEx> g_pMediaEvent;
int g_videoTop = 0;
std::wstring g_graphCameraId;

CRgbConverter* g_previewConverter = nullptr;

void SizePreviewPictures(HWND mainWnd) {
    if (!g_previewConverter) return;
    RECT client;
    GetClientRect(mainWnd, &client);
    g_previewConverter->SetVideoArea(client.right, client.bottom - g_videoTop);
    RECT picture;
    ComPtr<IBasicVideo> video;
    if (g_pGraph && g_previewConverter->PictureRect(&picture) && SUCCEEDED(g_pGraph.As(&video)))
        video->SetSourcePosition(0, 0, picture.right, picture.bottom - picture.top);
}

void PlaceVideoWindow(HWND mainWnd) {
    if (!g_pVideoWindow) return;
    RECT client;
    GetClientRect(mainWnd, &client);
    g_pVideoWindow->SetWindowPosition(0, g_videoTop, client.right, client.bottom - g_videoTop);
    SizePreviewPictures(mainWnd);
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
