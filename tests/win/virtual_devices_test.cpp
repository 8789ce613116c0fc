// The virtual devices as the system device enumerator lists them and as the program's calls
// find them.
#include <windows.h>
#include <dshow.h>
#include <gtest/gtest.h>
#include <wrl/client.h>

#include "support/device_enumeration.h"
#include "virtual_devices.h"

using Microsoft::WRL::ComPtr;
using namespace testsupport;

namespace {

class VirtualDevicesTest : public ::testing::Test {
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(VirtualDevicesTest, DefaultDevicesAreListedWithTheirNames) {
    auto cameras = ListDevices(CLSID_VideoInputDeviceCategory);
    ASSERT_EQ(cameras.size(), 1u);
    EXPECT_EQ(cameras[0].friendlyName, L"Virtual Camera");
    EXPECT_EQ(cameras[0].displayName,
              SoftwareDeviceName(CLSID_VideoInputDeviceCategory, CLSID_DefaultVirtualCamera));

    auto microphones = ListDevices(CLSID_AudioInputDeviceCategory);
    ASSERT_EQ(microphones.size(), 1u);
    EXPECT_EQ(microphones[0].friendlyName, L"Virtual Microphone");
}

}  // namespace
