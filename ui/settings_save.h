// The save the options dialog's OK makes: every setting and the device selection, in a fixed
// order. User-interface thread only.
#pragma once

// What a save writes of the selection: a device or text that was not chosen keeps its stored
// values (null texts are not written).
struct SelectionToSave {
    bool camera = true;
    bool audioDevice = true;
    const wchar_t* audioInputText = nullptr;
    const wchar_t* resolutionText = nullptr;
    int frameRate = -1;  // frames a second, 0 for the highest; -1: not chosen
};

// Saves every setting and the selection, creating the key when needed, in this order:
// lightSource, capturePath, recordPath, CaptureFormat, videoResolution, videoDeviceName,
// videoDeviceID, audioDeviceName, then the audio device's input line and the camera's
// resolution text under the device's own value names, then the camera's frame rate.
void SaveSettings(const SelectionToSave& selection);
