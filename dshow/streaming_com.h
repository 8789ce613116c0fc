// COM on a streaming thread: a filter that uses COM objects in its per-frame work (the image
// codecs) initialises it on whatever thread the upstream filter delivers on.
#pragma once

// Initialises COM for this thread once (multithreaded, or whatever the thread already has).
void EnsureComOnThisThread();
