// Small filters of our own for the grabber tests: a source the test pushes samples through on
// its own thread, and a sink that keeps what reaches it. The sink can pose as a video renderer
// (IVMRFilterConfig9 on the filter, or IMixerPinConfig on its pin) and can attach a wider type
// to the first buffer it hands out, as renderers do when they want another row pitch.
#pragma once
#include <windows.h>
#include <dshow.h>

#include <functional>
#include <mutex>
#include <vector>

#include "dshow/base_filter.h"
#include "dshow/platform_interfaces.h"
#include "dshow/input_pin.h"
#include "dshow/mem_allocator.h"
#include "dshow/output_pin.h"

namespace testsupport {

// A media type of video `subtype` (YUY2, UYVY, YV12 or I420 four-character code) with a
// VIDEOINFOHEADER of `width` x `height` at the layout's bit count.
CMediaType VideoType(DWORD fourcc, int width, int height);

class CTestSourcePin;

class CTestSource : public CBaseFilter {
public:
    // Its buffers hold a frame of `type`, or `bufferBytes` where that is more (for frames of a
    // larger type pushed later).
    explicit CTestSource(const CMediaType& type, long bufferBytes = 0);
    ~CTestSource() override;
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override;
    IPin* OutputPin() const;

    struct Push {
        const BYTE* data;
        long length;
        bool syncPoint = true;
        bool timed = true;
        REFERENCE_TIME start = 0;
        DWORD streamId = AM_STREAM_MEDIA;
        const AM_MEDIA_TYPE* type = nullptr;  // attached to the sample: a new format from here on
    };
    // Delivers one sample on the calling thread; the downstream result.
    HRESULT Deliver(const Push& push);
    // The sample last handed downstream (for identity checks only; not referenced).
    IMediaSample* LastSample() const { return m_lastSample; }
    // The last type announced to us on a buffer (empty when none was).
    const CMediaType& AnnouncedType() const { return m_announced; }
    // The allocator the pin agreed on with the downstream pin (not referenced).
    IMemAllocator* Allocator() const;

private:
    CriticalSection m_lock;
    CTestSourcePin* m_pin;
    IMediaSample* m_lastSample = nullptr;
    CMediaType m_announced;
};

struct ReceivedSample {
    std::vector<BYTE> data;
    IMediaSample* identity;  // not referenced
    bool timed;
    REFERENCE_TIME start;
    bool discontinuity;
    bool syncPoint;
    CMediaType type;  // the type the sample carried, or empty
};

struct SinkOptions {
    bool posesAsVmr = false;       // the filter answers IVMRFilterConfig9
    bool mixerPin = false;         // the pin answers IMixerPinConfig
    int widerFirstBuffer = 0;      // > 0: the first buffer carries a type of this width
    DWORD firstBufferSubtype = 0;  // non-zero: the first buffer carries this four-character code
    CMediaType firstBufferType;    // valid: the first buffer carries this type
    std::function<bool(const CMediaType&)> accepts;  // set: the only video types taken
};

class CTestSinkPin;

class CTestSink : public CBaseFilter, public IVMRFilterConfig9 {
public:
    explicit CTestSink(const SinkOptions& options);
    ~CTestSink() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** out) override;
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override;
    IPin* InputPin() const;

    std::vector<ReceivedSample> Received();
    const SinkOptions& Options() const { return m_options; }

    // IVMRFilterConfig9: present only to be recognised as a renderer.
    STDMETHODIMP SetImageCompositor(IVMRImageCompositor9*) override { return E_NOTIMPL; }
    STDMETHODIMP SetNumberOfStreams(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetNumberOfStreams(DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP SetRenderingPrefs(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetRenderingPrefs(DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP SetRenderingMode(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetRenderingMode(DWORD*) override { return E_NOTIMPL; }

private:
    friend class CTestSinkPin;
    void Keep(IMediaSample* sample);

    CriticalSection m_lock;
    SinkOptions m_options;
    CTestSinkPin* m_pin;
    std::mutex m_receivedLock;
    std::vector<ReceivedSample> m_received;
};

}  // namespace testsupport
