// Graph construction.
#include "capture_graph.h"

#include <wrl/client.h>

#include <cstdio>

#include "capture/camera_configuration.h"
#include "capture/camera_controls.h"
#include "capture/capture_session.h"
#include "capture/capture_state.h"
#include "capture/device_catalogue.h"
#include "capture/device_enumeration.h"
#include "capture/device_id.h"
#include "capture/preview_renderer.h"
#include "capture/recording_profile.h"
#include "capture/resolution_choice.h"
#include "capture/toolbar_buttons.h"
#include "decoder/mjpeg_decoder.h"
#include "dshow/class_factory.h"
#include "dshow/platform_interfaces.h"
#include "framework/modal_seam.h"
#include "recorder/avi_writer.h"
#include "recorder/jpeg_compressor.h"
#include "grabber/grabber_sample.h"
#include "preview/rgb_converter.h"
#include "resources/resource.h"
#include "settings/settings_store.h"
#include "snapshot/frame_media_type.h"
#include "snapshot/snapshot_pipeline.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr HRESULT kNoGrabberFactory = static_cast<HRESULT>(0xFFFFFFFF);

// Binds the first device of `category` whose moniker `matches`.
template <class Matches>
HRESULT FindDevice(REFCLSID category, Matches matches, IBaseFilter** filter) {
    *filter = nullptr;
    ComPtr<IEnumMoniker> monikers;
    if (FAILED(OpenDeviceCategory(category, &monikers))) return E_FAIL;
    ComPtr<IMoniker> moniker;
    while (monikers->Next(1, &moniker, nullptr) == S_OK) {
        if (matches(moniker.Get()))
            return moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                         reinterpret_cast<void**>(filter));
        moniker.Reset();
    }
    return S_OK;  // none matched: no filter
}

bool DisplayNameIs(IMoniker* moniker, const wchar_t* id) {
    LPOLESTR display = nullptr;
    if (FAILED(moniker->GetDisplayName(nullptr, nullptr, &display)) || !display) return false;
    bool equal = DeviceIdMatches(display, id, kNameCapacity);
    CoTaskMemFree(display);
    return equal;
}

bool FriendlyNameIs(IMoniker* moniker, const wchar_t* name) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag)))) return false;
    VARIANT value;
    VariantInit(&value);
    bool equal = SUCCEEDED(bag->Read(L"FriendlyName", &value, nullptr)) && value.vt == VT_BSTR &&
                 wcscmp(value.bstrVal, name) == 0;
    VariantClear(&value);
    return equal;
}

void ReportConnectionFailure(HWND mainWnd) {
    AfxModalSeam().messageBox(mainWnd, L"Can not connect!", L"Error", MB_OK);
}

HRESULT CreateFilter(REFCLSID clsid, ComPtr<IBaseFilter>* filter) {
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(filter->ReleaseAndGetAddressOf()));
}

// The wanted size stored for the selected camera ("640 x 480"), or 0 x 0.
void StoredResolution(int* width, int* height) {
    *width = *height = 0;
    wchar_t text[kSettingCapacity];
    if (ReadSettingString(g_videoDeviceID, text)) swscanf(text, L"%d%*s%d", width, height);
}

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

HRESULT AddRecordingWriter(ComPtr<IBaseFilter>* writer) {
    HRESULT hr = CreateFilter(CLSID_WMAsfWriter, writer);
    if (FAILED(hr)) return hr;
    ComPtr<IFileSinkFilter> sink;
    hr = writer->As(&sink);
    if (FAILED(hr)) return hr;
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::wstring name = FormatRecordFileName(g_settings.recordPath, now);
    if (name.empty()) return E_FAIL;  // the folder leaves no room for the file's name
    hr = sink->SetFileName(name.c_str(), nullptr);
    if (FAILED(hr)) return hr;
    hr = g_pGraph->AddFilter(writer->Get(), L"WMV Writer");
    if (FAILED(hr)) return hr;
    if (g_settings.videoResolution == 0) hr = ConfigureRecordingProfile(*writer);
    return hr;
}

// Where the system has no Windows Media runtime: our AVI writer, the file named like a WMV
// recording but ".avi", and our JPEG compressor, which joins the graph only when the camera's
// frames need it.
HRESULT AddAviRecorder(ComPtr<IBaseFilter>* compressor, ComPtr<IBaseFilter>* writer) {
    compressor->Attach(CJpegCompressor::Create());
    writer->Attach(CAviWriter::Create());
    if (!*compressor || !*writer) return E_OUTOFMEMORY;
    ComPtr<IFileSinkFilter> sink;
    HRESULT hr = writer->As(&sink);
    if (FAILED(hr)) return hr;
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::wstring name = FormatRecordFileName(g_settings.recordPath, now, L"avi");
    if (name.empty()) return E_FAIL;  // the folder leaves no room for the file's name
    if (FAILED(hr = sink->SetFileName(name.c_str(), nullptr))) return hr;
    return g_pGraph->AddFilter(writer->Get(), L"AVI Writer");
}

// True when the camera's capture pin connected with Motion-JPEG.
bool CameraSendsJpeg(IBaseFilter* camera) {
    ComPtr<IPin> pin;
    AM_MEDIA_TYPE type{};
    if (camera->FindPin(L"0", &pin) != S_OK || FAILED(pin->ConnectionMediaType(&type))) return false;
    bool jpeg = type.subtype == MEDIASUBTYPE_MJPG;
    FreeMediaType(type);
    return jpeg;
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

// The record branch: the microphone and the tee's capture output into the writer. On the AVI
// path a camera's own JPEG frames go to the writer as they are; other frames through the
// compressor.
bool ConnectRecordBranch(IBaseFilter* tee, IBaseFilter* audio, IBaseFilter* compressor,
                         IBaseFilter* writer, bool cameraSendsJpeg) {
    if (!compressor) {  // the Windows Media writer takes uncompressed frames
        if (!ConnectPinsById(audio, L"Capture", writer, L"Audio Input 01")) return false;
        if (ConnectPinsById(tee, L"Capture", writer, L"Video Input 01")) return true;
        ComPtr<IPin> capture, video;
        return cameraSendsJpeg && tee->FindPin(L"Capture", &capture) == S_OK &&
               writer->FindPin(L"Video Input 01", &video) == S_OK &&
               ConnectThroughDecoder(capture.Get(), video.Get(), L"MJPEG Decoder for recording");
    }
    if (!ConnectPinsById(audio, L"Capture", writer, L"Audio")) return false;
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

// The preview's renderer, and on the GDI branch the RGB converter in front of it.
HRESULT AddPreviewRenderer(PreviewRenderer choice, ComPtr<IBaseFilter>* renderer,
                           ComPtr<IBaseFilter>* converter) {
    bool gdi = choice == PreviewRenderer::Gdi;
    HRESULT hr = CreateFilter(gdi ? CLSID_VideoRenderer : CLSID_VideoMixingRenderer9, renderer);
    if (FAILED(hr)) return hr;
    g_pGraph->AddFilter(renderer->Get(), L"Video Render");
    if (!gdi) return S_OK;
    converter->Attach(CRgbConverter::Create());
    if (!*converter) return E_OUTOFMEMORY;
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

}  // namespace

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

HRESULT BindVideoDevice(const wchar_t* deviceId, IBaseFilter** camera) {
    HRESULT hr = FindDevice(CLSID_VideoInputDeviceCategory,
                            [deviceId](IMoniker* m) { return DisplayNameIs(m, deviceId); }, camera);
    if (FAILED(hr)) return hr;
    return *camera ? S_OK : E_FAIL;
}

HRESULT FindVideoDevice(IBaseFilter** camera) {
    HRESULT hr = BindVideoDevice(g_videoDeviceID, camera);
    if (FAILED(hr)) return hr;
    SetPowerLineFrequency(*camera, g_settings.lightSource != 0 ? 2 : 1);
    return S_OK;
}

HRESULT FindAudioDevice(IBaseFilter** audio) {
    return FindDevice(CLSID_AudioInputDeviceCategory,
                      [](IMoniker* m) { return FriendlyNameIs(m, g_audioDeviceName); }, audio);
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
    return g_pVideoWindow->put_Visible(OATRUE);
}

HRESULT BuildCaptureGraph(HWND mainWnd) {
    const bool record = g_recordMode != 0;
    HRESULT hr = CreateCaptureSession(mainWnd);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = g_pBuilder->SetFiltergraph(g_pGraph.Get()))) return hr;

    ComPtr<IBaseFilter> camera;
    if (FAILED(hr = FindVideoDevice(&camera))) return hr;
    if (FAILED(hr = g_pGraph->AddFilter(camera.Get(), L"Video Capture"))) return hr;
    g_graphCameraId = g_videoDeviceID;
    ApplyStoredCameraControls(camera.Get(), g_videoDeviceID);  // drivers forget them

    const VideoDeviceInfo& entry = g_videoDevices[g_videoDeviceIndex];
    int wantedWidth, wantedHeight;
    StoredResolution(&wantedWidth, &wantedHeight);
    ChooseCaptureResolution(entry.widths, entry.heights, entry.resolutionCount, wantedWidth,
                            wantedHeight, &g_videoWidth, &g_videoHeight);
    g_snapshotRescale = 0;
    int requestedWidth = g_videoWidth, requestedHeight = g_videoHeight;
    if (record) {
        g_settings.videoResolution = 0;
        if (g_videoWidth < 640 || g_videoHeight < 480)
            g_snapshotRescale = NeedsSnapshotRescale(entry.widths, entry.heights, entry.resolutionCount);
        requestedWidth = 640;
        requestedHeight = 480;
    }
    SetCaptureFormat(g_pBuilder.Get(), camera.Get(), requestedWidth, requestedHeight);

    // A preview needs no microphone; a recording does.
    ComPtr<IBaseFilter> audio;
    hr = FindAudioDevice(&audio);
    if (record && FAILED(hr)) return hr;
    if (audio) {
        if (FAILED(hr = g_pGraph->AddFilter(audio.Get(), L"Audio Capture"))) return hr;
        SelectAudioInput(audio.Get(), g_audioDevices[g_audioDeviceIndex].inputCount, g_audioInputIndex);
    } else if (record) {
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
        hr = WindowsMediaRecordingAvailable() ? AddRecordingWriter(&writer)
                                              : AddAviRecorder(&compressor, &writer);
        if (FAILED(hr)) return hr;
    }

    if (!ConnectPinsById(camera.Get(), L"0", tee.Get(), L"Input")) {
        ReportConnectionFailure(mainWnd);
        return E_FAIL;
    }
    const bool jpeg = CameraSendsJpeg(camera.Get());
    if (!ConnectTeeToGrabberDecoding(tee.Get(), grabber.Get(), jpeg)) {
        ReportConnectionFailure(mainWnd);
        return E_FAIL;
    }
    FrameLayout layout;
    if (!GrabberLayout(control.Get(), &layout)) return E_FAIL;
    g_videoSubtype = static_cast<int>(layout);
    // The VMR9 may need the AVI Decompressor for the planar layouts; the converter takes them.
    if (!converter && (layout == FrameLayout::Yv12 || layout == FrameLayout::I420)) {
        ComPtr<IBaseFilter> decompressor;
        if (FAILED(hr = CreateFilter(CLSID_AVIDec, &decompressor))) return hr;
        if (FAILED(hr = g_pGraph->AddFilter(decompressor.Get(), L"AVI"))) return hr;
    }
    if (!ConnectPreviewBranch(grabber.Get(), converter.Get(), renderer.Get())) {
        ReportConnectionFailure(mainWnd);
        return E_FAIL;
    }
    if (record && !ConnectRecordBranch(tee.Get(), audio.Get(), compressor.Get(), writer.Get(), jpeg)) {
        ReportConnectionFailure(mainWnd);
        return E_FAIL;
    }

    if (FAILED(hr = AttachVideoWindow(mainWnd))) return hr;
    if (FAILED(hr = g_pMediaControl->Run())) return hr;
    if (record) {
        if (FAILED(hr = g_pMediaControl->Pause())) return hr;
        Sleep(2000);
        if (FAILED(hr = g_pMediaControl->Run())) return hr;
    }

    g_captureState = record ? Recording : Previewing;
    SetToolbarButtonEnabled(mainWnd, ID_PREVIEW, !record);
    SetToolbarButtonEnabled(mainWnd, ID_RECORD, !record);
    return S_OK;
}
