// The capture session: the interfaces of the one graph that exists at a time, null while
// there is none. Created by the graph build, released only by the teardown. User-interface
// thread only.
#pragma once
#include <windows.h>
#include <dshow.h>
#include <wrl/client.h>

#include <string>

extern Microsoft::WRL::ComPtr<IGraphBuilder> g_pGraph;
extern Microsoft::WRL::ComPtr<ICaptureGraphBuilder2> g_pBuilder;
extern Microsoft::WRL::ComPtr<IMediaControl> g_pMediaControl;
extern Microsoft::WRL::ComPtr<IVideoWindow> g_pVideoWindow;
extern Microsoft::WRL::ComPtr<IMediaEventEx> g_pMediaEvent;

// The device ID of the camera in the graph ("Video Capture"), empty while there is none.
extern std::wstring g_graphCameraId;

// Top edge, in client pixels, of the video area under the toolbar (toolbar height + 3).
extern int g_videoTop;

// The preview's RGB converter in the graph (held by the graph), or null: told the video area's
// size, it delivers pictures at that size where the frames are larger.
class CRgbConverter;
extern CRgbConverter* g_previewConverter;

// The recording's JPEG compressor in the graph (held by the graph), or null: it counts the frames
// it dropped because the machine could not keep up.
class CJpegCompressor;
extern CJpegCompressor* g_recordingCompressor;

// Places the renderer's window over the main window's client area below g_videoTop (the video
// area), when a renderer window exists, and sizes the preview's pictures to it.
void PlaceVideoWindow(HWND mainWnd);
// Where the video goes in the main window's client area: the video area, or when the picture's
// proportions are kept, the largest rectangle of the picture's proportions centred in it.
RECT VideoRect(HWND mainWnd);
// The largest rectangle of the proportions `pictureWidth` x `pictureHeight` centred in `area`
// (the area itself for an empty picture or area).
RECT FitPicture(const RECT& area, int pictureWidth, int pictureHeight);
// Shows the preview mirrored left to right, or not: the converter mirrors on the GDI branch,
// the mixer's output rectangle on the VMR9's (its mixer is loaded when the graph is built with
// the view mirrored; turned on later, the mirror shows from the next start). Snapshots and
// recordings are never mirrored.
void ShowMirrored(bool mirrored);
// Tells the converter the video area's size and, once it is connected, has the renderer show
// the part of its pictures that the converter fills.
void SizePreviewPictures(HWND mainWnd);

// The camera to change the controls of: the running graph's when it is that device (so that the
// user sees the changes), else the device bound anew; null when there is none.
Microsoft::WRL::ComPtr<IBaseFilter> CameraForControls(const wchar_t* deviceId);
