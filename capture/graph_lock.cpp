// The graph lock.
#include "graph_lock.h"

#include <new>

CRITICAL_SECTION* g_graphLock = nullptr;

void CreateGraphLock() {
    g_graphLock = new (std::nothrow) CRITICAL_SECTION;
    if (g_graphLock) InitializeCriticalSection(g_graphLock);
}

void DeleteGraphLock() {
    if (!g_graphLock) return;
    DeleteCriticalSection(g_graphLock);
    delete g_graphLock;
    g_graphLock = nullptr;
}

void PassGraphLock() {
    if (!g_graphLock) return;
    EnterCriticalSection(g_graphLock);
    LeaveCriticalSection(g_graphLock);
}
