// Graph calls that can wait for a camera's streaming thread (Run, Pause, Stop) are made off the
// user-interface thread, which goes on repainting, moving and sizing the window while it waits
// for them, for a bounded time. A call past its bound is left to finish on its own thread: a
// stuck camera never freezes the window.
//
// Threads: everything here is called on the user-interface thread; the calls themselves run on
// threads of their own, with COM initialised for them.
#pragma once
#include <windows.h>

#include <functional>

// How long a graph call may take before the camera is taken for stuck.
constexpr DWORD kGraphCallLimitMs = 3000;

// True while the user-interface thread waits for a graph call. Whatever would start another
// graph operation then (a command, closing, a graph event, a device change) waits for its turn:
// the main window posts it again.
bool WaitingForGraph();

// Runs `call` on a thread of its own and waits for it at most `limitMs`, dispatching the
// window's messages meanwhile. True when it finished in time; otherwise it goes on alone, with
// everything it holds (give it copies of the references it needs), and is never waited for.
bool CallBounded(std::function<void()> call, DWORD limitMs = kGraphCallLimitMs);
