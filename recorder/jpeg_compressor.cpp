// The JPEG compressor filter.
#include "jpeg_compressor.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "snapshot/frame_conversion.h"
#include "snapshot/frame_media_type.h"

using Microsoft::WRL::ComPtr;

namespace {

// {5C7D3B2E-9F4A-4E61-8D0B-6A1F2E3C4D50}: private to this program, never registered.
constexpr CLSID kCompressorClsid = {0x5c7d3b2e, 0x9f4a, 0x4e61, {0x8d, 0x0b, 0x6a, 0x1f, 0x2e, 0x3c, 0x4d, 0x50}};

}  // namespace

std::unique_ptr<FrameEncoder> CJpegCompressor::MakeDefaultEncoder() {
    return std::unique_ptr<FrameEncoder>(new (std::nothrow) CameraJpegEncoder);
}

IBaseFilter* CJpegCompressor::Create(EncoderMaker makeEncoder, int threads, int waiting) {
    if (!makeEncoder) makeEncoder = &MakeDefaultEncoder;
    return HandOutFilter(new (std::nothrow) CJpegCompressor(std::move(makeEncoder), threads, waiting));
}

CJpegCompressor::CJpegCompressor(EncoderMaker makeEncoder, int threads, int waiting)
    : CTransformFilter(L"JPEG compressor", kCompressorClsid),
      m_makeEncoder(std::move(makeEncoder)),
      m_threads(threads > 0 ? threads : OrderedWorkers::ForThisMachine()),
      m_waiting(std::max(0, waiting)) {}

HRESULT CJpegCompressor::CheckInputType(const CMediaType* type) {
    FrameLayout layout;
    int width, height;
    return ReadFrameType(*type, &layout, &width, &height) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CJpegCompressor::CheckTransform(const CMediaType* in, const CMediaType* out) {
    return *out == OutputTypeFor(*in) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CJpegCompressor::GetMediaType(int position, CMediaType* type) {
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    *type = OutputTypeFor(InputPin()->CurrentMediaType());
    return S_OK;
}

HRESULT CJpegCompressor::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) {
    // Room for any JPEG of the frame: never more than its 24-bit pixels and the headers. A
    // buffer for each frame in flight (those being compressed and the one waiting) and one more
    // for the writer.
    const CMediaType output = OutputPin()->CurrentMediaType();
    const BITMAPINFOHEADER* header = BitmapHeaderOf(output);
    if (!header) return E_UNEXPECTED;
    return RequestBuffers(allocator, props, m_threads + 2, static_cast<long>(header->biSizeImage) + 65536);
}

CMediaType CJpegCompressor::OutputTypeFor(const CMediaType& input) {
    FrameLayout layout;
    int width = 0, height = 0;
    if (!ReadFrameType(input, &layout, &width, &height)) return CMediaType(&MEDIATYPE_Video);
    return MakeVideoInfoType(MEDIASUBTYPE_MJPG, MAKEFOURCC('M', 'J', 'P', 'G'), 24, width, height,
                             static_cast<DWORD>(width) * static_cast<DWORD>(height) * 3,
                             FrameTimeOf(input));
}

STDMETHODIMP CJpegCompressor::Pause() {
    {
        ScopedCriticalSection lock(m_csFilter.get());
        if (IsStopped()) {
            m_failures = 0;
            m_ended = S_OK;
            m_encoders.clear();
            for (int i = 0; i < m_threads; ++i) {
                m_encoders.push_back(m_makeEncoder());
                if (!m_encoders.back()) return E_OUTOFMEMORY;
            }
            m_dropped = 0;
            // Frames that may wait their turn: a burst of them held back, at 64 MB at most.
            FrameLayout layout;
            int width = 0, height = 0;
            const size_t frameBytes =
                ReadFrameType(InputPin()->CurrentMediaType(), &layout, &width, &height)
                    ? std::max<size_t>(1, RequiredFrameBytes(layout, width, height))
                    : 1;
            const int waiting = m_waiting > 0 ? m_waiting
                                              : static_cast<int>(std::clamp<size_t>((64u << 20) / frameBytes, 2, 8));
            m_pool.reset(new (std::nothrow) OrderedWorkers(m_threads, m_threads + waiting));
            if (!m_pool) return E_OUTOFMEMORY;
        }
    }
    return CTransformFilter::Pause();
}

STDMETHODIMP CJpegCompressor::Stop() {
    // Decommitting the output first lets work waiting for a buffer go; then the pool ends.
    HRESULT hr = CTransformFilter::Stop();
    if (m_pool) m_pool->Stop();
    return hr;
}

HRESULT CJpegCompressor::Receive(IMediaSample* in) {
    if (!OutputPin()->IsConnected()) return S_OK;
    if (FAILED(m_ended)) return m_ended;
    FrameLayout layout;
    int width = 0, height = 0;
    if (!m_pool || !ReadFrameType(InputPin()->CurrentMediaType(), &layout, &width, &height)) return E_UNEXPECTED;
    BYTE* frame = nullptr;
    const long length = in->GetActualDataLength();
    if (FAILED(in->GetPointer(&frame)) || !frame || length <= 0) return S_OK;  // nothing to compress
    auto job = std::make_shared<Job>();
    job->frame.reset(new (std::nothrow) uint8_t[static_cast<size_t>(length)]);
    if (!job->frame) return S_OK;  // no memory for it: left out, as a frame that cannot be encoded
    std::memcpy(job->frame.get(), frame, static_cast<size_t>(length));
    job->bytes = static_cast<size_t>(length);
    job->timed = SUCCEEDED(in->GetTime(&job->start, &job->stop));
    job->discontinuity = in->IsDiscontinuity() == S_OK;
    if (!m_pool->TrySubmit([this, job, layout, width, height](int worker) { Compress(*job, worker, layout, width, height); },
                           [this, job](bool done) { Deliver(*job, done); }))
        ++m_dropped;
    return m_ended;
}

HRESULT CJpegCompressor::EndOfStream() {
    if (m_pool) m_pool->Drain();
    return CTransformFilter::EndOfStream();
}

// On a pool thread, side by side with other frames: into a buffer of the output's own.
void CJpegCompressor::Compress(Job& job, int worker, FrameLayout layout, int width, int height) {
    BYTE* jpeg = nullptr;
    if (FAILED(OutputPin()->GetDeliveryBuffer(&job.out, nullptr, nullptr, 0)) || !job.out ||
        FAILED(job.out->GetPointer(&jpeg))) {
        job.out.Reset();  // stopping: the frame goes nowhere
        return;
    }
    size_t written = 0;
    job.result = m_encoders[static_cast<size_t>(worker)]->Encode(layout, job.frame.get(), job.bytes, width, height,
                                                                 jpeg, static_cast<size_t>(job.out->GetSize()), &written);
    job.frame.reset();  // its memory goes back before the delivery
    if (FAILED(job.result)) return;
    if (job.timed) job.out->SetTime(&job.start, &job.stop);
    job.out->SetActualDataLength(static_cast<long>(written));
    job.out->SetSyncPoint(TRUE);
    job.out->SetDiscontinuity(job.discontinuity);
}

// On a pool thread, one frame at a time, in the order the frames came.
void CJpegCompressor::Deliver(Job& job, bool done) {
    job.frame.reset();
    if (!done || !job.out || FAILED(m_ended)) return;
    if (FAILED(job.result)) {
        if (++m_failures < kMostFailures) return;  // this frame is left out
        m_ended = job.result;
        NotifyEvent(EC_ERRORABORT, job.result, 0);
        return;
    }
    m_failures = 0;
    OutputPin()->Deliver(job.out.Get());
}
