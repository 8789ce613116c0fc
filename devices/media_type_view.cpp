// Media type views.
#include "media_type_view.h"

#include <cstring>

namespace {

static_assert(sizeof(MediaGuid) == sizeof(GUID), "GUID layout");

MediaGuid ToMediaGuid(const GUID& guid) {
    MediaGuid result;
    std::memcpy(&result, &guid, sizeof(result));
    return result;
}

}  // namespace

CameraFormatView ViewOf(const AM_MEDIA_TYPE& type) {
    return {ToMediaGuid(type.majortype), ToMediaGuid(type.subtype), ToMediaGuid(type.formattype),
            type.pbFormat, type.pbFormat ? type.cbFormat : 0};
}
