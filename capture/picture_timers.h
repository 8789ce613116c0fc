// Pictures taken by the clock: the photo timer (one picture after a countdown in the title) and
// pictures at intervals (a series while a preview or recording runs, its count in the title).
// Both take their pictures as Capture does. Driven by the main window's timers; user-interface
// thread only.
#pragma once
#include <windows.h>

#include <string>

constexpr UINT_PTR kPhotoTimer = 0x5748;
constexpr UINT_PTR kIntervalTimer = 0x5749;

// Starts the countdown of the options' delay, while a preview or recording runs.
void StartPhotoCountdown(HWND mainWnd);
void CancelPhotoCountdown(HWND mainWnd);
bool PhotoCountdownRunning();
// A second passed: the title counts down, and at zero the picture is asked for.
void OnPhotoTimer(HWND mainWnd);

// Starts a series (its first picture at once, then one every interval of the options); false,
// with nothing started, while no preview or recording runs.
bool StartIntervalSeries(HWND mainWnd);
void StopIntervalSeries(HWND mainWnd);
bool IntervalSeriesRunning();
// An interval passed: the next picture, or the end of the series once its capture stopped.
void OnIntervalTimer(HWND mainWnd);

// What the title says of them: " - picture in 3", " - interval 12/100" (" - interval 12"
// without a limit), or nothing.
std::wstring PictureTimersTitle();
