// The recorder's video compressor: a filter taking the camera's YUY2, UYVY, YV12 or I420 frames
// and delivering each as a baseline JPEG (MJPG) frame with the same time stamps. The frames are
// converted with the snapshots' own YUV conversion and encoded through WIC.
//
// Threads: the graph's thread connects and changes states under m_lock; the upstream filter's
// streaming thread runs Receive and the per-frame work under m_streamLock.
#pragma once
#include <memory>
#include <vector>

#include "dshow/base_filter.h"
#include "dshow/input_pin.h"
#include "dshow/output_pin.h"
#include "recorder/jpeg_encoder.h"
#include "snapshot/frame_conversion.h"

class CJpegCompressor : public CBaseFilter {
public:
    // A new compressor holding one reference, or null.
    static IBaseFilter* Create();
    ~CJpegCompressor() override;

    int GetPinCount() override { return 2; }
    CBasePin* GetPin(int n) override;

    // The connected input's frame geometry, or false when the type is not one of ours.
    static bool ReadInputType(const CMediaType& type, FrameLayout* layout, int* width, int* height);
    // The MJPG type of the output for an input type.
    static CMediaType OutputTypeFor(const CMediaType& input);
    // Compresses `in` and delivers it (streaming thread).
    HRESULT Compress(IMediaSample* in);

private:
    CJpegCompressor();

    class InputPin;
    class OutputPin;
    CriticalSection m_lock;
    CriticalSection m_streamLock;
    std::unique_ptr<InputPin> m_input;
    std::unique_ptr<OutputPin> m_output;
    std::vector<uint8_t> m_pixels;  // guarded by m_streamLock
    JpegEncoder m_encoder;          // guarded by m_streamLock
};
