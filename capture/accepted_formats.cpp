// Walking a camera's accepted formats.
#include "accepted_formats.h"

#include <wrl/client.h>

#include <algorithm>

#include "capture/media_type_view.h"
#include "dshow/media_type.h"

namespace {
// More than any camera reports (webcams offering two formats at many sizes report 50 and
// more); a bound against a driver that reports nonsense.
constexpr int kCapabilitiesExamined = 4096;
constexpr int kCapabilitySize = 128;  // one VIDEO_STREAM_CONFIG_CAPS
}  // namespace

void ForEachAcceptedFormat(ICaptureGraphBuilder2* builder, IBaseFilter* camera,
                           const AcceptedFormatVisitor& visit) {
    Microsoft::WRL::ComPtr<IAMStreamConfig> config;
    if (builder->FindInterface(&PIN_CATEGORY_CAPTURE, nullptr, camera, IID_IAMStreamConfig,
                               reinterpret_cast<void**>(config.GetAddressOf())) != S_OK)
        return;
    int count = 0, size = 0;
    if (FAILED(config->GetNumberOfCapabilities(&count, &size)) || size != kCapabilitySize) return;

    for (int i = 0; i < std::min(count, kCapabilitiesExamined); ++i) {
        AM_MEDIA_TYPE* type = nullptr;
        VIDEO_STREAM_CONFIG_CAPS caps;
        if (FAILED(config->GetStreamCaps(i, &type, reinterpret_cast<BYTE*>(&caps))) || !type)
            continue;
        CameraFormatView view = ViewOf(*type);
        VideoInfoFacts facts;
        bool done = IsAcceptedCameraFormat(view) && ReadVideoInfo(view, &facts) &&
                    visit(config.Get(), type, facts);
        DeleteMediaType(type);
        if (done) return;
    }
}
