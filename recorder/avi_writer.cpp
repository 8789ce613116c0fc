// The AVI writer filter.
#include "avi_writer.h"

#include <dvdmedia.h>
#include <mmreg.h>

#include <cstring>
#include <new>
#include <vector>

#include "recorder/audio_placement.h"
#include "snapshot/frame_media_type.h"

namespace {

// {5C7D3B2E-9F4A-4E61-8D0B-6A1F2E3C4D51}: private to this program, never registered.
constexpr CLSID kWriterClsid = {0x5c7d3b2e, 0x9f4a, 0x4e61, {0x8d, 0x0b, 0x6a, 0x1f, 0x2e, 0x3c, 0x4d, 0x51}};

const WAVEFORMATEX* WaveFormat(const CMediaType& type) {
    if (type.formattype != FORMAT_WaveFormatEx || !type.pbFormat || type.cbFormat < sizeof(WAVEFORMATEX))
        return nullptr;
    return reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat);
}

}  // namespace

class CAviWriter::InputPin : public CBaseInputPin {
public:
    InputPin(CAviWriter* writer, CriticalSection* lock, bool video)
        : CBaseInputPin(video ? L"AVI writer video" : L"AVI writer audio", writer, lock, nullptr,
                        video ? L"Video" : L"Audio"),
          m_writer(writer),
          m_isVideo(video) {}
    HRESULT CheckMediaType(const CMediaType* type) override {
        if (m_isVideo) {
            const BITMAPINFOHEADER* header = BitmapHeaderOf(*type);
            return type->subtype == MEDIASUBTYPE_MJPG && header && header->biWidth > 0 && header->biHeight != 0
                       ? S_OK
                       : VFW_E_TYPE_NOT_ACCEPTED;
        }
        const WAVEFORMATEX* wave = WaveFormat(*type);
        return type->majortype == MEDIATYPE_Audio && type->subtype == MEDIASUBTYPE_PCM && wave &&
                       wave->wFormatTag == WAVE_FORMAT_PCM && wave->nChannels > 0 &&
                       wave->nSamplesPerSec > 0 && wave->wBitsPerSample > 0
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }
    STDMETHODIMP Receive(IMediaSample* sample) override {
        HRESULT hr = CBaseInputPin::Receive(sample);
        if (hr != S_OK) return hr;
        return m_isVideo ? m_writer->ReceiveVideo(sample) : m_writer->ReceiveAudio(sample);
    }
    STDMETHODIMP EndOfStream() override { return S_OK; }

private:
    CAviWriter* m_writer;
    bool m_isVideo;
};

IBaseFilter* CAviWriter::Create(const AviLimits& limits) { return HandOutFilter(new (std::nothrow) CAviWriter(limits)); }

CAviWriter::CAviWriter(const AviLimits& limits)
    : CBaseFilter(L"AVI writer", nullptr, &m_lock, kWriterClsid),
      m_video(new InputPin(this, &m_lock, true)),
      m_audio(new InputPin(this, &m_lock, false)),
      m_limits(limits) {}

CAviWriter::~CAviWriter() { Close(); }

STDMETHODIMP CAviWriter::NonDelegatingQueryInterface(REFIID iid, void** out) {
    if (iid == IID_IFileSinkFilter) return GetInterface(static_cast<IFileSinkFilter*>(this), out);
    return CBaseFilter::NonDelegatingQueryInterface(iid, out);
}

CBasePin* CAviWriter::GetPin(int n) {
    if (n == 0) return m_video.get();
    if (n == 1) return m_audio.get();
    return nullptr;
}

STDMETHODIMP CAviWriter::SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE*) {
    if (!name) return E_POINTER;
    ScopedCriticalSection lock(m_lock.get());
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    m_fileName = name;
    return S_OK;
}

STDMETHODIMP CAviWriter::GetCurFile(LPOLESTR* name, AM_MEDIA_TYPE* type) {
    if (!name) return E_POINTER;
    ScopedCriticalSection lock(m_lock.get());
    size_t bytes = (m_fileName.size() + 1) * sizeof(wchar_t);
    *name = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (!*name) return E_OUTOFMEMORY;
    std::memcpy(*name, m_fileName.c_str(), bytes);
    if (type) std::memset(type, 0, sizeof(*type));
    return S_OK;
}

STDMETHODIMP CAviWriter::Pause() {
    ScopedCriticalSection lock(m_lock.get());
    if (IsStopped()) {
        HRESULT hr = Open();
        if (FAILED(hr)) return hr;
    }
    return CBaseFilter::Pause();
}

STDMETHODIMP CAviWriter::Stop() {
    HRESULT hr = CBaseFilter::Stop();
    Close();
    return hr;
}

HRESULT CAviWriter::Open() {
    if (!m_video->IsConnected()) return VFW_E_NOT_CONNECTED;
    const bool sound = m_audio->IsConnected();  // a recording without a microphone has none
    CMediaType videoType = m_video->CurrentMediaType(), audioType = m_audio->CurrentMediaType();
    const BITMAPINFOHEADER* video = BitmapHeaderOf(videoType);
    const WAVEFORMATEX* wave = WaveFormat(audioType);
    if (!video || (sound && !wave)) return VFW_E_TYPE_NOT_ACCEPTED;

    std::lock_guard<std::mutex> writing(m_writeLock);
    HANDLE file = CreateFileW(m_fileName.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return HRESULT_FROM_WIN32(GetLastError());

    AviVideoFormat format;
    format.width = static_cast<uint32_t>(video->biWidth);
    format.height = static_cast<uint32_t>(video->biHeight < 0 ? -video->biHeight : video->biHeight);
    const REFERENCE_TIME frameTime = FrameTimeOf(videoType);
    format.framePeriod = RecordingFramePeriod(frameTime);
    m_audioFormat = AviAudioFormat();
    m_audioFormat.channels = sound ? wave->nChannels : 0;
    if (sound) {
        m_audioFormat.samplesPerSecond = wave->nSamplesPerSec;
        m_audioFormat.bitsPerSample = wave->wBitsPerSample;
    }
    m_videoFormat = format;
    m_file = file;
    return Begin();
}

HRESULT CAviWriter::Begin() {
    m_timeline.reset(new RecordingTimeline(m_videoFormat.framePeriod, m_audioFormat.samplesPerSecond));
    m_sink.reset(new AviFileSink(m_file));
    m_muxer.reset(new AviMuxer(*m_sink, m_videoFormat, m_audioFormat, m_limits));
    m_failureReported = false;
    if (!m_muxer->Begin() || !m_sink->Flush()) {
        m_muxer.reset();
        m_sink.reset();
        CloseHandle(m_file);
        m_file = INVALID_HANDLE_VALUE;
        DeleteFileW(m_fileName.c_str());  // nothing of it is a recording
        return HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    }
    return S_OK;
}

HRESULT CAviWriter::BeginAgain() {
    std::lock_guard<std::mutex> writing(m_writeLock);
    if (!m_muxer) return S_OK;
    m_muxer.reset();
    if (!m_sink->Truncate(0)) return HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
    return Begin();
}

void CAviWriter::Close() {
    std::lock_guard<std::mutex> writing(m_writeLock);
    if (!m_muxer) return;
    bool nothingLost = !m_muxer->Failed();
    const bool received = m_muxer->VideoFrames() > 0;
    m_muxer->Finish();
    nothingLost = nothingLost && m_muxer->Complete() && m_sink->Flush();
    const bool empty = m_muxer->VideoFrames() == 0;  // nothing received, or nothing of it kept
    m_muxer.reset();
    m_sink.reset();
    CloseHandle(m_file);
    m_file = INVALID_HANDLE_VALUE;
    if (empty) DeleteFileW(m_fileName.c_str());  // no recording to keep
    if (received && !nothingLost && !m_failureReported) {
        // The end of the file could not be written (a disk that filled meanwhile): the graph
        // hears of it as of any write error, while it stops.
        m_failureReported = true;
        NotifyEvent(EC_ERRORABORT, HRESULT_FROM_WIN32(ERROR_WRITE_FAULT), 0);
    }
}

// After a write: the first failure stops the recording through the graph.
HRESULT CAviWriter::AfterWrite() {
    if (!m_muxer->Failed()) return S_OK;
    const HRESULT failure = HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
    if (!m_failureReported) {
        m_failureReported = true;
        NotifyEvent(EC_ERRORABORT, failure, 0);
    }
    return failure;
}

HRESULT CAviWriter::ReceiveVideo(IMediaSample* sample) {
    std::lock_guard<std::mutex> writing(m_writeLock);
    if (!m_muxer || m_muxer->Failed()) return m_muxer ? AfterWrite() : VFW_E_WRONG_STATE;
    BYTE* data = nullptr;
    long length = sample->GetActualDataLength();
    if (FAILED(sample->GetPointer(&data)) || !data || length <= 0) return S_OK;
    FramePlacement placement = m_timeline->PlaceVideo(StampOf(sample), Now(), m_muxer->VideoFrames());
    if (placement.drop) return S_OK;  // early: its place is taken
    for (uint64_t i = 0; i < placement.repeats && !m_muxer->Failed(); ++i) m_muxer->RepeatVideoFrame();
    if (!m_muxer->Failed()) m_muxer->AddVideoFrame(data, static_cast<size_t>(length));
    return AfterWrite();
}

void CAviWriter::BeginAtNextRun() {
    ScopedCriticalSection lock(m_lock.get());
    m_beginAtRun = true;
}

STDMETHODIMP CAviWriter::Run(REFERENCE_TIME start) {
    ScopedCriticalSection lock(m_lock.get());
    if (m_beginAtRun) {
        m_beginAtRun = false;
        HRESULT hr = BeginAgain();
        if (FAILED(hr)) return hr;
    }
    {
        std::lock_guard<std::mutex> writing(m_writeLock);
        m_clock = m_pClock;  // the graph gives its clock before it runs
        m_streamStart = start;
    }
    return CBaseFilter::Run(start);
}

int64_t CAviWriter::Now() const {
    REFERENCE_TIME now = 0;
    if (!m_clock || FAILED(m_clock->GetTime(&now))) return kNoTime;
    return now - m_streamStart;
}

int64_t CAviWriter::StampOf(IMediaSample* sample) {
    REFERENCE_TIME start = 0, stop = 0;
    return SUCCEEDED(sample->GetTime(&start, &stop)) ? start : kNoTime;
}

HRESULT CAviWriter::ReceiveAudio(IMediaSample* sample) {
    std::lock_guard<std::mutex> writing(m_writeLock);
    if (!m_muxer || m_muxer->Failed()) return m_muxer ? AfterWrite() : VFW_E_WRONG_STATE;
    BYTE* data = nullptr;
    long length = sample->GetActualDataLength();
    if (FAILED(sample->GetPointer(&data)) || !data || length <= 0) return S_OK;
    const size_t block = m_audioFormat.BlockAlign();
    const size_t blocks = static_cast<size_t>(length) / block;
    AudioPlacement placement = m_timeline->PlaceSound(StampOf(sample), Now(), m_muxer->AudioBlocks(), blocks);
    if (placement.silenceBlocks) {
        std::vector<uint8_t> silence(static_cast<size_t>(placement.silenceBlocks) * block,
                                     m_audioFormat.bitsPerSample == 8 ? 0x80 : 0);
        m_muxer->AddAudio(silence.data(), silence.size());
    }
    data += placement.skipBlocks * block;
    const size_t rest = blocks - placement.skipBlocks;
    if (placement.writtenBlocks != rest) {
        m_stretched.resize(placement.writtenBlocks * block);
        StretchBlocks(data, rest, block, m_stretched.data(), placement.writtenBlocks);
        data = m_stretched.data();
    }
    if (placement.writtenBlocks && !m_muxer->Failed()) m_muxer->AddAudio(data, placement.writtenBlocks * block);
    return AfterWrite();
}
