// Waiting for the graph.
#include "graph_wait.h"

#include <memory>
#include <new>

#include "framework/cdialog.h"
#include "framework/raii.h"

namespace {

int g_waiting = 0;             // nested waits of the user-interface thread
bool g_endWaitEarly = false;  // a stop or close waits for its turn

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

// Dispatches the waiting messages, as the dialog's own loop would, but for those from WM_APP
// on (the graph's notifications, and what waits for its turn), which stay queued for after the
// wait. How many it dispatched; -1 when the program is quitting.
int DispatchWaiting() {
    constexpr UINT kDispatched[][2] = {{0, WM_APP - 1}, {0xC000, 0xFFFF}};
    int dispatched = 0;
    MSG msg;
    for (const auto& range : kDispatched)
        while (PeekMessageW(&msg, nullptr, range[0], range[1], PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop outside
                return -1;
            }
            if (!AfxPreTranslateMessage(&msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            ++dispatched;
        }
    return dispatched;
}

// Waits until `done` is signalled (never, when null), `limitMs` have passed, or (when
// `endsEarly`) a stop or close waits; dispatching messages meanwhile. True when `done` was
// signalled.
bool WaitAnswering(HANDLE done, DWORD limitMs, bool endsEarly) {
    ++g_waiting;
    if (g_waiting == 1) g_endWaitEarly = false;
    const DWORD start = GetTickCount();
    bool finished = false;
    for (;;) {
        if (endsEarly && g_endWaitEarly) break;
        DWORD waited = GetTickCount() - start;
        if (waited >= limitMs) break;
        DWORD result = MsgWaitForMultipleObjects(done ? 1 : 0, &done, FALSE, limitMs - waited, QS_ALLINPUT);
        if (done && result == WAIT_OBJECT_0) {
            finished = true;
            break;
        }
        if (result == WAIT_TIMEOUT || result == WAIT_FAILED) break;
        const int dispatched = DispatchWaiting();
        if (dispatched < 0) break;
        // What stays queued for after the wait may wake it again at once: a moment's rest then.
        if (dispatched == 0 && (done ? WaitForSingleObject(done, 10) : (Sleep(10), WAIT_TIMEOUT)) == WAIT_OBJECT_0) {
            finished = true;
            break;
        }
    }
    --g_waiting;
    return finished || (done && WaitForSingleObject(done, 0) == WAIT_OBJECT_0);
}

}  // namespace

bool WaitingForGraph() { return g_waiting > 0; }

void EndWaitEarly() { g_endWaitEarly = true; }

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
    return WaitAnswering(state->done.get(), limitMs, false);
}

bool PauseAnswering(DWORD ms) {
    WaitAnswering(nullptr, ms, true);
    return !g_endWaitEarly;
}
