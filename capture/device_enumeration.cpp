// Device enumeration.
#include "device_enumeration.h"

HRESULT EnumerateDevices(EnumerationObjects&) { return E_NOTIMPL; }

void RefreshDeviceSelection() {}
