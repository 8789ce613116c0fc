// The user interface's language from the user's display language and a stored tag.
#include "framework/language_choice.h"

#include <gtest/gtest.h>

namespace {

TEST(LanguageChoice, TheUsersLanguageOrTheSameLanguageElsewhereElseEnglishAStoredTagFirst) {
    const struct {
        uint16_t user;
        const wchar_t* stored;
        uint16_t chosen;
    } cases[] = {
        {0x0407, L"", 0x0407},        // German (Germany)
        {0x0C07, L"", 0x0407},        // Austrian German
        {0x0816, L"", 0x0416},        // Portuguese of Portugal: Brazilian
        {0x0416, L"", 0x0416},
        {0x100C, L"", 0x040C},        // Swiss French
        {0x080A, L"", 0x0C0A},        // Mexican Spanish
        {0x0404, L"", 0x0804},        // Traditional Chinese: the Chinese there is
        {0x0411, L"", 0x0411},        // Japanese
        {0x0419, L"", 0x0419},        // Russian
        {0x0415, L"", 0x0415},        // Polish
        {0x0410, L"", 0x0410},        // Italian
        {0x0409, L"", kEnglishUi},    // English
        {0x0413, L"", kEnglishUi},    // Dutch: not translated
        {0x0000, L"", kEnglishUi},
        {0x0409, L"de-DE", 0x0407},   // a stored tag wins, in any case and either separator
        {0x0407, L"EN-us", kEnglishUi},
        {0x0409, L"ja_JP", 0x0411},
        {0x0409, L"zh", 0x0804},
        {0x0407, L"nl-NL", 0x0407},   // a stored language the program lacks: the user's
        {0x0407, L"-", 0x0407},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChooseUiLanguage(c.user, c.stored), c.chosen) << std::hex << c.user << " " << c.stored;
}

}  // namespace
