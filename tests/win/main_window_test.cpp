// The main window created in this process, driven with messages.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include "app/main_dlg.h"
#include "capture/capture_session.h"
#include "resources/resource.h"
#include "support/ui_helpers.h"

using namespace testsupport;

TEST(MainWindowProbe, Toolbar) {
    CZevuvArividDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_ZEVUVARIVID_DIALOG));
    PumpMessages();
    HWND tb = dlg.Toolbar().m_hWnd;
    printf("toolbar %p count=%d videoTop=%d\n", tb, (int)SendMessageW(tb, TB_BUTTONCOUNT, 0, 0), g_videoTop);
    RECT r; GetWindowRect(tb, &r); printf("tb rect %ld %ld %ld %ld vis=%d\n", r.left, r.top, r.right, r.bottom, IsWindowVisible(tb));
    SaveScreenshot(CaptureWindow(dlg.m_hWnd), L"probe");
}
#include "framework/toolbar_resource.h"
TEST(MainWindowProbe, Resource) {
    HRSRC r = FindResourceW(nullptr, MAKEINTRESOURCEW(134), MAKEINTRESOURCEW(241));
    printf("res %p size %lu\n", r, r ? SizeofResource(nullptr, r) : 0);
    if (r) { auto* p = (const unsigned short*)LockResource(LoadResource(nullptr, r)); for (int i=0;i<9;i++) printf("%u ", p[i]); printf("\n"); }
    HBITMAP b = CreateMappedBitmap(GetModuleHandleW(nullptr), 134, 0, nullptr, 0);
    printf("mapped %p\n", b);
}
