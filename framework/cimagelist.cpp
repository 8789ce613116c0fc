// Image lists. ImageList_AddMasked is taken from the common-controls library loaded in the
// process (the version the program's activation context chose) at run time.
#include "cimagelist.h"

namespace {

using AddMaskedFunction = int(WINAPI*)(HIMAGELIST, HBITMAP, COLORREF);

AddMaskedFunction FindAddMasked() {
    HMODULE comctl = ::GetModuleHandleW(L"comctl32.dll");
    if (!comctl) comctl = ::LoadLibraryW(L"comctl32.dll");
    if (!comctl) return nullptr;
    return reinterpret_cast<AddMaskedFunction>(
        reinterpret_cast<void*>(::GetProcAddress(comctl, "ImageList_AddMasked")));
}

}  // namespace

BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int grow) {
    DeleteImageList();
    m_hImageList = ::ImageList_Create(cx, cy, flags, initial, grow);
    return m_hImageList != nullptr;
}

int CImageList::Add(HBITMAP bitmap, COLORREF maskColor) {
    static AddMaskedFunction addMasked = FindAddMasked();
    if (!m_hImageList || !addMasked) return -1;
    return addMasked(m_hImageList, bitmap, maskColor);
}

BOOL CImageList::DeleteImageList() {
    BOOL done = m_hImageList && ::ImageList_Destroy(m_hImageList);
    m_hImageList = nullptr;
    return done;
}

HIMAGELIST CImageList::Detach() {
    HIMAGELIST list = m_hImageList;
    m_hImageList = nullptr;
    return list;
}
