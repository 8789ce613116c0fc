// The preview renderer choice.
#include "preview_renderer.h"

#include <windows.h>

#include "settings/settings_store.h"

namespace {

// The stored choice; false when the value is absent or anything but one of the two texts.
bool StoredChoice(PreviewRenderer* choice) {
    wchar_t text[8] = {};
    DWORD type = 0, size = sizeof(text) - sizeof(wchar_t);  // room for a terminator of our own
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    LONG result = RegQueryValueExW(key, kPreviewRendererValue, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ) return false;
    int length = static_cast<int>(size / sizeof(wchar_t));
    if (length > 0 && text[length - 1] == L'\0') --length;  // the stored terminator
    if (CompareStringOrdinal(text, length, L"vmr9", -1, TRUE) == CSTR_EQUAL) {
        *choice = PreviewRenderer::Vmr9;
        return true;
    }
    if (CompareStringOrdinal(text, length, L"gdi", -1, TRUE) == CSTR_EQUAL) {
        *choice = PreviewRenderer::Gdi;
        return true;
    }
    return false;
}

}  // namespace

bool RunningUnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

PreviewRenderer ChoosePreviewRenderer() {
    PreviewRenderer choice;
    if (StoredChoice(&choice)) return choice;
    return RunningUnderWine() ? PreviewRenderer::Gdi : PreviewRenderer::Vmr9;
}
