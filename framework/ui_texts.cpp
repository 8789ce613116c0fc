// The user interface's language.
#include "ui_texts.h"

#include <vector>

namespace {

LANGID g_language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);

// String `id` of the string table block in `language`: its 16 strings are counted UTF-16.
bool FindText(HMODULE module, UINT id, LANGID language, std::wstring* text) {
    HRSRC block = FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    HGLOBAL loaded = block ? LoadResource(module, block) : nullptr;
    const auto* data = loaded ? static_cast<const WCHAR*>(LockResource(loaded)) : nullptr;
    if (!data) return false;
    const WCHAR* end = data + SizeofResource(module, block) / sizeof(WCHAR);
    for (UINT i = 0; i < id % 16 && data < end; ++i) data += 1 + *data;
    if (data >= end || *data == 0 || data + 1 + *data > end) return false;
    text->assign(data + 1, *data);
    return true;
}

}  // namespace

void SetUiLanguage(LANGID language) { g_language = language; }

LANGID UiLanguage() { return g_language; }

HRSRC FindUiResource(HMODULE module, LPCWSTR name, LPCWSTR type) {
    HRSRC found = FindResourceExW(module, type, name, g_language);
    return found ? found : FindResourceExW(module, type, name, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
}

std::wstring Text(UINT id) {
    HMODULE module = GetModuleHandleW(nullptr);
    std::wstring text;
    if (!FindText(module, id, g_language, &text)) FindText(module, id, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), &text);
    return text;
}

std::wstring Text(UINT id, std::initializer_list<std::wstring> inserts) {
    const std::wstring format = Text(id);
    const std::vector<std::wstring> values(inserts);
    std::wstring text;
    for (size_t i = 0; i < format.size(); ++i) {
        const size_t n = i + 1 < format.size() ? static_cast<size_t>(format[i + 1] - L'1') : values.size();
        if (format[i] == L'%' && n < values.size() && n < 9) {
            text += values[n];
            ++i;
        } else {
            text += format[i];
        }
    }
    return text;
}
