// The camera settings dialog.
#include "camera_settings_dlg.h"

#include <commctrl.h>
#include <ocidl.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "framework/modal_seam.h"
#include "framework/raii.h"
#include "framework/ui_texts.h"
#include "resources/resource.h"
#include "settings/camera_control_store.h"

namespace {

// Dialog units of a row, and of the window around the rows.
constexpr int kRowHeight = 16, kTop = 8, kMargin = 10, kButtonsGap = 8, kButtonHeight = 14;

enum Part { kName, kSlider, kValue, kAuto };
int RowId(size_t row, Part part) { return IDC_CAMERA_ROWS + static_cast<int>(row) * 4 + part; }

// The width in pixels of the widest of `texts` in `font`.
int WidestText(HWND window, HFONT font, const std::vector<std::wstring>& texts) {
    WindowDC dc(window);
    SelectedObject selected(dc.get(), font);
    int widest = 0;
    for (const std::wstring& text : texts) {
        SIZE size{};
        GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
        widest = std::max<int>(widest, size.cx);
    }
    return widest;
}

// The row of a control made by AddRows, when `id` is that row's `part`.
bool RowOf(int id, Part part, size_t rows, size_t* row) {
    if (id < IDC_CAMERA_ROWS || (id - IDC_CAMERA_ROWS) % 4 != part) return false;
    *row = static_cast<size_t>(id - IDC_CAMERA_ROWS) / 4;
    return *row < rows;
}

}  // namespace

CameraSettingsDlg::CameraSettingsDlg(IBaseFilter* camera, const wchar_t* deviceId, CWnd* parent)
    : CDialog(IDD_CAMERA_SETTINGS, parent), m_camera(camera), m_deviceId(deviceId ? deviceId : L"") {}

BOOL CameraSettingsDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_controls = ReadCameraControls(m_camera.Get());
    m_atOpen = m_controls;
    AddRows();
    CAUUID list{};
    if (DriverPages(m_camera.Get(), &list))
        ::ShowWindow(GetDlgItem(IDC_CAMERA_DRIVER), SW_SHOW);
    CoTaskMemFree(list.pElems);
    return TRUE;
}

void CameraSettingsDlg::AddRows() {
    // Dialog units to pixels, for the controls made here.
    auto pixels = [&](int x, int y, int cx, int cy) {
        RECT r{x, y, x + cx, y + cy};
        MapDialogRect(m_hWnd, &r);
        return r;
    };
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    // The names' column grows where a name needs more room (a long one, or a language's longer
    // words), and the boxes beside the sliders by what "Auto" needs more in the interface's
    // language: the columns after them, the OK and Cancel buttons and the window move over.
    std::vector<std::wstring> names;
    for (const CameraControl& c : m_controls) names.push_back(Text(c.label));
    const std::wstring autoText = Text(IDS_CONTROL_AUTO);
    // What grows gets two pixels to spare, as the dialog's own texts have.
    auto growth = [](int need, int room) { return need > room ? need - room + 2 : 0; };
    const int nameGrows = growth(WidestText(m_hWnd, font, names), pixels(0, 0, 80, 9).right);
    const int autoGrows = growth(WidestText(m_hWnd, font, {autoText}), WidestText(m_hWnd, font, {L"Auto"}));
    auto shifted = [](RECT r, int by) { return RECT{r.left + by, r.top, r.right + by, r.bottom}; };
    auto make = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int id, RECT r) {
        HWND control = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                                       r.bottom - r.top, m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                       nullptr, nullptr);
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return control;
    };
    for (size_t row = 0; row < m_controls.size(); ++row) {
        const CameraControl& c = m_controls[row];
        int y = kTop + static_cast<int>(row) * kRowHeight;
        RECT name = pixels(kMargin, y + 2, 80, 9);
        name.right += nameGrows;
        make(L"STATIC", names[row].c_str(), SS_LEFT, RowId(row, kName), name);
        HWND slider = make(TRACKBAR_CLASSW, L"", TBS_HORZ | TBS_NOTICKS | WS_TABSTOP, RowId(row, kSlider),
                           shifted(pixels(92, y, 130, 12), nameGrows));
        // A slider's own arithmetic needs the width of its range to fit a long; a broken driver
        // may report the whole range of one.
        const long low = std::max(c.minimum, LONG_MIN / 2), high = std::min(c.maximum, LONG_MAX / 2);
        ::SendMessageW(slider, TBM_SETRANGEMIN, FALSE, low);
        ::SendMessageW(slider, TBM_SETRANGEMAX, TRUE, high);
        // A slider places its thumb only when its position changes: one other than the value
        // first, so that ShowRow's places the thumb in the new range (a range of -64..64 at 0
        // would keep the thumb at the left end, where 0 was at first).
        ::SendMessageW(slider, TBM_SETPOS, FALSE, c.value == high ? low : high);
        ::SendMessageW(slider, TBM_SETLINESIZE, 0, c.step);
        const long long tenth = (static_cast<long long>(high) - low) / 10;  // in 64 bits
        ::SendMessageW(slider, TBM_SETPAGESIZE, 0, static_cast<LPARAM>(std::max<long long>(c.step, tenth)));
        make(L"STATIC", L"", SS_RIGHT, RowId(row, kValue), shifted(pixels(224, y + 2, 28, 9), nameGrows));
        RECT box = shifted(pixels(256, y + 1, 34, 10), nameGrows);
        box.right += autoGrows;
        if (c.canAuto) make(L"BUTTON", autoText.c_str(), BS_AUTOCHECKBOX | WS_TABSTOP, RowId(row, kAuto), box);
        ShowRow(row);
    }
    if (m_controls.empty()) ::ShowWindow(GetDlgItem(IDC_CAMERA_NO_CONTROLS), SW_SHOW);
    // The buttons below the rows, and the window around them.
    int rows = std::max<int>(1, static_cast<int>(m_controls.size()));
    int buttonsTop = kTop + rows * kRowHeight + kButtonsGap;
    for (int id : {IDC_CAMERA_DEFAULT, IDC_CAMERA_DRIVER, IDOK, IDCANCEL}) {
        HWND button = GetDlgItem(id);
        RECT now;
        ::GetWindowRect(button, &now);
        MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&now), 2);
        RECT top = pixels(0, buttonsTop, 1, kButtonHeight);
        const int right = id == IDOK || id == IDCANCEL ? nameGrows + autoGrows : 0;
        ::SetWindowPos(button, nullptr, now.left + right, top.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    RECT client = pixels(0, 0, 300, buttonsTop + kButtonHeight + kTop);
    client.right += nameGrows + autoGrows;
    RECT window = client;
    AdjustWindowRectEx(&window, static_cast<DWORD>(GetWindowLongPtrW(m_hWnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)));
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, window.right - window.left, window.bottom - window.top,
                   SWP_NOMOVE | SWP_NOZORDER);
}

void CameraSettingsDlg::ShowRow(size_t row) {
    const CameraControl& c = m_controls[row];
    HWND slider = GetDlgItem(RowId(row, kSlider));
    ::SendMessageW(slider, TBM_SETPOS, TRUE, c.value);
    ::EnableWindow(slider, !(c.canAuto && c.autoMode));
    ::SetWindowTextW(GetDlgItem(RowId(row, kValue)), std::to_wstring(c.value).c_str());
    if (c.canAuto) CheckDlgButton(m_hWnd, RowId(row, kAuto), c.autoMode ? BST_CHECKED : BST_UNCHECKED);
}

void CameraSettingsDlg::Apply(size_t row, long value, bool autoMode) {
    CameraControl& c = m_controls[row];
    if (SUCCEEDED(SetCameraControl(m_camera.Get(), c, value, autoMode))) {
        c.value = std::clamp(value, c.minimum, c.maximum);
        c.autoMode = autoMode && c.canAuto;
    }
    GetCameraControl(m_camera.Get(), c, &c.value, &c.autoMode);  // what the camera really has
    ShowRow(row);
}

LRESULT CameraSettingsDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HSCROLL && lParam) {
        size_t row;
        if (RowOf(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)), kSlider, m_controls.size(), &row)) {
            long position = static_cast<long>(::SendMessageW(reinterpret_cast<HWND>(lParam), TBM_GETPOS, 0, 0));
            if (position != m_controls[row].value) Apply(row, position, false);
            return 0;
        }
    }
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        int id = LOWORD(wParam);
        size_t row;
        if (RowOf(id, kAuto, m_controls.size(), &row)) {
            Apply(row, m_controls[row].value, IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED);
            return 0;
        }
        if (id == IDC_CAMERA_DEFAULT) {
            OnDefault();
            return 0;
        }
        if (id == IDC_CAMERA_DRIVER) {
            OnDriverSettings();
            return 0;
        }
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

void CameraSettingsDlg::OnDefault() {
    // The driver's defaults: its default value, and its automatic mode where it has one (the
    // mode GetRange's flags offer; webcams start with exposure, focus and white balance so).
    for (size_t row = 0; row < m_controls.size(); ++row)
        Apply(row, m_controls[row].defaultValue, m_controls[row].canAuto);
}

void CameraSettingsDlg::OnDriverSettings() {
    CAUUID list{};
    if (DriverPages(m_camera.Get(), &list))
        AfxModalSeam().propertyFrame(m_hWnd, Text(IDS_DRIVER_PAGES).c_str(), m_camera.Get(), list.cElems, list.pElems);
    CoTaskMemFree(list.pElems);
    // The driver's pages may have changed the values.
    for (size_t row = 0; row < m_controls.size(); ++row) {
        GetCameraControl(m_camera.Get(), m_controls[row], &m_controls[row].value, &m_controls[row].autoMode);
        ShowRow(row);
    }
}

void CameraSettingsDlg::OnOK() {
    for (const CameraControl& c : m_controls)
        StoreCameraControl(m_deviceId.c_str(), c.name, {static_cast<int32_t>(c.value), c.autoMode});
    CDialog::OnOK();
}

void CameraSettingsDlg::OnCancel() {
    for (const CameraControl& c : m_atOpen) SetCameraControl(m_camera.Get(), c, c.value, c.autoMode);
    CDialog::OnCancel();
}
