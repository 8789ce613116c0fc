// Device ID matching.
#include "device_id.h"

#include <cwchar>

bool DeviceIdMatches(const wchar_t* displayName, const wchar_t* storedId, size_t capacity) {
    size_t length = std::wcslen(storedId);
    if (capacity > 0 && length >= capacity - 1) return std::wcsncmp(displayName, storedId, length) == 0;
    return std::wcscmp(displayName, storedId) == 0;
}
