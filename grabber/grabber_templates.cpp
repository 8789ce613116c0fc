// The factory-template table of Webcam: the frame grabber, the one filter the program makes
// itself, created in-process and never through the registry.
#include "dshow/class_factory.h"
#include "grabber/sample_grabber.h"

namespace {

const AMOVIESETUP_PIN_DATA kGrabberPins[] = {
    {L"Input", FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, L"", 0, nullptr},
    {L"Output", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, L"", 0, nullptr},
};

const AMOVIESETUP_FILTER_DATA kGrabberSetup = {&CLSID_RirovirGrabber, L"Rirovir SampleGrabber",
                                               MERIT_DO_NOT_USE, 2, kGrabberPins};

}  // namespace

const CFactoryTemplate g_Templates[] = {
    {L"Rirovir SampleGrabber", &CLSID_RirovirGrabber, &CSampleGrabber::CreateInstance, nullptr,
     &kGrabberSetup},
};
const int g_cTemplates = sizeof(g_Templates) / sizeof(g_Templates[0]);
