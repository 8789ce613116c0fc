// The running watch beside the first-frame watch: whether a running camera still sends
// pictures. A camera can stop delivering without a word to the graph (one pulled out where the
// driver sends no device-lost event, a driver that hangs, a camera another program took over).
// User-interface thread only.
#pragma once
#include <windows.h>

class FrameWatch {
public:
    // A graph runs from now with frames `frameTime` apart (100-ns units; 0: not known).
    void Start(LONGLONG frameTime);
    void Stop() { m_running = false; }
    // Given the frames counted since the graph ran: true, once, when frames came and then none
    // for the limit: 3 s, or three frame times where that is longer.
    bool FellSilent(unsigned frames);

private:
    bool m_running = false;
    unsigned m_frames = 0;
    ULONGLONG m_lastFrameAt = 0;  // GetTickCount64 when the count last grew
    ULONGLONG m_limitMs = 3000;
};
