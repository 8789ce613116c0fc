// The frame grabber: an in-place video filter on the preview branch that hands every frame to
// the application's callback, copies it into a renderer buffer with the pitch the renderer
// asked for, and can hand one frame to a caller waiting in GrabNextFrame. It takes the four
// YUV layouts YUY2, UYVY, YV12 and I420, and NV12, RGB24 and RGB32, and passes the type through
// unchanged.
//
// Threads: the user-interface thread creates, connects and configures the filter; the
// upstream filter's streaming thread runs Receive and the private allocator's GetBuffer.
// m_lock guards the fields against the streaming thread (Receive holds it for a whole frame);
// m_grabLock guards the grab buffer; m_grabRequested is atomic.
#pragma once
#include <atomic>
#include <memory>

#include "dshow/trans_in_place.h"
#include "grabber/grabber_sample.h"

class CSampleGrabberInPin;
class CSampleGrabberOutPin;

// Memory the private allocator's samples point into. Shared, so that the memory stays while
// an allocator still has samples in it, even after the filter moved on to a new block.
struct DeliveryBuffer {
    std::shared_ptr<BYTE> data;
    size_t size = 0;
};

class CSampleGrabber : public CTransInPlaceFilter, public IGrabberSample {
public:
    // The creation function of the factory template.
    static CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr);
    ~CSampleGrabber() override;

    DECLARE_IUNKNOWN
    STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** out) override;

    // IGrabberSample
    STDMETHODIMP SetOfferedType(const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP GetInputConnectionType(AM_MEDIA_TYPE* type) override;
    STDMETHODIMP UseInputBuffer(ALLOCATOR_PROPERTIES props, BYTE* buffer) override;
    STDMETHODIMP GrabNextFrame(LONG* size, BYTE* buffer, AM_MEDIA_TYPE* type) override;
    STDMETHODIMP Reserved1(LONG) override { return S_OK; }
    STDMETHODIMP Reserved2(LONG) override { return E_NOTIMPL; }
    STDMETHODIMP SetFrameSize(LONG height, LONG width) override;
    STDMETHODIMP SetFrameCallback(FrameCallback callback) override;
    STDMETHODIMP GetFrameSize(LONG* width, LONG* height) override;
    STDMETHODIMP GetInputSubtype(GUID* subtype) override;

    // The in-place filter's decisions.
    CTransInPlaceOutputPin* CreateOutputPin(HRESULT* hr) override;
    HRESULT CheckInputType(const CMediaType* type) override;
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;
    HRESULT CompleteConnect(PIN_DIRECTION direction, IPin* receivePin) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT Transform(IMediaSample* sample) override;

private:
    friend class CSampleGrabberInPin;
    friend class CSampleGrabberAllocator;

    CSampleGrabber(IUnknown* outer, HRESULT* hr);
    // A new delivery buffer of `size` bytes replaces the current one; false when out of memory.
    bool ReplaceDeliveryBuffer(size_t size);
    void ReadOutputConnection();
    // The frame's geometry as the copy needs it.
    size_t CallbackSize(size_t sourceBytes) const;
    void FillGrabBuffer(IMediaSample* delivered);

    CMediaType m_mtOffered;
    CriticalSection m_lock;
    int m_imageSize = 704 * 576 * 2;
    int m_bytesPerPixelCode = 2;
    bool m_formatChanged = false;
    DeliveryBuffer m_deliveryBuffer;
    int m_width = 704;
    int m_height = 576;
    int m_outWidth = 704;
    int m_outHeight = 576;
    bool m_markDiscontinuity = false;
    bool m_rendererDownstream = false;
    std::atomic<bool> m_grabRequested{false};
    CriticalSection m_grabLock;
    std::unique_ptr<BYTE[]> m_grabBuffer;  // guarded by m_grabLock
    size_t m_grabBufferSize = 0;
    FrameCallback m_callback = nullptr;
    GUID m_inputSubtype = GUID_NULL;
    UniqueHandle m_frameReadyEvent;  // auto-reset; one per filter
};
