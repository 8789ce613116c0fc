// A real filter graph around one frame grabber: a test source pushing samples on the test's
// thread, the grabber, and a test sink; plus the frames the grabber's callback saw.
#pragma once
#include <windows.h>
#include <dshow.h>
#include <wrl/client.h>

#include <vector>

#include "grabber/grabber_sample.h"
#include "support/filter_chain.h"

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

class GrabberHarness : public FilterChain {
public:
    GrabberHarness();
    // Source (of `type`) -> grabber -> sink, connected in a filter graph; then running.
    HRESULT Build(const CMediaType& type, const SinkOptions& options);
    HRESULT Push(const CTestSource::Push& push) { return Source()->Deliver(push); }

    IGrabberSample* Grabber() const { return m_grabber.Get(); }
    IBaseFilter* GrabberFilter() const { return m_grabberFilter.Get(); }

private:
    Microsoft::WRL::ComPtr<IBaseFilter> m_grabberFilter;
    Microsoft::WRL::ComPtr<IGrabberSample> m_grabber;
};

// A pin of `filter` by direction and index among the pins of that direction.
Microsoft::WRL::ComPtr<IPin> PinOf(IBaseFilter* filter, PIN_DIRECTION direction, int index);

}  // namespace testsupport
