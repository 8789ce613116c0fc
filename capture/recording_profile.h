// The recording's file name and the Windows Media writer's profile: system profile 11 of the
// version 8.0 set, with its video stream set to 640 x 480 (or the size the recording keeps, its
// video bit rate scaled by the number of pixels).
#pragma once
#include <windows.h>
#include <dshow.h>
#include <wmsdkidl.h>
#include <wrl/client.h>

#include <string>

// The name buffer of a recording holds 255 characters and the terminator.
constexpr size_t kMaxRecordFileName = 255;

// "<recordPath>\VideoYYYYMMDDhhmmss.wmv" (or another extension) of `time`, with "-2", "-3", ...
// before the extension when such a file exists. Empty when the name would not fit
// kMaxRecordFileName characters.
std::wstring FormatRecordFileName(const wchar_t* recordPath, const SYSTEMTIME& time,
                                  const wchar_t* extension = L"wmv");

// True when the system can record Windows Media: the ASF writer can be created and the
// profile manager has system profiles at all (how many is the recording's own check). Where
// it cannot, recordings are Motion-JPEG AVI files of our own.
bool WindowsMediaRecordingAvailable();

// System profile 11 of the version 8.0 set from the platform's profile manager.
// E_INVALIDARG when the set has 11 profiles or fewer.
HRESULT LoadRecordingProfile(IWMProfile** profile);

// Configures the writer with the recording profile at `width` x `height`, without its audio
// stream when the recording has no `sound`. The HRESULT of the first failing step, else that of
// ConfigureFilterUsingProfile.
HRESULT ConfigureRecordingProfile(Microsoft::WRL::ComPtr<IBaseFilter> writer, bool sound = true, int width = 640,
                                  int height = 480);
