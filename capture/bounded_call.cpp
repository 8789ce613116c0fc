// Bounded graph calls.
#include "bounded_call.h"

#include <memory>
#include <new>

#include "framework/raii.h"

namespace {

int g_waiting = 0;  // nested waits of the user-interface thread

// One call's state, kept alive by whichever of the two threads lets go of it last.
struct BoundedCall {
    std::function<void()> call;
    UniqueHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

DWORD WINAPI RunCall(void* parameter) {
    std::unique_ptr<std::shared_ptr<BoundedCall>> state(static_cast<std::shared_ptr<BoundedCall>*>(parameter));
    HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    (*state)->call();
    (*state)->call = nullptr;  // its references go here, before the waiting thread goes on
    if (SUCCEEDED(com)) CoUninitialize();
    SetEvent((*state)->done.get());
    return 0;
}

// The messages the wait dispatches: everything but input, commands, closing and the graph's own
// notifications (WM_APP on), which stay queued for after the wait.
constexpr UINT kDispatched[][2] = {
    {0, WM_CLOSE - 1},
    {WM_CLOSE + 1, WM_NCMOUSEMOVE - 1},
    {WM_NCXBUTTONDBLCLK + 1, WM_KEYFIRST - 1},
    {WM_KEYLAST + 1, WM_COMMAND - 1},
    {WM_SYSCOMMAND + 1, WM_MOUSEFIRST - 1},
    {WM_MOUSELAST + 1, WM_APP - 1},
    {0xC000, 0xFFFF},  // registered messages
};

// Dispatches the waiting messages of the ranges above; true when there was one.
bool DispatchWaiting() {
    bool any = false;
    MSG msg;
    for (const auto& range : kDispatched)
        while (PeekMessageW(&msg, nullptr, range[0], range[1], PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            any = true;
        }
    return any;
}

bool WaitPumping(HANDLE done, DWORD limitMs) {
    ++g_waiting;
    const DWORD start = GetTickCount();
    bool finished = false;
    for (;;) {
        DWORD waited = GetTickCount() - start;
        if (waited >= limitMs) break;
        DWORD result = MsgWaitForMultipleObjects(1, &done, FALSE, limitMs - waited, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0) {
            finished = true;
            break;
        }
        if (result != WAIT_OBJECT_0 + 1) break;
        // Input that stays queued wakes the wait again: then wait on the call alone for a moment.
        if (!DispatchWaiting() && WaitForSingleObject(done, 10) == WAIT_OBJECT_0) {
            finished = true;
            break;
        }
    }
    --g_waiting;
    return finished || WaitForSingleObject(done, 0) == WAIT_OBJECT_0;
}

}  // namespace

bool WaitingForGraph() { return g_waiting > 0; }

bool CallBounded(std::function<void()> call, DWORD limitMs) {
    auto state = std::make_shared<BoundedCall>();
    state->call = std::move(call);
    auto* forThread = new (std::nothrow) std::shared_ptr<BoundedCall>(state);
    HANDLE thread = forThread && state->done ? CreateThread(nullptr, 0, RunCall, forThread, 0, nullptr) : nullptr;
    if (!thread) {  // no thread to be had: the call is made here, unbounded, as it always was
        delete forThread;
        state->call();
        return true;
    }
    CloseHandle(thread);
    return WaitPumping(state->done.get(), limitMs);
}
