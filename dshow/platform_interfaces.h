// Identifiers and interfaces of the platform that the MinGW headers lack, declared once from
// their public definitions. The identifiers themselves come from the strmiids library.
#pragma once
#include <windows.h>
#include <dshow.h>
#include <d3d9.h>
#include <vmr9.h>

EXTERN_C const IID IID_IMixerPinConfig;  // {593CDDE1-0759-11D1-9E69-00C04FD7C15B}
EXTERN_C const GUID MEDIASUBTYPE_I420;   // {30323449-0000-0010-8000-00AA00389B71}

// Interface identifiers that ComPtr and IID_PPV_ARGS look up by type.
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IMediaEvent, 0x56a868b6, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70)
__CRT_UUID_DECL(IMediaEventEx, 0x56a868c0, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70)
__CRT_UUID_DECL(IVideoWindow, 0x56a868b4, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70)
__CRT_UUID_DECL(IBasicVideo, 0x56a868b5, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70)
#endif
