// Walking a camera's accepted formats.
#include "accepted_formats.h"

#include <wrl/client.h>

#include <algorithm>

#include "devices/media_type_view.h"
#include "dshow/media_type.h"

using Microsoft::WRL::ComPtr;

namespace {
// More than any camera reports (webcams offering two formats at many sizes report 50 and
// more); a bound against a driver that reports nonsense.
constexpr int kFormatsExamined = 4096;
constexpr int kCapabilitySize = 128;  // one VIDEO_STREAM_CONFIG_CAPS
static_assert(sizeof(VIDEO_STREAM_CONFIG_CAPS) == kCapabilitySize, "capability layout");

// Visits `type` when it is accepted; true when the visitor is done. Frees the type.
bool VisitOffer(IAMStreamConfig* config, AM_MEDIA_TYPE* type, const VIDEO_STREAM_CONFIG_CAPS* caps,
                const AcceptedFormatVisitor& visit) {
    CameraFormatView view = ViewOf(*type);
    VideoInfoFacts facts;
    bool done = false;
    if (IsAcceptedCameraFormat(view) && ReadVideoInfo(view, &facts)) {
        if (facts.frameInterval <= 0 && caps && caps->MinFrameInterval > 0)
            facts.frameInterval = caps->MinFrameInterval;  // the fastest the capability offers
        if (caps && caps->MaxFrameInterval > facts.frameInterval && facts.frameInterval > 0)
            facts.slowestInterval = caps->MaxFrameInterval;
        done = visit(config, type, facts);
    }
    DeleteMediaType(type);
    return done;
}

// The pin's media types, where it has no capabilities to report.
void ForEachMediaType(IPin* pin, const AcceptedFormatVisitor& visit) {
    ComPtr<IEnumMediaTypes> types;
    if (FAILED(pin->EnumMediaTypes(&types)) || !types) return;
    AM_MEDIA_TYPE* type = nullptr;
    for (int i = 0; i < kFormatsExamined && types->Next(1, &type, nullptr) == S_OK; ++i)
        if (type && VisitOffer(nullptr, type, nullptr, visit)) return;
}

}  // namespace

void ForEachAcceptedFormat(IPin* pin, const AcceptedFormatVisitor& visit) {
    if (!pin) return;
    ComPtr<IAMStreamConfig> config;
    int count = 0, size = 0;
    if (FAILED(pin->QueryInterface(IID_PPV_ARGS(&config))) ||
        FAILED(config->GetNumberOfCapabilities(&count, &size)) || count <= 0)
        return ForEachMediaType(pin, visit);
    if (size != kCapabilitySize) return;

    for (int i = 0; i < std::min(count, kFormatsExamined); ++i) {
        AM_MEDIA_TYPE* type = nullptr;
        VIDEO_STREAM_CONFIG_CAPS caps;
        if (FAILED(config->GetStreamCaps(i, &type, reinterpret_cast<BYTE*>(&caps))) || !type) continue;
        if (VisitOffer(config.Get(), type, &caps, visit)) return;
    }
}
