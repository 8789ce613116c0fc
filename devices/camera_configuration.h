// Configuring the devices of a graph build: the camera's format and power-line frequency, and
// the audio device's input line. Their results never decide a build.
#pragma once
#include <windows.h>
#include <dshow.h>

#include "dshow/media_type.h"

// Sets the camera's video pin to its accepted format of `width` x `height` at `rate` frames a
// second (0: the highest; the format choice of camera_format.h; an 800 x 600 format at 12.5
// frames a second is asked for at 5). A pin
// without IAMStreamConfig capabilities cannot be set: its chosen type is left in
// `connectionType` for the connection, which is otherwise empty. Every failure leaves the
// camera's format as it was.
void SetCaptureFormat(IPin* pin, int width, int height, int rate, CMediaType* connectionType);

// Sets the power-line frequency: `value` 1 for 50 Hz, 2 for 60 Hz. 0 once the camera has
// IKsPropertySet, E_FAIL when it has not.
HRESULT SetPowerLineFrequency(IBaseFilter* camera, LONG value);

// Enables the input pin `selected` of the audio device's first `inputCount` input pins and
// disables the others. The result of the last call made, 0 when there was none.
HRESULT SelectAudioInput(IBaseFilter* audio, int inputCount, int selected);

// The pin that is the `index`-th (from 0) among the filter's pins of `direction`.
HRESULT GetPinByDirection(IBaseFilter* filter, int index, PIN_DIRECTION direction, IPin** pin);
