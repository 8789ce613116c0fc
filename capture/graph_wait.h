// Waiting for the graph on the user-interface thread while the window goes on answering: graph
// calls that can wait for a camera's streaming thread (Run, Pause, Stop) are made on a thread of
// their own, for a bounded time, so that a stuck camera never freezes the window; and the
// record build's pause is waited out with the window answering too.
//
// Threads: everything here is called on the user-interface thread; the calls themselves run on
// threads of their own, with COM initialised for them.
#pragma once
#include <windows.h>

#include <functional>

// How long a graph call may take before the camera is taken for stuck.
constexpr DWORD kGraphCallLimitMs = 3000;

// True while the user-interface thread waits. Whatever would start another graph operation then
// (a command, closing, a graph event, a device or power change) waits for its turn: the main
// window keeps it and carries it out after the wait.
bool WaitingForGraph();
// Said by the main window when what waits for its turn ends the capture (Stop, closing): a
// pause being waited out ends at once.
void EndWaitEarly();

// Runs `call` on a thread of its own and waits for it at most `limitMs`, dispatching the
// window's messages meanwhile. True when it finished in time; otherwise it goes on alone, with
// everything it holds (give it copies of the references it needs), and is never waited for.
bool CallBounded(std::function<void()> call, DWORD limitMs = kGraphCallLimitMs);
// Waits `ms`, dispatching the window's messages meanwhile; false when it ended early.
bool PauseAnswering(DWORD ms);
