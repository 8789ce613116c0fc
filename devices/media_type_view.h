// A platform media type seen through the portable format rules.
#pragma once
#include <windows.h>
#include <dshow.h>

#include "devices/camera_format.h"

CameraFormatView ViewOf(const AM_MEDIA_TYPE& type);
