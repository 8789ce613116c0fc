// The program's modal interactions and its one system-level request, gathered in one place
// that tests replace, so that no test waits for a click and none restarts the machine. By
// default every member calls the platform.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

struct ModalSeam {
    // MessageBoxW.
    std::function<int(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)> messageBox;
    // Asked before a dialog runs modally; returning true answers the dialog with *result
    // without showing it. The default shows every dialog.
    std::function<bool(UINT templateId, INT_PTR* result)> answerModal;
    // The shell's folder browser; the chosen file-system path, or empty when none.
    std::function<std::wstring(HWND owner, LPCWSTR prompt, UINT flags)> browseForFolder;
    // ExitWindowsEx.
    std::function<BOOL(UINT flags, DWORD reason)> exitWindows;
    // OleCreatePropertyFrame with `object`'s property pages, titled `caption`.
    std::function<HRESULT(HWND owner, LPCWSTR caption, IUnknown* object, ULONG pageCount, const CLSID* pages)>
        propertyFrame;
};

// The seam in force (user-interface thread only).
ModalSeam& AfxModalSeam();
// Puts the platform calls back.
void AfxResetModalSeam();
