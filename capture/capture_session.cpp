// The capture session and the video window's place.
#include "capture_session.h"

using Microsoft::WRL::ComPtr;

ComPtr<IGraphBuilder> g_pGraph;
ComPtr<ICaptureGraphBuilder2> g_pBuilder;
ComPtr<IMediaControl> g_pMediaControl;
ComPtr<IVideoWindow> g_pVideoWindow;
ComPtr<IMediaEventEx> g_pMediaEvent;
int g_videoTop = 0;
std::wstring g_graphCameraId;

void PlaceVideoWindow(HWND mainWnd) {
    if (!g_pVideoWindow) return;
    RECT client;
    GetClientRect(mainWnd, &client);
    g_pVideoWindow->SetWindowPosition(0, g_videoTop, client.right, client.bottom - g_videoTop);
}
