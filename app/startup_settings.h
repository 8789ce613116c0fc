// The program's start-up load of the settings: the camera driver flag check (which may start
// the driver's tool and ask the user to restart), the stored options, the stored devices as
// the selection, and the folders. User-interface thread only.
#pragma once
#include <functional>

// Loads every setting with its defaults and moves the device selection to the stored devices,
// after the driver flag check. `runCloseSequence` is the main window's close-time teardown, run
// when the user agrees to restart the system.
void LoadSettings(const std::function<void()>& runCloseSequence);
// The camera driver flag check: when the flag cannot be read, starts the tool that sets it and
// asks the user to restart.
void DriverFlagCheck(const std::function<void()>& runCloseSequence);
