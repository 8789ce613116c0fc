// The user interface's language.
#include "language_choice.h"

#include <cwctype>
#include <iterator>

namespace {

constexpr uint16_t Language(uint16_t primary, uint16_t sub) { return static_cast<uint16_t>(sub << 10 | primary); }

// The program's languages: by primary language, the tag's first part and the resources' language.
struct UiLanguage {
    uint16_t primary;
    const wchar_t* tag;
    uint16_t resources;
};
constexpr UiLanguage kLanguages[] = {
    {0x07, L"de", Language(0x07, 1)},  // German (Germany)
    {0x0C, L"fr", Language(0x0C, 1)},  // French (France)
    {0x0A, L"es", Language(0x0A, 3)},  // Spanish (Spain, modern sort)
    {0x10, L"it", Language(0x10, 1)},  // Italian (Italy)
    {0x16, L"pt", Language(0x16, 1)},  // Portuguese (Brazil)
    {0x15, L"pl", Language(0x15, 1)},  // Polish
    {0x19, L"ru", Language(0x19, 1)},  // Russian
    {0x11, L"ja", Language(0x11, 1)},  // Japanese
    {0x04, L"zh", Language(0x04, 2)},  // Chinese (Simplified, PRC)
    {0x09, L"en", kEnglishUi},
};

// The tag's language part ("pt" of "pt-PT"), lower case.
std::wstring LanguagePart(const std::wstring& tag) {
    std::wstring part;
    for (wchar_t c : tag) {
        if (c == L'-' || c == L'_') break;
        part += static_cast<wchar_t>(std::towlower(c));
    }
    return part;
}

}  // namespace

uint16_t ChooseUiLanguage(uint16_t userLanguage, const std::wstring& storedTag) {
    const std::wstring stored = LanguagePart(storedTag);
    for (const UiLanguage& language : kLanguages)
        if (!stored.empty() && stored == language.tag) return language.resources;
    const uint16_t primary = userLanguage & 0x3FF;
    for (const UiLanguage& language : kLanguages)
        if (primary == language.primary) return language.resources;
    return kEnglishUi;
}
