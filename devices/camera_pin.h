// The camera's video output pin, found by its category (IKsPropertySet, AMPROPSETID_Pin) rather
// than by an ID: cameras number and name their pins in their own ways.
#pragma once
#include <windows.h>
#include <dshow.h>

// The camera's video pin by the rule of camera_pin_choice.h, with a reference for the caller.
// E_POINTER for a null camera or place; E_FAIL when the camera has no such pin.
HRESULT FindCameraPin(IBaseFilter* camera, IPin** pin);
