// The per-user settings and their start-up load.
#pragma once
#include <functional>

// Loads every setting with its defaults and moves the device selection to the stored devices.
// `runCloseSequence` is the main window's close-time teardown, run when the user agrees to
// restart the system.
void LoadSettings(const std::function<void()>& runCloseSequence);
