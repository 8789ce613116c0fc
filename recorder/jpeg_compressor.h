// The recorder's video compressor: a filter taking the camera's frames (every layout the grabber
// takes) and delivering each as a baseline JPEG (MJPG) frame with the same time stamps. Frames
// are copied (the camera's buffers go back at once) and compressed side by side on a small pool
// of threads (as many as the processor has, less one), delivered in the order they came, so
// that a frame takes no longer than the camera's interval even where compressing one takes
// longer. A few frames wait their turn; a frame that comes while they are all taken, on a
// machine that cannot keep up, is dropped and counted, never holding up the camera (or the
// preview, which its streaming thread serves too): the writer repeats the frame before it. A
// frame that cannot be encoded is left out; when many in a row cannot, the stream ends with
// EC_ERRORABORT, as a recording that can no longer be written.
//
// Threads: the graph's thread connects and changes states; the upstream filter's streaming
// thread hands frames in (Receive) under the receive lock; the pool's threads compress them,
// one at a time delivering, in order; FramesDropped from any thread.
#pragma once
#include <wrl/client.h>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "dshow/transform_filter.h"
#include "recorder/jpeg_encoder.h"
#include "recorder/ordered_workers.h"

class CJpegCompressor : public CTransformFilter {
public:
    // Consecutive frames that may fail to encode before the stream ends.
    static constexpr int kMostFailures = 10;
    // Makes one encoder for each of the pool's threads.
    using EncoderMaker = std::function<std::unique_ptr<FrameEncoder>()>;

    // A new compressor holding one reference, or null; with the program's JPEG encoder unless
    // another is given, on `threads` threads (0: the processor's count less one, at least one),
    // with `waiting` frames that may wait their turn (0: as many as 64 MB of the frames hold,
    // from 2 to 8).
    static IBaseFilter* Create(EncoderMaker makeEncoder = nullptr, int threads = 0, int waiting = 0);
    // The compressor behind a filter that Create made.
    static CJpegCompressor* Of(IBaseFilter* filter) { return static_cast<CJpegCompressor*>(filter); }
    // Frames dropped since the stream began because the machine could not keep up.
    unsigned FramesDropped() const { return m_dropped.load(); }
    // The program's encoder for camera frames.
    static std::unique_ptr<FrameEncoder> MakeDefaultEncoder();

    // The MJPG type of the output for an input type.
    static CMediaType OutputTypeFor(const CMediaType& input);

    HRESULT CheckInputType(const CMediaType* type) override;
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;
    // Not used: frames go through the pool (Receive).
    HRESULT Transform(IMediaSample*, IMediaSample*) override { return E_UNEXPECTED; }
    // Hands the frame to the pool (held, not copied); S_OK, or the failure that ended the stream.
    HRESULT Receive(IMediaSample* in) override;
    // The frames handed in so far are delivered before the end of the stream.
    HRESULT EndOfStream() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Stop() override;

private:
    CJpegCompressor(EncoderMaker makeEncoder, int threads, int waiting);
    // A frame taken in, and what its work left for its delivery.
    struct Job {
        std::unique_ptr<uint8_t[]> frame;
        size_t bytes = 0;
        REFERENCE_TIME start = 0, stop = 0;
        bool timed = false, discontinuity = false;
        Microsoft::WRL::ComPtr<IMediaSample> out;
        HRESULT result = E_FAIL;
    };
    void Compress(Job& job, int worker, FrameLayout layout, int width, int height);
    void Deliver(Job& job, bool done);

    EncoderMaker m_makeEncoder;
    int m_threads;
    int m_waiting;  // as given: 0 for as many as the frame's size allows
    std::unique_ptr<OrderedWorkers> m_pool;                // while not stopped
    std::vector<std::unique_ptr<FrameEncoder>> m_encoders;  // one per pool thread
    // In the order of the deliveries (one at a time).
    int m_failures = 0;  // frames in a row that could not be encoded
    std::atomic<HRESULT> m_ended{S_OK};  // the failure that ended the stream
    std::atomic<unsigned> m_dropped{0};
};
