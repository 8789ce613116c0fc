// Platform defaults of the modal seam.
#include "modal_seam.h"

#include <olectl.h>
#include <shlobj.h>

namespace {

std::wstring BrowseWithShell(HWND owner, LPCWSTR prompt, UINT flags) {
    wchar_t displayName[MAX_PATH] = L"";
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.pszDisplayName = displayName;
    info.lpszTitle = prompt;
    info.ulFlags = flags;
    PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
    if (!item) return {};
    wchar_t path[MAX_PATH] = L"";
    BOOL isFileSystem = SHGetPathFromIDListW(item, path);
    CoTaskMemFree(item);
    return isFileSystem ? std::wstring(path) : std::wstring();
}

ModalSeam PlatformSeam() {
    ModalSeam seam;
    seam.messageBox = [](HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
        return MessageBoxW(owner, text, caption, type);
    };
    seam.answerModal = [](UINT, INT_PTR*) { return false; };
    seam.browseForFolder = BrowseWithShell;
    seam.exitWindows = [](UINT flags, DWORD reason) { return ExitWindowsEx(flags, reason); };
    seam.propertyFrame = [](HWND owner, LPCWSTR caption, IUnknown* object, ULONG pageCount, const CLSID* pages) {
        return OleCreatePropertyFrame(owner, 0, 0, caption, 1, &object, pageCount, const_cast<CLSID*>(pages), 0, 0,
                                      nullptr);
    };
    return seam;
}

ModalSeam g_seam = PlatformSeam();

}  // namespace

ModalSeam& AfxModalSeam() { return g_seam; }

void AfxResetModalSeam() { g_seam = PlatformSeam(); }
