// The graph lock: created and deleted by the main window, passed through (entered and left at
// once) by the rebuild and the device-change handling. Every use is skipped while it is null.
#pragma once
#include <windows.h>

extern CRITICAL_SECTION* g_graphLock;

// Allocates and initialises g_graphLock; it stays null when the allocation fails.
void CreateGraphLock();
// Deletes and frees g_graphLock, leaving it null.
void DeleteGraphLock();
// Enters and at once leaves g_graphLock, when it exists.
void PassGraphLock();
