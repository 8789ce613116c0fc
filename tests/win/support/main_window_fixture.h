// A fixture that opens Webcam's main window in the test process (modeless, so that the test
// keeps its thread) and restores the modal seam afterwards.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "app/main_dlg.h"
#include "framework/modal_seam.h"
#include "resources/resource.h"
#include "support/ui_helpers.h"

namespace testsupport {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_window = std::make_unique<CZevuvArividDlg>();
        ASSERT_TRUE(m_window->Create(IDD_ZEVUVARIVID_DIALOG));
        PumpMessages();
    }
    void TearDown() override {
        m_window.reset();
        AfxResetModalSeam();
    }
    HWND hwnd() const { return m_window->m_hWnd; }
    HWND toolbar() const { return m_window->Toolbar().m_hWnd; }

    std::unique_ptr<CZevuvArividDlg> m_window;
};

}  // namespace testsupport
