// A real filter graph around one frame grabber: a test source pushing samples on the test's
// thread, the grabber, and a test sink; plus the frames the grabber's callback saw.
#pragma once
#include <windows.h>
#include <dshow.h>
#include <wrl/client.h>

#include <vector>

#include "grabber/grabber_sample.h"
#include "support/test_filters.h"

namespace testsupport {

struct CallbackFrame {
    int width;
    int height;
    int size;
    std::vector<BYTE> bytes;
};

// Frames seen by GrabberCallback since the last ResetCallbackFrames (any thread).
std::vector<CallbackFrame> CallbackFrames();
void ResetCallbackFrames();
int GrabberCallback(int width, int height, BYTE* frame, int size);

// A new grabber from the program's factory table.
Microsoft::WRL::ComPtr<IBaseFilter> CreateGrabber();

class GrabberHarness {
public:
    GrabberHarness();
    ~GrabberHarness();
    // Source (of `type`) -> grabber -> sink, connected in a filter graph; then running.
    HRESULT Build(const CMediaType& type, const SinkOptions& options);
    HRESULT Push(const CTestSource::Push& push) { return m_source->Deliver(push); }

    IGrabberSample* Grabber() const { return m_grabber.Get(); }
    IBaseFilter* GrabberFilter() const { return m_grabberFilter.Get(); }
    CTestSource* Source() const { return m_source; }
    CTestSink* Sink() const { return m_sink; }
    IMediaControl* Control() const { return m_control.Get(); }

private:
    Microsoft::WRL::ComPtr<IGraphBuilder> m_graph;
    Microsoft::WRL::ComPtr<IMediaControl> m_control;
    Microsoft::WRL::ComPtr<IBaseFilter> m_grabberFilter;
    Microsoft::WRL::ComPtr<IGrabberSample> m_grabber;
    Microsoft::WRL::ComPtr<IBaseFilter> m_sourceFilter;
    Microsoft::WRL::ComPtr<IBaseFilter> m_sinkFilter;
    CTestSource* m_source = nullptr;  // held through m_sourceFilter
    CTestSink* m_sink = nullptr;      // held through m_sinkFilter
};

// A pin of `filter` by direction and index among the pins of that direction.
Microsoft::WRL::ComPtr<IPin> PinOf(IBaseFilter* filter, PIN_DIRECTION direction, int index);

}  // namespace testsupport
