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

// The Windows Media ASF writer's configuration interface (dshowasf.h).
struct IWMProfile;
// {45086030-F7E4-486A-B504-826BB5792A3B}
constexpr IID IID_IConfigAsfWriter = {0x45086030, 0xF7E4, 0x486A,
                                      {0xB5, 0x04, 0x82, 0x6B, 0xB5, 0x79, 0x2A, 0x3B}};
struct
#ifdef _MSC_VER
    __declspec(uuid("45086030-F7E4-486A-B504-826BB5792A3B"))
#endif
    IConfigAsfWriter : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE ConfigureFilterUsingProfileId(DWORD profileId) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentProfileId(DWORD* profileId) = 0;
    virtual HRESULT STDMETHODCALLTYPE ConfigureFilterUsingProfileGuid(REFGUID profile) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentProfileGuid(GUID* profile) = 0;
    virtual HRESULT STDMETHODCALLTYPE ConfigureFilterUsingProfile(IWMProfile* profile) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentProfile(IWMProfile** profile) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetIndexMode(BOOL indexFile) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIndexMode(BOOL* indexFile) = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IConfigAsfWriter, 0x45086030, 0xF7E4, 0x486A, 0xB5, 0x04, 0x82, 0x6B, 0xB5, 0x79,
                0x2A, 0x3B)
#endif
