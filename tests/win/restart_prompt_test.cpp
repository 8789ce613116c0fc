// The restart prompt shown for real and answered as a person would, and the restart request.
#include <windows.h>
#include <gtest/gtest.h>

#include "framework/modal_seam.h"
#include "resources/resource.h"
#include "support/ui_helpers.h"
#include "ui/restart_dlg.h"

using namespace testsupport;

namespace {

const wchar_t kPromptText[] =
    L"You must restart your system for the configuration changes made to Webcam to take "
    L"effect. Click Yes to restart now or No if you plan to maunally restart later.";

// The prompt has no caption: it is found by its text.
HWND FindPrompt() {
    for (int i = 0; i < 1000; ++i) {
        HWND found = nullptr;
        HWND candidate = nullptr;
        while ((candidate = FindWindowExW(nullptr, candidate, L"#32770", nullptr))) {
            DWORD pid = 0;
            GetWindowThreadProcessId(candidate, &pid);
            if (pid != GetCurrentProcessId() || !IsWindowVisible(candidate)) continue;
            for (HWND c = GetWindow(candidate, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                if (WindowText(c) == kPromptText) found = candidate;
        }
        if (found) return found;
        Sleep(10);
    }
    return nullptr;
}

struct PromptRun {
    INT_PTR result = -1;
    bool found = false;
    bool topmost = false;
    bool centred = false;
    LRESULT defaultId = 0;
};

// Shows the prompt and lets `answer` act on it from another thread once it is on screen.
PromptRun RunPrompt(void (*answer)(HWND)) {
    PromptRun run;
    struct Context {
        PromptRun* run;
        void (*answer)(HWND);
    } context{&run, answer};
    HANDLE user = CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
            auto* c = static_cast<Context*>(p);
            HWND prompt = FindPrompt();
            if (!prompt) return 0;
            c->run->found = true;
            c->run->topmost = GetWindowLongPtrW(prompt, GWL_EXSTYLE) & WS_EX_TOPMOST;
            RECT window, work;
            GetWindowRect(prompt, &window);
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
            int dx = (window.left + window.right) / 2 - (work.left + work.right) / 2;
            int dy = (window.top + window.bottom) / 2 - (work.top + work.bottom) / 2;
            c->run->centred = std::abs(dx) <= 2 && std::abs(dy) <= 2;
            c->run->defaultId = SendMessageW(prompt, DM_GETDEFID, 0, 0);
            c->answer(prompt);
            return 0;
        },
        &context, 0, nullptr);
    CRestartDlg prompt;
    run.result = prompt.DoModal();
    WaitForSingleObject(user, INFINITE);
    CloseHandle(user);
    return run;
}

TEST(RestartPrompt, YesIsTheTopmostCentredDefaultAndAnswersOne) {
    PromptRun run = RunPrompt([](HWND prompt) {
        SendMessageW(GetDlgItem(prompt, IDOK), BM_CLICK, 0, 0);
    });
    ASSERT_TRUE(run.found);
    EXPECT_TRUE(run.topmost);
    EXPECT_TRUE(run.centred);
    EXPECT_EQ(LOWORD(run.defaultId), IDOK);
    EXPECT_EQ(run.result, 1);
}

TEST(RestartPrompt, NoAnswersTwo) {
    PromptRun run = RunPrompt([](HWND prompt) {
        SendMessageW(GetDlgItem(prompt, IDCANCEL), BM_CLICK, 0, 0);
    });
    ASSERT_TRUE(run.found);
    EXPECT_EQ(run.result, 2);
}

TEST(RestartPrompt, EscCountsAsNoAndEnterAsYes) {
    PromptRun esc = RunPrompt([](HWND prompt) {
        PostMessageW(GetFocus() ? GetFocus() : prompt, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageW(GetDlgItem(prompt, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
    });
    ASSERT_TRUE(esc.found);
    EXPECT_EQ(esc.result, 2);

    PromptRun enter = RunPrompt([](HWND prompt) {
        PostMessageW(GetDlgItem(prompt, IDCANCEL), WM_KEYDOWN, VK_RETURN, 0);
    });
    ASSERT_TRUE(enter.found);
    EXPECT_EQ(enter.result, 1);
}

TEST(RestartRequest, AsksForARestartThatLetsProgramsSaveTheirWork) {
    UINT flags = 0;
    DWORD reason = 1;
    int calls = 0;
    AfxModalSeam().exitWindows = [&](UINT f, DWORD r) {
        ++calls;
        flags = f;
        reason = r;
        return TRUE;
    };
    RequestSystemRestart();
    AfxResetModalSeam();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(flags, UINT(EWX_REBOOT | EWX_FORCEIFHUNG));
    EXPECT_EQ(reason, 0u);
}

}  // namespace
