// Capture state and the flags that steer the next graph build. User-interface thread only.
#pragma once

enum CaptureState : int { Stopped = 0, Previewing = 2, Recording = 3 };

extern int g_captureState;        // a CaptureState
extern int g_recordMode;          // the next build is a record build
extern int g_deviceRescanPending; // a device change was seen while a graph existed
// The running recording has no sound: there was no microphone to record.
extern bool g_recordingWithoutSound;
