// Identifiers and interfaces of the platform that the MinGW headers lack, declared once from
// their public definitions. The identifiers themselves come from the strmiids library.
#pragma once
#include <windows.h>
#include <dshow.h>
#include <d3d9.h>
#include <vmr9.h>

EXTERN_C const IID IID_IMixerPinConfig;  // {593CDDE1-0759-11D1-9E69-00C04FD7C15B}
EXTERN_C const GUID MEDIASUBTYPE_I420;   // {30323449-0000-0010-8000-00AA00389B71}
