// Our DirectShow filter base against the interface contracts: media types, samples, the
// allocator's commit, decommit and blocking, connection and type agreement, enumerators,
// state changes and reference counts.
#include <windows.h>
#include <dshow.h>
#include <gtest/gtest.h>
#include <wrl/client.h>

#include <atomic>
#include <thread>

#include "dshow/mem_allocator.h"
#include "support/grabber_harness.h"
#include "support/test_filters.h"

using Microsoft::WRL::ComPtr;
using namespace testsupport;

namespace {

const DWORD kYuy2 = MAKEFOURCC('Y', 'U', 'Y', '2');

class DshowContract : public ::testing::Test {
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
};

ComPtr<IMemAllocator> NewAllocator() {
    ComPtr<IMemAllocator> allocator;
    (new CMemAllocator)->NonDelegatingQueryInterface(IID_PPV_ARGS(&allocator));
    return allocator;
}

TEST_F(DshowContract, MediaTypesAreCopiedDeeply) {
    CMediaType original = VideoType(kYuy2, 320, 240);
    CMediaType copy = original;
    ASSERT_NE(copy.pbFormat, original.pbFormat);
    EXPECT_TRUE(copy == original);
    reinterpret_cast<VIDEOINFOHEADER*>(copy.pbFormat)->bmiHeader.biWidth = 640;
    EXPECT_EQ(reinterpret_cast<VIDEOINFOHEADER*>(original.pbFormat)->bmiHeader.biWidth, 320);
    EXPECT_FALSE(copy == original);

    AM_MEDIA_TYPE* handed = CreateMediaType(&original);
    ASSERT_NE(handed, nullptr);
    EXPECT_NE(handed->pbFormat, original.pbFormat);
    DeleteMediaType(handed);

    CMediaType partial(&MEDIATYPE_Video);
    EXPECT_TRUE(original.MatchesPartial(&partial));
    EXPECT_FALSE(original.IsFullySpecified() && !original.MatchesPartial(&original));
    partial.SetSubtype(&MEDIASUBTYPE_RGB24);
    EXPECT_FALSE(original.MatchesPartial(&partial));
}

TEST_F(DshowContract, AllocatorPropertiesAreAlignedAndFrozenWhileCommitted) {
    ComPtr<IMemAllocator> allocator = NewAllocator();
    ALLOCATOR_PROPERTIES request{2, 1000, 16, 8}, actual{};
    ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);
    EXPECT_EQ(actual.cBuffers, 2);
    EXPECT_EQ((actual.cbBuffer + actual.cbPrefix) % 16, 0);
    EXPECT_GE(actual.cbBuffer, 1000);
    ALLOCATOR_PROPERTIES badAlign{1, 100, 3, 0};
    EXPECT_EQ(allocator->SetProperties(&badAlign, &actual), VFW_E_BADALIGN);
    ALLOCATOR_PROPERTIES odd{1, 1001, 16, 0};  // rounded up, never down
    ASSERT_EQ(allocator->SetProperties(&odd, &actual), S_OK);
    EXPECT_EQ(actual.cbBuffer, 1008);
    ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);

    ASSERT_EQ(allocator->Commit(), S_OK);
    EXPECT_EQ(allocator->SetProperties(&request, &actual), VFW_E_ALREADY_COMMITTED);
    ComPtr<IMediaSample> sample;
    ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(data - 8) % 16, 0u);  // the prefix comes first
    ASSERT_EQ(allocator->Decommit(), S_OK);
    // A sample still out keeps the properties frozen until it comes back.
    EXPECT_EQ(allocator->SetProperties(&request, &actual), VFW_E_BUFFERS_OUTSTANDING);
    sample.Reset();
    EXPECT_EQ(allocator->SetProperties(&request, &actual), S_OK);
}

TEST_F(DshowContract, GetBufferBlocksUntilASampleReturnsOrTheAllocatorDecommits) {
    ComPtr<IMemAllocator> allocator = NewAllocator();
    ALLOCATOR_PROPERTIES request{1, 64, 1, 0}, actual{};
    ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);
    EXPECT_EQ(allocator->GetBuffer(nullptr, nullptr, nullptr, 0), E_POINTER);
    ComPtr<IMediaSample> first, second;
    EXPECT_EQ(allocator->GetBuffer(&first, nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
    ASSERT_EQ(allocator->Commit(), S_OK);
    ASSERT_EQ(allocator->GetBuffer(&first, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(allocator->GetBuffer(&second, nullptr, nullptr, AM_GBF_NOWAIT), VFW_E_TIMEOUT);

    // A waiter gets the sample once it is released.
    std::atomic<HRESULT> waited{E_PENDING};
    std::thread waiter([&] {
        IMediaSample* got = nullptr;
        waited = allocator->GetBuffer(&got, nullptr, nullptr, 0);
        if (got) got->Release();
    });
    Sleep(50);
    EXPECT_EQ(waited.load(), E_PENDING);
    first.Reset();
    waiter.join();
    EXPECT_EQ(waited.load(), S_OK);

    // A waiter is released by a decommit, with no sample.
    ASSERT_EQ(allocator->GetBuffer(&first, nullptr, nullptr, 0), S_OK);
    waited = E_PENDING;
    std::thread released([&] {
        IMediaSample* got = nullptr;
        waited = allocator->GetBuffer(&got, nullptr, nullptr, 0);
    });
    Sleep(50);
    allocator->Decommit();
    released.join();
    EXPECT_EQ(waited.load(), VFW_E_NOT_COMMITTED);
}

TEST_F(DshowContract, AllocatorLivesWhileCommittedOrWhileASampleIsOut) {
    IMemAllocator* allocator = NewAllocator().Detach();
    ALLOCATOR_PROPERTIES request{1, 64, 1, 0}, actual{};
    allocator->SetProperties(&request, &actual);
    allocator->Commit();
    IMediaSample* sample = nullptr;
    allocator->GetBuffer(&sample, nullptr, nullptr, 0);
    EXPECT_EQ(allocator->Release(), 2u);  // committed and the sample hold it
    allocator->AddRef();
    allocator->Decommit();
    EXPECT_EQ(allocator->Release(), 1u);  // the sample
    EXPECT_EQ(sample->Release(), 0u);     // back home; the allocator goes with it
}

TEST_F(DshowContract, SamplePropertiesAndTheirReset) {
    ComPtr<IMemAllocator> allocator = NewAllocator();
    ALLOCATOR_PROPERTIES request{1, 100, 1, 0}, actual{};
    allocator->SetProperties(&request, &actual);
    allocator->Commit();
    ComPtr<IMediaSample> sample;
    ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);

    REFERENCE_TIME start = 10, stop = 0;
    EXPECT_EQ(sample->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
    start = 10;
    ASSERT_EQ(sample->SetTime(&start, nullptr), S_OK);
    EXPECT_EQ(sample->GetTime(&start, &stop), VFW_S_NO_STOP_TIME);
    EXPECT_EQ(sample->SetActualDataLength(101), VFW_E_BUFFER_OVERFLOW);
    EXPECT_EQ(sample->SetActualDataLength(50), S_OK);
    sample->SetSyncPoint(TRUE);
    sample->SetDiscontinuity(TRUE);
    CMediaType type = VideoType(kYuy2, 8, 8);
    ASSERT_EQ(sample->SetMediaType(&type), S_OK);
    AM_MEDIA_TYPE* attached = nullptr;
    ASSERT_EQ(sample->GetMediaType(&attached), S_OK);
    EXPECT_TRUE(CMediaType(*attached) == type);
    DeleteMediaType(attached);

    ComPtr<IMediaSample2> sample2;
    ASSERT_EQ(sample.As(&sample2), S_OK);
    AM_SAMPLE2_PROPERTIES props{};
    sample2->GetProperties(sizeof(props), reinterpret_cast<BYTE*>(&props));
    EXPECT_EQ(props.lActual, 50);
    EXPECT_EQ(props.dwStreamId, DWORD(AM_STREAM_MEDIA));
    EXPECT_TRUE(props.dwSampleFlags & AM_SAMPLE_SPLICEPOINT);

    // Back to the allocator and out again: nothing of the last use remains.
    IMediaSample* raw = sample.Detach();
    sample2.Reset();
    raw->Release();
    ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(sample->IsSyncPoint(), S_FALSE);
    EXPECT_EQ(sample->IsDiscontinuity(), S_FALSE);
    EXPECT_EQ(sample->GetMediaType(&attached), S_FALSE);
    EXPECT_EQ(sample->GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
}

TEST_F(DshowContract, ConnectionAgreesATypeAndDisconnectsCleanly) {
    CMediaType type = VideoType(kYuy2, 64, 48);
    CTestSource* source = new CTestSource(type);
    CTestSink* sink = new CTestSink(SinkOptions{});
    ComPtr<IBaseFilter> sourceFilter, sinkFilter;
    source->NonDelegatingQueryInterface(IID_PPV_ARGS(&sourceFilter));
    sink->NonDelegatingQueryInterface(IID_PPV_ARGS(&sinkFilter));
    IPin* out = source->OutputPin();
    IPin* in = sink->InputPin();

    EXPECT_EQ(out->QueryAccept(&type), S_OK);
    CMediaType other = VideoType(kYuy2, 32, 24);
    EXPECT_EQ(out->QueryAccept(&other), S_FALSE);
    EXPECT_EQ(out->Connect(in, &other), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(out->Connect(out, nullptr), VFW_E_INVALID_DIRECTION);

    ASSERT_EQ(out->Connect(in, nullptr), S_OK);  // the type comes from the enumeration
    EXPECT_EQ(out->Connect(in, nullptr), VFW_E_ALREADY_CONNECTED);
    ComPtr<IPin> peer;
    ASSERT_EQ(in->ConnectedTo(&peer), S_OK);
    EXPECT_EQ(peer.Get(), out);
    AM_MEDIA_TYPE connected{};
    ASSERT_EQ(in->ConnectionMediaType(&connected), S_OK);
    EXPECT_TRUE(CMediaType(connected) == type);
    FreeMediaType(connected);

    EXPECT_EQ(in->Disconnect(), S_OK);
    EXPECT_EQ(out->Disconnect(), S_OK);
    EXPECT_EQ(out->Disconnect(), S_FALSE);
    EXPECT_EQ(out->ConnectedTo(&peer), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(peer.Get(), nullptr);
}

TEST_F(DshowContract, EnumeratorsCloneResetAndSkip) {
    ComPtr<IBaseFilter> grabber = CreateGrabber();
    ComPtr<IEnumPins> pins;
    ASSERT_EQ(grabber->EnumPins(&pins), S_OK);
    IPin* got[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(pins->Next(3, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 2u);
    got[0]->Release();
    got[1]->Release();
    EXPECT_EQ(pins->Next(1, got, nullptr), S_FALSE);
    pins->Reset();
    EXPECT_EQ(pins->Skip(1), S_OK);
    ComPtr<IEnumPins> clone;
    ASSERT_EQ(pins->Clone(&clone), S_OK);
    ComPtr<IPin> fromClone, fromOriginal;
    ASSERT_EQ(clone->Next(1, &fromClone, nullptr), S_OK);
    ASSERT_EQ(pins->Next(1, &fromOriginal, nullptr), S_OK);
    EXPECT_EQ(fromClone.Get(), fromOriginal.Get());  // both at the output pin
    EXPECT_EQ(pins->Skip(1), S_FALSE);
    pins->Reset();
    EXPECT_EQ(pins->Skip(2), S_OK);  // exactly to the end
    EXPECT_EQ(pins->Next(1, got, nullptr), S_FALSE);
    pins->Reset();
    EXPECT_EQ(pins->Skip(3), S_FALSE);

    CTestSource* source = new CTestSource(VideoType(kYuy2, 64, 48));
    ComPtr<IBaseFilter> sourceFilter;
    source->NonDelegatingQueryInterface(IID_PPV_ARGS(&sourceFilter));
    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(source->OutputPin()->EnumMediaTypes(&types), S_OK);
    AM_MEDIA_TYPE* type = nullptr;
    ASSERT_EQ(types->Next(1, &type, nullptr), S_OK);
    DeleteMediaType(type);
    EXPECT_EQ(types->Next(1, &type, nullptr), S_FALSE);
    ComPtr<IEnumMediaTypes> typesClone;
    types->Clone(&typesClone);
    EXPECT_EQ(typesClone->Next(1, &type, nullptr), S_FALSE);  // the clone keeps the position
    typesClone->Reset();
    ASSERT_EQ(typesClone->Next(1, &type, nullptr), S_OK);
    DeleteMediaType(type);
}

TEST_F(DshowContract, StateChangesReachThePinsAndTheFilterHoldsNoGraphReference) {
    GrabberHarness harness;
    ASSERT_EQ(harness.Build(VideoType(kYuy2, 64, 48), SinkOptions{}), S_OK);  // running
    FILTER_STATE state;
    ASSERT_EQ(harness.Sink()->GetState(0, &state), S_OK);
    EXPECT_EQ(state, State_Running);
    ASSERT_EQ(harness.Control()->Pause(), S_OK);
    harness.Sink()->GetState(0, &state);
    EXPECT_EQ(state, State_Paused);
    ASSERT_EQ(harness.Control()->Stop(), S_OK);
    harness.Sink()->GetState(0, &state);
    EXPECT_EQ(state, State_Stopped);
    // Stopped: the input refuses samples.
    std::vector<BYTE> frame(64 * 48 * 2);
    EXPECT_EQ(harness.Push({frame.data(), 64 * 48 * 2}), VFW_E_NOT_COMMITTED);

    FILTER_INFO info{};
    ASSERT_EQ(harness.Sink()->QueryFilterInfo(&info), S_OK);
    ASSERT_NE(info.pGraph, nullptr);  // the caller's reference
    EXPECT_STREQ(info.achName, L"Sink");
    info.pGraph->Release();
}

TEST_F(DshowContract, ReferenceCountsReturnToZeroAfterTeardown) {
    CTestSource* source = new CTestSource(VideoType(kYuy2, 64, 48));
    IBaseFilter* filter = nullptr;
    source->NonDelegatingQueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&filter));
    {
        ComPtr<IGraphBuilder> graph;
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(&graph)),
                  S_OK);
        auto count = [](IUnknown* object) {
            object->AddRef();
            return object->Release();
        };
        ULONG graphAlone = count(graph.Get());
        ASSERT_EQ(graph->AddFilter(filter, L"Source"), S_OK);
        EXPECT_EQ(count(graph.Get()), graphAlone);  // the filter holds no reference on its graph
        ComPtr<IPin> pin;
        ASSERT_EQ(filter->FindPin(L"Out", &pin), S_OK);  // pins count on their filter
    }
    EXPECT_EQ(filter->Release(), 0u);
}

}  // namespace
