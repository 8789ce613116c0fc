// Graph construction.
#include "capture_graph.h"

#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "capture/capture_session.h"
#include "capture/capture_state.h"
#include "capture/frame_copier.h"
#include "capture/graph_control.h"
#include "capture/graph_wait.h"
#include "capture/preview_renderer.h"
#include "capture/recording_profile.h"
#include "capture/recording_status.h"
#include "capture/toolbar_buttons.h"
#include "capture/window_title.h"
#include "decoder/mjpeg_decoder.h"
#include "devices/camera_configuration.h"
#include "devices/camera_controls.h"
#include "devices/camera_pin.h"
#include "devices/device_binding.h"
#include "devices/device_catalogue.h"
#include "devices/device_enumeration.h"
#include "devices/resolution_choice.h"
#include "dshow/class_factory.h"
#include "dshow/platform_interfaces.h"
#include "grabber/grabber_sample.h"
#include "preview/rgb_converter.h"
#include "recorder/avi_writer.h"
#include "recorder/jpeg_compressor.h"
#include "resources/resource.h"
#include "settings/settings_store.h"
#include "snapshot/frame_media_type.h"
#include "snapshot/snapshot_pipeline.h"
#include "snapshot/snapshot_request.h"

using Microsoft::WRL::ComPtr;

namespace {

// The size the recording asks the camera for (and the Windows Media profile takes).
int g_recordingWidth = 640, g_recordingHeight = 480;

constexpr HRESULT kNoGrabberFactory = static_cast<HRESULT>(0xFFFFFFFF);

HRESULT CreateFilter(REFCLSID clsid, ComPtr<IBaseFilter>* filter) {
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(filter->ReleaseAndGetAddressOf()));
}

// The wanted size stored for the selected camera ("640 x 480"), or 0 x 0.
void StoredResolution(int* width, int* height) {
    *width = *height = 0;
    wchar_t text[kSettingCapacity];
    if (ReadSettingString(g_videoDeviceID, text)) swscanf(text, L"%d%*s%d", width, height);
}

// The frame rate stored for the selected camera, or 0 (the highest).
int StoredFrameRate() { return std::max(0, ReadSettingDword(FrameRateValueName(g_videoDeviceID).c_str())); }

HRESULT CreateGrabber(ComPtr<IBaseFilter>* grabber, ComPtr<IGrabberSample>* control) {
    ComPtr<IClassFactory> factory;
    if (DllGetClassObject(CLSID_RirovirGrabber, IID_IClassFactory,
                          reinterpret_cast<void**>(factory.GetAddressOf())) != S_OK ||
        !factory)
        return kNoGrabberFactory;
    HRESULT hr = factory->CreateInstance(nullptr, IID_IBaseFilter,
                                         reinterpret_cast<void**>(grabber->GetAddressOf()));
    if (FAILED(hr)) return hr;
    hr = grabber->As(control);
    if (FAILED(hr)) return hr;
    return (*control)->SetFrameCallback(&SnapshotFrameCallback);
}

// Names the recording's file after the record folder and the time now.
HRESULT NameRecording(IBaseFilter* writer, const wchar_t* extension) {
    ComPtr<IFileSinkFilter> sink;
    HRESULT hr = writer->QueryInterface(IID_PPV_ARGS(&sink));
    if (FAILED(hr)) return hr;
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::wstring name = FormatRecordFileName(g_settings.recordPath, now, extension);
    if (name.empty()) return E_FAIL;  // the folder leaves no room for the file's name
    g_recordingFile = name;
    return sink->SetFileName(name.c_str(), nullptr);
}

HRESULT AddRecordingWriter(bool sound, ComPtr<IBaseFilter>* writer) {
    HRESULT hr = CreateFilter(CLSID_WMAsfWriter, writer);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = NameRecording(writer->Get(), L"wmv"))) return hr;
    hr = g_pGraph->AddFilter(writer->Get(), L"WMV Writer");
    if (FAILED(hr)) return hr;
    if (g_settings.videoResolution == 0)
        hr = ConfigureRecordingProfile(*writer, sound, g_recordingWidth, g_recordingHeight);
    return hr;
}

// Where the system has no Windows Media runtime: our AVI writer, the file named like a WMV
// recording but ".avi", and our JPEG compressor, which joins the graph only when the camera's
// frames need it.
HRESULT AddAviRecorder(ComPtr<IBaseFilter>* compressor, ComPtr<IBaseFilter>* writer) {
    compressor->Attach(CJpegCompressor::Create());
    writer->Attach(CAviWriter::Create());
    if (!*compressor || !*writer) return E_OUTOFMEMORY;
    g_recordingCompressor = CJpegCompressor::Of(compressor->Get());  // held by the graph once added
    HRESULT hr = NameRecording(writer->Get(), L"avi");
    if (FAILED(hr)) return hr;
    return g_pGraph->AddFilter(writer->Get(), L"AVI Writer");
}

// True when the camera's video pin connected with Motion-JPEG.
bool CameraSendsJpeg(IPin* cameraPin) {
    AM_MEDIA_TYPE type{};
    if (FAILED(cameraPin->ConnectionMediaType(&type))) return false;
    bool jpeg = type.subtype == MEDIASUBTYPE_MJPG;
    FreeMediaType(type);
    return jpeg;
}

// Asks the camera for at least 3 buffers, where it lets itself be asked: with fewer the camera
// waits for the tee between frames, and with a single one Wine's Smart Tee, which copies into
// buffers of its input's allocator, waits for ever.
void SuggestBuffers(IPin* cameraPin) {
    ComPtr<IAMBufferNegotiation> negotiation;
    if (FAILED(cameraPin->QueryInterface(IID_PPV_ARGS(&negotiation)))) return;
    ALLOCATOR_PROPERTIES wanted{3, -1, -1, -1};  // -1: the camera's own choice
    negotiation->SuggestAllocatorProperties(&wanted);
}

// The buffers the camera's frames come in, as the pin it connected to has them; 0 when unknown.
long CameraBuffers(IPin* connectedInput) {
    ComPtr<IMemInputPin> input;
    ComPtr<IMemAllocator> allocator;
    ALLOCATOR_PROPERTIES props{};
    if (FAILED(connectedInput->QueryInterface(IID_PPV_ARGS(&input))) || FAILED(input->GetAllocator(&allocator)) ||
        FAILED(allocator->GetProperties(&props)))
        return 0;
    return props.cBuffers;
}

// Puts our frame copier between a camera that gives a single buffer and the tee's input.
bool InsertFrameCopier(IPin* cameraPin, IPin* teeInput) {
    CMediaType type;
    if (FAILED(cameraPin->ConnectionMediaType(&type))) return false;
    ComPtr<IBaseFilter> copier;
    copier.Attach(CFrameCopier::Create());
    ComPtr<IPin> in, out;
    return copier && SUCCEEDED(g_pGraph->Disconnect(cameraPin)) && SUCCEEDED(g_pGraph->Disconnect(teeInput)) &&
           SUCCEEDED(g_pGraph->AddFilter(copier.Get(), L"Frame Copier")) && copier->FindPin(L"In", &in) == S_OK &&
           copier->FindPin(L"Out", &out) == S_OK && g_pGraph->ConnectDirect(cameraPin, in.Get(), &type) == S_OK &&
           g_pGraph->ConnectDirect(out.Get(), teeInput, &type) == S_OK;
}

// The camera's video pin to the tee: with the type chosen for a pin that could not be set
// beforehand (where the tee takes it as it is), else by intelligent connect; through the frame
// copier where the camera gives a single buffer.
bool ConnectCameraToTee(IPin* cameraPin, IBaseFilter* tee, const CMediaType& connectionType) {
    ComPtr<IPin> input;
    if (!cameraPin || tee->FindPin(L"Input", &input) != S_OK) return false;
    if (!(connectionType.IsValid() && g_pGraph->ConnectDirect(cameraPin, input.Get(), &connectionType) == S_OK) &&
        g_pGraph->Connect(cameraPin, input.Get()) != S_OK)
        return false;
    return CameraBuffers(input.Get()) != 1 || InsertFrameCopier(cameraPin, input.Get());
}

// True when there is no microphone to choose: no audio capture device, or one that has no
// output to record from (under Wine on a Linux desktop the system's own has no pins at all).
// A recording then records the picture alone.
bool NoMicrophone(IBaseFilter* audio) {
    ComPtr<IPin> output;
    return g_audioDeviceCount == 0 || (audio && FAILED(GetPinByDirection(audio, 0, PINDIR_OUTPUT, &output)));
}

// `from` to `to` through our own Motion-JPEG decoder, added as `name`: where intelligent connect
// found no system decoder for a camera's Motion-JPEG.
bool ConnectThroughDecoder(IPin* from, IPin* to, const wchar_t* name) {
    ComPtr<IBaseFilter> decoder;
    decoder.Attach(CMjpegDecoder::Create());
    ComPtr<IPin> input, output;
    return decoder && SUCCEEDED(g_pGraph->AddFilter(decoder.Get(), name)) && decoder->FindPin(L"In", &input) == S_OK &&
           decoder->FindPin(L"Out", &output) == S_OK && g_pGraph->Connect(from, input.Get()) == S_OK &&
           g_pGraph->Connect(output.Get(), to) == S_OK;
}

// The record branch: the microphone (where there is one to record) and the tee's capture output
// into the writer. On the AVI path a camera's own JPEG frames go to the writer as they are;
// other frames through the compressor.
bool ConnectRecordBranch(IBaseFilter* tee, IBaseFilter* audio, IBaseFilter* compressor,
                         IBaseFilter* writer, bool cameraSendsJpeg) {
    if (!compressor) {  // the Windows Media writer takes uncompressed frames
        if (audio && !ConnectPinsById(audio, L"Capture", writer, L"Audio Input 01")) return false;
        if (ConnectPinsById(tee, L"Capture", writer, L"Video Input 01")) return true;
        ComPtr<IPin> capture, video;
        return cameraSendsJpeg && tee->FindPin(L"Capture", &capture) == S_OK &&
               writer->FindPin(L"Video Input 01", &video) == S_OK &&
               ConnectThroughDecoder(capture.Get(), video.Get(), L"MJPEG Decoder for recording");
    }
    if (audio && !ConnectPinsById(audio, L"Capture", writer, L"Audio")) return false;
    if (cameraSendsJpeg) return ConnectPinsById(tee, L"Capture", writer, L"Video");
    return SUCCEEDED(g_pGraph->AddFilter(compressor, L"JPEG Compressor")) &&
           ConnectPinsById(tee, L"Capture", compressor, L"In") &&
           ConnectPinsById(compressor, L"Out", writer, L"Video");
}

// The tee's preview output to the grabber: intelligent connect (which finds a system decoder
// for Motion-JPEG where there is one), else through our own decoder.
bool ConnectTeeToGrabberDecoding(IBaseFilter* tee, IBaseFilter* grabber, bool cameraSendsJpeg) {
    if (ConnectTeeToGrabber(tee, grabber)) return true;
    ComPtr<IPin> preview, input;
    return cameraSendsJpeg && SUCCEEDED(GetPinByDirection(tee, 1, PINDIR_OUTPUT, &preview)) &&
           SUCCEEDED(GetPinByDirection(grabber, 0, PINDIR_INPUT, &input)) &&
           ConnectThroughDecoder(preview.Get(), input.Get(), L"MJPEG Decoder");
}

// The layout of the frames the grabber's input connected with; false for one that is none of ours.
bool GrabberLayout(IGrabberSample* control, FrameLayout* layout) {
    AM_MEDIA_TYPE type{};
    if (FAILED(control->GetInputConnectionType(&type))) return false;
    bool known = LayoutOfType(type, layout);
    FreeMediaType(type);
    return known;
}

REFERENCE_TIME GrabberFrameTime(IGrabberSample* control) {
    AM_MEDIA_TYPE type{};
    if (FAILED(control->GetInputConnectionType(&type))) return 0;
    const REFERENCE_TIME frameTime = FrameTimeOf(type);
    FreeMediaType(type);
    return frameTime;
}

// The preview's renderer, and on the GDI branch the RGB converter in front of it.
HRESULT AddPreviewRenderer(PreviewRenderer choice, ComPtr<IBaseFilter>* renderer,
                           ComPtr<IBaseFilter>* converter) {
    bool gdi = choice == PreviewRenderer::Gdi;
    HRESULT hr = CreateFilter(gdi ? CLSID_VideoRenderer : CLSID_VideoMixingRenderer9, renderer);
    if (FAILED(hr)) return hr;
    g_pGraph->AddFilter(renderer->Get(), L"Video Render");
    if (!gdi) {
        // Its mixer, loaded by a stream count, is what shows the picture mirrored; without a
        // mirrored view the renderer keeps its plain mode.
        ComPtr<IVMRFilterConfig9> config;
        if (g_settings.mirrorPicture && SUCCEEDED(renderer->As(&config))) config->SetNumberOfStreams(1);
        return S_OK;
    }
    converter->Attach(CRgbConverter::Create());
    if (!*converter) return E_OUTOFMEMORY;
    g_previewConverter = CRgbConverter::Of(converter->Get());  // the graph holds it from here on
    // Pictures drawn at their size for any video area up to the screen's.
    g_previewConverter->SetLargestArea(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    g_previewConverter->SetSourceCountedFromBottom(RunningUnderWine());
    return g_pGraph->AddFilter(converter->Get(), L"RGB Converter");
}

// The grabber's output to the renderer, through the converter when there is one.
bool ConnectPreviewBranch(IBaseFilter* grabber, IBaseFilter* converter, IBaseFilter* renderer) {
    if (!converter) return ConnectPinsById(grabber, L"Out", renderer, L"VMR Input0");
    ComPtr<IPin> output, input;
    if (!ConnectPinsById(grabber, L"Out", converter, L"In") ||
        converter->FindPin(L"Out", &output) != S_OK ||
        FAILED(GetPinByDirection(renderer, 0, PINDIR_INPUT, &input)))
        return false;
    return g_pGraph->Connect(output.Get(), input.Get()) == S_OK;
}

unsigned g_framesAtRun = 0;
REFERENCE_TIME g_frameTimeOfRun = 0;

// The codes a camera refuses to open or start with because another program holds it, or because
// the privacy settings keep it from programs; some drivers say "cannot connect" then.
bool HeldElsewhere(HRESULT hr) {
    return hr == HRESULT_FROM_WIN32(ERROR_BUSY) || hr == HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION) ||
           hr == HRESULT_FROM_WIN32(ERROR_NO_SYSTEM_RESOURCES) || hr == E_ACCESSDENIED || hr == VFW_E_CANNOT_CONNECT;
}

// Run or Pause of the session's graph, bounded: kCameraNotResponding when it did not return in
// time (it goes on alone), kCameraBusy when the camera is held elsewhere.
HRESULT RunGraph(HRESULT (STDMETHODCALLTYPE IMediaControl::*change)()) {
    if (!g_pMediaControl) return E_ABORT;  // torn down during a wait (the session ended)
    g_framesAtRun = g_framesGrabbed.load();
    auto result = std::make_shared<HRESULT>(E_FAIL);
    if (!CallBounded([control = g_pMediaControl, change, result] {
            HRESULT hr = (control.Get()->*change)();
            // A run still under way: what it came to is what the graph's state says once it is
            // over (a filter that would not start, as a camera held elsewhere).
            OAFilterState state;
            if (hr == S_FALSE && change == &IMediaControl::Run) {
                const HRESULT reached = control->GetState(kGraphCallLimitMs / 2, &state);
                if (FAILED(reached)) hr = reached;
            }
            *result = hr;
        }))
        return kCameraNotResponding;
    if (!g_pMediaControl) return E_ABORT;
    return HeldElsewhere(*result) ? kCameraBusy : *result;
}

}  // namespace

unsigned FramesSinceRun() { return g_framesGrabbed.load() - g_framesAtRun; }

REFERENCE_TIME FrameTimeOfRun() { return g_frameTimeOfRun; }

HRESULT CreateCaptureSession(HWND mainWnd) {
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(&g_pGraph));
    if (FAILED(hr)) return hr;
    hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                          IID_PPV_ARGS(&g_pBuilder));
    if (FAILED(hr)) return hr;
    if (FAILED(hr = g_pGraph.As(&g_pMediaControl))) return hr;
    if (FAILED(hr = g_pGraph.As(&g_pVideoWindow))) return hr;
    if (FAILED(hr = g_pGraph.As(&g_pMediaEvent))) return hr;
    return g_pMediaEvent->SetNotifyWindow(reinterpret_cast<OAHWND>(mainWnd), WM_GRAPHNOTIFY, 0);
}

bool ConnectPinsById(IBaseFilter* source, const wchar_t* sourcePin, IBaseFilter* target,
                     const wchar_t* targetPin) {
    ComPtr<IPin> from, to;
    if (source->FindPin(sourcePin, &from) != S_OK || target->FindPin(targetPin, &to) != S_OK)
        return false;
    return g_pGraph->Connect(from.Get(), to.Get()) == S_OK;
}

bool ConnectTeeToGrabber(IBaseFilter* tee, IBaseFilter* grabber) {
    ComPtr<IPin> preview, input;
    if (FAILED(GetPinByDirection(tee, 1, PINDIR_OUTPUT, &preview)) ||
        FAILED(GetPinByDirection(grabber, 0, PINDIR_INPUT, &input)))
        return false;
    return g_pGraph->Connect(preview.Get(), input.Get()) == S_OK;
}

HRESULT AttachVideoWindow(HWND mainWnd) {
    HRESULT hr = g_pVideoWindow->put_Owner(reinterpret_cast<OAHWND>(mainWnd));
    if (FAILED(hr)) return hr;
    hr = g_pVideoWindow->put_WindowStyle(WS_CHILD | WS_CLIPCHILDREN);
    if (FAILED(hr)) return hr;
    PlaceVideoWindow(mainWnd);
    ShowMirrored(g_settings.mirrorPicture != 0);
    return g_pVideoWindow->put_Visible(OATRUE);
}

HRESULT BuildCaptureGraph(HWND mainWnd) {
    const bool record = g_recordMode != 0;
    g_recordingWithoutSound = false;
    if (record) {
        g_recordingStarting = true;  // until the recording begins, or the build fails
        ShowCaptureTitle(mainWnd);
    }
    HRESULT hr = CreateCaptureSession(mainWnd);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = g_pBuilder->SetFiltergraph(g_pGraph.Get()))) return hr;

    ComPtr<IBaseFilter> camera;
    // No camera to be had: perhaps the one there is was held elsewhere when the devices were listed.
    if (FAILED(hr = FindVideoDevice(&camera))) return HeldElsewhere(hr) || HeldElsewhere(CameraOpenFailure()) ? kCameraBusy : hr;
    if (FAILED(hr = g_pGraph->AddFilter(camera.Get(), L"Video Capture"))) return hr;
    g_graphCameraId = g_videoDeviceID;
    ApplyStoredCameraControls(camera.Get(), g_videoDeviceID);  // drivers forget them
    ComPtr<IPin> cameraPin;  // none: the connection below fails
    FindCameraPin(camera.Get(), &cameraPin);

    const VideoDeviceInfo& entry = g_videoDevices[g_videoDeviceIndex];
    int wantedWidth, wantedHeight;
    StoredResolution(&wantedWidth, &wantedHeight);
    ChooseCaptureResolution(entry.widths, entry.heights, entry.resolutionCount, wantedWidth,
                            wantedHeight, &g_videoWidth, &g_videoHeight);
    g_snapshotRescale = 0;
    int requestedWidth = g_videoWidth, requestedHeight = g_videoHeight;
    const bool previewSize = g_settings.recordAtPreviewResolution && g_videoWidth > 0 && g_videoHeight > 0;
    if (record) {
        g_settings.videoResolution = 0;
        if (previewSize) {  // the recording keeps the size chosen for the preview
        } else {
            if (g_videoWidth < 640 || g_videoHeight < 480)
                g_snapshotRescale = NeedsSnapshotRescale(entry.widths, entry.heights, entry.resolutionCount);
            requestedWidth = 640;
            requestedHeight = 480;
        }
    }
    g_recordingWidth = requestedWidth;
    g_recordingHeight = requestedHeight;
    CMediaType connectionType;
    if (cameraPin) {
        // The chosen rate goes with the chosen size only (a recording at 640 x 480 takes the highest).
        const bool chosenSize = requestedWidth == wantedWidth && requestedHeight == wantedHeight;
        SetCaptureFormat(cameraPin.Get(), requestedWidth, requestedHeight, chosenSize ? StoredFrameRate() : 0,
                         &connectionType);
        SuggestBuffers(cameraPin.Get());
    }

    // A preview needs no microphone; a recording records one where there is one to choose.
    ComPtr<IBaseFilter> audio;
    hr = FindAudioDevice(&audio);
    const bool sound = record && !NoMicrophone(audio.Get());
    if (sound && FAILED(hr)) return hr;
    if (audio) {
        if (FAILED(hr = g_pGraph->AddFilter(audio.Get(), L"Audio Capture"))) return hr;
        SelectAudioInput(audio.Get(), g_audioDevices[g_audioDeviceIndex].inputCount, g_audioInputIndex);
    } else if (sound) {
        return g_pGraph->AddFilter(nullptr, L"Audio Capture");  // no device of that name
    }

    ComPtr<IBaseFilter> tee, renderer, converter, grabber;
    if (FAILED(hr = CreateFilter(CLSID_SmartTee, &tee))) return hr;
    g_pGraph->AddFilter(tee.Get(), L"Smart Tee");
    ComPtr<IGrabberSample> control;
    if (FAILED(hr = CreateGrabber(&grabber, &control))) return hr;
    if (FAILED(hr = AddPreviewRenderer(ChoosePreviewRenderer(), &renderer, &converter))) return hr;
    if (FAILED(hr = g_pGraph->AddFilter(grabber.Get(), L"RirovirGrabber"))) return hr;

    ComPtr<IBaseFilter> writer, compressor;
    if (record) {
        hr = WindowsMediaRecordingAvailable() ? AddRecordingWriter(sound, &writer)
                                              : AddAviRecorder(&compressor, &writer);
        if (FAILED(hr)) return hr;
    }

    if (!ConnectCameraToTee(cameraPin.Get(), tee.Get(), connectionType)) {
        return kConnectionFailed;
    }
    const bool jpeg = CameraSendsJpeg(cameraPin.Get());
    if (!ConnectTeeToGrabberDecoding(tee.Get(), grabber.Get(), jpeg)) {
        return kConnectionFailed;
    }
    FrameLayout layout;
    if (!GrabberLayout(control.Get(), &layout)) return E_FAIL;
    g_frameTimeOfRun = GrabberFrameTime(control.Get());
    g_videoSubtype = static_cast<int>(layout);
    // The VMR9 may need the AVI Decompressor for the planar layouts; the converter takes them.
    if (!converter && (layout == FrameLayout::Yv12 || layout == FrameLayout::I420)) {
        ComPtr<IBaseFilter> decompressor;
        if (FAILED(hr = CreateFilter(CLSID_AVIDec, &decompressor))) return hr;
        if (FAILED(hr = g_pGraph->AddFilter(decompressor.Get(), L"AVI"))) return hr;
    }
    if (!ConnectPreviewBranch(grabber.Get(), converter.Get(), renderer.Get())) {
        return kConnectionFailed;
    }
    if (record && !ConnectRecordBranch(tee.Get(), sound ? audio.Get() : nullptr, compressor.Get(), writer.Get(), jpeg)) {
        return kConnectionFailed;
    }

    if (FAILED(hr = AttachVideoWindow(mainWnd))) return hr;
    if (FAILED(hr = RunGraph(&IMediaControl::Run))) return hr;
    if (record) {
        // The devices settle while the graph pauses; the window answers meanwhile, and a Stop
        // or closing it ends the pause early (and the recording right after it begins).
        if (FAILED(hr = RunGraph(&IMediaControl::Pause))) return hr;
        if (compressor) CAviWriter::Of(writer.Get())->BeginAtNextRun();  // our AVI writer
        PauseAnswering(2000);
        if (FAILED(hr = RunGraph(&IMediaControl::Run))) return hr;
        g_recordingStarting = false;
        BeginRecordingStatus();
        SetTimer(mainWnd, kRecordingTimer, 1000, nullptr);
    }
    SetTimer(mainWnd, kFirstFrameTimer, kFirstFrameLimitMs, nullptr);

    g_captureState = record ? Recording : Previewing;
    g_recordingWithoutSound = record && !sound;
    SetToolbarButtonEnabled(mainWnd, ID_PREVIEW, !record);
    SetToolbarButtonEnabled(mainWnd, ID_RECORD, !record);
    ShowCaptureTitle(mainWnd);
    return S_OK;
}
