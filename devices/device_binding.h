// Binding the selected devices' filters from the system device enumerator: the camera by its
// device ID, the audio capture device by its friendly name.
#pragma once
#include <windows.h>
#include <dshow.h>

// The camera of that device ID, bound anew; E_FAIL when there is none.
HRESULT BindVideoDevice(const wchar_t* deviceId, IBaseFilter** camera);
// The selected camera (by device ID), with the power-line frequency of the settings set on it.
HRESULT FindVideoDevice(IBaseFilter** camera);
// The selected audio device (by friendly name); 0 with no filter when none has that name.
HRESULT FindAudioDevice(IBaseFilter** audio);
