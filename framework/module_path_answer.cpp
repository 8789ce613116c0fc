// Reading GetModuleFileName's answer.
#include "module_path_answer.h"

ModulePathAnswer ReadModulePathAnswer(uint32_t length, size_t capacity) {
    if (length == 0) return ModulePathAnswer::Failed;
    // A path that fills the buffer to its last character has no room for its terminator.
    return length < capacity ? ModulePathAnswer::Complete : ModulePathAnswer::CutShort;
}
