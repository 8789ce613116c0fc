// Owners of Win32 resources: handles, GDI objects and selections, device contexts, critical
// sections, GDI+ start-up and COM task memory. None of them copies; each releases what it holds.
#pragma once
#include <windows.h>
#include <objbase.h>

#include <utility>

// A kernel handle closed with CloseHandle. Null and INVALID_HANDLE_VALUE both mean none.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : m_handle(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    HANDLE get() const { return m_handle; }
    explicit operator bool() const { return m_handle && m_handle != INVALID_HANDLE_VALUE; }
    HANDLE release() { return std::exchange(m_handle, nullptr); }
    void reset(HANDLE h = nullptr) {
        if (*this) ::CloseHandle(m_handle);
        m_handle = h;
    }

private:
    HANDLE m_handle = nullptr;
};

// A GDI object (bitmap, brush, ...) deleted with DeleteObject.
template <class T>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(T object) : m_object(object) {}
    ~GdiObject() { reset(); }
    GdiObject(GdiObject&& other) noexcept : m_object(other.release()) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    T get() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }
    T release() { return std::exchange(m_object, nullptr); }
    void reset(T object = nullptr) {
        if (m_object) ::DeleteObject(m_object);
        m_object = object;
    }

private:
    T m_object = nullptr;
};

// A memory device context deleted with DeleteDC.
class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith) : m_dc(::CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDC() {
        if (m_dc) ::DeleteDC(m_dc);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC get() const { return m_dc; }
    explicit operator bool() const { return m_dc != nullptr; }

private:
    HDC m_dc;
};

// A window's device context (GetDC), released with ReleaseDC.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : m_hwnd(hwnd), m_dc(::GetDC(hwnd)) {}
    ~WindowDC() {
        if (m_dc) ::ReleaseDC(m_hwnd, m_dc);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return m_dc; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

// An object selected into a device context for the scope; the previous one goes back after.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(::SelectObject(dc, object)) {}
    ~SelectedObject() {
        if (m_previous && m_previous != HGDI_ERROR) ::SelectObject(m_dc, m_previous);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// Holds a critical section for the scope.
class ScopedCriticalSection {
public:
    explicit ScopedCriticalSection(CRITICAL_SECTION* section) : m_section(section) {
        ::EnterCriticalSection(m_section);
    }
    ~ScopedCriticalSection() { ::LeaveCriticalSection(m_section); }
    ScopedCriticalSection(const ScopedCriticalSection&) = delete;
    ScopedCriticalSection& operator=(const ScopedCriticalSection&) = delete;

private:
    CRITICAL_SECTION* m_section;
};

// A critical section that lives as long as the object.
class CriticalSection {
public:
    CriticalSection() { ::InitializeCriticalSection(&m_section); }
    ~CriticalSection() { ::DeleteCriticalSection(&m_section); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    CRITICAL_SECTION* get() { return &m_section; }

private:
    CRITICAL_SECTION m_section;
};

// Memory from the COM task allocator, freed with CoTaskMemFree.
template <class T>
class CoTaskMemory {
public:
    CoTaskMemory() = default;
    ~CoTaskMemory() { ::CoTaskMemFree(m_pointer); }
    CoTaskMemory(const CoTaskMemory&) = delete;
    CoTaskMemory& operator=(const CoTaskMemory&) = delete;
    T* get() const { return m_pointer; }
    T** put() {
        ::CoTaskMemFree(m_pointer);
        m_pointer = nullptr;
        return &m_pointer;
    }

private:
    T* m_pointer = nullptr;
};
