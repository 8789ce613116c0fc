// A filter with one input pin ("In") and one output pin ("Out") that makes each output sample
// from an input sample, in a buffer of the output's own allocator: the output's type, size and
// contents may all differ from the input's. The derived filter decides the types, the output
// buffers and the work of one frame.
//
// Threads: connection and state changes on the graph's thread under m_csFilter; Receive,
// EndOfStream and NewSegment on the upstream streaming thread under m_csReceive, which Stop
// takes too, so that stopping waits for a frame in progress.
#pragma once
#include <atomic>
#include <memory>

#include "base_filter.h"
#include "input_pin.h"
#include "output_pin.h"

class CTransformFilter : public CBaseFilter {
public:
    CTransformFilter(const wchar_t* objectName, REFCLSID clsid);
    ~CTransformFilter() override;

    int GetPinCount() override { return 2; }
    CBasePin* GetPin(int n) override;
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;

    // What a derived filter decides.
    virtual HRESULT CheckInputType(const CMediaType* type) = 0;
    // S_OK when `out` can be made from `in`.
    virtual HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) = 0;
    // Output type `position` for the connected input: S_OK, VFW_S_NO_MORE_ITEMS past the end.
    virtual HRESULT GetMediaType(int position, CMediaType* type) = 0;
    virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) = 0;
    // Makes `out` from `in`, whose times and flags `out` already carries. S_FALSE drops the
    // frame; a failure ends the stream.
    virtual HRESULT Transform(IMediaSample* in, IMediaSample* out) = 0;
    virtual HRESULT SetMediaType(PIN_DIRECTION, const CMediaType*) { return S_OK; }
    // The bytes an output buffer needs for the output's type now; 0 when the type says nothing
    // of it (compressed frames).
    virtual long OutputBufferBytes() { return 0; }
    virtual HRESULT BreakConnect(PIN_DIRECTION) { return S_OK; }
    // After an input connection: an output connected with a type the new input cannot give is
    // reconnected.
    virtual HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* receivePin);

    // Per sample: a type the sample carries adopted (the output's buffers grown for larger
    // frames), an output buffer, the input's times and flags, Transform, delivery. A change the
    // filter cannot follow ends the stream with EC_ERRORABORT, once, instead of dropping every
    // frame after it unseen.
    virtual HRESULT Receive(IMediaSample* in);
    virtual HRESULT EndOfStream();
    HRESULT BeginFlush();
    HRESULT EndFlush();
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

    CBaseInputPin* InputPin() const;
    CBaseOutputPin* OutputPin() const;
    CRITICAL_SECTION* ReceiveLock() { return m_csReceive.get(); }

protected:
    // For DecideBufferSize: at least `count` buffers of at least `bytes` each, more where the
    // downstream pin asked for more; fails when the allocator gives smaller ones.
    static HRESULT RequestBuffers(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props, long count, long bytes);

    CriticalSection m_csFilter;
    CriticalSection m_csReceive;

private:
    HRESULT GrowOutputBuffers(long bytes);
    HRESULT RefuseStream(HRESULT reason);
    std::atomic<bool> m_refused{false};  // set on the streaming thread, cleared from Stopped

    class TransformInputPin;
    class TransformOutputPin;
    std::unique_ptr<TransformInputPin> m_input;
    std::unique_ptr<TransformOutputPin> m_output;
};
