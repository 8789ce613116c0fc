// The modal "Camera settings" dialog of one camera: a row per picture control the camera
// reports (its name, a slider over its range, its value, and "Auto" where it has an automatic
// mode), "Default", and "Driver settings..." for the driver's own property pages where it has
// any. Changes go to the camera at once; OK stores them for the camera, Cancel puts back the
// values the camera had when the dialog opened.
#pragma once
#include <wrl/client.h>

#include <string>
#include <vector>

#include "devices/camera_controls.h"
#include "framework/cdialog.h"

class CameraSettingsDlg : public CDialog {
public:
    // `camera`: the running camera or one bound for the dialog; `deviceId`: its device ID.
    CameraSettingsDlg(IBaseFilter* camera, const wchar_t* deviceId, CWnd* parent = nullptr);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void AddRows();
    void ShowRow(size_t row);
    // Sets the row's control on the camera; where the camera refuses, the row shows its value.
    void Apply(size_t row, long value, bool autoMode);
    void OnDefault();
    void OnDriverSettings();

    Microsoft::WRL::ComPtr<IBaseFilter> m_camera;
    std::wstring m_deviceId;
    std::vector<CameraControl> m_controls;  // as the camera has them now
    std::vector<CameraControl> m_atOpen;    // as it had them when the dialog opened
};
