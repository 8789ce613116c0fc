// Reads an extended dialog template (DLGTEMPLATEEX) from a module's resources, so that tests
// can check every style, size, font, control and text the program ships.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace testsupport {

struct DialogItem {
    DWORD id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring className;  // "Button", "Edit", "Static", "ComboBox", ... for system ordinals
    std::wstring text;
    WORD textOrdinal = 0;    // for an ICON control: the icon resource id
};

struct DialogTemplate {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring caption;
    WORD pointSize = 0;
    WORD weight = 0;
    std::wstring typeface;
    std::vector<DialogItem> items;
};

// The template of dialog `id` in `language` (the neutral, English one when 0).
std::optional<DialogTemplate> LoadDialogTemplate(HMODULE module, UINT id, LANGID language = 0);

// A module's resources, loaded as an image for reading (the program file, not run).
class ResourceModule {
public:
    explicit ResourceModule(const std::wstring& path);
    ~ResourceModule();
    ResourceModule(const ResourceModule&) = delete;
    ResourceModule& operator=(const ResourceModule&) = delete;
    HMODULE get() const { return m_module; }
    // The bytes of resource (type, id), or empty.
    std::string Bytes(LPCWSTR type, UINT id) const;

private:
    HMODULE m_module;
};

}  // namespace testsupport
