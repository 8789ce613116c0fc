// The user interface's texts and dialog templates in its language: the program's resources of
// that language where it has them, else the neutral (English) ones. The language is set once,
// as the program starts, before any window; user-interface thread.
#pragma once
#include <windows.h>

#include <initializer_list>
#include <string>

void SetUiLanguage(LANGID language);
LANGID UiLanguage();

// The resource `name` of `type` in the interface's language, else the neutral one.
HRSRC FindUiResource(HMODULE module, LPCWSTR name, LPCWSTR type);
// String `id` of the string table; empty when there is none.
std::wstring Text(UINT id);
// The same, its "%1" to "%9" replaced by `inserts` in turn (a translation may place them in
// any order).
std::wstring Text(UINT id, std::initializer_list<std::wstring> inserts);
