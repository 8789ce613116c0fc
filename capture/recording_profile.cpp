// Recording profile and file naming.
#include "recording_profile.h"

#include <dvdmedia.h>

#include <algorithm>
#include <memory>
#include <new>

#include "dshow/platform_interfaces.h"
#include "snapshot/dated_file_name.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr DWORD kRecordingProfileIndex = 11;
constexpr int kRecordWidth = 640;
constexpr int kRecordHeight = 480;

// The version of the system profile set: asked for as 8.0, then what the manager reports.
WMT_VERSION g_systemProfileVersion = WMT_VER_8_0;

using CreateProfileManager = HRESULT(WINAPI*)(IWMProfileManager**);

// WMCreateProfileManager from the system's wmvcore.dll (there is no import library for it).
CreateProfileManager FindCreateProfileManager() {
    wchar_t path[MAX_PATH];
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length + 12 >= MAX_PATH) return nullptr;
    lstrcatW(path, L"\\wmvcore.dll");
    HMODULE module = LoadLibraryW(path);  // kept for the life of the program
    if (!module) return nullptr;
    return reinterpret_cast<CreateProfileManager>(
        reinterpret_cast<void*>(GetProcAddress(module, "WMCreateProfileManager")));
}

CreateProfileManager ProfileManagerFactory() {
    static const CreateProfileManager create = FindCreateProfileManager();
    return create;
}

// A profile manager that has no system profiles at all, or no class behind it.
bool MeansNoProfiles(HRESULT hr) {
    return hr == E_NOTIMPL || hr == REGDB_E_CLASSNOTREG || hr == CLASS_E_CLASSNOTAVAILABLE ||
           hr == HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
}

}  // namespace

std::wstring FormatRecordFileName(const wchar_t* recordPath, const SYSTEMTIME& time,
                                  const wchar_t* extension) {
    return UniqueDatedFileName(recordPath, L"Video", time, extension, kMaxRecordFileName);
}

HRESULT LoadRecordingProfile(IWMProfile** profile) {
    if (!profile) return E_POINTER;
    CreateProfileManager create = ProfileManagerFactory();
    if (!create) return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    ComPtr<IWMProfileManager> manager;
    HRESULT hr = create(&manager);
    if (FAILED(hr)) return hr;
    ComPtr<IWMProfileManager2> manager2;
    if (FAILED(manager.As(&manager2))) return E_UNEXPECTED;
    hr = manager2->SetSystemProfileVersion(g_systemProfileVersion);
    if (FAILED(hr)) return hr;
    hr = manager2->GetSystemProfileVersion(&g_systemProfileVersion);
    if (FAILED(hr)) return hr;
    DWORD count = 0;
    hr = manager->GetSystemProfileCount(&count);
    if (FAILED(hr)) return hr;
    if (count <= kRecordingProfileIndex) return E_INVALIDARG;
    return manager->LoadSystemProfile(kRecordingProfileIndex, profile);
}

bool WindowsMediaRecordingAvailable() {
    ComPtr<IBaseFilter> writer;
    if (FAILED(CoCreateInstance(CLSID_WMAsfWriter, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&writer))))
        return false;
    CreateProfileManager create = ProfileManagerFactory();
    ComPtr<IWMProfileManager> manager;
    ComPtr<IWMProfileManager2> manager2;
    if (!create || FAILED(create(&manager)) || FAILED(manager.As(&manager2))) return false;
    HRESULT hr = manager2->SetSystemProfileVersion(WMT_VER_8_0);
    if (MeansNoProfiles(hr)) return false;
    DWORD count = 0;
    return !MeansNoProfiles(manager->GetSystemProfileCount(&count));
}

namespace {

// Takes the profile's audio streams out, for a recording without sound.
HRESULT RemoveAudioStreams(IWMProfile* profile) {
    DWORD count = 0;
    HRESULT hr = profile->GetStreamCount(&count);
    if (FAILED(hr)) return hr;
    for (DWORD i = count; i-- > 0;) {
        ComPtr<IWMStreamConfig> stream;
        GUID kind = GUID_NULL;
        if (FAILED(hr = profile->GetStream(i, &stream)) || FAILED(hr = stream->GetStreamType(&kind))) return hr;
        if (kind == WMMEDIATYPE_Audio && FAILED(hr = profile->RemoveStream(stream.Get()))) return hr;
    }
    return S_OK;
}

}  // namespace

HRESULT ConfigureRecordingProfile(ComPtr<IBaseFilter> writer, bool sound, int width, int height) {
    ComPtr<IConfigAsfWriter> config;
    HRESULT hr = writer.As(&config);
    if (FAILED(hr)) return hr;
    ComPtr<IWMProfile> profile;
    hr = LoadRecordingProfile(&profile);
    if (FAILED(hr)) return hr;
    ComPtr<IWMStreamConfig> stream;
    hr = profile->GetStream(1, &stream);
    if (FAILED(hr)) return hr;
    ComPtr<IWMMediaProps> props;
    hr = stream.As(&props);
    if (FAILED(hr)) return hr;

    DWORD size = 0;
    props->GetMediaType(nullptr, &size);
    if (size >= sizeof(WM_MEDIA_TYPE)) {
        std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[size]());
        auto* type = reinterpret_cast<WM_MEDIA_TYPE*>(buffer.get());
        // The format block lies inside the buffer the manager filled.
        auto inside = [&](const BYTE* block) {
            return block >= buffer.get() && block + sizeof(VIDEOINFOHEADER) <= buffer.get() + size;
        };
        if (buffer && props->GetMediaType(type, &size) == S_OK && type->pbFormat &&
            type->cbFormat >= sizeof(VIDEOINFOHEADER) && inside(type->pbFormat)) {
            auto* video = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat);
            video->rcSource = {0, 0, width, height};
            video->rcTarget = {0, 0, width, height};
            video->bmiHeader.biWidth = width;
            video->bmiHeader.biHeight = height;
            // Other sizes keep the profile's quality: its bit rate goes with the pixel count.
            const double pixels = double(width) * height / (double(kRecordWidth) * kRecordHeight);
            DWORD rate = 0;
            if (pixels != 1 && SUCCEEDED(stream->GetBitrate(&rate))) {
                const DWORD scaled = static_cast<DWORD>(std::min(rate * pixels, 4.0e9));
                video->dwBitRate = scaled;
                stream->SetBitrate(scaled);
            }
            props->SetMediaType(type);
            profile->ReconfigStream(stream.Get());
        }
    }
    if (!sound && FAILED(hr = RemoveAudioStreams(profile.Get()))) return hr;
    return config->ConfigureFilterUsingProfile(profile.Get());
}
