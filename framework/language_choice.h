// Which of the program's languages the user interface speaks: the one of the user's display
// language, or of the same language in another country (Portuguese of Portugal gets Brazilian
// Portuguese, Austrian German German), else English; a stored language tag ("de-DE") decides
// first. Portable: no Windows header; languages are Windows language identifiers.
#pragma once
#include <cstdint>
#include <string>

// The neutral resources: English.
constexpr uint16_t kEnglishUi = 0;

// The language identifier of the program's resources for a user whose display language is
// `userLanguage`, unless `storedTag` names one of the program's languages.
uint16_t ChooseUiLanguage(uint16_t userLanguage, const std::wstring& storedTag);
