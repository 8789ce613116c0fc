// Construction of the one graph that runs at a time: camera -> Smart Tee -> frame grabber ->
// Video Mixing Renderer 9 drawing under the toolbar (under Wine our RGB converter and the GDI
// Video Renderer), plus, when recording, the camera's capture stream and the microphone into
// the Windows Media ASF writer, or, where the system has no Windows Media runtime, into our
// JPEG compressor and AVI writer. A camera's Motion-JPEG is decoded where the grabber needs it.
#pragma once
#include <windows.h>
#include <dshow.h>

// The graph's event notification, posted to the main window.
constexpr UINT WM_GRAPHNOTIFY = WM_APP + 1;
// A build whose Run or Pause did not return in time: the camera is stuck.
constexpr HRESULT kCameraNotResponding = HRESULT_FROM_WIN32(ERROR_TIMEOUT);
// A build whose filters could not be connected.
constexpr HRESULT kConnectionFailed = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x5701);
// A build whose camera would not start: another program holds it, or the privacy settings
// keep it from programs.
constexpr HRESULT kCameraBusy = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x5702);

// Builds and runs the graph of the mode in g_recordMode; the capture session must be empty.
// 0 on success; kConnectionFailed, kCameraNotResponding or kCameraBusy; E_FAIL for an
// unsupported subtype; 0xFFFFFFFF when the grabber's class factory cannot be had; E_ABORT when
// the graph was torn down during one of its waits (the session ended); otherwise the failing
// call's HRESULT. Tells the user nothing. On failure the session is left as far as it got.
HRESULT BuildCaptureGraph(HWND mainWnd);
// Frames that have passed the grabber since the graph last ran.
unsigned FramesSinceRun();
// The frame time of the running graph's frames (100-ns units; 0: not known).
REFERENCE_TIME FrameTimeOfRun();

HRESULT CreateCaptureSession(HWND mainWnd);
bool ConnectPinsById(IBaseFilter* source, const wchar_t* sourcePin, IBaseFilter* target,
                     const wchar_t* targetPin);
bool ConnectTeeToGrabber(IBaseFilter* tee, IBaseFilter* grabber);
HRESULT AttachVideoWindow(HWND mainWnd);
