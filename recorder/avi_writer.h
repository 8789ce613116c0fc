// The recorder's file writer: a sink filter with a video input (MJPG) and an audio input (PCM,
// left unconnected for a recording without sound) that writes what it receives into a new AVI
// file named through IFileSinkFilter. Frames are placed by their time stamps (frames without
// one by when they arrive, on the graph's clock) at the video's constant rate; the sound
// starts with the first frame. A write error (a full disk, a folder gone) ends the writing, is reported to the graph
// as EC_ERRORABORT, and the file is closed playable when the graph stops.
//
// Threads: the graph's thread sets the file and changes states under m_lock; the camera's and
// the microphone's streaming threads deliver to the two inputs; m_writeLock serialises the
// writing.
#pragma once
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "dshow/base_filter.h"
#include "dshow/input_pin.h"
#include "recorder/avi_file_sink.h"
#include "recorder/avi_muxer.h"

class CAviWriter : public CBaseFilter, public IFileSinkFilter {
public:
    // A new writer holding one reference, or null. `limits` sets the RIFF split.
    static IBaseFilter* Create(const AviLimits& limits = AviLimits());
    ~CAviWriter() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** out) override;

    int GetPinCount() override { return 2; }
    CBasePin* GetPin(int n) override;
    // From Stopped: creates the file (never replacing one) and writes its headers; refuses to
    // start with an input unconnected.
    STDMETHODIMP Pause() override;
    // Closes the file, playable.
    STDMETHODIMP Stop() override;
    STDMETHODIMP Run(REFERENCE_TIME start) override;

    // IFileSinkFilter
    STDMETHODIMP SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP GetCurFile(LPOLESTR* name, AM_MEDIA_TYPE* type) override;

    HRESULT ReceiveVideo(IMediaSample* sample);
    HRESULT ReceiveAudio(IMediaSample* sample);

private:
    explicit CAviWriter(const AviLimits& limits);
    HRESULT Open();
    void Close();
    HRESULT AfterWrite();
    // The stream time now by the graph's clock; false without a clock.
    bool ArrivalTime(REFERENCE_TIME* streamTime) const;

    class InputPin;
    CriticalSection m_lock;
    std::unique_ptr<InputPin> m_video;
    std::unique_ptr<InputPin> m_audio;
    std::wstring m_fileName;
    AviLimits m_limits;

    std::mutex m_writeLock;  // guards everything below
    HANDLE m_file = INVALID_HANDLE_VALUE;
    std::unique_ptr<AviFileSink> m_sink;
    std::unique_ptr<AviMuxer> m_muxer;
    AviAudioFormat m_audioFormat;
    int64_t m_framePeriod = 333333;
    bool m_videoStarted = false;
    REFERENCE_TIME m_videoOrigin = 0;  // the first frame's time stamp
    bool m_audioStarted = false;
    REFERENCE_TIME m_audioOrigin = 0;  // where the sound's time starts; a camera's jump keeps it
    std::vector<uint8_t> m_stretched;  // a buffer made longer or shorter
    Microsoft::WRL::ComPtr<IReferenceClock> m_clock;  // the graph's, taken as the graph runs
    REFERENCE_TIME m_streamStart = 0;                // the stream time's origin of the last Run
    bool m_failureReported = false;
};
