// From a frame to a file on disk: BMP and JPEG contents, the layouts, names that never replace
// an earlier picture, and every failure that must reach the user as "Can not save image!".
#include <windows.h>
#include <gdiplus.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "settings/settings_store.h"
#include "snapshot/dated_file_name.h"
#include "snapshot/frame_conversion.h"
#include "snapshot/image_files.h"
#include "snapshot/snapshot_pipeline.h"
#include "snapshot/snapshot_request.h"
#include "framework/modal_seam.h"
#include "support/scratch_directory.h"
#include "test_pattern.h"

using namespace testsupport;

namespace {

class SnapshotFiles : public ::testing::Test {
protected:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&m_gdiplus, &input, nullptr);
        wcscpy(g_settings.capturePath, m_folder.path().c_str());
        g_settings.captureFormat = 1;
        g_snapshotRescale = 0;
        g_hMainWnd = nullptr;
        AfxModalSeam().messageBox = [this](HWND, LPCWSTR text, LPCWSTR caption, UINT type) {
            m_messages.push_back(std::wstring(caption) + L": " + text);
            EXPECT_EQ(type, UINT(MB_OK));
            return IDOK;
        };
    }
    void TearDown() override {
        StopShutterSound();
        AfxResetModalSeam();
        Gdiplus::GdiplusShutdown(m_gdiplus);
    }
    // Hands `frame` to the snapshot handler as the streaming thread's message would.
    void Snapshot(int subtype, const std::vector<uint8_t>& frame, int width, int height) {
        g_videoSubtype = subtype;
        SnapshotFrame* block = NewSnapshotFrame(frame.data(), frame.size());
        OnSnapshotFrame(reinterpret_cast<WPARAM>(block), static_cast<LPARAM>(width) << 16 | height);
    }
    std::vector<uint8_t> Pattern(PixelLayout layout, int width, int height) {
        std::vector<uint8_t> frame(PatternFrameBytes(layout, width, height));
        FillPatternFrame(layout, width, height, frame.data(), frame.size());
        return frame;
    }

    ULONG_PTR m_gdiplus = 0;
    ScratchDirectory m_folder;
    std::vector<std::wstring> m_messages;
};

TEST_F(SnapshotFiles, Yuy2FrameGivesA32BitBottomUpBmpOfTheConvertedPixels) {
    auto frame = Pattern(PixelLayout::Yuy2, 640, 480);
    Snapshot(2, frame, 640, 480);
    auto files = FilesIn(m_folder.path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].substr(0, 7), L"capture");
    EXPECT_EQ(files[0].size(), 7u + 14 + 4);
    EXPECT_EQ(files[0].substr(21), L".bmp");
    auto bmp = ReadBytes(m_folder.Child(files[0]));
    ASSERT_EQ(bmp.size(), 1228854u);

    std::vector<uint8_t> expected(640 * 480 * 4);
    ASSERT_TRUE(ConvertFrameToRgb32(FrameLayout::Yuy2, frame.data(), frame.size(), 640, 480,
                                    expected.data(), expected.size()));
    for (int row = 0; row < 480; ++row)  // the first stored row is the picture's bottom row
        ASSERT_EQ(std::memcmp(bmp.data() + 54 + row * 2560, expected.data() + (479 - row) * 2560, 2560), 0)
            << "row " << row;
    for (size_t i = 54 + 3; i < bmp.size(); i += 4) ASSERT_EQ(bmp[i], 0);
    // A few pixels worked out by hand from the conversion's arithmetic (blue, green, red, 0):
    // white and yellow bars at the top, the ends of the luma ramp at the bottom.
    auto at = [&](int x, int y) { return std::vector<uint8_t>(&bmp[54 + (479 - y) * 2560 + x * 4], &bmp[58 + (479 - y) * 2560 + x * 4]); };
    EXPECT_EQ(at(0, 0), (std::vector<uint8_t>{254, 254, 254, 0}));
    EXPECT_EQ(at(80, 0), (std::vector<uint8_t>{0, 253, 253, 0}));
    EXPECT_EQ(at(0, 479), (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(at(639, 479), (std::vector<uint8_t>{254, 254, 254, 0}));
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(SnapshotFiles, TheSamePictureInI420Yv12AndUyvyGivesIdenticalFiles) {
    Snapshot(1, Pattern(PixelLayout::I420, 320, 240), 320, 240);
    Snapshot(0, Pattern(PixelLayout::Yv12, 320, 240), 320, 240);
    Snapshot(3, Pattern(PixelLayout::Uyvy, 320, 240), 320, 240);
    auto files = FilesIn(m_folder.path());
    ASSERT_EQ(files.size(), 3u);  // none replaced another, even within one second
    // The test pattern's chroma is constant over every 2x2 block, so all three are one picture.
    auto first = ReadBytes(m_folder.Child(files[0]));
    EXPECT_EQ(first.size(), 54u + 320 * 240 * 4);
    EXPECT_EQ(ReadBytes(m_folder.Child(files[1])), first);
    EXPECT_EQ(ReadBytes(m_folder.Child(files[2])), first);
}

TEST_F(SnapshotFiles, JpegOpensAsAPictureOfTheFramesSize) {
    g_settings.captureFormat = 0;
    Snapshot(2, Pattern(PixelLayout::Yuy2, 640, 480), 640, 480);
    auto files = FilesIn(m_folder.path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].substr(files[0].size() - 4), L".jpg");
    Gdiplus::GpImage* image = nullptr;
    ASSERT_EQ(Gdiplus::DllExports::GdipLoadImageFromFile(m_folder.Child(files[0]).c_str(), &image), Gdiplus::Ok);
    UINT width = 0, height = 0;
    Gdiplus::DllExports::GdipGetImageWidth(image, &width);
    Gdiplus::DllExports::GdipGetImageHeight(image, &height);
    GUID format{};
    Gdiplus::DllExports::GdipGetImageRawFormat(image, &format);
    Gdiplus::DllExports::GdipDisposeImage(image);
    EXPECT_EQ(width, 640u);
    EXPECT_EQ(height, 480u);
    EXPECT_EQ(format, Gdiplus::ImageFormatJPEG);
    CLSID encoder;
    EXPECT_GE(FindEncoderClsid(&encoder), 0);
}

// Pictures asked for with options: into the file named (its type by the extension, whatever
// the format chosen), silent when asked. Requests queue: each takes a frame of its own from the
// streaming thread's callback and hears its own outcome; those withdrawn before a frame came
// for them hear they were not taken, while frames already on their way keep their requests.
TEST_F(SnapshotFiles, QueuedRequestsTakeAFrameEachAndHearTheirOwnOutcome) {
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    g_hMainWnd = window;
    std::vector<std::wstring> heard;
    int sounds = 0;
    g_shutterSoundObserver = [&] { ++sounds; };
    auto options = [&](const std::wstring& path, bool silent) {
        SnapshotOptions o;
        o.path = m_folder.Child(path);
        o.silent = silent;
        o.done = [&heard, path](PictureOutcome outcome) {
            heard.push_back(path + (outcome == PictureOutcome::Saved      ? L" saved"
                                    : outcome == PictureOutcome::NotSaved ? L" not saved"
                                                                          : L" not taken"));
        };
        return o;
    };
    auto frame = Pattern(PixelLayout::Yuy2, 64, 48);
    auto frameComes = [&] { SnapshotFrameCallback(64, 48, frame.data(), static_cast<int>(frame.size())); };
    g_videoSubtype = 2;
    for (const wchar_t* name : {L"first.bmp", L"second.JPEG", L"third.bmp", L"fourth.jpg"})
        QueueSnapshot(options(name, wcscmp(name, L"first.bmp") != 0));  // the first one with the sound
    frameComes();
    frameComes();
    WithdrawSnapshots();  // the capture starts anew with two frames on their way
    frameComes();         // asked for by nobody
    FinishQueuedSnapshots(window);
    QueueSnapshot(options(L"missing\\fifth.jpg", true));
    frameComes();
    FinishQueuedSnapshots(window);
    g_shutterSoundObserver = nullptr;
    g_hMainWnd = nullptr;
    DestroyWindow(window);

    EXPECT_EQ(heard, (std::vector<std::wstring>{L"third.bmp not taken", L"fourth.jpg not taken", L"first.bmp saved",
                                                L"second.JPEG saved", L"missing\\fifth.jpg not saved"}));
    EXPECT_EQ(sounds, 1);  // the first picture's
    EXPECT_EQ(ReadBytes(m_folder.Child(L"first.bmp")).size(), 54u + 64 * 48 * 4);
    auto jpeg = ReadBytes(m_folder.Child(L"second.JPEG"));
    ASSERT_GT(jpeg.size(), 2u);
    EXPECT_EQ(jpeg[0], 0xFF);  // JPEG although BMP is the chosen format
    EXPECT_EQ(jpeg[1], 0xD8);
    EXPECT_EQ(FilesIn(m_folder.path()).size(), 2u);  // no picture nobody asked for
    EXPECT_EQ(m_messages, (std::vector<std::wstring>{L"Warning!: Can not save image!"}));
}

TEST_F(SnapshotFiles, AFrameIsSavedWithWhatItsGraphWasBuiltWithAndStretchedNearestNeighbour) {
    // Taken while recording at a substitute size: stretched to the chosen 320 x 240 even when
    // the next graph (other layout, no stretch) runs by the time the message is handled.
    g_snapshotRescale = 1;
    g_videoWidth = 320;
    g_videoHeight = 240;
    g_videoSubtype = 2;
    auto frame = Pattern(PixelLayout::Yuy2, 640, 480);
    SnapshotFrame* block = NewSnapshotFrame(frame.data(), frame.size());
    g_snapshotRescale = 0;
    g_videoWidth = 640;
    g_videoHeight = 480;
    g_videoSubtype = 0;
    OnSnapshotFrame(reinterpret_cast<WPARAM>(block), 640 << 16 | 480);
    auto files = FilesIn(m_folder.path());
    ASSERT_EQ(files.size(), 1u);
    auto bmp = ReadBytes(m_folder.Child(files[0]));
    ASSERT_EQ(bmp.size(), 54u + 320 * 240 * 4);
    EXPECT_EQ(*reinterpret_cast<const int32_t*>(&bmp[18]), 320);
    EXPECT_EQ(*reinterpret_cast<const int32_t*>(&bmp[22]), 240);
    std::vector<uint8_t> full(640 * 480 * 4);
    ASSERT_TRUE(ConvertFrameToRgb32(FrameLayout::Yuy2, frame.data(), frame.size(), 640, 480,
                                    full.data(), full.size()));
    // Nearest neighbour, none blended: every pixel is the source pixel at (2x + d, 2y + d),
    // with one offset d (0 or 1, by where the platform puts the sample) for the whole picture.
    auto mismatches = [&](int d) {
        int bad = 0;
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x)
                bad += std::memcmp(&bmp[54 + ((239 - y) * 320 + x) * 4],
                                   &full[((2 * y + d) * 640 + 2 * x + d) * 4], 4) != 0;
        return bad;
    };
    EXPECT_TRUE(mismatches(0) == 0 || mismatches(1) == 0);

    // No size chosen (0 x 0): the picture keeps the camera's size.
    g_snapshotRescale = 1;
    g_videoWidth = g_videoHeight = 0;
    g_videoSubtype = 2;
    DeleteFileW(m_folder.Child(files[0]).c_str());
    Snapshot(2, Pattern(PixelLayout::Yuy2, 352, 288), 352, 288);
    files = FilesIn(m_folder.path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(ReadBytes(m_folder.Child(files[0])).size(), 54u + 352 * 288 * 4);
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(SnapshotFiles, DatedNamesNeverNameAnExistingFile) {
    SYSTEMTIME time{2009, 3, 6, 7, 14, 5, 9, 0};
    std::wstring first = UniqueDatedFileName(m_folder.path().c_str(), L"capture", time, L"bmp");
    EXPECT_EQ(first, m_folder.Child(L"capture20090307140509.bmp"));
    WriteTextFile(first, "x");
    std::wstring second = UniqueDatedFileName(m_folder.path().c_str(), L"capture", time, L"bmp");
    EXPECT_EQ(second, m_folder.Child(L"capture20090307140509-2.bmp"));
    WriteTextFile(second, "x");
    EXPECT_EQ(UniqueDatedFileName(m_folder.path().c_str(), L"capture", time, L"bmp"),
              m_folder.Child(L"capture20090307140509-3.bmp"));
    EXPECT_EQ(UniqueDatedFileName((m_folder.path() + L"\\").c_str(), L"Video", time, L"wmv"),
              m_folder.path() + L"\\\\Video20090307140509.wmv");
    // A name that would not fit 259 characters is no name.
    std::wstring longFolder(259 - 26, L'f');
    EXPECT_EQ(UniqueDatedFileName(longFolder.c_str(), L"capture", time, L"bmp").size(), 259u);
    longFolder += L'f';
    EXPECT_TRUE(UniqueDatedFileName(longFolder.c_str(), L"capture", time, L"bmp").empty());

    // A name that cannot be looked up ends the search at once; taken names end it after a bound.
    struct {
        DWORD answer;
        int probes;
    } cases[] = {{ERROR_INVALID_NAME, 1}, {ERROR_ACCESS_DENIED, 1}, {ERROR_SUCCESS, kMaxNameTries}};
    for (const auto& c : cases) {
        int probes = 0;
        auto probe = [&](const std::wstring&) { return ++probes, c.answer; };
        EXPECT_TRUE(UniqueDatedFileName(L"C:\\folder", L"capture", time, L"bmp", kMaxFileName, probe).empty());
        EXPECT_EQ(probes, c.probes) << c.answer;
    }
    EXPECT_LE(kMaxNameTries, 1000);
    // Under Wine, too, a folder name with characters no file name may hold is refused.
    EXPECT_TRUE(UniqueDatedFileName(L"C:\\bad<name>", L"capture", time, L"bmp").empty());
}

TEST_F(SnapshotFiles, MissingOrTooLongFoldersReportThatTheImageCouldNotBeSaved) {
    for (int format : {1, 0}) {
        g_settings.captureFormat = format;
        wcscpy(g_settings.capturePath, m_folder.Child(L"missing").c_str());
        Snapshot(2, Pattern(PixelLayout::Yuy2, 64, 48), 64, 48);
        std::wstring deep = m_folder.MakeNestedPathOfLength(240);
        wcscpy(g_settings.capturePath, deep.c_str());
        Snapshot(2, Pattern(PixelLayout::Yuy2, 64, 48), 64, 48);
    }
    EXPECT_EQ(m_messages, std::vector<std::wstring>(4, L"Warning!: Can not save image!"));
}

TEST_F(SnapshotFiles, AFullDiskLeavesNoFileBehind) {
    // Room for part of either file: a noisy picture makes a JPEG far bigger than that.
    NearlyFullFolder full(40 * 1024);
    if (full.path().empty()) GTEST_SKIP() << "the test command mounts no small file system here";
    wcscpy(g_settings.capturePath, full.path().c_str());
    std::vector<uint8_t> noise(640 * 480 * 2);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>((i * 2654435761u) >> 13);
    for (int format : {1, 0}) {
        g_settings.captureFormat = format;
        Snapshot(2, noise, 640, 480);
    }
    EXPECT_EQ(FilesIn(full.path()), std::vector<std::wstring>{L"filler"});
    EXPECT_EQ(m_messages, std::vector<std::wstring>(2, L"Warning!: Can not save image!"));
}

TEST_F(SnapshotFiles, FramesShorterThanTheirSizeAreRefused) {
    auto frame = Pattern(PixelLayout::Yuy2, 64, 48);
    frame.resize(frame.size() - 1);
    Snapshot(2, frame, 64, 48);
    EXPECT_TRUE(FilesIn(m_folder.path()).empty());
    EXPECT_EQ(m_messages, std::vector<std::wstring>(1, L"Warning!: Can not save image!"));
}

TEST_F(SnapshotFiles, AFailedWriteRemovesThePartialFile) {
    std::wstring path = m_folder.Child(L"partial.bmp");
    WriteTextFile(path, "old");
    // A handle that cannot write: the write fails, and the file goes.
    HANDLE readOnly = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(readOnly, INVALID_HANDLE_VALUE);
    const uint8_t bytes[100] = {};
    EXPECT_FALSE(WriteAllOrRemove(readOnly, path.c_str(), bytes, sizeof(bytes)));
    EXPECT_FALSE(FileExists(path));
}

}  // namespace
