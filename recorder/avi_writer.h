// The recorder's file writer: a sink filter with a video input (MJPG) and an audio input (PCM,
// left unconnected for a recording without sound) that writes what it receives into a new AVI
// file named through IFileSinkFilter. Frames and sound go where their time stamps say, checked
// against the graph's clock (recording_timeline.h); the sound starts with the first frame. A write error (a full disk, a folder gone) ends the writing, is reported to the graph
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
#include "recorder/recording_timeline.h"

class CAviWriter : public CBaseFilter, public IFileSinkFilter {
public:
    // A new writer holding one reference, or null. `limits` sets the RIFF split.
    static IBaseFilter* Create(const AviLimits& limits = AviLimits());
    // The writer behind a filter Create made.
    static CAviWriter* Of(IBaseFilter* filter) { return static_cast<CAviWriter*>(filter); }
    ~CAviWriter() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** out) override;

    int GetPinCount() override { return 2; }
    CBasePin* GetPin(int n) override;
    // From Stopped: creates the file (never replacing one) and writes its headers; refuses to
    // start with its video input unconnected.
    STDMETHODIMP Pause() override;
    // Closes the file, playable.
    STDMETHODIMP Stop() override;
    STDMETHODIMP Run(REFERENCE_TIME start) override;
    // What was written so far is thrown away as the graph runs next: the record build runs the
    // graph, pauses it while the devices settle, and begins the recording with the first frame
    // after the pause.
    void BeginAtNextRun();

    // IFileSinkFilter
    STDMETHODIMP SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP GetCurFile(LPOLESTR* name, AM_MEDIA_TYPE* type) override;

    HRESULT ReceiveVideo(IMediaSample* sample);
    HRESULT ReceiveAudio(IMediaSample* sample);

private:
    explicit CAviWriter(const AviLimits& limits);
    HRESULT Open();
    // Starts the file's recording afresh from its headers; m_writeLock held.
    HRESULT Begin();
    // Throws away what was recorded so far and begins anew.
    HRESULT BeginAgain();
    void Close();
    HRESULT AfterWrite();
    // The stream time now by the graph's clock; kNoTime without a clock.
    int64_t Now() const;
    // A sample's time stamp, or kNoTime.
    static int64_t StampOf(IMediaSample* sample);

    class InputPin;
    CriticalSection m_lock;
    std::unique_ptr<InputPin> m_video;
    std::unique_ptr<InputPin> m_audio;
    std::wstring m_fileName;
    AviLimits m_limits;
    bool m_beginAtRun = false;  // under m_lock

    std::mutex m_writeLock;  // guards everything below
    HANDLE m_file = INVALID_HANDLE_VALUE;
    std::unique_ptr<AviFileSink> m_sink;
    std::unique_ptr<AviMuxer> m_muxer;
    AviVideoFormat m_videoFormat;
    AviAudioFormat m_audioFormat;
    std::unique_ptr<RecordingTimeline> m_timeline;  // where frames and sound go
    std::vector<uint8_t> m_stretched;  // a buffer made longer or shorter
    Microsoft::WRL::ComPtr<IReferenceClock> m_clock;  // the graph's, taken as the graph runs
    REFERENCE_TIME m_streamStart = 0;                // the stream time's origin of the last Run
    bool m_failureReported = false;
};
