// Matching a stored device ID with a device's display name. Portable: no Windows header.
#pragma once
#include <cstddef>

// True when `storedId` names the device whose display name is `displayName`. IDs are kept in
// fields of `capacity` characters with the terminator: one that fills its field may have been
// cut to fit, and then names the device whose display name begins with it. Otherwise the two
// are equal, case included.
bool DeviceIdMatches(const wchar_t* displayName, const wchar_t* storedId, size_t capacity);
