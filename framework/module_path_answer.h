// What GetModuleFileName's answer says about the path it wrote. It answers the number of
// characters written without the terminator, or, when the buffer was too small, the buffer's
// own size (the path cut short). Portable: no Windows header.
#pragma once
#include <cstddef>
#include <cstdint>

enum class ModulePathAnswer { Failed, Complete, CutShort };

// `length`: the call's result; `capacity`: the buffer's size in characters.
ModulePathAnswer ReadModulePathAnswer(uint32_t length, size_t capacity);
