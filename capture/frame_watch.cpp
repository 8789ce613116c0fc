// The running watch.
#include "frame_watch.h"

#include <algorithm>

void FrameWatch::Start(LONGLONG frameTime) {
    m_running = true;
    m_frames = 0;
    m_lastFrameAt = GetTickCount64();
    const ULONGLONG threeFrames = frameTime > 0 ? static_cast<ULONGLONG>(frameTime) * 3 / 10000 : 0;
    m_limitMs = std::max<ULONGLONG>(3000, threeFrames);
}

bool FrameWatch::FellSilent(unsigned frames) {
    if (!m_running) return false;
    const ULONGLONG now = GetTickCount64();
    if (frames != m_frames) {
        m_frames = frames;
        m_lastFrameAt = now;
        return false;
    }
    // Before the first frame the first-frame watch decides.
    if (m_frames == 0 || now - m_lastFrameAt < m_limitMs) return false;
    m_running = false;
    return true;
}
