// Fills and refreshes the device catalogue from the system device enumerator.
#pragma once
#include <windows.h>
#include <dshow.h>
#include <wrl/client.h>

// The temporary objects an enumeration works with; its caller releases them afterwards.
struct EnumerationObjects {
    Microsoft::WRL::ComPtr<IGraphBuilder> graph;
    Microsoft::WRL::ComPtr<ICaptureGraphBuilder2> builder;
};

// The monikers of a device category from the system device enumerator. E_FAIL when the
// enumerator cannot be created or the category is empty.
HRESULT OpenDeviceCategory(REFCLSID category, Microsoft::WRL::ComPtr<IEnumMoniker>* monikers);

// Adds the cameras and then the audio capture devices to the tables, from their current
// counts. The first failing HRESULT, else 0.
HRESULT EnumerateDevices(EnumerationObjects& objects);

// Rebuilds both tables and derives the selection again from the stored settings.
void RefreshDeviceSelection();

// Rebuilds both tables and keeps the current selection where its devices are still there;
// where they are gone, the selection is derived from the stored settings.
void RescanDevices();

// True when the stored camera cannot be used as the catalogue stands: there is no camera, or
// the one whose device ID is stored is not among them. Worth a rescan before capturing.
bool StoredCameraMissing();

// Why a camera of the last enumeration could not be opened (one held by another program is
// left out of the tables); S_OK when each could.
HRESULT CameraOpenFailure();
