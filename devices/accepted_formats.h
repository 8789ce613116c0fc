// The accepted formats a camera's video pin offers: both the device enumeration and the
// camera's configuration look at every format the camera reports.
#pragma once
#include <windows.h>
#include <dshow.h>

#include <functional>

#include "devices/camera_format.h"

// Calls `visit` with each accepted format among the pin's offers, in order, until it returns
// true; the type is freed after the call. The offers are the pin's IAMStreamConfig
// capabilities, or, where it has no IAMStreamConfig or reports no capability, its media types
// (`config` is then null). Nothing is visited when its capabilities are not 128-byte video
// capabilities. A format's frame interval is its AvgTimePerFrame, or where that is 0 the
// capability's shortest frame interval.
using AcceptedFormatVisitor =
    std::function<bool(IAMStreamConfig* config, AM_MEDIA_TYPE* type, const VideoInfoFacts& facts)>;
void ForEachAcceptedFormat(IPin* pin, const AcceptedFormatVisitor& visit);
