// An image list handle. The list is destroyed with the object unless it was handed to a
// control with Detach.
#pragma once
#include <windows.h>
#include <commctrl.h>

class CImageList {
public:
    CImageList() = default;
    ~CImageList() { DeleteImageList(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    HIMAGELIST m_hImageList = nullptr;

    BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
    // Adds every image of `bitmap`; pixels of `maskColor` become transparent. The position of
    // the first new image, or -1.
    int Add(HBITMAP bitmap, COLORREF maskColor);
    BOOL DeleteImageList();
    HIMAGELIST Detach();
};
