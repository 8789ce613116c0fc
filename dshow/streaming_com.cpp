// COM on streaming threads.
#include "streaming_com.h"

#include <objbase.h>

void EnsureComOnThisThread() {
    thread_local bool initialised = false;
    if (initialised) return;
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    initialised = SUCCEEDED(hr) || hr == RPC_E_CHANGED_MODE;
}
