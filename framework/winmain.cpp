// The framework's program entry point (GUI programs only).
#include "cwinapp.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return AfxWinMain(instance); }
