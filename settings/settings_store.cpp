// Settings store.
#include "settings_store.h"

void LoadSettings(const std::function<void()>&) {}
