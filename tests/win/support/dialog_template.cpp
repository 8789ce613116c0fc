// Extended dialog template reader.
#include "dialog_template.h"

namespace testsupport {

namespace {

class Reader {
public:
    Reader(const BYTE* data, size_t size) : m_data(data), m_size(size) {}
    bool ok() const { return m_ok; }
    template <class T>
    T Read() {
        T value{};
        if (m_pos + sizeof(T) > m_size) {
            m_ok = false;
            return value;
        }
        memcpy(&value, m_data + m_pos, sizeof(T));
        m_pos += sizeof(T);
        return value;
    }
    std::wstring String() {
        std::wstring s;
        for (WORD c; m_ok && (c = Read<WORD>()) != 0;) s += static_cast<wchar_t>(c);
        return s;
    }
    // A string, or an ordinal (returned through `ordinal`) after 0xFFFF.
    std::wstring StringOrOrdinal(WORD* ordinal) {
        WORD first = Read<WORD>();
        if (first == 0) return {};
        if (first == 0xFFFF) {
            *ordinal = Read<WORD>();
            return {};
        }
        std::wstring s(1, static_cast<wchar_t>(first));
        return s + String();
    }
    void AlignDword() { m_pos = (m_pos + 3) & ~size_t(3); }
    void Skip(size_t n) { m_pos += n; }

private:
    const BYTE* m_data;
    size_t m_size;
    size_t m_pos = 0;
    bool m_ok = true;
};

std::wstring SystemClassName(WORD ordinal) {
    switch (ordinal) {
        case 0x80: return L"Button";
        case 0x81: return L"Edit";
        case 0x82: return L"Static";
        case 0x83: return L"ListBox";
        case 0x84: return L"ScrollBar";
        case 0x85: return L"ComboBox";
        default: return L"#" + std::to_wstring(ordinal);
    }
}

}  // namespace

std::optional<DialogTemplate> LoadDialogTemplate(HMODULE module, UINT id, LANGID language) {
    HRSRC resource = FindResourceExW(module, RT_DIALOG, MAKEINTRESOURCEW(id), language);
    if (!resource) return std::nullopt;
    auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
    Reader r(data, SizeofResource(module, resource));
    if (r.Read<WORD>() != 1 || r.Read<WORD>() != 0xFFFF) return std::nullopt;

    DialogTemplate t;
    r.Read<DWORD>();  // help id
    t.exStyle = r.Read<DWORD>();
    t.style = r.Read<DWORD>();
    WORD count = r.Read<WORD>();
    t.x = r.Read<short>();
    t.y = r.Read<short>();
    t.cx = r.Read<short>();
    t.cy = r.Read<short>();
    WORD ordinal = 0;
    r.StringOrOrdinal(&ordinal);  // menu
    r.StringOrOrdinal(&ordinal);  // class
    t.caption = r.String();
    if (t.style & DS_SETFONT) {
        t.pointSize = r.Read<WORD>();
        t.weight = r.Read<WORD>();
        r.Read<BYTE>();  // italic
        r.Read<BYTE>();  // character set
        t.typeface = r.String();
    }
    for (WORD i = 0; i < count && r.ok(); ++i) {
        r.AlignDword();
        DialogItem item;
        r.Read<DWORD>();  // help id
        item.exStyle = r.Read<DWORD>();
        item.style = r.Read<DWORD>();
        item.x = r.Read<short>();
        item.y = r.Read<short>();
        item.cx = r.Read<short>();
        item.cy = r.Read<short>();
        item.id = r.Read<DWORD>();
        WORD classOrdinal = 0;
        item.className = r.StringOrOrdinal(&classOrdinal);
        if (classOrdinal) item.className = SystemClassName(classOrdinal);
        item.text = r.StringOrOrdinal(&item.textOrdinal);
        r.Skip(r.Read<WORD>());  // creation data
        t.items.push_back(item);
    }
    if (!r.ok()) return std::nullopt;
    return t;
}

ResourceModule::ResourceModule(const std::wstring& path)
    : m_module(LoadLibraryExW(path.c_str(), nullptr,
                              LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}

ResourceModule::~ResourceModule() {
    if (m_module) FreeLibrary(m_module);
}

std::string ResourceModule::Bytes(LPCWSTR type, UINT id) const {
    HRSRC resource = FindResourceW(m_module, MAKEINTRESOURCEW(id), type);
    if (!resource) return {};
    auto* data = static_cast<const char*>(LockResource(LoadResource(m_module, resource)));
    return std::string(data, SizeofResource(m_module, resource));
}

}  // namespace testsupport
