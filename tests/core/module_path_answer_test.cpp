// Reading GetModuleFileName's answer: a path that exactly fills the buffer was cut short.
#include "framework/module_path_answer.h"

#include <gtest/gtest.h>

namespace {

TEST(ModulePathAnswer, APathThatFillsTheBufferWasCutShort) {
    const struct {
        uint32_t length;
        size_t capacity;
        ModulePathAnswer answer;
    } cases[] = {
        {0, 260, ModulePathAnswer::Failed},      {1, 260, ModulePathAnswer::Complete},
        {259, 260, ModulePathAnswer::Complete},  {260, 260, ModulePathAnswer::CutShort},
        {261, 260, ModulePathAnswer::CutShort},  {519, 520, ModulePathAnswer::Complete},
        {520, 520, ModulePathAnswer::CutShort},  {5, 0, ModulePathAnswer::CutShort},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadModulePathAnswer(c.length, c.capacity), c.answer) << c.length << " of " << c.capacity;
}

}  // namespace
