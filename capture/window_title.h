// The main window's title says what the capture is doing: the program's name alone while it
// rests or shows the picture; "<name> - starting recording..." during the record build's pause;
// "<name> - recording 00:01:23 - 45.2 MB" while a recording runs ("recording without sound"
// where it has no microphone, "- low disk space" where the disk is about to fill); and a note of
// what stopped a recording (sleep, a lost camera) until the user does something next; then the
// photo timer's countdown and the count of pictures at intervals, while they run.
// User-interface thread only.
#pragma once
#include <windows.h>

// The record build's pause is being waited out.
extern bool g_recordingStarting;

// Sets the title for the capture state as it is now.
void ShowCaptureTitle(HWND mainWnd);
// A note the title shows while nothing is recorded, until ClearTitleNote.
void SetTitleNote(const wchar_t* note);
void ClearTitleNote();
