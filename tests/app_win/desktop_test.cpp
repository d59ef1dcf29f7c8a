// What a new user sees of the program's windows: caption buttons drawn with
// their symbols (not letters of a missing symbol font), the Always On Top bin
// above the explorer window that "&Open ..." brings to the front, and the
// user guide beside the program.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "res/resource.h"
#include "tests/app_win/program_process.h"
#include "tests/app_win/screen_pixels.h"
#include "tests/app_win/win_test_util.h"

namespace {

namespace wt = qm::wintest;

// The share of a glyph's dark pixels whose mirror image (left to right, in
// the glyph's own box) is dark too: 1 for the close button's cross, far less
// for the letter "r" that a missing symbol font leaves.
double MirrorSymmetry(const wt::Pixels& button, COLORREF background) {
    int left = button.Width();
    int right = -1;
    int dark = 0;
    auto isGlyph = [&](int x, int y) {
        const COLORREF c = button.At(x, y);
        return c != CLR_INVALID && !wt::Near(c, background, 60) &&
               GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 110;
    };
    // Inside the button's frame only.
    for (int y = 3; y < button.Height() - 3; ++y) {
        for (int x = 3; x < button.Width() - 3; ++x) {
            if (isGlyph(x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
                ++dark;
            }
        }
    }
    if (dark < 6) {
        return 0.0;
    }
    int mirrored = 0;
    for (int y = 3; y < button.Height() - 3; ++y) {
        for (int x = left; x <= right; ++x) {
            if (isGlyph(x, y) && isGlyph(left + right - x, y)) {
                ++mirrored;
            }
        }
    }
    return static_cast<double>(mirrored) / dark;
}

TEST(Desktop, CaptionButtonsDrawTheirSymbols) {
    ASSERT_TRUE(RegisterClassW([] {
        static WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QuillmoorCaptionProbe";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        return &wc;
    }()));
    HWND window = CreateWindowExW(0, L"QuillmoorCaptionProbe", L"caption", WS_OVERLAPPEDWINDOW,
                                  200, 200, 400, 200, nullptr, nullptr, GetModuleHandleW(nullptr),
                                  nullptr);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    UpdateWindow(window);
    wt::WaitFor([] { return false; }, 300);

    // The symbol font is there at all.
    LOGFONTW face{};
    lstrcpyW(face.lfFaceName, L"Marlett");
    face.lfHeight = -13;
    face.lfCharSet = SYMBOL_CHARSET;
    HFONT marlett = CreateFontIndirectW(&face);
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, marlett);
    wchar_t name[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, name);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    DeleteObject(marlett);
    EXPECT_STREQ(name, L"Marlett") << "the caption buttons' symbol font is missing";

    // The close button: the rightmost caption button, a square as high as the
    // caption, inside the frame.
    RECT r{};
    GetWindowRect(window, &r);
    const int frame = GetSystemMetrics(SM_CXSIZEFRAME) + GetSystemMetrics(SM_CXPADDEDBORDER);
    const int top = r.top + GetSystemMetrics(SM_CYSIZEFRAME) + GetSystemMetrics(SM_CXPADDEDBORDER);
    const int size = GetSystemMetrics(SM_CYCAPTION) - 1;
    const RECT close{r.right - frame - size - 2, top, r.right - frame, top + size};
    const wt::Pixels button = wt::CaptureScreen(close);
    wt::SaveScreenshot("caption_buttons");
    const double symmetry = MirrorSymmetry(button, GetSysColor(COLOR_BTNFACE));
    EXPECT_GT(symmetry, 0.8) << "the close button does not show a cross";
    DestroyWindow(window);
}

TEST(Desktop, AlwaysOnTopBinStaysAboveTheExplorerWindowThatOpenBringsForward) {
    wt::SettingsPreset preset;
    ASSERT_TRUE(preset.Set("bShowRecycleBinOnStartup", 1));
    ASSERT_TRUE(preset.Set("bOpenRecycleBinOnStartup", 0));
    ASSERT_TRUE(preset.Set("bAutoDeleteHistory", 0));
    wt::ProgramProcess program;
    ASSERT_TRUE(program.Start("Quillmoor.exe"));
    HWND bin = program.WaitBinWindow(15000);
    ASSERT_NE(bin, nullptr);
    PostMessageW(bin, WM_COMMAND, ID_OPEN, 0);
    HWND frame = nullptr;
    ASSERT_TRUE(wt::WaitFor(
        [&] {
            frame = program.FindTopLevel("QuillmoorMainFrame", "Quill Moor");
            return frame != nullptr;
        },
        5000));
    // The frame over the bin's place, then brought to the front again.
    SetWindowPos(frame, nullptr, 300, 0, 600, 400, SWP_NOZORDER | SWP_NOACTIVATE);
    PostMessageW(bin, WM_COMMAND, ID_OPEN, 0);
    wt::WaitFor([] { return false; }, 600);
    EXPECT_EQ(GetForegroundWindow(), frame);

    // Top-level windows come top first: the bin before the frame.
    struct Order {
        HWND bin, frame;
        int binAt = -1, frameAt = -1, index = 0;
    } order{bin, frame};
    EnumWindows(
        [](HWND window, LPARAM data) {
            auto* o = reinterpret_cast<Order*>(data);
            if (window == o->bin) {
                o->binAt = o->index;
            }
            if (window == o->frame) {
                o->frameAt = o->index;
            }
            ++o->index;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&order));
    EXPECT_LT(order.binAt, order.frameAt);
    // And on the screen: the bin's picture is visible where the frame lies below.
    RECT binRect{};
    GetWindowRect(bin, &binRect);
    const wt::Pixels shot = wt::CaptureScreen(binRect);
    const int blue = shot.Count(RECT{0, 0, shot.Width(), shot.Height()}, [](COLORREF c) {
        return wt::Near(c, RGB(0x5a, 0x8f, 0xc8), 6);
    });
    wt::SaveScreenshot("bin_above_frame");
    // Wine raised the X window of the frame over the bin's some time after
    // the activation although the stacking order above was right; the frame
    // restacks the bin again while the activation settles.
    EXPECT_GT(blue, 20) << "the bin is drawn under the frame";
    PostMessageW(bin, WM_COMMAND, ID_EXIT, 0);
    EXPECT_EQ(program.WaitExit(10000), 0);
}

// The bin moved to a screen of another scaling (WM_DPICHANGED, sent here as
// Wine never sends it): it takes the suggested rectangle and draws its
// picture at the new size.
TEST(Desktop, BinFollowsAChangeOfScreenScaling) {
    wt::SettingsPreset preset;
    ASSERT_TRUE(preset.Set("bShowRecycleBinOnStartup", 1));
    ASSERT_TRUE(preset.Set("bOpenRecycleBinOnStartup", 0));
    ASSERT_TRUE(preset.Set("bAutoDeleteHistory", 0));
    wt::ProgramProcess program;
    ASSERT_TRUE(program.Start("Quillmoor.exe"));
    HWND bin = program.WaitBinWindow(15000);
    ASSERT_NE(bin, nullptr);
    wt::WaitFor([] { return false; }, 300);
    // The width of the picture's blue on the screen.
    auto blueWidth = [bin](RECT& where) {
        GetWindowRect(bin, &where);
        const wt::Pixels shot = wt::CaptureScreen(where);
        int left = shot.Width();
        int right = -1;
        for (int y = 0; y < shot.Height(); ++y) {
            for (int x = 0; x < shot.Width(); ++x) {
                if (wt::Near(shot.At(x, y), RGB(0x5a, 0x8f, 0xc8), 6)) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
        }
        return right - left + 1;
    };
    RECT before{};
    const int widthBefore = blueWidth(before);
    ASSERT_GT(widthBefore, 10);
    // The rectangle lives in the program's memory: the message carries its address.
    const RECT suggested{before.left, before.top,
                         before.left + 2 * (before.right - before.left),
                         before.top + 2 * (before.bottom - before.top)};
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, program.Id());
    ASSERT_NE(process, nullptr);
    void* remote = VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT | MEM_RESERVE,
                                  PAGE_READWRITE);
    ASSERT_NE(remote, nullptr);
    ASSERT_TRUE(WriteProcessMemory(process, remote, &suggested, sizeof(suggested), nullptr));
    SendMessageW(bin, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(remote));
    wt::WaitFor([] { return false; }, 400);
    RECT after{};
    const int widthAfter = blueWidth(after);
    wt::SaveScreenshot("bin_dpi_changed");
    EXPECT_TRUE(EqualRect(&after, &suggested));
    EXPECT_NEAR(widthAfter, 2 * widthBefore, 4) << "the picture twice as wide";
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    PostMessageW(bin, WM_COMMAND, ID_EXIT, 0);
    EXPECT_EQ(program.WaitExit(10000), 0);
}

TEST(Desktop, UserGuideIsBesideTheProgram) {
    const std::string path = wt::ModuleDirectory() + "Help\\help.htm";
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr) << path;
    std::string text;
    char buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof(buffer), f)) > 0) {
        text.append(buffer, got);
    }
    std::fclose(f);
    for (const char* topic : {"Making a filter", "Finding filters", "Restoring and undoing",
                              "Page, web server and domain", "Where your filters are kept"}) {
        EXPECT_NE(text.find(topic), std::string::npos) << topic;
    }
}

}  // namespace
