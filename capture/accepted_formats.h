// The accepted formats a camera's capture pin offers through IAMStreamConfig: both the device
// enumeration and the camera's configuration look at every capability the camera reports.
#pragma once
#include <windows.h>
#include <dshow.h>

#include <functional>

#include "capture/camera_format.h"

// Calls `visit` with each accepted format among the pin's capabilities, in order, until it
// returns true; the type is freed after the call. Nothing is visited when the pin has no
// IAMStreamConfig or its capabilities are not 128-byte video capabilities.
using AcceptedFormatVisitor =
    std::function<bool(IAMStreamConfig* config, AM_MEDIA_TYPE* type, const VideoInfoFacts& facts)>;
void ForEachAcceptedFormat(ICaptureGraphBuilder2* builder, IBaseFilter* camera,
                           const AcceptedFormatVisitor& visit);
