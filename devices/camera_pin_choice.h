// Which of a camera's pins carries its video: the rule that picks it from what each pin says of
// itself. Portable: no Windows header.
#pragma once
#include <cstddef>

// The category a pin reports through its property set, if any.
enum class PinCategory { None, Capture, Preview, Other };

struct PinFacts {
    bool output;
    bool connected;
    PinCategory category;
    bool offersVideo;  // one of its media types (or stream capabilities) is video
};

// The index of the camera's video pin among `pins`, or -1: the first unconnected output pin of
// the capture category that offers a video type; where there is none, the first such pin of the
// preview category; where no pin reports any category, the first unconnected output pin that
// offers a video type.
int ChooseCameraPin(const PinFacts* pins, size_t count);
