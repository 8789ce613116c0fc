// The modeless options dialog: camera and resolution, audio device and input line, snapshot
// format, light source and folders. It works on the live settings and selection; OK saves them
// and rebuilds a running graph, Cancel puts the device selection back as it was at opening.
#pragma once
#include "framework/cdialog.h"
#include "framework/controls.h"

class OptionDlg : public CDialog {
    DECLARE_DYNAMIC(OptionDlg)

public:
    explicit OptionDlg(CWnd* parent = nullptr);

    CWnd* m_pMainDlg = nullptr;  // the main window, not owned; set after construction

    CEdit m_capturePath;
    CEdit m_recordPath;
    CButton m_capturePathSet;
    CButton m_recordPathSet;
    CComboBox m_cameraList;
    CComboBox m_audioList;
    CComboBox m_inputList;
    CComboBox m_resolutionList;
    CComboBox m_frameRateList;  // "highest", then the resolution's rates from the highest down
    CButton m_cancel;

    // The folder the user picks in the shell's browser, owned by `owner`; empty when none.
    static std::wstring BrowseForFolder(HWND owner);

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    void OnCameraChange();
    void OnCameraSettings();
    void OnAudioChange();
    void OnResolutionChange();
    void OnSetCapturePath();
    void OnSetRecordPath();
    void OnBmp();
    void OnJpg();
    void OnVideoResolutionOn();
    void OnVideoResolutionOff();
    void On50Hz();
    void On60Hz();
    DECLARE_MESSAGE_MAP()

private:
    void FillResolutionList();
    // The selected resolution's frame rates, the stored one selected where the camera has it.
    void FillFrameRateList();
    // The rate selected: 0 for "highest", -1 when nothing is.
    int SelectedFrameRate() const;
    // "Camera..." is there to press when the selected camera offers any picture control or
    // property pages of its driver.
    void EnableCameraSettings();
    void FillAudioInputList();
    void SetFolder(wchar_t* folder, CEdit& field);
    // The photo timer's delay and the interval series' choices, shown and taken on OK.
    void ShowTimerChoices();
    void TakeTimerChoices();

    // What Cancel puts back, by identity: table positions may have moved by a refresh since.
    wchar_t m_cameraIdAtOpen[256] = L"";
    wchar_t m_audioNameAtOpen[256] = L"";
    bool m_applying = false;  // OK is saving and rebuilding (a message box may be up)
};

// The one options dialog of the program, null when there is none.
extern OptionDlg* g_optionDlg;

// The dialog's choices, one set for all instances, kept between openings.
extern int g_videoDeviceIndexAtOpen;
extern int g_audioDeviceIndexAtOpen;
extern int g_audioInputIndexAtOpen;
extern int g_captureFormatChoice;
extern int g_lightSourceChoice;
extern int g_videoResolutionChoice;
extern int g_resolutionIndex;
extern wchar_t g_resolutionText[256];
extern wchar_t g_audioInputText[256];
