// From a grabbed frame to a BMP or JPEG file: the grabber's callback copies a requested frame
// on the streaming thread and posts it to the main window, whose handler converts, names and
// saves it on the user-interface thread.
#pragma once
#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>

// What the last graph build left for the snapshots (written by the capture engine on the
// user-interface thread): the chosen size, the camera's layout (0 YV12, 1 I420, 2 YUY2,
// 3 UYVY), and whether snapshots are stretched to the chosen size.
extern int g_videoWidth;
extern int g_videoHeight;
extern int g_videoSubtype;
extern int g_snapshotRescale;

// A frame on its way from the streaming thread to the handler: a malloc'd block that the
// message carries and the handler frees. It carries what the graph that took it was built
// with, since another graph may run by the time the message is handled.
struct SnapshotFrame {
    size_t bytes;
    int layout;        // the layout code, as g_videoSubtype
    int targetWidth;   // the size the picture is stretched to; 0 x 0: the frame's own size
    int targetHeight;
    bool toClipboard;  // copied as a device-independent bitmap instead of saved
    BYTE data[1];      // `bytes` of them
};

// A new block holding a copy of `frame`, with the current graph's layout and stretch; null
// when out of memory.
SnapshotFrame* NewSnapshotFrame(const BYTE* frame, size_t bytes, bool toClipboard = false);

// What became of a picture asked for: saved, not saved (the message about it follows), or never
// taken (the capture stopped or started anew before a frame came for it).
enum class PictureOutcome { Saved, NotSaved, NotTaken };

// How a picture taken for a file is saved: into `path` (empty: the snapshot folder under a new
// dated name) as BMP or JPEG by its extension, with the shutter sound unless `silent`. `done`,
// when set, hears its outcome, before any message about it.
struct SnapshotOptions {
    std::wstring path;
    bool silent = false;
    std::function<void(PictureOutcome)> done;
};
// Asks for a picture of the next frame (user-interface thread). Requests queue: each takes a
// frame of its own, in the order they came, and hears its own outcome.
void QueueSnapshot(SnapshotOptions options);
// Withdraws the requests no frame was taken for yet: each hears NotTaken.
void WithdrawSnapshots();
// Stops a shutter sound still playing: before the process ends, whose sound output must not be
// torn down under a sound that plays.
void StopShutterSound();
// Tests count the shutter sounds through this (null: nobody counts).
extern std::function<void()> g_shutterSoundObserver;

// The grabber's per-frame callback (streaming thread): takes the frame when a snapshot or a
// copy to the clipboard was asked for, exactly one per request. Returns 0.
int SnapshotFrameCallback(int width, int height, BYTE* frame, int size);
// Handler of WM_SNAPSHOT (user-interface thread): the shutter sound, then the picture saved or,
// for a copy, put on the clipboard as a 32-bit bottom-up CF_DIB with the pixels a BMP
// snapshot would have; frees the frame. Returns 0.
LRESULT OnSnapshotFrame(WPARAM wParam, LPARAM lParam);
// Saves the snapshots already queued to `mainWnd`, for the close sequence to call while GDI+
// still runs.
void FinishQueuedSnapshots(HWND mainWnd);
// Frees the frames of snapshots still queued to `mainWnd`, unsaved.
void DropQueuedSnapshots(HWND mainWnd);
