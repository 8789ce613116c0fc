// A growable array of values with the framework's interface (size, growth, element access).
#pragma once
#include <cstddef>
#include <new>
#include <vector>

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray {
public:
    CArray() = default;

    ptrdiff_t GetSize() const { return static_cast<ptrdiff_t>(m_items.size()); }
    bool IsEmpty() const { return m_items.empty(); }
    // Growth is how many elements the storage grows by at once; 0 lets the array choose.
    void SetSize(ptrdiff_t size, ptrdiff_t growBy = -1) {
        if (growBy >= 0) m_growBy = growBy;
        m_items.resize(static_cast<size_t>(size));
    }
    ptrdiff_t Add(ARG_TYPE item) {
        if (m_growBy > 0 && m_items.size() == m_items.capacity())
            m_items.reserve(m_items.size() + static_cast<size_t>(m_growBy));
        m_items.push_back(item);
        return GetSize() - 1;
    }
    void RemoveAll() {
        m_items.clear();
        m_items.shrink_to_fit();
    }
    TYPE& operator[](ptrdiff_t i) { return m_items.at(static_cast<size_t>(i)); }
    const TYPE& operator[](ptrdiff_t i) const { return m_items.at(static_cast<size_t>(i)); }

private:
    std::vector<TYPE> m_items;
    ptrdiff_t m_growBy = 0;
};
