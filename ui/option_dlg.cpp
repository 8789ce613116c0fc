// The options dialog.
#include "option_dlg.h"

#include <shlobj.h>
#include <strsafe.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>

#include "capture/capture_session.h"
#include "capture/capture_state.h"
#include "capture/graph_control.h"
#include "devices/camera_controls.h"
#include "devices/device_catalogue.h"
#include "devices/device_enumeration.h"
#include "framework/modal_seam.h"
#include "framework/ui_texts.h"
#include "resources/resource.h"
#include "settings/settings_store.h"
#include "snapshot/snapshot_request.h"
#include "ui/camera_settings_dlg.h"
#include "ui/resolution_preselection.h"
#include "ui/settings_save.h"

OptionDlg* g_optionDlg = nullptr;
int g_videoDeviceIndexAtOpen = 0;
int g_audioDeviceIndexAtOpen = 0;
int g_audioInputIndexAtOpen = 0;
int g_captureFormatChoice = 0;
int g_lightSourceChoice = 0;
int g_videoResolutionChoice = 0;
int g_resolutionIndex = 0;
wchar_t g_resolutionText[256];
wchar_t g_audioInputText[256];

IMPLEMENT_DYNAMIC(OptionDlg, CDialog)

BEGIN_MESSAGE_MAP(OptionDlg, CDialog)
ON_CBN_SELCHANGE(IDC_CAMERA_LIST, OnCameraChange)
ON_BN_CLICKED(IDC_CAMERA_SETTINGS, OnCameraSettings)
ON_CBN_SELCHANGE(IDC_AUDIO_LIST, OnAudioChange)
ON_CBN_SELCHANGE(IDC_RESOLUTION_LIST, OnResolutionChange)
ON_BN_CLICKED(IDC_CAPTURE_PATH_SET, OnSetCapturePath)
ON_BN_CLICKED(IDC_RECORD_PATH_SET, OnSetRecordPath)
ON_BN_CLICKED(IDC_FORMAT_BMP, OnBmp)
ON_BN_CLICKED(IDC_FORMAT_JPG, OnJpg)
ON_BN_CLICKED(IDC_VIDEO_RESOLUTION_1, OnVideoResolutionOn)
ON_BN_CLICKED(IDC_VIDEO_RESOLUTION_0, OnVideoResolutionOff)
ON_BN_CLICKED(IDC_LIGHT_50HZ, On50Hz)
ON_BN_CLICKED(IDC_LIGHT_60HZ, On60Hz)
END_MESSAGE_MAP()

namespace {

// A list's selected item when it lies within `count` entries, else -1.
int SelectedWithin(const CComboBox& list, int count) {
    int index = list.GetCurSel();
    return index >= 0 && index < count ? index : -1;
}

void SelectCamera(int index, const std::wstring& text) {
    g_videoDeviceIndex = index;
    CopyName(g_videoDeviceName, text.c_str());
    CopyName(g_videoDeviceID, g_videoDevices[index].deviceId);
}

void SelectAudioDevice(int index, const std::wstring& text) {
    g_audioDeviceIndex = index;
    CopyName(g_audioDeviceName, text.c_str());
}

}  // namespace

OptionDlg::OptionDlg(CWnd* parent) : CDialog(IDD_OPTION, parent) {}

void OptionDlg::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_CAPTURE_PATH, m_capturePath);
    DDX_Control(dx, IDC_RECORD_PATH, m_recordPath);
    DDX_Control(dx, IDC_CAPTURE_PATH_SET, m_capturePathSet);
    DDX_Control(dx, IDC_RECORD_PATH_SET, m_recordPathSet);
    DDX_Control(dx, IDC_CAMERA_LIST, m_cameraList);
    DDX_Control(dx, IDC_AUDIO_LIST, m_audioList);
    DDX_Control(dx, IDC_INPUT_LIST, m_inputList);
    DDX_Control(dx, IDC_RESOLUTION_LIST, m_resolutionList);
    DDX_Control(dx, IDC_FRAME_RATE_LIST, m_frameRateList);
    DDX_Control(dx, IDCANCEL, m_cancel);
}

BOOL OptionDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // After a device change the selection comes from the stored settings again. Otherwise the
    // devices are looked at anew all the same, keeping the selection: a camera may have become
    // usable since (one that lists its formats only once its feeding program runs).
    if (g_deviceRescanPending)
        RefreshDeviceSelection();
    else
        RescanDevices();
    g_deviceRescanPending = 0;
    g_audioInputIndexAtOpen = g_audioInputIndex;  // before the input list derives it anew

    m_cameraList.ResetContent();
    for (int i = 0; i < g_videoDeviceCount; ++i) m_cameraList.AddString(g_videoDevices[i].friendlyName);
    m_cameraList.SetCurSel(g_videoDeviceIndex);
    CopyName(g_videoDeviceName, m_cameraList.GetLBText(g_videoDeviceIndex).c_str());
    CopyName(g_videoDeviceID, g_videoDevices[g_videoDeviceIndex].deviceId);
    g_videoDeviceIndexAtOpen = g_videoDeviceIndex;
    CopyName(m_cameraIdAtOpen, g_videoDeviceID);

    m_audioList.ResetContent();
    for (int i = 0; i < g_audioDeviceCount; ++i) m_audioList.AddString(g_audioDevices[i].friendlyName);
    m_audioList.SetCurSel(g_audioDeviceIndex);
    CopyName(g_audioDeviceName, m_audioList.GetLBText(g_audioDeviceIndex).c_str());
    g_audioDeviceIndexAtOpen = g_audioDeviceIndex;
    CopyName(m_audioNameAtOpen, g_audioDeviceName);

    FillAudioInputList();
    FillResolutionList();
    EnableCameraSettings();

    m_capturePath.SetWindowTextW(g_settings.capturePath);
    m_recordPath.SetWindowTextW(g_settings.recordPath);

    g_captureFormatChoice = g_settings.captureFormat != 0;
    CheckRadioButton(IDC_FORMAT_BMP, IDC_FORMAT_JPG, g_captureFormatChoice ? IDC_FORMAT_BMP : IDC_FORMAT_JPG);
    g_lightSourceChoice = g_settings.lightSource != 0;
    CheckRadioButton(IDC_LIGHT_50HZ, IDC_LIGHT_60HZ, g_lightSourceChoice ? IDC_LIGHT_60HZ : IDC_LIGHT_50HZ);
    g_videoResolutionChoice = g_settings.videoResolution != 0;
    CheckRadioButton(IDC_VIDEO_RESOLUTION_1, IDC_VIDEO_RESOLUTION_0,
                     g_videoResolutionChoice ? IDC_VIDEO_RESOLUTION_1 : IDC_VIDEO_RESOLUTION_0);
    CheckDlgButton(m_hWnd, IDC_RECORD_PREVIEW_SIZE, g_settings.recordAtPreviewResolution ? BST_CHECKED : BST_UNCHECKED);
    ShowTimerChoices();
    return TRUE;
}

void OptionDlg::ShowTimerChoices() {
    for (int32_t delay : kPhotoTimerDelays) {
        const std::wstring text = std::to_wstring(delay);
        LRESULT item = SendDlgItemMessageW(m_hWnd, IDC_PHOTO_TIMER, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (delay == g_settings.photoTimerSeconds) SendDlgItemMessageW(m_hWnd, IDC_PHOTO_TIMER, CB_SETCURSEL, item, 0);
    }
    SetDlgItemInt(m_hWnd, IDC_INTERVAL_SECONDS, static_cast<UINT>(g_settings.intervalSeconds), FALSE);
    SetDlgItemInt(m_hWnd, IDC_INTERVAL_PICTURES, static_cast<UINT>(g_settings.intervalPictures), FALSE);
}

// An interval outside 1 to 86 400 seconds is brought to the nearer end; a field left empty
// (or holding more than a number can) keeps what was stored.
void OptionDlg::TakeTimerChoices() {
    const LRESULT delay = SendDlgItemMessageW(m_hWnd, IDC_PHOTO_TIMER, CB_GETCURSEL, 0, 0);
    if (delay >= 0 && delay < static_cast<LRESULT>(std::size(kPhotoTimerDelays)))
        g_settings.photoTimerSeconds = kPhotoTimerDelays[delay];
    BOOL read = FALSE;
    const UINT every = GetDlgItemInt(m_hWnd, IDC_INTERVAL_SECONDS, &read, FALSE);
    if (read) g_settings.intervalSeconds = static_cast<int32_t>(std::clamp<UINT>(every, 1, kMaxIntervalSeconds));
    const UINT pictures = GetDlgItemInt(m_hWnd, IDC_INTERVAL_PICTURES, &read, FALSE);
    if (read) g_settings.intervalPictures = static_cast<int32_t>(std::min<UINT>(pictures, INT32_MAX));
}

void OptionDlg::FillResolutionList() {
    int storedWidth = 0, storedHeight = 0;
    wchar_t stored[kSettingCapacity];
    if (ReadSettingString(g_videoDeviceID, stored)) swscanf(stored, L"%d%*s%d", &storedWidth, &storedHeight);

    m_resolutionList.ResetContent();
    const VideoDeviceInfo& camera = g_videoDevices[g_videoDeviceIndex];
    for (int i = 0; i < camera.resolutionCount; ++i) {
        wchar_t item[64];
        StringCchPrintfW(item, 64, L"%d x %d", camera.widths[i], camera.heights[i]);
        m_resolutionList.AddString(item);
    }
    PreselectResolution(camera.widths, camera.heights, camera.resolutionCount, storedWidth,
                        storedHeight, &g_resolutionIndex);
    m_resolutionList.SetCurSel(g_resolutionIndex);  // an index past the list selects nothing
    CopyName(g_resolutionText, m_resolutionList.GetLBText(g_resolutionIndex).c_str());
    FillFrameRateList();
}

void OptionDlg::FillFrameRateList() {
    const int stored = std::max(0, ReadSettingDword(FrameRateValueName(g_videoDeviceID).c_str()));
    m_frameRateList.ResetContent();
    m_frameRateList.AddString(Text(IDS_FRAME_RATE_HIGHEST).c_str());
    int selected = 0;
    const VideoDeviceInfo& camera = g_videoDevices[g_videoDeviceIndex];
    const int resolution = m_resolutionList.GetCurSel();
    if (resolution >= 0 && resolution < camera.resolutionCount)
        for (int i = 0; i < camera.rateCounts[resolution]; ++i) {
            m_frameRateList.AddString(std::to_wstring(camera.rates[resolution][i]).c_str());
            if (camera.rates[resolution][i] == stored) selected = i + 1;
        }
    m_frameRateList.SetCurSel(selected);
}

int OptionDlg::SelectedFrameRate() const {
    const int item = m_frameRateList.GetCurSel();
    const VideoDeviceInfo& camera = g_videoDevices[g_videoDeviceIndex];
    const int resolution = m_resolutionList.GetCurSel();
    if (item == 0) return 0;
    if (item < 1 || resolution < 0 || resolution >= camera.resolutionCount || item > camera.rateCounts[resolution])
        return -1;
    return camera.rates[resolution][item - 1];
}

void OptionDlg::OnResolutionChange() { FillFrameRateList(); }

void OptionDlg::FillAudioInputList() {
    g_audioInputIndex = 0;
    wchar_t stored[kSettingCapacity];
    ReadSettingString(g_audioDeviceName, stored);
    m_inputList.ResetContent();
    const AudioDeviceInfo& device = g_audioDevices[g_audioDeviceIndex];
    for (int i = 0; i < device.inputCount; ++i) {
        m_inputList.AddString(device.inputNames[i]);
        if (wcscmp(device.inputNames[i], stored) == 0) g_audioInputIndex = i;  // the last one wins
    }
    m_inputList.SetCurSel(g_audioInputIndex);
    CopyName(g_audioInputText, m_inputList.GetLBText(g_audioInputIndex).c_str());
}

void OptionDlg::OnCameraChange() {
    int index = SelectedWithin(m_cameraList, g_videoDeviceCount);
    if (index < 0) return;
    SelectCamera(index, m_cameraList.GetLBText(index));
    FillResolutionList();
    EnableCameraSettings();
}

void OptionDlg::OnAudioChange() {
    int index = SelectedWithin(m_audioList, g_audioDeviceCount);
    if (index < 0) return;
    SelectAudioDevice(index, m_audioList.GetLBText(index));
    FillAudioInputList();
}

std::wstring OptionDlg::BrowseForFolder(HWND owner) {
    return AfxModalSeam().browseForFolder(owner, Text(IDS_SELECT_FOLDER).c_str(),
                                          BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE);
}

void OptionDlg::SetFolder(wchar_t* folder, CEdit& field) {
    std::wstring chosen = BrowseForFolder(m_hWnd);
    // The dialog may have been closed or replaced while the browser was up: nothing to set.
    if (chosen.empty() || !m_hWnd) return;
    StringCchCopyW(folder, kPathCapacity, chosen.c_str());
    field.SetWindowTextW(folder);
}

void OptionDlg::OnSetCapturePath() { SetFolder(g_settings.capturePath, m_capturePath); }
void OptionDlg::OnSetRecordPath() { SetFolder(g_settings.recordPath, m_recordPath); }
void OptionDlg::OnBmp() { g_captureFormatChoice = 1; }
void OptionDlg::OnJpg() { g_captureFormatChoice = 0; }
void OptionDlg::OnVideoResolutionOn() { g_videoResolutionChoice = 1; }
void OptionDlg::OnVideoResolutionOff() { g_videoResolutionChoice = 0; }
void OptionDlg::On50Hz() { g_lightSourceChoice = 0; }
void OptionDlg::On60Hz() { g_lightSourceChoice = 1; }

void OptionDlg::OnOK() {
    if (m_applying) return;  // a second OK while the first one's message box is up
    m_applying = true;
    // A list without a selected item (or whose item lies outside the tables) keeps the
    // selection and the stored values it stands for.
    SelectionToSave save;
    int camera = SelectedWithin(m_cameraList, g_videoDeviceCount);
    save.camera = camera >= 0;
    if (save.camera) SelectCamera(camera, m_cameraList.GetLBText(camera));
    int audio = SelectedWithin(m_audioList, g_audioDeviceCount);
    save.audioDevice = audio >= 0;
    if (save.audioDevice) SelectAudioDevice(audio, m_audioList.GetLBText(audio));
    int input = m_inputList.GetCurSel();
    if (input >= 0 && save.audioDevice) {
        g_audioInputIndex = input;
        CopyName(g_audioInputText, m_inputList.GetLBText(input).c_str());
        save.audioInputText = g_audioInputText;
    }
    int resolution = m_resolutionList.GetCurSel();
    if (resolution >= 0 && save.camera) {
        g_resolutionIndex = resolution;
        CopyName(g_resolutionText, m_resolutionList.GetLBText(resolution).c_str());
        save.resolutionText = g_resolutionText;
        save.frameRate = SelectedFrameRate();
    }
    g_settings.captureFormat = g_captureFormatChoice ? 1 : 0;
    g_settings.lightSource = g_lightSourceChoice ? 1 : 0;
    g_settings.videoResolution = g_videoResolutionChoice ? 1 : 0;
    g_settings.recordAtPreviewResolution = IsDlgButtonChecked(m_hWnd, IDC_RECORD_PREVIEW_SIZE) == BST_CHECKED;
    TakeTimerChoices();
    SaveSettings(save);

    if (g_captureState == Previewing || g_captureState == Recording) {
        g_recordMode = 0;
        WithdrawSnapshots();
        g_pictureCopyRequested = 0;
        // The rebuild's message boxes belong to the main window: this dialog takes no input
        // meanwhile.
        ::EnableWindow(m_hWnd, FALSE);
        RebuildGraph(m_pMainDlg ? m_pMainDlg->m_hWnd : nullptr);
        if (m_hWnd) ::EnableWindow(m_hWnd, TRUE);
    }
    m_applying = false;
    if (m_hWnd) CDialog::OnOK();  // unless the main window closed it meanwhile
}

void OptionDlg::OnCancel() {
    if (m_applying) return;
    // Devices that went meanwhile (the tables were refreshed) keep the refresh's selection.
    int camera = FindVideoDeviceById(m_cameraIdAtOpen);
    if (camera >= 0) {
        g_videoDeviceIndex = camera;
        CopyName(g_videoDeviceName, g_videoDevices[camera].friendlyName);
        CopyName(g_videoDeviceID, g_videoDevices[camera].deviceId);
    }
    int audio = FindAudioDeviceByName(m_audioNameAtOpen);
    if (audio >= 0) {
        g_audioDeviceIndex = audio;
        CopyName(g_audioDeviceName, g_audioDevices[audio].friendlyName);
        g_audioInputIndex =
            g_audioInputIndexAtOpen < g_audioDevices[audio].inputCount ? g_audioInputIndexAtOpen : 0;
    }
    CDialog::OnCancel();
}

void OptionDlg::EnableCameraSettings() {
    ::EnableWindow(GetDlgItem(IDC_CAMERA_SETTINGS), HasCameraSettings(CameraForControls(g_videoDeviceID).Get()));
}

void OptionDlg::OnCameraSettings() {
    Microsoft::WRL::ComPtr<IBaseFilter> camera = CameraForControls(g_videoDeviceID);
    CameraSettingsDlg dialog(camera.Get(), g_videoDeviceID, this);
    dialog.DoModal();
}
