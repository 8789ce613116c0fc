// The frame grabber's control interface and identifiers.
#pragma once
#include <windows.h>
#include <dshow.h>

// Called on the streaming thread for every frame: width and height in pixels, the frame's
// bytes (valid only during the call) and their count. The result is ignored.
using FrameCallback = int (*)(int width, int height, BYTE* frame, int size);

// {846F9EF4-2BCA-46E3-A7F4-19EA732817D3}
constexpr CLSID CLSID_RirovirGrabber = {
    0x846F9EF4, 0x2BCA, 0x46E3, {0xA7, 0xF4, 0x19, 0xEA, 0x73, 0x28, 0x17, 0xD3}};
// {A639A5C9-313B-4F4F-A155-A58C9EA6BBE8}
constexpr IID IID_IGrabberSample = {
    0xA639A5C9, 0x313B, 0x4F4F, {0xA1, 0x55, 0xA5, 0x8C, 0x9E, 0xA6, 0xBB, 0xE8}};

struct
#ifdef _MSC_VER
    __declspec(uuid("A639A5C9-313B-4F4F-A155-A58C9EA6BBE8"))
#endif
    IGrabberSample : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetOfferedType(const AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetInputConnectionType(AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE UseInputBuffer(ALLOCATOR_PROPERTIES props, BYTE* buffer) = 0;
    // Query call (buffer null): *size receives the frame size. Grab call: waits up to 1000 ms
    // for the next delivered frame and copies *size bytes of it into buffer.
    virtual HRESULT STDMETHODCALLTYPE GrabNextFrame(LONG* size, BYTE* buffer,
                                                    AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved1(LONG value) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved2(LONG value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetFrameSize(LONG height, LONG width) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetFrameCallback(FrameCallback callback) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFrameSize(LONG* width, LONG* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetInputSubtype(GUID* subtype) = 0;
};

#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IGrabberSample, 0xA639A5C9, 0x313B, 0x4F4F, 0xA1, 0x55, 0xA5, 0x8C, 0x9E, 0xA6,
                0xBB, 0xE8)
#endif
